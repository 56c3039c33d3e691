#include "framework/combo_box.h"

#include <array>
#include <cstring>

namespace {

constexpr DWORD ComboStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_GROUP | WS_TABSTOP | CBS_SORT;
constexpr DWORD DropDownListStyle = ComboStyle | CBS_DROPDOWNLIST;
constexpr DWORD EditableStyle = ComboStyle | CBS_AUTOHSCROLL | CBS_DROPDOWN;
constexpr int WholeList = -1;

// The record's text field follows the collection pointer with no padding.
char* TextField(void* record) {
    return static_cast<char*>(record) + sizeof(ComboBoxTransfer);
}

constexpr std::array<UINT, ListOperationCount> ComboBoxMessages{
    CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT,
    CB_GETCOUNT,  CB_GETLBTEXT,    CB_GETLBTEXTLEN, CB_SELECTSTRING,
    CB_GETCURSEL, CB_SETCURSEL,    CB_GETITEMDATA,  CB_SETITEMDATA,
};

} // namespace

ComboBox::ComboBox(WindowObject* parent, int x, int y, int width, int height, int id,
                   std::int32_t textLength, bool editable)
    : ListBox(parent, x, y, width, height, id) {
    style = editable ? EditableStyle : DropDownListStyle;
    this->textLength = textLength;
}

ComboBox::ComboBox(WindowObject* parent, int itemId, std::int32_t textLength)
    : ListBox(parent, itemId) {
    this->textLength = textLength;
}

const char* ComboBox::ClassName() {
    return "Combobox";
}

// The list is filled from the record's collection; only the text goes back.
std::size_t ComboBox::Exchange(void* buffer, ExchangeDirection direction) {
    if (direction == ToBuffer) {
        GetText(TextField(buffer), textLength);
    } else if (direction == FromBuffer) {
        ComboBoxTransfer record;
        std::memcpy(&record, buffer, sizeof record);
        Refill(record.strings);
        SetText(TextField(buffer));
    }
    return static_cast<std::size_t>(textLength) + sizeof(ComboBoxTransfer);
}

// The limit leaves room for the terminating zero of the transfer record.
void ComboBox::AfterCreate() {
    ListBox::AfterCreate();
    if (textLength != 0) {
        SendMessageA(handle, CB_LIMITTEXT, static_cast<WPARAM>(textLength - 1), 0);
    }
}

UINT ComboBox::MessageFor(ListOperation operation) {
    return ComboBoxMessages[static_cast<std::size_t>(operation)];
}

int ComboBox::GetText(char* buffer, int maxCount) {
    return GetWindowTextA(handle, buffer, maxCount);
}

void ComboBox::SetText(const char* text) {
    if (SelectString(text, WholeList) < 0) {
        SetWindowTextA(handle, text);
    }
}
