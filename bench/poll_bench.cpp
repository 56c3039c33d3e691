// Resources of the tool over many polls: the real application and main
// window in this process, connected to a unit, ShowMeasurements called
// directly COUNT times (what COUNT ticks of the poll timer would do, without
// waiting a second for each), with the queue emptied between polls as the
// message loop would. Prints the process's handles, GDI and USER objects and
// private memory before and after.
//
//   poll_bench PORT [COUNT]
#include "console/console_application.h"
#include "console/main_window.h"
#include "console/port_combo_box.h"
#include "console/texts.h"
#include "console/value_field.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int DefaultPolls = 10000;
constexpr int PortNameMostChars = 7;
constexpr double MsPerSecond = 1000.0;

alignas(ConsoleApplication) unsigned char applicationStorage[sizeof(ConsoleApplication)];

struct Resources {
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    SIZE_T privateBytes = 0;
    // Seen from the Linux side when the program runs under Wine, which
    // answers the Windows queries above with 0: the process's anonymous
    // resident memory and its open file descriptors.
    unsigned long long anonymousKb = 0;
    unsigned long long descriptors = 0;
};

// Under Wine, drive Z: is the Linux root, so the process reads its own
// /proc entries; on Windows these paths do not exist and the figures stay 0.
constexpr char LinuxStatusPath[] = "Z:\\proc\\self\\status";
constexpr char LinuxDescriptorPattern[] = "Z:\\proc\\self\\fd\\*";
constexpr char AnonymousKey[] = "RssAnon:";

unsigned long long LinuxAnonymousKb() {
    std::FILE* status = std::fopen(LinuxStatusPath, "r");
    if (status == nullptr) {
        return 0;
    }
    char line[256];
    unsigned long long kb = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, AnonymousKey, std::strlen(AnonymousKey)) == 0) {
            kb = std::strtoull(line + std::strlen(AnonymousKey), nullptr, 10);
        }
    }
    std::fclose(status);
    return kb;
}

unsigned long long LinuxDescriptors() {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(LinuxDescriptorPattern, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    unsigned long long count = 0;
    do {
        if (entry.cFileName[0] != '.') {
            ++count;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return count;
}

Resources Measure() {
    HANDLE self = GetCurrentProcess();
    Resources r;
    GetProcessHandleCount(self, &r.handles);
    r.gdiObjects = GetGuiResources(self, GR_GDIOBJECTS);
    r.userObjects = GetGuiResources(self, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory)) {
        r.privateBytes = memory.PrivateUsage;
    }
    r.anonymousKb = LinuxAnonymousKb();
    r.descriptors = LinuxDescriptors();
    return r;
}

void PrintRow(const char* what, unsigned long long start, unsigned long long end) {
    long long growth = static_cast<long long>(end) - static_cast<long long>(start);
    std::printf("  %-16s %12llu %12llu %+10lld\n", what, start, end, growth);
}

void DrainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Selects the port in the window's own list, as a choice there would.
bool SelectPort(MainWindow* window, const char* port) {
    LRESULT index = SendMessageA(window->portList->handle, CB_FINDSTRINGEXACT,
                                 static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(port));
    if (index == CB_ERR) {
        return false;
    }
    window->portList->SetSelIndex(static_cast<int>(index));
    return true;
}

bool Connected(MainWindow* window) {
    char identity[PortNameMostChars + 1] = {};
    GetWindowTextA(window->identityField->handle, identity, sizeof identity);
    return std::strcmp(identity, "ZOR") == 0;
}

double NowMs() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * MsPerSecond /
           static_cast<double>(frequency.QuadPart);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: poll_bench PORT [COUNT]\n");
        return 2;
    }
    int count = argc >= 3 ? std::atoi(argv[2]) : DefaultPolls;
    auto* application = new (applicationStorage) ConsoleApplication(texts::ApplicationName);
    application->StartInstance();
    auto* window = static_cast<MainWindow*>(application->mainWindow);
    if (window == nullptr || !SelectPort(window, argv[1])) {
        std::fprintf(stderr, "poll_bench: no window, or %s is not in the port list\n", argv[1]);
        return 1;
    }
    window->Connect();
    DrainQueue();
    if (!Connected(window)) {
        std::fprintf(stderr, "poll_bench: no ZOR unit on %s\n", argv[1]);
        return 1;
    }
    Resources start = Measure();
    double begin = NowMs();
    for (int i = 0; i < count; ++i) {
        window->ShowMeasurements();
        DrainQueue();
    }
    double elapsed = NowMs() - begin;
    Resources end = Measure();
    std::printf("%d polls in %.1f s (%.2f ms each), against a unit that answers at once\n", count,
                elapsed / MsPerSecond, elapsed / count);
    std::printf("  %-16s %12s %12s %10s\n", "", "start", "end", "growth");
    PrintRow("handles", start.handles, end.handles);
    PrintRow("GDI objects", start.gdiObjects, end.gdiObjects);
    PrintRow("USER objects", start.userObjects, end.userObjects);
    PrintRow("private bytes", start.privateBytes, end.privateBytes);
    PrintRow("Linux RssAnon kB", start.anonymousKb, end.anonymousKb);
    PrintRow("Linux open fds", start.descriptors, end.descriptors);
    window->Dispose();
    application->~ConsoleApplication();
    return 0;
}
