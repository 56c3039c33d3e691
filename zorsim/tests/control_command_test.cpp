#include "control_command.h"

#include <gtest/gtest.h>

namespace zorsim {
namespace {

using Field = ControlCommand::Field;
using Kind = ControlCommand::Kind;

struct SetCase {
    const char* line;
    Field field;
    std::int64_t value;
};

TEST(ControlCommand, SetTakesEachFieldWithinItsRange) {
    const SetCase cases[] = {
        {"set temperature -1234", Field::Temperature, -1234},
        {"set humidity 32767", Field::Humidity, 32767},
        {"set formaldehyde -32768", Field::Formaldehyde, -32768},
        {"set tcorr -5001", Field::TemperatureCorrection, -5001},
        {"set hcorr 250", Field::HumidityCorrection, 250},
        {"set address 247", Field::Address, 247},
        {"set baud 7", Field::Baud, 7},
        {"set parity 3", Field::Parity, 3},
        {"set serial 0x00010002", Field::Serial, 65538},
        {"set serial 4294967295", Field::Serial, 4294967295},
        {"set firmware 0x0113", Field::Firmware, 0x113},
        {"  set   address 5 \r", Field::Address, 5}, // written from Windows
    };
    for (const auto& c : cases) {
        auto command = ParseControlCommand(c.line);
        ASSERT_TRUE(command) << c.line;
        EXPECT_EQ(command->kind, Kind::Set) << c.line;
        EXPECT_EQ(command->field, c.field) << c.line;
        EXPECT_EQ(command->value, c.value) << c.line;
    }
}

TEST(ControlCommand, OtherCommandsCarryTheirArgument) {
    EXPECT_EQ(ParseControlCommand("reset")->kind, Kind::Reset);
    EXPECT_EQ(ParseControlCommand("identity ZOR1")->text, "ZOR1");
    EXPECT_EQ(ParseControlCommand("identity ABCDEFGH")->text, "ABCDEFGH");
    auto empty = ParseControlCommand("identity");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->kind, Kind::Identity);
    EXPECT_EQ(empty->text, "");
    auto fault = ParseControlCommand("fault short 3");
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->kind, Kind::SetFault);
    EXPECT_EQ(fault->fault, (Fault{FaultKind::Short, 3}));
    auto once = ParseControlCommand("once garbage 4");
    ASSERT_TRUE(once);
    EXPECT_EQ(once->kind, Kind::OnceFault);
    EXPECT_EQ(once->fault, (Fault{FaultKind::Garbage, 4}));
    EXPECT_EQ(ParseControlCommand("unplug")->kind, Kind::Unplug);
    EXPECT_EQ(ParseControlCommand("plug")->kind, Kind::Plug);
    EXPECT_EQ(ParseControlCommand("still on")->value, 1);
    EXPECT_EQ(ParseControlCommand("still off")->value, 0);
    EXPECT_EQ(ParseControlCommand("limit 100")->kind, Kind::Limit);
    EXPECT_EQ(ParseControlCommand("limit 100")->value, 100);
    EXPECT_EQ(ParseControlCommand("restart-silence 50")->kind, Kind::RestartSilence);
    EXPECT_EQ(ParseControlCommand("restart-silence 50")->value, 50);
}

TEST(ControlCommand, UnknownAndMalformedLinesAreRefused) {
    for (const char* line : {
             "",
             "   ",
             "hello",
             "reset now",
             "set",
             "set temperature",
             "set colour 3",
             "set temperature 32768",
             "set tcorr -32769",
             "set address 0",
             "set address 248",
             "set baud 8",
             "set parity 4",
             "set parity -1",
             "set serial 4294967296",
             "set firmware 0x10000",
             "set temperature 12abc",
             "set temperature 0x",
             "identity NINECHARS",
             "fault",
             "fault loud",
             "fault short",
             "fault delay -5",
             "once",
             "once loud",
             "unplug now",
             "plug 1",
             "still",
             "still maybe",
             "limit",
             "limit -1",
             "restart-silence",
             "restart-silence soon",
             "RESET",
         }) {
        EXPECT_FALSE(ParseControlCommand(line)) << '"' << line << '"';
    }
}

} // namespace
} // namespace zorsim
