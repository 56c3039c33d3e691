#pragma once

#include <optional>

namespace zorsim {

// A line's output rate when it is set as an arbitrary speed (the termios2
// form, which a fixed speed code cannot express): nothing when the line
// holds a fixed speed code or cannot be read.
std::optional<int> ArbitraryOutputRate(int fd);

// Sets both rates of a line as an arbitrary speed, as some serial layers
// (Wine 10 among them) do even for standard rates.
bool SetArbitraryRate(int fd, int rate);

} // namespace zorsim
