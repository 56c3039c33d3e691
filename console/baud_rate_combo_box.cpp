#include "console/baud_rate_combo_box.h"

#include "console/number_text.h"
#include "device/line_settings.h"

namespace {

constexpr int AtTheEnd = -1;

} // namespace

// Appended, not added: a sorted list would put "115200" first.
void BaudRateComboBox::AfterCreate() {
    for (std::uint32_t rate : BaudRateTable) {
        InsertString(IntegerText(static_cast<std::int32_t>(rate)).c_str(), AtTheEnd);
    }
}
