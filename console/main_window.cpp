#include "console/main_window.h"

#include "console/address_combo_box.h"
#include "console/baud_rate_combo_box.h"
#include "console/line_settings_dialog.h"
#include "console/number_edit.h"
#include "console/number_text.h"
#include "console/parity_combo_box.h"
#include "console/port_combo_box.h"
#include "console/port_name_collection.h"
#include "console/texts.h"
#include "console/value_field.h"
#include "device/transducer.h"
#include "framework/application.h"
#include "framework/check_box.h"
#include "framework/group_box.h"
#include "framework/push_button.h"
#include "framework/static_text.h"

#include <cstring>
#include <string>

namespace {

// Window attributes: a title bar with the system menu and a minimize box,
// neither a sizing border nor a maximize box, so the layout stays as drawn.
constexpr DWORD MainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr std::int32_t MainWidth = 575;
constexpr std::int32_t MainHeight = 283;
constexpr int IconResourceId = 1;
constexpr COLORREF StaticBackground = RGB(192, 192, 192);

// Control ids, as the controls report them in WM_COMMAND.
constexpr int NoId = 0;
constexpr int PortListId = 101;
constexpr int LineSettingsButtonId = 102;
constexpr int AddressListId = 104;
constexpr int BaudRateListId = 105;
constexpr int ParityListId = 106;
constexpr int RestartButtonId = 107;
constexpr int PollCheckBoxId = 108;
constexpr int TemperatureWriteId = 109;
constexpr int HumidityWriteId = 110;

constexpr int NoTextLimit = 0;
constexpr bool Editable = false; // drop-down lists

// Polling.
constexpr UINT_PTR PollTimerId = 1;
constexpr UINT PollPeriodMs = 1000;

// Connecting.
constexpr char CompatibleIdentity[] = "ZOR";
constexpr UINT IncompatibleBoxStyle = MB_OK | MB_ICONERROR;
constexpr UINT RejectedWriteBoxStyle = MB_OK | MB_ICONWARNING;

// Display scaling: raw register value divided, shown with so many decimals.
constexpr int HundredthsDivisor = 100;
constexpr int TenthsDivisor = 10;
constexpr int HundredthsDecimals = 2;
constexpr int TenthsDecimals = 1;

// Rectangles in the client area; the group contents sit at fixed offsets
// from their group's corner.
struct Box {
    std::int32_t x, y, w, h;
};
struct Origin {
    std::int32_t x, y;
    constexpr Box At(std::int32_t dx, std::int32_t dy, std::int32_t w, std::int32_t h) const {
        return {x + dx, y + dy, w, h};
    }
};

constexpr Box PortLabelBox{388, 14, 40, 18};
constexpr Box PortListBox{438, 10, 80, 160};
constexpr Box LineSettingsButtonBox{528, 10, 32, 24};
constexpr std::int32_t IdentityLabelX = 10;
constexpr std::int32_t IdentityValueX = 110;
constexpr std::int32_t IdentityLabelWidth = 90;
constexpr std::int32_t IdentityValueWidth = 100;
constexpr std::int32_t RowHeight = 20;
constexpr std::int32_t IdentityRowY = 10;
constexpr std::int32_t FirmwareRowY = 35;
constexpr std::int32_t SerialNumberRowY = 60;

constexpr Origin BusGroup{10, 90};
constexpr Origin MeasurementGroup{190, 90};
constexpr Origin CorrectionGroup{420, 90};
constexpr std::int32_t GroupHeight = 155;
constexpr std::int32_t BusGroupWidth = 170;
constexpr std::int32_t MeasurementGroupWidth = 220;
constexpr std::int32_t CorrectionGroupWidth = 140;

// "Komunikace:": three label/list rows and the restart button.
constexpr std::int32_t BusLabelDx = 10;
constexpr std::int32_t BusListDx = 85;
constexpr std::int32_t BusLabelWidth = 65;
constexpr std::int32_t BusListWidth = 75;
constexpr std::int32_t BusListDropHeight = 200;
constexpr std::int32_t BusListToLabelDy = 2; // labels sit 2 px below their list
constexpr std::int32_t AddressRowDy = 25;
constexpr std::int32_t BaudRateRowDy = 55;
constexpr std::int32_t ParityRowDy = 85;
constexpr Box RestartButtonOffset{10, 122, 150, 22};

// "Hodnoty včetně korekce:": the row at +75 stays empty.
constexpr std::int32_t MeasurementLabelDx = 10;
constexpr std::int32_t MeasurementValueDx = 150;
constexpr std::int32_t MeasurementLabelWidth = 130;
constexpr std::int32_t MeasurementValueWidth = 60;
constexpr std::int32_t TemperatureRowDy = 25;
constexpr std::int32_t HumidityRowDy = 50;
constexpr std::int32_t FormaldehydeRowDy = 100;
constexpr Box PollCheckBoxOffset{10, 125, 60, 20};

// "Korekce:": edit and write button on the temperature and humidity rows.
constexpr std::int32_t CorrectionEditDx = 10;
constexpr std::int32_t CorrectionButtonDx = 80;
constexpr std::int32_t CorrectionEditWidth = 60;
constexpr std::int32_t CorrectionButtonWidth = 50;

constexpr std::uint8_t LowestAddress = 1;

} // namespace

MainWindow::MainWindow(const char* title) : Window(nullptr, title) {
    style = MainStyle;
    exStyle = 0;
    width = MainWidth;
    height = MainHeight;
    BuildIdentityRows();
    BuildBusGroup();
    BuildMeasurementGroup();
    BuildCorrectionGroup();
    lineSettings = DefaultLineSettings;
    transducer = new Transducer();
    SetFlag(FlagKeyboard);
}

// The window and its controls go first, then the transducer, so that the
// serial device is closed only when nothing can use it any more.
MainWindow::~MainWindow() {
    StopPolling();
    DestroyHandle();
    ForEachChild([](WindowObject* child) { child->Dispose(); });
    transducer->Dispose();
}

void MainWindow::BeforeDispose() {
    StopPolling();
    Window::BeforeDispose();
}

void MainWindow::BuildIdentityRows() {
    new StaticText(this, texts::PortLabel, PortLabelBox.x, PortLabelBox.y, PortLabelBox.w,
                   PortLabelBox.h, NoId, NoTextLimit);
    portList = new PortComboBox(this, PortListBox.x, PortListBox.y, PortListBox.w, PortListBox.h,
                                PortListId);
    new PushButton(this, texts::LineSettingsButton, LineSettingsButtonBox.x,
                   LineSettingsButtonBox.y, LineSettingsButtonBox.w, LineSettingsButtonBox.h,
                   LineSettingsButtonId);
    auto row = [this](const char* label, std::int32_t y) {
        new StaticText(this, label, IdentityLabelX, y, IdentityLabelWidth, RowHeight, NoId,
                       NoTextLimit);
        return new ValueField(this, "", IdentityValueX, y, IdentityValueWidth, RowHeight);
    };
    identityField = row(texts::IdentityLabel, IdentityRowY);
    firmwareField = row(texts::FirmwareLabel, FirmwareRowY);
    serialNumberField = row(texts::SerialNumberLabel, SerialNumberRowY);
}

void MainWindow::BuildBusGroup() {
    const Origin& g = BusGroup;
    new GroupBox(this, texts::BusGroup, g.x, g.y, BusGroupWidth, GroupHeight, NoId);
    auto label = [this, &g](const char* text, std::int32_t rowDy) {
        Box box = g.At(BusLabelDx, rowDy + BusListToLabelDy, BusLabelWidth, RowHeight);
        new StaticText(this, text, box.x, box.y, box.w, box.h, NoId, NoTextLimit);
    };
    auto list = [&g](std::int32_t rowDy) {
        return g.At(BusListDx, rowDy, BusListWidth, BusListDropHeight);
    };
    label(texts::AddressLabel, AddressRowDy);
    Box box = list(AddressRowDy);
    addressList =
        new AddressComboBox(this, box.x, box.y, box.w, box.h, AddressListId, NoTextLimit, Editable);
    label(texts::BaudRateLabel, BaudRateRowDy);
    box = list(BaudRateRowDy);
    baudRateList = new BaudRateComboBox(this, box.x, box.y, box.w, box.h, BaudRateListId,
                                        NoTextLimit, Editable);
    label(texts::ParityLabel, ParityRowDy);
    box = list(ParityRowDy);
    parityList =
        new ParityComboBox(this, box.x, box.y, box.w, box.h, ParityListId, NoTextLimit, Editable);
    box = g.At(RestartButtonOffset.x, RestartButtonOffset.y, RestartButtonOffset.w,
               RestartButtonOffset.h);
    new PushButton(this, texts::RestartButton, box.x, box.y, box.w, box.h, RestartButtonId);
}

void MainWindow::BuildMeasurementGroup() {
    const Origin& g = MeasurementGroup;
    new GroupBox(this, texts::MeasurementGroup, g.x, g.y, MeasurementGroupWidth, GroupHeight, NoId);
    auto row = [this, &g](const char* text, std::int32_t rowDy) {
        Box label = g.At(MeasurementLabelDx, rowDy, MeasurementLabelWidth, RowHeight);
        new StaticText(this, text, label.x, label.y, label.w, label.h, NoId, NoTextLimit);
        Box value = g.At(MeasurementValueDx, rowDy, MeasurementValueWidth, RowHeight);
        return new ValueField(this, "", value.x, value.y, value.w, value.h);
    };
    temperatureField = row(texts::TemperatureLabel, TemperatureRowDy);
    humidityField = row(texts::HumidityLabel, HumidityRowDy);
    formaldehydeField = row(texts::FormaldehydeLabel, FormaldehydeRowDy);
    Box box = g.At(PollCheckBoxOffset.x, PollCheckBoxOffset.y, PollCheckBoxOffset.w,
                   PollCheckBoxOffset.h);
    pollCheckBox =
        new CheckBox(this, texts::PollCheckBox, box.x, box.y, box.w, box.h, PollCheckBoxId);
}

void MainWindow::BuildCorrectionGroup() {
    const Origin& g = CorrectionGroup;
    new GroupBox(this, texts::CorrectionGroup, g.x, g.y, CorrectionGroupWidth, GroupHeight, NoId);
    auto row = [this, &g](std::int32_t rowDy, int buttonId) {
        Box edit = g.At(CorrectionEditDx, rowDy, CorrectionEditWidth, RowHeight);
        auto* field = new NumberEdit(this, "", edit.x, edit.y, edit.w, edit.h, NoId);
        Box button = g.At(CorrectionButtonDx, rowDy, CorrectionButtonWidth, RowHeight);
        new PushButton(this, texts::WriteButton, button.x, button.y, button.w, button.h, buttonId);
        return field;
    };
    temperatureCorrectionEdit = row(TemperatureRowDy, TemperatureWriteId);
    humidityCorrectionEdit = row(HumidityRowDy, HumidityWriteId);
}

void MainWindow::FillClass(WNDCLASSA& record) {
    Window::FillClass(record);
    record.hIcon = LoadIconA(ModuleInstance(), MAKEINTRESOURCEA(IconResourceId));
    record.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
}

void MainWindow::OnCtlColorStatic(Message& msg) {
    SetBkColor(reinterpret_cast<HDC>(msg.wParam), StaticBackground);
    msg.result = reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
}

void MainWindow::Dispatch(Message& msg) {
    switch (msg.number) {
    case WM_TIMER:
        ShowMeasurements();
        break;
    case WM_CTLCOLORSTATIC:
        OnCtlColorStatic(msg);
        break;
    default:
        Window::Dispatch(msg);
        break;
    }
}

// The lists act only on a new choice; their other notifications (dropping
// down, focus) are consumed. Buttons send only clicks.
void MainWindow::ChildCommand(Message& msg, int id) {
    bool selectionChanged = HIWORD(msg.wParam) == CBN_SELCHANGE;
    switch (id) {
    case PortListId:
        if (selectionChanged) {
            Connect();
        }
        break;
    case LineSettingsButtonId:
        EditLineSettings();
        break;
    case AddressListId:
        if (selectionChanged) {
            WriteAddressSelection();
        }
        break;
    case BaudRateListId:
        if (selectionChanged) {
            WriteBaudRateSelection();
        }
        break;
    case ParityListId:
        if (selectionChanged) {
            WriteParitySelection();
        }
        break;
    case RestartButtonId:
        RestartUnit();
        break;
    case PollCheckBoxId:
        TogglePolling();
        break;
    case TemperatureWriteId:
        SubmitTemperatureCorrection();
        break;
    case HumidityWriteId:
        SubmitHumidityCorrection();
        break;
    default:
        Window::ChildCommand(msg, id);
        break;
    }
}

void MainWindow::Connect() {
    char name[PortNameMostCharacters + 1] = {};
    portList->GetSelString(name, PortNameMostCharacters);
    if (transducer->Open(name)) {
        transducer->Configure(BaudRateTable[lineSettings.baudIndex], lineSettings.parityIndex,
                              lineSettings.unitAddress);
        const char* identity = transducer->ReadIdentity();
        if (identity != nullptr && std::strcmp(identity, CompatibleIdentity) == 0) {
            identityField->SetText(identity);
            ReadAll();
            return;
        }
        if (identity != nullptr) {
            MessageBoxA(handle, texts::IncompatibleUnit, identity, IncompatibleBoxStyle);
        }
        transducer->Close();
    }
    identityField->Clear();
    firmwareField->Clear();
    serialNumberField->Clear();
}

void MainWindow::ReadAll() {
    std::uint16_t version = 0;
    if (transducer->ReadFirmwareVersion(version)) {
        firmwareField->SetFirmwareVersion(version);
    }
    // A serial number is never negative: the whole 32-bit range shows unsigned.
    std::uint32_t serialNumber = 0;
    if (transducer->ReadSerialNumber(serialNumber)) {
        serialNumberField->SetText(std::to_string(serialNumber).c_str());
    }
    ShowBusSettings();
    ShowMeasurements();
    ShowCorrections();
}

// A value with no entry (address 0, an index beyond the table) selects
// nothing, as the list itself refuses the index.
void MainWindow::ShowBusSettings() {
    BusSettings settings{};
    if (!transducer->ReadBusSettings(settings)) {
        return;
    }
    addressList->SetSelIndex(static_cast<int>(settings.unitAddress) - LowestAddress);
    baudRateList->SetSelIndex(settings.baudIndex);
    parityList->SetSelIndex(settings.parityIndex);
}

void MainWindow::ShowMeasurements() {
    Measurements values{};
    if (!transducer->ReadMeasurements(values)) {
        return;
    }
    temperatureField->SetFloat(HundredthsDecimals,
                               ScaledValue(values.temperature, HundredthsDivisor));
    humidityField->SetFloat(HundredthsDecimals, ScaledValue(values.humidity, HundredthsDivisor));
    formaldehydeField->SetFloat(TenthsDecimals, ScaledValue(values.formaldehyde, TenthsDivisor));
}

void MainWindow::ShowCorrections() {
    Corrections values{};
    if (!transducer->ReadCorrections(values)) {
        return;
    }
    temperatureCorrectionEdit->SetFloat(HundredthsDecimals,
                                        ScaledValue(values.temperature, HundredthsDivisor));
    humidityCorrectionEdit->SetFloat(HundredthsDecimals,
                                     ScaledValue(values.humidity, HundredthsDivisor));
}

void MainWindow::EditLineSettings() {
    auto* dialog = new LineSettingsDialog(this, &lineSettings);
    if (currentApplication->RunModal(dialog) == IDOK) {
        Connect();
    }
}

// The unit stores a new bus setting for its next restart; the tool keeps
// reaching it with the settings it connected with, so nothing is re-read.
void MainWindow::WriteAddressSelection() {
    transducer->WriteUnitAddress(
        static_cast<std::uint8_t>(addressList->GetSelIndex() + LowestAddress));
}

void MainWindow::WriteBaudRateSelection() {
    transducer->WriteBaudIndex(static_cast<std::uint8_t>(baudRateList->GetSelIndex()));
}

void MainWindow::WriteParitySelection() {
    transducer->WriteParityIndex(static_cast<std::uint8_t>(parityList->GetSelIndex()));
}

void MainWindow::RestartUnit() {
    transducer->Restart();
}

void MainWindow::TogglePolling() {
    if (pollCheckBox->GetCheck() != BST_UNCHECKED) {
        if (pollTimer == 0) {
            ShowMeasurements();
            pollTimer =
                static_cast<std::uint32_t>(SetTimer(handle, PollTimerId, PollPeriodMs, nullptr));
        }
    } else {
        StopPolling();
    }
}

void MainWindow::StopPolling() {
    if (pollTimer != 0) {
        KillTimer(handle, PollTimerId);
        pollTimer = 0;
    }
}

// Typed text that is no number, not-a-number included, counts as 0.
float MainWindow::ReadCorrectionInput(NumberEdit* edit) {
    return LimitCorrection(edit->GetFloat());
}

void MainWindow::SubmitTemperatureCorrection() {
    SubmitCorrection(temperatureCorrectionEdit, &Transducer::WriteTemperatureCorrection);
}

void MainWindow::SubmitHumidityCorrection() {
    SubmitCorrection(humidityCorrectionEdit, &Transducer::WriteHumidityCorrection);
}

// On success the edit shows the limited value that was written; on failure
// it keeps what the user typed.
void MainWindow::SubmitCorrection(NumberEdit* edit, bool (Transducer::*write)(std::int16_t)) {
    float x = ReadCorrectionInput(edit);
    if ((transducer->*write)(CorrectionRaw(x))) {
        edit->SetFloat(HundredthsDecimals, x);
    } else {
        ReportRejectedWrite();
    }
}

void MainWindow::ReportRejectedWrite() {
    if (transducer->LastException() != 0) {
        MessageBoxA(handle, texts::ValueOutOfRange, texts::ErrorCaption, RejectedWriteBoxStyle);
    }
}
