// The program's entry: one statically placed application, its message loop,
// and its destruction without freeing, since it never came from the heap.
#include "console/console_application.h"
#include "console/texts.h"

#include <windows.h>

#include <new>

namespace {
alignas(ConsoleApplication) unsigned char applicationStorage[sizeof(ConsoleApplication)];
constexpr int ExitSuccess = 0;
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    auto* application = new (applicationStorage) ConsoleApplication(texts::ApplicationName);
    application->StartInstance();
    application->RunLoop();
    application->~ConsoleApplication();
    return ExitSuccess;
}
