// ZOR config driven from outside, as a person would use it: the real
// zorconfig.exe against the simulated unit "console" on COM8. What the
// program wrote is checked on the unit's side, not only in the window.
#include "support/simulated_unit.h"
#include "support/window_driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using driver::WaitUntil;

constexpr char Port[] = "COM8";
// A lab port with nothing behind it.
constexpr char EmptyPort[] = "COM5";
constexpr char DevicePath[] = "\\\\.\\COM8";
constexpr char UnitName[] = "console";
constexpr char MainClass[] = "OwlWindow";
constexpr char MainTitle[] = "ZOR config";
constexpr char DialogClass[] = "#32770";
constexpr char LineSettingsTitle[] = "MODBUS RTU";

// Czech texts in code page 1250.
constexpr char IncompatibleText[] = "P\xF8"
                                    "evodn\xEDk nen\xED kompatibiln\xED s t\xEDmto n\xE1strojem.";
constexpr char OutOfRangeText[] = "Hodnota mimo rozsah.";
constexpr char OutOfRangeCaption[] = "Chyba";

constexpr DWORD StartTimeoutMs = 30000;
constexpr DWORD ActionTimeoutMs = 5000;
constexpr DWORD ExitTimeoutMs = 10000;
// Long enough for two poll ticks: a quiet unit must see nothing meanwhile.
constexpr DWORD QuietPeriodMs = 2500;
constexpr DWORD NoBoxWaitMs = 1500;
// Polls on a pulled-out port: three ticks of the poll timer.
constexpr DWORD PulledOutSpanMs = 3000;
// The window must answer within this throughout, whatever the line does.
constexpr DWORD LongestAnswerMs = 500;

// Control ids, written here again rather than taken from the program: a test
// that used the program's own ids could not catch a wrong one.
constexpr int PortListId = 101;
constexpr int LineSettingsButtonId = 102;
constexpr int AddressListId = 104;
constexpr int BaudRateListId = 105;
constexpr int ParityListId = 106;
constexpr int RestartButtonId = 107;
constexpr int PollCheckBoxId = 108;
constexpr int TemperatureWriteId = 109;
constexpr int HumidityWriteId = 110;
// Items of the line settings dialog.
constexpr int DialogAddressListId = 103;

// Positions of the unnamed fields in the window's creation order.
constexpr size_t IdentityIndex = 4;
constexpr size_t FirmwareIndex = 6;
constexpr size_t SerialNumberIndex = 8;
constexpr size_t TemperatureIndex = 19;
constexpr size_t HumidityIndex = 21;
constexpr size_t FormaldehydeIndex = 23;
constexpr size_t TemperatureCorrectionIndex = 26;
constexpr size_t HumidityCorrectionIndex = 28;
constexpr size_t ControlCount = 30;

// What the "console" unit shows after a reset (zorsim defaults, --still).
constexpr char DefaultFirmware[] = "1.12";
constexpr char DefaultSerialNumber[] = "65538";
constexpr char DefaultTemperature[] = "22.15";
constexpr char DefaultHumidity[] = "45.20";
constexpr char DefaultFormaldehyde[] = "35.0";
constexpr char DefaultCorrection[] = "0.00";

// A Unix path given at build time, as Wine's drive Z: sees it.
std::string ProgramPath() {
    std::string path = ZORCONFIG_EXE;
    if (!path.empty() && path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    return path;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The Modbus request the unit saw last, as bytes.
std::vector<int> RequestBytes(const std::string& hex) {
    std::vector<int> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 3) {
        bytes.push_back(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

// Register and value of a function-6 request, or {-1, -1}.
std::pair<int, int> WrittenRegister(const std::string& hex) {
    constexpr size_t WriteFrameLength = 8;
    constexpr int WriteFunction = 6;
    std::vector<int> bytes = RequestBytes(hex);
    if (bytes.size() != WriteFrameLength || bytes[1] != WriteFunction) {
        return {-1, -1};
    }
    return {bytes[2] << 8 | bytes[3], bytes[4] << 8 | bytes[5]};
}

using driver::ComboChoose;
using driver::ComboIndex;
using driver::ComboItem;
using driver::ComboItems;

// The selected entry's text, empty with no selection.
std::string ComboSelected(HWND combo) {
    int index = driver::ComboSelection(combo);
    return index < 0 ? std::string() : ComboItem(combo, index);
}

class ZorConfig : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(unit.Command("reset")) << "is the lab running (ZOR_LAB)?";
        program = std::make_unique<driver::Program>(Quoted(ProgramPath()));
        ASSERT_TRUE(program->Started()) << ProgramPath();
        main = driver::FindTopWindow(program->Id(), MainClass, MainTitle, StartTimeoutMs);
        ASSERT_NE(main, nullptr);
        controls = driver::Children(main);
        ASSERT_EQ(controls.size(), ControlCount);
    }

    void TearDown() override {
        if (program && main != nullptr && IsWindow(main)) {
            CloseAnyBox();
            driver::Post(main, WM_CLOSE, 0, 0);
            program->WaitForExit(ExitTimeoutMs);
        }
        program.reset();
    }

    HWND Item(int id) const { return GetDlgItem(main, id); }
    std::string Field(size_t index) const { return driver::Text(controls[index]); }

    // Chooses the port and waits for the whole connection to end.
    void ChoosePort() { ASSERT_TRUE(ComboChoose(Item(PortListId), Port)); }

    // Chooses the port without waiting, for a choice that opens a box.
    void ChoosePortLater() {
        HWND list = Item(PortListId);
        int index = ComboIndex(list, Port);
        ASSERT_GE(index, 0);
        driver::Send(list, CB_SETCURSEL, index, 0);
        driver::Post(main, WM_COMMAND, MAKEWPARAM(PortListId, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    }

    void ConnectToUnit() {
        ChoosePort();
        ASSERT_EQ(Field(IdentityIndex), "ZOR");
    }

    void ClickLater(HWND button) { driver::Post(button, BM_CLICK, 0, 0); }

    HWND WaitForBox(DWORD timeoutMs = ActionTimeoutMs) {
        return driver::FindMessageBox(program->Id(), timeoutMs);
    }

    void CloseAnyBox() {
        if (HWND box = driver::FindTopWindow(program->Id(), DialogClass, nullptr, 0)) {
            driver::AnswerMessageBox(box, IDCANCEL);
            WaitUntil([&] { return !IsWindow(box); }, ActionTimeoutMs);
        }
    }

    bool FieldBecomes(size_t index, const std::string& text) {
        return WaitUntil([&] { return Field(index) == text; }, ActionTimeoutMs);
    }

    // True when the unit receives no request for the whole quiet period.
    bool UnitStaysQuiet() {
        long before = unit.Number("requests");
        Sleep(QuietPeriodMs);
        return unit.Number("requests") == before;
    }

    void TypeCorrection(size_t index, const std::string& text) {
        driver::SetText(controls[index], text);
    }

    SimulatedUnit unit{UnitName};
    std::unique_ptr<driver::Program> program;
    HWND main = nullptr;
    std::vector<HWND> controls;
};

// --- start-up ---------------------------------------------------------------

struct ControlLayout {
    const char* className;
    int id;
    const char* text; // null: not checked (the lists)
    int x, y, w, h;   // h < 0: not checked (a combo box's closed height)
    LONG style;
    LONG exStyle;
};

constexpr LONG LabelStyle = 0x50020000;
constexpr LONG FieldStyle = 0x50020002;
constexpr LONG ButtonStyle = 0x50030000;
constexpr LONG CheckStyle = 0x50030003;
constexpr LONG GroupStyle = 0x50020007;
constexpr LONG ListStyle = 0x50230103;
constexpr LONG EditStyle = 0x50030002;
constexpr LONG Sunken = WS_EX_CLIENTEDGE;
constexpr int Closed = -1;

const ControlLayout Layout[ControlCount] = {
    {"Static", 0, "Port:", 388, 14, 40, 18, LabelStyle, 0},
    {"ComboBox", 101, nullptr, 438, 10, 80, Closed, ListStyle, Sunken},
    {"Button", 102, "...", 528, 10, 32, 24, ButtonStyle, 0},
    {"Static", 0,
     "P\xF8"
     "evodn\xEDk:",
     10, 10, 90, 20, LabelStyle, 0},
    {"Static", 0, "", 110, 10, 100, 20, FieldStyle, Sunken},
    {"Static", 0, "Firmware:", 10, 35, 90, 20, LabelStyle, 0},
    {"Static", 0, "", 110, 35, 100, 20, FieldStyle, Sunken},
    {"Static", 0, "V\xFDrobn\xED \xE8\xEDslo:", 10, 60, 90, 20, LabelStyle, 0},
    {"Static", 0, "", 110, 60, 100, 20, FieldStyle, Sunken},
    {"Button", 0, "Komunikace:", 10, 90, 170, 155, GroupStyle, 0},
    {"Static", 0, "Adresa", 20, 117, 65, 20, LabelStyle, 0},
    {"ComboBox", 104, nullptr, 95, 115, 75, Closed, ListStyle, Sunken},
    {"Static", 0, "Rychlost", 20, 147, 65, 20, LabelStyle, 0},
    {"ComboBox", 105, nullptr, 95, 145, 75, Closed, ListStyle, Sunken},
    {"Static", 0, "Parita", 20, 177, 65, 20, LabelStyle, 0},
    {"ComboBox", 106, nullptr, 95, 175, 75, Closed, ListStyle, Sunken},
    {"Button", 107, "Restart", 20, 212, 150, 22, ButtonStyle, 0},
    {"Button", 0,
     "Hodnoty v\xE8"
     "etn\xEC korekce:",
     190, 90, 220, 155, GroupStyle, 0},
    {"Static", 0,
     "Teplota [\xB0"
     "C]",
     200, 115, 130, 20, LabelStyle, 0},
    {"Static", 0, "", 340, 115, 60, 20, FieldStyle, Sunken},
    {"Static", 0, "Rel. vlhkost [%]", 200, 140, 130, 20, LabelStyle, 0},
    {"Static", 0, "", 340, 140, 60, 20, FieldStyle, Sunken},
    {"Static", 0, "Formaldehyd [ppb]", 200, 190, 130, 20, LabelStyle, 0},
    {"Static", 0, "", 340, 190, 60, 20, FieldStyle, Sunken},
    {"Button", 108, "\xC8\xEDst", 200, 215, 60, 20, CheckStyle, 0},
    {"Button", 0, "Korekce:", 420, 90, 140, 155, GroupStyle, 0},
    {"Edit", 0, "", 430, 115, 60, 20, EditStyle, Sunken},
    {"Button", 109, "Z\xE1pis", 500, 115, 50, 20, ButtonStyle, 0},
    {"Edit", 0, "", 430, 140, 60, 20, EditStyle, Sunken},
    {"Button", 110, "Z\xE1pis", 500, 140, 50, 20, ButtonStyle, 0},
};

// The ports of the test prefix, as the registry lists them, shortest first.
std::vector<std::string> PrefixPorts() {
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return ports;
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        char data[256];
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                          &dataSize) != ERROR_SUCCESS) {
            break;
        }
        ports.emplace_back(data);
    }
    RegCloseKey(key);
    std::sort(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return ports;
}

TEST_F(ZorConfig, StartsFixedSizeWithEmptyFieldsAndNoSelection) {
    RECT outer{};
    GetWindowRect(main, &outer);
    EXPECT_EQ(outer.right - outer.left, 575);
    EXPECT_EQ(outer.bottom - outer.top, 283);
    LONG_PTR style = GetWindowLongPtrA(main, GWL_STYLE);
    EXPECT_EQ(style & WS_THICKFRAME, 0);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_NE(style & WS_SYSMENU, 0);

    for (size_t index :
         {IdentityIndex, FirmwareIndex, SerialNumberIndex, TemperatureIndex, HumidityIndex,
          FormaldehydeIndex, TemperatureCorrectionIndex, HumidityCorrectionIndex}) {
        EXPECT_EQ(Field(index), "") << "control " << index + 1;
    }
    for (int id : {PortListId, AddressListId, BaudRateListId, ParityListId}) {
        EXPECT_EQ(driver::ComboSelection(Item(id)), CB_ERR) << "list " << id;
    }
    EXPECT_EQ(driver::CheckState(Item(PollCheckBoxId)), BST_UNCHECKED);

    std::vector<std::string> expected = PrefixPorts();
    ASSERT_NE(std::find(expected.begin(), expected.end(), Port), expected.end());
    EXPECT_EQ(ComboItems(Item(PortListId)), expected);
    EXPECT_EQ(driver::ComboCount(Item(AddressListId)), 247);
    EXPECT_EQ(ComboItems(Item(ParityListId)),
              (std::vector<std::string>{"None", "Odd", "Even", "Mark"}));
}

TEST_F(ZorConfig, CreatesTheThirtyControlsInLayoutOrder) {
    for (size_t i = 0; i < ControlCount; ++i) {
        const ControlLayout& want = Layout[i];
        HWND control = controls[i];
        SCOPED_TRACE("control " + std::to_string(i + 1));
        EXPECT_STRCASEEQ(driver::ClassOf(control).c_str(), want.className);
        EXPECT_EQ(GetDlgCtrlID(control), want.id);
        if (want.text != nullptr) {
            EXPECT_EQ(driver::Text(control), want.text);
        }
        RECT box{};
        GetWindowRect(control, &box);
        MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&box), 2);
        EXPECT_EQ(box.left, want.x);
        EXPECT_EQ(box.top, want.y);
        EXPECT_EQ(box.right - box.left, want.w);
        if (want.h != Closed) {
            EXPECT_EQ(box.bottom - box.top, want.h);
        }
        LONG style = static_cast<LONG>(GetWindowLongPtrA(control, GWL_STYLE));
        LONG exStyle = static_cast<LONG>(GetWindowLongPtrA(control, GWL_EXSTYLE));
        if (want.style == ListStyle) {
            // Wine's combo box hands the scroll bar to its drop-down list and
            // draws its own edge, so it drops both bits from its own window.
            EXPECT_EQ(style & ~WS_VSCROLL, ListStyle & ~WS_VSCROLL);
        } else {
            EXPECT_EQ(style, want.style);
            EXPECT_EQ(exStyle, want.exStyle);
        }
    }
}

// --- connecting -------------------------------------------------------------

TEST_F(ZorConfig, ConnectFillsEveryFieldInOneGo) {
    unit.Command("set tcorr -150");
    unit.Command("set hcorr 255");
    ConnectToUnit();
    EXPECT_EQ(Field(FirmwareIndex), DefaultFirmware);
    EXPECT_EQ(Field(SerialNumberIndex), DefaultSerialNumber);
    EXPECT_EQ(driver::ComboSelection(Item(AddressListId)), 0);
    EXPECT_EQ(ComboSelected(Item(BaudRateListId)), "19200");
    EXPECT_EQ(ComboSelected(Item(ParityListId)), "Even");
    // Shown values include the correction: 2215 - 150 and 4520 + 255.
    EXPECT_EQ(Field(TemperatureIndex), "20.65");
    EXPECT_EQ(Field(HumidityIndex), "47.75");
    EXPECT_EQ(Field(FormaldehydeIndex), DefaultFormaldehyde);
    EXPECT_EQ(Field(TemperatureCorrectionIndex), "-1.50");
    EXPECT_EQ(Field(HumidityCorrectionIndex), "2.55");
}

TEST_F(ZorConfig, ShowsNegativeReadingsAndUnusualBusSettings) {
    unit.Command("set temperature -5");
    unit.Command("set formaldehyde -1");
    unit.Command("set humidity 455");
    unit.Command("set address 5");
    unit.Command("set baud 7");
    unit.Command("set parity 3");
    // The tool reaches address 1 only: the unit must answer there.
    unit.Command("set address 1");
    ConnectToUnit();
    EXPECT_EQ(Field(TemperatureIndex), "-0.05");
    EXPECT_EQ(Field(HumidityIndex), "4.55");
    EXPECT_EQ(Field(FormaldehydeIndex), "-0.1");
    EXPECT_EQ(ComboSelected(Item(BaudRateListId)), "115200");
    EXPECT_EQ(ComboSelected(Item(ParityListId)), "Mark");
}

TEST_F(ZorConfig, SerialNumbersShowUnsigned) {
    const struct {
        const char* command;
        const char* shown;
    } cases[] = {
        {"set serial 65538", "65538"},
        {"set serial 0x80000000", "2147483648"},
        {"set serial 0xFFFFFFFF", "4294967295"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        unit.Command(c.command);
        ConnectToUnit();
        EXPECT_EQ(Field(SerialNumberIndex), c.shown);
    }
}

TEST_F(ZorConfig, RefusesAnIncompatibleUnitAndClosesThePort) {
    for (const char* identity : {"ZOR1", "zor"}) {
        SCOPED_TRACE(identity);
        unit.Command("identity ZOR");
        ConnectToUnit();
        // Polling while the port is closed must reach nobody.
        if (driver::CheckState(Item(PollCheckBoxId)) == BST_UNCHECKED) {
            driver::Click(Item(PollCheckBoxId));
        }
        unit.Command(std::string("identity ") + identity);
        ChoosePortLater();
        HWND box = WaitForBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(driver::Text(box), identity);
        EXPECT_EQ(driver::MessageBoxText(box), IncompatibleText);
        driver::AnswerMessageBox(box);
        EXPECT_TRUE(FieldBecomes(IdentityIndex, ""));
        EXPECT_TRUE(FieldBecomes(FirmwareIndex, ""));
        EXPECT_TRUE(FieldBecomes(SerialNumberIndex, ""));
        EXPECT_TRUE(UnitStaysQuiet()) << "the port stayed open";
        // The other fields keep what they showed.
        EXPECT_EQ(Field(TemperatureIndex), DefaultTemperature);
    }
}

TEST_F(ZorConfig, SilentUnitClearsTheIdentityWithoutABoxAndClosesThePort) {
    ConnectToUnit();
    // Polling goes on after the failed connection: only a closed port keeps
    // the silent unit from hearing its requests.
    driver::Click(Item(PollCheckBoxId));
    unit.Command("fault silent");
    ChoosePortLater();
    EXPECT_TRUE(FieldBecomes(IdentityIndex, ""));
    EXPECT_TRUE(FieldBecomes(FirmwareIndex, ""));
    EXPECT_TRUE(FieldBecomes(SerialNumberIndex, ""));
    EXPECT_EQ(WaitForBox(NoBoxWaitMs), nullptr);
    EXPECT_EQ(Field(HumidityIndex), DefaultHumidity);
    EXPECT_TRUE(UnitStaysQuiet()) << "the port stayed open";
}

// --- polling ----------------------------------------------------------------

TEST_F(ZorConfig, PollingReadsOnceASecondUntilSwitchedOff) {
    ConnectToUnit();
    unit.Command("set temperature 2500");
    driver::Click(Item(PollCheckBoxId));
    // Checking reads at once, before the first tick.
    EXPECT_EQ(Field(TemperatureIndex), "25.00");

    long before = unit.Number("requests");
    DWORD start = GetTickCount();
    unit.Command("set temperature 2600");
    EXPECT_TRUE(FieldBecomes(TemperatureIndex, "26.00"));
    unit.Command("set humidity 5000");
    EXPECT_TRUE(FieldBecomes(HumidityIndex, "50.00"));
    Sleep(2000);
    double seconds = (GetTickCount() - start) / 1000.0;
    long polls = unit.Number("requests") - before;
    // Once a second: never more often; a loaded machine may merge a late
    // tick into the next one, so one more may be missing.
    EXPECT_GE(polls, static_cast<long>(seconds) - 2);
    EXPECT_LE(polls, static_cast<long>(seconds) + 1);

    driver::Click(Item(PollCheckBoxId));
    EXPECT_EQ(driver::CheckState(Item(PollCheckBoxId)), BST_UNCHECKED);
    EXPECT_TRUE(UnitStaysQuiet());

    unit.Command("set formaldehyde 999");
    driver::Click(Item(PollCheckBoxId));
    EXPECT_EQ(Field(FormaldehydeIndex), "99.9");
}

TEST_F(ZorConfig, PollingGoesOnWhileTheLineSettingsDialogIsOpen) {
    ConnectToUnit();
    driver::Click(Item(PollCheckBoxId));
    ClickLater(Item(LineSettingsButtonId));
    HWND dialog =
        driver::FindTopWindow(program->Id(), DialogClass, LineSettingsTitle, ActionTimeoutMs);
    ASSERT_NE(dialog, nullptr);
    unit.Command("set temperature 1234");
    EXPECT_TRUE(FieldBecomes(TemperatureIndex, "12.34"));
    driver::Post(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, ActionTimeoutMs));
}

TEST_F(ZorConfig, PollingGoesOnWhileAMessageBoxIsOpen) {
    ConnectToUnit();
    driver::Click(Item(PollCheckBoxId));
    unit.Command("limit 100");
    TypeCorrection(TemperatureCorrectionIndex, "5");
    ClickLater(Item(TemperatureWriteId));
    HWND box = WaitForBox();
    ASSERT_NE(box, nullptr);
    unit.Command("set temperature 1234");
    EXPECT_TRUE(FieldBecomes(TemperatureIndex, "12.34"));
    driver::AnswerMessageBox(box);
}

// --- corrections ------------------------------------------------------------

struct CorrectionCase {
    const char* typed;
    int written;       // register value, as a signed 16-bit number
    const char* shown; // null: the unit refuses it and the typed text stays
};

class Corrections : public ZorConfig, public ::testing::WithParamInterface<CorrectionCase> {};

TEST_P(Corrections, WritesTheLimitedRoundedValue) {
    const CorrectionCase& c = GetParam();
    unit.Command("limit 32767");
    ConnectToUnit();
    const struct {
        size_t edit;
        int button;
        int reg;
        const char* stateKey;
    } rows[] = {{TemperatureCorrectionIndex, TemperatureWriteId, 256, "tcorr"},
                {HumidityCorrectionIndex, HumidityWriteId, 257, "hcorr"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stateKey);
        TypeCorrection(row.edit, c.typed);
        long requests = unit.Number("requests");
        ClickLater(Item(row.button));
        ASSERT_TRUE(unit.WaitFor("requests",
                                 [&](const std::string& v) { return std::stol(v) > requests; }));
        std::pair<int, int> write = WrittenRegister(unit.Value("last_request"));
        EXPECT_EQ(write.first, row.reg);
        EXPECT_EQ(write.second, c.written & 0xFFFF);
        if (c.shown != nullptr) {
            EXPECT_TRUE(FieldBecomes(row.edit, c.shown));
            EXPECT_EQ(unit.Number(row.stateKey), c.written);
            EXPECT_EQ(WaitForBox(0), nullptr);
        } else {
            HWND box = WaitForBox();
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(driver::Text(box), OutOfRangeCaption);
            EXPECT_EQ(driver::MessageBoxText(box), OutOfRangeText);
            driver::AnswerMessageBox(box);
            EXPECT_EQ(Field(row.edit), c.typed);
        }
    }
}

// -400 is limited to -327.68, raw -32768, which no unit's limit admits.
INSTANTIATE_TEST_SUITE_P(
    ZorConfig, Corrections,
    ::testing::Values(CorrectionCase{"1,5", 150, "1.50"}, CorrectionCase{"400", 32767, "327.67"},
                      CorrectionCase{"-400", -32768, nullptr}, CorrectionCase{"abc", 0, "0.00"},
                      CorrectionCase{"nan", 0, "0.00"}, CorrectionCase{"0.125", 12, "0.13"},
                      CorrectionCase{"-2,25", -225, "-2.25"}));

TEST_F(ZorConfig, RefusedCorrectionWarnsAndKeepsTheText) {
    ConnectToUnit();
    // The unit's default limit is 50.00.
    TypeCorrection(TemperatureCorrectionIndex, "60");
    ClickLater(Item(TemperatureWriteId));
    HWND box = WaitForBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(driver::Text(box), OutOfRangeCaption);
    EXPECT_EQ(driver::MessageBoxText(box), OutOfRangeText);
    driver::AnswerMessageBox(box);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, ActionTimeoutMs));
    EXPECT_EQ(Field(TemperatureCorrectionIndex), "60");
    EXPECT_EQ(unit.Number("tcorr"), 0);
}

TEST_F(ZorConfig, CorrectionOnADeadLineShowsNothing) {
    ConnectToUnit();
    unit.Command("fault silent");
    TypeCorrection(HumidityCorrectionIndex, "1");
    long requests = unit.Number("requests");
    ClickLater(Item(HumidityWriteId));
    EXPECT_TRUE(
        unit.WaitFor("requests", [&](const std::string& v) { return std::stol(v) > requests; }));
    EXPECT_EQ(WaitForBox(NoBoxWaitMs), nullptr);
    EXPECT_EQ(Field(HumidityCorrectionIndex), "1");
}

// --- line settings, bus settings, restart -----------------------------------

HWND OpenLineSettings(HWND button, DWORD processId) {
    driver::Post(button, BM_CLICK, 0, 0);
    return driver::FindTopWindow(processId, DialogClass, LineSettingsTitle, ActionTimeoutMs);
}

TEST_F(ZorConfig, LineSettingsOkReconnectsWithTheNewAddress) {
    ConnectToUnit();
    unit.Command("set address 5");
    unit.Command("set serial 4711");
    HWND dialog = OpenLineSettings(Item(LineSettingsButtonId), program->Id());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(ComboChoose(GetDlgItem(dialog, DialogAddressListId), "5"));
    driver::Post(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, ActionTimeoutMs));
    EXPECT_TRUE(FieldBecomes(SerialNumberIndex, "4711"));
    EXPECT_EQ(Field(IdentityIndex), "ZOR");
    EXPECT_EQ(RequestBytes(unit.Value("last_request")).front(), 5);
}

TEST_F(ZorConfig, LineSettingsEscapeChangesNothing) {
    ConnectToUnit();
    HWND dialog = OpenLineSettings(Item(LineSettingsButtonId), program->Id());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(ComboChoose(GetDlgItem(dialog, DialogAddressListId), "5"));
    long requests = unit.Number("requests");
    driver::Post(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, ActionTimeoutMs));
    EXPECT_TRUE(UnitStaysQuiet());
    EXPECT_EQ(unit.Number("requests"), requests);
    // The next connection still goes to address 1.
    unit.Command("set serial 4711");
    ConnectToUnit();
    EXPECT_EQ(Field(SerialNumberIndex), "4711");
    EXPECT_EQ(RequestBytes(unit.Value("last_request")).front(), 1);
}

TEST_F(ZorConfig, BusListsWriteTheUnitsStoredSettings) {
    ConnectToUnit();
    const struct {
        int list;
        const char* entry;
        const char* stateKey;
        long stored;
        const char* lastWrite;
    } cases[] = {
        {AddressListId, "5", "stored_address", 5, "512 5"},
        {AddressListId, "247", "stored_address", 247, "512 247"},
        {BaudRateListId, "9600", "stored_baud", 3, "513 3"},
        {ParityListId, "Odd", "stored_parity", 1, "514 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        ASSERT_TRUE(ComboChoose(Item(c.list), c.entry));
        EXPECT_EQ(unit.Number(c.stateKey), c.stored);
        EXPECT_EQ(unit.Value("last_write"), c.lastWrite);
    }
    // Stored settings wait for a restart: the unit still answers at 1.
    EXPECT_EQ(unit.Number("address"), 1);
}

TEST_F(ZorConfig, RestartWritesTheRestartCode) {
    ConnectToUnit();
    driver::Click(Item(RestartButtonId));
    EXPECT_EQ(unit.Value("last_write"), "1040 21930");
    EXPECT_EQ(unit.Number("restarts"), 1);
}

// --- a pulled-out adapter ----------------------------------------------------

// Asks the window to answer WM_NULL every few milliseconds, on a thread of
// its own while the test acts, and keeps the slowest answer.
class AnswerWatch {
public:
    explicit AnswerWatch(HWND window) : window_(window), thread_([this] { Run(); }) {}
    ~AnswerWatch() { Stop(); }
    AnswerWatch(const AnswerWatch&) = delete;
    AnswerWatch& operator=(const AnswerWatch&) = delete;

    DWORD Stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        return slowestMs_;
    }

private:
    static constexpr DWORD ProbePeriodMs = 20;

    void Run() {
        while (!stop_) {
            DWORD asked = GetTickCount();
            DWORD_PTR result = 0;
            SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, driver::SendTimeoutMs,
                                &result);
            slowestMs_ = std::max<DWORD>(slowestMs_, GetTickCount() - asked);
            Sleep(ProbePeriodMs);
        }
    }

    HWND window_;
    std::atomic<bool> stop_{false};
    std::atomic<DWORD> slowestMs_{0};
    std::thread thread_;
};

// How the user gets the tool back onto a port plugged in again.
enum class Reconnect { LineSettingsOk, AnotherPortAndBack };

class PulledOutAdapter : public ZorConfig, public ::testing::WithParamInterface<Reconnect> {
protected:
    void ReconnectToUnit() {
        if (GetParam() == Reconnect::LineSettingsOk) {
            HWND dialog = OpenLineSettings(Item(LineSettingsButtonId), program->Id());
            ASSERT_NE(dialog, nullptr);
            driver::Post(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, ActionTimeoutMs));
        } else {
            ASSERT_TRUE(ComboChoose(Item(PortListId), EmptyPort));
            ChoosePort();
        }
    }

    void ExpectTheReadingsShownBeforeThePull() {
        EXPECT_EQ(Field(TemperatureIndex), DefaultTemperature);
        EXPECT_EQ(Field(HumidityIndex), DefaultHumidity);
        EXPECT_EQ(Field(FormaldehydeIndex), DefaultFormaldehyde);
    }
};

TEST_P(PulledOutAdapter, PollingGoesOnAnsweringShowsOnlyWhatWasReadAndReconnectsWhenBack) {
    ConnectToUnit();
    driver::Click(Item(PollCheckBoxId));
    AnswerWatch watch(main);
    ASSERT_TRUE(unit.Command("unplug"));
    // What the unit holds from now on never reaches the tool while pulled out.
    unit.Command("set temperature 2500");
    unit.Command("set humidity 5000");
    Sleep(PulledOutSpanMs);
    ExpectTheReadingsShownBeforeThePull();
    EXPECT_EQ(Field(IdentityIndex), "ZOR");

    // Plugged in again, the tool's old handle still leads nowhere.
    ASSERT_TRUE(unit.Command("plug"));
    Sleep(PulledOutSpanMs);
    ExpectTheReadingsShownBeforeThePull();

    // The watch goes on across the reconnection, modal dialog included.
    ReconnectToUnit();
    EXPECT_TRUE(FieldBecomes(IdentityIndex, "ZOR"));
    EXPECT_TRUE(FieldBecomes(TemperatureIndex, "25.00"));
    EXPECT_EQ(Field(HumidityIndex), "50.00");
    unit.Command("set temperature 2600");
    EXPECT_TRUE(FieldBecomes(TemperatureIndex, "26.00")) << "polling did not go on";
    EXPECT_LE(watch.Stop(), LongestAnswerMs);
}

INSTANTIATE_TEST_SUITE_P(ZorConfig, PulledOutAdapter,
                         ::testing::Values(Reconnect::LineSettingsOk,
                                           Reconnect::AnotherPortAndBack),
                         [](const ::testing::TestParamInfo<Reconnect>& info) {
                             return info.param == Reconnect::LineSettingsOk ? "LineSettingsOk"
                                                                            : "AnotherPortAndBack";
                         });

TEST_F(ZorConfig, ClosingWhilePollingAPulledOutPortEndsTheProcess) {
    ConnectToUnit();
    driver::Click(Item(PollCheckBoxId));
    ASSERT_TRUE(unit.Command("unplug"));
    Sleep(PulledOutSpanMs);
    driver::Post(main, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(program->WaitForExit(ExitTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

// --- closing ----------------------------------------------------------------

TEST_F(ZorConfig, ClosingWhilePollingEndsTheProcessAndFreesThePort) {
    ConnectToUnit();
    driver::Click(Item(PollCheckBoxId));
    driver::Post(main, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(program->WaitForExit(ExitTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(UnitStaysQuiet());
    HANDLE port = CreateFileA(DevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    EXPECT_NE(port, INVALID_HANDLE_VALUE);
    if (port != INVALID_HANDLE_VALUE) {
        CloseHandle(port);
    }
}

} // namespace
