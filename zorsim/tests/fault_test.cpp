#include "fault.h"

#include "crc16.h"

#include <gtest/gtest.h>

namespace zorsim {
namespace {

struct FaultText {
    const char* text;
    FaultKind kind;
    int amount;
};

TEST(Fault, ParsesEveryKindAndWritesItBackTheSameWay) {
    const FaultText cases[] = {
        {"none", FaultKind::None, 0},           {"silent", FaultKind::Silent, 0},
        {"badcrc", FaultKind::BadCrc, 0},       {"short 6", FaultKind::Short, 6},
        {"trickle 20", FaultKind::Trickle, 20}, {"surplus 3", FaultKind::Surplus, 3},
        {"delay 1500", FaultKind::Delay, 1500}, {"garbage 4", FaultKind::Garbage, 4},
        {"address 2", FaultKind::Address, 2},   {"function 3", FaultKind::Function, 3},
    };
    for (const auto& c : cases) {
        auto fault = ParseFault(c.text);
        ASSERT_TRUE(fault) << c.text;
        EXPECT_EQ(fault->kind, c.kind) << c.text;
        EXPECT_EQ(fault->amount, c.amount) << c.text;
        EXPECT_EQ(fault->Text(), c.text);
    }
}

TEST(Fault, RejectsMalformedText) {
    for (const char* text :
         {"", "loud", "short", "short x", "short -1", "delay 5ms", "silent 3", "badcrc now",
          "trickle 1000000", "address 256", "function", "garbage x"}) {
        EXPECT_FALSE(ParseFault(text)) << text;
    }
}

class FaultShape : public ::testing::Test {
protected:
    // A read reply of two registers with its CRC: 9 bytes.
    Bytes reply_ = [] {
        Bytes bytes{0x01, 0x04, 0x04, 0x08, 0xA7, 0x11, 0xA8};
        AppendCrc(bytes);
        return bytes;
    }();
};

TEST_F(FaultShape, NoFaultSendsTheReplyAtOnce) {
    auto out = Shape(reply_, {});
    ASSERT_TRUE(out);
    EXPECT_EQ(out->bytes, reply_);
    EXPECT_EQ(out->delay.count(), 0);
    EXPECT_EQ(out->gap.count(), 0);
}

TEST_F(FaultShape, SilentSendsNothing) {
    EXPECT_FALSE(Shape(reply_, {FaultKind::Silent, 0}));
}

TEST_F(FaultShape, BadCrcKeepsTheDataButBreaksTheCheck) {
    auto out = Shape(reply_, {FaultKind::BadCrc, 0});
    ASSERT_TRUE(out);
    ASSERT_EQ(out->bytes.size(), reply_.size());
    EXPECT_TRUE(std::equal(reply_.begin(), reply_.end() - 2, out->bytes.begin()));
    EXPECT_FALSE(HasValidCrc(out->bytes));
}

TEST_F(FaultShape, ShortCutsTheReplyButNeverLengthensIt) {
    EXPECT_EQ(Shape(reply_, {FaultKind::Short, 6})->bytes,
              Bytes(reply_.begin(), reply_.begin() + 6));
    EXPECT_EQ(Shape(reply_, {FaultKind::Short, 3})->bytes,
              Bytes(reply_.begin(), reply_.begin() + 3));
    EXPECT_TRUE(Shape(reply_, {FaultKind::Short, 0})->bytes.empty());
    EXPECT_EQ(Shape(reply_, {FaultKind::Short, 50})->bytes, reply_);
}

TEST_F(FaultShape, SurplusAppendsIdleBytesAfterAnIntactReply) {
    auto out = Shape(reply_, {FaultKind::Surplus, 3});
    ASSERT_EQ(out->bytes.size(), reply_.size() + 3);
    EXPECT_TRUE(HasValidCrc(Bytes(out->bytes.begin(), out->bytes.begin() + 9)));
    EXPECT_EQ(out->bytes.back(), SurplusByte);
}

TEST_F(FaultShape, TrickleAndDelaySetTheTimingOnly) {
    auto trickle = Shape(reply_, {FaultKind::Trickle, 20});
    EXPECT_EQ(trickle->bytes, reply_);
    EXPECT_EQ(trickle->gap, std::chrono::milliseconds(20));
    EXPECT_EQ(trickle->delay.count(), 0);
    auto delay = Shape(reply_, {FaultKind::Delay, 1500});
    EXPECT_EQ(delay->bytes, reply_);
    EXPECT_EQ(delay->delay, std::chrono::milliseconds(1500));
    EXPECT_EQ(delay->gap.count(), 0);
}

TEST_F(FaultShape, GarbageGoesJustBeforeAnIntactReply) {
    auto out = Shape(reply_, {FaultKind::Garbage, 3});
    ASSERT_EQ(out->bytes.size(), reply_.size() + 3);
    EXPECT_EQ(Bytes(out->bytes.begin(), out->bytes.begin() + 3),
              (Bytes{GarbageByte(0), GarbageByte(1), GarbageByte(2)}));
    EXPECT_EQ(Bytes(out->bytes.begin() + 3, out->bytes.end()), reply_);
    // Noise that repeats one byte would read as an idle line or a break.
    EXPECT_NE(GarbageByte(0), GarbageByte(1));
}

// A reply from another unit, or to another function, is whole and sound:
// only the one byte differs, and the CRC is made for it.
TEST_F(FaultShape, AddressAndFunctionRewriteOneByteAndKeepTheCrcValid) {
    struct Case {
        Fault fault;
        std::size_t offset;
        std::uint8_t value;
    };
    for (const Case& c : {Case{{FaultKind::Address, 2}, 0, 2}, Case{{FaultKind::Function, 3}, 1, 3},
                          Case{{FaultKind::Address, 0}, 0, 0}}) {
        SCOPED_TRACE(c.fault.Text());
        auto out = Shape(reply_, c.fault);
        ASSERT_EQ(out->bytes.size(), reply_.size());
        EXPECT_TRUE(HasValidCrc(out->bytes));
        for (std::size_t i = 0; i + 2 < reply_.size(); ++i) {
            EXPECT_EQ(out->bytes[i], i == c.offset ? c.value : reply_[i]) << "byte " << i;
        }
    }
}

TEST_F(FaultShape, AddressAndFunctionLeaveAFrameTooShortToRewriteAlone) {
    const Bytes stub{0x01, 0x04};
    EXPECT_EQ(Shape(stub, {FaultKind::Function, 3})->bytes, stub);
}

} // namespace
} // namespace zorsim
