#include "zorctl/scan_command.h"

#include "zorctl/line_names.h"
#include "zorctl/progress_bar.h"
#include "zorctl/reading_text.h"
#include "zorctl/report.h"
#include "zorctl/unit_link.h"

#include <vector>

namespace {

std::string StoredText(const BusSettings& stored) {
    return line_names::LineText({stored.baudIndex, stored.parityIndex, stored.unitAddress});
}

// The unit that answered at `line`: what it stores and its serial number.
void ReportFound(UnitLink& link, const LineSettings& line) {
    Transducer& unit = link.Unit();
    std::string text = "found: " + line_names::LineText(line);
    std::uint32_t serialNumber = 0;
    text += "; serial number ";
    text += unit.ReadSerialNumber(serialNumber) ? reading_text::SerialNumber(serialNumber)
                                                : reading_text::Failure(unit.LastException());
    BusSettings stored{};
    if (!unit.ReadBusSettings(stored)) {
        text += "; stored settings: " + reading_text::Failure(unit.LastException());
    } else if (stored.unitAddress != line.unitAddress || stored.baudIndex != line.baudIndex ||
               stored.parityIndex != line.parityIndex) {
        text += "; stored for the next restart: " + StoredText(stored);
    }
    report::Result(text);
}

// Every address at one line setting before the next setting: changing the
// rate and parity is the slower step on some drivers.
std::vector<LineSettings> Tries(const ScanOptions& options) {
    std::vector<LineSettings> tries;
    for (const std::uint8_t baudIndex : options.baudIndices) {
        for (const std::uint8_t parityIndex : options.parityIndices) {
            for (const std::uint8_t address : options.addresses) {
                tries.push_back({baudIndex, parityIndex, address});
            }
        }
    }
    return tries;
}

} // namespace

ExitCode RunScan(UnitLink& link, const Invocation& invocation) {
    const ScanOptions& options = invocation.scan;
    if (!link.Open(invocation.port)) {
        return report::Fail(ExitCode::PortNotOpened, "cannot open port " + invocation.port);
    }
    const std::vector<LineSettings> tries = Tries(options);
    const long total = static_cast<long>(tries.size());
    ProgressBar progress(total);
    long done = 0;
    long found = 0;
    for (const LineSettings& line : tries) {
        link.UseLine(line);
        const UnitLink::Probe probe = link.ProbeIdentity();
        progress.Update(++done);
        if (probe == UnitLink::Probe::Silent) {
            continue;
        }
        progress.Clear();
        if (probe == UnitLink::Probe::Other) {
            report::Problem("at " + line_names::LineText(line) + " a unit reports \"" +
                            link.Identity() + "\": not a ZOR unit");
            continue;
        }
        ReportFound(link, line);
        ++found;
        if (!options.all) {
            return ExitCode::Done;
        }
    }
    progress.Clear();
    if (found == 0) {
        return report::Fail(ExitCode::NoAnswer, "no ZOR unit answered on " + invocation.port +
                                                    " (" + std::to_string(total) + " tries)");
    }
    return ExitCode::Done;
}
