#include "line_settings.h"

#include <termios.h>

#include <algorithm>

#include <utility>

namespace zorsim {

namespace {

constexpr int BitsWithoutParity = 10;
constexpr int BitsWithParity = 11;
constexpr double SilenceCharacters = 3.5;
constexpr long long MicrosPerSecond = 1000000;
constexpr std::array<char, ParityCount> ParityLetters = {'N', 'O', 'E', 'M'};
constexpr std::array<std::string_view, ParityCount> ParityNames = {"none", "odd", "even", "mark"};

constexpr std::pair<speed_t, int> SpeedTable[] = {
    {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

int RateOfSpeed(speed_t speed) {
    for (const auto& [code, rate] : SpeedTable) {
        if (code == speed) {
            return rate;
        }
    }
    return 0;
}

// A pty drops PARENB from every termios change, but keeps PARODD and
// CMSPAR: those still tell odd, mark and space apart. Even parity leaves
// nothing behind and reads as none.
char ParityOfFlags(tcflag_t flags) {
    bool enabled = (flags & PARENB) != 0;
    bool odd = (flags & PARODD) != 0;
    bool stick = (flags & CMSPAR) != 0;
    if (stick) {
        return odd ? 'M' : 'S';
    }
    if (odd) {
        return 'O';
    }
    return enabled ? 'E' : 'N';
}

std::string FlagText(tcflag_t flags) {
    constexpr std::pair<tcflag_t, const char*> Names[] = {
        {PARENB, "PARENB"}, {PARODD, "PARODD"}, {CMSPAR, "CMSPAR"}};
    std::string text;
    for (const auto& [flag, name] : Names) {
        if ((flags & flag) != 0) {
            text += text.empty() ? "" : " ";
            text += name;
        }
    }
    return text.empty() ? "-" : text;
}

} // namespace

int LineSettings::BaudRate() const {
    return BaudRates[static_cast<std::size_t>(baudIndex)];
}

bool LineSettings::HasParity() const {
    return parityIndex != static_cast<int>(Parity::None);
}

std::string LineSettings::Text() const {
    return std::to_string(BaudRate()) + ' ' + ParityLetter(parityIndex);
}

bool IsBaudIndex(int index) {
    return index >= 0 && index < static_cast<int>(BaudRates.size());
}

bool IsParityIndex(int index) {
    return index >= 0 && index < ParityCount;
}

std::optional<int> BaudIndexOf(int rate) {
    for (std::size_t i = 0; i < BaudRates.size(); ++i) {
        if (BaudRates[i] == rate) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

std::optional<int> ParityIndexOf(std::string_view name) {
    for (std::size_t i = 0; i < ParityNames.size(); ++i) {
        if (ParityNames[i] == name) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

char ParityLetter(int parityIndex) {
    return IsParityIndex(parityIndex) ? ParityLetters[static_cast<std::size_t>(parityIndex)] : '?';
}

Micros CharacterTime(const LineSettings& line) {
    int bits = line.HasParity() ? BitsWithParity : BitsWithoutParity;
    return Micros(bits * MicrosPerSecond / line.BaudRate());
}

Micros FrameSilence(const LineSettings& line) {
    auto silence = Micros(static_cast<long long>(static_cast<double>(CharacterTime(line).count()) *
                                                 SilenceCharacters));
    return std::max(silence, FrameSilenceFloor);
}

Micros PacedReplyOffset(const LineSettings& line, std::size_t size) {
    double characters = static_cast<double>(size) + SilenceCharacters;
    return Micros(
        static_cast<long long>(static_cast<double>(CharacterTime(line).count()) * characters));
}

std::string ToolLine::Text() const {
    return std::to_string(baudRate) + ' ' + parity;
}

bool ToolLine::Matches(const LineSettings& unit) const {
    char expected = ParityLetter(unit.parityIndex);
    bool evenLooksNone = parity == 'N' && expected == 'E'; // see ParityOfFlags
    return baudRate == unit.BaudRate() && (parity == expected || evenLooksNone);
}

ToolLine DecodeToolLine(const termios& settings, std::optional<int> arbitraryRate) {
    int rate = arbitraryRate ? *arbitraryRate : RateOfSpeed(cfgetospeed(&settings));
    return ToolLine{rate, ParityOfFlags(settings.c_cflag), FlagText(settings.c_cflag)};
}

} // namespace zorsim
