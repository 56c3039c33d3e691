// The native zorctl on a pty of its own unit: the runner starts a zorsim for
// the whole test program (strict line, still readings), runs zorctl with
// posix_spawn, its output in scratch files, and sends Ctrl-C as SIGINT.
#include "zorctl/zorctl_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

using namespace std::chrono_literals;

constexpr auto PollStep = 10ms;
constexpr auto StartWait = 10s;
constexpr auto CommandWait = 5s;
constexpr auto FileWait = 30s;
constexpr auto RunWait = 120s;
constexpr int KilledStatus = 255;

std::string ReadFileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

template <typename Condition> bool WaitUntil(std::chrono::milliseconds limit, Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(PollStep);
    }
    return true;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& out, const std::string& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> pointers;
    for (const std::string& argument : argv) {
        pointers.push_back(const_cast<char*>(argument.c_str()));
    }
    pointers.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

// The exit status, or KilledStatus when it did not end in time or died of a signal.
int Reap(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    const bool ended = WaitUntil(limit, [&] { return waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return KilledStatus;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : KilledStatus;
}

class PosixRunner : public ZorctlRunner {
public:
    PosixRunner() {
        char folder[] = "/tmp/zorctl-tests-XXXXXX";
        scratch = std::string(mkdtemp(folder)) + "/";
        lockedPty = posix_openpt(O_RDWR | O_NOCTTY); // never unlocked: its slave never opens
        unitPid = Spawn({ZORSIM_EXE, "--link", scratch + "unit.tty", "--control",
                         scratch + "unit.ctl", "--state", scratch + "unit.state", "--log",
                         scratch + "unit.log", "--still", "--strict-line"},
                        scratch + "unit.out", scratch + "unit.err");
        WaitUntil(StartWait, [this] { return !State().empty(); });
    }

    ~PosixRunner() override {
        if (unitPid > 0) {
            kill(unitPid, SIGTERM);
            waitpid(unitPid, nullptr, 0);
        }
        if (lockedPty >= 0) {
            close(lockedPty);
        }
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }

    std::string UnitPort() const override { return scratch + "unit.tty"; }
    std::string UnopenablePort() const override { return lockedPty >= 0 ? ptsname(lockedPty) : ""; }
    std::string UnknownPort() const override { return "/dev/zorctl-no-such-port"; }
    std::vector<std::string> ListedPorts() const override { return {}; }

    ZorctlRun Run(const std::vector<std::string>& arguments) override {
        return Start(arguments) ? Wait() : ZorctlRun{};
    }

    bool Start(const std::vector<std::string>& arguments) override {
        std::vector<std::string> argv = {ZORCTL_EXE};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        pid = Spawn(argv, scratch + "stdout.txt", scratch + "stderr.txt");
        return pid > 0;
    }

    void Interrupt() override { kill(pid, SIGINT); }

    ZorctlRun Wait() override {
        ZorctlRun run;
        run.exitCode = Reap(pid, RunWait);
        run.out = ReadFileText(scratch + "stdout.txt");
        run.err = ReadFileText(scratch + "stderr.txt");
        return run;
    }

    bool WaitForLines(const std::string& name, int lines) const override {
        return WaitUntil(FileWait, [&] {
            const std::string text = ReadScratch(name);
            return std::count(text.begin(), text.end(), '\n') >= lines;
        });
    }

    std::string ScratchPath(const std::string& name) const override {
        std::remove((scratch + name).c_str());
        return scratch + name;
    }
    std::string ReadScratch(const std::string& name) const override {
        return ReadFileText(scratch + name);
    }
    std::string FullDevicePath() const override { return "/dev/full"; }

    bool UnitCommand(const std::string& line) override {
        const long before = UnitNumber("commands");
        std::ofstream fifo(scratch + "unit.ctl");
        fifo << line << "\n";
        fifo.close();
        return before != LONG_MIN &&
               WaitUntil(CommandWait, [&] { return UnitNumber("commands") > before; });
    }

    long UnitNumber(const std::string& key) const override {
        const std::string value = UnitValue(key);
        char* end = nullptr;
        const long number = std::strtol(value.c_str(), &end, 10);
        return value.empty() || *end != '\0' ? LONG_MIN : number;
    }

    std::string UnitValue(const std::string& key) const override {
        const std::map<std::string, std::string> state = State();
        const auto found = state.find(key);
        return found == state.end() ? "" : found->second;
    }

private:
    std::map<std::string, std::string> State() const {
        std::map<std::string, std::string> state;
        std::istringstream lines(ReadFileText(scratch + "unit.state"));
        std::string line;
        while (std::getline(lines, line)) {
            const std::size_t equals = line.find('=');
            if (equals != std::string::npos) {
                state[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
        return state;
    }

    std::string scratch;
    int lockedPty = -1;
    pid_t unitPid = -1;
    pid_t pid = -1;
};

} // namespace

ZorctlRunner& Runner() {
    static PosixRunner runner;
    return runner;
}
