#include "device/termios_line.h"

#include <sys/ioctl.h>

namespace {

// Bits of the control flag word (the DCB's bit fields) that termios can show.
constexpr std::uint32_t FlagParityCheck = 0x0002;
constexpr std::uint32_t FlagCtsFlow = 0x0004;
constexpr int DtrControlShift = 4;
constexpr std::uint32_t FlagOutX = 0x0100;
constexpr std::uint32_t FlagInX = 0x0200;
constexpr int RtsControlShift = 12;
constexpr std::uint32_t LineControlMask = 0x3;
constexpr std::uint32_t LineControlEnable = 1;
constexpr std::uint32_t RtsControlHandshake = 2;

// Parity and stop-bit codes of the interface.
constexpr std::uint8_t NoParity = 0;
constexpr std::uint8_t OddParity = 1;
constexpr std::uint8_t MarkParity = 3;
constexpr std::uint8_t SpaceParity = 4;
constexpr std::uint8_t TwoStopBits = 2;

struct RateCode {
    std::uint32_t rate;
    speed_t code;
};

constexpr RateCode RateCodes[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

struct SizeCode {
    std::uint8_t bits;
    tcflag_t code;
};

constexpr SizeCode SizeCodes[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};

std::uint32_t DtrControl(std::uint32_t controlFlags) {
    return (controlFlags >> DtrControlShift) & LineControlMask;
}

std::uint32_t RtsControl(std::uint32_t controlFlags) {
    return (controlFlags >> RtsControlShift) & LineControlMask;
}

void SetBits(tcflag_t& word, tcflag_t bits, bool on) {
    word = on ? (word | bits) : (word & ~bits);
}

void SetRate(termios& line, std::uint32_t baudRate) {
    for (const RateCode& entry : RateCodes) {
        if (entry.rate == baudRate) {
            cfsetispeed(&line, entry.code);
            cfsetospeed(&line, entry.code);
            return;
        }
    }
}

void SetByteSize(termios& line, std::uint8_t byteSize) {
    for (const SizeCode& entry : SizeCodes) {
        if (entry.bits == byteSize) {
            line.c_cflag = (line.c_cflag & ~CSIZE) | entry.code;
            return;
        }
    }
}

// Mark and space parity are a fixed parity bit (CMSPAR), set by PARODD for mark.
void SetParity(termios& line, std::uint8_t parity) {
    SetBits(line.c_cflag, PARENB, parity != NoParity);
    SetBits(line.c_cflag, PARODD, parity == OddParity || parity == MarkParity);
    SetBits(line.c_cflag, CMSPAR, parity == MarkParity || parity == SpaceParity);
}

void SetFlowControl(termios& line, std::uint32_t controlFlags) {
    const std::uint32_t rts = RtsControl(controlFlags);
    SetBits(line.c_iflag, INPCK, (controlFlags & FlagParityCheck) != 0);
    SetBits(line.c_cflag, CRTSCTS, (controlFlags & FlagCtsFlow) != 0 || rts == RtsControlHandshake);
    SetBits(line.c_iflag, IXON, (controlFlags & FlagOutX) != 0);
    SetBits(line.c_iflag, IXOFF, (controlFlags & FlagInX) != 0);
}

} // namespace

namespace TermiosLine {

void Set(termios& line, std::uint32_t controlFlags, std::uint32_t baudRate, std::uint8_t byteSize,
         std::uint8_t parity, std::uint8_t stopBits) {
    cfmakeraw(&line);
    line.c_cflag |= CLOCAL | CREAD;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    SetRate(line, baudRate);
    SetByteSize(line, byteSize);
    SetParity(line, parity);
    SetBits(line.c_cflag, CSTOPB, stopBits == TwoStopBits);
    SetFlowControl(line, controlFlags);
}

int ModemLinesOn(std::uint32_t controlFlags) {
    int on = DtrControl(controlFlags) == LineControlEnable ? TIOCM_DTR : 0;
    if (RtsControl(controlFlags) == LineControlEnable) {
        on |= TIOCM_RTS;
    }
    return on;
}

int ModemLinesOff(std::uint32_t controlFlags) {
    int off = DtrControl(controlFlags) == LineControlEnable ? 0 : TIOCM_DTR;
    const std::uint32_t rts = RtsControl(controlFlags);
    if (rts != LineControlEnable && rts != RtsControlHandshake) {
        off |= TIOCM_RTS;
    }
    return off;
}

} // namespace TermiosLine
