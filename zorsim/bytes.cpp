#include "bytes.h"

#include "crc16.h"

namespace zorsim {

namespace {

constexpr int BitsPerByte = 8;
constexpr unsigned LowByteMask = 0xFFU;
constexpr const char* HexDigits = "0123456789ABCDEF";
constexpr int NibbleBits = 4;
constexpr unsigned NibbleMask = 0x0FU;

} // namespace

std::string HexText(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += HexDigits[byte >> NibbleBits];
        text += HexDigits[byte & NibbleMask];
    }
    return text;
}

void AppendCrc(Bytes& frame) {
    std::uint16_t crc = Crc16(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & LowByteMask));
    frame.push_back(static_cast<std::uint8_t>(crc >> BitsPerByte));
}

std::uint16_t Word(std::uint8_t high, std::uint8_t low) {
    return static_cast<std::uint16_t>((high << BitsPerByte) | low);
}

void AppendWord(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value >> BitsPerByte));
    bytes.push_back(static_cast<std::uint8_t>(value & LowByteMask));
}

} // namespace zorsim
