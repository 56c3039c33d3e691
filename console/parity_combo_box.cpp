#include "console/parity_combo_box.h"

namespace {

// In parity index order; the names stay English in every language.
constexpr const char* ParityNames[] = {"None", "Odd", "Even", "Mark"};
constexpr int AtTheEnd = -1;

} // namespace

// Appended, not added: a sorted list would reorder the names.
void ParityComboBox::AfterCreate() {
    for (const char* name : ParityNames) {
        InsertString(name, AtTheEnd);
    }
}
