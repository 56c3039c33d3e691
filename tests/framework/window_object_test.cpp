#include "framework_test_support.h"

#include "framework/window_object.h"

#include <algorithm>
#include <array>

namespace {

// ---- the ring of children ----

std::vector<WindowObject*> Children(WindowObject& parent) {
    std::vector<WindowObject*> children;
    parent.ForEachChild([&](WindowObject* child) { children.push_back(child); });
    return children;
}

class ChildRing : public testing::Test {
protected:
    void SetUp() override {
        parent = new WindowObject(nullptr);
        for (auto& child : children) {
            child = new WindowObject(parent);
        }
    }
    void TearDown() override {
        // Children that a test took out of the ring are disposed alone.
        for (auto* child : children) {
            if (child != nullptr &&
                parent->FirstChildThat([&](WindowObject* c) { return c == child; }) == nullptr) {
                child->Dispose();
            }
        }
        parent->Dispose();
    }
    WindowObject* parent = nullptr;
    std::array<WindowObject*, 3> children{};
};

TEST_F(ChildRing, KeepsConstructionOrder) {
    EXPECT_EQ(Children(*parent),
              (std::vector<WindowObject*>{children[0], children[1], children[2]}));
    EXPECT_EQ(parent->lastChild, children[2]);
    EXPECT_EQ(children[2]->nextSibling, children[0]);
}

TEST_F(ChildRing, RemovingTheLastChildMakesItsPredecessorLast) {
    parent->RemoveChild(children[2]);
    EXPECT_EQ(parent->lastChild, children[1]);
    EXPECT_EQ(Children(*parent), (std::vector<WindowObject*>{children[0], children[1]}));
}

TEST_F(ChildRing, RemovingAMiddleChildKeepsTheOthersInOrder) {
    parent->RemoveChild(children[1]);
    EXPECT_EQ(parent->lastChild, children[2]);
    EXPECT_EQ(Children(*parent), (std::vector<WindowObject*>{children[0], children[2]}));
}

TEST_F(ChildRing, RemovingAnObjectThatIsNotAChildChangesNothing) {
    auto* stranger = new WindowObject(nullptr);
    parent->RemoveChild(stranger);
    parent->RemoveChild(nullptr);
    parent->AddChild(nullptr);
    EXPECT_EQ(Children(*parent),
              (std::vector<WindowObject*>{children[0], children[1], children[2]}));
    stranger->Dispose();
}

TEST(ChildRingAlone, RemovingTheOnlyChildEmptiesTheRing) {
    auto* parent = new WindowObject(nullptr);
    auto* child = new WindowObject(parent);
    EXPECT_EQ(child->nextSibling, child);
    parent->RemoveChild(child);
    EXPECT_EQ(parent->lastChild, nullptr);
    EXPECT_TRUE(Children(*parent).empty());
    child->Dispose();
    parent->Dispose();
}

TEST_F(ChildRing, ForEachChildMayDisposeTheChildItIsGiven) {
    parent->ForEachChild([](WindowObject* child) { child->Dispose(); });
    EXPECT_EQ(parent->lastChild, nullptr);
    children.fill(nullptr);
}

TEST_F(ChildRing, FirstChildThatFindsTheFirstMatchOrNull) {
    EXPECT_EQ(parent->FirstChildThat([&](WindowObject* c) { return c != children[0]; }),
              children[1]);
    EXPECT_EQ(parent->FirstChildThat([](WindowObject*) { return false; }), nullptr);
}

TEST(WindowFlags, HasFlagWantsEveryGivenBit) {
    auto* object = new WindowObject(nullptr);
    EXPECT_EQ(object->flags, 0u);
    object->SetFlag(FlagKeyboard | FlagTransfer);
    EXPECT_TRUE(object->HasFlag(FlagTransfer));
    EXPECT_TRUE(object->HasFlag(FlagKeyboard | FlagTransfer));
    EXPECT_FALSE(object->HasFlag(FlagTransfer | FlagFromResource));
    object->Dispose();
}

// ---- data transfer ----

struct TransferChild : WindowObject {
    TransferChild(WindowObject* parent, std::size_t size, std::vector<TransferChild*>* asked)
        : WindowObject(parent), size(size), asked(asked) {}
    std::size_t Exchange(void* buffer, ExchangeDirection direction) override {
        seenBuffer = buffer;
        seenDirection = direction;
        asked->push_back(this);
        return size;
    }
    std::size_t size;
    std::vector<TransferChild*>* asked;
    void* seenBuffer = nullptr;
    int seenDirection = -1;
};

TEST(ExchangeData, RecordsFollowEachOtherAndChildrenWithoutTheFlagAreSkipped) {
    std::vector<TransferChild*> asked;
    auto* parent = new WindowObject(nullptr);
    auto* first = new TransferChild(parent, 4, &asked);
    auto* skipped = new TransferChild(parent, 100, &asked);
    auto* third = new TransferChild(parent, 2, &asked);
    first->SetFlag(FlagTransfer);
    third->SetFlag(FlagTransfer);

    parent->ExchangeData(ToBuffer);
    EXPECT_TRUE(asked.empty()) << "without a buffer nothing is asked";

    std::uint8_t buffer[8] = {};
    parent->transferBuffer = buffer;
    parent->ExchangeData(ToBuffer);
    EXPECT_EQ(asked, (std::vector<TransferChild*>{first, third}));
    EXPECT_EQ(first->seenBuffer, buffer);
    EXPECT_EQ(third->seenBuffer, buffer + 4);
    EXPECT_EQ(third->seenDirection, ToBuffer);
    EXPECT_EQ(skipped->seenBuffer, nullptr);
    parent->Dispose();
}

// ---- windows: binding, creation, routing, closing ----

class WindowObjectTest : public FrameworkTest {
protected:
    LoggingWindow* MakeMain(const char* title = "main") {
        auto* window = new LoggingWindow(nullptr, title, &log, "main");
        EXPECT_TRUE(window->Create());
        application->mainWindow = window;
        return window;
    }
    std::vector<std::string> log;
};

TEST_F(WindowObjectTest, ObjectOfHandleFindsOnlyBoundWindows) {
    EXPECT_EQ(ObjectOfHandle(nullptr), nullptr);
    LoggingWindow* main = MakeMain();
    EXPECT_EQ(ObjectOfHandle(main->handle), main);

    HWND plain = CreateWindowExA(0, "Button", "plain", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20,
                                 main->handle, nullptr, ModuleInstance(), nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(ObjectOfHandle(plain), nullptr);

    auto* button = new TestButton(main, "bound", 5);
    ASSERT_TRUE(button->Create());
    EXPECT_EQ(ObjectOfHandle(button->handle), button);
    // The subclassed button hands on to the button class's own procedure.
    EXPECT_EQ(button->previousProc,
              reinterpret_cast<WNDPROC>(GetWindowLongPtrA(plain, GWLP_WNDPROC)));
    main->Dispose();
}

// A child that cannot get a window: its class does not exist.
struct UncreatableChild : Window {
    using Window::Window;
    const char* ClassName() override { return "ZorNoSuchClass"; }
    bool EnsureClass() override { return true; }
};

struct CountingChild : Window {
    CountingChild(WindowObject* parent, int* exchanges)
        : Window(parent, "child"), exchanges(exchanges) {
        SetFlag(FlagTransfer);
    }
    std::size_t Exchange(void*, ExchangeDirection direction) override {
        if (direction == FromBuffer) {
            ++*exchanges;
        }
        return 1;
    }
    int* exchanges;
};

TEST_F(WindowObjectTest, AfterCreateStopsAtTheFirstChildWithoutAWindow) {
    int exchanges = 0;
    std::uint8_t buffer[4] = {};
    auto* parent = new LoggingWindow(nullptr, "parent", &log, "parent");
    parent->transferBuffer = buffer;
    auto* first = new CountingChild(parent, &exchanges);
    auto* second = new UncreatableChild(parent, "second");
    auto* third = new CountingChild(parent, &exchanges);
    EXPECT_TRUE(parent->Create());
    EXPECT_NE(first->handle, nullptr);
    EXPECT_EQ(second->handle, nullptr);
    EXPECT_EQ(third->handle, nullptr);
    EXPECT_EQ(exchanges, 0) << "no transfer from the buffer";
    parent->Dispose();
}

TEST_F(WindowObjectTest, AfterCreateFillsTheChildrenWhenAllWereCreated) {
    int exchanges = 0;
    std::uint8_t buffer[4] = {};
    auto* parent = new LoggingWindow(nullptr, "parent", &log, "parent");
    parent->transferBuffer = buffer;
    new CountingChild(parent, &exchanges);
    new CountingChild(parent, &exchanges);
    EXPECT_TRUE(parent->Create());
    EXPECT_EQ(exchanges, 2);
    parent->Dispose();
}

// A control that keeps the notification code it was given.
struct NotifiedButton : TestButton {
    using TestButton::TestButton;
    void Notification(Message& msg, int code) override {
        codes.push_back(code);
        TestButton::Notification(msg, code);
    }
    std::vector<int> codes;
};

TEST_F(WindowObjectTest, ControlCommandsReachTheParentsChildCommandWithTheControlsId) {
    LoggingWindow* main = MakeMain();
    HWND plain = CreateWindowExA(0, "Button", "plain", WS_CHILD, 0, 0, 50, 20, main->handle,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(123)),
                                 ModuleInstance(), nullptr);
    auto* bound = new NotifiedButton(main, "bound", 456);
    ASSERT_TRUE(bound->Create());
    log.clear();

    // No object: the id comes from wParam.
    SendMessageA(main->handle, WM_COMMAND, MAKEWPARAM(123, BN_CLICKED),
                 reinterpret_cast<LPARAM>(plain));
    // An object: its Notification gets the code; the id comes from its window.
    SendMessageA(main->handle, WM_COMMAND, MAKEWPARAM(789, BN_DOUBLECLICKED),
                 reinterpret_cast<LPARAM>(bound->handle));
    EXPECT_EQ(log, (std::vector<std::string>{"main: ChildCommand 123", "main: ChildCommand 456"}));
    EXPECT_EQ(bound->codes, (std::vector<int>{BN_DOUBLECLICKED}));
    main->Dispose();
}

TEST_F(WindowObjectTest, ScrollFromAControlWithoutObjectUsesTheControlsWindowId) {
    LoggingWindow* main = MakeMain();
    HWND bar = CreateWindowExA(0, "ScrollBar", nullptr, WS_CHILD | SBS_HORZ, 0, 0, 80, 16,
                               main->handle, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(77)),
                               ModuleInstance(), nullptr);
    ASSERT_NE(bar, nullptr);
    log.clear();
    SendMessageA(main->handle, WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(bar));
    SendMessageA(main->handle, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(log, (std::vector<std::string>{"main: ChildCommand 77", "main: ChildCommand 77"}));
    main->Dispose();
}

TEST_F(WindowObjectTest, ScrollFromAControlWithAnObjectGivesItTheScrollCode) {
    LoggingWindow* main = MakeMain();
    auto* bound = new NotifiedButton(main, "bar", 8);
    ASSERT_TRUE(bound->Create());
    log.clear();
    SendMessageA(main->handle, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 5),
                 reinterpret_cast<LPARAM>(bound->handle));
    EXPECT_EQ(bound->codes, (std::vector<int>{SB_PAGEDOWN}));
    EXPECT_EQ(log, (std::vector<std::string>{"main: ChildCommand 8"}));
    main->Dispose();
}

// Each direction has its own handler: a window that takes over horizontal
// scrolling does not get the vertical scroll messages.
struct HorizontalOnly : Window {
    HorizontalOnly() : Window(nullptr, "h") {}
    void OnHScroll(Message&) override { ++horizontal; }
    int horizontal = 0;
};

TEST_F(WindowObjectTest, VerticalScrollDoesNotReachTheHorizontalHandler) {
    auto* window = new HorizontalOnly;
    ASSERT_TRUE(window->Create());
    SendMessageA(window->handle, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(window->horizontal, 0);
    SendMessageA(window->handle, WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(window->horizontal, 1);
    window->Dispose();
}

TEST_F(WindowObjectTest, MenuCommandsClimbFromTheReceivingWindowToTheTop) {
    LoggingWindow* main = MakeMain();
    auto* child = new LoggingWindow(main, "child", &log, "child");
    ASSERT_TRUE(child->Create());
    log.clear();
    SendMessageA(child->handle, WM_COMMAND, MAKEWPARAM(42, 0), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"child: CommandById 42", "main: CommandById 42"}));
    main->Dispose();
}

struct ExitCase {
    bool quitAllowed;
};

class ExitCommand : public WindowObjectTest, public testing::WithParamInterface<ExitCase> {};

TEST_P(ExitCommand, FromAChildClosesTheMainWindowAsMayQuitDecides) {
    const bool allowed = GetParam().quitAllowed;
    application->quitAnswer = allowed;
    LoggingWindow* main = MakeMain();
    auto* child = new LoggingWindow(main, "child", &log, "child");
    ASSERT_TRUE(child->Create());
    HWND mainHandle = main->handle;
    HWND childHandle = child->handle;
    log.clear();

    SendMessageA(childHandle, WM_COMMAND, MAKEWPARAM(ExitCommandId, 0), 0);

    EXPECT_EQ(application->mayQuitAsked, 1);
    EXPECT_EQ(IsWindow(mainHandle) != FALSE, !allowed);
    EXPECT_EQ(IsWindow(childHandle) != FALSE, !allowed);
    EXPECT_EQ(application->mainWindow, allowed ? nullptr : main);
    bool destroyed = std::find(log.begin(), log.end(), "main: destructor") != log.end();
    EXPECT_EQ(destroyed, allowed);
    if (!allowed) {
        application->quitAnswer.reset();
        main->Dispose();
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, ExitCommand, testing::Values(ExitCase{true}, ExitCase{false}));

TEST_F(WindowObjectTest, ExitCommandAtATopWindowThatIsNotMainEndsInDefaultProcessing) {
    LoggingWindow* other = new LoggingWindow(nullptr, "other", &log, "other");
    ASSERT_TRUE(other->Create());
    SendMessageA(other->handle, WM_COMMAND, MAKEWPARAM(ExitCommandId, 0), 0);
    EXPECT_TRUE(IsWindow(other->handle));
    EXPECT_EQ(application->mayQuitAsked, 0);
    other->Dispose();
}

struct EndSessionCase {
    bool isMain;
    bool refusingChild;
    LRESULT answer;
};

class QueryEndSession : public WindowObjectTest,
                        public testing::WithParamInterface<EndSessionCase> {};

TEST_P(QueryEndSession, AnswersPermissionAndClosesNothing) {
    const EndSessionCase& c = GetParam();
    auto* window = new LoggingWindow(nullptr, "window", &log, "window");
    auto* child = new LoggingWindow(window, "child", &log, "child");
    child->refuseClose = c.refusingChild;
    ASSERT_TRUE(window->Create());
    if (c.isMain) {
        application->mainWindow = window;
    }
    EXPECT_EQ(SendMessageA(window->handle, WM_QUERYENDSESSION, 0, 0), c.answer);
    EXPECT_EQ(application->mayQuitAsked, c.isMain ? 1 : 0);
    EXPECT_TRUE(IsWindow(window->handle));
    EXPECT_TRUE(IsWindow(child->handle));
    window->Dispose();
}

INSTANTIATE_TEST_SUITE_P(Cases, QueryEndSession,
                         testing::Values(EndSessionCase{true, false, 1},
                                         EndSessionCase{true, true, 0},
                                         EndSessionCase{false, false, 1},
                                         EndSessionCase{false, true, 0}));

TEST_F(WindowObjectTest, RefusedCloseLeavesWindowAndObject) {
    LoggingWindow* main = MakeMain();
    main->refuseClose = true;
    SendMessageA(main->handle, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(main->handle));
    EXPECT_EQ(application->mainWindow, main);
    main->refuseClose = false;
    SendMessageA(main->handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(application->mainWindow, nullptr);
}

TEST_F(WindowObjectTest, DestroyingTheMainWindowPostsOneQuitWithCodeZero) {
    LoggingWindow* main = MakeMain();
    new LoggingWindow(main, "child", &log, "child");
    main->Dispose();
    EXPECT_EQ(application->mainWindow, nullptr);
    QuitMessages quits = TakeQuitMessages();
    EXPECT_EQ(quits.count, 1);
    EXPECT_EQ(quits.lastCode, 0u);
}

TEST_F(WindowObjectTest, DestroyingAnotherWindowPostsNoQuit) {
    auto* other = new LoggingWindow(nullptr, "other", &log, "other");
    ASSERT_TRUE(other->Create());
    other->Dispose();
    EXPECT_EQ(TakeQuitMessages().count, 0);
}

// Windows go first, while every object is whole, then the objects, children
// before their parent's destructor ends.
TEST_F(WindowObjectTest, DisposeDestroysWindowsWithTheirFullBehaviourThenObjects) {
    LoggingWindow* main = MakeMain();
    auto* child = new LoggingWindow(main, "child", &log, "child");
    ASSERT_TRUE(child->Create());
    new LoggingWindow(main, "second", &log, "second");
    HWND childHandle = child->handle;
    log.clear();
    main->Dispose();
    EXPECT_EQ(log,
              (std::vector<std::string>{"main: OnDestroy", "child: OnDestroy", "main: destructor",
                                        "child: destructor", "second: destructor"}));
    EXPECT_FALSE(IsWindow(childHandle));
}

TEST_F(WindowObjectTest, AnObjectWhoseWindowIsGoneForgetsIt) {
    LoggingWindow* main = MakeMain();
    DestroyWindow(main->handle);
    EXPECT_EQ(main->handle, nullptr);
    main->Dispose();
    EXPECT_EQ(application->mainWindow, nullptr);
}

// The keyboard window follows activation of windows with FlagKeyboard.
TEST_F(WindowObjectTest, ActivationSetsAndClearsTheKeyboardWindow) {
    LoggingWindow* main = MakeMain();
    main->SetFlag(FlagKeyboard);
    SendMessageA(main->handle, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(application->keyboardWindow, main);
    SendMessageA(main->handle, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(application->keyboardWindow, nullptr);
    main->Dispose();
}

} // namespace
