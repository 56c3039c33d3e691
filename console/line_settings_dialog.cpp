#include "console/line_settings_dialog.h"

#include "console/address_combo_box.h"
#include "console/baud_rate_combo_box.h"
#include "console/line_settings_dialog_ids.h"
#include "console/parity_combo_box.h"
#include "device/line_settings.h"

#include <cstdint>

namespace {

constexpr std::int32_t NoTextRecord = 0;
// The address list starts at unit address 1.
constexpr int FirstUnitAddress = 1;

} // namespace

// The lists are attached in this order, which is the order they are filled.
LineSettingsDialog::LineSettingsDialog(WindowObject* parent, LineSettings* settings)
    : ShadedDialog(parent, IDD_LINE_SETTINGS) {
    baudRateList = new BaudRateComboBox(this, IDC_BAUD_RATE, NoTextRecord);
    parityList = new ParityComboBox(this, IDC_PARITY, NoTextRecord);
    addressList = new AddressComboBox(this, IDC_ADDRESS, NoTextRecord);
    this->settings = settings;
}

void LineSettingsDialog::AfterCreate() {
    ShadedDialog::AfterCreate();
    if (settings == nullptr) {
        return;
    }
    baudRateList->SetSelIndex(settings->baudIndex);
    parityList->SetSelIndex(settings->parityIndex);
    addressList->SetSelIndex(settings->unitAddress - FirstUnitAddress);
}

// The record is written before the dialog ends, so the caller finds the new
// values as soon as the dialog returns IDOK.
void LineSettingsDialog::Ok(Message& msg) {
    if (settings != nullptr) {
        settings->baudIndex = static_cast<std::uint8_t>(baudRateList->GetSelIndex());
        settings->parityIndex = static_cast<std::uint8_t>(parityList->GetSelIndex());
        settings->unitAddress =
            static_cast<std::uint8_t>(addressList->GetSelIndex() + FirstUnitAddress);
    }
    ShadedDialog::Ok(msg);
}
