#include "console/address_combo_box.h"

#include "console/number_text.h"

namespace {

constexpr int LowestUnitAddress = 1;
constexpr int HighestUnitAddress = 247;
constexpr int AtTheEnd = -1;

} // namespace

// Appended, not added, so that a list carrying CBS_SORT keeps the numeric
// order and the position stays the address - 1.
void AddressComboBox::AfterCreate() {
    for (int address = LowestUnitAddress; address <= HighestUnitAddress; ++address) {
        InsertString(IntegerText(address).c_str(), AtTheEnd);
    }
}
