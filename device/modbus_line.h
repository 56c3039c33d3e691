#pragma once

#include "device/serial_port.h"
#include "device/serial_timeouts.h"

#include <cstdint>

// Line set-up of the Modbus link: 8 data bits, 1 stop bit, binary mode with
// every flow control, the DTR and RTS lines and parity checking off, and read
// time-outs long enough for a whole reply at the given rate.
namespace ModbusLine {

// Only fBinary: hardware and XON/XOFF flow control, DTR, RTS and the driver's
// parity check all off.
constexpr std::uint32_t ControlFlags = 1;
constexpr std::uint8_t ByteSize = 8;
constexpr std::uint8_t StopBits = SerialPort::OneStopBit;

// Time-outs for baudRate (not 0): about 11 bit times per byte plus a constant
// that covers the unit's turnaround.
SerialTimeouts Timeouts(std::uint32_t baudRate);

// The longest a Read of count bytes can wait under Timeouts(baudRate), in ms.
std::uint32_t LongestReadWait(std::uint32_t baudRate, std::uint32_t count);

// Line parameters first, then the time-outs. A rate of 0 leaves the line and
// its time-outs as they are.
void Apply(SerialPort& port, std::uint32_t baudRate, std::uint8_t parity);

} // namespace ModbusLine
