#pragma once

#include "framework/control.h"

// A framed caption around a group of controls; not a tab stop.
class GroupBox : public Control {
public:
    GroupBox(WindowObject* parent, const char* text, int x, int y, int width, int height, int id);

    const char* ClassName() override;
};
