#include "frame_splitter.h"

#include "crc16.h"

namespace zorsim {

namespace {

constexpr std::size_t RequestSize = 8;
constexpr std::size_t ShortestFrame = 4;

// Request-sized windows that pass the CRC are taken for frames only when
// they carry a function a request of that size can have, which keeps the
// chance of a false find in noise small.
bool IsRequestWindow(std::span<const std::uint8_t> window) {
    constexpr std::uint8_t ReadHolding = 3;
    constexpr std::uint8_t ReadInput = 4;
    constexpr std::uint8_t WriteSingle = 6;
    std::uint8_t function = window[1];
    bool requestFunction =
        function == ReadHolding || function == ReadInput || function == WriteSingle;
    return requestFunction && HasValidCrc(window);
}

void AddGarbage(std::vector<FramePiece>& pieces, std::span<const std::uint8_t> bytes) {
    if (!bytes.empty()) {
        pieces.push_back({Bytes(bytes.begin(), bytes.end()), false});
    }
}

} // namespace

std::vector<FramePiece> SplitBurst(std::span<const std::uint8_t> burst) {
    std::vector<FramePiece> pieces;
    std::size_t start = 0;
    while (start < burst.size()) {
        auto rest = burst.subspan(start);
        if (rest.size() >= ShortestFrame && HasValidCrc(rest)) {
            pieces.push_back({Bytes(rest.begin(), rest.end()), true});
            return pieces;
        }
        std::size_t at = start;
        while (at + RequestSize <= burst.size() &&
               !IsRequestWindow(burst.subspan(at, RequestSize))) {
            ++at;
        }
        if (at + RequestSize > burst.size()) {
            AddGarbage(pieces, rest);
            return pieces;
        }
        AddGarbage(pieces, burst.subspan(start, at - start));
        auto window = burst.subspan(at, RequestSize);
        pieces.push_back({Bytes(window.begin(), window.end()), true});
        start = at + RequestSize;
    }
    return pieces;
}

} // namespace zorsim
