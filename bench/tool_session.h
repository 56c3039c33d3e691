#pragma once

#include "console/main_window.h"

// The tool's own application and main window in the benchmark's process,
// for figures that call the window's operations directly (a poll without
// waiting a second for its tick) and read its fields.
class ToolSession {
public:
    ToolSession();
    ~ToolSession();
    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;

    MainWindow* Window() const { return window; }

    // Chooses the port in the window's own list and connects, as a choice
    // there would; true when a ZOR unit answered.
    bool Connect(const char* port);

    // Handles what the window's operations left in the queue, as the
    // message loop would between ticks.
    static void DrainQueue();

private:
    MainWindow* window = nullptr;
};
