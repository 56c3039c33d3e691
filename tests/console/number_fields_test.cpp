#include "console_window_test.h"

#include "console/number_edit.h"
#include "console/value_field.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace {

constexpr DWORD ValueFieldStyle = 0x50020002; // child, visible, group, right-aligned
constexpr DWORD NumberEditStyle = 0x50030002; // the same with a tab stop; no auto-scroll
constexpr DWORD ClientEdge = WS_EX_CLIENTEDGE;

class ValueFieldTest : public ConsoleWindowTest {
protected:
    void SetUp() override {
        ConsoleWindowTest::SetUp();
        field = Made(new ValueField(main, "x", 10, 20, 80, 20));
    }
    ValueField* field = nullptr;
};

TEST_F(ValueFieldTest, IsARightAlignedSunkenDisplayWithoutIdOrTextRecord) {
    EXPECT_EQ(field->style, ValueFieldStyle);
    EXPECT_EQ(field->exStyle, ClientEdge);
    EXPECT_EQ(field->id, 0u);
    EXPECT_EQ(field->textLength, 0);
    EXPECT_EQ(StyleOf(field->handle) & ~WS_CLIPSIBLINGS, ValueFieldStyle);
    EXPECT_TRUE(ExStyleOf(field->handle) & ClientEdge);
    EXPECT_EQ(GetDlgCtrlID(field->handle), 0);
    EXPECT_EQ(WindowText(field->handle), "x");
    RECT place{};
    GetWindowRect(field->handle, &place);
    EXPECT_EQ(place.right - place.left, 80);
    EXPECT_EQ(place.bottom - place.top, 20);
}

struct IntegerCase {
    std::int32_t value;
    const char* shown;
};

class ValueFieldInteger : public ValueFieldTest, public testing::WithParamInterface<IntegerCase> {};

TEST_P(ValueFieldInteger, ShowsTheSignedDecimal) {
    field->SetInteger(GetParam().value);
    EXPECT_EQ(WindowText(field->handle), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Values, ValueFieldInteger,
                         testing::Values(IntegerCase{static_cast<std::int32_t>(0xFFFFFFFFu), "-1"},
                                         IntegerCase{0, "0"}, IntegerCase{65535, "65535"},
                                         IntegerCase{INT32_MIN, "-2147483648"},
                                         IntegerCase{INT32_MAX, "2147483647"}));

struct FirmwareCase {
    std::uint16_t version;
    const char* shown;
};

class ValueFieldFirmware : public ValueFieldTest,
                           public testing::WithParamInterface<FirmwareCase> {};

TEST_P(ValueFieldFirmware, ShowsMajorAndMinorInHexDigits) {
    field->SetFirmwareVersion(GetParam().version);
    EXPECT_EQ(WindowText(field->handle), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ValueFieldFirmware,
    testing::Values(FirmwareCase{0x0109, "1.09"}, FirmwareCase{0x0A01, "0A.01"},
                    FirmwareCase{0x0112, "1.12"}, FirmwareCase{0x1000, "10.00"},
                    FirmwareCase{0x00FF, "0.FF"}, FirmwareCase{0xFFFF, "FF.FF"}));

struct FloatCase {
    int decimals;
    float value;
    const char* shown;
};

const FloatCase floatCases[] = {
    {2, -0.001f, "-0.00"},  {2, 0.125f, "0.13"},
    {2, 21.5f, "21.50"},    {2, 0.0f, "0.00"},
    {2, 327.67f, "327.67"}, {1, -0.1f, "-0.1"},
    {1, 123.4f, "123.4"},   {2, static_cast<float>(-32768 / 100.0), "-327.68"},
};

class FloatText : public ValueFieldTest, public testing::WithParamInterface<FloatCase> {};

// The display, the edit and the free function put the same text in.
TEST_P(FloatText, IsTheFixedPointTextEverywhere) {
    const FloatCase& c = GetParam();
    field->SetFloat(c.decimals, c.value);
    EXPECT_EQ(WindowText(field->handle), c.shown);

    auto* edit = Made(new NumberEdit(main, "", 10, 50, 80, 20, 200));
    edit->SetFloat(c.decimals, c.value);
    EXPECT_EQ(WindowText(edit->handle), c.shown);

    SetWindowTextA(field->handle, "");
    SetFloatText(field->handle, c.decimals, c.value);
    EXPECT_EQ(WindowText(field->handle), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Values, FloatText, testing::ValuesIn(floatCases));

TEST_F(ValueFieldTest, SetIntegerTextWorksOnAnyWindow) {
    SetIntegerText(main->handle, -42);
    EXPECT_EQ(WindowText(main->handle), "-42");
}

class NumberEditTest : public ConsoleWindowTest {
protected:
    void SetUp() override {
        ConsoleWindowTest::SetUp();
        edit = Made(new NumberEdit(main, "1", 10, 20, 120, 20, 301));
    }
    NumberEdit* edit = nullptr;
};

TEST_F(NumberEditTest, IsARightAlignedSingleLineEditWithoutTypingLimit) {
    EXPECT_EQ(edit->style, NumberEditStyle);
    EXPECT_EQ(edit->exStyle, ClientEdge);
    EXPECT_EQ(edit->textLength, 0);
    EXPECT_EQ(StyleOf(edit->handle) & ~WS_CLIPSIBLINGS, NumberEditStyle);
    EXPECT_FALSE(StyleOf(edit->handle) & (ES_AUTOHSCROLL | ES_MULTILINE));
    EXPECT_TRUE(ExStyleOf(edit->handle) & ClientEdge);
    EXPECT_EQ(GetDlgCtrlID(edit->handle), 301);
    EXPECT_STREQ(edit->ClassName(), "Edit");
    EXPECT_GT(SendMessageA(edit->handle, EM_GETLIMITTEXT, 0, 0), 15) << "no EM_LIMITTEXT sent";
}

struct TypedCase {
    const char* typed;
    float read;
};

const TypedCase typedCases[] = {
    {"1,5", 1.5f},
    {" -2.25", -2.25f},
    {"2.25 ", 0.0f},
    {"", 0.0f},
    {"abc", 0.0f},
    {"1e2", 100.0f},
    {"1,5,0", 0.0f},
    {"+.5", 0.5f},
    {"-327,68", -327.68f},
    {"12345678901234567890", 123456789012345.0f}, // 20 digits: the first 15 are read
    {"000000000000001e5", 1.0f},                  // the exponent lies past character 15
    {"               7.5", 0.0f},                 // 15 blanks: nothing but blanks is read
    {"              7.5", 7.0f},                  // 14 blanks: the cut falls before the point
    {"1.00000000000009", 1.0f},
};

class NumberEditRead : public NumberEditTest, public testing::WithParamInterface<TypedCase> {};

TEST_P(NumberEditRead, ReadsAtMostFifteenCharacters) {
    const TypedCase& c = GetParam();
    SetWindowTextA(edit->handle, c.typed);
    ASSERT_EQ(WindowText(edit->handle), c.typed) << "the edit holds the whole text";
    EXPECT_EQ(edit->GetFloat(), c.read);
}

INSTANTIATE_TEST_SUITE_P(Texts, NumberEditRead, testing::ValuesIn(typedCases));

TEST_F(NumberEditTest, ReadsBackWhatItShows) {
    edit->SetFloat(2, -12.34f);
    EXPECT_EQ(edit->GetFloat(), -12.34f);
}

} // namespace
