#pragma once

#include "framework/combo_box.h"

#include <cstdint>

class PortNameCollection;

// The drop-down list of the machine's serial ports, in the natural order of
// their names. The names are read from the registry when the object is
// constructed, before its window exists, and never again.
class PortComboBox : public ComboBox {
public:
    PortComboBox(WindowObject* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                 std::int32_t height, std::int32_t id);
    ~PortComboBox() override;

    // Lists the names in collection order.
    void AfterCreate() override;

    PortNameCollection* portNames;
};
