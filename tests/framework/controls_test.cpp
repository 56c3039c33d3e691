#include "controls_test_support.h"

#include "support/child_process.h"

#include <cstring>
#include <functional>
#include <memory>

namespace {

// ---- Class names, styles and placement -----------------------------------

struct StyleCase {
    const char* name;
    std::function<Window*(WindowObject*)> make;
    const char* className; // as the control answers ClassName
    DWORD style;
    DWORD exStyle;
};

void PrintTo(const StyleCase& c, std::ostream* out) {
    *out << c.name;
}

// What CreateWindowExA was given, seen by a CBT hook as the window is made.
struct CreationSeen {
    std::string className;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
    HMENU menu = nullptr;
    int windows = 0;
};
CreationSeen seen;

LRESULT CALLBACK CreationSpy(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && seen.windows++ == 0) {
        const CREATESTRUCTA& cs = *reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        seen.className = HIWORD(reinterpret_cast<UINT_PTR>(cs.lpszClass)) != 0 ? cs.lpszClass : "";
        seen.style = static_cast<DWORD>(cs.style);
        seen.exStyle = cs.dwExStyle;
        seen.x = cs.x;
        seen.y = cs.y;
        seen.width = cs.cx;
        seen.height = cs.cy;
        seen.menu = cs.hMenu;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The system classes keep the scroll bars in their own hands (a list hides
// its bar while the items fit; a combo box hands it to its drop-down list),
// and a combo box draws its own edge instead of WS_EX_CLIENTEDGE.
constexpr DWORD SystemOwnedStyle = WS_VSCROLL | WS_HSCROLL;
constexpr DWORD SystemOwnedExStyle = WS_EX_CLIENTEDGE;

class ControlStyles : public ControlTest, public testing::WithParamInterface<StyleCase> {};

TEST_P(ControlStyles, AreWhatTheWindowIsCreatedWith) {
    const StyleCase& c = GetParam();
    Window* control = c.make(parent);
    EXPECT_EQ(control->style, c.style);
    EXPECT_EQ(control->exStyle, c.exStyle);
    EXPECT_STREQ(control->ClassName(), c.className);
    EXPECT_EQ(control->x, 5);
    EXPECT_EQ(control->y, 6);
    EXPECT_EQ(control->id, 42u);
    EXPECT_FALSE(control->HasFlag(FlagTransfer));

    seen = CreationSeen{};
    HHOOK hook = SetWindowsHookExA(WH_CBT, CreationSpy, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const bool created = control->Create();
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(created);
    EXPECT_EQ(seen.className, c.className);
    EXPECT_EQ(seen.style, c.style);
    EXPECT_EQ(seen.exStyle, c.exStyle);
    EXPECT_EQ(seen.x, 5);
    EXPECT_EQ(seen.y, 6);
    EXPECT_EQ(seen.width, 80);
    EXPECT_EQ(seen.height, 60);
    EXPECT_EQ(seen.menu, reinterpret_cast<HMENU>(static_cast<INT_PTR>(42)));

    EXPECT_EQ(ObjectOfHandle(control->handle), control);
    const auto liveStyle = static_cast<DWORD>(GetWindowLongPtrA(control->handle, GWL_STYLE));
    const auto liveExStyle = static_cast<DWORD>(GetWindowLongPtrA(control->handle, GWL_EXSTYLE));
    EXPECT_EQ(liveStyle & ~SystemOwnedStyle, c.style & ~SystemOwnedStyle) << std::hex << liveStyle;
    EXPECT_EQ(liveExStyle & ~SystemOwnedExStyle, c.exStyle & ~SystemOwnedExStyle);
    EXPECT_EQ(GetDlgCtrlID(control->handle), 42);
    EXPECT_EQ(GetParent(control->handle), parent->handle);
    char className[32] = {};
    GetClassNameA(control->handle, className, sizeof className);
    EXPECT_EQ(lstrcmpiA(className, c.className), 0) << className;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ControlStyles,
    testing::Values(
        StyleCase{"GroupBox",
                  [](WindowObject* p) { return new GroupBox(p, "group", 5, 6, 80, 60, 42); },
                  "Button", 0x50020007, 0},
        StyleCase{"PushButton",
                  [](WindowObject* p) { return new PushButton(p, "push", 5, 6, 80, 60, 42); },
                  "Button", 0x50030000, 0},
        StyleCase{"CheckBox",
                  [](WindowObject* p) { return new CheckBox(p, "check", 5, 6, 80, 60, 42); },
                  "Button", 0x50030003, 0},
        StyleCase{"StaticText",
                  [](WindowObject* p) { return new StaticText(p, "label", 5, 6, 80, 60, 42, 0); },
                  "Static", 0x50020000, 0},
        StyleCase{
            "EditBoxSingleLine",
            [](WindowObject* p) { return new EditBox(p, "edit", 5, 6, 80, 60, 42, 16, false); },
            "Edit", 0x50030080, WS_EX_CLIENTEDGE},
        StyleCase{
            "EditBoxMultiLine",
            [](WindowObject* p) { return new EditBox(p, "edit", 5, 6, 80, 60, 42, 16, true); },
            "Edit", 0x50331004, WS_EX_CLIENTEDGE},
        StyleCase{"ListBox", [](WindowObject* p) { return new ListBox(p, 5, 6, 80, 60, 42); },
                  "Listbox", 0x50230003, WS_EX_CLIENTEDGE},
        StyleCase{"ComboBoxDropDownList",
                  [](WindowObject* p) { return new ComboBox(p, 5, 6, 80, 60, 42, 8, false); },
                  "Combobox", 0x50230103, WS_EX_CLIENTEDGE},
        StyleCase{"ComboBoxEditable",
                  [](WindowObject* p) { return new ComboBox(p, 5, 6, 80, 60, 42, 8, true); },
                  "Combobox", 0x50230142, WS_EX_CLIENTEDGE}),
    [](const testing::TestParamInfo<StyleCase>& info) { return info.param.name; });

TEST(ControlFields, TextLengthIsZeroUnlessTheConstructorTakesIt) {
    auto* owner = new WindowObject(nullptr);
    auto* label = new StaticText(owner, "", 0, 0, 1, 1, 1, 7);
    auto* list = new ListBox(owner, 0, 0, 1, 1, 2);
    auto* combo = new ComboBox(owner, 0, 0, 1, 1, 3, 9, false);
    EXPECT_EQ(label->textLength, 7);
    EXPECT_EQ(combo->textLength, 9);
    EXPECT_EQ(list->title, nullptr) << "a list box has no text";
    EXPECT_EQ(list->exStyle, static_cast<DWORD>(WS_EX_CLIENTEDGE));
    owner->Dispose();
}

TEST(ControlAttach, ListAndComboBoxesTakePartInTransfer) {
    auto* owner = new WindowObject(nullptr);
    auto* list = new ListBox(owner, 101);
    auto* combo = new ComboBox(owner, 102, 12);
    for (ListBox* attached : {list, static_cast<ListBox*>(combo)}) {
        EXPECT_TRUE(attached->HasFlag(FlagFromResource | FlagTransfer));
        EXPECT_EQ(attached->style, 0u) << "an attached item keeps the dialog's styles";
        EXPECT_EQ(attached->exStyle, 0u);
        EXPECT_EQ(attached->title, nullptr);
    }
    EXPECT_EQ(list->id, 101u);
    EXPECT_EQ(combo->id, 102u);
    EXPECT_EQ(combo->textLength, 12);
    owner->Dispose();
}

class ControlAttachTest : public ControlTest {};

TEST_F(ControlAttachTest, AComboBoxAttachesToAnItemOfItsParentAndLimitsTyping) {
    HWND item = CreateWindowExA(0, "ComboBox", nullptr, WS_CHILD | CBS_DROPDOWN, 0, 0, 80, 100,
                                parent->handle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(77)),
                                ModuleInstance(), nullptr);
    ASSERT_NE(item, nullptr);
    auto* combo = new ComboBox(parent, 77, 6);
    ASSERT_TRUE(combo->Create());
    EXPECT_EQ(combo->handle, item);
    EXPECT_EQ(ObjectOfHandle(item), combo);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(item, &info));
    EXPECT_EQ(SendMessageA(info.hwndItem, EM_GETLIMITTEXT, 0, 0), 5);
}

ZOR_CHILD_ACTION(ControlClassNameIsAbstract) {
    auto* control = new Control(nullptr, "abstract", 0, 0, 10, 10, 1);
    control->ClassName();
}

TEST(ControlAbstract, ClassNameStopsWithRunTimeError211) {
    ChildOutcome outcome = RunChild("ControlClassNameIsAbstract");
    EXPECT_EQ(outcome.exitCode, 211u);
    EXPECT_TRUE(outcome.boxSeen);
    EXPECT_EQ(outcome.boxCaption, "Error");
}

TEST(ControlAbstract, NothingIsRegisteredForASystemClass) {
    auto* control = new Control(nullptr, "", 0, 0, 10, 10, 1);
    EXPECT_TRUE(control->EnsureClass());
    EXPECT_EQ(control->style, 0x50030000u);
    EXPECT_EQ(control->exStyle, 0u);
    control->Dispose();
}

// Stands between a control and its class procedure and counts WM_PAINT.
WNDPROC classProc = nullptr;
int paintsSeen = 0;
LRESULT CALLBACK PaintSpy(HWND handle, UINT number, WPARAM wParam, LPARAM lParam) {
    if (number == WM_PAINT) {
        ++paintsSeen;
    }
    return CallWindowProcA(classProc, handle, number, wParam, lParam);
}

TEST_F(ControlTest, PaintingIsLeftToTheSystemClass) {
    parent->Show(SW_SHOWNOACTIVATE);
    auto* button = Created(new PushButton(parent, "paint", 0, 0, 80, 24, 1));
    classProc = button->previousProc;
    button->previousProc = PaintSpy;
    paintsSeen = 0;
    InvalidateRect(button->handle, nullptr, TRUE);
    UpdateWindow(button->handle);
    EXPECT_EQ(paintsSeen, 1);
    RECT stillToPaint{};
    EXPECT_FALSE(GetUpdateRect(button->handle, &stillToPaint, FALSE));
    button->previousProc = classProc;
}

// ---- Transfer sizes ---------------------------------------------------------

constexpr std::int32_t TextLength = 16;
constexpr std::size_t PointerSize = sizeof(void*);

struct SizeCase {
    const char* name;
    std::function<Window*(WindowObject*)> make;
    std::size_t size;
};

void PrintTo(const SizeCase& c, std::ostream* out) {
    *out << c.name;
}

// What a size query must leave alone: the window text, the check state and
// the list's items and selection.
std::string StateOf(Window* control) {
    std::string state = WindowText(control->handle);
    if (auto* check = dynamic_cast<CheckBox*>(control)) {
        state += "|check " + std::to_string(check->GetCheck());
    }
    if (auto* list = dynamic_cast<ListBox*>(control)) {
        for (const std::string& item : ItemsOf(*list)) {
            state += "|" + item;
        }
        state += "|sel " + std::to_string(list->GetSelIndex());
    }
    return state;
}

class ExchangeSizes : public ControlTest, public testing::WithParamInterface<SizeCase> {};

TEST_P(ExchangeSizes, AreReportedWithoutTouchingBufferOrControl) {
    const SizeCase& c = GetParam();
    Window* control = c.make(parent);
    ASSERT_TRUE(control->Create());
    if (auto* check = dynamic_cast<CheckBox*>(control)) {
        check->SetCheck(Checked);
    }
    if (auto* list = dynamic_cast<ListBox*>(control)) {
        list->AddString("one");
        list->AddString("two");
        list->SetSelIndex(1);
    }
    const std::string before = StateOf(control);
    std::vector<unsigned char> buffer(64, 0xAB);

    EXPECT_EQ(control->Exchange(buffer.data(), SizeQuery), c.size);
    EXPECT_EQ(buffer, std::vector<unsigned char>(64, 0xAB));
    EXPECT_EQ(StateOf(control), before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExchangeSizes,
    testing::Values(
        SizeCase{"CheckBox", [](WindowObject* p) { return new CheckBox(p, "c", 0, 0, 80, 20, 1); },
                 4},
        SizeCase{
            "StaticText",
            [](WindowObject* p) { return new StaticText(p, "s", 0, 0, 80, 20, 1, TextLength); },
            TextLength},
        SizeCase{
            "EditBox",
            [](WindowObject* p) { return new EditBox(p, "e", 0, 0, 80, 20, 1, TextLength, false); },
            TextLength},
        SizeCase{"ListBox", [](WindowObject* p) { return new ListBox(p, 0, 0, 80, 60, 1); },
                 2 * PointerSize},
        SizeCase{
            "ComboBox",
            [](WindowObject* p) { return new ComboBox(p, 0, 0, 80, 120, 1, TextLength, true); },
            TextLength + PointerSize},
        SizeCase{"GroupBox", [](WindowObject* p) { return new GroupBox(p, "g", 0, 0, 80, 20, 1); },
                 0},
        SizeCase{"PushButton",
                 [](WindowObject* p) { return new PushButton(p, "p", 0, 0, 80, 20, 1); }, 0}),
    [](const testing::TestParamInfo<SizeCase>& info) { return info.param.name; });

TEST(TransferRecords, PointersTakeThePlatformsSize) {
    EXPECT_EQ(sizeof(ListBoxTransfer), 2 * PointerSize);
    EXPECT_EQ(sizeof(ComboBoxTransfer), PointerSize);
#ifndef _WIN64
    EXPECT_EQ(sizeof(ListBoxTransfer), 8u) << "two 4-byte fields in the 32-bit build";
#endif
}

// ---- Check box and text transfer ---------------------------------------

TEST_F(ControlTest, ACheckBoxTransfersItsState) {
    auto* check = Created(new CheckBox(parent, "c", 0, 0, 80, 20, 1));
    for (std::int32_t state : {Checked, Unchecked}) {
        std::int32_t record = state;
        EXPECT_EQ(check->Exchange(&record, FromBuffer), 4u);
        EXPECT_EQ(check->GetCheck(), state);
        record = -5;
        EXPECT_EQ(check->Exchange(&record, ToBuffer), 4u);
        EXPECT_EQ(record, state);
    }
}

TEST_F(ControlTest, AClickTogglesTheCheckBox) {
    auto* check = Created(new CheckBox(parent, "c", 0, 0, 80, 20, 1));
    SendMessageA(check->handle, BM_CLICK, 0, 0);
    EXPECT_EQ(check->GetCheck(), Checked);
}

TEST_F(ControlTest, TextTransferKeepsToTheRecordsField) {
    auto* label = Created(new StaticText(parent, "", 0, 0, 80, 20, 1, 6));
    auto* edit = Created(new EditBox(parent, "", 0, 0, 80, 20, 2, 6, false));
    for (StaticText* control : {label, static_cast<StaticText*>(edit)}) {
        char record[8] = "hello";
        EXPECT_EQ(control->Exchange(record, FromBuffer), 6u);
        EXPECT_EQ(WindowText(control->handle), "hello");

        control->SetText("longer text");
        std::memset(record, '#', sizeof record);
        EXPECT_EQ(control->Exchange(record, ToBuffer), 6u);
        EXPECT_STREQ(record, "longe") << "textLength bytes, the zero included";
        EXPECT_EQ(record[6], '#') << "nothing beyond the field";

        control->Clear();
        EXPECT_EQ(WindowText(control->handle), "");
    }
}

TEST_F(ControlTest, GetTextCountsTheZeroInMaxCount) {
    auto* label = Created(new StaticText(parent, "abcdef", 0, 0, 80, 20, 1, 0));
    char text[8] = "#######";
    EXPECT_EQ(label->GetText(text, 4), 3);
    EXPECT_STREQ(text, "abc");
}

// Records of consecutive transfer children follow each other with no padding;
// children without the flag take no room.
TEST(ExchangeData, WalksTheControlsRecordsBackToBack) {
    constexpr std::size_t CheckAt = 0;
    constexpr std::size_t EditAt = CheckAt + 4;
    constexpr std::int32_t EditLength = 6;
    constexpr std::size_t ComboAt = EditAt + EditLength;
    constexpr std::int32_t ComboLength = 5;
    constexpr std::size_t ListAt = ComboAt + PointerSize + ComboLength;
    constexpr std::size_t End = ListAt + sizeof(ListBoxTransfer);

    std::unique_ptr<StringCollection, void (*)(StringCollection*)> comboItems(
        NewStrings({"red", "green", "blue"}), [](StringCollection* s) { s->Dispose(); });
    std::unique_ptr<StringCollection, void (*)(StringCollection*)> listItems(
        NewStrings({"x", "y"}), [](StringCollection* s) { s->Dispose(); });
    std::vector<unsigned char> buffer(End + 1, 0);
    const std::int32_t checked = Checked;
    std::memcpy(&buffer[CheckAt], &checked, 4);
    std::memcpy(&buffer[EditAt], "hello", 6);
    StringCollection* strings = comboItems.get();
    std::memcpy(&buffer[ComboAt], &strings, PointerSize);
    std::memcpy(&buffer[ComboAt + PointerSize], "gre", 4);
    ListBoxTransfer listRecord{};
    listRecord.strings = listItems.get();
    listRecord.selIndex = 1;
    std::memcpy(&buffer[ListAt], &listRecord, sizeof listRecord);
    buffer[End] = 0xEE;

    auto* window = new ControlParent;
    auto* check = new CheckBox(window, "c", 0, 0, 80, 20, 1);
    auto* edit = new EditBox(window, "", 0, 30, 80, 20, 2, EditLength, false);
    auto* group = new GroupBox(window, "g", 0, 60, 80, 20, 3);
    auto* combo = new ComboBox(window, 0, 90, 80, 120, 4, ComboLength, true);
    auto* list = new ListBox(window, 100, 0, 80, 80, 5);
    for (WindowObject* child :
         {static_cast<WindowObject*>(check), static_cast<WindowObject*>(edit),
          static_cast<WindowObject*>(combo), static_cast<WindowObject*>(list)}) {
        child->SetFlag(FlagTransfer);
    }
    window->transferBuffer = buffer.data();
    ASSERT_TRUE(window->Create()) << "creating the children fills them from the buffer";
    EXPECT_EQ(check->GetCheck(), Checked);
    EXPECT_EQ(WindowText(edit->handle), "hello");
    EXPECT_EQ(WindowText(group->handle), "g");
    EXPECT_EQ(ItemsOf(*combo), (std::vector<std::string>{"blue", "green", "red"}));
    EXPECT_EQ(combo->GetSelIndex(), 1);
    EXPECT_EQ(ItemsOf(*list), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(list->GetSelIndex(), 1);

    check->SetCheck(Unchecked);
    edit->SetText("bye");
    combo->SetSelIndex(2);
    list->SetSelIndex(0);
    window->ExchangeData(ToBuffer);
    std::int32_t state = -1;
    std::memcpy(&state, &buffer[CheckAt], 4);
    EXPECT_EQ(state, Unchecked);
    EXPECT_STREQ(reinterpret_cast<const char*>(&buffer[EditAt]), "bye");
    EXPECT_STREQ(reinterpret_cast<const char*>(&buffer[ComboAt + PointerSize]), "red");
    std::memcpy(&listRecord, &buffer[ListAt], sizeof listRecord);
    EXPECT_EQ(listRecord.selIndex, 0);
    EXPECT_EQ(listRecord.strings, listItems.get()) << "the items are never read back";
    EXPECT_EQ(buffer[End], 0xEE);
    window->Dispose();
}

// ---- Edit boxes: typing limits and commands --------------------------------

// Remembers the typing limits the control was sent.
template <typename Base> struct LimitSpy : Base {
    using Base::Base;
    void Dispatch(Message& msg) override {
        if (msg.number == EM_LIMITTEXT || msg.number == CB_LIMITTEXT) {
            limits.push_back(msg.wParam);
        }
        Base::Dispatch(msg);
    }
    std::vector<WPARAM> limits;
};

struct LimitCase {
    const char* name;
    bool combo;
    std::int32_t textLength;
};

void PrintTo(const LimitCase& c, std::ostream* out) {
    *out << c.name;
}

class TypingLimits : public ControlTest, public testing::WithParamInterface<LimitCase> {
protected:
    // The window that takes the typing, and what it was sent at creation.
    HWND MakeField(std::vector<WPARAM>& limits) {
        const LimitCase& c = GetParam();
        if (c.combo) {
            auto* combo =
                Created(new LimitSpy<ComboBox>(parent, 0, 0, 120, 120, 1, c.textLength, true));
            limits = combo->limits;
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            EXPECT_TRUE(GetComboBoxInfo(combo->handle, &info));
            return info.hwndItem;
        }
        auto* edit =
            Created(new LimitSpy<EditBox>(parent, "", 0, 0, 120, 20, 1, c.textLength, false));
        limits = edit->limits;
        return edit->handle;
    }
    // The limit of a field of the same kind that nobody limited.
    LRESULT UnlimitedDefault() {
        HWND plain = CreateWindowExA(0, "Edit", nullptr, WS_CHILD | ES_AUTOHSCROLL, 0, 0, 10, 10,
                                     parent->handle, nullptr, ModuleInstance(), nullptr);
        LRESULT limit = SendMessageA(plain, EM_GETLIMITTEXT, 0, 0);
        DestroyWindow(plain);
        return limit;
    }
};

TEST_P(TypingLimits, FollowTheTextLength) {
    const LimitCase& c = GetParam();
    std::vector<WPARAM> limits;
    HWND field = MakeField(limits);
    ASSERT_NE(field, nullptr);
    const std::string typed(40, 'x');
    for (char ch : typed) {
        SendMessageA(field, WM_CHAR, static_cast<WPARAM>(ch), 1);
    }
    if (c.textLength == 0) {
        EXPECT_TRUE(limits.empty());
        EXPECT_EQ(SendMessageA(field, EM_GETLIMITTEXT, 0, 0), UnlimitedDefault());
        EXPECT_EQ(WindowText(field), typed);
    } else {
        const auto most = static_cast<std::size_t>(c.textLength - 1);
        EXPECT_EQ(limits, std::vector<WPARAM>{most});
        EXPECT_EQ(SendMessageA(field, EM_GETLIMITTEXT, 0, 0), static_cast<LRESULT>(most));
        EXPECT_EQ(WindowText(field), typed.substr(0, most));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TypingLimits,
    testing::Values(LimitCase{"EditNoLimit", false, 0}, LimitCase{"Edit16", false, 16},
                    LimitCase{"ComboNoLimit", true, 0}, LimitCase{"Combo16", true, 16}),
    [](const testing::TestParamInfo<LimitCase>& info) { return info.param.name; });

// Logs which of the six edit slots a command reached, then does their work.
struct SlotSpy : EditBox {
    SlotSpy(WindowObject* parent) : EditBox(parent, "", 0, 0, 120, 20, 1, 0, false) {}
    void CutText(Message& msg) override {
        slots.push_back("CutText");
        EditBox::CutText(msg);
    }
    void CopyText(Message& msg) override {
        slots.push_back("CopyText");
        EditBox::CopyText(msg);
    }
    void PasteText(Message& msg) override {
        slots.push_back("PasteText");
        EditBox::PasteText(msg);
    }
    void DeleteSelection(Message& msg) override {
        slots.push_back("DeleteSelection");
        EditBox::DeleteSelection(msg);
    }
    void ClearText(Message& msg) override {
        slots.push_back("ClearText");
        EditBox::ClearText(msg);
    }
    void UndoEdit(Message& msg) override {
        slots.push_back("UndoEdit");
        EditBox::UndoEdit(msg);
    }
    std::vector<std::string> slots;
};

TEST_F(ControlTest, EditCommandIdsReachTheirSlots) {
    auto* edit = Created(new SlotSpy(parent));
    const std::vector<std::pair<int, std::string>> table{
        {0xFF00, "CutText"},         {0xFF01, "CopyText"},  {0xFF02, "PasteText"},
        {0xFF03, "DeleteSelection"}, {0xFF04, "ClearText"}, {0xFF05, "UndoEdit"}};
    for (const auto& [command, slot] : table) {
        edit->slots.clear();
        SendMessageA(edit->handle, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        EXPECT_EQ(edit->slots, std::vector<std::string>{slot}) << std::hex << command;
    }
    EXPECT_TRUE(parent->commands.empty());
}

void SetClipboardText(HWND owner, const char* text) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    const std::size_t size = std::strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(block), text, size);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

std::string ClipboardText(HWND owner) {
    std::string text;
    if (OpenClipboard(owner)) {
        if (HANDLE block = GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(GlobalLock(block));
            GlobalUnlock(block);
        }
        CloseClipboard();
    }
    return text;
}

struct EditCommandCase {
    const char* name;
    int command;
    const char* textAfter;
    const char* clipboardAfter;
};

void PrintTo(const EditCommandCase& c, std::ostream* out) {
    *out << c.name;
}

class EditCommands : public ControlTest, public testing::WithParamInterface<EditCommandCase> {};

// "abcdefgh" with "cde" selected, and "XY" on the clipboard.
TEST_P(EditCommands, WorkOnTheSelectionOrTheWholeText) {
    const EditCommandCase& c = GetParam();
    auto* edit = Created(new EditBox(parent, "abcdefgh", 0, 0, 120, 20, 1, 0, false));
    SetClipboardText(parent->handle, "XY");
    SendMessageA(edit->handle, EM_SETSEL, 2, 5);
    SendMessageA(edit->handle, WM_COMMAND, MAKEWPARAM(c.command, 0), 0);
    EXPECT_EQ(WindowText(edit->handle), c.textAfter);
    EXPECT_EQ(ClipboardText(parent->handle), c.clipboardAfter);
    EXPECT_TRUE(parent->commands.empty()) << "the edit box handles its own commands";
}

INSTANTIATE_TEST_SUITE_P(Table, EditCommands,
                         testing::Values(EditCommandCase{"Cut", 0xFF00, "abfgh", "cde"},
                                         EditCommandCase{"Copy", 0xFF01, "abcdefgh", "cde"},
                                         EditCommandCase{"Paste", 0xFF02, "abXYfgh", "XY"},
                                         EditCommandCase{"DeleteSelection", 0xFF03, "abfgh", "XY"},
                                         EditCommandCase{"ClearText", 0xFF04, "", "XY"}),
                         [](const testing::TestParamInfo<EditCommandCase>& info) {
                             return info.param.name;
                         });

TEST_F(ControlTest, UndoEditTakesBackTheLastChange) {
    auto* edit = Created(new EditBox(parent, "abcdefgh", 0, 0, 120, 20, 1, 0, false));
    SendMessageA(edit->handle, EM_SETSEL, 2, 5);
    edit->DeleteSelected();
    ASSERT_EQ(WindowText(edit->handle), "abfgh");
    SendMessageA(edit->handle, WM_COMMAND, MAKEWPARAM(0xFF05, 0), 0);
    EXPECT_EQ(WindowText(edit->handle), "abcdefgh");
}

TEST_F(ControlTest, OtherCommandIdsClimbToTheParent) {
    auto* edit = Created(new EditBox(parent, "abcdefgh", 0, 0, 120, 20, 1, 0, false));
    SendMessageA(edit->handle, EM_SETSEL, 0, -1);
    for (int command : {0xFF06, 0xFEFF}) {
        SendMessageA(edit->handle, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
    EXPECT_EQ(parent->commands, (std::vector<int>{0xFF06, 0xFEFF}));
    EXPECT_EQ(WindowText(edit->handle), "abcdefgh");
}

} // namespace
