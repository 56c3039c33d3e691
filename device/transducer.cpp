#include "device/transducer.h"

#include "device/modbus_master.h"

#include <cstring>

namespace {

// Register map of the unit.
constexpr std::uint16_t IdentityRegister = 0;
constexpr std::uint16_t IdentityRegisterCount = 4;
constexpr std::uint16_t FirmwareRegister = 4;
constexpr std::uint16_t FirmwareRegisterCount = 1;
constexpr std::uint16_t SerialNumberRegister = 5;
constexpr std::uint16_t SerialNumberRegisterCount = 2;
constexpr std::uint16_t MeasurementsRegister = 16;
constexpr std::uint16_t MeasurementsRegisterCount = 3;
constexpr std::uint16_t CorrectionsRegister = 256;
constexpr std::uint16_t TemperatureCorrectionRegister = 256;
constexpr std::uint16_t HumidityCorrectionRegister = 257;
constexpr std::uint16_t CorrectionsRegisterCount = 2;
constexpr std::uint16_t BusSettingsRegister = 512;
constexpr std::uint16_t UnitAddressRegister = 512;
constexpr std::uint16_t BaudIndexRegister = 513;
constexpr std::uint16_t ParityIndexRegister = 514;
constexpr std::uint16_t BusSettingsRegisterCount = 3;
constexpr std::uint16_t RestartRegister = 1040;

constexpr int BitsPerByte = 8;
constexpr int CharactersPerRegister = 2;
constexpr std::uint16_t ByteMask = 0xFF;
constexpr int HalfWordBits = 16;

constexpr std::size_t MaxPortNameLength = DevicePathSize - sizeof(DevicePathPrefix);

constexpr std::uint8_t LowByte(std::uint16_t value) {
    return value & ByteMask;
}

} // namespace

Transducer::Transducer() : IdentityText{}, master(new ModbusMaster), UnitAddress(0) {}

Transducer::~Transducer() {
    Close();
    master->Dispose();
}

bool Transducer::Open(const char* portName) {
    if (portName == nullptr || portName[0] == '\0') {
        return false;
    }
    const std::size_t length = std::strlen(portName);
    if (length > MaxPortNameLength) {
        return false;
    }
    Close();
    char devicePath[DevicePathSize] = {};
    std::memcpy(devicePath, DevicePathPrefix, sizeof(DevicePathPrefix) - 1);
    std::memcpy(devicePath + sizeof(DevicePathPrefix) - 1, portName, length);
    return master->Open(devicePath);
}

void Transducer::Close() {
    master->Close();
}

void Transducer::Configure(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t unitAddress) {
    master->SetLine(baudRate, parity);
    UnitAddress = unitAddress;
}

const char* Transducer::ReadIdentity() {
    std::uint16_t registers[IdentityRegisterCount];
    if (!ReadInput(IdentityRegister, IdentityRegisterCount, registers)) {
        return nullptr;
    }
    // Characters in the order they came on the line: high byte first.
    for (int k = 0; k < IdentityRegisterCount; ++k) {
        IdentityText[CharactersPerRegister * k] = static_cast<char>(registers[k] >> BitsPerByte);
        IdentityText[CharactersPerRegister * k + 1] = static_cast<char>(LowByte(registers[k]));
    }
    return IdentityText;
}

bool Transducer::ReadFirmwareVersion(std::uint16_t& version) {
    return ReadInput(FirmwareRegister, FirmwareRegisterCount, &version);
}

bool Transducer::ReadSerialNumber(std::uint32_t& serialNumber) {
    std::uint16_t halves[SerialNumberRegisterCount];
    if (!ReadInput(SerialNumberRegister, SerialNumberRegisterCount, halves)) {
        return false;
    }
    serialNumber = static_cast<std::uint32_t>(halves[0]) << HalfWordBits | halves[1];
    return true;
}

bool Transducer::ReadMeasurements(Measurements& measurements) {
    std::uint16_t values[MeasurementsRegisterCount];
    if (!ReadInput(MeasurementsRegister, MeasurementsRegisterCount, values)) {
        return false;
    }
    measurements.temperature = static_cast<std::int16_t>(values[0]);
    measurements.humidity = static_cast<std::int16_t>(values[1]);
    measurements.formaldehyde = static_cast<std::int16_t>(values[2]);
    return true;
}

bool Transducer::ReadBusSettings(BusSettings& settings) {
    std::uint16_t values[BusSettingsRegisterCount];
    if (!ReadHolding(BusSettingsRegister, BusSettingsRegisterCount, values)) {
        return false;
    }
    // Only the low byte of each register carries the setting.
    settings.unitAddress = LowByte(values[0]);
    settings.baudIndex = LowByte(values[1]);
    settings.parityIndex = LowByte(values[2]);
    return true;
}

bool Transducer::WriteUnitAddress(std::uint8_t address) {
    return Write(UnitAddressRegister, address);
}

bool Transducer::WriteBaudIndex(std::uint8_t baudIndex) {
    return Write(BaudIndexRegister, baudIndex);
}

bool Transducer::WriteParityIndex(std::uint8_t parityIndex) {
    return Write(ParityIndexRegister, parityIndex);
}

bool Transducer::Restart() {
    return Write(RestartRegister, RestartCode);
}

bool Transducer::ReadCorrections(Corrections& corrections) {
    std::uint16_t values[CorrectionsRegisterCount];
    if (!ReadHolding(CorrectionsRegister, CorrectionsRegisterCount, values)) {
        return false;
    }
    corrections.temperature = static_cast<std::int16_t>(values[0]);
    corrections.humidity = static_cast<std::int16_t>(values[1]);
    return true;
}

bool Transducer::WriteTemperatureCorrection(std::int16_t correction) {
    return Write(TemperatureCorrectionRegister, static_cast<std::uint16_t>(correction));
}

bool Transducer::WriteHumidityCorrection(std::int16_t correction) {
    return Write(HumidityCorrectionRegister, static_cast<std::uint16_t>(correction));
}

std::int32_t Transducer::LastException() const {
    return master->LastException();
}

bool Transducer::ReadInput(std::uint16_t first, std::uint16_t count, std::uint16_t* values) {
    return master->ReadInputRegisters(UnitAddress, first, count, values);
}

bool Transducer::ReadHolding(std::uint16_t first, std::uint16_t count, std::uint16_t* values) {
    return master->ReadHoldingRegisters(UnitAddress, first, count, values);
}

bool Transducer::Write(std::uint16_t reg, std::uint16_t value) {
    return master->WriteSingleRegister(UnitAddress, reg, value);
}
