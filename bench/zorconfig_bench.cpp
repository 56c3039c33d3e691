// Figures of the real zorconfig.exe, driven from outside:
//
//   zorconfig_bench connect EXE PORT [RUNS]   time from choosing PORT to the
//       last field filled, against a paced unit at 19200 baud, even parity,
//       next to the wire time of the connection's six exchanges
//
//   zorconfig_bench deadport EXE PORT UNIT [SECONDS]   the tool's thread CPU
//       and its answer to WM_NULL while it polls the lab's unit UNIT on PORT,
//       while it polls the same port pulled out (the unit unplugged), and
//       with polling off; plain_read_bench makes the same reads without the
//       tool
//
// (The resources over many polls are measured inside the process by
// poll_bench: Wine reports no handle, GUI object or memory counts of another
// process.)
#include "clocks.h"
#include "wire_time.h"
#include "support/simulated_unit.h"
#include "support/window_driver.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD StartTimeoutMs = 30000;
constexpr int PortListId = 101;
constexpr int PollCheckBoxId = 108;
constexpr size_t IdentityIndex = 4;
constexpr size_t LastFilledIndex = 28; // the humidity correction, filled last
constexpr int DefaultRuns = 10;
constexpr int DefaultSeconds = 5;
// How often the window is asked to answer, and how long it may take.
constexpr DWORD ProbePeriodMs = 50;
constexpr UINT ProbeTimeoutMs = 5000;

// The line of the paced unit: 19200 baud, 8 data bits, even parity, 1 stop.
constexpr double BaudRate = 19200.0;

// The six exchanges of a connection: request and reply lengths in bytes.
struct Exchange {
    const char* what;
    int requestBytes;
    int replyBytes;
};
constexpr Exchange ConnectExchanges[] = {
    {"identity (input 0-3)", 8, 5 + 8},       {"firmware (input 4)", 8, 5 + 2},
    {"serial number (input 5-6)", 8, 5 + 4},  {"bus settings (holding 512-514)", 8, 5 + 6},
    {"measurements (input 16-18)", 8, 5 + 6}, {"corrections (holding 256-257)", 8, 5 + 4},
};

// Wire time of the bytes both ways plus the unit's silence before each reply.
double WireMs() {
    double total = 0;
    for (const Exchange& e : ConnectExchanges) {
        total += wire::ExchangeMs(BaudRate, e.requestBytes, e.replyBytes);
    }
    return total;
}

struct Session {
    driver::Program program;
    HWND main = nullptr;
    std::vector<HWND> controls;

    explicit Session(const std::string& exe) : program("\"" + exe + "\"") {
        main = driver::FindTopWindow(program.Id(), "OwlWindow", "ZOR config", StartTimeoutMs);
        if (main != nullptr) {
            controls = driver::Children(main);
        }
    }
    ~Session() {
        if (main != nullptr) {
            driver::Post(main, WM_CLOSE, 0, 0);
            program.WaitForExit(StartTimeoutMs);
        }
    }
    bool Ready() const { return main != nullptr && controls.size() > LastFilledIndex; }
    std::string Field(size_t index) const { return driver::Text(controls[index]); }
    void ClearFields() {
        driver::SetText(controls[IdentityIndex], "");
        driver::SetText(controls[LastFilledIndex], "");
    }
};

int Connect(const std::string& exe, const std::string& port, int runs) {
    Session session(exe);
    if (!session.Ready()) {
        std::fprintf(stderr, "bench: zorconfig did not start\n");
        return 1;
    }
    HWND list = GetDlgItem(session.main, PortListId);
    int index = driver::ComboIndex(list, port);
    if (index < 0) {
        std::fprintf(stderr, "bench: %s is not in the port list\n", port.c_str());
        return 1;
    }
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        session.ClearFields();
        double start = clocks::NowMs();
        // The selection's notification returns when the connection has ended.
        driver::ComboChoose(list, index);
        double elapsed = clocks::NowMs() - start;
        if (session.Field(IdentityIndex) != "ZOR" || session.Field(LastFilledIndex).empty()) {
            std::fprintf(stderr, "bench: run %d did not fill every field\n", run + 1);
            return 1;
        }
        times.push_back(elapsed);
    }
    std::sort(times.begin(), times.end());
    double median = times[times.size() / 2];
    double wire = WireMs();
    std::printf("connect, paced unit at 19200 baud, even parity (%d runs)\n", runs);
    for (const Exchange& e : ConnectExchanges) {
        std::printf("  %-32s %2d + %2d bytes  %6.2f ms on the wire with the silence\n", e.what,
                    e.requestBytes, e.replyBytes,
                    wire::ExchangeMs(BaudRate, e.requestBytes, e.replyBytes));
    }
    std::printf("  wire time of the six exchanges: %.1f ms\n", wire);
    std::printf("  selection to last field filled: min %.1f ms, median %.1f ms, max %.1f ms\n",
                times.front(), median, times.back());
    std::printf("  ratio (median / wire): %.2f  (goal <= 1.20)\n", median / wire);
    return 0;
}

// The thread's share of one core over a span, and the slowest answer to
// WM_NULL meanwhile (a window that answers nothing shows ProbeTimeoutMs).
struct Load {
    double cpuPercent;
    double slowestAnswerMs;
};

Load Watch(const Session& session, int seconds) {
    HANDLE thread = session.program.MainThread();
    double start = clocks::NowMs();
    double startCpu = clocks::ThreadCpuMs(thread);
    double slowest = 0;
    while (clocks::NowMs() - start < seconds * clocks::MsPerSecond) {
        double asked = clocks::NowMs();
        DWORD_PTR result = 0;
        SendMessageTimeoutA(session.main, WM_NULL, 0, 0, SMTO_NORMAL, ProbeTimeoutMs, &result);
        slowest = std::max(slowest, clocks::NowMs() - asked);
        Sleep(ProbePeriodMs);
    }
    double cpu = clocks::ThreadCpuMs(thread) - startCpu;
    return {100.0 * cpu / (clocks::NowMs() - start), slowest};
}

void PrintLoad(const char* what, const Load& load) {
    std::printf("  %-34s thread CPU %5.1f %% of one core; WM_NULL answered within %6.1f ms\n", what,
                load.cpuPercent, load.slowestAnswerMs);
}

int DeadPort(const std::string& exe, const std::string& port, const std::string& unitName,
             int seconds) {
    SimulatedUnit unit(unitName);
    if (!unit.Command("reset")) {
        std::fprintf(stderr, "bench: unit %s does not answer commands\n", unitName.c_str());
        return 1;
    }
    Session session(exe);
    if (!session.Ready() || clocks::ThreadCpuMs(session.program.MainThread()) < 0) {
        std::fprintf(stderr, "bench: zorconfig did not start, or its thread times are hidden\n");
        return 1;
    }
    if (!driver::ComboChoose(GetDlgItem(session.main, PortListId), port) ||
        session.Field(IdentityIndex) != "ZOR") {
        std::fprintf(stderr, "bench: no unit on %s\n", port.c_str());
        return 1;
    }
    HWND poll = GetDlgItem(session.main, PollCheckBoxId);
    std::printf("zorconfig polling %s, a pulled-out adapter (%d s each)\n", port.c_str(), seconds);
    driver::Click(poll);
    PrintLoad("polling a unit", Watch(session, seconds));
    unit.Command("unplug");
    PrintLoad("polling the pulled-out port", Watch(session, seconds));
    driver::Click(poll);
    PrintLoad("polling off, port pulled out", Watch(session, seconds));
    unit.Command("reset");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "connect") == 0) {
        return Connect(argv[2], argv[3], argc >= 5 ? std::atoi(argv[4]) : DefaultRuns);
    }
    if (argc >= 5 && std::strcmp(argv[1], "deadport") == 0) {
        return DeadPort(argv[2], argv[3], argv[4], argc >= 6 ? std::atoi(argv[5]) : DefaultSeconds);
    }
    std::fprintf(stderr, "usage: zorconfig_bench connect EXE PORT [RUNS]\n"
                         "       zorconfig_bench deadport EXE PORT UNIT [SECONDS]\n");
    return 2;
}
