#include "framework/control.h"

#include "foundation/run_time_error.h"

namespace {
constexpr DWORD ControlStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP;
} // namespace

Control::Control(WindowObject* parent, const char* text, int x, int y, int width, int height,
                 int id)
    : Window(parent, text) {
    style = ControlStyle;
    this->x = x;
    this->y = y;
    this->width = width;
    this->height = height;
    this->id = static_cast<std::uint32_t>(id);
}

Control::Control(WindowObject* parent, int itemId) : Window(parent, itemId) {}

const char* Control::ClassName() {
    AbstractCall();
}

// System classes need no registration.
bool Control::EnsureClass() {
    return true;
}

// The system class paints the control; no BeginPaint of ours gets in the way.
void Control::OnPaint(Message& msg) {
    DefaultProc(msg);
}
