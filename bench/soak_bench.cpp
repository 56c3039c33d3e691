// A soak under injected line faults, against a lab unit (zorsim) at 19200
// baud, even parity: bad CRC, a reply cut short, garbage before the reply, a
// reply after the wait, surplus bytes, silence, a reply from another unit
// address, a reply with another function code, each put on the next reply
// only (zorsim's `once`), at random from a fixed seed.
//
//   soak_bench device PORT UNIT [EXCHANGES] [SEED]   the Transducer's six
//       reads, chosen at random, checked against what the unit holds
//   soak_bench tool PORT UNIT [POLLS] [SEED]   the tool's own window in this
//       process polled (ShowMeasurements) as often, the unit's temperature
//       changed before every poll, the fields checked against it
#include "fault_soak.h"
#include "tool_session.h"
#include "console/value_field.h"
#include "device/transducer.h"
#include "support/simulated_unit.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Reading = FaultSoak::Reading;

constexpr int DefaultExchanges = 10000;
constexpr int DefaultPolls = 1000;
constexpr unsigned DefaultSeed = 20261211;
constexpr double FaultShare = 0.10;
constexpr std::uint32_t BaudRate = 19200;
constexpr std::uint8_t Unit = 1;
constexpr std::uint8_t HoldingFunction = 3;
constexpr std::uint8_t InputFunction = 4;
// Corrections that differ from every other register, so that a value taken
// from the wrong reply cannot pass for the right one.
constexpr int TemperatureCorrection = 123;
constexpr int HumidityCorrection = -45;
// The temperature the tool soak starts from and steps on from.
constexpr int FirstTemperature = 1000;
constexpr int FieldChars = 32;
constexpr double Hundred = 100.0;
constexpr double Ten = 10.0;

// What the unit holds, from its own state file.
struct Held {
    std::string identity;
    long firmware, serial, temperature, humidity, formaldehyde, tcorr, hcorr;
    long address, baud, parity;
};

Held ReadHeld(const SimulatedUnit& unit) {
    return {unit.Value("identity"),     unit.Number("firmware"), unit.Number("serial"),
            unit.Number("temperature"), unit.Number("humidity"), unit.Number("formaldehyde"),
            unit.Number("tcorr"),       unit.Number("hcorr"),    unit.Number("address"),
            unit.Number("baud"),        unit.Number("parity")};
}

Reading Judge(bool ok, bool right) {
    return !ok ? Reading::Failed : right ? Reading::Right : Reading::Wrong;
}

bool PrepareUnit(SimulatedUnit& unit) {
    return unit.Command("reset") && unit.Command("still on") &&
           unit.Command("set tcorr " + std::to_string(TemperatureCorrection)) &&
           unit.Command("set hcorr " + std::to_string(HumidityCorrection));
}

std::vector<FaultSoak::Read> TransducerReads(Transducer& t, const Held& held) {
    return {
        {"identity", InputFunction,
         [&] {
             const char* identity = t.ReadIdentity();
             return Judge(identity != nullptr, identity != nullptr && held.identity == identity);
         }},
        {"firmware", InputFunction,
         [&] {
             std::uint16_t version = 0;
             bool ok = t.ReadFirmwareVersion(version);
             return Judge(ok, version == held.firmware);
         }},
        {"serial number", InputFunction,
         [&] {
             std::uint32_t serial = 0;
             bool ok = t.ReadSerialNumber(serial);
             return Judge(ok, static_cast<long>(serial) == held.serial);
         }},
        {"measurements", InputFunction,
         [&] {
             Measurements m{};
             bool ok = t.ReadMeasurements(m);
             return Judge(ok, m.temperature == held.temperature && m.humidity == held.humidity &&
                                  m.formaldehyde == held.formaldehyde);
         }},
        {"corrections", HoldingFunction,
         [&] {
             Corrections c{};
             bool ok = t.ReadCorrections(c);
             return Judge(ok, c.temperature == held.tcorr && c.humidity == held.hcorr);
         }},
        {"bus settings", HoldingFunction,
         [&] {
             BusSettings b{};
             bool ok = t.ReadBusSettings(b);
             return Judge(ok, b.unitAddress == held.address && b.baudIndex == held.baud &&
                                  b.parityIndex == held.parity);
         }},
    };
}

int SoakTransducer(const char* port, SimulatedUnit& unit, int exchanges, unsigned seed) {
    auto* transducer = new Transducer;
    if (!transducer->Open(port)) {
        std::fprintf(stderr, "soak_bench: cannot open %s\n", port);
        transducer->Dispose();
        return 1;
    }
    transducer->Configure(BaudRate, ParityEven, Unit);
    const Held held = ReadHeld(unit);
    FaultSoak soak(unit, seed, FaultShare);
    bool ran = soak.Run(exchanges, TransducerReads(*transducer, held), nullptr);
    transducer->Dispose();
    soak.Print("Transducer reads under faults");
    return ran && soak.WrongValues() == 0 ? 0 : 1;
}

std::string Text(HWND field) {
    char text[FieldChars] = {};
    GetWindowTextA(field, text, sizeof text);
    return text;
}

std::string Decimal(long raw, double divisor, int decimals) {
    char text[FieldChars];
    std::snprintf(text, sizeof text, "%.*f", decimals, raw / divisor);
    return text;
}

// A poll shows all three values or none: the fields are emptied before it,
// and what a failed poll leaves is empty. The unit's temperature differs at
// every poll, so an earlier one tells a reply that came late.
Reading JudgePoll(MainWindow* window, const Held& held, const std::vector<long>& temperatures) {
    std::string shown = Text(window->temperatureField->handle);
    std::string humidity = Text(window->humidityField->handle);
    std::string formaldehyde = Text(window->formaldehydeField->handle);
    if (shown.empty() && humidity.empty() && formaldehyde.empty()) {
        return Reading::Failed;
    }
    bool othersRight = humidity == Decimal(held.humidity, Hundred, 2) &&
                       formaldehyde == Decimal(held.formaldehyde, Ten, 1);
    if (othersRight && shown == Decimal(temperatures.back(), Hundred, 2)) {
        return Reading::Right;
    }
    bool earlier = std::any_of(temperatures.begin(), temperatures.end() - 1,
                               [&](long t) { return shown == Decimal(t, Hundred, 2); });
    return othersRight && earlier ? Reading::Stale : Reading::Wrong;
}

int SoakTool(const char* port, SimulatedUnit& unit, int polls, unsigned seed) {
    ToolSession tool;
    if (!tool.Connect(port)) {
        std::fprintf(stderr, "soak_bench: no window, or no ZOR unit on %s\n", port);
        return 1;
    }
    MainWindow* window = tool.Window();
    const Held held = ReadHeld(unit);
    long base = FirstTemperature;
    std::vector<long> temperatures{held.temperature}; // every one the unit has held
    auto step = [&] {
        ++base;
        unit.Command("set temperature " + std::to_string(base));
        temperatures.push_back(base + held.tcorr);
        for (HWND field : {window->temperatureField->handle, window->humidityField->handle,
                           window->formaldehydeField->handle}) {
            SetWindowTextA(field, "");
        }
    };
    FaultSoak::Read poll{"poll", InputFunction, [&] {
                             window->ShowMeasurements();
                             ToolSession::DrainQueue();
                             return JudgePoll(window, held, temperatures);
                         }};
    FaultSoak soak(unit, seed, FaultShare);
    bool ran = soak.Run(polls, {poll}, step);
    soak.Print("zorconfig polls under faults");
    return ran && soak.WrongValues() == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4 || (std::strcmp(argv[1], "device") != 0 && std::strcmp(argv[1], "tool") != 0)) {
        std::fprintf(stderr, "usage: soak_bench device|tool PORT UNIT [COUNT] [SEED]\n");
        return 2;
    }
    bool device = std::strcmp(argv[1], "device") == 0;
    int count = argc >= 5 ? std::atoi(argv[4]) : device ? DefaultExchanges : DefaultPolls;
    unsigned seed =
        argc >= 6 ? static_cast<unsigned>(std::strtoul(argv[5], nullptr, 10)) : DefaultSeed;
    SimulatedUnit unit(argv[3]);
    if (!PrepareUnit(unit)) {
        std::fprintf(stderr, "soak_bench: unit %s does not answer commands\n", argv[3]);
        return 1;
    }
    int status =
        device ? SoakTransducer(argv[2], unit, count, seed) : SoakTool(argv[2], unit, count, seed);
    unit.Command("reset");
    return status;
}
