#include "zorctl/bus_command.h"

#include "zorctl/line_names.h"
#include "zorctl/report.h"
#include "zorctl/unit_link.h"

#include <chrono>

namespace {

// How long a restarting unit may stay silent before --verify gives up.
constexpr std::chrono::seconds RestartWait{5};

struct BusWrite {
    const char* what;
    std::optional<std::uint8_t> value;
    bool (Transducer::*write)(std::uint8_t);
};

std::string StoredText(const BusSettings& bus) {
    return line_names::LineText({bus.baudIndex, bus.parityIndex, bus.unitAddress});
}

bool Usable(const BusSettings& bus) {
    return bus.unitAddress >= line_names::LowestAddress &&
           bus.unitAddress <= line_names::HighestAddress && bus.baudIndex < BaudRateCount &&
           bus.parityIndex < line_names::ParityCount;
}

ExitCode WriteSettings(UnitLink& link, const BusOptions& options) {
    const BusWrite writes[] = {
        {"the address", options.address, &Transducer::WriteUnitAddress},
        {"the baud rate", options.baudIndex, &Transducer::WriteBaudIndex},
        {"the parity", options.parityIndex, &Transducer::WriteParityIndex},
    };
    for (const BusWrite& write : writes) {
        if (write.value && !(link.Unit().*write.write)(*write.value)) {
            return link.Failed(std::string(write.what) + " write");
        }
    }
    return ExitCode::Done;
}

ExitCode Verify(UnitLink& link, const BusSettings& stored) {
    const LineSettings line = {stored.baudIndex, stored.parityIndex, stored.unitAddress};
    link.UseLine(line);
    const auto deadline = std::chrono::steady_clock::now() + RestartWait;
    do {
        switch (link.ProbeIdentity()) {
        case UnitLink::Probe::Compatible:
            report::Result("verified: the ZOR unit answers at " + line_names::LineText(line));
            return ExitCode::Done;
        case UnitLink::Probe::Other:
            return report::Fail(ExitCode::Incompatible,
                                "after the restart the unit reports the identity \"" +
                                    link.Identity() + "\": not a ZOR unit");
        case UnitLink::Probe::Silent:
            break;
        }
    } while (std::chrono::steady_clock::now() < deadline);
    return report::Fail(ExitCode::NoAnswer, "no answer at " + line_names::LineText(line) +
                                                " within " + std::to_string(RestartWait.count()) +
                                                " s of the restart");
}

} // namespace

ExitCode RunBus(UnitLink& link, const Invocation& invocation) {
    const BusOptions& options = invocation.bus;
    const ExitCode written = WriteSettings(link, options);
    if (written != ExitCode::Done) {
        return written;
    }
    BusSettings stored{};
    if (!link.Unit().ReadBusSettings(stored)) {
        return link.Failed("the bus settings read");
    }
    const bool changed = options.address || options.baudIndex || options.parityIndex;
    report::Result("stored: " + StoredText(stored) +
                   (changed && !options.restart ? " (in force after a restart)" : ""));
    if (!options.restart) {
        return ExitCode::Done;
    }
    // The unit answers the restart with the settings it had; the new ones
    // apply from its restart on.
    if (!link.Unit().Restart()) {
        return link.Failed("the restart");
    }
    report::Result("restart sent");
    if (!options.verify) {
        return ExitCode::Done;
    }
    if (!Usable(stored)) {
        return report::Fail(ExitCode::NoAnswer,
                            "the stored settings cannot be used to reach the unit: " +
                                StoredText(stored));
    }
    return Verify(link, stored);
}
