#include "zorctl/info_command.h"

#include "zorctl/line_names.h"
#include "zorctl/reading_text.h"
#include "zorctl/report.h"
#include "zorctl/unit_link.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t LabelWidth = 24;
constexpr int JsonIndent = 2;

// The facts as text rows and as JSON, built side by side.
class InfoSheet {
public:
    explicit InfoSheet(UnitLink& link) : link(link) {}

    void Add(const std::string& label, const std::string& text) { rows.emplace_back(label, text); }
    Json& Data() { return json; }

    // A read that failed: its rows show why, its JSON member is null.
    void Missing(const std::vector<std::string>& labels, const char* key, const std::string& what) {
        std::string why = "(";
        why += reading_text::Failure(link.Unit().LastException());
        why += ")";
        for (const std::string& label : labels) {
            Add(label, why);
        }
        json[key] = nullptr;
        const ExitCode failure = link.Failed(what);
        if (code == ExitCode::Done) {
            code = failure;
        }
    }

    void PrintText() const {
        for (const auto& [label, text] : rows) {
            std::string padded = label;
            padded.resize(std::max(LabelWidth, label.size() + 1), ' ');
            report::Result(padded + text);
        }
    }

    void PrintJson() const { report::Result(json.dump(JsonIndent)); }
    ExitCode Code() const { return code; }

private:
    UnitLink& link;
    std::vector<std::pair<std::string, std::string>> rows;
    Json json;
    ExitCode code = ExitCode::Done;
};

std::string WithUnit(const std::string& value, const char* unit) {
    return value + " " + unit;
}

Json NullableRate(std::uint8_t baudIndex) {
    const auto rate = line_names::BaudRate(baudIndex);
    return rate ? Json(*rate) : Json(nullptr);
}

Json NullableParity(std::uint8_t parityIndex) {
    return parityIndex < line_names::ParityCount ? Json(line_names::ParityName(parityIndex))
                                                 : Json(nullptr);
}

void AddFirmware(InfoSheet& sheet, Transducer& unit) {
    std::uint16_t version = 0;
    if (!unit.ReadFirmwareVersion(version)) {
        sheet.Missing({"firmware"}, "firmware", "the firmware version read");
        return;
    }
    sheet.Add("firmware", reading_text::Firmware(version));
    sheet.Data()["firmware"] = reading_text::Firmware(version);
}

void AddSerialNumber(InfoSheet& sheet, Transducer& unit) {
    std::uint32_t serialNumber = 0;
    if (!unit.ReadSerialNumber(serialNumber)) {
        sheet.Missing({"serial number"}, "serial_number", "the serial number read");
        return;
    }
    sheet.Add("serial number", reading_text::SerialNumber(serialNumber));
    sheet.Data()["serial_number"] = serialNumber;
}

void AddBusSettings(InfoSheet& sheet, Transducer& unit) {
    BusSettings bus{};
    if (!unit.ReadBusSettings(bus)) {
        sheet.Missing({"bus address", "bus baud rate", "bus parity"}, "bus",
                      "the bus settings read");
        return;
    }
    sheet.Add("bus address", std::to_string(bus.unitAddress));
    sheet.Add("bus baud rate", line_names::BaudText(bus.baudIndex));
    sheet.Add("bus parity", line_names::ParityName(bus.parityIndex));
    sheet.Data()["bus"] = {{"address", bus.unitAddress},
                           {"baud", NullableRate(bus.baudIndex)},
                           {"parity", NullableParity(bus.parityIndex)},
                           {"baud_index", bus.baudIndex},
                           {"parity_index", bus.parityIndex}};
}

void AddMeasurements(InfoSheet& sheet, Transducer& unit) {
    Measurements values{};
    if (!unit.ReadMeasurements(values)) {
        sheet.Missing({"temperature", "humidity", "formaldehyde"}, "measurements",
                      "the measurements read");
        return;
    }
    const std::string temperature = reading_text::Hundredths(values.temperature);
    const std::string humidity = reading_text::Hundredths(values.humidity);
    const std::string formaldehyde = reading_text::Tenths(values.formaldehyde);
    sheet.Add("temperature", WithUnit(temperature, reading_text::TemperatureUnit));
    sheet.Add("humidity", WithUnit(humidity, reading_text::HumidityUnit));
    sheet.Add("formaldehyde", WithUnit(formaldehyde, reading_text::FormaldehydeUnit));
    sheet.Data()["measurements"] = {{"temperature_degC", reading_text::AsNumber(temperature)},
                                    {"humidity_percent", reading_text::AsNumber(humidity)},
                                    {"formaldehyde_ppb", reading_text::AsNumber(formaldehyde)}};
}

void AddCorrections(InfoSheet& sheet, Transducer& unit) {
    Corrections values{};
    if (!unit.ReadCorrections(values)) {
        sheet.Missing({"temperature correction", "humidity correction"}, "corrections",
                      "the corrections read");
        return;
    }
    const std::string temperature = reading_text::Hundredths(values.temperature);
    const std::string humidity = reading_text::Hundredths(values.humidity);
    sheet.Add("temperature correction", WithUnit(temperature, reading_text::TemperatureUnit));
    sheet.Add("humidity correction", WithUnit(humidity, reading_text::HumidityUnit));
    sheet.Data()["corrections"] = {{"temperature_degC", reading_text::AsNumber(temperature)},
                                   {"humidity_percent", reading_text::AsNumber(humidity)}};
}

} // namespace

ExitCode RunInfo(UnitLink& link, const Invocation& invocation) {
    InfoSheet sheet(link);
    sheet.Add("port", invocation.port);
    sheet.Add("line", line_names::LineText(invocation.line));
    sheet.Add("identity", link.Identity());
    Json& data = sheet.Data();
    data["port"] = invocation.port;
    data["line"] = {{"address", invocation.line.unitAddress},
                    {"baud", BaudRateTable[invocation.line.baudIndex]},
                    {"parity", line_names::ParityName(invocation.line.parityIndex)}};
    data["identity"] = link.Identity();
    Transducer& unit = link.Unit();
    AddFirmware(sheet, unit);
    AddSerialNumber(sheet, unit);
    AddBusSettings(sheet, unit);
    AddMeasurements(sheet, unit);
    AddCorrections(sheet, unit);
    if (invocation.json) {
        sheet.PrintJson();
    } else {
        sheet.PrintText();
    }
    return sheet.Code();
}
