#pragma once

#include "foundation/base_object.h"
#include "framework/window_object.h"

#include <windows.h>

#include <cstdint>

class Dialog;

// The process's one application: builds, creates and shows the main window
// and runs the message loop until the quit message.
//
// Construction takes two steps, so that the most derived BuildMainWindow is
// the one that runs: the constructor only stores the name and makes the
// object the current application; whoever constructs the application calls
// StartInstance() right after the constructor returns, then RunLoop(). The
// program places its application in static storage and ends it without
// freeing that storage:
//
//     alignas(ConsoleApplication) unsigned char storage[sizeof(ConsoleApplication)];
//     auto* application = new (storage) ConsoleApplication("ZOR config");
//     application->StartInstance();
//     application->RunLoop();
//     application->~ConsoleApplication();
class Application : public BaseObject {
public:
    // The name is not copied: it must outlive the application.
    explicit Application(const char* name);
    ~Application() override;

    // Virtual operations.
    virtual void StartInstance();
    virtual void BuildMainWindow();
    // Background work while the queue is empty; true keeps the loop polling.
    virtual bool Idle();
    virtual bool MayQuit();

    // Runs until the quit message is retrieved; at once without a main window.
    void RunLoop();
    // Handles at most one queued message; false when the queue was empty.
    bool PumpMessage(MSG& msg);
    // True when a keyboard or accelerator translation consumed the message.
    bool FilterMessage(MSG& msg);
    // Creates the window; one that cannot be created is disposed (null).
    WindowObject* CreateOrDiscard(WindowObject* window);
    // Runs the dialog modally, disposes it and answers its end code; null: 2.
    std::int32_t RunModal(Dialog* dialog);
    void SetKeyboardWindow(WindowObject* window);

    const char* name;
    WindowObject* mainWindow;
    WindowObject* keyboardWindow;
    WindowObject* mdiClient;
    HACCEL accelerators;
    bool quitReceived;
};

// The one application of the process; set by its constructor and cleared by
// its destructor.
extern Application* currentApplication;
