#include "framework_test_support.h"

#include "framework/dialog.h"

#include <algorithm>

namespace {

// Ends a loop that would otherwise wait for ever, so a fault fails the test
// instead of hanging the run.
constexpr UINT SafetyMs = 3000;
void CALLBACK PostQuitLater(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    PostQuitMessage(0);
}

struct LoopApplication : TestApplication {
    bool Idle() override {
        ++idleCalls;
        if (idleCalls == quitAtIdle) {
            PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
        }
        return idleAnswer;
    }
    int idleCalls = 0;
    int quitAtIdle = -1;
    bool idleAnswer = false;
};

class ApplicationLoop : public testing::Test {
protected:
    void SetUp() override {
        DrainQueue();
        application = new LoopApplication;
        application->mainWindow = new Window(nullptr, "loop");
        ASSERT_TRUE(application->mainWindow->Create());
        safety = SetTimer(nullptr, 0, SafetyMs, PostQuitLater);
    }
    void TearDown() override {
        KillTimer(nullptr, safety);
        if (application->mainWindow != nullptr) {
            application->mainWindow->Dispose();
        }
        DrainQueue();
        application->Dispose();
    }
    LoopApplication* application = nullptr;
    UINT_PTR safety = 0;
};

TEST_F(ApplicationLoop, IdleAnsweringTrueKeepsPollingWithoutWaiting) {
    application->idleAnswer = true;
    application->quitAtIdle = 500;
    DWORD start = GetTickCount();
    application->RunLoop();
    EXPECT_TRUE(application->quitReceived);
    EXPECT_GE(application->idleCalls, 500);
    EXPECT_LT(GetTickCount() - start, SafetyMs) << "ended by the safety timer";
}

void CALLBACK QuitSoon(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
}

TEST_F(ApplicationLoop, IdleAnsweringFalseWaitsForTheNextMessage) {
    constexpr UINT QuitAfterMs = 300;
    UINT_PTR timer = SetTimer(nullptr, 0, QuitAfterMs, QuitSoon);
    application->RunLoop();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(application->quitReceived);
    EXPECT_GE(application->idleCalls, 1);
    // Polling would have called Idle thousands of times in that time.
    EXPECT_LT(application->idleCalls, 20);
}

TEST_F(ApplicationLoop, NoMessageIsTakenOnceTheQuitIsRetrieved) {
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 1, 0, 0);
    application->RunLoop();
    EXPECT_TRUE(application->quitReceived);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_NOREMOVE));
}

// A message dispatched by the loop, and whether keyboard navigation ate it.
struct KeyWindow : Window {
    KeyWindow() : Window(nullptr, "keys") {}
    void Dispatch(Message& msg) override {
        if (msg.number == WM_KEYDOWN) {
            ++keyDowns;
        }
        Window::Dispatch(msg);
    }
    int keyDowns = 0;
};

TEST_F(ApplicationLoop, KeyboardMessagesWithoutAKeyboardWindowAreDispatched) {
    auto* window = new KeyWindow;
    ASSERT_TRUE(window->Create());
    EXPECT_EQ(application->keyboardWindow, nullptr);
    PostMessageA(window->handle, WM_KEYDOWN, VK_TAB, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
    application->RunLoop();
    EXPECT_EQ(window->keyDowns, 1);
    window->Dispose();
}

TEST_F(ApplicationLoop, ClosingTheMainWindowEndsTheLoop) {
    HWND main = application->mainWindow->handle;
    PostMessageA(main, WM_CLOSE, 0, 0);
    application->RunLoop();
    EXPECT_TRUE(application->quitReceived);
    EXPECT_EQ(application->mainWindow, nullptr);
    EXPECT_FALSE(IsWindow(main));
}

TEST(ApplicationStart, TheDefaultMainWindowIsCreatedShownAndTitledWithTheName) {
    DrainQueue();
    auto* application = new Application("ZOR config");
    EXPECT_EQ(currentApplication, application);
    application->StartInstance();
    ASSERT_NE(application->mainWindow, nullptr);
    HWND main = application->mainWindow->handle;
    char title[32] = {};
    GetWindowTextA(main, title, sizeof title);
    EXPECT_STREQ(title, "ZOR config");
    EXPECT_TRUE(IsWindowVisible(main));
    PostMessageA(main, WM_CLOSE, 0, 0);
    application->RunLoop();
    EXPECT_EQ(application->mainWindow, nullptr);
    application->Dispose();
}

TEST(ApplicationStart, WithoutAMainWindowNothingIsShownAndTheLoopReturnsAtOnce) {
    DrainQueue();
    auto* application = new TestApplication;
    application->StartInstance();
    EXPECT_EQ(application->mainWindow, nullptr);
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 2, 0, 0);
    UINT_PTR safety = SetTimer(nullptr, 0, SafetyMs, PostQuitLater);
    application->RunLoop();
    KillTimer(nullptr, safety);
    EXPECT_FALSE(application->quitReceived);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE))
        << "the loop took a message";
    DrainQueue();
    application->Dispose();
}

// A window outliving its application must find none rather than a dead one.
TEST(ApplicationEnd, ClearsTheProcessPointerWhenTheCurrentApplicationEnds) {
    auto* first = new TestApplication;
    auto* second = new TestApplication;
    EXPECT_EQ(currentApplication, second);
    first->Dispose();
    EXPECT_EQ(currentApplication, second) << "an earlier application took the pointer along";
    second->Dispose();
    EXPECT_EQ(currentApplication, nullptr);
}

struct DisposeProbe : Window {
    DisposeProbe(bool* destroyed) : Window(nullptr, 3), destroyed(destroyed) {}
    ~DisposeProbe() override { *destroyed = true; }
    bool* destroyed;
};

class ApplicationServices : public FrameworkTest {};

TEST_F(ApplicationServices, CreateOrDiscardDisposesAWindowThatCannotBeCreated) {
    bool destroyed = false;
    // An attached item without a dialog to attach to cannot be created.
    EXPECT_EQ(application->CreateOrDiscard(new DisposeProbe(&destroyed)), nullptr);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(application->CreateOrDiscard(nullptr), nullptr);
    auto* window = new Window(nullptr, "fine");
    EXPECT_EQ(application->CreateOrDiscard(window), window);
    window->Dispose();
}

TEST_F(ApplicationServices, RunModalOfNoDialogAnswersCancel) {
    EXPECT_EQ(application->RunModal(nullptr), IDCANCEL);
}

// The accelerator table of the main window gets a key before the keyboard
// window's navigation, which would otherwise swallow it.
struct FilterCase {
    bool accelerators;
    bool keyboardWindow;
    bool consumed;
    bool command;
};

class FilterMessage : public ApplicationServices, public testing::WithParamInterface<FilterCase> {
protected:
    static constexpr WORD AcceleratorCommand = 555;
};

TEST_P(FilterMessage, TriesTheAcceleratorsBeforeTheKeyboardWindow) {
    const FilterCase& c = GetParam();
    std::vector<std::string> log;
    auto* main = new LoggingWindow(nullptr, "filter", &log, "main");
    ASSERT_TRUE(main->Create());
    application->mainWindow = main;
    ACCEL key{FVIRTKEY, VK_F5, AcceleratorCommand};
    HACCEL table = CreateAcceleratorTableA(&key, 1);
    ASSERT_NE(table, nullptr);
    application->accelerators = c.accelerators ? table : nullptr;
    application->keyboardWindow = c.keyboardWindow ? main : nullptr;

    MSG msg{main->handle, WM_KEYDOWN, VK_F5, 0, 0, {}};
    EXPECT_EQ(application->FilterMessage(msg), c.consumed);
    bool commanded = std::find(log.begin(), log.end(), "main: CommandById 555") != log.end();
    EXPECT_EQ(commanded, c.command);

    application->accelerators = nullptr;
    application->keyboardWindow = nullptr;
    DestroyAcceleratorTable(table);
    main->Dispose();
}

INSTANTIATE_TEST_SUITE_P(Cases, FilterMessage,
                         testing::Values(FilterCase{false, false, false, false},
                                         FilterCase{false, true, true, false},
                                         FilterCase{true, false, true, true},
                                         FilterCase{true, true, true, true}));

} // namespace
