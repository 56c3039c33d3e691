#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

struct termios;

namespace zorsim {

using Micros = std::chrono::microseconds;

// The rates behind the baud-rate index of register 513.
inline constexpr std::array<int, 8> BaudRates = {1200,  2400,  4800,  9600,
                                                 19200, 38400, 57600, 115200};

// Parity index of register 514.
enum class Parity { None = 0, Odd = 1, Even = 2, Mark = 3 };
inline constexpr int ParityCount = 4;

// A unit's bus line: indices as the registers hold them.
struct LineSettings {
    int baudIndex = 0;
    int parityIndex = 0;

    int BaudRate() const;
    bool HasParity() const;
    std::string Text() const; // "19200 E"
    bool operator==(const LineSettings&) const = default;
};

bool IsBaudIndex(int index);
bool IsParityIndex(int index);
std::optional<int> BaudIndexOf(int rate);
std::optional<int> ParityIndexOf(std::string_view name); // none, odd, even, mark
char ParityLetter(int parityIndex);

// Time of one character on a real line: start, 8 data, parity if any, stop.
Micros CharacterTime(const LineSettings& line);

// The silence that ends a frame: 3.5 characters, but never less than the
// floor, since a pty delivers a frame in one piece and the scheduler's
// wake-up jitter on a loaded machine is near a millisecond.
Micros FrameSilence(const LineSettings& line);
inline constexpr Micros FrameSilenceFloor{2000};

// The wire time of a request of `size` bytes plus the 3.5 characters a unit
// must wait after it: the earliest moment a paced reply may start, counted
// from the request's first byte.
Micros PacedReplyOffset(const LineSettings& line, std::size_t size);

// What the termios of the tool's end of the line says: the rate (0 when the
// speed has no number) and the parity letter N, O, E, M (mark) or S (space).
// On a pty even parity reads as N, since the pty keeps no PARENB.
struct ToolLine {
    int baudRate = 0;
    char parity = 'N';
    std::string flags = "-"; // the parity flags as termios holds them

    std::string Text() const;
    bool Matches(const LineSettings& unit) const;
};

// An arbitrary rate (see arbitrary_speed.h) stands in for the speed code,
// which then names no rate.
ToolLine DecodeToolLine(const termios& settings, std::optional<int> arbitraryRate = std::nullopt);

} // namespace zorsim
