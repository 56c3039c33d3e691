#include "device/modbus_line.h"

namespace {

// Bit times of one character with parity, scaled to milliseconds.
constexpr std::uint32_t CharacterBitsInMilliseconds = 11000;
// Extra wait for the unit to turn the request round, scaled by the rate.
constexpr std::uint32_t TurnaroundBitsInMilliseconds = 300000;
constexpr std::uint32_t MinimumReadConstant = 100;
constexpr std::uint32_t WriteConstant = 100;

} // namespace

namespace ModbusLine {

SerialTimeouts Timeouts(std::uint32_t baudRate) {
    SerialTimeouts timeouts{};
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = CharacterBitsInMilliseconds / baudRate + 1;
    timeouts.ReadTotalTimeoutConstant =
        TurnaroundBitsInMilliseconds / baudRate + MinimumReadConstant;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = WriteConstant;
    return timeouts;
}

std::uint32_t LongestReadWait(std::uint32_t baudRate, std::uint32_t count) {
    const SerialTimeouts timeouts = Timeouts(baudRate);
    return count * timeouts.ReadTotalTimeoutMultiplier + timeouts.ReadTotalTimeoutConstant;
}

void Apply(SerialPort& port, std::uint32_t baudRate, std::uint8_t parity) {
    if (baudRate == 0) {
        return;
    }
    port.SetLine(ControlFlags, baudRate, ByteSize, parity, StopBits);
    port.SetTimeouts(Timeouts(baudRate));
}

} // namespace ModbusLine
