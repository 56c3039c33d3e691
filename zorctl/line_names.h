#pragma once

#include "device/line_settings.h"

#include <cstdint>
#include <optional>
#include <string>

// Names of the line settings as zorctl writes and reads them: parities as the
// words none, odd, even and mark; baud rates as their bits per second.
namespace line_names {

inline constexpr std::uint8_t LowestAddress = 1;
inline constexpr std::uint8_t HighestAddress = 247;
inline constexpr int ParityCount = 4;

// "none", "odd", "even", "mark"; an index beyond them gives "parity N".
std::string ParityName(std::uint8_t parityIndex);
// The index of a parity word in any letter case.
std::optional<std::uint8_t> ParityIndex(const std::string& name);

// The rate of a baud-rate index, or none beyond the table.
std::optional<std::uint32_t> BaudRate(std::uint8_t baudIndex);
// "19200"; an index beyond the table gives "baud index N".
std::string BaudText(std::uint8_t baudIndex);
// The index of a rate of the table.
std::optional<std::uint8_t> BaudIndex(std::uint32_t rate);

// "address 1, 19200 baud, even parity".
std::string LineText(const LineSettings& line);

} // namespace line_names
