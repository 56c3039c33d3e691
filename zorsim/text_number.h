#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zorsim {

// A whole number in decimal or with a 0x prefix in hex, optionally signed,
// accepted only when it lies within [low, high].
std::optional<std::int64_t> ParseNumber(std::string_view text, std::int64_t low, std::int64_t high);

} // namespace zorsim
