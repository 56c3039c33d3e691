#include "arbitrary_speed.h"

// The kernel's own termios2 is declared here alone: the C library's
// <termios.h> declares a struct termios of its own that clashes with it.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace zorsim {

std::optional<int> ArbitraryOutputRate(int fd) {
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0 || (settings.c_cflag & CBAUD) != BOTHER) {
        return std::nullopt;
    }
    return static_cast<int>(settings.c_ospeed);
}

bool SetArbitraryRate(int fd, int rate) {
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return false;
    }
    settings.c_cflag =
        (settings.c_cflag & ~(CBAUD | (CBAUD << IBSHIFT))) | BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = static_cast<speed_t>(rate);
    settings.c_ospeed = static_cast<speed_t>(rate);
    return ioctl(fd, TCSETS2, &settings) == 0;
}

} // namespace zorsim
