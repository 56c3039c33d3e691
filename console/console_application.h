#pragma once

#include "framework/application.h"

// The ZOR config program: an application whose main window is a MainWindow.
class ConsoleApplication : public Application {
public:
    explicit ConsoleApplication(const char* name);

    void BuildMainWindow() override;
};
