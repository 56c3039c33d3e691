#include "console_window_test.h"

#include "console/address_combo_box.h"
#include "console/baud_rate_combo_box.h"
#include "console/line_settings_dialog.h"
#include "console/parity_combo_box.h"
#include "device/line_settings.h"

#include <functional>
#include <string>
#include <vector>

// Found by argument lookup, so beside LineSettings in the global namespace.
static bool operator==(const LineSettings& a, const LineSettings& b) {
    return a.baudIndex == b.baudIndex && a.parityIndex == b.parityIndex &&
           a.unitAddress == b.unitAddress;
}

[[maybe_unused]] static void PrintTo(const LineSettings& s, std::ostream* os) {
    *os << "(" << int{s.baudIndex} << ", " << int{s.parityIndex} << ", " << int{s.unitAddress}
        << ")";
}

namespace {

// The lists' ids written here again rather than taken from the program, so
// that a wrong id in the program fails.
constexpr int BaudRateItem = 101;
constexpr int ParityItem = 102;
constexpr int AddressItem = 103;
constexpr UINT StepMilliseconds = 20;
// A script that has not ended the dialog after this many ticks has failed.
constexpr int MostTicks = 250;
constexpr INT_PTR GaveUp = 99;

int Selected(HWND dialog, int item) {
    return static_cast<int>(SendDlgItemMessageA(dialog, item, CB_GETCURSEL, 0, 0));
}

std::string SelectedText(HWND dialog, int item) {
    char text[32] = {};
    const int index = Selected(dialog, item);
    if (index >= 0) {
        SendDlgItemMessageA(dialog, item, CB_GETLBTEXT, static_cast<WPARAM>(index),
                            reinterpret_cast<LPARAM>(text));
    }
    return text;
}

// What a person does in the open dialog, one step per timer tick; each step
// gets the dialog's window.
using Step = std::function<void(HWND dialog)>;

// Picks the last entry of a list with the End key, as a person would.
Step PressEndIn(int item) {
    return [item](HWND dialog) {
        HWND list = GetDlgItem(dialog, item);
        SetFocus(list);
        PostMessageA(list, WM_KEYDOWN, VK_END, 0);
    };
}

Step Choose(int item, int index) {
    return [item, index](HWND dialog) {
        SendDlgItemMessageA(dialog, item, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    };
}

Step ClickOk() {
    return [](HWND dialog) { PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); };
}

// A key press that the modal loop hands to the dialog manager.
Step PressKey(WPARAM key) {
    return [key](HWND dialog) {
        HWND focus = GetFocus();
        PostMessageA(focus != nullptr ? focus : dialog, WM_KEYDOWN, key, 0);
    };
}

// IDCANCEL with no control behind it: what the dialog manager sends for Escape.
Step CancelCommandWithoutSender() {
    return [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); };
}

Step Post(UINT number, WPARAM wParam = 0) {
    return [number, wParam](HWND dialog) { PostMessageA(dialog, number, wParam, 0); };
}

class LineSettingsDialogTest : public ConsoleWindowTest {
protected:
    void SetUp() override {
        ConsoleWindowTest::SetUp();
        current = this;
    }
    void TearDown() override {
        current = nullptr;
        ConsoleWindowTest::TearDown();
    }

    // Runs the dialog modally over the test window, as the main window does,
    // with the steps played into its modal loop.
    std::int32_t Run(LineSettings* settings, std::vector<Step> steps) {
        script = std::move(steps);
        ticks = 0;
        dialog = new LineSettingsDialog(main, settings);
        const UINT_PTR timer = SetTimer(nullptr, 0, StepMilliseconds, Tick);
        const std::int32_t result = application->RunModal(dialog);
        KillTimer(nullptr, timer);
        dialog = nullptr;
        return result;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        LineSettingsDialogTest* test = current;
        if (test == nullptr || test->dialog == nullptr || test->dialog->handle == nullptr) {
            return;
        }
        HWND window = test->dialog->handle;
        if (++test->ticks > MostTicks) {
            ADD_FAILURE() << "the dialog did not end";
            EndDialog(window, GaveUp);
        } else if (test->next < test->script.size()) {
            test->script[test->next++](window);
        }
    }

    // Records what the dialog shows when it opens.
    Step Observe() {
        return [this](HWND window) {
            shown = {SelectedText(window, BaudRateItem), SelectedText(window, ParityItem),
                     SelectedText(window, AddressItem)};
            counts = {
                static_cast<int>(SendDlgItemMessageA(window, BaudRateItem, CB_GETCOUNT, 0, 0)),
                static_cast<int>(SendDlgItemMessageA(window, ParityItem, CB_GETCOUNT, 0, 0)),
                static_cast<int>(SendDlgItemMessageA(window, AddressItem, CB_GETCOUNT, 0, 0))};
        };
    }

    static inline LineSettingsDialogTest* current = nullptr;
    LineSettingsDialog* dialog = nullptr;
    std::vector<Step> script;
    std::size_t next = 0;
    int ticks = 0;
    std::vector<std::string> shown;
    std::vector<int> counts;
};

TEST_F(LineSettingsDialogTest, OpensWithTheRecordSelected) {
    LineSettings settings = DefaultLineSettings;
    EXPECT_EQ(Run(&settings, {Observe(), ClickOk()}), IDOK);
    EXPECT_EQ(shown, (std::vector<std::string>{"19200", "Even", "1"}));
    EXPECT_EQ(counts, (std::vector<int>{8, 4, 247}));
    EXPECT_EQ(settings, DefaultLineSettings) << "OK without a change keeps the record";
}

TEST_F(LineSettingsDialogTest, OkStoresTheChosenValues) {
    LineSettings settings = DefaultLineSettings;
    EXPECT_EQ(Run(&settings, {PressEndIn(BaudRateItem), PressEndIn(ParityItem),
                              PressEndIn(AddressItem), Observe(), ClickOk()}),
              IDOK);
    EXPECT_EQ(shown, (std::vector<std::string>{"115200", "Mark", "247"}));
    EXPECT_EQ(settings, (LineSettings{7, 3, 247}));
}

TEST_F(LineSettingsDialogTest, EnterStoresTheChosenValuesToo) {
    LineSettings settings = {7, 3, 247};
    EXPECT_EQ(Run(&settings, {Choose(BaudRateItem, 0), Choose(ParityItem, 0),
                              Choose(AddressItem, 99), PressKey(VK_RETURN)}),
              IDOK);
    EXPECT_EQ(settings, (LineSettings{0, 0, 100}));
}

struct CancelCase {
    const char* name;
    std::function<Step()> end;
};

const CancelCase cancelCases[] = {
    {"EscapeKey", [] { return PressKey(VK_ESCAPE); }},
    {"CancelCommandWithoutSender", [] { return CancelCommandWithoutSender(); }},
    {"Close", [] { return Post(WM_CLOSE); }},
    {"CloseBox", [] { return Post(WM_SYSCOMMAND, SC_CLOSE); }},
};

class LineSettingsDialogCancel : public LineSettingsDialogTest,
                                 public testing::WithParamInterface<CancelCase> {};

TEST_P(LineSettingsDialogCancel, EndsWithTwoAndLeavesTheRecordWhateverWasChosen) {
    LineSettings settings = {1, 1, 17};
    EXPECT_EQ(Run(&settings, {PressEndIn(BaudRateItem), Choose(ParityItem, 3),
                              Choose(AddressItem, 200), GetParam().end()}),
              IDCANCEL);
    EXPECT_EQ(settings, (LineSettings{1, 1, 17}));
}

INSTANTIATE_TEST_SUITE_P(Ways, LineSettingsDialogCancel, testing::ValuesIn(cancelCases),
                         [](const testing::TestParamInfo<CancelCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(LineSettingsDialogTest, ANullRecordFillsTheListsAndSelectsNothing) {
    EXPECT_EQ(Run(nullptr, {Observe(), ClickOk()}), IDOK);
    EXPECT_EQ(shown, (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(counts, (std::vector<int>{8, 4, 247}));
}

TEST_F(LineSettingsDialogTest, ANullRecordIgnoresAChoice) {
    EXPECT_EQ(Run(nullptr, {Choose(BaudRateItem, 2), ClickOk()}), IDOK);
}

// An owner that notes the commands that climb up to it.
struct CommandOwner : Window {
    CommandOwner() : Window(nullptr, "owner") {}
    void CommandById(Message& msg, int id) override {
        ids.push_back(id);
        Window::CommandById(msg, id);
    }
    std::vector<int> ids;
};

class ShadedDialogTest : public ConsoleWindowTest {
protected:
    void SetUp() override {
        ConsoleWindowTest::SetUp();
        owner = new CommandOwner;
        ASSERT_TRUE(owner->Create());
        settings = DefaultLineSettings;
        dialog = new LineSettingsDialog(owner, &settings);
        ASSERT_TRUE(dialog->Create());
        handle = dialog->handle;
        context = CreateCompatibleDC(nullptr);
        SetBkColor(context, RGB(1, 2, 3));
        SetTextColor(context, RGB(4, 5, 6));
        SetBkMode(context, OPAQUE);
    }
    void TearDown() override {
        DeleteDC(context);
        if (IsWindow(handle)) { // not yet closed, so the object is still there
            dialog->Dispose();
        }
        owner->Dispose();
        ConsoleWindowTest::TearDown();
    }
    LRESULT Ask(UINT number, HWND control) {
        return SendMessageA(dialog->handle, number, reinterpret_cast<WPARAM>(context),
                            reinterpret_cast<LPARAM>(control));
    }

    CommandOwner* owner = nullptr;
    LineSettings settings{};
    LineSettingsDialog* dialog = nullptr;
    HWND handle = nullptr;
    HDC context = nullptr;
};

const LRESULT LightGrey = reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));

TEST_F(ShadedDialogTest, PaintsTheDialogLightGrey) {
    EXPECT_EQ(Ask(WM_CTLCOLORDLG, dialog->handle), LightGrey);
    EXPECT_EQ(GetBkColor(context), RGB(1, 2, 3)) << "the dialog's own query sets no colour";
}

TEST_F(ShadedDialogTest, PaintsTheLabelsOnLightGrey) {
    HWND label = GetNextDlgTabItem(dialog->handle, nullptr, FALSE);
    EXPECT_EQ(Ask(WM_CTLCOLORSTATIC, label), LightGrey);
    EXPECT_EQ(GetBkColor(context), RGB(192, 192, 192));
    EXPECT_EQ(GetTextColor(context), RGB(4, 5, 6));
    EXPECT_EQ(GetBkMode(context), OPAQUE);
}

TEST_F(ShadedDialogTest, TheListsKeepTheSystemColours) {
    HWND list = GetDlgItem(dialog->handle, BaudRateItem);
    EXPECT_NE(Ask(WM_CTLCOLORLISTBOX, list), LightGrey);
    EXPECT_NE(Ask(WM_CTLCOLOREDIT, list), LightGrey);
    EXPECT_NE(GetBkColor(context), RGB(192, 192, 192));
}

TEST_F(ShadedDialogTest, OtherCommandsWithoutSenderStillClimbToTheOwner) {
    SendMessageA(dialog->handle, WM_COMMAND, MAKEWPARAM(500, 0), 0);
    EXPECT_EQ(owner->ids, std::vector<int>{500});
    EXPECT_TRUE(IsWindow(dialog->handle));
}

TEST_F(ShadedDialogTest, CancelWithoutSenderEndsTheDialogInsteadOfClimbing) {
    SendMessageA(dialog->handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_TRUE(owner->ids.empty());
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(settings, DefaultLineSettings);
}

TEST_F(ShadedDialogTest, AttachesTheListsInOrderToTheirItems) {
    EXPECT_EQ(dialog->baudRateList->handle, GetDlgItem(dialog->handle, BaudRateItem));
    EXPECT_EQ(dialog->parityList->handle, GetDlgItem(dialog->handle, ParityItem));
    EXPECT_EQ(dialog->addressList->handle, GetDlgItem(dialog->handle, AddressItem));
    std::vector<WindowObject*> order;
    dialog->ForEachChild([&order](WindowObject* child) { order.push_back(child); });
    EXPECT_EQ(order, (std::vector<WindowObject*>{dialog->baudRateList, dialog->parityList,
                                                 dialog->addressList}));
    EXPECT_EQ(dialog->settings, &settings);
    EXPECT_EQ(dialog->baudRateList->textLength, 0);
}

} // namespace
