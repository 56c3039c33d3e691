#include "zorctl/ports_command.h"

#include "zorctl/port_list.h"
#include "zorctl/report.h"

ExitCode RunPorts() {
    for (const std::string& port : port_list::Ports()) {
        report::Result(port);
    }
    return ExitCode::Done;
}
