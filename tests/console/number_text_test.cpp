#include "console/number_text.h"
#include "support/lab.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr float Infinity = std::numeric_limits<float>::infinity();

// Floats compared bit for bit, so that -0 and +0 differ.
::testing::AssertionResult SameFloat(float expected, float actual) {
    if (std::bit_cast<uint32_t>(expected) == std::bit_cast<uint32_t>(actual))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "expected " << std::hexfloat << expected << ", got " << actual;
}

// The exact quotient raw / divisor written with integer arithmetic only.
std::string QuotientText(int raw, int divisor, int decimals) {
    int magnitude = std::abs(raw);
    std::string fraction = std::to_string(magnitude % divisor);
    std::string text = raw < 0 ? "-" : "";
    text += std::to_string(magnitude / divisor);
    text += '.';
    text.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
    text += fraction;
    return text;
}

// ---------------------------------------------------------------------------

struct HexCase {
    uint32_t value;
    uint8_t count;
    const char* expected;
};

TEST(HexDigitsTest, GivesExactlyCountLowDigitsInUppercase) {
    const HexCase cases[] = {
        {0x12345678, 0, ""},
        {0x12345678, 1, "8"},
        {0x12345678, 2, "78"},
        {0x12345678, 3, "678"},
        {0x12345678, 4, "5678"},
        {0x12345678, 5, "45678"},
        {0x12345678, 6, "345678"},
        {0x12345678, 7, "2345678"},
        {0x12345678, 8, "12345678"},
        {0xABCDEF09, 8, "ABCDEF09"},
        {0xFFFFFFFF, 8, "FFFFFFFF"},
        {0x1234, 2, "34"},
        {0xA, 1, "A"},
        {0, 2, "00"},
        {0x5, 4, "0005"},
        {0xCAFE, 9, "0000CAFE"},
    };
    for (const HexCase& c : cases)
        EXPECT_STREQ(c.expected, HexDigits(c.value, c.count))
            << std::hex << c.value << " count " << int{c.count};
}

TEST(HexDigitsTest, ShorterCallEndsTheTextOfALongerOne) {
    const char* first = HexDigits(0x1234, 4);
    const char* second = HexDigits(0x5, 1);
    EXPECT_EQ(first, second); // one buffer, as callers are told
    EXPECT_STREQ("5", second);
}

TEST(IntegerTextTest, ShortestDecimalWithMinusForNegatives) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "0"},
        {-1, "-1"},
        {7, "7"},
        {1000, "1000"},
        {-32768, "-32768"},
        {std::numeric_limits<int32_t>::max(), "2147483647"},
        {std::numeric_limits<int32_t>::min(), "-2147483648"},
        {static_cast<int32_t>(0xFFFFFFFFu), "-1"},
        {static_cast<int32_t>(2147483648u), "-2147483648"},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(expected, IntegerText(value)) << value;
}

struct FixedCase {
    float value;
    int decimals;
    const char* expected;
};

TEST(FixedTextTest, FollowsTheRoundingSteps) {
    const FixedCase cases[] = {
        {21.5f, 2, "21.50"},
        {0.0f, 2, "0.00"},
        {-0.05f, 2, "-0.05"},
        {327.67f, 2, "327.67"},
        {-327.68f, 2, "-327.68"},
        {0.125f, 2, "0.13"}, // exact half: away from zero
        {-0.125f, 2, "-0.13"},
        {123.4f, 1, "123.4"},
        {-0.1f, 1, "-0.1"},
        {-0.001f, 2, "-0.00"}, // sign kept when it rounds to zero
        {-0.0f, 2, "-0.00"},
        {2.675f, 2, "2.67"},                  // held as 2.674999952..., which 10 digits still show
        {17179869184.0f, 0, "17179869180"},   // 2^34 has 11 digits
        {1.5e-7f, 17, "0.00000015000000530"}, // 1.50000005305...e-7 cut to 10 digits
        {1048575.0625f, 3, "1048575.062"},    // exact half at the 11th digit: to even
        {1048575.1875f, 3, "1048575.188"},    // ... and up from an odd digit
        {99999.99609375f, 2, "100000.00"},    // carry through every digit
        {2.5f, 0, "3"},
        {-2.5f, 0, "-3"},
        {0.4f, 0, "0"},
        {0.5f, 4, "0.5000"},
        {7.0f, -3, "7"},
        {std::numeric_limits<float>::max(), 0, "340282346600000000000000000000000000000"},
        {std::numeric_limits<float>::denorm_min(), 2, "0.00"},
        {-std::numeric_limits<float>::denorm_min(), 2, "-0.00"},
        {Infinity, 2, "Inf"},
        {-Infinity, 2, "-Inf"},
        {std::numeric_limits<float>::quiet_NaN(), 2, "Nan"},
    };
    for (const FixedCase& c : cases)
        EXPECT_EQ(c.expected, FixedText(c.value, c.decimals))
            << std::hexfloat << c.value << " with " << c.decimals;
}

TEST(FixedTextTest, SmallestSubnormalShowsItsTenSignificantDigits) {
    std::string text = FixedText(std::numeric_limits<float>::denorm_min(), 54);
    EXPECT_EQ("0." + std::string(44, '0') + "1401298464", text);
}

TEST(FirmwareTextTest, MajorWithOneDigitUpToNine) {
    const std::pair<uint16_t, const char*> cases[] = {
        {0x0112, "1.12"},  {0x0109, "1.09"},  {0x0905, "9.05"}, {0x1000, "10.00"},
        {0x0A01, "0A.01"}, {0x0F00, "0F.00"}, {0x00FF, "0.FF"}, {0xFFFF, "FF.FF"},
    };
    for (const auto& [version, expected] : cases)
        EXPECT_EQ(expected, FirmwareText(version)) << std::hex << version;
}

// ---------------------------------------------------------------------------

struct ReadCase {
    const char* text;
    float expected;
};

const ReadCase ReadCases[] = {
    {"1,5", 1.5f},
    {" -2.25", -2.25f},
    {"2.25 ", 0.0f},
    {"", 0.0f},
    {"abc", 0.0f},
    {"1e2", 100.0f},
    {"1E3", 1000.0f},
    {"1,5,0", 0.0f},
    {"1..2", 0.0f},
    {"+.5", 0.5f},
    {"5.", 5.0f},
    {".", 0.0f},
    {"-.", 0.0f},
    {".e5", 0.0f},
    {"-", 0.0f},
    {"   ", 0.0f},
    {"- 1", 0.0f},
    {"+-1", 0.0f},
    {"\t7", 0.0f},
    {"   7", 7.0f},
    {"1e+", 1.0f},
    {"1e-", 1.0f},
    {"1e", 0.0f},
    {"1e2.5", 0.0f},
    {"1e-2", 0.01f},
    {"0.1", 0.1f},
    {"-0", -0.0f},
    {"0e99999", 0.0f},
    {"12345678901234567890", 123456789012345.0f},
    {"000000000000001x", 1.0f}, // the 16th character is never read
    {"1e0000000000005", 100000.0f},
    {"3.4028235e38", std::numeric_limits<float>::max()},
    {"3.4028235677e38", std::numeric_limits<float>::max()}, // below max + half unit
    {"3.4028235678e38", Infinity},
    {"1e39", Infinity},
    {"-1e39", -Infinity},
    {"1e9999999999999", Infinity},
    {"1e-45", std::numeric_limits<float>::denorm_min()},
    {"7.1e-46", std::numeric_limits<float>::denorm_min()},
    {"7e-46", 0.0f},
    {"-1e-50", -0.0f},
    {"1e-99999999999", 0.0f},
    {"inf", Infinity},
    {"-Inf", -Infinity},
    {"+INF", Infinity},
    {" iNf", Infinity},
    {"inf ", 0.0f},
    {"infinity", 0.0f},
    {"in", 0.0f},
    {"- inf", 0.0f},
    // Rounded to the extended format first, this lands on a midpoint between
    // two floats and goes to the even one; rounded straight to single it
    // would go up.
    {"359941436573e14", 0x1.dc60e8p+84f},
    {"251961583303e16", 0x1.0485acp+91f},
};

class ReadNumberTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadNumberTest, ReadsTheWholeTextOrGivesZero) {
    const ReadCase& c = GetParam();
    EXPECT_TRUE(SameFloat(c.expected, ReadNumber(c.text))) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, ReadNumberTest, ::testing::ValuesIn(ReadCases));

TEST(ReadNumberNanTest, NanInAnyCaseAfterTheSign) {
    for (const char* text : {"nan", "NaN", "-NaN", "+nAN", "  NAN"})
        EXPECT_TRUE(std::isnan(ReadNumber(text))) << text;
    for (const char* text : {"nan ", "nana", "na"})
        EXPECT_TRUE(SameFloat(0.0f, ReadNumber(text))) << text;
}

TEST(ReadNumberTest, NullTextReadsZero) {
    EXPECT_TRUE(SameFloat(0.0f, ReadNumber(nullptr)));
}

// A command line must refuse what the window reads as 0 for want of a number.
TEST(TryReadNumberTest, TellsATypedZeroFromATextThatIsNoNumber) {
    for (const char* zero : {"0", "-0,0", " +.0", "0e5"}) {
        float value = 7.0f;
        EXPECT_TRUE(TryReadNumber(zero, value)) << zero;
        EXPECT_EQ(value, 0.0f) << zero;
    }
    for (const char* text : {"", "abc", ".", "-", "2.25 ", "1e", "- 1", "infinity"}) {
        float value = 7.0f;
        EXPECT_FALSE(TryReadNumber(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 7.0f) << '"' << text << '"';
    }
    float untouched = 7.0f;
    EXPECT_FALSE(TryReadNumber(nullptr, untouched));
    for (const ReadCase& c : ReadCases) {
        float value = 0.0f;
        if (TryReadNumber(c.text, value)) {
            EXPECT_TRUE(SameFloat(value, ReadNumber(c.text))) << '"' << c.text << '"';
        }
    }
}

// Ten significant digits name every float uniquely, so the fixed text of a
// float must read back as the very same float: this ties the exact decimal
// expansion and the correctly rounded reading together over many binades.
TEST(ReadNumberTest, FixedTextWithTenDigitsReadsBackExactly) {
    constexpr float Lowest = 0.001f;
    constexpr float Highest = 1e9f;
    constexpr uint32_t Stride = 1009; // about 250000 floats, every binade
    int wrong = 0;
    for (uint32_t bits = std::bit_cast<uint32_t>(Lowest); bits < std::bit_cast<uint32_t>(Highest);
         bits += Stride) {
        float value = std::bit_cast<float>(bits);
        int decimals = 9;
        for (double power = 1; power * 10 <= value; power *= 10)
            --decimals;
        for (double power = 1; value < power && decimals < 12; power /= 10)
            ++decimals;
        std::string text = FixedText(-value, decimals);
        if (!SameFloat(-value, ReadNumber(text.c_str())) && wrong++ < 10)
            ADD_FAILURE() << std::hexfloat << value << " shown as " << text;
    }
    EXPECT_EQ(0, wrong);
}

// ---------------------------------------------------------------------------

struct ScaleCase {
    int divisor;
    int decimals;
};

class ScaledValueTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaledValueTest, EveryRawValueShowsItsExactQuotient) {
    const ScaleCase c = GetParam();
    int wrong = 0;
    for (int raw = std::numeric_limits<int16_t>::min(); raw <= std::numeric_limits<int16_t>::max();
         ++raw) {
        std::string shown =
            FixedText(ScaledValue(static_cast<int16_t>(raw), c.divisor), c.decimals);
        std::string exact = QuotientText(raw, c.divisor, c.decimals);
        if (shown != exact && wrong++ < 10)
            ADD_FAILURE() << raw << " / " << c.divisor << ": " << shown << " instead of " << exact;
    }
    EXPECT_EQ(0, wrong);
}

INSTANTIATE_TEST_SUITE_P(Divisors, ScaledValueTest,
                         ::testing::Values(ScaleCase{100, 2}, ScaleCase{10, 1}));

TEST(ScaledValueTest, RangeEndsAndSmallValues) {
    const struct {
        int16_t raw;
        int divisor;
        int decimals;
        const char* expected;
    } cases[] = {
        {32767, 100, 2, "327.67"},  {-32768, 100, 2, "-327.68"}, {32767, 10, 1, "3276.7"},
        {-32768, 10, 1, "-3276.8"}, {215, 100, 2, "2.15"},       {-5, 100, 2, "-0.05"},
        {0, 100, 2, "0.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, FixedText(ScaledValue(c.raw, c.divisor), c.decimals)) << c.raw;
}

// ---------------------------------------------------------------------------

struct CorrectionCase {
    const char* typed;
    int16_t raw;
    const char* shown;
};

TEST(CorrectionTest, TypedTextToRegisterValueAndShownText) {
    const CorrectionCase cases[] = {
        {"1,5", 150, "1.50"},
        {"400", 32767, "327.67"},
        {"-400", -32768, "-327.68"},
        {"327.67", 32767, "327.67"},
        {"-327.68", -32768, "-327.68"},
        {"327.675", 32767, "327.67"},
        {"inf", 32767, "327.67"},
        {"-inf", -32768, "-327.68"},
        {"1e39", 32767, "327.67"},
        {"abc", 0, "0.00"},
        {"nan", 0, "0.00"},
        {"-nan", 0, "0.00"},
        {"0.125", 12, "0.13"}, // x 100 = 12.5 goes to the even 12
        {"0.375", 38, "0.38"},
        {"-0.125", -12, "-0.13"},
        {"0.005", 0, "0.00"}, // held as 0.00499999988...: below the half
        {"-2.25", -225, "-2.25"},
    };
    for (const CorrectionCase& c : cases) {
        float limited = LimitCorrection(ReadNumber(c.typed));
        EXPECT_EQ(c.raw, CorrectionRaw(limited)) << c.typed;
        EXPECT_EQ(c.shown, FixedText(limited, 2)) << c.typed;
    }
}

TEST(CorrectionTest, LimitsAreComparedWithTheExactDecimals) {
    const float justBelowHighest = std::nextafter(327.67f, 0.0f); // 327.66998...
    const float justAboveLowest = std::nextafter(-327.68f, 0.0f); // -327.67999...
    const float pastLowest = std::nextafter(-327.68f, -Infinity);
    EXPECT_TRUE(SameFloat(justBelowHighest, LimitCorrection(justBelowHighest)));
    EXPECT_TRUE(SameFloat(justAboveLowest, LimitCorrection(justAboveLowest)));
    EXPECT_TRUE(SameFloat(-327.68f, LimitCorrection(pastLowest)));
    EXPECT_TRUE(SameFloat(327.67f, LimitCorrection(std::nextafter(327.67f, Infinity))));
    EXPECT_TRUE(SameFloat(0.0f, LimitCorrection(std::numeric_limits<float>::quiet_NaN())));
}

TEST(CorrectionTest, RawOfUnlimitedValuesStaysInRange) {
    EXPECT_EQ(32767, CorrectionRaw(1e30f));
    EXPECT_EQ(-32768, CorrectionRaw(-Infinity));
    EXPECT_EQ(0, CorrectionRaw(std::numeric_limits<float>::quiet_NaN()));
}

// ---------------------------------------------------------------------------

// Under a locale whose decimal separator is a comma, the C library's own
// number formatting and reading change; ours must not.
class CommaLocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"Czech", "Czech_Czechia.1250", "Czech_Czech Republic.1250",
                                 "cs-CZ", "cs_CZ.UTF-8", "German"}) {
            if (std::setlocale(LC_ALL, name) != nullptr &&
                std::localeconv()->decimal_point[0] == ',') {
                return;
            }
        }
        std::setlocale(LC_ALL, "C");
        if (InsideLab()) {
            FAIL() << "the lab gives no locale with a decimal comma";
        }
        GTEST_SKIP() << "no locale with a decimal comma is available";
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(CommaLocaleTest, TextAndReadingStayTheSame) {
    char library[32];
    std::snprintf(library, sizeof library, "%.2f", 21.5);
    EXPECT_STREQ("21,50", library); // the locale really is in force

    EXPECT_EQ("21.50", FixedText(21.5f, 2));
    EXPECT_EQ("-0.05", FixedText(-0.05f, 2));
    EXPECT_EQ("327.67", FixedText(ScaledValue(32767, 100), 2));
    EXPECT_EQ("-2147483648", IntegerText(std::numeric_limits<int32_t>::min()));
    EXPECT_EQ("1.12", FirmwareText(0x0112));
    for (const ReadCase& c : ReadCases)
        EXPECT_TRUE(SameFloat(c.expected, ReadNumber(c.text))) << '"' << c.text << '"';
}

} // namespace
