#pragma once

#include "device/transducer.h"

#include <cstdint>
#include <string>

// The unit's values as text, by the number rules of the window tool's value
// fields: raw register values divided by 100 or 10 and shown with 2 or 1
// decimals, the firmware as hexadecimal digits, the serial number unsigned.
namespace reading_text {

inline constexpr const char* TemperatureUnit = "degC";
inline constexpr const char* HumidityUnit = "%RH";
inline constexpr const char* FormaldehydeUnit = "ppb";

// Temperature, humidity and both corrections: raw / 100 with 2 decimals.
std::string Hundredths(std::int16_t raw);
// Formaldehyde: raw / 10 with 1 decimal.
std::string Tenths(std::int16_t raw);
// A correction typed as a number, as the window's edit shows it once written.
std::string Correction(float value);
std::string SerialNumber(std::uint32_t serialNumber);
std::string Firmware(std::uint16_t version);

// How a failed exchange ended: "no answer", or "refused (exception N)" when
// the unit sent a Modbus exception.
std::string Failure(std::int32_t lastException);

// The shown text read back as a number, for machine-readable output: the
// same digits, with no binary rounding added.
double AsNumber(const std::string& shown);

} // namespace reading_text
