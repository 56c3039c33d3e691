#pragma once

#include "device/line_settings.h"
#include "foundation/base_object.h"

#include <cstddef>
#include <cstdint>

class ModbusMaster;

// Measured values in register order; raw units 0.01 degC, 0.01 %, 0.1 ppb.
struct Measurements {
    std::int16_t temperature;
    std::int16_t humidity;
    std::int16_t formaldehyde;
};

// The unit's corrections in register order; raw units 0.01 degC and 0.01 %.
struct Corrections {
    std::int16_t temperature;
    std::int16_t humidity;
};

// The unit's own bus settings, in register order (not the order of LineSettings).
struct BusSettings {
    std::uint8_t unitAddress;
    std::uint8_t baudIndex;
    std::uint8_t parityIndex;
};

#ifdef _WIN32
// "\\.\": the prefix that turns a port name into a device path.
inline constexpr char DevicePathPrefix[] = "\\\\.\\";
// The device path buffer: the prefix, the port name and the zero.
inline constexpr std::size_t DevicePathSize = 16;
#else
// A port name is already its device path (/dev/ttyUSB0, /dev/serial/by-id/...).
inline constexpr char DevicePathPrefix[] = "";
inline constexpr std::size_t DevicePathSize = 256;
#endif
// Written to the restart register, restarts the unit.
inline constexpr std::uint16_t RestartCode = 0x55AA;

// One ZOR transducer on the serial line: its register map as typed
// operations. Each operation is exactly one exchange addressed to UnitAddress;
// outputs are written only on success, and LastException tells a refusal by
// the unit (non-zero) from a failed link (0).
class Transducer : public BaseObject {
public:
    Transducer();
    ~Transducer() override;

    // Opens "\\.\" + portName, closing any open device first. An empty name,
    // or one too long for a device path, leaves the open device alone.
    bool Open(const char* portName);
    void Close();
    // Applies the line to the open device and remembers the unit address;
    // exchanges nothing with the unit.
    void Configure(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t unitAddress);

    // The identity, up to its first zero byte (at most 8 characters), or null.
    const char* ReadIdentity();
    bool ReadFirmwareVersion(std::uint16_t& version);
    bool ReadSerialNumber(std::uint32_t& serialNumber);
    bool ReadMeasurements(Measurements& measurements);
    bool ReadBusSettings(BusSettings& settings);
    bool WriteUnitAddress(std::uint8_t address);
    bool WriteBaudIndex(std::uint8_t baudIndex);
    bool WriteParityIndex(std::uint8_t parityIndex);
    bool Restart();
    bool ReadCorrections(Corrections& corrections);
    bool WriteTemperatureCorrection(std::int16_t correction);
    bool WriteHumidityCorrection(std::int16_t correction);
    std::int32_t LastException() const;

private:
    static constexpr int IdentityLength = 8;
    static constexpr int IdentityTextSize = 16;

    bool ReadInput(std::uint16_t first, std::uint16_t count, std::uint16_t* values);
    bool ReadHolding(std::uint16_t first, std::uint16_t count, std::uint16_t* values);
    bool Write(std::uint16_t reg, std::uint16_t value);

    // Characters 8-15 are never written, so the text is always terminated.
    char IdentityText[IdentityTextSize];
    ModbusMaster* master;
    std::uint8_t UnitAddress;
};
