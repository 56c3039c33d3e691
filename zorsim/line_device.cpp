#include "line_device.h"

#include "arbitrary_speed.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zorsim {

namespace {

std::string Failure(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false;
    }
    cfmakeraw(&settings);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

bool MakeNonBlocking(int fd) {
    int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

LineDevice::LineDevice(int fd, int slaveFd, std::string toolPath)
    : fd_(fd), slaveFd_(slaveFd), toolPath_(std::move(toolPath)) {
    termios settings{};
    if (tcgetattr(slaveFd_, &settings) == 0) {
        startSettings_ = settings;
    }
}

void LineDevice::RestoreToolSettings() const {
    if (startSettings_) {
        tcsetattr(slaveFd_, TCSANOW, &*startSettings_);
    }
}

LineDevice::~LineDevice() {
    if (slaveFd_ >= 0 && slaveFd_ != fd_) {
        close(slaveFd_);
    }
    if (fd_ >= 0) {
        close(fd_);
    }
}

std::unique_ptr<LineDevice> LineDevice::CreatePty(std::string& error) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = Failure("posix_openpt");
        return nullptr;
    }
    const char* name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
        error = Failure("preparing the pty");
        close(master);
        return nullptr;
    }
    std::string path = name;
    int slave = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0 || !MakeRaw(slave) || !MakeNonBlocking(master)) {
        error = Failure("opening the pty's slave");
        if (slave >= 0) {
            close(slave);
        }
        close(master);
        return nullptr;
    }
    return std::unique_ptr<LineDevice>(new LineDevice(master, slave, path));
}

std::unique_ptr<LineDevice> LineDevice::OpenDevice(const std::string& path, std::string& error) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = Failure(path.c_str());
        return nullptr;
    }
    if (isatty(fd) && !MakeRaw(fd)) {
        error = Failure("setting the device raw");
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<LineDevice>(new LineDevice(fd, fd, path));
}

std::optional<ToolLine> LineDevice::ToolSettings() const {
    termios settings{};
    if (tcgetattr(slaveFd_, &settings) != 0) {
        return std::nullopt;
    }
    return DecodeToolLine(settings, ArbitraryOutputRate(slaveFd_));
}

void LineDevice::Send(const std::uint8_t* bytes, std::size_t size) const {
    while (size > 0) {
        ssize_t written = write(fd_, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

} // namespace zorsim
