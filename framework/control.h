#pragma once

#include "framework/window.h"

// Base of the wrappers over the system's control classes (buttons, statics,
// edits, lists). The system class is already registered and paints the
// control itself; every concrete control names its class.
class Control : public Window {
public:
    // A child control at pixel coordinates in the parent's client area; the id
    // is the one the control reports in WM_COMMAND.
    Control(WindowObject* parent, const char* text, int x, int y, int width, int height, int id);

    // Must be supplied by every concrete control: this one stops the program
    // with run-time error 211.
    const char* ClassName() override;
    bool EnsureClass() override;
    void OnPaint(Message& msg) override;

protected:
    // Attaches to the parent dialog's item with the given id on Create.
    Control(WindowObject* parent, int itemId);
};
