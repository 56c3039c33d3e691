#pragma once

#include "framework/push_button.h"

#include <cstdint>

// Check states, as BM_GETCHECK reports them.
constexpr std::int32_t Unchecked = BST_UNCHECKED;
constexpr std::int32_t Checked = BST_CHECKED;
constexpr std::int32_t Indeterminate = BST_INDETERMINATE;

// A check box that toggles itself when clicked. Its transfer record is the
// check state, 32 bits.
class CheckBox : public PushButton {
public:
    CheckBox(WindowObject* parent, const char* text, int x, int y, int width, int height, int id);

    std::size_t Exchange(void* buffer, ExchangeDirection direction) override;

    std::int32_t GetCheck();
    void SetCheck(std::int32_t state);
};
