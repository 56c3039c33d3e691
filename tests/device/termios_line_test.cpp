#include "device/termios_line.h"

#include "device/line_settings.h"
#include "device/modbus_line.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <cstring>

// The line values on the termios record itself, for what a pty does not keep
// (the parity enable bit, the byte size, the modem lines).
namespace {

// A terminal as a previous user may have left it: cooked, echoing, with
// flow control, 7 bits, two stop bits and odd parity at 2400 baud.
termios CookedLine() {
    termios line;
    std::memset(&line, 0, sizeof line);
    line.c_iflag = ICRNL | IXON | IXOFF | INPCK | ISTRIP;
    line.c_oflag = OPOST | ONLCR;
    line.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    line.c_cflag = CS7 | CSTOPB | PARENB | PARODD | CRTSCTS;
    line.c_cc[VSTART] = 0x11;
    line.c_cc[VSTOP] = 0x13;
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 5;
    cfsetispeed(&line, B2400);
    cfsetospeed(&line, B2400);
    return line;
}

struct ParityCase {
    std::uint8_t parity;
    tcflag_t set;
    tcflag_t clear;
};

class ModbusParity : public ::testing::TestWithParam<ParityCase> {};

TEST_P(ModbusParity, RawEightBitsOneStopBitNoFlowControl) {
    termios line = CookedLine();
    TermiosLine::Set(line, ModbusLine::ControlFlags, 19200, ModbusLine::ByteSize, GetParam().parity,
                     ModbusLine::StopBits);
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B19200));
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B19200));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & GetParam().set, GetParam().set);
    EXPECT_EQ(line.c_cflag & GetParam().clear, 0u);
    EXPECT_EQ(line.c_cflag & (CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_EQ(line.c_iflag & (ICRNL | IXON | IXOFF | INPCK | ISTRIP), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_cc[VMIN], 0) << "reads wait through poll, not the line discipline";
    EXPECT_EQ(line.c_cc[VTIME], 0);
    EXPECT_EQ(line.c_cc[VSTART], 0x11);
    EXPECT_EQ(line.c_cc[VSTOP], 0x13);
}

INSTANTIATE_TEST_SUITE_P(Parities, ModbusParity,
                         ::testing::Values(ParityCase{ParityNone, 0, PARENB | PARODD | CMSPAR},
                                           ParityCase{ParityOdd, PARENB | PARODD, CMSPAR},
                                           ParityCase{ParityEven, PARENB, PARODD | CMSPAR},
                                           ParityCase{ParityMark, PARENB | PARODD | CMSPAR, 0}));

TEST(TermiosLine, EveryRateOfTheTableHasItsCode) {
    const speed_t codes[] = {B1200, B2400, B4800, B9600, B19200, B38400, B57600, B115200};
    for (int i = 0; i < BaudRateCount; ++i) {
        termios line = CookedLine();
        TermiosLine::Set(line, ModbusLine::ControlFlags, BaudRateTable[i], 8, ParityNone, 0);
        EXPECT_EQ(cfgetospeed(&line), codes[i]) << BaudRateTable[i];
    }
}

// The flag word's other bits, should a caller ever set them.
TEST(TermiosLine, FlagWordBitsThatTermiosCanShow) {
    constexpr std::uint32_t ParityCheck = 0x0002, CtsFlow = 0x0004, OutX = 0x0100, InX = 0x0200;
    termios line = CookedLine();
    TermiosLine::Set(line, 1 | ParityCheck | CtsFlow | OutX | InX, 9600, 7, ParityEven, 2);
    EXPECT_EQ(line.c_iflag & (INPCK | IXON | IXOFF), static_cast<tcflag_t>(INPCK | IXON | IXOFF));
    EXPECT_EQ(line.c_cflag & (CRTSCTS | CSTOPB), static_cast<tcflag_t>(CRTSCTS | CSTOPB));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
}

// A rate termios cannot name leaves the rate as it was.
TEST(TermiosLine, UnnamedRateKeepsTheRate) {
    termios line = CookedLine();
    TermiosLine::Set(line, 1, 12345, 8, ParityNone, 0);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B2400));
}

struct ModemCase {
    std::uint32_t controlFlags;
    int on;
    int off;
};

class ModemLines : public ::testing::TestWithParam<ModemCase> {};

TEST_P(ModemLines, HeldAsTheFlagWordSays) {
    EXPECT_EQ(TermiosLine::ModemLinesOn(GetParam().controlFlags), GetParam().on);
    EXPECT_EQ(TermiosLine::ModemLinesOff(GetParam().controlFlags), GetParam().off);
}

// DTR control in bits 4-5, RTS control in bits 12-13: 0 off, 1 on, 2 handshake.
INSTANTIATE_TEST_SUITE_P(Controls, ModemLines,
                         ::testing::Values(ModemCase{ModbusLine::ControlFlags, 0,
                                                     TIOCM_DTR | TIOCM_RTS},
                                           ModemCase{1 | 1 << 4, TIOCM_DTR, TIOCM_RTS},
                                           ModemCase{1 | 1 << 12, TIOCM_RTS, TIOCM_DTR},
                                           ModemCase{1 | 2 << 12, 0, TIOCM_DTR}));

} // namespace
