#include "framework/edit_box.h"

namespace {
constexpr DWORD SingleLineStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD MultiLineStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_GROUP |
                                 WS_TABSTOP | ES_WANTRETURN | ES_MULTILINE;
constexpr DWORD EditExStyle = WS_EX_CLIENTEDGE;
} // namespace

EditBox::EditBox(WindowObject* parent, const char* text, int x, int y, int width, int height,
                 int id, std::int32_t textLength, bool multiLine)
    : StaticText(parent, text, x, y, width, height, id, textLength) {
    style = multiLine ? MultiLineStyle : SingleLineStyle;
    exStyle = EditExStyle;
}

void EditBox::CommandById(Message& msg, int id) {
    switch (id) {
    case CutTextCommand:
        CutText(msg);
        break;
    case CopyTextCommand:
        CopyText(msg);
        break;
    case PasteTextCommand:
        PasteText(msg);
        break;
    case DeleteSelectionCommand:
        DeleteSelection(msg);
        break;
    case ClearTextCommand:
        ClearText(msg);
        break;
    case UndoEditCommand:
        UndoEdit(msg);
        break;
    default:
        StaticText::CommandById(msg, id);
        break;
    }
}

const char* EditBox::ClassName() {
    return "Edit";
}

// The limit leaves room for the terminating zero of the transfer record.
void EditBox::AfterCreate() {
    StaticText::AfterCreate();
    if (textLength != 0) {
        SendMessageA(handle, EM_LIMITTEXT, static_cast<WPARAM>(textLength - 1), 0);
    }
}

void EditBox::CutText(Message&) {
    Cut();
}
void EditBox::CopyText(Message&) {
    Copy();
}
void EditBox::PasteText(Message&) {
    Paste();
}
void EditBox::DeleteSelection(Message&) {
    DeleteSelected();
}
void EditBox::ClearText(Message&) {
    Clear();
}
void EditBox::UndoEdit(Message&) {
    Undo();
}

void EditBox::Cut() {
    SendMessageA(handle, WM_CUT, 0, 0);
}
void EditBox::Copy() {
    SendMessageA(handle, WM_COPY, 0, 0);
}
void EditBox::Paste() {
    SendMessageA(handle, WM_PASTE, 0, 0);
}
void EditBox::DeleteSelected() {
    SendMessageA(handle, WM_CLEAR, 0, 0);
}
void EditBox::Undo() {
    SendMessageA(handle, WM_UNDO, 0, 0);
}
