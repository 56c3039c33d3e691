#pragma once

#include "framework/list_box.h"

// The start of a combo box's transfer record: right after it, with no
// padding, comes a text field of textLength bytes. The whole record takes
// textLength + sizeof(ComboBoxTransfer) bytes. The collection belongs to the
// caller and is only read.
struct ComboBoxTransfer {
    StringCollection* strings;
};

// A drop-down list, or with editable a drop-down with an edit field. With a
// textLength other than 0 the user may type at most textLength - 1
// characters into the edit field.
class ComboBox : public ListBox {
public:
    // The height is that of the control with its list dropped down.
    ComboBox(WindowObject* parent, int x, int y, int width, int height, int id,
             std::int32_t textLength, bool editable);
    // Attaches to the parent dialog's item with the given id and takes part
    // in the parent's data transfer.
    ComboBox(WindowObject* parent, int itemId, std::int32_t textLength);

    const char* ClassName() override;
    std::size_t Exchange(void* buffer, ExchangeDirection direction) override;
    void AfterCreate() override;
    UINT MessageFor(ListOperation operation) override;

    // The edit field's text, or the selected item's in a drop-down list;
    // maxCount counts the terminating zero.
    int GetText(char* buffer, int maxCount);
    // Selects the first item that begins with the text; when none does, the
    // text goes into the edit field.
    void SetText(const char* text);

    std::int32_t textLength;
};
