// zordrive: works a running ZOR config from outside, for demonstrations and
// screenshots.
//
//   zordrive connect PORT [--poll]   chooses PORT in the port list (and checks
//                                    "Číst"), then waits for the identity
//
// Exit code 0 when the tool showed an identity, 1 otherwise.
#include "support/window_driver.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The first start in a new Wine prefix, on a loaded machine, can take well
// over 20 s before the tool's window appears.
constexpr DWORD FindTimeoutMs = 90000;
constexpr DWORD IdentityTimeoutMs = 10000;
constexpr int PortListId = 101;
constexpr int PollCheckBoxId = 108;
constexpr size_t IdentityFieldIndex = 4; // the fifth child, beside "Převodník:"

struct MainSearch {
    HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM context) {
    if (driver::ClassOf(window) == "OwlWindow" && driver::Text(window) == "ZOR config") {
        reinterpret_cast<MainSearch*>(context)->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindMainWindow() {
    MainSearch search{nullptr};
    driver::WaitUntil(
        [&] {
            EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        FindTimeoutMs);
    return search.found;
}

int Connect(const std::string& port, bool poll) {
    HWND main = FindMainWindow();
    if (main == nullptr) {
        std::fprintf(stderr, "zordrive: no ZOR config window\n");
        return 1;
    }
    HWND list = GetDlgItem(main, PortListId);
    int index = driver::ComboIndex(list, port);
    if (index < 0 || !driver::ComboChoose(list, index)) {
        std::fprintf(stderr, "zordrive: %s is not in the port list\n", port.c_str());
        return 1;
    }
    if (poll) {
        driver::Click(GetDlgItem(main, PollCheckBoxId));
    }
    std::vector<HWND> children = driver::Children(main);
    bool shown =
        children.size() > IdentityFieldIndex &&
        driver::WaitUntil([&] { return !driver::Text(children[IdentityFieldIndex]).empty(); },
                          IdentityTimeoutMs);
    return shown ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "connect") == 0) {
        bool poll = argc >= 4 && std::strcmp(argv[3], "--poll") == 0;
        return Connect(argv[2], poll);
    }
    std::fprintf(stderr, "usage: zordrive connect PORT [--poll]\n");
    return 2;
}
