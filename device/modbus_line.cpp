#include "device/modbus_line.h"

#include "device/serial_port.h"

namespace {

// Bit times of one character with parity, scaled to milliseconds.
constexpr DWORD CharacterBitsInMilliseconds = 11000;
// Extra wait for the unit to turn the request round, scaled by the rate.
constexpr DWORD TurnaroundBitsInMilliseconds = 300000;
constexpr DWORD MinimumReadConstant = 100;
constexpr DWORD WriteConstant = 100;

} // namespace

namespace ModbusLine {

COMMTIMEOUTS Timeouts(DWORD baudRate) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = CharacterBitsInMilliseconds / baudRate + 1;
    timeouts.ReadTotalTimeoutConstant =
        TurnaroundBitsInMilliseconds / baudRate + MinimumReadConstant;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = WriteConstant;
    return timeouts;
}

DWORD LongestReadWait(DWORD baudRate, DWORD count) {
    const COMMTIMEOUTS timeouts = Timeouts(baudRate);
    return count * timeouts.ReadTotalTimeoutMultiplier + timeouts.ReadTotalTimeoutConstant;
}

void Apply(SerialPort& port, DWORD baudRate, BYTE parity) {
    if (baudRate == 0) {
        return;
    }
    port.SetLine(ControlFlags, baudRate, ByteSize, parity, StopBits);
    port.SetTimeouts(Timeouts(baudRate));
}

} // namespace ModbusLine
