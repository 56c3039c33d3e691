// What a failed exchange costs on a silent line, next to the longest wait the
// read time-outs allow: the request goes out, phase one waits for 5 bytes
// that never come. Run it with a silent line on the port (bench/run uses the
// lab's COM5, whose peer nobody writes to).
#include "device/modbus_line.h"
#include "device/modbus_master.h"
#include "device/transducer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int Exchanges = 10;
constexpr std::uint32_t PhaseOneBytes = 5;
constexpr std::uint32_t Rates[] = {19200, 1200};

double FailedExchangeMilliseconds(ModbusMaster& master) {
    std::uint16_t values[4];
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < Exchanges; ++i) {
        if (master.ReadInputRegisters(1, 0, 4, values)) {
            std::printf("unexpected reply: the line is not silent\n");
            std::exit(1);
        }
    }
    const std::chrono::duration<double, std::milli> total =
        std::chrono::steady_clock::now() - start;
    return total.count() / Exchanges;
}

} // namespace

int main(int argc, char** argv) {
    const std::string port = argc > 1 ? argv[1] : "COM5";
    const std::string path = DevicePathPrefix + port;
    auto* master = new ModbusMaster;
    if (!master->Open(path.c_str())) {
        std::printf("cannot open %s\n", path.c_str());
        return 1;
    }
    std::printf("failed exchange on a silent line (%s), mean of %d\n", port.c_str(), Exchanges);
    std::printf("%8s %12s %14s %7s\n", "baud", "measured ms", "longest wait", "ratio");
    for (const std::uint32_t rate : Rates) {
        master->SetLine(rate, ParityEven);
        const double measured = FailedExchangeMilliseconds(*master);
        const double allowed = ModbusLine::LongestReadWait(rate, PhaseOneBytes);
        std::printf("%8u %12.1f %14.0f %7.2f\n", static_cast<unsigned>(rate), measured, allowed,
                    measured / allowed);
    }
    master->Dispose();
    return 0;
}
