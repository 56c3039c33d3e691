#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zorsim {

using Bytes = std::vector<std::uint8_t>;

// "01 04 00 00": the form of bytes in the state file and the traffic log.
std::string HexText(std::span<const std::uint8_t> bytes);

// Appends the Modbus CRC, low byte first, as a frame goes on the line.
void AppendCrc(Bytes& frame);

std::uint16_t Word(std::uint8_t high, std::uint8_t low);
void AppendWord(Bytes& bytes, std::uint16_t value);

} // namespace zorsim
