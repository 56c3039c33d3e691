#include "fault.h"

#include "text_number.h"

#include <algorithm>
#include <array>
#include <utility>

namespace zorsim {

namespace {

constexpr std::int64_t LargestAmount = 600000;
constexpr std::size_t CrcSize = 2;
constexpr std::uint8_t AllBits = 0xFF;

struct FaultName {
    FaultKind kind;
    std::string_view name;
    bool takesAmount;
};

constexpr std::array<FaultName, 7> FaultNames = {{
    {FaultKind::None, "none", false},
    {FaultKind::Silent, "silent", false},
    {FaultKind::BadCrc, "badcrc", false},
    {FaultKind::Short, "short", true},
    {FaultKind::Trickle, "trickle", true},
    {FaultKind::Surplus, "surplus", true},
    {FaultKind::Delay, "delay", true},
}};

const FaultName& NameOf(FaultKind kind) {
    for (const auto& entry : FaultNames) {
        if (entry.kind == kind) {
            return entry;
        }
    }
    return FaultNames.front();
}

std::pair<std::string_view, std::string_view> SplitWord(std::string_view text) {
    auto space = text.find(' ');
    if (space == std::string_view::npos) {
        return {text, {}};
    }
    auto rest = text.substr(space + 1);
    while (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    return {text.substr(0, space), rest};
}

Micros Millis(int amount) {
    return std::chrono::milliseconds(amount);
}

} // namespace

std::string Fault::Text() const {
    const auto& entry = NameOf(kind);
    std::string text(entry.name);
    if (entry.takesAmount) {
        text += ' ' + std::to_string(amount);
    }
    return text;
}

std::optional<Fault> ParseFault(std::string_view text) {
    auto [word, rest] = SplitWord(text);
    for (const auto& entry : FaultNames) {
        if (entry.name != word) {
            continue;
        }
        if (!entry.takesAmount) {
            return rest.empty() ? std::optional(Fault{entry.kind, 0}) : std::nullopt;
        }
        auto amount = ParseNumber(rest, 0, LargestAmount);
        if (!amount) {
            return std::nullopt;
        }
        return Fault{entry.kind, static_cast<int>(*amount)};
    }
    return std::nullopt;
}

std::optional<Transmission> Shape(const Bytes& reply, const Fault& fault) {
    Transmission out{Micros(0), Micros(0), reply};
    auto amount = static_cast<std::size_t>(fault.amount);
    switch (fault.kind) {
    case FaultKind::None:
        break;
    case FaultKind::Silent:
        return std::nullopt;
    case FaultKind::BadCrc:
        if (out.bytes.size() >= CrcSize) {
            out.bytes[out.bytes.size() - 1] ^= AllBits;
            out.bytes[out.bytes.size() - CrcSize] ^= AllBits;
        }
        break;
    case FaultKind::Short:
        out.bytes.resize(std::min(amount, out.bytes.size()));
        break;
    case FaultKind::Trickle:
        out.gap = Millis(fault.amount);
        break;
    case FaultKind::Surplus:
        out.bytes.insert(out.bytes.end(), amount, SurplusByte);
        break;
    case FaultKind::Delay:
        out.delay = Millis(fault.amount);
        break;
    }
    return out;
}

} // namespace zorsim
