#include "zorctl/zorctl_program.h"

#include "zorctl/bus_command.h"
#include "zorctl/command_line.h"
#include "zorctl/correct_command.h"
#include "zorctl/info_command.h"
#include "zorctl/port_list.h"
#include "zorctl/ports_command.h"
#include "zorctl/report.h"
#include "zorctl/scan_command.h"
#include "zorctl/unit_link.h"
#include "zorctl/watch_command.h"

namespace {

ExitCode RunCommand(const Invocation& invocation) {
    if (invocation.command == Command::Ports) {
        return RunPorts();
    }
    // A name that is no port of this machine is a typing error, told before
    // anything is opened.
    if (!port_list::IsKnown(invocation.port)) {
        return report::Fail(ExitCode::Usage, "unknown port \"" + invocation.port +
                                                 "\" (zorctl ports lists this machine's ports)");
    }
    UnitLink link;
    // watch prepares its file before it connects; scan looks for units itself.
    if (invocation.command == Command::Watch) {
        return RunWatch(link, invocation);
    }
    if (invocation.command == Command::Scan) {
        return RunScan(link, invocation);
    }
    const ExitCode connected = link.Connect(invocation.port, invocation.line);
    if (connected != ExitCode::Done) {
        return connected;
    }
    switch (invocation.command) {
    case Command::Info:
        return RunInfo(link, invocation);
    case Command::Correct:
        return RunCorrect(link, invocation);
    case Command::Bus:
        return RunBus(link, invocation);
    default:
        return ExitCode::Done;
    }
}

} // namespace

int RunZorctl(int argc, const char* const* argv) {
    const ParseOutcome parsed = ParseCommandLine(argc, argv);
    if (!parsed.invocation) {
        return AsStatus(parsed.code);
    }
    return AsStatus(RunCommand(*parsed.invocation));
}
