#include "device/serial_port.h"

#include "device/modbus_line.h"
#include "device/line_settings.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

// The POSIX serial port on a pty pair that each test makes for itself: the
// port opens the pair's terminal end by its path, the test plays the far end
// of the line on the other.
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t PurgeBoth = SerialPort::PurgeTransmit | SerialPort::PurgeReceive;
constexpr int PeerWaitMilliseconds = 2000;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class PtyLine : public ::testing::Test {
protected:
    void SetUp() override {
        char name[128] = {};
        ASSERT_EQ(openpty(&peer, &side, name, nullptr, nullptr), 0) << std::strerror(errno);
        path = name;
    }
    void TearDown() override {
        CloseFar();
        close(side);
    }

    // Opens the port with the Modbus line at baudRate.
    void OpenAt(SerialPort& port, std::uint32_t baudRate) {
        ASSERT_TRUE(port.Open(path.c_str()));
        ModbusLine::Apply(port, baudRate, ParityEven);
    }

    void Send(const Bytes& bytes) const {
        ASSERT_EQ(write(peer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // What reached the far end, waiting a while for each byte.
    Bytes Received(std::size_t count) const {
        Bytes bytes(count);
        std::size_t got = 0;
        pollfd entry{peer, POLLIN, 0};
        while (got < count && poll(&entry, 1, PeerWaitMilliseconds) > 0) {
            const ssize_t n = read(peer, bytes.data() + got, count - got);
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }

    // Sent bytes are in the port's queue once the terminal end sees them.
    void LetBytesArrive() const {
        pollfd entry{side, POLLIN, 0};
        ASSERT_EQ(poll(&entry, 1, PeerWaitMilliseconds), 1);
    }

    // What a pulled adapter looks like: the far end goes away.
    void CloseFar() {
        if (peer >= 0) {
            close(peer);
            peer = -1;
        }
    }

    std::string path;
    int peer = -1;
    // The terminal end held by the test itself, without a lock: it shows the
    // line settings and when bytes have arrived.
    int side = -1;
};

TEST_F(PtyLine, WrittenBytesReachThePeer) {
    SerialPort port;
    OpenAt(port, 19200);
    const Bytes sent = {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9};
    EXPECT_EQ(port.Write(sent.data(), sent.size()), sent.size());
    EXPECT_EQ(Received(sent.size()), sent);
}

// A second Close must not reach a descriptor that the system has since given
// to another port.
TEST_F(PtyLine, CloseTwiceLeavesAnotherPortAlone) {
    SerialPort first;
    OpenAt(first, 19200);
    first.Close();
    std::uint8_t byte = 0x5A;
    EXPECT_EQ(first.Read(&byte, 1), 0u);
    EXPECT_EQ(first.Write(&byte, 1), 0u);

    SerialPort second;
    OpenAt(second, 19200);
    first.Close();
    EXPECT_EQ(second.Write(&byte, 1), 1u);
    EXPECT_EQ(Received(1), Bytes{0x5A});
}

TEST_F(PtyLine, ClosingOrDestroyingReleasesTheDevice) {
    SerialPort port;
    OpenAt(port, 19200);
    port.Close();
    auto* again = new SerialPort;
    EXPECT_TRUE(again->Open(path.c_str())) << "closed, the device is free again";
    again->Dispose();
    EXPECT_TRUE(port.Open(path.c_str())) << "destroyed, the device is free again";
}

// Paths the port must refuse, leaving itself closed.
struct RefusedCase {
    const char* name;
    std::string (*makePath)(const std::string& ptyPath);
};

std::string MissingDevice(const std::string&) {
    return "/dev/zor-no-such-device";
}

std::string NotATerminal(const std::string&) {
    return "/dev/null";
}

std::string PlainFile(const std::string&) {
    char name[] = "/tmp/zor-serial-XXXXXX";
    const int file = mkstemp(name);
    close(file);
    return name;
}

// The pty's own path, already held by a port of the fixture.
std::string HeldDevice(const std::string& ptyPath) {
    return ptyPath;
}

class RefusedDevice : public PtyLine, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedDevice, OpenFailsAndThePortStaysClosed) {
    SerialPort holder;
    OpenAt(holder, 19200);
    const std::string refused = GetParam().makePath(path);
    SerialPort port;
    EXPECT_FALSE(port.Open(refused.c_str()));
    ModbusLine::Apply(port, 1200, ParityEven);
    std::uint8_t buffer[5];
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(port.Write(buffer, sizeof buffer), 0u);
    EXPECT_LT(MillisecondsSince(start), 100.0) << "a closed port waits for nothing";
    if (refused.rfind("/tmp/", 0) == 0) {
        unlink(refused.c_str());
    }
    // The holder still has the line.
    EXPECT_EQ(holder.Write(buffer, 1), 1u);
}

INSTANTIATE_TEST_SUITE_P(Paths, RefusedDevice,
                         ::testing::Values(RefusedCase{"Missing", MissingDevice},
                                           RefusedCase{"NotATerminal", NotATerminal},
                                           RefusedCase{"PlainFile", PlainFile},
                                           RefusedCase{"HeldByAnotherPort", HeldDevice}),
                         [](const auto& info) { return std::string(info.param.name); });

// The Modbus line set-up reaches the terminal: a cooked, flow-controlled line
// becomes a raw one at the rate, and keeps its special characters. A pty
// forces 8 bits and drops PARENB whatever it is told, so the parity shows
// here only in the bits it keeps; the whole mapping is checked on the record.
class LineSetUp : public PtyLine, public ::testing::WithParamInterface<std::uint8_t> {};

TEST_P(LineSetUp, ReachesTheTerminal) {
    termios dirty{};
    ASSERT_EQ(tcgetattr(side, &dirty), 0);
    dirty.c_lflag |= ICANON | ECHO | ISIG;
    dirty.c_iflag |= IXON | IXOFF | INPCK | ICRNL;
    dirty.c_cflag |= CSTOPB | CRTSCTS;
    dirty.c_cc[VSTART] = 0x12;
    cfsetospeed(&dirty, B2400);
    cfsetispeed(&dirty, B2400);
    ASSERT_EQ(tcsetattr(side, TCSANOW, &dirty), 0);

    SerialPort port;
    ASSERT_TRUE(port.Open(path.c_str()));
    const std::uint8_t parity = GetParam();
    ModbusLine::Apply(port, 19200, parity);
    termios line{};
    ASSERT_EQ(tcgetattr(side, &line), 0);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B19200));
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B19200));
    EXPECT_EQ(line.c_cflag & (CSTOPB | CRTSCTS), 0u) << "one stop bit, no hardware flow control";
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | INPCK | ICRNL), 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ((line.c_cflag & PARODD) != 0, parity == ParityOdd || parity == ParityMark);
    EXPECT_EQ((line.c_cflag & CMSPAR) != 0, parity == ParityMark);
    EXPECT_EQ(line.c_cc[VSTART], 0x12);
}

INSTANTIATE_TEST_SUITE_P(Parities, LineSetUp,
                         ::testing::Values(ParityNone, ParityOdd, ParityEven, ParityMark));

// The read time-out formula is applied, not the clock: the bounds are wide
// enough for a loaded machine.
struct SilenceCase {
    std::uint32_t baudRate;
    double expectedMilliseconds; // 5 bytes x multiplier + constant
};

class SilentLine : public PtyLine, public ::testing::WithParamInterface<SilenceCase> {};

TEST_P(SilentLine, ReadGivesUpAfterTheTimeout) {
    SerialPort port;
    OpenAt(port, GetParam().baudRate);
    std::uint8_t buffer[5];
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    const double waited = MillisecondsSince(start);
    EXPECT_GE(waited, 0.8 * GetParam().expectedMilliseconds);
    EXPECT_LE(waited, 3.0 * GetParam().expectedMilliseconds);
}

TEST_P(SilentLine, PartOfTheBytesAfterTheTimeout) {
    SerialPort port;
    OpenAt(port, GetParam().baudRate);
    Send({0x01, 0x84, 0x02});
    std::uint8_t buffer[5] = {};
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 3u);
    EXPECT_GE(MillisecondsSince(start), 0.8 * GetParam().expectedMilliseconds);
    EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{0x01, 0x84, 0x02}));
}

INSTANTIATE_TEST_SUITE_P(Rates, SilentLine,
                         ::testing::Values(SilenceCase{19200, 120}, SilenceCase{1200, 400}));

// A read ends as soon as its bytes are in, also when they come in parts.
TEST_F(PtyLine, ReadEndsWhenTheBytesAreIn) {
    SerialPort port;
    OpenAt(port, 1200);
    std::thread farEnd([this] {
        Send({0x01, 0x04});
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        Send({0x02, 0x00, 0x05});
    });
    std::uint8_t buffer[5] = {};
    const Clock::time_point start = Clock::now();
    const std::uint32_t count = port.Read(buffer, sizeof buffer);
    const double waited = MillisecondsSince(start);
    farEnd.join();
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(Bytes(buffer, buffer + 5), (Bytes{0x01, 0x04, 0x02, 0x00, 0x05}));
    EXPECT_LT(waited, 0.8 * ModbusLine::LongestReadWait(1200, 5)) << "not the whole time-out";
}

struct PurgeCase {
    bool purge;
    std::uint32_t left;
};

class PurgedLine : public PtyLine, public ::testing::WithParamInterface<PurgeCase> {};

TEST_P(PurgedLine, PurgeDropsBytesWaitingInTheQueue) {
    SerialPort port;
    OpenAt(port, 19200);
    Send({0xAA, 0xBB, 0xCC});
    LetBytesArrive();
    if (GetParam().purge) {
        port.Purge(PurgeBoth);
    }
    std::uint8_t buffer[5];
    EXPECT_EQ(port.Read(buffer, sizeof buffer), GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithout, PurgedLine,
                         ::testing::Values(PurgeCase{true, 0}, PurgeCase{false, 3}));

// A device that has gone fails the read at once, as a removed adapter does on
// Windows, rather than spinning until the time-out.
TEST_F(PtyLine, ReadOnAVanishedDeviceEndsAtOnce) {
    SerialPort port;
    OpenAt(port, 1200);
    close(side);
    side = -1;
    CloseFar();
    std::uint8_t buffer[5];
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_LT(MillisecondsSince(start), 0.5 * ModbusLine::LongestReadWait(1200, 5));
}

} // namespace
