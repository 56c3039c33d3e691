#pragma once

#include "framework/static_text.h"

#include <cstdint>

// Puts the decimal text of value into the window.
void SetIntegerText(HWND window, std::int32_t value);
// Puts the fixed-point text of value with `decimals` digits after the point
// into the window.
void SetFloatText(HWND window, int decimals, float value);

// A right-aligned, sunken, read-only display of a number read from the unit.
class ValueField : public StaticText {
public:
    ValueField(WindowObject* parent, const char* text, std::int32_t x, std::int32_t y,
               std::int32_t width, std::int32_t height);

    void SetInteger(std::int32_t value);
    void SetFloat(int decimals, float value);
    // The unit's firmware version word as "major.minor" in hex digits.
    void SetFirmwareVersion(std::uint16_t version);
};
