// zorctl's own figures, its commands run in this process as the program
// runs them (RunZorctl), their output sent to a scratch file:
//   info PORT ZORCTL_EXE  - the whole info command against a paced unit next
//                           to the wire time of its six exchanges; then the
//                           process itself: its start alone (--version) and
//                           a whole `zorctl info` run as a separate program;
//   scan PORT COUNT       - a scan of addresses 1..COUNT at 19200 even next to
//                           COUNT failed-exchange waits. Against a line with
//                           no unit all COUNT fail; with a unit at COUNT the
//                           first COUNT - 1 fail and the last finds it.
#include "wire_time.h"
#include "device/modbus_line.h"
#include "zorctl/zorctl_program.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int InfoRuns = 11;
constexpr int ProcessRuns = 5;
constexpr std::uint32_t BaudRate = 19200;
constexpr int RequestCharacters = 8;
constexpr int ReadReplyOverhead = 5;
constexpr DWORD PhaseOneBytes = 5;
constexpr double InfoBound = 1.2;
constexpr double ScanBound = 1.1;
// Registers of the six reads of info: identity, firmware, serial number, bus
// settings, measurements, corrections.
constexpr int InfoReadRegisters[] = {4, 1, 2, 3, 3, 2};
constexpr const char* SinkFile = "zorctl_bench.out";

// Standard output and error go to a scratch file while it lives (under Wine
// the null device is a server object, and each write to it a round trip).
class Silence {
public:
    Silence() {
        std::fflush(stdout);
        std::fflush(stderr);
        savedOut = _dup(_fileno(stdout));
        savedErr = _dup(_fileno(stderr));
        const int sink = _open(SinkFile, _O_WRONLY | _O_CREAT | _O_TRUNC, _S_IREAD | _S_IWRITE);
        _dup2(sink, _fileno(stdout));
        _dup2(sink, _fileno(stderr));
        _close(sink);
    }
    ~Silence() {
        std::fflush(stdout);
        std::fflush(stderr);
        _dup2(savedOut, _fileno(stdout));
        _dup2(savedErr, _fileno(stderr));
        _close(savedOut);
        _close(savedErr);
        std::remove(SinkFile);
    }

private:
    int savedOut;
    int savedErr;
};

struct Timed {
    double ms;
    int status;
};

Timed RunInProcess(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv = {"zorctl"};
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    Silence silence;
    const auto start = std::chrono::steady_clock::now();
    const int status = RunZorctl(static_cast<int>(argv.size()), argv.data());
    return {Milliseconds(std::chrono::steady_clock::now() - start).count(), status};
}

// The whole program as a separate process, its output to the null device.
Timed RunProcess(const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE null =
        CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = null;
    startup.hStdError = null;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        CloseHandle(null);
        return {0, -1};
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    const double ms = Milliseconds(std::chrono::steady_clock::now() - start).count();
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(null);
    return {ms, static_cast<int>(code)};
}

template <typename Run> Timed Median(int runs, Run run) {
    std::vector<double> times;
    int status = 0;
    for (int i = 0; i < runs; ++i) {
        const Timed timed = run();
        times.push_back(timed.ms);
        status = std::max(status, timed.status);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], status};
}

double InfoWireMs() {
    double total = 0;
    for (const int registers : InfoReadRegisters) {
        total += wire::ExchangeMs(BaudRate, RequestCharacters, 2 * registers + ReadReplyOverhead);
    }
    return total;
}

int Info(const std::string& port, const std::string& program) {
    const Timed info = Median(InfoRuns, [&] { return RunInProcess({"info", port}); });
    const double wire = InfoWireMs();
    std::printf("zorctl info against a paced unit on %s, %u baud even, median of %d\n",
                port.c_str(), static_cast<unsigned>(BaudRate), InfoRuns);
    std::printf("  in process (open, 6 exchanges, output): %7.1f ms, wire time %6.1f ms, ratio "
                "%.2f (bound %.1f)\n",
                info.ms, wire, info.ms / wire, InfoBound);
    const std::string quoted = "\"" + program + "\"";
    const Timed start = Median(ProcessRuns, [&] { return RunProcess(quoted + " --version"); });
    const Timed whole = Median(ProcessRuns, [&] { return RunProcess(quoted + " info " + port); });
    std::printf("  process start alone (zorctl --version): %7.1f ms, median of %d\n", start.ms,
                ProcessRuns);
    std::printf("  whole process (zorctl info %s):       %7.1f ms\n", port.c_str(), whole.ms);
    return info.status != 0 || whole.status != 0 ? 1 : 0;
}

int Scan(const std::string& port, int count) {
    const std::string addresses = "1-" + std::to_string(count);
    const Timed scan = RunInProcess({"scan", port, "--addresses", addresses});
    const bool found = scan.status == 0;
    const int failed = found ? count - 1 : count;
    const double wait = ModbusLine::LongestReadWait(BaudRate, PhaseOneBytes);
    const double bound = ScanBound * failed * wait;
    std::printf("zorctl scan %s --addresses %s at %u baud even: %s\n", port.c_str(),
                addresses.c_str(), static_cast<unsigned>(BaudRate),
                found ? "unit found at the last address" : "no unit");
    std::printf("  %8.0f ms for %d failed exchanges%s; %d x %.0f ms = %.0f ms, ratio %.3f "
                "(bound %.1f)\n",
                scan.ms, failed, found ? " and the find" : "", failed, wait, failed * wait,
                scan.ms / (failed * wait), ScanBound);
    return scan.ms <= bound ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "info" && argc > 3) {
        return Info(argv[2], argv[3]);
    }
    if (mode == "scan" && argc > 3) {
        return Scan(argv[2], std::atoi(argv[3]));
    }
    std::printf("usage: zorctl_bench info PORT ZORCTL_EXE | scan PORT COUNT\n");
    return 2;
}
