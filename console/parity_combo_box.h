#pragma once

#include "framework/combo_box.h"

// A drop-down list of the parities "None", "Odd", "Even", "Mark": the
// position of an entry is its parity index.
class ParityComboBox : public ComboBox {
public:
    using ComboBox::ComboBox;

    void AfterCreate() override;
};
