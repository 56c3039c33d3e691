#include "zorctl/line_names.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* ParityWords[line_names::ParityCount] = {"none", "odd", "even", "mark"};

std::string Lowered(const std::string& text) {
    std::string lowered = text;
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

} // namespace

namespace line_names {

std::string ParityName(std::uint8_t parityIndex) {
    if (parityIndex < ParityCount) {
        return ParityWords[parityIndex];
    }
    return "parity " + std::to_string(parityIndex);
}

std::optional<std::uint8_t> ParityIndex(const std::string& name) {
    const std::string lowered = Lowered(name);
    for (int i = 0; i < ParityCount; ++i) {
        if (lowered == ParityWords[i]) {
            return static_cast<std::uint8_t>(i);
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> BaudRate(std::uint8_t baudIndex) {
    if (baudIndex < BaudRateCount) {
        return BaudRateTable[baudIndex];
    }
    return std::nullopt;
}

std::string BaudText(std::uint8_t baudIndex) {
    const auto rate = BaudRate(baudIndex);
    return rate ? std::to_string(*rate) : "baud index " + std::to_string(baudIndex);
}

std::optional<std::uint8_t> BaudIndex(std::uint32_t rate) {
    for (int i = 0; i < BaudRateCount; ++i) {
        if (BaudRateTable[i] == rate) {
            return static_cast<std::uint8_t>(i);
        }
    }
    return std::nullopt;
}

std::string LineText(const LineSettings& line) {
    return "address " + std::to_string(line.unitAddress) + ", " + BaudText(line.baudIndex) +
           " baud, " + ParityName(line.parityIndex) + " parity";
}

} // namespace line_names
