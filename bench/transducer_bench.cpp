// Each Transducer read against a unit that paces its bytes as a real line
// would, next to the physical limit of one exchange: the request characters,
// the 3.5-character silence that ends the request, and the reply characters.
// Each read starts on an idle line (a pause between reads stands for the
// silence a real line needs before the next request). bench/run starts such
// a unit (zorsim --pace, 19200 baud, even).
#include "wire_time.h"
#include "device/transducer.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int Repetitions = 21;
constexpr DWORD IdleBetweenReadsMs = 5;
constexpr std::uint32_t BaudRate = 19200;
constexpr std::uint8_t Unit = 1;
constexpr int RequestCharacters = 8;
constexpr int ReadReplyOverhead = 5;

struct ReadOperation {
    const char* name;
    int registers;
    std::function<bool(Transducer&)> run;
};

Measurements measurements;
Corrections corrections;
BusSettings busSettings;
std::uint16_t firmware;
std::uint32_t serialNumber;

const ReadOperation operations[] = {
    {"ReadIdentity", 4, [](Transducer& t) { return t.ReadIdentity() != nullptr; }},
    {"ReadFirmwareVersion", 1, [](Transducer& t) { return t.ReadFirmwareVersion(firmware); }},
    {"ReadSerialNumber", 2, [](Transducer& t) { return t.ReadSerialNumber(serialNumber); }},
    {"ReadMeasurements", 3, [](Transducer& t) { return t.ReadMeasurements(measurements); }},
    {"ReadCorrections", 2, [](Transducer& t) { return t.ReadCorrections(corrections); }},
    {"ReadBusSettings", 3, [](Transducer& t) { return t.ReadBusSettings(busSettings); }},
};

double WireMilliseconds(int registers) {
    return wire::ExchangeMs(BaudRate, RequestCharacters, 2 * registers + ReadReplyOverhead);
}

// Median and fastest of the timed reads; failures are counted.
struct Timing {
    double median;
    double fastest;
    int failures;
};

Timing TimeOperation(Transducer& transducer, const ReadOperation& operation) {
    std::vector<double> times;
    int failures = 0;
    for (int i = 0; i < Repetitions; ++i) {
        Sleep(IdleBetweenReadsMs);
        const auto start = std::chrono::steady_clock::now();
        failures += operation.run(transducer) ? 0 : 1;
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), failures};
}

} // namespace

int main(int argc, char** argv) {
    const std::string port = argc > 1 ? argv[1] : "COM9";
    auto* transducer = new Transducer;
    if (!transducer->Open(port.c_str())) {
        std::printf("cannot open %s\n", port.c_str());
        return 1;
    }
    transducer->Configure(BaudRate, ParityEven, Unit);
    std::printf("Transducer reads against a paced unit on %s, %u baud even, %d reads each\n",
                port.c_str(), static_cast<unsigned>(BaudRate), Repetitions);
    std::printf("%-20s %10s %10s %9s %7s\n", "operation", "median ms", "fastest", "limit ms",
                "ratio");
    int status = 0;
    for (const ReadOperation& operation : operations) {
        const Timing timing = TimeOperation(*transducer, operation);
        const double limit = WireMilliseconds(operation.registers);
        std::printf("%-20s %10.2f %10.2f %9.2f %7.2f", operation.name, timing.median,
                    timing.fastest, limit, timing.median / limit);
        if (timing.failures > 0) {
            std::printf("  (%d of %d failed)", timing.failures, Repetitions);
            status = 1;
        }
        std::printf("\n");
    }
    transducer->Dispose();
    return status;
}
