#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zorsim {

// The FIFO that test programs write control lines into. Opened for reading
// and writing so that it never reports end of file when a writer leaves;
// removed again when the unit stops.
class ControlFifo {
public:
    static std::unique_ptr<ControlFifo> Create(const std::string& path, std::string& error);
    ~ControlFifo();
    ControlFifo(const ControlFifo&) = delete;
    ControlFifo& operator=(const ControlFifo&) = delete;

    int Fd() const { return fd_; }

    // The complete lines that have arrived; a partial line waits for its end.
    std::vector<std::string> ReadLines();

private:
    ControlFifo(int fd, std::string path);

    int fd_ = -1;
    std::string path_;
    std::string pending_;
};

} // namespace zorsim
