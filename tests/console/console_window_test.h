#pragma once

#include "support/message_queue.h"
#include "framework/application.h"
#include "framework/window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

// An application that builds no main window of its own: the test sets one.
struct ConsoleTestApplication : Application {
    ConsoleTestApplication() : Application("console tests") {}
    void BuildMainWindow() override {}
};

// Each test gets an application and a shown top-level window of the
// framework class to put controls in and to own dialogs, as the main window
// does.
class ConsoleWindowTest : public testing::Test {
protected:
    void SetUp() override {
        application = new ConsoleTestApplication;
        main = new Window(nullptr, "console test");
        main->x = 10;
        main->y = 10;
        main->width = 400;
        main->height = 300;
        ASSERT_TRUE(main->Create());
        application->mainWindow = main;
        DrainQueue();
    }
    void TearDown() override {
        DrainQueue();
        main->Dispose();
        application->mainWindow = nullptr;
        DrainQueue();
        application->Dispose();
    }
    // Makes the control's window as a child of the test window.
    template <typename T> T* Made(T* control) {
        EXPECT_TRUE(control->Create());
        return control;
    }

    ConsoleTestApplication* application = nullptr;
    Window* main = nullptr;
};

inline std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline DWORD StyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
}

inline DWORD ExStyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
}

// The entries of a combo box's list, in list order.
inline std::vector<std::string> ComboEntries(HWND combo) {
    std::vector<std::string> entries;
    const auto count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[256] = {};
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.emplace_back(text);
    }
    return entries;
}
