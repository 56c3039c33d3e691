#pragma once

#include <cstdint>

// How the tool reaches the unit: kept by the main window, edited by the line
// settings dialog, applied by Transducer::Configure.
struct LineSettings {
    std::uint8_t baudIndex;   // into BaudRateTable
    std::uint8_t parityIndex; // one of the Parity values
    std::uint8_t unitAddress; // 1..247
};

// Bits per second by baud-rate index; the unit's own baud-rate register uses
// the same index.
inline constexpr std::uint32_t BaudRateTable[] = {1200,  2400,  4800,  9600,
                                                  19200, 38400, 57600, 115200};
inline constexpr int BaudRateCount = sizeof(BaudRateTable) / sizeof(BaudRateTable[0]);

// Parity indices; they are also the platform's DCB parity values.
enum Parity : std::uint8_t {
    ParityNone = 0,
    ParityOdd = 1,
    ParityEven = 2,
    ParityMark = 3,
};

// The settings every start of the tool begins with: 19200 baud, even, unit 1.
inline constexpr LineSettings DefaultLineSettings = {4, ParityEven, 1};
