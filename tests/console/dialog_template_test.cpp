// The line settings dialog as the program ships it: resource 1 in the
// classic template form, read back byte for byte from this test program's own
// resources (the same object as the program links).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr WORD LineSettingsDialogId = 1;
constexpr WORD EnglishUnitedStates = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr WORD OrdinalMark = 0xFFFF;
constexpr WORD ButtonClass = 0x0080;
constexpr WORD StaticClass = 0x0082;
constexpr WORD ComboBoxClass = 0x0085;

// Reads the template front to back; a read past its end fails the test.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, std::size_t size) : data(data), size(size) {}

    template <typename T> T Read() {
        T value{};
        if (position + sizeof(T) > size) {
            ADD_FAILURE() << "template ends at " << size;
            position = size;
            return value;
        }
        std::memcpy(&value, data + position, sizeof(T));
        position += sizeof(T);
        return value;
    }
    // A string field: zero-terminated UTF-16 text (ASCII here).
    std::string Text() {
        std::string text;
        for (WORD unit = Read<WORD>(); unit != 0 && position < size; unit = Read<WORD>()) {
            text += unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        return text;
    }
    // A field that is either an ordinal (0xFFFF, then the number) or a text.
    // Gives the ordinal, or 0 and the text.
    WORD OrdinalOrText(std::string& text) {
        WORD first = Read<WORD>();
        if (first == OrdinalMark) {
            return Read<WORD>();
        }
        position -= sizeof(WORD);
        text = Text();
        return 0;
    }
    void AlignToDword() { position = (position + 3) & ~std::size_t{3}; }
    std::size_t Position() const { return position; }

private:
    const BYTE* data;
    std::size_t size;
    std::size_t position = 0;
};

struct Item {
    WORD classOrdinal;
    const char* text;
    WORD id;
    short x, y, cx, cy;
    DWORD style;
};

constexpr DWORD LabelStyle = 0x50020000;
constexpr DWORD ListStyle = 0x50210003;

const Item expectedItems[] = {
    {ButtonClass, "OK", 1, 18, 53, 50, 12, 0x50030000},
    {StaticClass, "Rychlost", 0, 5, 7, 32, 10, LabelStyle},
    {ComboBoxClass, "", 101, 42, 5, 40, 80, ListStyle},
    {StaticClass, "Parita", 0, 5, 22, 32, 10, LabelStyle},
    {ComboBoxClass, "", 102, 42, 20, 40, 80, ListStyle},
    {StaticClass, "Adresa", 0, 5, 37, 32, 10, LabelStyle},
    {ComboBoxClass, "", 103, 42, 35, 40, 80, ListStyle},
};

TEST(LineSettingsDialogTemplate, MatchesTheShippedLayoutByteForByte) {
    HRSRC found = FindResourceExA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(LineSettingsDialogId),
                                  EnglishUnitedStates);
    ASSERT_NE(found, nullptr) << "dialog 1 in English (United States)";
    HGLOBAL loaded = LoadResource(nullptr, found);
    ASSERT_NE(loaded, nullptr);
    const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
    const std::size_t size = SizeofResource(nullptr, found);
    TemplateReader reader(bytes, size);

    // The header: the classic form, whose first word is not the 1 of the
    // extended form's version followed by 0xFFFF.
    ASSERT_FALSE(size >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF &&
                 bytes[3] == 0xFF)
        << "extended template";
    EXPECT_EQ(reader.Read<DWORD>(), 0x00C80080u) << "style";
    EXPECT_EQ(reader.Read<DWORD>(), 0u) << "extended style";
    const WORD itemCount = reader.Read<WORD>();
    ASSERT_EQ(itemCount, std::size(expectedItems));
    EXPECT_EQ(reader.Read<short>(), 100);
    EXPECT_EQ(reader.Read<short>(), 20);
    EXPECT_EQ(reader.Read<short>(), 87);
    EXPECT_EQ(reader.Read<short>(), 72);
    std::string menuName, className;
    EXPECT_EQ(reader.OrdinalOrText(menuName), 0);
    EXPECT_EQ(menuName, "") << "no menu";
    EXPECT_EQ(reader.OrdinalOrText(className), 0);
    EXPECT_EQ(className, "") << "the default dialog class";
    EXPECT_EQ(reader.Text(), "MODBUS RTU");
    // No DS_SETFONT, so no font fields follow the title.

    for (const Item& expected : expectedItems) {
        SCOPED_TRACE(testing::Message() << "item " << expected.id << " " << expected.text);
        reader.AlignToDword();
        EXPECT_EQ(reader.Read<DWORD>(), expected.style) << "style";
        EXPECT_EQ(reader.Read<DWORD>(), 0u) << "extended style";
        EXPECT_EQ(reader.Read<short>(), expected.x);
        EXPECT_EQ(reader.Read<short>(), expected.y);
        EXPECT_EQ(reader.Read<short>(), expected.cx);
        EXPECT_EQ(reader.Read<short>(), expected.cy);
        EXPECT_EQ(reader.Read<WORD>(), expected.id);
        std::string classText, text;
        EXPECT_EQ(reader.OrdinalOrText(classText), expected.classOrdinal) << classText;
        EXPECT_EQ(reader.OrdinalOrText(text), 0) << "text, not a resource ordinal";
        EXPECT_EQ(text, expected.text);
        EXPECT_EQ(reader.Read<WORD>(), 0) << "creation data";
    }
    reader.AlignToDword();
    EXPECT_EQ(reader.Position(), (size + 3) & ~std::size_t{3}) << "nothing after the last item";
}

} // namespace
