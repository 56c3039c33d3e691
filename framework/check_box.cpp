#include "framework/check_box.h"

#include <cstring>

namespace {
constexpr DWORD CheckBoxStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr std::size_t CheckRecordSize = sizeof(std::int32_t);
} // namespace

CheckBox::CheckBox(WindowObject* parent, const char* text, int x, int y, int width, int height,
                   int id)
    : PushButton(parent, text, x, y, width, height, id) {
    style = CheckBoxStyle;
}

// Records follow each other unaligned in the buffer, hence the copies.
std::size_t CheckBox::Exchange(void* buffer, ExchangeDirection direction) {
    if (direction == ToBuffer) {
        std::int32_t state = GetCheck();
        std::memcpy(buffer, &state, sizeof state);
    } else if (direction == FromBuffer) {
        std::int32_t state = 0;
        std::memcpy(&state, buffer, sizeof state);
        SetCheck(state);
    }
    return CheckRecordSize;
}

std::int32_t CheckBox::GetCheck() {
    return static_cast<std::int32_t>(SendMessageA(handle, BM_GETCHECK, 0, 0));
}

void CheckBox::SetCheck(std::int32_t state) {
    SendMessageA(handle, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}
