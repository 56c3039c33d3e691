#include "tool_session.h"

#include "console/console_application.h"
#include "console/port_combo_box.h"
#include "console/texts.h"
#include "console/value_field.h"

#include <windows.h>

#include <cstring>
#include <new>

namespace {

constexpr int IdentityChars = 8;

// The application object is never freed, only destroyed: the program keeps
// it in static storage too.
alignas(ConsoleApplication) unsigned char applicationStorage[sizeof(ConsoleApplication)];
ConsoleApplication* application = nullptr;

} // namespace

ToolSession::ToolSession() {
    application = new (applicationStorage) ConsoleApplication(texts::ApplicationName);
    application->StartInstance();
    window = static_cast<MainWindow*>(application->mainWindow);
}

ToolSession::~ToolSession() {
    if (window != nullptr) {
        window->Dispose();
    }
    application->~ConsoleApplication();
}

bool ToolSession::Connect(const char* port) {
    if (window == nullptr) {
        return false;
    }
    LRESULT index = SendMessageA(window->portList->handle, CB_FINDSTRINGEXACT,
                                 static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(port));
    if (index == CB_ERR) {
        return false;
    }
    window->portList->SetSelIndex(static_cast<int>(index));
    window->Connect();
    DrainQueue();
    char identity[IdentityChars + 1] = {};
    GetWindowTextA(window->identityField->handle, identity, sizeof identity);
    return std::strcmp(identity, "ZOR") == 0;
}

void ToolSession::DrainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
