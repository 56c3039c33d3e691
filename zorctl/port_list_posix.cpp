// Linux: the serial devices under /dev that exist and open, and the stable
// names udev gives them under /dev/serial/by-id.
#include "zorctl/port_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace {

constexpr const char* DeviceFolder = "/dev";
constexpr const char* ByIdFolder = "/dev/serial/by-id";
constexpr const char* DevicePrefixes[] = {"ttyS", "ttyUSB", "ttyACM"};

bool HasSerialPrefix(const std::string& name) {
    return std::any_of(std::begin(DevicePrefixes), std::end(DevicePrefixes),
                       [&name](const char* prefix) { return name.rfind(prefix, 0) == 0; });
}

// ttyS0..ttyS31 exist on most machines whether or not a UART is behind them;
// only one that opens is a port.
bool Opens(const std::string& path) {
    const int descriptor = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        return false;
    }
    close(descriptor);
    return true;
}

// Natural order, as the window tool lists COM ports: shorter names first, so
// ttyS2 comes before ttyS10.
bool NaturalLess(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::vector<std::string> Entries(const char* folder, bool (*wanted)(const std::string&)) {
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (wanted(name)) {
            paths.push_back(entry.path().string());
        }
    }
    std::sort(paths.begin(), paths.end(), NaturalLess);
    return paths;
}

bool AnyName(const std::string&) {
    return true;
}

} // namespace

namespace port_list {

std::vector<std::string> Ports() {
    std::vector<std::string> ports;
    for (const std::string& path : Entries(DeviceFolder, HasSerialPrefix)) {
        if (Opens(path)) {
            ports.push_back(path);
        }
    }
    for (const std::string& path : Entries(ByIdFolder, AnyName)) {
        ports.push_back(path);
    }
    return ports;
}

// Any character device counts, not only the listed ones: a pty, or a
// converter udev names otherwise, is a serial line as well.
bool IsKnown(const std::string& port) {
    struct stat status {};
    return stat(port.c_str(), &status) == 0 && S_ISCHR(status.st_mode);
}

} // namespace port_list
