#pragma once

#include <windows.h>

// The clocks the benchmarks read: wall time, and the CPU time one thread has
// used (kernel and user), both in milliseconds.
namespace clocks {

constexpr double MsPerSecond = 1000.0;
// FILETIME counts 100-ns ticks.
constexpr double TicksPerMs = 10000.0;
constexpr int HighPartBits = 32;

inline double NowMs() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * MsPerSecond /
           static_cast<double>(frequency.QuadPart);
}

inline double Ms(const FILETIME& time) {
    ULONGLONG ticks =
        (static_cast<ULONGLONG>(time.dwHighDateTime) << HighPartBits) | time.dwLowDateTime;
    return static_cast<double>(ticks) / TicksPerMs;
}

// Negative when the system cannot tell.
inline double ThreadCpuMs(HANDLE thread) {
    FILETIME created;
    FILETIME exited;
    FILETIME kernel;
    FILETIME user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
        return -1.0;
    }
    return Ms(kernel) + Ms(user);
}

} // namespace clocks
