#include "framework/application.h"

#include "framework/dialog.h"
#include "framework/window.h"

Application* currentApplication;

namespace {
constexpr int NormalShow = SW_SHOWNORMAL;
constexpr std::int32_t CancelResult = IDCANCEL;
} // namespace

Application::Application(const char* name) : name(name) {
    currentApplication = this;
}

// The main window is the close protocol's to destroy, not the application's.
// Only the pointer to this application goes: a window that outlives it must
// find no application rather than a dead one.
Application::~Application() {
    if (currentApplication == this) {
        currentApplication = nullptr;
    }
}

void Application::StartInstance() {
    BuildMainWindow();
    mainWindow = CreateOrDiscard(mainWindow);
    if (mainWindow != nullptr) {
        mainWindow->Show(NormalShow);
    }
}

void Application::BuildMainWindow() {
    mainWindow = new Window(nullptr, name);
}

bool Application::Idle() {
    return false;
}

bool Application::MayQuit() {
    return mainWindow == nullptr || mainWindow->MayClose();
}

void Application::RunLoop() {
    if (mainWindow == nullptr) {
        return;
    }
    MSG msg{};
    while (!quitReceived) {
        if (!PumpMessage(msg) && !Idle()) {
            WaitMessage();
        }
    }
}

bool Application::PumpMessage(MSG& msg) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    }
    if (msg.message == WM_QUIT) {
        quitReceived = true;
        return true;
    }
    if (!FilterMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

bool Application::FilterMessage(MSG& msg) {
    if (mdiClient != nullptr && mdiClient->handle != nullptr &&
        TranslateMDISysAccel(mdiClient->handle, &msg)) {
        return true;
    }
    if (mainWindow != nullptr && mainWindow->handle != nullptr && accelerators != nullptr &&
        TranslateAcceleratorA(mainWindow->handle, accelerators, &msg)) {
        return true;
    }
    return keyboardWindow != nullptr && keyboardWindow->handle != nullptr &&
           IsDialogMessageA(keyboardWindow->handle, &msg);
}

WindowObject* Application::CreateOrDiscard(WindowObject* window) {
    if (window != nullptr && !window->Create()) {
        window->Dispose();
        return nullptr;
    }
    return window;
}

std::int32_t Application::RunModal(Dialog* dialog) {
    if (dialog == nullptr) {
        return CancelResult;
    }
    std::int32_t result = dialog->Execute();
    dialog->Dispose();
    return result;
}

void Application::SetKeyboardWindow(WindowObject* window) {
    keyboardWindow = window;
}
