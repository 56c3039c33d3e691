#pragma once

#include "framework/control.h"

// A push button; a click reaches the parent's ChildCommand with the id.
class PushButton : public Control {
public:
    PushButton(WindowObject* parent, const char* text, int x, int y, int width, int height, int id);

    const char* ClassName() override;
};
