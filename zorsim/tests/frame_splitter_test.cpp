#include "frame_splitter.h"

#include "bytes.h"

#include <gtest/gtest.h>

namespace zorsim {
namespace {

Bytes Framed(Bytes body) {
    AppendCrc(body);
    return body;
}

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const Bytes ReadIdentity = Framed({0x01, 0x04, 0x00, 0x00, 0x00, 0x04});
const Bytes WriteCorrection = Framed({0x01, 0x06, 0x01, 0x00, 0x00, 0x64});
const Bytes OddFunction = Framed({0x01, 0x11});
const Bytes Noise = {0x00, 0xFF, 0x13, 0x37, 0x42};

struct SplitCase {
    const char* name;
    Bytes burst;
    std::vector<FramePiece> pieces;
};

TEST(FrameSplitter, FindsFramesAndSetsGarbageApart) {
    const SplitCase cases[] = {
        {"one request", ReadIdentity, {{ReadIdentity, true}}},
        {"other function, any length", OddFunction, {{OddFunction, true}}},
        {"noise only", Noise, {{Noise, false}}},
        {"noise before a request",
         Joined({Noise, ReadIdentity}),
         {{Noise, false}, {ReadIdentity, true}}},
        {"request then noise",
         Joined({ReadIdentity, Noise}),
         {{ReadIdentity, true}, {Noise, false}}},
        {"two requests back to back",
         Joined({ReadIdentity, WriteCorrection}),
         {{ReadIdentity, true}, {WriteCorrection, true}}},
        {"noise between requests",
         Joined({ReadIdentity, Noise, WriteCorrection}),
         {{ReadIdentity, true}, {Noise, false}, {WriteCorrection, true}}},
        {"a request cut short",
         Bytes(ReadIdentity.begin(), ReadIdentity.begin() + 5),
         {{Bytes(ReadIdentity.begin(), ReadIdentity.begin() + 5), false}}},
    };
    for (const auto& c : cases) {
        auto pieces = SplitBurst(c.burst);
        ASSERT_EQ(pieces.size(), c.pieces.size()) << c.name;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            EXPECT_EQ(pieces[i].bytes, c.pieces[i].bytes) << c.name << " piece " << i;
            EXPECT_EQ(pieces[i].frame, c.pieces[i].frame) << c.name << " piece " << i;
        }
    }
}

TEST(FrameSplitter, ARequestWithABadCheckIsGarbage) {
    Bytes damaged = ReadIdentity;
    damaged[3] ^= 0x01;
    auto pieces = SplitBurst(damaged);
    ASSERT_EQ(pieces.size(), 1U);
    EXPECT_FALSE(pieces[0].frame);
}

TEST(FrameSplitter, AnEmptyBurstHasNoPieces) {
    EXPECT_TRUE(SplitBurst(Bytes{}).empty());
}

} // namespace
} // namespace zorsim
