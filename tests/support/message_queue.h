#pragma once

#include <windows.h>

// Handles whatever earlier steps left in the thread's queue; a quit message
// is dropped, so one test's quit does not end the next one's loop.
inline void DrainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}
