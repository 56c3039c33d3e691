#pragma once

#include <cstdint>
#include <span>

namespace zorsim {

// The Modbus RTU frame check: CRC-16 with the reflected polynomial 0xA001,
// starting from 0xFFFF. On the line the low byte goes first.
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

// True when the last two bytes of the frame are the CRC of the rest.
bool HasValidCrc(std::span<const std::uint8_t> frame);

} // namespace zorsim
