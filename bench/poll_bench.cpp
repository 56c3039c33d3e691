// Resources of the tool over many polls: the real application and main
// window in this process, connected to a unit, ShowMeasurements called
// directly COUNT times (what COUNT ticks of the poll timer would do, without
// waiting a second for each), with the queue emptied between polls as the
// message loop would. Prints the process's handles, GDI and USER objects and
// private memory before and after.
//
//   poll_bench PORT [COUNT]
#include "clocks.h"
#include "tool_session.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int DefaultPolls = 10000;

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

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: poll_bench PORT [COUNT]\n");
        return 2;
    }
    int count = argc >= 3 ? std::atoi(argv[2]) : DefaultPolls;
    ToolSession tool;
    if (!tool.Connect(argv[1])) {
        std::fprintf(stderr, "poll_bench: no window, or no ZOR unit on %s\n", argv[1]);
        return 1;
    }
    MainWindow* window = tool.Window();
    Resources start = Measure();
    double begin = clocks::NowMs();
    for (int i = 0; i < count; ++i) {
        window->ShowMeasurements();
        ToolSession::DrainQueue();
    }
    double elapsed = clocks::NowMs() - begin;
    Resources end = Measure();
    std::printf("%d polls in %.1f s (%.2f ms each), against a unit that answers at once\n", count,
                elapsed / clocks::MsPerSecond, elapsed / count);
    std::printf("  %-16s %12s %12s %10s\n", "", "start", "end", "growth");
    PrintRow("handles", start.handles, end.handles);
    PrintRow("GDI objects", start.gdiObjects, end.gdiObjects);
    PrintRow("USER objects", start.userObjects, end.userObjects);
    PrintRow("private bytes", start.privateBytes, end.privateBytes);
    PrintRow("Linux RssAnon kB", start.anonymousKb, end.anonymousKb);
    PrintRow("Linux open fds", start.descriptors, end.descriptors);
    return 0;
}
