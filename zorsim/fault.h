#pragma once

#include "bytes.h"
#include "line_settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace zorsim {

// One injected line fault at a time; it stays until it is changed.
enum class FaultKind { None, Silent, BadCrc, Short, Trickle, Surplus, Delay };

struct Fault {
    FaultKind kind = FaultKind::None;
    int amount = 0; // bytes for short and surplus, milliseconds for trickle and delay

    std::string Text() const; // as the control command writes it: "short 6"
    bool operator==(const Fault&) const = default;
};

// "none", "silent", "badcrc", "short N", "trickle MS", "surplus N", "delay MS".
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

} // namespace zorsim
