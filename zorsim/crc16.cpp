#include "crc16.h"

namespace zorsim {

namespace {

constexpr std::uint16_t CrcInit = 0xFFFF;
constexpr std::uint16_t CrcPolynomial = 0xA001;
constexpr int BitsPerByte = 8;
constexpr std::size_t CrcSize = 2;

} // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = CrcInit;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < BitsPerByte; ++bit) {
            bool carry = (crc & 1U) != 0;
            crc = static_cast<std::uint16_t>(crc >> 1);
            if (carry) {
                crc ^= CrcPolynomial;
            }
        }
    }
    return crc;
}

bool HasValidCrc(std::span<const std::uint8_t> frame) {
    if (frame.size() <= CrcSize) {
        return false;
    }
    std::size_t body = frame.size() - CrcSize;
    std::uint16_t crc = Crc16(frame.first(body));
    return frame[body] == (crc & 0xFFU) && frame[body + 1] == (crc >> BitsPerByte);
}

} // namespace zorsim
