#include "framework/static_text.h"

namespace {
constexpr DWORD StaticTextStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
} // namespace

StaticText::StaticText(WindowObject* parent, const char* text, int x, int y, int width, int height,
                       int id, std::int32_t textLength)
    : Control(parent, text, x, y, width, height, id) {
    style = StaticTextStyle;
    this->textLength = textLength;
}

const char* StaticText::ClassName() {
    return "Static";
}

std::size_t StaticText::Exchange(void* buffer, ExchangeDirection direction) {
    if (direction == ToBuffer) {
        GetText(static_cast<char*>(buffer), textLength);
    } else if (direction == FromBuffer) {
        SetText(static_cast<const char*>(buffer));
    }
    return static_cast<std::size_t>(textLength);
}

int StaticText::GetText(char* buffer, int maxCount) {
    return GetWindowTextA(handle, buffer, maxCount);
}

void StaticText::SetText(const char* text) {
    SetWindowTextA(handle, text);
}

void StaticText::Clear() {
    SetText("");
}
