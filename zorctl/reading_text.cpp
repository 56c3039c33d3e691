#include "zorctl/reading_text.h"

#include "console/number_text.h"

#include <cstdlib>

namespace {

constexpr int HundredthsDivisor = 100;
constexpr int TenthsDivisor = 10;
constexpr int HundredthsDecimals = 2;
constexpr int TenthsDecimals = 1;

} // namespace

namespace reading_text {

std::string Hundredths(std::int16_t raw) {
    return FixedText(ScaledValue(raw, HundredthsDivisor), HundredthsDecimals);
}

std::string Tenths(std::int16_t raw) {
    return FixedText(ScaledValue(raw, TenthsDivisor), TenthsDecimals);
}

std::string Correction(float value) {
    return FixedText(value, HundredthsDecimals);
}

std::string SerialNumber(std::uint32_t serialNumber) {
    return std::to_string(serialNumber);
}

std::string Firmware(std::uint16_t version) {
    return FirmwareText(version);
}

std::string Failure(std::int32_t lastException) {
    if (lastException != 0) {
        return "refused (exception " + std::to_string(lastException) + ")";
    }
    return "no answer";
}

double AsNumber(const std::string& shown) {
    // The texts use "." whatever the locale, and the program never changes
    // the C locale, so strtod reads them as written.
    return std::strtod(shown.c_str(), nullptr);
}

} // namespace reading_text
