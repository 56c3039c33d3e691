#include "unit.h"

#include "crc16.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>

namespace zorsim {
namespace {

using namespace std::chrono_literals;

Bytes Request(std::uint8_t address, std::uint8_t function, std::uint16_t reg, std::uint16_t value) {
    Bytes frame{address, function};
    AppendWord(frame, reg);
    AppendWord(frame, value);
    AppendCrc(frame);
    return frame;
}

Bytes Read(std::uint8_t function, std::uint16_t reg, std::uint16_t count,
           std::uint8_t address = 1) {
    return Request(address, function, reg, count);
}

Bytes Write(std::uint16_t reg, std::uint16_t value, std::uint8_t address = 1) {
    return Request(address, fn::WriteSingle, reg, value);
}

std::uint16_t Raw(int value) {
    return static_cast<std::uint16_t>(value);
}

class UnitTest : public ::testing::Test {
protected:
    UnitTest() : unit_(StillSettings()) {}

    static UnitSettings StillSettings() {
        UnitSettings settings;
        settings.still = true;
        return settings;
    }

    Outcome Ask(const Bytes& frame) { return unit_.HandleFrame(frame, now_); }

    // The reply as it would go on the line; empty when nothing goes out.
    Bytes ReplyTo(const Bytes& frame) {
        auto outcome = Ask(frame);
        return outcome.transmission ? outcome.transmission->bytes : Bytes{};
    }

    // Register values of a read reply, checked for a sound frame on the way.
    std::vector<std::uint16_t> Registers(std::uint8_t function, std::uint16_t reg,
                                         std::uint16_t count, std::uint8_t address = 1) {
        Bytes reply = ReplyTo(Read(function, reg, count, address));
        std::vector<std::uint16_t> values;
        EXPECT_TRUE(HasValidCrc(reply)) << HexText(reply);
        if (reply.size() != 5U + 2U * count || reply[1] != function || reply[2] != 2 * count) {
            ADD_FAILURE() << "not a read reply: " << HexText(reply);
            return values;
        }
        for (std::size_t i = 0; i < count; ++i) {
            values.push_back(Word(reply[3 + 2 * i], reply[4 + 2 * i]));
        }
        return values;
    }

    std::int16_t Shown(std::uint16_t reg) {
        return static_cast<std::int16_t>(Registers(fn::ReadInput, reg, 1).at(0));
    }

    std::string State(const std::string& key) {
        for (const auto& [name, value] : unit_.StateEntries(now_)) {
            if (name == key) {
                return value;
            }
        }
        ADD_FAILURE() << "no state key " << key;
        return {};
    }

    void Command(const char* line) { ASSERT_TRUE(unit_.Command(line)) << line; }

    Unit unit_;
    Micros now_{1000000};
};

TEST_F(UnitTest, ReadsTheIdentityBlockAsAToolWould) {
    Bytes reply = ReplyTo(Read(fn::ReadInput, reg::Identity, 7));
    Bytes expected{0x01, 0x04, 0x0E, 'Z',  'O',  'R',  0,    0,   0,
                   0,    0,    0x01, 0x12, 0x00, 0x01, 0x00, 0x02};
    AppendCrc(expected);
    EXPECT_EQ(HexText(reply), HexText(expected));
}

TEST_F(UnitTest, ReadsTheBusSettingsAndCorrections) {
    EXPECT_EQ(Registers(fn::ReadHolding, reg::Address, 3), (std::vector<std::uint16_t>{1, 4, 2}));
    EXPECT_EQ(Registers(fn::ReadHolding, reg::TemperatureCorrection, 2),
              (std::vector<std::uint16_t>{0, 0}));
}

TEST_F(UnitTest, ReadsTheStartValuesWhenStill) {
    EXPECT_EQ(Registers(fn::ReadInput, reg::Temperature, 3),
              (std::vector<std::uint16_t>{2215, 4520, 350}));
}

TEST_F(UnitTest, AnEightLetterIdentityFillsAllFourRegisters) {
    Command("identity ABCDEFGH");
    EXPECT_EQ(Registers(fn::ReadInput, reg::Identity, 4),
              (std::vector<std::uint16_t>{0x4142, 0x4344, 0x4546, 0x4748}));
    Command("identity zor");
    EXPECT_EQ(Registers(fn::ReadInput, reg::Identity, 4),
              (std::vector<std::uint16_t>{0x7A6F, 0x7200, 0, 0}));
    Command("identity");
    EXPECT_EQ(Registers(fn::ReadInput, reg::Identity, 4), (std::vector<std::uint16_t>{0, 0, 0, 0}));
    EXPECT_EQ(State("identity"), "");
}

struct ExceptionCase {
    const char* name;
    Bytes request;
    std::uint8_t code;
};

class UnitExceptions : public UnitTest, public ::testing::WithParamInterface<ExceptionCase> {};

TEST_P(UnitExceptions, AnswersWithTheExceptionAndChangesNothing) {
    const ExceptionCase& c = GetParam();
    auto before = unit_.StateEntries(now_);
    Bytes reply = ReplyTo(c.request);
    Bytes expected{0x01, static_cast<std::uint8_t>(c.request[1] | 0x80), c.code};
    AppendCrc(expected);
    EXPECT_EQ(HexText(reply), HexText(expected));
    auto after = unit_.StateEntries(now_);
    std::map<std::string, std::string> changed;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i] != before[i] && after[i].first != "requests" &&
            after[i].first != "last_request" && after[i].first != "last_reply") {
            changed[after[i].first] = after[i].second;
        }
    }
    EXPECT_TRUE(changed.empty()) << changed.begin()->first;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, UnitExceptions,
    ::testing::Values(
        ExceptionCase{"read coils", Read(1, 0, 1), 1},
        ExceptionCase{"write multiple",
                      [] {
                          Bytes frame{0x01, 0x10, 0x01, 0x00, 0x00, 0x01, 0x02, 0x00, 0x05};
                          AppendCrc(frame);
                          return frame;
                      }(),
                      1},
        ExceptionCase{"report id",
                      [] {
                          Bytes frame{0x01, 0x11};
                          AppendCrc(frame);
                          return frame;
                      }(),
                      1},
        ExceptionCase{"gap between serial and readings", Read(4, 7, 1), 2},
        ExceptionCase{"identity read past the serial", Read(4, 0, 8), 2},
        ExceptionCase{"readings read past the end", Read(4, 16, 4), 2},
        ExceptionCase{"count 0", Read(4, 0, 0), 2}, ExceptionCase{"count 126", Read(4, 0, 126), 2},
        ExceptionCase{"input read wrapping past 65535", Read(4, 65535, 2), 2},
        ExceptionCase{"holding register as input", Read(4, 256, 1), 2},
        ExceptionCase{"input register as holding", Read(3, 16, 1), 2},
        ExceptionCase{"holding gap after corrections", Read(3, 256, 3), 2},
        ExceptionCase{"holding read into the bus block from below", Read(3, 511, 2), 2},
        ExceptionCase{"holding read past parity", Read(3, 512, 4), 2},
        ExceptionCase{"restart is write-only", Read(3, 1040, 1), 2},
        ExceptionCase{"write to an input register", Write(16, 100), 2},
        ExceptionCase{"write outside the map", Write(300, 1), 2},
        ExceptionCase{"address 0", Write(512, 0), 3},
        ExceptionCase{"address 248", Write(512, 248), 3},
        ExceptionCase{"baud index 8", Write(513, 8), 3},
        ExceptionCase{"parity index 4", Write(514, 4), 3},
        ExceptionCase{"restart with another value", Write(1040, 0x55AB), 3},
        ExceptionCase{"temperature correction 50.01", Write(256, 5001), 3},
        ExceptionCase{"temperature correction -50.01", Write(256, Raw(-5001)), 3},
        ExceptionCase{"humidity correction -327.68", Write(257, 0x8000), 3}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) {
                c = '_';
            }
        }
        return name;
    });

TEST_F(UnitTest, AcceptsTheLimitsOfEveryWritableRegister) {
    const std::pair<std::uint16_t, std::uint16_t> writes[] = {
        {256, 5000}, {256, Raw(-5000)}, {257, 5000}, {257, Raw(-5000)}, {512, 1},
        {512, 247},  {513, 0},          {513, 7},    {514, 0},          {514, 3},
    };
    for (const auto& [reg, value] : writes) {
        Bytes request = Write(reg, value);
        EXPECT_EQ(HexText(ReplyTo(request)), HexText(request)) << reg << " = " << value;
        EXPECT_EQ(State("last_write"), std::to_string(reg) + ' ' + std::to_string(value));
    }
    EXPECT_EQ(State("writes"), "10");
}

TEST_F(UnitTest, CorrectionLimitFollowsTheCommand) {
    Command("limit 100");
    EXPECT_EQ(ReplyTo(Write(256, 101))[1], 0x86);
    EXPECT_EQ(ReplyTo(Write(256, Raw(-100)))[1], 0x06);
}

TEST_F(UnitTest, ShownReadingsIncludeTheCorrections) {
    ReplyTo(Write(reg::TemperatureCorrection, Raw(-150)));
    ReplyTo(Write(reg::HumidityCorrection, 250));
    EXPECT_EQ(Shown(reg::Temperature), 2215 - 150);
    EXPECT_EQ(Shown(reg::Humidity), 4520 + 250);
    EXPECT_EQ(Shown(reg::Formaldehyde), 350);
    EXPECT_EQ(State("temperature"), "2065");
    EXPECT_EQ(State("tcorr"), "-150");
    EXPECT_EQ(Registers(fn::ReadHolding, reg::TemperatureCorrection, 1).at(0), Raw(-150));
}

TEST_F(UnitTest, ReadingsStayWithinTheSixteenBitRange) {
    Command("set temperature 32000");
    Command("set tcorr 5000");
    EXPECT_EQ(Shown(reg::Temperature), 32767);
    Command("set temperature -32000");
    Command("set tcorr -5000");
    EXPECT_EQ(Shown(reg::Temperature), -32768);
}

TEST_F(UnitTest, ReadingsDriftSlowlyAroundTheBaseUnlessStill) {
    Command("still off");
    ReplyTo(Write(reg::TemperatureCorrection, 100));
    std::set<int> seen;
    for (int second = 0; second < 600; second += 7) {
        now_ = std::chrono::seconds(second);
        int shown = Shown(reg::Temperature);
        EXPECT_LE(std::abs(shown - (2215 + 100)), MaximumDrift(Channel::Temperature));
        seen.insert(shown);
        now_ += 1s;
        EXPECT_LE(std::abs(Shown(reg::Temperature) - shown), 5) << "a jump within one second";
    }
    EXPECT_GT(seen.size(), 10U);
    Command("still on");
    EXPECT_EQ(Shown(reg::Temperature), 2215 + 100);
}

TEST_F(UnitTest, RequestsForOtherUnitsAreIgnored) {
    auto outcome = Ask(Read(fn::ReadInput, 0, 4, 2));
    EXPECT_EQ(outcome.disposition, Disposition::Ignored);
    EXPECT_FALSE(outcome.transmission);
    ReplyTo(Write(reg::TemperatureCorrection, 100, 247));
    EXPECT_EQ(State("tcorr"), "0");
    EXPECT_EQ(State("ignored"), "2");
    EXPECT_EQ(State("requests"), "0");
}

TEST_F(UnitTest, BroadcastWritesAreCarriedOutSilently) {
    auto outcome = Ask(Write(reg::HumidityCorrection, 75, BroadcastAddress));
    EXPECT_EQ(outcome.disposition, Disposition::Executed);
    EXPECT_FALSE(outcome.transmission);
    EXPECT_EQ(State("hcorr"), "75");
    EXPECT_EQ(State("writes"), "1");
    EXPECT_EQ(State("requests"), "1");
    EXPECT_FALSE(Ask(Read(fn::ReadInput, 0, 4, BroadcastAddress)).transmission);
    EXPECT_FALSE(Ask(Write(512, 0, BroadcastAddress)).transmission); // bad value: no exception
    EXPECT_EQ(State("stored_address"), "1");
}

TEST_F(UnitTest, BusSettingsAreStoredAtOnceAndTakeEffectAtRestart) {
    ReplyTo(Write(reg::Address, 5));
    ReplyTo(Write(reg::Baud, 3));
    ReplyTo(Write(reg::Parity, 1));
    EXPECT_EQ(Registers(fn::ReadHolding, reg::Address, 3), (std::vector<std::uint16_t>{5, 3, 1}));
    EXPECT_EQ(unit_.ActiveAddress(), 1);
    EXPECT_EQ(unit_.ActiveLine().Text(), "19200 E");
    EXPECT_FALSE(Ask(Read(fn::ReadInput, 0, 1, 5)).transmission);

    Bytes restart = Write(reg::Restart, reg::RestartValue);
    EXPECT_EQ(HexText(ReplyTo(restart)), "01 06 04 10 55 AA 36 10");
    EXPECT_EQ(unit_.ActiveAddress(), 5);
    EXPECT_EQ(unit_.ActiveLine().Text(), "9600 O");
    EXPECT_EQ(State("restarts"), "1");
    EXPECT_EQ(State("address"), "5");
    EXPECT_EQ(State("baud"), "3");
    EXPECT_EQ(State("parity"), "1");

    now_ += 499ms;
    EXPECT_EQ(Ask(Read(fn::ReadInput, 0, 1, 5)).disposition, Disposition::Ignored);
    now_ += 1ms;
    EXPECT_EQ(Registers(fn::ReadInput, reg::Firmware, 1, 5).at(0), 0x0112);
    EXPECT_EQ(Ask(Read(fn::ReadInput, 0, 1, 1)).disposition, Disposition::Ignored);
}

TEST_F(UnitTest, RestartSilenceFollowsTheCommand) {
    Command("restart-silence 20");
    ReplyTo(Write(reg::Restart, reg::RestartValue));
    now_ += 19ms;
    EXPECT_FALSE(Ask(Read(fn::ReadInput, 4, 1)).transmission);
    now_ += 1ms;
    EXPECT_TRUE(Ask(Read(fn::ReadInput, 4, 1)).transmission);
}

TEST_F(UnitTest, ABroadcastRestartTakesEffectToo) {
    ReplyTo(Write(reg::Address, 9));
    EXPECT_FALSE(Ask(Write(reg::Restart, reg::RestartValue, BroadcastAddress)).transmission);
    EXPECT_EQ(unit_.ActiveAddress(), 9);
}

TEST_F(UnitTest, BadFramesAreCountedAndTheNextGoodOneIsAnswered) {
    Bytes damaged = Read(fn::ReadInput, 0, 4);
    damaged[2] ^= 0x40;
    EXPECT_EQ(Ask(damaged).disposition, Disposition::BadFrame);
    EXPECT_EQ(Ask(Bytes{0x01, 0x04}).disposition, Disposition::BadFrame);
    Bytes longRead = Read(fn::ReadInput, 0, 4);
    longRead.insert(longRead.end() - 2, 0x00);
    longRead.resize(longRead.size() - 2);
    AppendCrc(longRead); // valid CRC, but nine bytes for a read
    EXPECT_EQ(Ask(longRead).disposition, Disposition::BadFrame);
    EXPECT_EQ(State("bad_frames"), "3");
    EXPECT_EQ(State("requests"), "0");
    EXPECT_EQ(Registers(fn::ReadInput, reg::Firmware, 1).at(0), 0x0112);
    EXPECT_EQ(State("last_request"), HexText(Read(fn::ReadInput, reg::Firmware, 1)));
}

TEST_F(UnitTest, FaultsShapeEveryReplyIncludingExceptions) {
    Command("fault badcrc");
    Bytes reply = ReplyTo(Read(fn::ReadInput, 7, 1));
    ASSERT_EQ(reply.size(), 5U);
    EXPECT_EQ(reply[1], 0x84);
    EXPECT_FALSE(HasValidCrc(reply));
    EXPECT_EQ(State("last_reply"), HexText(reply));
    EXPECT_EQ(State("fault"), "badcrc");
    Command("fault short 3");
    EXPECT_EQ(HexText(ReplyTo(Read(fn::ReadInput, 0, 4))), "01 04 08");
}

TEST_F(UnitTest, AOneShotFaultShapesTheNextReplyOnlyThenTheLastingOneIsBack) {
    const Bytes request = Read(fn::ReadInput, reg::Firmware, 1);
    const Bytes clean = ReplyTo(request);
    Command("fault surplus 1");
    Command("once function 3");
    EXPECT_EQ(State("once"), "function 3");
    Bytes faulted = ReplyTo(request);
    ASSERT_EQ(faulted.size(), clean.size());
    EXPECT_EQ(faulted[1], 3);
    EXPECT_EQ(State("once"), "none");
    Bytes lasting = clean;
    lasting.push_back(SurplusByte);
    EXPECT_EQ(ReplyTo(request), lasting);
}

TEST_F(UnitTest, AOneShotFaultWaitsForAReply) {
    Command("once badcrc");
    EXPECT_FALSE(Ask(Read(fn::ReadInput, 0, 4, 9)).transmission); // another unit's request
    EXPECT_EQ(State("once"), "badcrc");
    EXPECT_FALSE(HasValidCrc(ReplyTo(Read(fn::ReadInput, 0, 4))));
    EXPECT_TRUE(HasValidCrc(ReplyTo(Read(fn::ReadInput, 0, 4))));
}

TEST_F(UnitTest, ASilentUnitStillCarriesOutWhatItHears) {
    Command("fault silent");
    auto outcome = Ask(Write(reg::TemperatureCorrection, 42));
    EXPECT_EQ(outcome.disposition, Disposition::Answered);
    EXPECT_FALSE(outcome.transmission);
    EXPECT_EQ(State("tcorr"), "42");
    EXPECT_EQ(State("last_reply"), "");
}

TEST_F(UnitTest, SetChangesStoredAndActiveBusSettingsTogether) {
    Command("set address 7");
    Command("set baud 7");
    Command("set parity 0");
    EXPECT_EQ(unit_.ActiveAddress(), 7);
    EXPECT_EQ(unit_.ActiveLine().Text(), "115200 N");
    EXPECT_EQ(Registers(fn::ReadHolding, reg::Address, 3, 7),
              (std::vector<std::uint16_t>{7, 7, 0}));
}

TEST_F(UnitTest, SetChangesTheIdentityBlockValues) {
    Command("set serial 0x00030004");
    Command("set firmware 0x0201");
    EXPECT_EQ(Registers(fn::ReadInput, reg::Firmware, 3),
              (std::vector<std::uint16_t>{0x0201, 0x0003, 0x0004}));
    EXPECT_EQ(State("serial"), "196612");
    EXPECT_EQ(State("firmware"), "513");
}

TEST_F(UnitTest, ResetRestoresTheStartButKeepsTheCounters) {
    Command("set temperature 100");
    Command("set tcorr 10");
    Command("identity zor");
    Command("fault delay 200");
    Command("once silent");
    Command("still off");
    Command("limit 10");
    Command("set address 9");
    ReplyTo(Write(reg::Baud, 0, 9));
    ReplyTo(Write(reg::Restart, reg::RestartValue, 9));
    EXPECT_FALSE(unit_.Command("bogus"));

    Command("reset");
    EXPECT_EQ(State("address"), "1");
    EXPECT_EQ(State("stored_baud"), "4");
    EXPECT_EQ(State("baud"), "4");
    EXPECT_EQ(State("restarting"), "0");
    EXPECT_EQ(State("fault"), "none");
    EXPECT_EQ(State("once"), "none");
    EXPECT_EQ(State("still"), "on");
    EXPECT_EQ(State("limit"), "5000");
    EXPECT_EQ(State("identity"), "ZOR");
    EXPECT_EQ(Shown(reg::Temperature), 2215);
    EXPECT_EQ(State("commands"), "10");
    EXPECT_EQ(State("bad_commands"), "1");
    EXPECT_EQ(State("writes"), "2");
    EXPECT_EQ(State("restarts"), "1");
}

TEST_F(UnitTest, StateFileHasEveryKeyTheTestsReadOnce) {
    std::map<std::string, int> keys;
    for (const auto& entry : unit_.StateEntries(now_)) {
        ++keys[entry.first];
    }
    for (const char* key :
         {"commands",   "requests",       "ignored",     "bad_frames",    "last_request",
          "last_reply", "writes",         "last_write",  "address",       "baud",
          "parity",     "stored_address", "stored_baud", "stored_parity", "temperature",
          "humidity",   "formaldehyde",   "tcorr",       "hcorr",         "serial",
          "firmware",   "identity",       "restarts",    "fault",         "once"}) {
        EXPECT_EQ(keys[key], 1) << key;
    }
}

} // namespace
} // namespace zorsim
