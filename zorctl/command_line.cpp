#include "zorctl/command_line.h"

#include "zorctl/option_values.h"
#include "zorctl/report.h"

#include <CLI/CLI.hpp>

#include <utility>
#include <vector>

namespace {

constexpr const char* ProgramName = "zorctl";
constexpr const char* VersionText = "zorctl 1.01";
constexpr const char* Description =
    "The ZOR transducer (temperature, humidity, formaldehyde) over Modbus RTU from a\n"
    "command line: read it, log it, write its corrections and bus settings, find it.";

// Every option as typed; the defaults are the window tool's.
struct OptionTexts {
    std::string address = "1";
    std::string baud = "19200";
    std::string parity = "even";
    std::string interval = "1";
    std::string count;
    std::string temperature;
    std::string humidity;
    std::string setAddress;
    std::string setBaud;
    std::string setParity;
    std::string addresses = "1-247";
    std::string baudList = "19200";
    std::string parityList = "even";
};

struct Definition {
    CLI::App app{Description, ProgramName};
    OptionTexts texts;
    Invocation invocation;
    std::vector<std::pair<CLI::App*, Command>> commands;
};

CLI::App* AddCommand(Definition& d, const char* name, const char* help, Command command) {
    CLI::App* sub = d.app.add_subcommand(name, help);
    sub->footer(ExitCodeHelp);
    d.commands.emplace_back(sub, command);
    return sub;
}

void AddPort(CLI::App* sub, Definition& d) {
    sub->add_option("PORT", d.invocation.port,
                    "serial port: COM3 on Windows, /dev/ttyUSB0 on Linux")
        ->required();
}

void AddLine(CLI::App* sub, Definition& d) {
    sub->add_option("--address", d.texts.address, "unit address to reach, 1..247")
        ->capture_default_str();
    sub->add_option("--baud", d.texts.baud,
                    "baud rate: 1200 2400 4800 9600 19200 38400 57600 115200")
        ->capture_default_str();
    sub->add_option("--parity", d.texts.parity, "parity: none, odd, even or mark")
        ->capture_default_str();
}

// A command that reaches one unit: the port and the line to reach it with.
CLI::App* AddUnitCommand(Definition& d, const char* name, const char* help, Command command) {
    CLI::App* sub = AddCommand(d, name, help, command);
    AddPort(sub, d);
    AddLine(sub, d);
    return sub;
}

void DefineWatch(CLI::App* sub, Definition& d) {
    sub->add_option("--interval", d.texts.interval, "seconds between readings, above 0")
        ->capture_default_str();
    sub->add_option("--count", d.texts.count, "stop after N readings (default: until Ctrl-C)");
    sub->add_option("--csv", d.invocation.watch.csvPath,
                    "also write the readings to FILE (header, ISO 8601 time, values, status)");
}

void DefineCorrect(CLI::App* sub, Definition& d) {
    sub->add_option("--temperature", d.texts.temperature,
                    "temperature correction in degC, -327.68..327.67");
    sub->add_option("--humidity", d.texts.humidity, "humidity correction in %RH, -327.68..327.67");
}

void DefineBus(CLI::App* sub, Definition& d) {
    sub->add_option("--set-address", d.texts.setAddress, "store a new unit address, 1..247");
    sub->add_option("--set-baud", d.texts.setBaud, "store a new baud rate");
    sub->add_option("--set-parity", d.texts.setParity, "store a new parity");
    CLI::Option* restart = sub->add_flag("--restart", d.invocation.bus.restart,
                                         "restart the unit, which then uses its stored settings");
    sub->add_flag("--verify", d.invocation.bus.verify,
                  "after the restart, reach the unit with its new settings and check it")
        ->needs(restart);
}

void DefineScan(CLI::App* sub, Definition& d) {
    sub->add_option("--addresses", d.texts.addresses, "addresses to try, e.g. 1-247 or 1-10,17")
        ->capture_default_str();
    sub->add_option("--baud", d.texts.baudList, "baud rates to try: all, or a list like 9600,19200")
        ->capture_default_str();
    sub->add_option("--parity", d.texts.parityList,
                    "parities to try: all, or a list like none,even")
        ->capture_default_str();
    sub->add_flag("--all", d.invocation.scan.all, "go on after the first unit found");
}

void Define(Definition& d) {
    d.app.require_subcommand(1);
    d.app.footer(ExitCodeHelp);
    d.app.set_version_flag("--version", VersionText);
    AddCommand(d, "ports", "list the serial ports of this machine", Command::Ports);

    CLI::App* info = AddUnitCommand(d, "info", "show everything the unit tells", Command::Info);
    info->add_flag("--json", d.invocation.json, "print one JSON object instead of text");
    DefineWatch(
        AddUnitCommand(d, "watch", "read the measurements once per interval", Command::Watch), d);
    DefineCorrect(AddUnitCommand(d, "correct", "write the corrections", Command::Correct), d);
    DefineBus(
        AddUnitCommand(d, "bus", "show or store the unit's bus settings, restart it", Command::Bus),
        d);
    CLI::App* scan = AddCommand(d, "scan", "look for ZOR units on a line", Command::Scan);
    AddPort(scan, d);
    DefineScan(scan, d);
}

// Reads one option's text into `target`; false (with the problem reported)
// when it is no valid value.
template <typename T, typename Target>
bool Take(const char* option, const Parsed<T>& parsed, Target& target) {
    if (!parsed.value) {
        report::Problem(std::string(option) + ": " + parsed.problem);
        return false;
    }
    target = *parsed.value;
    return true;
}

// An option with no default counts only when given.
template <typename T, typename Parse>
bool TakeIfGiven(const char* option, const std::string& text, Parse parse,
                 std::optional<T>& target) {
    return text.empty() || Take(option, parse(text), target);
}

bool TakeLine(const OptionTexts& t, LineSettings& line) {
    return Take("--address", ParseAddress(t.address), line.unitAddress) &&
           Take("--baud", ParseBaud(t.baud), line.baudIndex) &&
           Take("--parity", ParseParity(t.parity), line.parityIndex);
}

bool TakeWatch(const OptionTexts& t, WatchOptions& watch) {
    return Take("--interval", ParseInterval(t.interval), watch.intervalSeconds) &&
           (t.count.empty() || Take("--count", ParseCount(t.count), watch.count));
}

bool TakeCorrect(const OptionTexts& t, CorrectOptions& correct) {
    if (!TakeIfGiven("--temperature", t.temperature, ParseCorrection, correct.temperature) ||
        !TakeIfGiven("--humidity", t.humidity, ParseCorrection, correct.humidity)) {
        return false;
    }
    if (!correct.temperature && !correct.humidity) {
        report::Problem("correct: nothing to write; give --temperature, --humidity or both");
        return false;
    }
    return true;
}

bool TakeBus(const OptionTexts& t, BusOptions& bus) {
    return TakeIfGiven("--set-address", t.setAddress, ParseAddress, bus.address) &&
           TakeIfGiven("--set-baud", t.setBaud, ParseBaud, bus.baudIndex) &&
           TakeIfGiven("--set-parity", t.setParity, ParseParity, bus.parityIndex);
}

bool TakeScan(const OptionTexts& t, ScanOptions& scan) {
    return Take("--addresses", ParseAddressSet(t.addresses), scan.addresses) &&
           Take("--baud", ParseBaudList(t.baudList), scan.baudIndices) &&
           Take("--parity", ParseParityList(t.parityList), scan.parityIndices);
}

bool TakeValues(Definition& d) {
    Invocation& invocation = d.invocation;
    switch (invocation.command) {
    case Command::Ports:
    case Command::Scan:
        break;
    default:
        if (!TakeLine(d.texts, invocation.line)) {
            return false;
        }
    }
    switch (invocation.command) {
    case Command::Watch:
        return TakeWatch(d.texts, invocation.watch);
    case Command::Correct:
        return TakeCorrect(d.texts, invocation.correct);
    case Command::Bus:
        return TakeBus(d.texts, invocation.bus);
    case Command::Scan:
        return TakeScan(d.texts, invocation.scan);
    default:
        return true;
    }
}

} // namespace

ParseOutcome ParseCommandLine(int argc, const char* const* argv) {
    Definition d;
    Define(d);
    try {
        d.app.parse(argc, argv);
    } catch (const CLI::Success& done) {
        // --help and --version: the text goes to standard output.
        d.app.exit(done);
        return {std::nullopt, ExitCode::Done};
    } catch (const CLI::ParseError& error) {
        report::Problem(std::string(error.what()) + " (see " + ProgramName + " --help)");
        return {std::nullopt, ExitCode::Usage};
    }
    for (const auto& [sub, command] : d.commands) {
        if (sub->parsed()) {
            d.invocation.command = command;
        }
    }
    if (!TakeValues(d)) {
        return {std::nullopt, ExitCode::Usage};
    }
    return {d.invocation, ExitCode::Done};
}
