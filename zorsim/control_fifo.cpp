#include "control_fifo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zorsim {

namespace {

constexpr mode_t FifoMode = 0666;
constexpr std::size_t ReadChunk = 4096;

} // namespace

ControlFifo::ControlFifo(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

ControlFifo::~ControlFifo() {
    close(fd_);
    unlink(path_.c_str());
}

std::unique_ptr<ControlFifo> ControlFifo::Create(const std::string& path, std::string& error) {
    unlink(path.c_str()); // a FIFO left behind by a unit that was killed
    if (mkfifo(path.c_str(), FifoMode) != 0) {
        error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    chmod(path.c_str(), FifoMode); // whatever the umask, any test may write to it
    int fd = open(path.c_str(), O_RDWR | O_NONBLOCK);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        unlink(path.c_str());
        return nullptr;
    }
    return std::unique_ptr<ControlFifo>(new ControlFifo(fd, path));
}

std::vector<std::string> ControlFifo::ReadLines() {
    char buffer[ReadChunk];
    ssize_t got = 0;
    while ((got = read(fd_, buffer, sizeof buffer)) > 0) {
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
    std::vector<std::string> lines;
    std::size_t end = 0;
    while ((end = pending_.find('\n')) != std::string::npos) {
        lines.push_back(pending_.substr(0, end));
        pending_.erase(0, end + 1);
    }
    return lines;
}

} // namespace zorsim
