#include "line_settings.h"

#include <gtest/gtest.h>

#include <termios.h>

namespace zorsim {
namespace {

TEST(LineSettings, CharacterTimeCountsTheParityBit) {
    EXPECT_EQ(CharacterTime({4, 2}).count(), 11 * 1000000 / 19200); // 19200 E
    EXPECT_EQ(CharacterTime({3, 0}).count(), 10 * 1000000 / 9600);  // 9600 N
    EXPECT_EQ(CharacterTime({0, 3}).count(), 11 * 1000000 / 1200);  // 1200 M
}

TEST(LineSettings, FrameSilenceIsThreeAndAHalfCharactersAboveTheFloor) {
    EXPECT_EQ(FrameSilence({0, 2}).count(), 32081);     // 1200 E
    EXPECT_EQ(FrameSilence({3, 0}).count(), 3643);      // 9600 N
    EXPECT_EQ(FrameSilence({7, 2}), FrameSilenceFloor); // 115200 E
    EXPECT_EQ(FrameSilence({4, 2}).count(), 2002);      // 19200 E, just above
}

TEST(LineSettings, PacedReplyWaitsForTheRequestAndTheGap) {
    // 8 request bytes + 3.5 characters at 9600 N.
    EXPECT_EQ(PacedReplyOffset({3, 0}, 8).count(), 11971);
}

TEST(LineSettings, NamesAndRatesMapToIndices) {
    EXPECT_EQ(BaudIndexOf(19200), 4);
    EXPECT_EQ(BaudIndexOf(115200), 7);
    EXPECT_FALSE(BaudIndexOf(14400));
    EXPECT_EQ(ParityIndexOf("mark"), 3);
    EXPECT_FALSE(ParityIndexOf("space"));
    EXPECT_EQ((LineSettings{4, 2}.Text()), "19200 E");
}

struct TermiosCase {
    speed_t speed;
    tcflag_t flags;
    const char* text;
};

TEST(LineSettings, ToolLineReadsBaudAndParityFromTermios) {
    const TermiosCase cases[] = {
        {B19200, PARENB, "19200 E"},
        {B9600, PARENB | PARODD, "9600 O"},
        {B1200, 0, "1200 N"},
        {B115200, PARENB | PARODD | CMSPAR, "115200 M"},
        {B4800, PARENB | CMSPAR, "4800 S"},
        // What a pty leaves of odd, mark and space: PARENB is gone.
        {B2400, PARODD, "2400 O"},
        {B2400, PARODD | CMSPAR, "2400 M"},
        {B2400, CMSPAR, "2400 S"},
    };
    for (const auto& c : cases) {
        termios settings{};
        cfmakeraw(&settings);
        cfsetospeed(&settings, c.speed);
        cfsetispeed(&settings, c.speed);
        settings.c_cflag |= c.flags;
        EXPECT_EQ(DecodeToolLine(settings).Text(), c.text);
    }
}

TEST(LineSettings, ToolLineMatchesOnlyTheSameRateAndParity) {
    ToolLine tool{19200, 'E'};
    EXPECT_TRUE(tool.Matches({4, 2}));
    EXPECT_FALSE(tool.Matches({4, 1}));
    EXPECT_FALSE(tool.Matches({3, 2}));
    EXPECT_FALSE((ToolLine{19200, 'S'}.Matches({4, 3})));
}

TEST(LineSettings, OnAPtyNoParityAlsoMatchesEven) {
    EXPECT_TRUE((ToolLine{9600, 'N'}.Matches({3, 2})));
    EXPECT_TRUE((ToolLine{9600, 'N'}.Matches({3, 0})));
    EXPECT_FALSE((ToolLine{9600, 'N'}.Matches({3, 1})));
    EXPECT_FALSE((ToolLine{9600, 'E'}.Matches({3, 0})));
}

} // namespace
} // namespace zorsim
