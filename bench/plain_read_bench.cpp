// A plain Win32 program with none of the tool's code: what one failed poll
// does on the line (an 8-byte WriteFile, then a 5-byte ReadFile with the
// read time-outs of 19200 baud), once a second, first on a port whose unit
// stays silent, then on the same port pulled out (the lab's unit unplugged:
// its pty hung up). It prints the thread's CPU for each, so that the cost of
// polling a dead port can be told apart: the platform's, or the tool's.
//
//   plain_read_bench PORT UNIT [SECONDS]
#include "clocks.h"
#include "support/simulated_unit.h"

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int DefaultSeconds = 5;
constexpr DWORD PollPeriodMs = 1000;
constexpr DWORD BaudRate = 19200;
constexpr BYTE DataBits = 8;
// Only fBinary: no flow control, DTR and RTS off, no parity check.
constexpr DWORD FlagWord = 1;
constexpr std::size_t FlagWordOffset = offsetof(DCB, BaudRate) + sizeof(DWORD);
// The time-outs the tool sets at 19200 baud: 11000 / rate + 1 ms per byte,
// 300000 / rate + 100 ms on top, nothing between bytes, 100 ms per write.
constexpr COMMTIMEOUTS Timeouts = {0, 11000 / BaudRate + 1, 300000 / BaudRate + 100, 0, 100};
constexpr DWORD ReplyStart = 5;
// A read of input registers 16-18 of unit 1, as a poll sends it.
constexpr BYTE PollRequest[] = {0x01, 0x04, 0x00, 0x10, 0x00, 0x03, 0x30, 0x0E};

struct Phase {
    int reads = 0;
    int failedCalls = 0;
    DWORD lastError = 0;
    DWORD bytes = 0;
    double readWallMs = 0;
    double readCpuMs = 0;
    double wallMs = 0;
    double cpuMs = 0;
};

HANDLE OpenPort(const std::string& port) {
    std::string path = "\\\\.\\" + port;
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return handle;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(handle, &dcb);
    dcb.BaudRate = BaudRate;
    std::memcpy(reinterpret_cast<BYTE*>(&dcb) + FlagWordOffset, &FlagWord, sizeof FlagWord);
    dcb.ByteSize = DataBits;
    dcb.Parity = EVENPARITY;
    dcb.StopBits = ONESTOPBIT;
    SetCommState(handle, &dcb);
    COMMTIMEOUTS timeouts = Timeouts;
    SetCommTimeouts(handle, &timeouts);
    return handle;
}

Phase Poll(HANDLE port, int seconds) {
    Phase phase;
    HANDLE self = GetCurrentThread();
    double start = clocks::NowMs();
    double startCpu = clocks::ThreadCpuMs(self);
    for (int i = 0; i < seconds; ++i) {
        double tickStart = clocks::NowMs();
        DWORD written = 0;
        WriteFile(port, PollRequest, sizeof PollRequest, &written, nullptr);
        BYTE reply[ReplyStart];
        DWORD got = 0;
        double readStart = clocks::NowMs();
        double readCpu = clocks::ThreadCpuMs(self);
        if (!ReadFile(port, reply, sizeof reply, &got, nullptr)) {
            ++phase.failedCalls;
            phase.lastError = GetLastError();
        }
        phase.readCpuMs += clocks::ThreadCpuMs(self) - readCpu;
        phase.readWallMs += clocks::NowMs() - readStart;
        phase.bytes += got;
        ++phase.reads;
        double spent = clocks::NowMs() - tickStart;
        if (spent < PollPeriodMs) {
            Sleep(static_cast<DWORD>(PollPeriodMs - spent));
        }
    }
    phase.wallMs = clocks::NowMs() - start;
    phase.cpuMs = clocks::ThreadCpuMs(self) - startCpu;
    return phase;
}

void Print(const char* what, const Phase& p) {
    std::printf("  %-28s thread CPU %5.1f %% of one core; per ReadFile %6.1f ms, CPU %6.1f ms; "
                "%d of %d calls failed (last error %lu), %lu bytes\n",
                what, 100.0 * p.cpuMs / p.wallMs, p.readWallMs / p.reads, p.readCpuMs / p.reads,
                p.failedCalls, p.reads, static_cast<unsigned long>(p.lastError),
                static_cast<unsigned long>(p.bytes));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: plain_read_bench PORT UNIT [SECONDS]\n");
        return 2;
    }
    const std::string port = argv[1];
    const int seconds = argc >= 4 ? std::atoi(argv[3]) : DefaultSeconds;
    SimulatedUnit unit(argv[2]);
    if (!unit.Command("reset") || !unit.Command("fault silent")) {
        std::fprintf(stderr, "plain_read_bench: unit %s does not answer commands\n", argv[2]);
        return 1;
    }
    HANDLE handle = OpenPort(port);
    if (handle == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "plain_read_bench: cannot open %s\n", port.c_str());
        return 1;
    }
    if (clocks::ThreadCpuMs(GetCurrentThread()) < 0) {
        std::fprintf(stderr, "plain_read_bench: no thread times here\n");
        return 1;
    }
    std::printf("plain Win32 WriteFile + ReadFile (5 bytes, %lu + 5 x %lu ms) once a second on "
                "%s, %d s each\n",
                static_cast<unsigned long>(Timeouts.ReadTotalTimeoutConstant),
                static_cast<unsigned long>(Timeouts.ReadTotalTimeoutMultiplier), port.c_str(),
                seconds);
    Print("unit silent", Poll(handle, seconds));
    unit.Command("unplug");
    Print("port pulled out (hung up)", Poll(handle, seconds));
    CloseHandle(handle);
    unit.Command("reset");
    return 0;
}
