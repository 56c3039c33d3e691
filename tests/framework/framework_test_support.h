#pragma once

#include "support/message_queue.h"
#include "framework/application.h"
#include "framework/window.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

// Dialog templates and item ids of framework_tests.rc.
#include "test_dialogs.h"

// An application that builds no main window of its own: the tests set one.
// Its MayQuit answers what the test asks for, or the default when unset.
struct TestApplication : Application {
    TestApplication() : Application("framework tests") {}
    void BuildMainWindow() override {}
    bool MayQuit() override {
        ++mayQuitAsked;
        return quitAnswer.has_value() ? *quitAnswer : Application::MayQuit();
    }
    std::optional<bool> quitAnswer;
    int mayQuitAsked = 0;
};

struct QuitMessages {
    int count = 0;
    WPARAM lastCode = 0;
};

inline QuitMessages TakeQuitMessages() {
    QuitMessages quits;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ++quits.count;
            quits.lastCode = msg.wParam;
        } else {
            DispatchMessageA(&msg);
        }
    }
    return quits;
}

// Each test gets an application of its own and a clean queue.
class FrameworkTest : public testing::Test {
protected:
    void SetUp() override {
        application = new TestApplication;
        DrainQueue();
    }
    void TearDown() override {
        DrainQueue();
        application->Dispose();
    }
    TestApplication* application = nullptr;
};

// A top-level window of the framework class that logs what happens to it.
struct LoggingWindow : Window {
    LoggingWindow(WindowObject* parent, const char* title, std::vector<std::string>* log,
                  std::string name)
        : Window(parent, title), log(log), name(std::move(name)) {}
    ~LoggingWindow() override { Log("destructor"); }
    void OnDestroy(Message& msg) override {
        Log("OnDestroy");
        Window::OnDestroy(msg);
    }
    void ChildCommand(Message& msg, int id) override {
        Log("ChildCommand " + std::to_string(id));
        Window::ChildCommand(msg, id);
    }
    void CommandById(Message& msg, int id) override {
        Log("CommandById " + std::to_string(id));
        Window::CommandById(msg, id);
    }
    bool MayClose() override { return refuseClose ? false : Window::MayClose(); }
    void Log(const std::string& what) {
        if (log != nullptr) {
            log->push_back(name + ": " + what);
        }
    }
    std::vector<std::string>* log;
    std::string name;
    bool refuseClose = false;
};

// A Window over the system's "Button" class: Create subclasses it.
struct TestButton : Window {
    TestButton(WindowObject* parent, const char* title, int controlId) : Window(parent, title) {
        id = static_cast<std::uint32_t>(controlId);
    }
    const char* ClassName() override { return "Button"; }
    bool EnsureClass() override { return true; }
};
