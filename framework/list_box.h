#pragma once

#include "framework/control.h"

#include <cstdint>

class StringCollection;

// The items chosen in a multiple-selection list: one block of a count n and
// then n item indices, (n + 1) * 4 bytes in all. No selection is a null
// pointer, never an array with n = 0.
struct SelectionArray {
    std::int32_t count;

    // A block for count indices (count > 0); ends the program with run-time
    // error 203 when the heap cannot supply it.
    static SelectionArray* New(std::int32_t count);
    // Releases a block made by New; null is ignored.
    static void Release(SelectionArray* array);

    std::int32_t* Indices() { return reinterpret_cast<std::int32_t*>(this + 1); }
    std::size_t Size() const { return (static_cast<std::size_t>(count) + 1) * sizeof count; }
};

// A list box's transfer record. The collection belongs to the caller and is
// only read. The selection array belongs to the record: the list box releases
// the one it finds before it stores a new one, and the record's owner releases
// the last. Its size, 2 pointers, is what the list box's Exchange reports.
struct ListBoxTransfer {
    StringCollection* strings;
    union {
        std::int32_t selIndex;     // single selection: the index, -1 for none
        SelectionArray* selection; // multiple selection (LBS_MULTIPLESEL)
    };
};

// The list operations, numbered as the MessageFor tables are.
enum class ListOperation : int {
    AddString = 0,
    InsertString = 1,
    DeleteString = 2,
    ResetContent = 3,
    GetCount = 4,
    GetText = 5,
    GetTextLength = 6,
    SelectString = 7,
    GetCurSel = 8,
    SetCurSel = 9,
    GetItemData = 10,
    SetItemData = 11,
};
constexpr int ListOperationCount = 12;

// A sorted list of strings. The list operations go through MessageFor, so
// that a combo box, which derives from it, runs them with its own messages.
class ListBox : public Control {
public:
    ListBox(WindowObject* parent, int x, int y, int width, int height, int id);
    // Attaches to the parent dialog's item with the given id and takes part
    // in the parent's data transfer.
    ListBox(WindowObject* parent, int itemId);

    const char* ClassName() override;
    std::size_t Exchange(void* buffer, ExchangeDirection direction) override;

    // Added operation: the message that carries out a list operation.
    virtual UINT MessageFor(ListOperation operation);

    // Results are the messages' own: an index or length, or a negative error.
    // AddString lets a sorted list place the text; InsertString at -1 appends
    // at the end even in a sorted list.
    int AddString(const char* text);
    int InsertString(const char* text, int index);
    void ClearList();
    int GetString(char* buffer, int index);
    int GetStringLength(int index);
    // Selects the first item that begins with the text (case ignored),
    // searching after startIndex; -1 searches the whole list.
    int SelectString(const char* text, int startIndex);
    int GetSelIndex();
    int SetSelIndex(int index);
    // Copies at most maxChars characters of the selected item and a zero into
    // the buffer; answers the characters copied, or -1 without a selection
    // (the buffer is then untouched).
    int GetSelString(char* buffer, int maxChars);

protected:
    int SendList(ListOperation operation, WPARAM wParam, LPARAM lParam);
    // Adds the collection's strings in collection order after emptying the list.
    void Refill(StringCollection* strings);

private:
    bool IsMultipleSelection();
    void SelectionToRecord(ListBoxTransfer& record);
    void SelectionFromRecord(const ListBoxTransfer& record);
};
