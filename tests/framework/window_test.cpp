#include "framework_test_support.h"

#include <cstring>

namespace {

struct DefaultsCase {
    bool withParent;
    const char* title;
    DWORD style;
    bool keepsTitle;
};

class WindowDefaults : public testing::TestWithParam<DefaultsCase> {};

TEST_P(WindowDefaults, FollowTheParentAndCopyTheTitle) {
    const DefaultsCase& c = GetParam();
    auto* parent = new WindowObject(nullptr);
    auto* window = new Window(c.withParent ? parent : nullptr, c.title);
    EXPECT_EQ(window->style, c.style);
    EXPECT_EQ(window->exStyle, 0u);
    EXPECT_EQ(window->x, static_cast<std::int32_t>(CW_USEDEFAULT));
    EXPECT_EQ(window->y, 0);
    EXPECT_EQ(window->width, static_cast<std::int32_t>(CW_USEDEFAULT));
    EXPECT_EQ(window->height, 0);
    EXPECT_EQ(window->id, 0u);
    EXPECT_EQ(window->createParam, nullptr);
    EXPECT_EQ(window->previousProc, &DefWindowProcA);
    EXPECT_EQ(window->GetId(), 0);
    if (c.keepsTitle) {
        ASSERT_NE(window->title, nullptr);
        EXPECT_NE(window->title, c.title) << "the title is a copy";
        EXPECT_STREQ(window->title, c.title);
    } else {
        EXPECT_EQ(window->title, nullptr);
    }
    if (!c.withParent) {
        window->Dispose();
    }
    parent->Dispose();
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowDefaults,
                         testing::Values(DefaultsCase{false, "top", 0x00CF0000, true},
                                         DefaultsCase{true, "child", 0x50000000, true},
                                         DefaultsCase{false, "", 0x00CF0000, false},
                                         DefaultsCase{false, nullptr, 0x00CF0000, false}));

TEST(WindowAttach, KeepsTheItemIdAndNothingElse) {
    auto* window = new Window(nullptr, 17);
    EXPECT_EQ(window->id, 17u);
    EXPECT_EQ(window->GetId(), 17);
    EXPECT_TRUE(window->HasFlag(FlagFromResource));
    EXPECT_EQ(window->style, 0u);
    EXPECT_EQ(window->x, 0);
    EXPECT_EQ(window->width, 0);
    EXPECT_EQ(window->title, nullptr);
    EXPECT_EQ(window->previousProc, nullptr);
    window->Dispose();
}

class WindowTest : public FrameworkTest {};

TEST_F(WindowTest, AFrameworkWindowIsBoundAtCreationAndNotSubclassed) {
    auto* window = new Window(nullptr, "");
    ASSERT_TRUE(window->Create());
    EXPECT_EQ(ObjectOfHandle(window->handle), window);
    EXPECT_EQ(window->previousProc, &DefWindowProcA);
    EXPECT_EQ(GetWindowTextLengthA(window->handle), 0);
    char className[32] = {};
    GetClassNameA(window->handle, className, sizeof className);
    EXPECT_STREQ(className, "OwlWindow");
    EXPECT_EQ(objectBeingCreated, nullptr);
    window->Dispose();
}

TEST_F(WindowTest, AttachingToAMissingDialogItemFailsAndSubclassesNothing) {
    auto* parent = new Window(nullptr, "parent");
    ASSERT_TRUE(parent->Create());
    auto* item = new Window(parent, 99);
    EXPECT_FALSE(item->Create());
    EXPECT_EQ(item->handle, nullptr);
    EXPECT_EQ(item->previousProc, nullptr);
    parent->Dispose();
}

struct OwnClassWindow : Window {
    OwnClassWindow(int* fills, HBRUSH brush) : Window(nullptr, "own"), fills(fills), brush(brush) {}
    const char* ClassName() override { return "ZorFrameworkTestClass"; }
    void FillClass(WNDCLASSA& record) override {
        ++*fills;
        Window::FillClass(record);
        record.hbrBackground = brush;
    }
    int* fills;
    HBRUSH brush;
};

TEST_F(WindowTest, ASecondWindowOfTheSameClassDoesNotFillTheClassAgain) {
    int fills = 0;
    auto grey = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    auto other = reinterpret_cast<HBRUSH>(COLOR_DESKTOP + 1);
    auto* first = new OwnClassWindow(&fills, grey);
    auto* second = new OwnClassWindow(&fills, other);
    ASSERT_TRUE(first->Create());
    ASSERT_TRUE(second->Create());
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(GetClassLongPtrA(second->handle, GCLP_HBRBACKGROUND)), grey);
    EXPECT_EQ(GetClassLongPtrA(second->handle, GCLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(&CreationHookProc));
    first->Dispose();
    second->Dispose();
}

TEST_F(WindowTest, FrameworkClassRecordUsesTheCreationHook) {
    Window* window = new Window(nullptr, "x");
    WNDCLASSA record{};
    window->FillClass(record);
    EXPECT_EQ(record.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(record.lpfnWndProc, &CreationHookProc);
    EXPECT_EQ(record.hInstance, ModuleInstance());
    EXPECT_EQ(record.hbrBackground, reinterpret_cast<HBRUSH>(6));
    EXPECT_EQ(record.lpszMenuName, nullptr);
    EXPECT_STREQ(record.lpszClassName, "OwlWindow");
    EXPECT_NE(record.hIcon, nullptr);
    EXPECT_NE(record.hCursor, nullptr);
    window->Dispose();
}

TEST_F(WindowTest, CreationHookGivesDefaultProcessingWhenNothingIsBeingCreated) {
    objectBeingCreated = nullptr;
    EXPECT_EQ(CreationHookProc(nullptr, WM_USER, 0, 0), 0);
}

// Painting goes to Paint between BeginPaint and EndPaint, which validates
// the window so that no further WM_PAINT follows.
struct PaintingWindow : Window {
    PaintingWindow() : Window(nullptr, "paint") {}
    void Paint(PAINTSTRUCT& paintInfo) override {
        ++paints;
        deviceContext = paintInfo.hdc;
    }
    int paints = 0;
    HDC deviceContext = nullptr;
};

TEST_F(WindowTest, PaintMessagesReachPaintAndValidateTheWindow) {
    auto* window = new PaintingWindow;
    ASSERT_TRUE(window->Create());
    window->Show(SW_SHOWNOACTIVATE);
    UpdateWindow(window->handle);
    window->paints = 0;
    InvalidateRect(window->handle, nullptr, TRUE);
    UpdateWindow(window->handle);
    EXPECT_EQ(window->paints, 1);
    EXPECT_NE(window->deviceContext, nullptr);
    EXPECT_FALSE(GetUpdateRect(window->handle, nullptr, FALSE));
    window->Dispose();
}

// ---- placement ----

class Placement : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = new Window(nullptr, "placement");
        ASSERT_TRUE(window->Create());
        // Hidden unless a test needs otherwise: hiding a shown top-level
        // window costs seconds on a screen without a window manager.
        MoveWindow(window->handle, 10, 20, 300, 200, TRUE);
    }
    void TearDown() override {
        window->Dispose();
        WindowTest::TearDown();
    }
    Window* window = nullptr;
};

TEST_F(Placement, FollowsTheNormalPlacement) {
    EXPECT_EQ(window->x, 10);
    EXPECT_EQ(window->y, 20);
    EXPECT_EQ(window->width, 300);
    EXPECT_EQ(window->height, 200);
}

class PlacementShow : public Placement, public testing::WithParamInterface<int> {};

TEST_P(PlacementShow, IgnoresMinimisedAndMaximisedWindows) {
    ShowWindow(window->handle, GetParam());
    DrainQueue();
    EXPECT_TRUE(IsIconic(window->handle) || IsZoomed(window->handle));
    window->UpdatePlacement();
    EXPECT_EQ(window->x, 10);
    EXPECT_EQ(window->y, 20);
    EXPECT_EQ(window->width, 300);
    EXPECT_EQ(window->height, 200);
}

INSTANTIATE_TEST_SUITE_P(Shows, PlacementShow, testing::Values(SW_MINIMIZE, SW_MAXIMIZE));

struct SizeCase {
    WPARAM kind;
    bool takesSize;
};

class PlacementSize : public Placement, public testing::WithParamInterface<SizeCase> {};

TEST_P(PlacementSize, OnlyARestoredSizeIsTaken) {
    window->width = 1;
    window->height = 2;
    window->x = 3;
    SendMessageA(window->handle, WM_SIZE, GetParam().kind, MAKELPARAM(50, 60));
    EXPECT_EQ(window->width, GetParam().takesSize ? 300 : 1);
    EXPECT_EQ(window->height, GetParam().takesSize ? 200 : 2);
    EXPECT_EQ(window->x, 3) << "the position is not touched";
}

INSTANTIATE_TEST_SUITE_P(Kinds, PlacementSize,
                         testing::Values(SizeCase{SIZE_RESTORED, true},
                                         SizeCase{SIZE_MINIMIZED, false},
                                         SizeCase{SIZE_MAXIMIZED, false}));

TEST_F(Placement, AChildKeepsItsPositionInTheParentsClientArea) {
    auto* child = new Window(window, "child");
    ASSERT_TRUE(child->Create());
    MoveWindow(child->handle, 5, 7, 40, 30, TRUE);
    EXPECT_EQ(child->x, 5);
    EXPECT_EQ(child->y, 7);
    EXPECT_EQ(child->width, 40);
    EXPECT_EQ(child->height, 30);
}

TEST_F(Placement, ASubclassedControlTakesItsPlacementAtCreation) {
    auto* button = new TestButton(window, "button", 3);
    button->x = 12;
    button->y = 14;
    button->width = 60;
    button->height = 22;
    ASSERT_TRUE(button->Create());
    button->x = button->y = button->width = button->height = 0;
    button->UpdatePlacement();
    EXPECT_EQ(button->x, 12);
    EXPECT_EQ(button->y, 14);
    EXPECT_EQ(button->width, 60);
    EXPECT_EQ(button->height, 22);
}

// ---- focus memory ----

struct FocusWindow : Window {
    FocusWindow() : Window(nullptr, "focus") { SetFlag(FlagKeyboard); }
};

class FocusMemory : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = new FocusWindow;
        ASSERT_TRUE(window->Create());
        first = new TestButton(window, "first", 1);
        second = new TestButton(window, "second", 2);
        ASSERT_TRUE(first->Create());
        ASSERT_TRUE(second->Create());
        window->Show(SW_SHOWNORMAL);
        SetActiveWindow(window->handle);
        SetFocus(second->handle);
        DrainQueue();
        ASSERT_EQ(GetFocus(), second->handle);
        other = new Window(nullptr, "other");
        ASSERT_TRUE(other->Create());
        other->Show(SW_SHOWNOACTIVATE);
    }
    void TearDown() override {
        other->Dispose();
        window->Dispose();
        WindowTest::TearDown();
    }
    FocusWindow* window = nullptr;
    TestButton* first = nullptr;
    TestButton* second = nullptr;
    Window* other = nullptr;
};

TEST_F(FocusMemory, DeactivationSavesAndActivationRestoresTheFocusedChild) {
    SetActiveWindow(other->handle);
    DrainQueue();
    EXPECT_EQ(window->focusChild, second->handle);
    EXPECT_NE(GetFocus(), second->handle);
    SetActiveWindow(window->handle);
    DrainQueue();
    EXPECT_EQ(GetFocus(), second->handle);
    EXPECT_EQ(application->keyboardWindow, window);
}

TEST_F(FocusMemory, AFocusOutsideTheWindowKeepsTheEarlierMemory) {
    window->SaveFocus();
    SetActiveWindow(other->handle);
    SetFocus(other->handle);
    window->SaveFocus();
    EXPECT_EQ(window->focusChild, second->handle);
}

TEST_F(FocusMemory, RestoringADestroyedChildDoesNothing) {
    window->SaveFocus();
    SetFocus(first->handle);
    DestroyWindow(second->handle);
    window->RestoreFocus();
    EXPECT_EQ(GetFocus(), first->handle);
}

// The command's low four bits are the system's own and do not change it.
TEST_F(FocusMemory, RestoreCommandGivesTheFocusBack) {
    constexpr WPARAM SystemBits = 0x2;
    window->SaveFocus();
    SetFocus(first->handle);
    SendMessageA(window->handle, WM_SYSCOMMAND, SC_RESTORE | SystemBits, 0);
    EXPECT_EQ(GetFocus(), second->handle);
}

// (The window system itself refuses the focus to a child of a minimised
// window, so the restore half of this pair cannot be told apart here.)
TEST_F(FocusMemory, MinimiseSavesTheFocusedChild) {
    window->focusChild = nullptr;
    ASSERT_EQ(GetFocus(), second->handle);
    SendMessageA(window->handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(window->focusChild, second->handle);
    EXPECT_TRUE(IsIconic(window->handle));
}

} // namespace
