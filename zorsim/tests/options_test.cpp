#include "options.h"

#include <gtest/gtest.h>

namespace zorsim {
namespace {

ParsedOptions Parse(std::vector<std::string_view> arguments) {
    return ParseOptions(arguments);
}

TEST(Options, DefaultsAreTheFactoryUnit) {
    auto parsed = Parse({});
    ASSERT_EQ(parsed.error, "");
    const UnitSettings& unit = parsed.options.unit;
    EXPECT_EQ(unit.address, 1);
    EXPECT_EQ(unit.line.Text(), "19200 E");
    EXPECT_EQ(unit.serial, 65538U);
    EXPECT_EQ(unit.firmware, 0x0112);
    EXPECT_EQ(unit.identity, "ZOR");
    EXPECT_EQ(unit.correctionLimit, 5000);
    EXPECT_EQ(unit.restartSilenceMs, 500);
    EXPECT_FALSE(unit.still);
    EXPECT_EQ(unit.fault.kind, FaultKind::None);
    EXPECT_FALSE(parsed.options.pace);
    EXPECT_FALSE(parsed.options.strictLine);
}

TEST(Options, EveryOptionReachesItsSetting) {
    auto parsed = Parse({"--link",
                         "/tmp/l",
                         "--control",
                         "/tmp/c",
                         "--state",
                         "/tmp/s",
                         "--log",
                         "/tmp/g",
                         "--address",
                         "17",
                         "--baud",
                         "9600",
                         "--parity",
                         "mark",
                         "--serial",
                         "0x00030004",
                         "--firmware",
                         "275",
                         "--identity",
                         "ZOR1",
                         "--temperature",
                         "-500",
                         "--humidity",
                         "9000",
                         "--formaldehyde",
                         "12",
                         "--tcorr",
                         "-20",
                         "--hcorr",
                         "30",
                         "--correction-limit",
                         "100",
                         "--restart-silence",
                         "50",
                         "--fault",
                         "short:6",
                         "--still",
                         "--pace",
                         "--strict-line"});
    ASSERT_EQ(parsed.error, "");
    const Options& options = parsed.options;
    EXPECT_EQ(options.link, "/tmp/l");
    EXPECT_EQ(options.control, "/tmp/c");
    EXPECT_EQ(options.state, "/tmp/s");
    EXPECT_EQ(options.log, "/tmp/g");
    EXPECT_EQ(options.unit.address, 17);
    EXPECT_EQ(options.unit.line.Text(), "9600 M");
    EXPECT_EQ(options.unit.serial, 0x00030004U);
    EXPECT_EQ(options.unit.firmware, 275);
    EXPECT_EQ(options.unit.identity, "ZOR1");
    EXPECT_EQ(options.unit.temperature, -500);
    EXPECT_EQ(options.unit.humidity, 9000);
    EXPECT_EQ(options.unit.formaldehyde, 12);
    EXPECT_EQ(options.unit.temperatureCorrection, -20);
    EXPECT_EQ(options.unit.humidityCorrection, 30);
    EXPECT_EQ(options.unit.correctionLimit, 100);
    EXPECT_EQ(options.unit.restartSilenceMs, 50);
    EXPECT_EQ(options.unit.fault, (Fault{FaultKind::Short, 6}));
    EXPECT_TRUE(options.unit.still);
    EXPECT_TRUE(options.pace);
    EXPECT_TRUE(options.strictLine);
}

TEST(Options, FaultMayBeOneQuotedArgument) {
    EXPECT_EQ(Parse({"--fault", "delay 300"}).options.unit.fault, (Fault{FaultKind::Delay, 300}));
}

TEST(Options, BadCommandLinesSayWhy) {
    const std::vector<std::vector<std::string_view>> cases = {
        {"--bogus"},
        {"--address"},
        {"--address", "0"},
        {"--address", "248"},
        {"--baud", "14400"},
        {"--parity", "space"},
        {"--identity", "NINECHARS"},
        {"--fault", "loud"},
        {"--temperature", "40000"},
        {"--device", "/dev/x", "--link", "/tmp/l"},
    };
    for (const auto& arguments : cases) {
        EXPECT_NE(Parse(arguments).error, "") << arguments.front();
    }
}

} // namespace
} // namespace zorsim
