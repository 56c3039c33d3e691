// zorctl.exe under Wine: started with CreateProcess, its output in scratch
// files, Ctrl-C sent through a console of its own, the unit reached through
// the lab (scripts/lab.sh: COM11 the unit "zorctl", COM12 a port whose device
// never opens).
#include "zorctl/zorctl_runner.h"

#include "support/simulated_unit.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

constexpr DWORD RunTimeoutMs = 120000;
constexpr DWORD PollMs = 20;
constexpr DWORD FileWaitMs = 30000;
constexpr UINT KilledExitCode = 255;

// A Unix path given at build time, as Wine's drive Z: sees it.
std::string ProgramPath() {
    std::string path = ZORCTL_EXE;
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

std::string Quoted(const std::string& text) {
    std::string quoted(1, '"');
    quoted.append(text).push_back('"');
    return quoted;
}

std::string CommandLine(const std::vector<std::string>& arguments) {
    std::string line = Quoted(ProgramPath());
    for (const std::string& argument : arguments) {
        line += ' ';
        line += argument.find(' ') == std::string::npos ? argument : Quoted(argument);
    }
    return line;
}

std::string ReadFileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A console program's lines end in CR LF on Windows; the cases compare lines.
std::string WithoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

HANDLE InheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class WindowsRunner : public ZorctlRunner {
public:
    WindowsRunner() : unit("zorctl") {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        scratch = std::string(temp) + "zorctl-tests\\";
        CreateDirectoryA(scratch.c_str(), nullptr);
    }

    std::string UnitPort() const override { return "COM11"; }
    std::string UnopenablePort() const override { return "COM12"; }
    std::string UnknownPort() const override { return "COM99"; }

    std::vector<std::string> ListedPorts() const override { return {"COM11", "COM12"}; }

    ZorctlRun Run(const std::vector<std::string>& arguments) override {
        return Launch(arguments, 0) ? Finish(RunTimeoutMs) : ZorctlRun{};
    }

    // Ctrl-C reaches the processes of a console: the program gets one of its
    // own, and Interrupt joins it just to send the event.
    bool Start(const std::vector<std::string>& arguments) override {
        return Launch(arguments, CREATE_NEW_CONSOLE);
    }

    // The event reaches this process too, later and on a thread of its own:
    // the test program ignores Ctrl-C from here on, for good.
    void Interrupt() override {
        SetConsoleCtrlHandler(nullptr, TRUE);
        FreeConsole();
        if (AttachConsole(process.dwProcessId)) {
            GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
            FreeConsole();
        }
    }

    ZorctlRun Wait() override { return Finish(RunTimeoutMs); }

    bool WaitForLines(const std::string& name, int lines) const override {
        for (DWORD waited = 0; waited < FileWaitMs; waited += PollMs) {
            const std::string text = ReadScratch(name);
            if (std::count(text.begin(), text.end(), '\n') >= lines) {
                return true;
            }
            Sleep(PollMs);
        }
        return false;
    }

    std::string ScratchPath(const std::string& name) const override {
        DeleteFileA((scratch + name).c_str());
        return scratch + name;
    }
    std::string ReadScratch(const std::string& name) const override {
        return ReadFileText(scratch + name);
    }
    std::string FullDevicePath() const override { return "Z:\\dev\\full"; }

    bool UnitCommand(const std::string& line) override { return unit.Command(line); }
    long UnitNumber(const std::string& key) const override { return unit.Number(key); }
    std::string UnitValue(const std::string& key) const override { return unit.Value(key); }

private:
    bool Launch(const std::vector<std::string>& arguments, DWORD flags) {
        HANDLE out = InheritableFile(scratch + "stdout.txt");
        HANDLE err = InheritableFile(scratch + "stderr.txt");
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = out;
        startup.hStdError = err;
        std::string line = CommandLine(arguments);
        const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, flags,
                                            nullptr, nullptr, &startup, &process);
        CloseHandle(out);
        CloseHandle(err);
        return started != FALSE;
    }

    ZorctlRun Finish(DWORD timeoutMs) {
        ZorctlRun run;
        if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, KilledExitCode);
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        process = {};
        run.exitCode = static_cast<int>(code);
        run.out = WithoutCarriageReturns(ReadFileText(scratch + "stdout.txt"));
        run.err = WithoutCarriageReturns(ReadFileText(scratch + "stderr.txt"));
        return run;
    }

    PROCESS_INFORMATION process{};
    SimulatedUnit unit;
    std::string scratch;
};

} // namespace

ZorctlRunner& Runner() {
    static WindowsRunner runner;
    return runner;
}
