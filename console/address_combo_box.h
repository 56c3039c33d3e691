#pragma once

#include "framework/combo_box.h"

// A drop-down list of the Modbus unit addresses "1" to "247": the position of
// an entry is the address - 1.
class AddressComboBox : public ComboBox {
public:
    using ComboBox::ComboBox;

    void AfterCreate() override;
};
