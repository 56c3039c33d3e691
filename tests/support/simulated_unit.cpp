#include "support/simulated_unit.h"

#include "support/lab.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace {

constexpr DWORD PollMs = 10;
constexpr int ReadAttempts = 5; // the state file is briefly absent while it is replaced
constexpr DWORD ReadChunk = 4096;
constexpr const char* UnixRootDrive = "Z:";

// The lab directory is a Unix path; Wine shows the Unix root as drive Z:.
std::string LabDirectory() {
    const char* lab = LabFolder();
    std::string path = UnixRootDrive;
    for (const char* c = lab != nullptr ? lab : ""; *c != '\0'; ++c) {
        path += *c == '/' ? '\\' : *c;
    }
    return path;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    text.clear();
    char buffer[ReadChunk];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(file);
    return ok;
}

bool WriteLine(const std::string& path, const std::string& line) {
    HANDLE fifo = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (fifo == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::string text = line + "\n";
    DWORD written = 0;
    BOOL ok = WriteFile(fifo, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(fifo);
    return ok != FALSE && written == text.size();
}

std::map<std::string, std::string> ParseState(const std::string& text) {
    std::map<std::string, std::string> state;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        auto equals = line.find('=');
        if (equals != std::string::npos) {
            state[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return state;
}

} // namespace

SimulatedUnit::SimulatedUnit(const std::string& name)
    : controlPath_(LabDirectory() + "\\" + name + ".ctl"),
      statePath_(LabDirectory() + "\\" + name + ".state") {}

bool SimulatedUnit::Command(const std::string& line) {
    long before = Number("commands");
    if (before == Missing || !WriteLine(controlPath_, line)) {
        return false;
    }
    return WaitFor("commands", [before](const std::string& value) {
        return std::strtol(value.c_str(), nullptr, 10) > before;
    });
}

std::map<std::string, std::string> SimulatedUnit::State() const {
    std::string text;
    for (int attempt = 0; attempt < ReadAttempts; ++attempt) {
        if (ReadWholeFile(statePath_, text)) {
            return ParseState(text);
        }
        Sleep(PollMs);
    }
    return {};
}

std::string SimulatedUnit::Value(const std::string& key) const {
    auto state = State();
    auto found = state.find(key);
    return found != state.end() ? found->second : std::string();
}

long SimulatedUnit::Number(const std::string& key) const {
    auto state = State();
    auto found = state.find(key);
    if (found == state.end() || found->second.empty()) {
        return Missing;
    }
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(found->second.c_str(), &end, 10);
    return (*end == '\0' && errno == 0) ? value : Missing;
}

bool SimulatedUnit::WaitFor(const std::string& key,
                            const std::function<bool(const std::string&)>& accept,
                            unsigned long timeoutMs) const {
    DWORD start = GetTickCount();
    for (;;) {
        auto state = State();
        auto found = state.find(key);
        if (found != state.end() && accept(found->second)) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(PollMs);
    }
}

bool SimulatedUnit::WaitFor(const std::string& key, const std::string& value,
                            unsigned long timeoutMs) const {
    return WaitFor(
        key, [&value](const std::string& seen) { return seen == value; }, timeoutMs);
}
