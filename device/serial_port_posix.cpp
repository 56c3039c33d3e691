#include "device/serial_port.h"

#include "device/termios_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

constexpr int NoDevice = -1;

// Waits until the descriptor is ready for events or the deadline passes;
// false on time-out, hang-up or error. A signal only restarts the wait.
bool WaitFor(int descriptor, short events, bool limited, Clock::time_point deadline) {
    for (;;) {
        int wait = -1;
        if (limited) {
            const auto left = std::chrono::ceil<Milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                return false;
            }
            wait = static_cast<int>(left);
        }
        pollfd entry{descriptor, events, 0};
        const int ready = poll(&entry, 1, wait);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        // A hung-up device may also report itself readable: it is gone all the same.
        const bool gone = (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        return ready > 0 && !gone && (entry.revents & events) != 0;
    }
}

// n bytes, each at most multiplier ms, plus constant: both 0 means no limit.
struct TransferLimits {
    std::uint32_t multiplier;
    std::uint32_t constant;
    std::uint32_t interval; // between two bytes once the first came; 0 none
};

// Moves count bytes with step (one read or write of the rest, from the
// number done), waiting for the descriptor in between, until all are through,
// the total or the interval time-out has passed, or the device has gone.
// Raw mode with VMIN and VTIME 0 reports "nothing yet" as 0 bytes.
template <typename Step>
std::uint32_t Transfer(int descriptor, short events, std::uint32_t count,
                       const TransferLimits& limits, Step step) {
    const bool limited = limits.multiplier != 0 || limits.constant != 0;
    const Clock::time_point end =
        Clock::now() +
        Milliseconds(static_cast<std::uint64_t>(count) * limits.multiplier + limits.constant);
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t n = step(done);
        if (n > 0) {
            done += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        }
        Clock::time_point deadline = end;
        bool bounded = limited;
        if (limits.interval != 0 && done > 0) {
            const Clock::time_point gap = Clock::now() + Milliseconds(limits.interval);
            deadline = bounded && end < gap ? end : gap;
            bounded = true;
        }
        if (!WaitFor(descriptor, events, bounded, deadline)) {
            break;
        }
    }
    return done;
}

} // namespace

SerialPort::SerialPort() : descriptor(NoDevice), timeouts{} {}

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::IsOpen() const {
    return descriptor != NoDevice;
}

// Exclusive: a lock that every port takes (and that holds against root, unlike
// TIOCEXCL), and TIOCEXCL against other programs that do not lock. Not a
// terminal, or held already: refused.
bool SerialPort::Open(const char* devicePath) {
    descriptor = open(devicePath, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (!IsOpen()) {
        return false;
    }
    if (!isatty(descriptor) || flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        close(descriptor);
        descriptor = NoDevice;
        return false;
    }
    ioctl(descriptor, TIOCEXCL);
    timeouts = SerialTimeouts{};
    return true;
}

void SerialPort::Close() {
    if (!IsOpen()) {
        return;
    }
    ioctl(descriptor, TIOCNXCL);
    close(descriptor);
    descriptor = NoDevice;
}

void SerialPort::SetLine(std::uint32_t controlFlags, std::uint32_t baudRate, std::uint8_t byteSize,
                         std::uint8_t parity, std::uint8_t stopBits) {
    if (!IsOpen()) {
        return;
    }
    termios line{};
    tcgetattr(descriptor, &line);
    TermiosLine::Set(line, controlFlags, baudRate, byteSize, parity, stopBits);
    tcsetattr(descriptor, TCSANOW, &line);
    // A device without modem lines (a pty) refuses these, which changes nothing.
    int on = TermiosLine::ModemLinesOn(controlFlags);
    int off = TermiosLine::ModemLinesOff(controlFlags);
    if (on != 0) {
        ioctl(descriptor, TIOCMBIS, &on);
    }
    if (off != 0) {
        ioctl(descriptor, TIOCMBIC, &off);
    }
}

void SerialPort::SetTimeouts(const SerialTimeouts& newTimeouts) {
    if (!IsOpen()) {
        return;
    }
    timeouts = newTimeouts;
}

// As ReadFile and WriteFile with these time-outs. A device that has gone (a
// pulled adapter, a hung-up pty) ends the read at once.
std::uint32_t SerialPort::Read(void* destination, std::uint32_t count) {
    if (!IsOpen()) {
        return 0;
    }
    auto* bytes = static_cast<std::uint8_t*>(destination);
    const TransferLimits limits = {timeouts.ReadTotalTimeoutMultiplier,
                                   timeouts.ReadTotalTimeoutConstant, timeouts.ReadIntervalTimeout};
    return Transfer(descriptor, POLLIN, count, limits, [&](std::uint32_t done) {
        return read(descriptor, bytes + done, count - done);
    });
}

std::uint32_t SerialPort::Write(const void* source, std::uint32_t count) {
    if (!IsOpen()) {
        return 0;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    const TransferLimits limits = {timeouts.WriteTotalTimeoutMultiplier,
                                   timeouts.WriteTotalTimeoutConstant, 0};
    return Transfer(descriptor, POLLOUT, count, limits, [&](std::uint32_t done) {
        return write(descriptor, bytes + done, count - done);
    });
}

void SerialPort::Purge(std::uint32_t flags) {
    if (!IsOpen()) {
        return;
    }
    const bool transmit = (flags & PurgeTransmit) != 0;
    const bool receive = (flags & PurgeReceive) != 0;
    if (transmit || receive) {
        tcflush(descriptor, transmit && receive ? TCIOFLUSH : (transmit ? TCOFLUSH : TCIFLUSH));
    }
}
