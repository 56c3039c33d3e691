#include "bytes.h"
#include "crc16.h"

#include <gtest/gtest.h>

namespace zorsim {
namespace {

struct CrcCase {
    Bytes body;
    std::uint8_t low;
    std::uint8_t high;
};

const CrcCase CrcCases[] = {
    {{0x01, 0x04, 0x00, 0x00, 0x00, 0x04}, 0xF1, 0xC9}, // read identity
    {{0x01, 0x06, 0x04, 0x10, 0x55, 0xAA}, 0x36, 0x10}, // restart
    {{0x01, 0x84, 0x02}, 0xC2, 0xC1},                   // exception 2
};

TEST(Crc16, KnownFramesGetTheirCheckLowByteFirst) {
    for (const auto& vector : CrcCases) {
        Bytes frame = vector.body;
        AppendCrc(frame);
        ASSERT_EQ(frame.size(), vector.body.size() + 2) << HexText(vector.body);
        EXPECT_EQ(frame[frame.size() - 2], vector.low) << HexText(vector.body);
        EXPECT_EQ(frame[frame.size() - 1], vector.high) << HexText(vector.body);
        EXPECT_TRUE(HasValidCrc(frame)) << HexText(frame);
    }
}

TEST(Crc16, AnySingleBitErrorIsCaught) {
    Bytes frame = CrcCases[0].body;
    AppendCrc(frame);
    for (std::size_t byte = 0; byte < frame.size(); ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes damaged = frame;
            damaged[byte] ^= static_cast<std::uint8_t>(1U << bit);
            EXPECT_FALSE(HasValidCrc(damaged)) << "byte " << byte << " bit " << bit;
        }
    }
}

TEST(Crc16, SwappedCheckBytesAreRejected) {
    Bytes frame = CrcCases[0].body;
    AppendCrc(frame);
    std::swap(frame[frame.size() - 1], frame[frame.size() - 2]);
    EXPECT_FALSE(HasValidCrc(frame));
}

TEST(Crc16, FramesWithoutRoomForACheckAreInvalid) {
    EXPECT_FALSE(HasValidCrc(Bytes{}));
    EXPECT_FALSE(HasValidCrc(Bytes{0xFF, 0xFF})); // the CRC of nothing is 0xFFFF
}

} // namespace
} // namespace zorsim
