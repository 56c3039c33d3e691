#pragma once

#include "framework/edit_box.h"

#include <cstdint>

// A right-aligned single-line edit for a decimal number typed by the user,
// with "," or "." as the decimal separator.
class NumberEdit : public EditBox {
public:
    NumberEdit(WindowObject* parent, const char* text, std::int32_t x, std::int32_t y,
               std::int32_t width, std::int32_t height, std::int32_t id);

    void SetFloat(int decimals, float value);
    // The typed number, 0 when the text is not one. Only the first 15
    // characters are read.
    float GetFloat();
};
