#include "framework/group_box.h"

namespace {
constexpr DWORD GroupBoxStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | BS_GROUPBOX;
} // namespace

GroupBox::GroupBox(WindowObject* parent, const char* text, int x, int y, int width, int height,
                   int id)
    : Control(parent, text, x, y, width, height, id) {
    style = GroupBoxStyle;
}

const char* GroupBox::ClassName() {
    return "Button";
}
