#include "options.h"

#include "text_number.h"

#include <functional>
#include <limits>
#include <map>

namespace zorsim {

namespace {

constexpr std::int64_t SignedLow = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t SignedHigh = std::numeric_limits<std::int16_t>::max();
constexpr std::int64_t SerialHigh = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t WordHigh = std::numeric_limits<std::uint16_t>::max();
constexpr std::int64_t LongestSilenceMs = 600000;
constexpr char FaultAmountSeparator = ':';

using Setter = std::function<bool(Options&, std::string_view)>;

template <typename Target>
Setter Number(Target Options::*field, std::int64_t low, std::int64_t high) {
    return [=](Options& options, std::string_view text) {
        auto value = ParseNumber(text, low, high);
        if (value) {
            options.*field = static_cast<Target>(*value);
        }
        return value.has_value();
    };
}

template <typename Target>
Setter UnitNumber(Target UnitSettings::*field, std::int64_t low, std::int64_t high) {
    return [=](Options& options, std::string_view text) {
        auto value = ParseNumber(text, low, high);
        if (value) {
            options.unit.*field = static_cast<Target>(*value);
        }
        return value.has_value();
    };
}

Setter Text(std::string Options::*field) {
    return [=](Options& options, std::string_view text) {
        options.*field = std::string(text);
        return !text.empty();
    };
}

bool SetBaud(Options& options, std::string_view text) {
    auto rate = ParseNumber(text, 0, std::numeric_limits<int>::max());
    auto index = rate ? BaudIndexOf(static_cast<int>(*rate)) : std::nullopt;
    if (index) {
        options.unit.line.baudIndex = *index;
    }
    return index.has_value();
}

bool SetParity(Options& options, std::string_view text) {
    auto index = ParityIndexOf(text);
    if (index) {
        options.unit.line.parityIndex = *index;
    }
    return index.has_value();
}

bool SetIdentity(Options& options, std::string_view text) {
    options.unit.identity = std::string(text);
    return text.size() <= IdentityLength;
}

// "short 6" as one argument, or "short:6".
bool SetFault(Options& options, std::string_view text) {
    std::string command(text);
    auto separator = command.find(FaultAmountSeparator);
    if (separator != std::string::npos) {
        command[separator] = ' ';
    }
    auto fault = ParseFault(command);
    if (fault) {
        options.unit.fault = *fault;
    }
    return fault.has_value();
}

const std::map<std::string_view, Setter>& ValueOptions() {
    static const std::map<std::string_view, Setter> options = {
        {"--link", Text(&Options::link)},
        {"--device", Text(&Options::device)},
        {"--control", Text(&Options::control)},
        {"--state", Text(&Options::state)},
        {"--log", Text(&Options::log)},
        {"--address", UnitNumber(&UnitSettings::address, LowestUnitAddress, HighestUnitAddress)},
        {"--baud", SetBaud},
        {"--parity", SetParity},
        {"--serial", UnitNumber(&UnitSettings::serial, 0, SerialHigh)},
        {"--firmware", UnitNumber(&UnitSettings::firmware, 0, WordHigh)},
        {"--identity", SetIdentity},
        {"--temperature", UnitNumber(&UnitSettings::temperature, SignedLow, SignedHigh)},
        {"--humidity", UnitNumber(&UnitSettings::humidity, SignedLow, SignedHigh)},
        {"--formaldehyde", UnitNumber(&UnitSettings::formaldehyde, SignedLow, SignedHigh)},
        {"--tcorr", UnitNumber(&UnitSettings::temperatureCorrection, SignedLow, SignedHigh)},
        {"--hcorr", UnitNumber(&UnitSettings::humidityCorrection, SignedLow, SignedHigh)},
        {"--correction-limit", UnitNumber(&UnitSettings::correctionLimit, 0, SignedHigh)},
        {"--restart-silence", UnitNumber(&UnitSettings::restartSilenceMs, 0, LongestSilenceMs)},
        {"--fault", SetFault},
    };
    return options;
}

bool SetFlag(Options& options, std::string_view name) {
    if (name == "--strict-line") {
        options.strictLine = true;
    } else if (name == "--pace") {
        options.pace = true;
    } else if (name == "--still") {
        options.unit.still = true;
    } else if (name == "--help" || name == "-h") {
        options.help = true;
    } else {
        return false;
    }
    return true;
}

} // namespace

ParsedOptions ParseOptions(const std::vector<std::string_view>& arguments) {
    ParsedOptions parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view name = arguments[i];
        if (SetFlag(parsed.options, name)) {
            continue;
        }
        auto option = ValueOptions().find(name);
        if (option == ValueOptions().end()) {
            parsed.error = "unknown option " + std::string(name);
            return parsed;
        }
        if (i + 1 == arguments.size()) {
            parsed.error = std::string(name) + " needs a value";
            return parsed;
        }
        std::string_view value = arguments[++i];
        if (!option->second(parsed.options, value)) {
            parsed.error = "bad value for " + std::string(name) + ": " + std::string(value);
            return parsed;
        }
    }
    if (!parsed.options.device.empty() && !parsed.options.link.empty()) {
        parsed.error = "--link names the pty zorsim makes; it does not go with --device";
    }
    return parsed;
}

const char* const UsageText = R"(usage: zorsim [options]
A simulated ZOR transducer on a serial line (Modbus RTU). Prints the path of
the tool's end of the line on its first output line.

line:
  --link PATH            symlink PATH to the pty's slave (the tool's end)
  --device PATH          use an existing device instead of a new pty
  --strict-line          ignore requests while the tool's termios baud/parity
                         differ from the unit's active settings
  --pace                 send at the active baud rate, reply no earlier than a
                         real line allows
files:
  --control PATH         control FIFO (one command per line)
  --state PATH           state file (key=value), replaced after every event
  --log PATH             traffic log, one line per frame
unit:
  --address N            unit address 1..247 (1)
  --baud RATE            1200..115200 (19200)
  --parity P             none|odd|even|mark (even)
  --serial N             serial number (65538); decimal or 0x hex
  --firmware N           firmware version (0x0112)
  --identity TEXT        identity text, up to 8 characters (ZOR)
  --temperature RAW      base temperature, 0.01 degC (2215)
  --humidity RAW         base relative humidity, 0.01 % (4520)
  --formaldehyde RAW     base formaldehyde, 0.1 ppb (350)
  --tcorr RAW            temperature correction, 0.01 degC (0)
  --hcorr RAW            humidity correction, 0.01 % (0)
  --correction-limit RAW largest accepted correction, either sign (5000)
  --restart-silence MS   how long a restart keeps the unit silent (500)
  --still                readings do not drift
  --fault FAULT          none|silent|badcrc|short:N|trickle:MS|surplus:N|delay:MS|
                         garbage:N|address:N|function:N
)";

} // namespace zorsim
