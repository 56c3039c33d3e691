// zorctl's parts that need no line: reading option values, the progress
// bar's text, the local time of a log row and the CSV rows.
#include "zorctl/csv_log.h"
#include "zorctl/local_time.h"
#include "zorctl/option_values.h"
#include "zorctl/progress_bar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(OptionValues, SingleLineSettings) {
    struct Case {
        std::string text;
        int address; // -1: refused
        int baudIndex;
        int parityIndex;
    };
    const Case cases[] = {
        {"1", 1, -1, -1},      {"247", 247, -1, -1},  {"0", -1, -1, -1},    {"248", -1, -1, -1},
        {"-1", -1, -1, -1},    {"+5", -1, -1, -1},    {" 5", -1, -1, -1},   {"5x", -1, -1, -1},
        {"", -1, -1, -1},      {"1200", -1, 0, -1},   {"19200", -1, 4, -1}, {"115200", -1, 7, -1},
        {"19201", -1, -1, -1}, {"none", -1, -1, 0},   {"odd", -1, -1, 1},   {"Even", -1, -1, 2},
        {"MARK", -1, -1, 3},   {"space", -1, -1, -1}, {"e", -1, -1, -1},
    };
    for (const Case& c : cases) {
        const auto address = ParseAddress(c.text);
        const auto baud = ParseBaud(c.text);
        const auto parity = ParseParity(c.text);
        EXPECT_EQ(address.value ? *address.value : -1, c.address) << c.text;
        EXPECT_EQ(baud.value ? *baud.value : -1, c.baudIndex) << c.text;
        EXPECT_EQ(parity.value ? *parity.value : -1, c.parityIndex) << c.text;
        for (const std::string& problem : {address.problem, baud.problem, parity.problem}) {
            EXPECT_EQ(problem.find('\n'), std::string::npos);
        }
    }
    EXPECT_EQ(ParseAddress("248").problem, "\"248\" is not a unit address (1..247)");
}

TEST(OptionValues, Lists) {
    struct Case {
        Parsed<Bytes> parsed;
        std::optional<Bytes> expected;
    };
    const Case cases[] = {
        {ParseAddressSet("1-3,2,5"), Bytes{1, 2, 3, 5}},
        {ParseAddressSet("247"), Bytes{247}},
        {ParseAddressSet("200-198"), std::nullopt},
        {ParseAddressSet("0-3"), std::nullopt},
        {ParseAddressSet("1-248"), std::nullopt},
        {ParseAddressSet("1,"), std::nullopt},
        {ParseAddressSet(""), std::nullopt},
        {ParseAddressSet("1-2-3"), std::nullopt},
        {ParseBaudList("all"), Bytes{0, 1, 2, 3, 4, 5, 6, 7}},
        {ParseBaudList("19200,9600,19200"), Bytes{4, 3}},
        {ParseBaudList("9600,1"), std::nullopt},
        {ParseBaudList(""), std::nullopt},
        {ParseParityList("all"), Bytes{0, 1, 2, 3}},
        {ParseParityList("odd,NONE"), Bytes{1, 0}},
        {ParseParityList("odd,space"), std::nullopt},
    };
    int index = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(c.parsed.value, c.expected) << "case " << index;
        EXPECT_EQ(c.parsed.problem.empty(), c.expected.has_value()) << "case " << index;
        ++index;
    }
    EXPECT_EQ(ParseAddressSet("20-10").problem,
              "\"20-10\": a range goes from the lower address to the higher");
}

TEST(OptionValues, IntervalsAndCounts) {
    EXPECT_EQ(ParseInterval("0.5").value, 0.5);
    EXPECT_EQ(ParseInterval("1,5").value, 1.5);
    EXPECT_EQ(ParseInterval("2").value, 2.0);
    for (const char* refused : {"0", "-1", "-0.1", "x", "", "inf", "nan", "1 "}) {
        EXPECT_FALSE(ParseInterval(refused).value) << refused;
    }
    EXPECT_EQ(ParseCount("1").value, 1);
    EXPECT_EQ(ParseCount("86400").value, 86400);
    for (const char* refused : {"0", "-3", "1.5", "", "many"}) {
        EXPECT_FALSE(ParseCount(refused).value) << refused;
    }
}

// The window tool's limits, compared against the exact decimals: a command
// line refuses what the window would clamp.
TEST(OptionValues, Corrections) {
    struct Case {
        const char* text;
        std::optional<float> value;
    };
    const Case cases[] = {
        {"327.67", 327.67f},
        {"-327.68", -327.68f},
        {"1,5", 1.5f},
        {"1e2", 100.0f},
        {"+.5", 0.5f},
        {"327.68", std::nullopt},
        {"-327.69", std::nullopt},
        {"400", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"1.5 ", std::nullopt},
        {"1234567890123456", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseCorrection(c.text).value, c.value) << c.text;
    }
    EXPECT_EQ(ParseCorrection("400").problem, "\"400\" is outside -327.68..327.67");
}

TEST(ProgressBarText, CountsAndTimes) {
    using std::chrono::milliseconds;
    EXPECT_EQ(ProgressBar::Text(0, 10, milliseconds(0)),
              "[..............................] 0/10  elapsed 0:00  remaining 0:00");
    EXPECT_EQ(ProgressBar::Text(5, 10, milliseconds(10500)),
              "[###############...............] 5/10  elapsed 0:10  remaining 0:10");
    EXPECT_EQ(ProgressBar::Text(247, 247, milliseconds(61000)),
              "[##############################] 247/247  elapsed 1:01  remaining 0:00");
}

// The text read back with its offset is the instant it was made from.
TEST(LocalTime, IsoTextWithOffsetNamesTheInstant) {
    using namespace std::chrono;
    const sys_days day = year{2026} / December / 11;
    const system_clock::time_point instant =
        day + hours{3} + minutes{4} + seconds{5} + milliseconds{678};
    const std::string text = IsoLocalTime(instant);
    std::smatch parts;
    const std::regex form(
        R"((\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)\.(\d{3})([+-])(\d\d):(\d\d))");
    ASSERT_TRUE(std::regex_match(text, parts, form)) << text;
    const auto number = [&parts](int i) { return std::stoi(parts[i].str()); };
    const sys_days shownDay = year{number(1)} / number(2) / number(3);
    const minutes offset = (parts[8] == "-" ? -1 : 1) * (hours{number(9)} + minutes{number(10)});
    const system_clock::time_point read = shownDay + hours{number(4)} + minutes{number(5)} +
                                          seconds{number(6)} + milliseconds{number(7)} - offset;
    EXPECT_EQ(read, instant) << text;
}

TEST(CsvLog, RowsAreWholeAndQuotedWhereNeeded) {
    const std::string path = "zorctl_parts_test.csv";
    std::string problem;
    {
        CsvLog log;
        ASSERT_TRUE(log.Create(path, {"time", "value", "status"}, problem)) << problem;
        ASSERT_TRUE(log.Append({"t1", "1.50", "ok"}, problem)) << problem;
        // Written through at once: readable before the log is closed.
        std::ifstream early(path, std::ios::binary);
        std::stringstream seen;
        seen << early.rdbuf();
        EXPECT_EQ(seen.str(), "time,value,status\nt1,1.50,ok\n");
        ASSERT_TRUE(log.Append({"t2", "", "refused, \"3\""}, problem)) << problem;
    }
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), "time,value,status\nt1,1.50,ok\nt2,,\"refused, \"\"3\"\"\"\n");
    file.close();
    std::remove(path.c_str());
}

TEST(CsvLog, AFileThatCannotBeMadeSaysWhy) {
    CsvLog log;
    std::string problem;
    EXPECT_FALSE(log.Create("no-such-folder/x.csv", {"time"}, problem));
    EXPECT_FALSE(problem.empty());
}

} // namespace
