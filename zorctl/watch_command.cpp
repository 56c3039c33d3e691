#include "zorctl/watch_command.h"

#include "zorctl/csv_log.h"
#include "zorctl/interrupt.h"
#include "zorctl/local_time.h"
#include "zorctl/reading_text.h"
#include "zorctl/report.h"
#include "zorctl/unit_link.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Waits are cut into slices this long so that Ctrl-C ends a long interval at once.
constexpr std::chrono::milliseconds WaitSlice{50};
constexpr const char* StatusOk = "ok";
constexpr const char* ColumnGap = "  ";

const std::vector<std::string> CsvHeader = {"time", "temperature_degC", "humidity_percent",
                                            "formaldehyde_ppb", "status"};

struct Reading {
    std::string time;
    std::vector<std::string> values; // the three values as shown, or three empty fields
    std::string status;
};

Reading Read(Transducer& unit) {
    Measurements measured{};
    const bool ok = unit.ReadMeasurements(measured);
    Reading reading;
    reading.time = IsoLocalTime(std::chrono::system_clock::now());
    if (ok) {
        reading.values = {reading_text::Hundredths(measured.temperature),
                          reading_text::Hundredths(measured.humidity),
                          reading_text::Tenths(measured.formaldehyde)};
        reading.status = StatusOk;
    } else {
        reading.values = {"", "", ""};
        reading.status = reading_text::Failure(unit.LastException());
    }
    return reading;
}

std::string ConsoleLine(const Reading& reading) {
    if (reading.status != StatusOk) {
        return reading.time + ColumnGap + reading.status;
    }
    return reading.time + ColumnGap + reading.values[0] + " " + reading_text::TemperatureUnit +
           ColumnGap + reading.values[1] + " " + reading_text::HumidityUnit + ColumnGap +
           reading.values[2] + " " + reading_text::FormaldehydeUnit;
}

std::vector<std::string> CsvRow(const Reading& reading) {
    std::vector<std::string> row = {reading.time};
    row.insert(row.end(), reading.values.begin(), reading.values.end());
    row.push_back(reading.status);
    return row;
}

// False when Ctrl-C came first.
bool WaitUntil(Clock::time_point due) {
    while (!interrupt::Requested()) {
        const Clock::time_point now = Clock::now();
        if (now >= due) {
            return true;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(due - now, WaitSlice));
    }
    return false;
}

} // namespace

ExitCode RunWatch(UnitLink& link, const Invocation& invocation) {
    const WatchOptions& options = invocation.watch;
    CsvLog csv;
    std::string problem;
    // The file first: a path that cannot be written costs nothing on the line.
    if (!options.csvPath.empty() && !csv.Create(options.csvPath, CsvHeader, problem)) {
        return report::Fail(ExitCode::OutputFailed,
                            "cannot write " + options.csvPath + ": " + problem);
    }
    const ExitCode connected = link.Connect(invocation.port, invocation.line);
    if (connected != ExitCode::Done) {
        return connected;
    }
    interrupt::Catch();
    const auto interval = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(options.intervalSeconds));
    Clock::time_point due = Clock::now();
    for (long row = 0; options.count == 0 || row < options.count; ++row) {
        if (!WaitUntil(due)) {
            report::Problem("stopped by Ctrl-C after " + std::to_string(row) + " readings");
            break;
        }
        const Reading reading = Read(link.Unit());
        if (!options.csvPath.empty() && !csv.Append(CsvRow(reading), problem)) {
            return report::Fail(ExitCode::OutputFailed,
                                "cannot write " + options.csvPath + ": " + problem);
        }
        report::Result(ConsoleLine(reading));
        // Readings keep their rhythm; one that came late does not make the
        // next ones late too, and a missed slot is skipped, not caught up.
        due += interval;
        due = std::max(due, Clock::now());
    }
    return ExitCode::Done;
}
