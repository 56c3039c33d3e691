#include "control_command.h"

#include "line_settings.h"
#include "text_number.h"
#include "unit_settings.h"

#include <array>
#include <limits>
#include <utility>

namespace zorsim {

namespace {

using Field = ControlCommand::Field;
using Kind = ControlCommand::Kind;

constexpr std::int64_t SignedLow = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t SignedHigh = std::numeric_limits<std::int16_t>::max();
constexpr std::int64_t SerialHigh = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t WordHigh = std::numeric_limits<std::uint16_t>::max();
constexpr std::int64_t LongestSilenceMs = 600000;

struct FieldRule {
    std::string_view name;
    Field field;
    std::int64_t low;
    std::int64_t high;
};

constexpr std::array<FieldRule, 10> FieldRules = {{
    {"temperature", Field::Temperature, SignedLow, SignedHigh},
    {"humidity", Field::Humidity, SignedLow, SignedHigh},
    {"formaldehyde", Field::Formaldehyde, SignedLow, SignedHigh},
    {"tcorr", Field::TemperatureCorrection, SignedLow, SignedHigh},
    {"hcorr", Field::HumidityCorrection, SignedLow, SignedHigh},
    {"address", Field::Address, LowestUnitAddress, HighestUnitAddress},
    {"baud", Field::Baud, 0, static_cast<std::int64_t>(BaudRates.size()) - 1},
    {"parity", Field::Parity, 0, ParityCount - 1},
    {"serial", Field::Serial, 0, SerialHigh},
    {"firmware", Field::Firmware, 0, WordHigh},
}};

ControlCommand Made(Kind kind, std::int64_t value = 0) {
    ControlCommand command;
    command.kind = kind;
    command.value = value;
    return command;
}

std::string_view Trim(std::string_view text) {
    constexpr std::string_view Blanks = " \t\r\n";
    auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    auto last = text.find_last_not_of(Blanks);
    return text.substr(first, last - first + 1);
}

std::pair<std::string_view, std::string_view> SplitWord(std::string_view text) {
    auto space = text.find_first_of(" \t");
    if (space == std::string_view::npos) {
        return {text, {}};
    }
    return {text.substr(0, space), Trim(text.substr(space + 1))};
}

std::optional<ControlCommand> ParseSet(std::string_view rest) {
    auto [name, value] = SplitWord(rest);
    for (const auto& rule : FieldRules) {
        if (rule.name != name) {
            continue;
        }
        auto number = ParseNumber(value, rule.low, rule.high);
        if (!number) {
            return std::nullopt;
        }
        ControlCommand command = Made(Kind::Set, *number);
        command.field = rule.field;
        return command;
    }
    return std::nullopt;
}

std::optional<ControlCommand> ParseIdentity(std::string_view rest) {
    if (rest.size() > IdentityLength) {
        return std::nullopt;
    }
    ControlCommand command = Made(Kind::Identity);
    command.text = std::string(rest);
    return command;
}

std::optional<ControlCommand> ParseStill(std::string_view rest) {
    if (rest != "on" && rest != "off") {
        return std::nullopt;
    }
    return Made(Kind::Still, rest == "on" ? 1 : 0);
}

std::optional<ControlCommand> ParseAmount(Kind kind, std::string_view rest, std::int64_t high) {
    auto number = ParseNumber(rest, 0, high);
    if (!number) {
        return std::nullopt;
    }
    return Made(kind, *number);
}

std::optional<ControlCommand> ParseFaultCommand(Kind kind, std::string_view rest) {
    auto fault = ParseFault(rest);
    if (!fault) {
        return std::nullopt;
    }
    ControlCommand command = Made(kind);
    command.fault = *fault;
    return command;
}

} // namespace

std::optional<ControlCommand> ParseControlCommand(std::string_view line) {
    auto [word, rest] = SplitWord(Trim(line));
    if (word == "reset" && rest.empty()) {
        return Made(Kind::Reset);
    }
    if (word == "set") {
        return ParseSet(rest);
    }
    if (word == "identity") {
        return ParseIdentity(rest);
    }
    if (word == "fault") {
        return ParseFaultCommand(Kind::SetFault, rest);
    }
    if (word == "once") {
        return ParseFaultCommand(Kind::OnceFault, rest);
    }
    if (word == "still") {
        return ParseStill(rest);
    }
    if (word == "limit") {
        return ParseAmount(Kind::Limit, rest, SignedHigh);
    }
    if (word == "restart-silence") {
        return ParseAmount(Kind::RestartSilence, rest, LongestSilenceMs);
    }
    if (word == "unplug" && rest.empty()) {
        return Made(Kind::Unplug);
    }
    if (word == "plug" && rest.empty()) {
        return Made(Kind::Plug);
    }
    return std::nullopt;
}

} // namespace zorsim
