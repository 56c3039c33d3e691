#include "simulator.h"

#include "frame_splitter.h"
#include "state_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace zorsim {

namespace {

constexpr std::size_t ReadChunk = 512;
constexpr Micros StateRefresh = std::chrono::seconds(1);
constexpr long long NanosPerMicro = 1000;
constexpr long long MicrosPerSecond = 1000000;

enum PollSlot { SignalSlot, LineSlot, ControlSlot, SlotCount };

timespec TimeSpec(Micros span) {
    long long micros = std::max<long long>(span.count(), 0);
    return timespec{static_cast<time_t>(micros / MicrosPerSecond),
                    static_cast<long>((micros % MicrosPerSecond) * NanosPerMicro)};
}

int StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
        return -1;
    }
    return signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
}

} // namespace

Simulator::Simulator(Options options)
    : options_(std::move(options)), unit_(options_.unit), start_(std::chrono::steady_clock::now()) {
}

Simulator::~Simulator() {
    if (linkMade_) {
        unlink(options_.link.c_str());
    }
    if (!options_.state.empty()) {
        unlink(options_.state.c_str());
    }
    if (signalFd_ >= 0) {
        close(signalFd_);
    }
}

bool Simulator::Start(std::string& error) {
    std::signal(SIGPIPE, SIG_IGN);
    signalFd_ = StopSignals();
    if (signalFd_ < 0) {
        error = std::string("signalfd: ") + std::strerror(errno);
        return false;
    }
    if (!Plug(error)) {
        return false;
    }
    if (!options_.control.empty() && !(control_ = ControlFifo::Create(options_.control, error))) {
        return false;
    }
    if (!(log_ = TrafficLog::Open(options_.log, error))) {
        return false;
    }
    WriteState();
    std::printf("%s\n", line_->ToolPath().c_str());
    std::fflush(stdout);
    return true;
}

// A new line each time, as an adapter plugged in again gets a new device
// behind the same name: the link is pointed at the new pty.
bool Simulator::Plug(std::string& error) {
    if (line_) {
        return true;
    }
    line_ = options_.device.empty() ? LineDevice::CreatePty(error)
                                    : LineDevice::OpenDevice(options_.device, error);
    if (!line_) {
        return false;
    }
    if (!options_.link.empty()) {
        unlink(options_.link.c_str());
        if (symlink(line_->ToolPath().c_str(), options_.link.c_str()) != 0) {
            error = options_.link + ": " + std::strerror(errno);
            line_.reset();
            return false;
        }
        linkMade_ = true;
    }
    return true;
}

// Closing every descriptor of our side hangs up the tool's end, which is
// what a pulled USB adapter looks like; the name goes away with it.
void Simulator::Unplug() {
    if (linkMade_) {
        unlink(options_.link.c_str());
        linkMade_ = false;
    }
    line_.reset();
    burst_.clear();
    outgoing_.clear();
}

void Simulator::Carry(ControlCommand::Kind kind) {
    using Kind = ControlCommand::Kind;
    switch (kind) {
    case Kind::Unplug:
        Unplug();
        break;
    case Kind::Reset:
        outgoing_.clear(); // a unit brought back to its start has nothing left to say
        if (line_) {
            line_->RestoreToolSettings();
        }
        PlugIn(); // and is plugged in
        break;
    case Kind::Plug:
        PlugIn();
        break;
    default:
        break;
    }
}

void Simulator::PlugIn() {
    std::string error;
    if (!Plug(error)) {
        std::fprintf(stderr, "zorsim: plugging in again: %s\n", error.c_str());
    }
}

Micros Simulator::Now() const {
    return std::chrono::duration_cast<Micros>(std::chrono::steady_clock::now() - start_);
}

int Simulator::Run() {
    pollfd slots[SlotCount] = {};
    slots[SignalSlot] = {signalFd_, POLLIN, 0};
    slots[LineSlot] = {line_->Fd(), POLLIN, 0};
    slots[ControlSlot] = {control_ ? control_->Fd() : -1, POLLIN, 0};
    for (;;) {
        slots[LineSlot].fd = line_ ? line_->Fd() : -1; // nothing to watch while unplugged
        Micros wait = NextWake() - Now();
        timespec timeout = TimeSpec(wait);
        int ready = ppoll(slots, SlotCount, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) {
            std::perror("zorsim: poll");
            return 1;
        }
        if ((slots[SignalSlot].revents & POLLIN) != 0) {
            return 0;
        }
        if ((slots[LineSlot].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !ReadLine()) {
            std::fprintf(stderr, "zorsim: the line is gone\n");
            return 1;
        }
        if ((slots[ControlSlot].revents & POLLIN) != 0) {
            ReadControl();
        }
        Micros now = Now();
        if (!burst_.empty() && now >= burstLast_ + FrameSilence(unit_.ActiveLine())) {
            EndBurst();
        }
        SendDue();
        if (now >= lastStateWrite_ + StateRefresh) {
            WriteState();
        }
    }
}

Micros Simulator::NextWake() const {
    Micros wake = lastStateWrite_ + StateRefresh;
    if (!burst_.empty()) {
        wake = std::min(wake, burstLast_ + FrameSilence(unit_.ActiveLine()));
    }
    if (!outgoing_.empty()) {
        wake = std::min(wake, outgoing_.front().at);
    }
    return wake;
}

bool Simulator::ReadLine() {
    std::uint8_t buffer[ReadChunk];
    for (;;) {
        ssize_t got = read(line_->Fd(), buffer, sizeof buffer);
        if (got > 0) {
            Micros now = Now();
            if (burst_.empty()) {
                burstFirst_ = now;
            }
            burstLast_ = now;
            burst_.insert(burst_.end(), buffer, buffer + got);
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return true;
        }
        return false;
    }
}

void Simulator::ReadControl() {
    for (const std::string& line : control_->ReadLines()) {
        if (auto kind = unit_.Command(line)) {
            Carry(*kind);
        }
        WriteState();
    }
}

void Simulator::EndBurst() {
    LineSettings line = unit_.ActiveLine();
    for (const FramePiece& piece : SplitBurst(burst_)) {
        HandlePiece(piece.bytes, line);
    }
    burst_.clear();
}

void Simulator::HandlePiece(const Bytes& piece, const LineSettings& line) {
    Micros now = Now();
    auto tool = line_->ToolSettings();
    Outcome outcome;
    if (options_.strictLine && !(tool && tool->Matches(line))) {
        std::string seen = tool ? tool->Text() : "unknown";
        outcome = unit_.RejectFrame(piece, "line " + seen + " differs from unit " + line.Text());
    } else {
        outcome = unit_.HandleFrame(piece, now);
    }
    std::string meaning = outcome.meaning;
    if (outcome.disposition == Disposition::Answered && !outcome.transmission) {
        meaning += "; reply withheld: " + outcome.replyMeaning;
    }
    log_->Write("rx", burstFirst_, piece, meaning);
    if (outcome.transmission) {
        Schedule(*outcome.transmission, line, outcome.replyMeaning);
    }
    WriteState();
}

void Simulator::Schedule(const Transmission& transmission, const LineSettings& line,
                         std::string meaning) {
    const Bytes& bytes = transmission.bytes;
    Micros start = std::max(Now(), lineFreeAt_) + transmission.delay;
    Micros character = options_.pace ? CharacterTime(line) : Micros(0);
    if (options_.pace) {
        start = std::max(start, burstFirst_ + PacedReplyOffset(line, burst_.size()));
    }
    Micros step = transmission.gap + character;
    if (bytes.empty()) {
        outgoing_.push_back({start, {}, bytes, std::move(meaning)});
        return;
    }
    if (step == Micros(0)) {
        outgoing_.push_back({start, bytes, bytes, std::move(meaning)});
        lineFreeAt_ = start;
        return;
    }
    // On a paced line a byte reaches the tool when its last bit is on the
    // wire, one character time after it started.
    Micros firstArrival = start + character;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        Chunk chunk{firstArrival + step * static_cast<long>(i), {bytes[i]}, {}, {}};
        if (i == 0) {
            chunk.reply = bytes;
            chunk.meaning = std::move(meaning);
        }
        outgoing_.push_back(std::move(chunk));
    }
    lineFreeAt_ = start + step * static_cast<long>(bytes.size());
}

void Simulator::SendDue() {
    if (!line_) {
        return;
    }
    Micros now = Now();
    while (!outgoing_.empty() && outgoing_.front().at <= now) {
        Chunk& chunk = outgoing_.front();
        if (!chunk.meaning.empty()) {
            log_->Write("tx", now, chunk.reply, chunk.meaning);
        }
        line_->Send(chunk.bytes.data(), chunk.bytes.size());
        outgoing_.pop_front();
    }
}

void Simulator::WriteState() {
    if (options_.state.empty()) {
        return;
    }
    Micros now = Now();
    lastStateWrite_ = now;
    StateEntries entries = unit_.StateEntries(now);
    auto tool = line_ ? line_->ToolSettings() : std::nullopt;
    entries.emplace_back("tool_line", tool ? tool->Text() : "unknown");
    entries.emplace_back("tool_flags", tool ? tool->flags : "unknown");
    entries.emplace_back("strict_line", options_.strictLine ? "on" : "off");
    entries.emplace_back("pace", options_.pace ? "on" : "off");
    entries.emplace_back("plugged", line_ ? "on" : "off");
    WriteStateFile(options_.state, entries);
}

} // namespace zorsim
