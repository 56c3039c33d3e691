#pragma once

#include "fault.h"
#include "line_settings.h"

#include <cstdint>
#include <string>

namespace zorsim {

// Everything a unit starts with; `reset` brings a unit back to these.
struct UnitSettings {
    static constexpr int DefaultBaudIndex = 4;   // 19200
    static constexpr int DefaultParityIndex = 2; // even
    static constexpr std::uint32_t DefaultSerial = 65538;
    static constexpr std::uint16_t DefaultFirmware = 0x0112;
    static constexpr int DefaultCorrectionLimit = 5000;
    static constexpr int DefaultRestartSilenceMs = 500;
    static constexpr std::int16_t DefaultTemperature = 2215; // 22.15 °C
    static constexpr std::int16_t DefaultHumidity = 4520;    // 45.20 %
    static constexpr std::int16_t DefaultFormaldehyde = 350; // 35.0 ppb

    int address = 1;
    LineSettings line{DefaultBaudIndex, DefaultParityIndex};
    std::uint32_t serial = DefaultSerial;
    std::uint16_t firmware = DefaultFirmware;
    std::string identity = "ZOR";
    std::int16_t temperature = DefaultTemperature;
    std::int16_t humidity = DefaultHumidity;
    std::int16_t formaldehyde = DefaultFormaldehyde;
    std::int16_t temperatureCorrection = 0;
    std::int16_t humidityCorrection = 0;
    int correctionLimit = DefaultCorrectionLimit;
    bool still = false;
    int restartSilenceMs = DefaultRestartSilenceMs;
    Fault fault;
};

inline constexpr int LowestUnitAddress = 1;
inline constexpr int HighestUnitAddress = 247;
inline constexpr std::size_t IdentityLength = 8;

} // namespace zorsim
