#include "zorctl/unit_link.h"

#include "zorctl/line_names.h"
#include "zorctl/report.h"

namespace {

constexpr const char* CompatibleIdentity = "ZOR";

} // namespace

UnitLink::UnitLink() : transducer(new Transducer) {}

ExitCode UnitLink::Connect(const std::string& port, const LineSettings& line) {
    if (!Open(port)) {
        return report::Fail(ExitCode::PortNotOpened, "cannot open port " + port);
    }
    UseLine(line);
    switch (ProbeIdentity()) {
    case Probe::Compatible:
        return ExitCode::Done;
    case Probe::Other:
        transducer->Close();
        return report::Fail(ExitCode::Incompatible,
                            "the unit on " + port + " reports the identity \"" + identity +
                                "\": not a ZOR unit, incompatible with this tool; nothing written");
    case Probe::Silent:
        break;
    }
    transducer->Close();
    return report::Fail(ExitCode::NoAnswer,
                        "no answer on " + port + " from " + line_names::LineText(line));
}

bool UnitLink::Open(const std::string& port) {
    return transducer->Open(port.c_str());
}

void UnitLink::UseLine(const LineSettings& line) {
    transducer->Configure(BaudRateTable[line.baudIndex], line.parityIndex, line.unitAddress);
}

UnitLink::Probe UnitLink::ProbeIdentity() {
    const char* reported = transducer->ReadIdentity();
    if (reported == nullptr) {
        identity.clear();
        return Probe::Silent;
    }
    identity = reported;
    return identity == CompatibleIdentity ? Probe::Compatible : Probe::Other;
}

ExitCode UnitLink::Failed(const std::string& what) {
    const std::int32_t exception = transducer->LastException();
    if (exception != 0) {
        return report::Fail(ExitCode::Refused, "the unit refused " + what + " (exception " +
                                                   std::to_string(exception) + ")");
    }
    return report::Fail(ExitCode::NoAnswer, "no answer to " + what);
}
