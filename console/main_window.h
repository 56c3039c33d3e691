#pragma once

#include "device/line_settings.h"
#include "framework/window.h"

#include <cstdint>

class AddressComboBox;
class BaudRateComboBox;
class CheckBox;
class NumberEdit;
class ParityComboBox;
class PortComboBox;
class Transducer;
class ValueField;

// The tool's one top-level window: the port choice, the connected unit's
// identity, bus settings, measured values and corrections, and the commands
// that act on the unit. It owns the transducer and keeps the line settings
// with which the unit is reached.
class MainWindow : public Window {
public:
    explicit MainWindow(const char* title);
    ~MainWindow() override;

    void Dispatch(Message& msg) override;
    void ChildCommand(Message& msg, int id) override;
    void FillClass(WNDCLASSA& record) override;

    // Added operation.
    virtual void OnCtlColorStatic(Message& msg);

    // Commands.
    void Connect();
    void ReadAll();
    void ShowMeasurements();
    void EditLineSettings();
    void WriteAddressSelection();
    void WriteBaudRateSelection();
    void WriteParitySelection();
    void RestartUnit();
    void TogglePolling();
    void ReportRejectedWrite();
    float ReadCorrectionInput(NumberEdit* edit);
    void SubmitTemperatureCorrection();
    void SubmitHumidityCorrection();

    PortComboBox* portList;
    ValueField* identityField;
    ValueField* firmwareField;
    ValueField* serialNumberField;
    AddressComboBox* addressList;
    BaudRateComboBox* baudRateList;
    ParityComboBox* parityList;
    ValueField* temperatureField;
    ValueField* humidityField;
    ValueField* formaldehydeField;
    CheckBox* pollCheckBox;
    NumberEdit* temperatureCorrectionEdit;
    NumberEdit* humidityCorrectionEdit;
    Transducer* transducer;
    std::uint32_t pollTimer;
    LineSettings lineSettings;

protected:
    // The poll timer goes before the window handle, so that no tick can
    // reach a window that is being torn down.
    void BeforeDispose() override;

private:
    void BuildIdentityRows();
    void BuildBusGroup();
    void BuildMeasurementGroup();
    void BuildCorrectionGroup();
    void StopPolling();
    void ShowCorrections();
    void ShowBusSettings();
    void SubmitCorrection(NumberEdit* edit, bool (Transducer::*write)(std::int16_t));
};
