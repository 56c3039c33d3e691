#pragma once

#include "framework/dialog.h"

// A dialog painted light grey, labels included, that Escape cancels.
class ShadedDialog : public Dialog {
public:
    using Dialog::Dialog;

    // Answers the colour queries of the dialog and its static labels.
    void Dispatch(Message& msg) override;
    // IDCANCEL cancels, also when no control sent it (the Escape key).
    void CommandById(Message& msg, int id) override;
};
