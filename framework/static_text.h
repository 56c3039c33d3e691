#pragma once

#include "framework/control.h"

#include <cstdint>

// A text label. Its transfer record is the text, zero-terminated, in a field
// of textLength bytes; one that takes part in transfer needs a textLength of
// at least 1.
class StaticText : public Control {
public:
    StaticText(WindowObject* parent, const char* text, int x, int y, int width, int height, int id,
               std::int32_t textLength);

    const char* ClassName() override;
    std::size_t Exchange(void* buffer, ExchangeDirection direction) override;

    // maxCount counts the terminating zero; answers the characters copied.
    int GetText(char* buffer, int maxCount);
    void SetText(const char* text);
    void Clear();

    // Bytes of the transfer record, zero included; for an edit box, one more
    // than the most characters the user may type (0: no limit).
    std::int32_t textLength;
};
