#include "console/console_application.h"

#include "console/main_window.h"

ConsoleApplication::ConsoleApplication(const char* name) : Application(name) {}

void ConsoleApplication::BuildMainWindow() {
    mainWindow = new MainWindow(name);
}
