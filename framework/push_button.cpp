#include "framework/push_button.h"

namespace {
constexpr DWORD PushButtonStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON;
} // namespace

PushButton::PushButton(WindowObject* parent, const char* text, int x, int y, int width, int height,
                       int id)
    : Control(parent, text, x, y, width, height, id) {
    style = PushButtonStyle;
}

const char* PushButton::ClassName() {
    return "Button";
}
