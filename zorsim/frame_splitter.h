#pragma once

#include "bytes.h"

#include <span>
#include <vector>

namespace zorsim {

// A burst of bytes that silence has closed normally holds one frame. When
// its CRC fails, the unit looks inside it for a request-sized frame, so that
// noise just before a request or two requests written back to back do not
// cost the request itself; the rest is garbage.
struct FramePiece {
    Bytes bytes;
    bool frame = false; // false: garbage (or a frame whose CRC fails)
};

std::vector<FramePiece> SplitBurst(std::span<const std::uint8_t> burst);

} // namespace zorsim
