#pragma once

#include "framework/combo_box.h"

// A drop-down list of the baud rates of BaudRateTable in decimal: the
// position of an entry is its baud-rate index.
class BaudRateComboBox : public ComboBox {
public:
    using ComboBox::ComboBox;

    void AfterCreate() override;
};
