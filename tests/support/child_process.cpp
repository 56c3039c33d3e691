#include "support/child_process.h"

#include <windows.h>

#include <cstring>
#include <map>
#include <string>

namespace {

constexpr const char* ChildSwitch = "--child=";
constexpr DWORD BoxPollMs = 20;
constexpr DWORD ChildDeadlineMs = 20000;
constexpr int MessageBoxTextId = 0xFFFF;

std::map<std::string, ChildAction>& Actions() {
    static std::map<std::string, ChildAction> actions;
    return actions;
}

struct BoxSearch {
    DWORD processId;
    HWND box;
};

BOOL CALLBACK FindBoxOfProcess(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<BoxSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner == search->processId && std::strcmp(className, "#32770") == 0 &&
        IsWindowVisible(window)) {
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

} // namespace

bool RegisterChildAction(const char* name, ChildAction action) {
    Actions()[name] = action;
    return true;
}

bool RunChildActionFromCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], ChildSwitch, std::strlen(ChildSwitch)) == 0) {
            auto found = Actions().find(argv[i] + std::strlen(ChildSwitch));
            if (found == Actions().end()) {
                ExitProcess(1);
            }
            found->second();
            ExitProcess(0);
        }
    }
    return false;
}

ChildOutcome RunChild(const char* name) {
    ChildOutcome outcome;
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine = std::string("\"") + program + "\" " + ChildSwitch + name;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        outcome.exitCode = static_cast<unsigned long>(-1);
        return outcome;
    }

    DWORD waited = 0;
    while (WaitForSingleObject(process.hProcess, BoxPollMs) == WAIT_TIMEOUT) {
        waited += BoxPollMs;
        BoxSearch search{process.dwProcessId, nullptr};
        EnumWindows(FindBoxOfProcess, reinterpret_cast<LPARAM>(&search));
        if (search.box != nullptr && !outcome.boxSeen) {
            outcome.boxSeen = true;
            outcome.boxCaption = WindowText(search.box);
            outcome.boxText = WindowText(GetDlgItem(search.box, MessageBoxTextId));
            PostMessageA(search.box, WM_COMMAND, IDOK, 0);
        }
        if (waited > ChildDeadlineMs) {
            TerminateProcess(process.hProcess, 1);
        }
    }
    GetExitCodeProcess(process.hProcess, &outcome.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return outcome;
}
