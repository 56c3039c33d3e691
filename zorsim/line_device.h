#pragma once

#include "line_settings.h"

#include <memory>
#include <optional>
#include <string>

#include <termios.h>

namespace zorsim {

// The unit's end of the serial line: the master side of a pty it made, or
// a device it was given. For a pty it keeps a slave descriptor of its own,
// so the master sees no hang-up while the tool has its end closed, and the
// slave's termios (what the tool set) can be read at any time.
class LineDevice {
public:
    static std::unique_ptr<LineDevice> CreatePty(std::string& error);
    static std::unique_ptr<LineDevice> OpenDevice(const std::string& path, std::string& error);
    ~LineDevice();
    LineDevice(const LineDevice&) = delete;
    LineDevice& operator=(const LineDevice&) = delete;

    int Fd() const { return fd_; }
    const std::string& ToolPath() const { return toolPath_; }
    std::optional<ToolLine> ToolSettings() const;

    // Puts the termios back as the line had it at start. A pty keeps what
    // the last tool set while zorsim holds it open, and a tool asking for
    // the same parity again on a pty is refused (see README.md).
    void RestoreToolSettings() const;

    // Best effort: what the line cannot take now is dropped, as on a real
    // bus with nobody listening.
    void Send(const std::uint8_t* bytes, std::size_t size) const;

private:
    LineDevice(int fd, int slaveFd, std::string toolPath);

    int fd_ = -1;
    int slaveFd_ = -1; // the descriptor whose termios shows the tool's settings
    std::string toolPath_;
    std::optional<termios> startSettings_;
};

} // namespace zorsim
