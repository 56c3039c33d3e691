#pragma once

#include "bytes.h"
#include "control_fifo.h"
#include "line_device.h"
#include "control_command.h"
#include "options.h"
#include "traffic_log.h"
#include "unit.h"

#include <chrono>
#include <deque>
#include <memory>
#include <string>

namespace zorsim {

// The running program: the unit on its line, the control FIFO, the state
// file and the log, driven by one poll loop. All decisions about requests
// and commands are the Unit's; this class only moves bytes and keeps time.
class Simulator {
public:
    explicit Simulator(Options options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Makes the line, the link, the FIFO and the files; false with a reason.
    bool Start(std::string& error);

    // Runs until SIGINT or SIGTERM (or the line is lost); the exit status.
    int Run();

private:
    // Bytes due on the line at a moment; the first chunk of a reply carries
    // the whole reply for the log.
    struct Chunk {
        Micros at{0};
        Bytes bytes;
        Bytes reply;
        std::string meaning;
    };

    Micros Now() const;
    Micros NextWake() const;
    bool Plug(std::string& error);
    void Unplug();
    void PlugIn();
    void Carry(ControlCommand::Kind kind);
    bool ReadLine();
    void ReadControl();
    void EndBurst();
    void HandlePiece(const Bytes& piece, const LineSettings& line);
    void Schedule(const Transmission& transmission, const LineSettings& line, std::string meaning);
    void SendDue();
    void WriteState();

    Options options_;
    Unit unit_;
    std::unique_ptr<LineDevice> line_;
    std::unique_ptr<ControlFifo> control_;
    std::unique_ptr<TrafficLog> log_;
    int signalFd_ = -1;
    bool linkMade_ = false;
    std::chrono::steady_clock::time_point start_;
    Bytes burst_;
    Micros burstFirst_{0};
    Micros burstLast_{0};
    std::deque<Chunk> outgoing_;
    Micros lineFreeAt_{0};
    Micros lastStateWrite_{0};
};

} // namespace zorsim
