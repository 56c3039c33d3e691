#include "console/number_edit.h"

#include "console/number_text.h"
#include "console/value_field.h"

namespace {

// ES_AUTOHSCROLL is left out: the user can type only as much as the field
// shows, so what is read is what is seen.
constexpr DWORD NumberEditStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_RIGHT;
// No typing limit: the text is cut when it is read.
constexpr std::int32_t NoTextRecord = 0;
constexpr bool MultiLine = false;
// The text is read into this many bytes, terminating zero included.
constexpr int ReadBufferSize = ReadNumberMostCharacters + 1;

} // namespace

NumberEdit::NumberEdit(WindowObject* parent, const char* text, std::int32_t x, std::int32_t y,
                       std::int32_t width, std::int32_t height, std::int32_t id)
    : EditBox(parent, text, x, y, width, height, id, NoTextRecord, MultiLine) {
    style = NumberEditStyle;
}

void NumberEdit::SetFloat(int decimals, float value) {
    SetFloatText(handle, decimals, value);
}

float NumberEdit::GetFloat() {
    char text[ReadBufferSize] = {};
    GetWindowTextA(handle, text, ReadBufferSize);
    return ReadNumber(text);
}
