#pragma once

#include <termios.h>

#include <cstdint>

// The serial port's line values (the flag word of the Windows DCB, the rate,
// the byte size, the parity and stop-bit codes) as a termios record and
// modem-line bits, for the POSIX serial port.
namespace TermiosLine {

// Raw bytes (no echo, no translation, no signals, reads that wait for
// nothing) whatever the flag word says, since a terminal's line discipline has
// no place on a bus; then the given values. A rate or size termios does not
// name leaves that setting as it was; the special characters are kept.
void Set(termios& line, std::uint32_t controlFlags, std::uint32_t baudRate, std::uint8_t byteSize,
         std::uint8_t parity, std::uint8_t stopBits);

// The modem lines (TIOCM_DTR, TIOCM_RTS) that the flag word holds on, and
// those it holds off; a line under handshake is in neither.
int ModemLinesOn(std::uint32_t controlFlags);
int ModemLinesOff(std::uint32_t controlFlags);

} // namespace TermiosLine
