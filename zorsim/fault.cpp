#include "fault.h"

#include "bytes.h"
#include "text_number.h"

#include <algorithm>
#include <array>
#include <utility>

namespace zorsim {

namespace {

constexpr std::int64_t LargestAmount = 600000;
constexpr std::int64_t LargestByte = 0xFF;
constexpr std::int64_t NoAmount = 0;
constexpr std::size_t CrcSize = 2;
constexpr std::size_t AddressOffset = 0;
constexpr std::size_t FunctionOffset = 1;
constexpr std::uint8_t AllBits = 0xFF;
// Noise that looks like nothing in particular, and never like a whole frame.
constexpr unsigned GarbageStart = 0x5A;
constexpr unsigned GarbageStep = 0x3B;

struct FaultName {
    FaultKind kind;
    std::string_view name;
    std::int64_t largest; // NoAmount: the fault takes no amount
};

constexpr std::array<FaultName, 10> FaultNames = {{
    {FaultKind::None, "none", NoAmount},
    {FaultKind::Silent, "silent", NoAmount},
    {FaultKind::BadCrc, "badcrc", NoAmount},
    {FaultKind::Short, "short", LargestAmount},
    {FaultKind::Trickle, "trickle", LargestAmount},
    {FaultKind::Surplus, "surplus", LargestAmount},
    {FaultKind::Delay, "delay", LargestAmount},
    {FaultKind::Garbage, "garbage", LargestAmount},
    {FaultKind::Address, "address", LargestByte},
    {FaultKind::Function, "function", LargestByte},
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

// A reply that is whole and checks out, only from another unit or function.
void Rewrite(Bytes& reply, std::size_t offset, int value) {
    if (reply.size() <= offset + CrcSize) {
        return;
    }
    reply[offset] = static_cast<std::uint8_t>(value);
    reply.resize(reply.size() - CrcSize);
    AppendCrc(reply);
}

} // namespace

std::string Fault::Text() const {
    const auto& entry = NameOf(kind);
    std::string text(entry.name);
    if (entry.largest != NoAmount) {
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
        if (entry.largest == NoAmount) {
            return rest.empty() ? std::optional(Fault{entry.kind, 0}) : std::nullopt;
        }
        auto amount = ParseNumber(rest, 0, entry.largest);
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
    case FaultKind::Garbage: {
        Bytes noise(amount);
        for (std::size_t i = 0; i < amount; ++i) {
            noise[i] = GarbageByte(i);
        }
        out.bytes.insert(out.bytes.begin(), noise.begin(), noise.end());
        break;
    }
    case FaultKind::Address:
        Rewrite(out.bytes, AddressOffset, fault.amount);
        break;
    case FaultKind::Function:
        Rewrite(out.bytes, FunctionOffset, fault.amount);
        break;
    }
    return out;
}

std::uint8_t GarbageByte(std::size_t index) {
    return static_cast<std::uint8_t>(GarbageStart + GarbageStep * index);
}

} // namespace zorsim
