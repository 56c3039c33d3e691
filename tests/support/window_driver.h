#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Drives a window of another process from outside, as a person would: finds
// windows, reads texts, picks list entries with the notification a combo box
// sends, clicks buttons, types into edits and answers message boxes. Every
// call that reaches the other process waits at most SendTimeoutMs, so a hung
// program fails a test instead of hanging the run.
namespace driver {

constexpr UINT SendTimeoutMs = 10000;

// A program started for a test; the process is ended when the object goes.
class Program {
public:
    explicit Program(const std::string& commandLine);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return process.hProcess != nullptr; }
    DWORD Id() const { return process.dwProcessId; }
    // The program's first thread, which runs its windows.
    HANDLE MainThread() const { return process.hThread; }
    // Waits for the process to end; true with its exit code when it did.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);

private:
    PROCESS_INFORMATION process = {};
};

// The visible top-level window of the process with this class (or any class
// when null) and title (any when null), waiting up to timeoutMs.
HWND FindTopWindow(DWORD processId, const char* className, const char* title, DWORD timeoutMs);

// The message box (class "#32770") of the process, waiting up to timeoutMs.
HWND FindMessageBox(DWORD processId, DWORD timeoutMs);
std::string MessageBoxText(HWND box);
void AnswerMessageBox(HWND box, int buttonId = IDOK);

// Child windows in creation order (the order of the window list).
std::vector<HWND> Children(HWND parent);
std::string ClassOf(HWND window);
std::string Text(HWND window);
void SetText(HWND window, const std::string& text);

// Combo boxes.
int ComboCount(HWND combo);
std::string ComboItem(HWND combo, int index);
std::vector<std::string> ComboItems(HWND combo);
// The index of the entry with exactly this text, -1 when there is none.
int ComboIndex(HWND combo, const std::string& text);
int ComboSelection(HWND combo);
// Selects entry index and tells the owner, as the control does on a choice.
bool ComboChoose(HWND combo, int index);
bool ComboChoose(HWND combo, const std::string& text);

// Buttons and check boxes: a click, as the mouse would make it.
void Click(HWND button);
int CheckState(HWND checkBox);

// Sends and waits for the answer (0 when the window did not answer in time).
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Waits until condition() holds, polling every few milliseconds.
template <typename Condition> bool WaitUntil(Condition condition, DWORD timeoutMs) {
    constexpr DWORD PollMs = 10;
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(PollMs);
    }
    return true;
}

} // namespace driver
