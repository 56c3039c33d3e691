#include "framework/list_box.h"

#include "foundation/string_collection.h"

#include <array>
#include <cstring>
#include <new>

namespace {

constexpr DWORD ListBoxStyle =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_GROUP | WS_TABSTOP | LBS_SORT | LBS_NOTIFY;
constexpr DWORD ListExStyle = WS_EX_CLIENTEDGE;
constexpr int NoSelection = -1;
constexpr LPARAM AllItems = -1;
constexpr WPARAM Deselect = FALSE;
constexpr WPARAM Select = TRUE;

constexpr std::array<UINT, ListOperationCount> ListBoxMessages{
    LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
    LB_GETCOUNT,  LB_GETTEXT,      LB_GETTEXTLEN,   LB_SELECTSTRING,
    LB_GETCURSEL, LB_SETCURSEL,    LB_GETITEMDATA,  LB_SETITEMDATA,
};

LPARAM TextParam(const char* text) {
    return reinterpret_cast<LPARAM>(text);
}

} // namespace

SelectionArray* SelectionArray::New(std::int32_t count) {
    const std::size_t size = (static_cast<std::size_t>(count) + 1) * sizeof(std::int32_t);
    auto* array = static_cast<SelectionArray*>(::operator new(size));
    array->count = count;
    return array;
}

void SelectionArray::Release(SelectionArray* array) {
    if (array != nullptr) {
        ::operator delete(array, array->Size());
    }
}

ListBox::ListBox(WindowObject* parent, int x, int y, int width, int height, int id)
    : Control(parent, nullptr, x, y, width, height, id) {
    style = ListBoxStyle;
    exStyle = ListExStyle;
}

ListBox::ListBox(WindowObject* parent, int itemId) : Control(parent, itemId) {
    SetFlag(FlagTransfer);
}

const char* ListBox::ClassName() {
    return "Listbox";
}

// Transfers the items into the list and the selection both ways; the items
// are never read back. Records follow each other unaligned in the buffer,
// hence the copies.
std::size_t ListBox::Exchange(void* buffer, ExchangeDirection direction) {
    if (direction == SizeQuery) {
        return sizeof(ListBoxTransfer);
    }
    ListBoxTransfer record;
    std::memcpy(&record, buffer, sizeof record);
    if (direction == ToBuffer) {
        SelectionToRecord(record);
        std::memcpy(buffer, &record, sizeof record);
    } else if (direction == FromBuffer) {
        Refill(record.strings);
        SelectionFromRecord(record);
    }
    return sizeof(ListBoxTransfer);
}

UINT ListBox::MessageFor(ListOperation operation) {
    return ListBoxMessages[static_cast<std::size_t>(operation)];
}

int ListBox::AddString(const char* text) {
    return SendList(ListOperation::AddString, 0, TextParam(text));
}

int ListBox::InsertString(const char* text, int index) {
    return SendList(ListOperation::InsertString, static_cast<WPARAM>(index), TextParam(text));
}

void ListBox::ClearList() {
    SendList(ListOperation::ResetContent, 0, 0);
}

int ListBox::GetString(char* buffer, int index) {
    return SendList(ListOperation::GetText, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(buffer));
}

int ListBox::GetStringLength(int index) {
    return SendList(ListOperation::GetTextLength, static_cast<WPARAM>(index), 0);
}

int ListBox::SelectString(const char* text, int startIndex) {
    return SendList(ListOperation::SelectString, static_cast<WPARAM>(startIndex), TextParam(text));
}

int ListBox::GetSelIndex() {
    return SendList(ListOperation::GetCurSel, 0, 0);
}

int ListBox::SetSelIndex(int index) {
    return SendList(ListOperation::SetCurSel, static_cast<WPARAM>(index), 0);
}

// A long item is read whole into a block of its own and cut there, so the
// caller's buffer never receives more than maxChars characters and a zero.
int ListBox::GetSelString(char* buffer, int maxChars) {
    const int index = GetSelIndex();
    if (index < 0) {
        return NoSelection;
    }
    const int length = GetStringLength(index);
    if (maxChars >= length) {
        return GetString(buffer, index);
    }
    char* whole = new char[static_cast<std::size_t>(length) + 1];
    GetString(whole, index);
    std::memcpy(buffer, whole, static_cast<std::size_t>(maxChars));
    buffer[maxChars] = '\0';
    delete[] whole;
    return maxChars;
}

int ListBox::SendList(ListOperation operation, WPARAM wParam, LPARAM lParam) {
    return static_cast<int>(SendMessageA(handle, MessageFor(operation), wParam, lParam));
}

// A null collection fills nothing: the list is left empty.
void ListBox::Refill(StringCollection* strings) {
    ClearList();
    if (strings != nullptr) {
        strings->ForEach([this](void* item) { AddString(static_cast<const char*>(item)); });
    }
}

// Read from the window each time: an extended-selection list counts as single.
bool ListBox::IsMultipleSelection() {
    const auto liveStyle = static_cast<DWORD>(GetWindowLongPtrA(handle, GWL_STYLE));
    return (liveStyle & LBS_MULTIPLESEL) != 0;
}

void ListBox::SelectionToRecord(ListBoxTransfer& record) {
    if (!IsMultipleSelection()) {
        record.selIndex = GetSelIndex();
        return;
    }
    SelectionArray::Release(record.selection);
    record.selection = nullptr;
    const auto count = static_cast<std::int32_t>(SendMessageA(handle, LB_GETSELCOUNT, 0, 0));
    if (count <= 0) {
        return;
    }
    record.selection = SelectionArray::New(count);
    SendMessageA(handle, LB_GETSELITEMS, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(record.selection->Indices()));
}

void ListBox::SelectionFromRecord(const ListBoxTransfer& record) {
    if (!IsMultipleSelection()) {
        SetSelIndex(record.selIndex);
        return;
    }
    SendMessageA(handle, LB_SETSEL, Deselect, AllItems);
    if (record.selection == nullptr) {
        return;
    }
    const std::int32_t* indices = record.selection->Indices();
    for (std::int32_t i = 0; i < record.selection->count; ++i) {
        SendMessageA(handle, LB_SETSEL, Select, static_cast<LPARAM>(indices[i]));
    }
}
