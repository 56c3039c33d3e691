#pragma once

#include "bytes.h"
#include "line_settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace zorsim {

// One injected line fault at a time; it stays until it is changed (or, as
// a one-shot fault, until the next reply has gone out).
enum class FaultKind {
    None,
    Silent,
    BadCrc,
    Short,
    Trickle,
    Surplus,
    Delay,
    Garbage,  // noise bytes on the line just before the reply
    Address,  // the reply claims another unit address
    Function, // the reply carries another function code
};

struct Fault {
    // Bytes for short, surplus and garbage, milliseconds for trickle and
    // delay, the byte put in for address and function.
    FaultKind kind = FaultKind::None;
    int amount = 0;

    std::string Text() const; // as the control command writes it: "short 6"
    bool operator==(const Fault&) const = default;
};

// "none", "silent", "badcrc", "short N", "trickle MS", "surplus N", "delay MS",
// "garbage N", "address N", "function N".
std::optional<Fault> ParseFault(std::string_view text);

// How a reply goes out: after a delay, then byte after byte with a gap
// between them (all at once when the gap is zero).
struct Transmission {
    Micros delay{0};
    Micros gap{0};
    Bytes bytes;
};

// The reply as the fault lets it out; nothing for a silent unit.
std::optional<Transmission> Shape(const Bytes& reply, const Fault& fault);

// What surplus bytes carry: an idle line reads as all ones.
inline constexpr std::uint8_t SurplusByte = 0xFF;

// The noise that garbage puts before a reply: byte i of it.
std::uint8_t GarbageByte(std::size_t index);

} // namespace zorsim
