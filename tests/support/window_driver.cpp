#include "support/window_driver.h"

#include <cstring>

namespace driver {
namespace {

constexpr int MessageBoxTextId = 0xFFFF;
constexpr size_t TextCapacity = 1024;

struct TopSearch {
    DWORD processId;
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<TopSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (search->className != nullptr && ClassOf(window) != search->className) {
        return TRUE;
    }
    if (search->title != nullptr && Text(window) != search->title) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

} // namespace

Program::Program(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        process = {};
    }
}

Program::~Program() {
    if (process.hProcess == nullptr) {
        return;
    }
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, SendTimeoutMs);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

bool Program::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (process.hProcess == nullptr ||
        WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    if (exitCode != nullptr) {
        GetExitCodeProcess(process.hProcess, exitCode);
    }
    return true;
}

HWND FindTopWindow(DWORD processId, const char* className, const char* title, DWORD timeoutMs) {
    TopSearch search{processId, className, title, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

HWND FindMessageBox(DWORD processId, DWORD timeoutMs) {
    return FindTopWindow(processId, "#32770", nullptr, timeoutMs);
}

std::string MessageBoxText(HWND box) { return Text(GetDlgItem(box, MessageBoxTextId)); }

void AnswerMessageBox(HWND box, int buttonId) { Post(box, WM_COMMAND, buttonId, 0); }

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string Text(HWND window) {
    char text[TextCapacity] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, SendTimeoutMs, &copied);
    return text;
}

void SetText(HWND window, const std::string& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_NORMAL, SendTimeoutMs, &result);
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, SendTimeoutMs,
                             &result)) {
        return 0;
    }
    return static_cast<LRESULT>(result);
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageA(window, message, wParam, lParam);
}

int ComboCount(HWND combo) { return static_cast<int>(Send(combo, CB_GETCOUNT, 0, 0)); }

// Read as UTF-16 and converted here: Wine answers a cross-process
// CB_GETLBTEXT in UTF-16 even to an ANSI caller, while the wide message is
// converted right on Windows and Wine alike.
std::string ComboItem(HWND combo, int index) {
    LRESULT length = Send(combo, CB_GETLBTEXTLEN, index, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(wide.data()),
                        SMTO_NORMAL, SendTimeoutMs, &copied);
    wide.resize(wcslen(wide.c_str()));
    std::string text(wide.size() * 2, '\0');
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                    text.data(), static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
    return text;
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    int count = ComboCount(combo);
    for (int i = 0; i < count; ++i) {
        items.push_back(ComboItem(combo, i));
    }
    return items;
}

int ComboSelection(HWND combo) { return static_cast<int>(Send(combo, CB_GETCURSEL, 0, 0)); }

bool ComboChoose(HWND combo, int index) {
    if (Send(combo, CB_SETCURSEL, index, 0) != index) {
        return false;
    }
    int id = GetDlgCtrlID(combo);
    Send(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
         reinterpret_cast<LPARAM>(combo));
    return true;
}

int ComboIndex(HWND combo, const std::string& text) {
    std::vector<std::string> items = ComboItems(combo);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool ComboChoose(HWND combo, const std::string& text) {
    int index = ComboIndex(combo, text);
    return index >= 0 && ComboChoose(combo, index);
}

void Click(HWND button) { Send(button, BM_CLICK, 0, 0); }

int CheckState(HWND checkBox) { return static_cast<int>(Send(checkBox, BM_GETCHECK, 0, 0)); }

} // namespace driver
