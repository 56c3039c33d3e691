#pragma once

#include "framework/static_text.h"

// Commands that an edit box carries out itself when they reach its
// CommandById (from a menu or accelerator while it is the target).
constexpr int CutTextCommand = 0xFF00;
constexpr int CopyTextCommand = 0xFF01;
constexpr int PasteTextCommand = 0xFF02;
constexpr int DeleteSelectionCommand = 0xFF03;
constexpr int ClearTextCommand = 0xFF04;
constexpr int UndoEditCommand = 0xFF05;

// A single-line or multi-line edit field. With a textLength other than 0 the
// user may type at most textLength - 1 characters, so that the text always
// fits its transfer record.
class EditBox : public StaticText {
public:
    EditBox(WindowObject* parent, const char* text, int x, int y, int width, int height, int id,
            std::int32_t textLength, bool multiLine);

    void CommandById(Message& msg, int id) override;
    const char* ClassName() override;
    void AfterCreate() override;

    // Added operations; each ignores the message.
    virtual void CutText(Message& msg);
    virtual void CopyText(Message& msg);
    virtual void PasteText(Message& msg);
    virtual void DeleteSelection(Message& msg);
    virtual void ClearText(Message& msg);
    virtual void UndoEdit(Message& msg);

    void Cut();
    void Copy();
    void Paste();
    // Removes the selected text only.
    void DeleteSelected();
    void Undo();
};
