#pragma once

#include <windows.h>

class SerialPort;

// Line set-up of the Modbus link: 8 data bits, 1 stop bit, binary mode with
// every flow control, the DTR and RTS lines and parity checking off, and read
// time-outs long enough for a whole reply at the given rate.
namespace ModbusLine {

// Only fBinary: hardware and XON/XOFF flow control, DTR, RTS and the driver's
// parity check all off.
constexpr DWORD ControlFlags = 1;
constexpr BYTE ByteSize = 8;
constexpr BYTE StopBits = ONESTOPBIT;

// Time-outs for baudRate (not 0): about 11 bit times per byte plus a constant
// that covers the unit's turnaround.
COMMTIMEOUTS Timeouts(DWORD baudRate);

// The longest a Read of count bytes can wait under Timeouts(baudRate), in ms.
DWORD LongestReadWait(DWORD baudRate, DWORD count);

// Line parameters first, then the time-outs. A rate of 0 leaves the line and
// its time-outs as they are.
void Apply(SerialPort& port, DWORD baudRate, BYTE parity);

} // namespace ModbusLine
