// zorctl as a user runs it, against the simulated unit: every command, its
// output, its exit code and what reached the unit. The same cases run for
// each build; ZorctlRunner hides how the program is started and the unit
// reached on each platform.
#include "zorctl/zorctl_runner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <regex>
#include <sstream>

namespace {

constexpr int Done = 0;
constexpr int Usage = 2;
constexpr int PortNotOpened = 3;
constexpr int NoAnswer = 4;
constexpr int Incompatible = 5;
constexpr int Refused = 6;
constexpr int OutputFailed = 7;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Fields(const std::string& row) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream stream(row);
    while (std::getline(stream, field, ',')) {
        fields.push_back(field);
    }
    if (!row.empty() && row.back() == ',') {
        fields.emplace_back();
    }
    return fields;
}

// Local time with milliseconds and an offset: 2026-12-11T17:30:00.123+01:00.
const std::regex IsoTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)");

class ZorctlTest : public ::testing::Test {
protected:
    // The unit's counters survive its reset: the cases count from here.
    void SetUp() override {
        ASSERT_TRUE(lab.UnitCommand("reset"));
        requestsBefore = lab.UnitNumber("requests");
        writesBefore = lab.UnitNumber("writes");
        restartsBefore = lab.UnitNumber("restarts");
    }

    ZorctlRun Zorctl(std::vector<std::string> arguments) { return lab.Run(arguments); }
    std::string Port() const { return lab.UnitPort(); }
    long Requests() const { return lab.UnitNumber("requests") - requestsBefore; }
    long Writes() const { return lab.UnitNumber("writes") - writesBefore; }
    long Restarts() const { return lab.UnitNumber("restarts") - restartsBefore; }

    ZorctlRunner& lab = Runner();
    long requestsBefore = 0;
    long writesBefore = 0;
    long restartsBefore = 0;
};

// ---------------------------------------------------------------------------
// ports, help

TEST_F(ZorctlTest, PortsListsTheMachinesPortsInOrder) {
    const ZorctlRun run = Zorctl({"ports"});
    ASSERT_EQ(run.exitCode, Done) << run.err;
    const std::vector<std::string> listed = Lines(run.out);
    std::size_t previous = 0;
    for (const std::string& port : lab.ListedPorts()) {
        const auto at = std::find(listed.begin(), listed.end(), port);
        ASSERT_NE(at, listed.end()) << port << " missing from\n" << run.out;
        EXPECT_GE(static_cast<std::size_t>(at - listed.begin()), previous) << port;
        previous = static_cast<std::size_t>(at - listed.begin());
    }
}

TEST_F(ZorctlTest, EverySubCommandHasHelpWithTheExitCodes) {
    for (const char* command : {"ports", "info", "watch", "correct", "bus", "scan"}) {
        const ZorctlRun run = Zorctl({command, "--help"});
        EXPECT_EQ(run.exitCode, Done) << command;
        EXPECT_NE(run.out.find("Exit codes: 0 done, 2 usage error"), std::string::npos)
            << command << "\n"
            << run.out;
    }
    EXPECT_EQ(Requests(), 0);
}

// ---------------------------------------------------------------------------
// info

TEST_F(ZorctlTest, InfoShowsEverythingByTheWindowToolsNumberRules) {
    for (const char* command :
         {"set temperature -5", "set humidity 455", "set formaldehyde -1", "set serial 4294967295",
          "set firmware 0x0A01", "set tcorr -150", "set hcorr 1234"}) {
        ASSERT_TRUE(lab.UnitCommand(command)) << command;
    }
    // The unit shows base + correction: -0.05 - 1.50 and 4.55 + 12.34.
    const ZorctlRun run = Zorctl({"info", Port()});
    ASSERT_EQ(run.exitCode, Done) << run.err;
    EXPECT_EQ(run.out, "port                    " + Port() +
                           "\n"
                           "line                    address 1, 19200 baud, even parity\n"
                           "identity                ZOR\n"
                           "firmware                0A.01\n"
                           "serial number           4294967295\n"
                           "bus address             1\n"
                           "bus baud rate           19200\n"
                           "bus parity              even\n"
                           "temperature             -1.55 degC\n"
                           "humidity                16.89 %RH\n"
                           "formaldehyde            -0.1 ppb\n"
                           "temperature correction  -1.50 degC\n"
                           "humidity correction     12.34 %RH\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Requests(), 6) << "identity, firmware, serial, bus, measurements, corrections";
}

TEST_F(ZorctlTest, InfoAsJson) {
    ASSERT_TRUE(lab.UnitCommand("set formaldehyde 123"));
    const ZorctlRun run = Zorctl({"info", Port(), "--json"});
    ASSERT_EQ(run.exitCode, Done) << run.err;
    const nlohmann::json info = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(info.is_discarded()) << run.out;
    EXPECT_EQ(info["identity"], "ZOR");
    EXPECT_EQ(info["firmware"], "1.12");
    EXPECT_EQ(info["serial_number"], 65538);
    EXPECT_EQ(info["bus"]["address"], 1);
    EXPECT_EQ(info["bus"]["baud"], 19200);
    EXPECT_EQ(info["bus"]["parity"], "even");
    EXPECT_EQ(info["measurements"]["temperature_degC"], 22.15);
    EXPECT_EQ(info["measurements"]["humidity_percent"], 45.2);
    EXPECT_EQ(info["measurements"]["formaldehyde_ppb"], 12.3);
    EXPECT_EQ(info["corrections"]["temperature_degC"], 0.0);
}

TEST_F(ZorctlTest, InfoWithAnotherLineOrNoUnitTellsNoAnswer) {
    const ZorctlRun elsewhere = Zorctl({"info", Port(), "--address", "2"});
    EXPECT_EQ(elsewhere.exitCode, NoAnswer);
    EXPECT_NE(elsewhere.err.find("no answer"), std::string::npos) << elsewhere.err;
    ASSERT_TRUE(lab.UnitCommand("fault silent"));
    const ZorctlRun silent = Zorctl({"info", Port()});
    EXPECT_EQ(silent.exitCode, NoAnswer);
    EXPECT_EQ(silent.out, "");
}

TEST_F(ZorctlTest, APortThatDoesNotOpenIsReportedAsSuch) {
    const ZorctlRun run = Zorctl({"info", lab.UnopenablePort()});
    EXPECT_EQ(run.exitCode, PortNotOpened);
    EXPECT_EQ(run.err, "zorctl: cannot open port " + lab.UnopenablePort() + "\n");
}

// Another identity: reported, and nothing after the identity request.
TEST_F(ZorctlTest, AnIncompatibleUnitIsNeverWritten) {
    ASSERT_TRUE(lab.UnitCommand("identity ZOR1"));
    const std::vector<std::vector<std::string>> commands = {
        {"info", Port()},
        {"correct", Port(), "--temperature", "1"},
        {"bus", Port(), "--set-address", "5", "--restart"},
        {"watch", Port(), "--count", "1"},
    };
    long requests = Requests();
    for (const auto& command : commands) {
        const ZorctlRun run = Zorctl(command);
        EXPECT_EQ(run.exitCode, Incompatible) << command[0];
        EXPECT_NE(run.err.find("\"ZOR1\""), std::string::npos) << run.err;
        EXPECT_EQ(Requests(), requests + 1) << command[0];
        requests = Requests();
    }
    EXPECT_EQ(Writes(), 0);
}

// ---------------------------------------------------------------------------
// bad input

TEST_F(ZorctlTest, BadInputIsOneLineAndTheUsageCodeWithNothingSent) {
    const std::string port = Port();
    const std::vector<std::vector<std::string>> cases = {
        {"info", port, "--address", "0"},
        {"info", port, "--address", "248"},
        {"info", port, "--address", "abc"},
        {"info", port, "--baud", "1234"},
        {"info", port, "--parity", "space"},
        {"info", lab.UnknownPort()},
        {"info"},
        {"watch", port, "--interval", "0"},
        {"watch", port, "--interval", "-1"},
        {"watch", port, "--interval", "x"},
        {"watch", port, "--count", "0"},
        {"correct", port, "--temperature", "abc"},
        {"correct", port, "--temperature", "327.68"},
        {"correct", port, "--humidity=-400"},
        {"correct", port},
        {"bus", port, "--set-address", "248"},
        {"bus", port, "--set-baud", "300"},
        {"bus", port, "--verify"},
        {"scan", port, "--addresses", "0-10"},
        {"scan", port, "--addresses", "20-10"},
        {"scan", port, "--baud", "9600,1"},
        {"frobnicate"},
        {"info", port, "--colour"},
    };
    for (const auto& arguments : cases) {
        std::string shown;
        for (const std::string& argument : arguments) {
            shown += argument + " ";
        }
        const ZorctlRun run = Zorctl(arguments);
        EXPECT_EQ(run.exitCode, Usage) << shown;
        EXPECT_EQ(Lines(run.err).size(), 1u) << shown << "\n" << run.err;
        EXPECT_EQ(run.err.rfind("zorctl: ", 0), 0u) << shown << "\n" << run.err;
        EXPECT_EQ(run.out, "") << shown;
    }
    EXPECT_EQ(Requests(), 0);
    EXPECT_EQ(lab.UnitNumber("bad_frames"), 0);
}

// ---------------------------------------------------------------------------
// correct

TEST_F(ZorctlTest, CorrectWritesWithTheWindowToolsRounding) {
    ASSERT_TRUE(lab.UnitCommand("limit 32767"));
    struct Case {
        const char* typed;
        long raw;
        const char* shown;
    };
    const Case cases[] = {
        {"1,5", 150, "1.50"},        {"-0.05", -5, "-0.05"},         {"0.125", 12, "0.13"},
        {"327.67", 32767, "327.67"}, {"-327.67", -32767, "-327.67"}, {"0", 0, "0.00"},
    };
    for (const Case& c : cases) {
        const ZorctlRun run = Zorctl({"correct", Port(), "--temperature", c.typed});
        ASSERT_EQ(run.exitCode, Done) << c.typed << ": " << run.err;
        EXPECT_EQ(run.out, std::string("temperature correction ") + c.shown +
                               " degC written (register value " + std::to_string(c.raw) + ")\n");
        EXPECT_EQ(lab.UnitNumber("tcorr"), c.raw) << c.typed;
    }
    const ZorctlRun both = Zorctl({"correct", Port(), "--temperature", "2", "--humidity", "-3.5"});
    ASSERT_EQ(both.exitCode, Done) << both.err;
    EXPECT_EQ(lab.UnitNumber("tcorr"), 200);
    EXPECT_EQ(lab.UnitNumber("hcorr"), -350);
}

TEST_F(ZorctlTest, ACorrectionTheUnitRefusesIsReportedAsARefusal) {
    // The unit takes at most +-50.00 by default.
    const ZorctlRun run = Zorctl({"correct", Port(), "--humidity", "60"});
    EXPECT_EQ(run.exitCode, Refused);
    EXPECT_NE(run.err.find("refused"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("exception 3"), std::string::npos) << run.err;
    EXPECT_EQ(lab.UnitNumber("hcorr"), 0);
}

// ---------------------------------------------------------------------------
// watch

TEST_F(ZorctlTest, WatchWritesARowPerReadingAndAFailedReadAsARowOfItsOwn) {
    const std::string csv = "watch.csv";
    ASSERT_TRUE(lab.Start(
        {"watch", Port(), "--interval", "0.2", "--count", "6", "--csv", lab.ScratchPath(csv)}));
    ASSERT_TRUE(lab.WaitForLines(csv, 3)); // header and two readings
    ASSERT_TRUE(lab.UnitCommand("fault silent"));
    ASSERT_TRUE(lab.WaitForLines(csv, 5));
    ASSERT_TRUE(lab.UnitCommand("fault none"));
    const ZorctlRun run = lab.Wait();
    ASSERT_EQ(run.exitCode, Done) << run.err;

    const std::vector<std::string> rows = Lines(lab.ReadScratch(csv));
    ASSERT_EQ(rows.size(), 7u) << lab.ReadScratch(csv);
    EXPECT_EQ(rows[0], "time,temperature_degC,humidity_percent,formaldehyde_ppb,status");
    int failed = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> fields = Fields(rows[i]);
        ASSERT_EQ(fields.size(), 5u) << rows[i];
        EXPECT_TRUE(std::regex_match(fields[0], IsoTime)) << rows[i];
        if (fields[4] == "ok") {
            EXPECT_EQ(fields[1] + "," + fields[2] + "," + fields[3], "22.15,45.20,35.0") << rows[i];
        } else {
            EXPECT_EQ(fields[4], "no answer") << rows[i];
            EXPECT_EQ(fields[1] + fields[2] + fields[3], "") << rows[i];
            ++failed;
        }
    }
    EXPECT_GE(failed, 1);
    EXPECT_EQ(Fields(rows[1])[4], "ok");
    EXPECT_EQ(Fields(rows[2])[4], "ok");
    // The console shows the same readings, one line each.
    const std::vector<std::string> shown = Lines(run.out);
    ASSERT_EQ(shown.size(), 6u) << run.out;
    EXPECT_EQ(shown[0], Fields(rows[1])[0] + "  22.15 degC  45.20 %RH  35.0 ppb");
}

TEST_F(ZorctlTest, CtrlCDuringWatchLeavesACompleteFile) {
    const std::string csv = "interrupted.csv";
    ASSERT_TRUE(lab.Start({"watch", Port(), "--interval", "0.1", "--csv", lab.ScratchPath(csv)}));
    ASSERT_TRUE(lab.WaitForLines(csv, 5));
    lab.Interrupt();
    const ZorctlRun run = lab.Wait();
    EXPECT_EQ(run.exitCode, Done) << run.err;
    EXPECT_NE(run.err.find("stopped by Ctrl-C"), std::string::npos) << run.err;

    const std::string text = lab.ReadScratch(csv);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n') << "the last row is whole";
    const std::vector<std::string> rows = Lines(text);
    ASSERT_GE(rows.size(), 5u);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(Fields(rows[i]).size(), 5u) << rows[i];
        EXPECT_NE(Fields(rows[i])[4], "") << rows[i];
    }
    // Every row was printed too, and every printed reading is in the file.
    EXPECT_EQ(Lines(run.out).size(), rows.size() - 1);
}

TEST_F(ZorctlTest, AFileThatCannotBeWrittenStopsWatchBeforeTheLineIsUsed) {
    const ZorctlRun run = Zorctl({"watch", Port(), "--count", "2", "--csv", lab.FullDevicePath()});
    EXPECT_EQ(run.exitCode, OutputFailed);
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_NE(run.err.find("cannot write"), std::string::npos) << run.err;
    EXPECT_EQ(Requests(), 0);
}

// ---------------------------------------------------------------------------
// bus

TEST_F(ZorctlTest, BusShowsTheStoredSettings) {
    const ZorctlRun run = Zorctl({"bus", Port()});
    ASSERT_EQ(run.exitCode, Done) << run.err;
    EXPECT_EQ(run.out, "stored: address 1, 19200 baud, even parity\n");
    EXPECT_EQ(Writes(), 0);
}

TEST_F(ZorctlTest, BusStoresRestartsAndVerifiesAtTheNewSettings) {
    const ZorctlRun run = Zorctl({"bus", Port(), "--set-address", "17", "--set-baud", "9600",
                                  "--set-parity", "odd", "--restart", "--verify"});
    ASSERT_EQ(run.exitCode, Done) << run.err;
    EXPECT_EQ(run.out, "stored: address 17, 9600 baud, odd parity\n"
                       "restart sent\n"
                       "verified: the ZOR unit answers at address 17, 9600 baud, odd parity\n");
    EXPECT_EQ(Restarts(), 1);
    EXPECT_EQ(lab.UnitValue("line"), "9600 O");
    EXPECT_EQ(lab.UnitNumber("address"), 17);
    // The old line reaches nobody now; the new one does.
    EXPECT_EQ(Zorctl({"info", Port()}).exitCode, NoAnswer);
    EXPECT_EQ(
        Zorctl({"info", Port(), "--address", "17", "--baud", "9600", "--parity", "odd"}).exitCode,
        Done);
}

TEST_F(ZorctlTest, BusWithoutRestartOnlyStores) {
    const ZorctlRun run = Zorctl({"bus", Port(), "--set-address", "9"});
    ASSERT_EQ(run.exitCode, Done) << run.err;
    EXPECT_EQ(run.out, "stored: address 9, 19200 baud, even parity (in force after a restart)\n");
    EXPECT_EQ(lab.UnitNumber("stored_address"), 9);
    EXPECT_EQ(lab.UnitNumber("address"), 1);
    EXPECT_EQ(Restarts(), 0);
}

// ---------------------------------------------------------------------------
// scan

TEST_F(ZorctlTest, ScanFindsAUnitAtAnotherAddressRateAndParity) {
    for (const char* command : {"set address 17", "set baud 3", "set parity 1"}) {
        ASSERT_TRUE(lab.UnitCommand(command)) << command;
    }
    const ZorctlRun run =
        Zorctl({"scan", Port(), "--addresses", "15-18", "--baud", "all", "--parity", "all"});
    ASSERT_EQ(run.exitCode, Done) << run.err;
    EXPECT_EQ(run.out, "found: address 17, 9600 baud, odd parity; serial number 65538\n");
}

TEST_F(ZorctlTest, ScanTellsWhatAUnitStoresForItsNextRestart) {
    ASSERT_TRUE(lab.UnitCommand("set address 3"));
    ASSERT_EQ(Zorctl({"bus", Port(), "--address", "3", "--set-address", "4"}).exitCode, Done);
    const ZorctlRun run = Zorctl({"scan", Port(), "--addresses", "1-5", "--all"});
    ASSERT_EQ(run.exitCode, Done) << run.err;
    EXPECT_EQ(run.out, "found: address 3, 19200 baud, even parity; serial number 65538; stored "
                       "for the next restart: address 4, 19200 baud, even parity\n");
}

TEST_F(ZorctlTest, ScanWithNoUnitTellsNoAnswer) {
    const ZorctlRun run = Zorctl({"scan", Port(), "--addresses", "2-4"});
    EXPECT_EQ(run.exitCode, NoAnswer);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "zorctl: no ZOR unit answered on " + Port() + " (3 tries)\n");
}

} // namespace
