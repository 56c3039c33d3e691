#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Frames as the tests write them. The CRC here is table-driven, unlike the
// master's bitwise loop, so that the two check each other (the worked frames
// pin both down).
namespace ModbusFrames {

using Bytes = std::vector<std::uint8_t>;

inline std::uint16_t Crc(const std::uint8_t* bytes, std::size_t count) {
    static const auto table = [] {
        std::vector<std::uint16_t> entries(256);
        for (int n = 0; n < 256; ++n) {
            std::uint16_t value = static_cast<std::uint16_t>(n);
            for (int bit = 0; bit < 8; ++bit) {
                value = (value & 1) ? (value >> 1) ^ 0xA001 : value >> 1;
            }
            entries[n] = value;
        }
        return entries;
    }();
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < count; ++i) {
        crc = (crc >> 8) ^ table[(crc ^ bytes[i]) & 0xFF];
    }
    return crc;
}

inline std::uint16_t Crc(const Bytes& bytes) {
    return Crc(bytes.data(), bytes.size());
}

// In place, for loops that must not allocate once their buffers have grown.
inline void AppendCrc(Bytes& bytes) {
    const std::uint16_t crc = Crc(bytes);
    bytes.push_back(crc & 0xFF);
    bytes.push_back(crc >> 8);
}

inline Bytes WithCrc(Bytes bytes) {
    AppendCrc(bytes);
    return bytes;
}

inline Bytes WithBadCrc(Bytes bytes) {
    bytes = WithCrc(bytes);
    bytes.back() ^= 0x01;
    return bytes;
}

// "01 04 00 00 00 04 F1 C9", as the simulated unit reports frames.
inline std::string Hex(const Bytes& bytes) {
    std::string text;
    char part[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(part, sizeof part, "%02X", byte);
        if (!text.empty()) {
            text += ' ';
        }
        text += part;
    }
    return text;
}

} // namespace ModbusFrames
