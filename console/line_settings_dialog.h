#pragma once

#include "console/shaded_dialog.h"

struct LineSettings;
class AddressComboBox;
class BaudRateComboBox;
class ParityComboBox;

// The "MODBUS RTU" dialog: baud rate, parity and unit address with which the
// tool reaches the unit. It edits the caller's record in place, and only on
// OK; a null record is shown with nothing selected and is left alone.
class LineSettingsDialog : public ShadedDialog {
public:
    LineSettingsDialog(WindowObject* parent, LineSettings* settings);

    // Fills the lists and selects the record's values.
    void AfterCreate() override;
    // Stores the selections into the record, then closes with IDOK.
    void Ok(Message& msg) override;

    BaudRateComboBox* baudRateList;
    ParityComboBox* parityList;
    AddressComboBox* addressList;
    LineSettings* settings;
};
