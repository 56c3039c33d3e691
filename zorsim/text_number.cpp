#include "text_number.h"

#include <charconv>

namespace zorsim {

namespace {

constexpr int Decimal = 10;
constexpr int Hexadecimal = 16;
constexpr std::string_view HexPrefix = "0x";
constexpr std::string_view HexPrefixUpper = "0X";

} // namespace

std::optional<std::int64_t> ParseNumber(std::string_view text, std::int64_t low,
                                        std::int64_t high) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = Decimal;
    if (text.starts_with(HexPrefix) || text.starts_with(HexPrefixUpper)) {
        base = Hexadecimal;
        text.remove_prefix(HexPrefix.size());
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size() || magnitude > INT64_MAX) {
        return std::nullopt;
    }
    auto value = static_cast<std::int64_t>(magnitude);
    if (negative) {
        value = -value;
    }
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

} // namespace zorsim
