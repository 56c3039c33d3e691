// The zorsim program itself on its own pty: what the line loop adds to the
// Unit — framing by silence, pacing, and the timing faults.
#include "bytes.h"
#include "crc16.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zorsim {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const Bytes ReadIdentity = {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9};
constexpr std::size_t IdentityReplySize = 13;

struct Arrival {
    Bytes bytes;
    Clock::duration first{};
    Clock::duration last{};
};

class RunningUnit {
public:
    explicit RunningUnit(std::vector<std::string> options) {
        char pattern[] = "/tmp/zorsim-test-XXXXXX";
        directory_ = mkdtemp(pattern);
        options.insert(options.end(),
                       {"--state", StatePath(), "--control", ControlPath(), "--link", LinkPath()});
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            std::vector<char*> argv{const_cast<char*>(ZORSIM_PATH)};
            for (auto& option : options) {
                argv.push_back(option.data());
            }
            argv.push_back(nullptr);
            execv(ZORSIM_PATH, argv.data());
            _exit(127);
        }
        close(out[1]);
        std::string path;
        char c = 0;
        while (read(out[0], &c, 1) == 1 && c != '\n') {
            path += c;
        }
        close(out[0]);
        OpenToolEnd(path);
    }

    ~RunningUnit() {
        if (tty_ >= 0) {
            close(tty_);
        }
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        rmdir(directory_.c_str());
    }

    bool Ready() const { return tty_ >= 0; }

    // The tool's end again, by the link's name, as a port is opened anew.
    void Reopen() {
        close(tty_);
        OpenToolEnd(LinkPath());
    }

    bool LinkExists() const {
        struct stat info {};
        return lstat(LinkPath().c_str(), &info) == 0;
    }

    // Whether the tool's end sees a hang-up within the time.
    bool HungUp(std::chrono::milliseconds limit) const {
        pollfd slot{tty_, POLLIN, 0};
        return poll(&slot, 1, static_cast<int>(limit.count())) > 0 && (slot.revents & POLLHUP) != 0;
    }

    // Writes one control line and waits until the unit has counted it.
    bool Command(const std::string& line) const {
        std::string before = State()["commands"];
        int fifo = open(ControlPath().c_str(), O_WRONLY);
        if (fifo < 0) {
            return false;
        }
        std::string text = line + "\n";
        bool written = write(fifo, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        close(fifo);
        auto start = Clock::now();
        while (written && State()["commands"] == before) {
            if (Clock::now() - start > 2s) {
                return false;
            }
            std::this_thread::sleep_for(5ms);
        }
        return written;
    }

    void Send(const Bytes& bytes) const {
        ASSERT_EQ(write(tty_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Collects what arrives until `size` bytes are in or the time is up,
    // with the times of the first and last byte counted from the call.
    Arrival Receive(std::size_t size, std::chrono::milliseconds limit) const {
        Arrival arrival;
        auto start = Clock::now();
        while (arrival.bytes.size() < size && Clock::now() - start < limit) {
            pollfd slot{tty_, POLLIN, 0};
            poll(&slot, 1, 5);
            std::uint8_t buffer[64];
            ssize_t got = read(tty_, buffer, sizeof buffer);
            if (got > 0) {
                if (arrival.bytes.empty()) {
                    arrival.first = Clock::now() - start;
                }
                arrival.last = Clock::now() - start;
                arrival.bytes.insert(arrival.bytes.end(), buffer, buffer + got);
            }
        }
        return arrival;
    }

    std::map<std::string, std::string> State() const {
        std::map<std::string, std::string> state;
        std::ifstream in(StatePath());
        std::string line;
        while (std::getline(in, line)) {
            auto equals = line.find('=');
            state[line.substr(0, equals)] = line.substr(equals + 1);
        }
        return state;
    }

private:
    std::string StatePath() const { return directory_ + "/state"; }
    std::string ControlPath() const { return directory_ + "/ctl"; }
    std::string LinkPath() const { return directory_ + "/tty"; }

    void OpenToolEnd(const std::string& path) {
        tty_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (tty_ >= 0) {
            termios settings{};
            tcgetattr(tty_, &settings);
            cfmakeraw(&settings);
            tcsetattr(tty_, TCSANOW, &settings);
        }
    }

    std::string directory_;
    pid_t pid_ = -1;
    int tty_ = -1;
};

double Ms(Clock::duration span) {
    return std::chrono::duration<double, std::milli>(span).count();
}

TEST(Program, AnswersARequestWrittenInOnePiece) {
    RunningUnit unit({"--still"});
    ASSERT_TRUE(unit.Ready());
    unit.Send(ReadIdentity);
    Arrival reply = unit.Receive(IdentityReplySize, 1s);
    EXPECT_EQ(HexText(reply.bytes), "01 04 08 5A 4F 52 00 00 00 00 00 12 38");
}

TEST(Program, NoiseWrittenTogetherWithARequestCostsOnlyTheNoise) {
    RunningUnit unit({"--still"});
    ASSERT_TRUE(unit.Ready());
    Bytes burst = {0x13, 0x37, 0x00};
    burst.insert(burst.end(), ReadIdentity.begin(), ReadIdentity.end());
    unit.Send(burst);
    EXPECT_EQ(unit.Receive(IdentityReplySize, 1s).bytes.size(), IdentityReplySize);
    EXPECT_EQ(unit.State()["bad_frames"], "1");
    EXPECT_EQ(unit.State()["requests"], "1");
}

TEST(Program, APauseInsideARequestSplitsItIntoTwoBadFrames) {
    RunningUnit unit({"--still"});
    ASSERT_TRUE(unit.Ready());
    unit.Send(Bytes(ReadIdentity.begin(), ReadIdentity.begin() + 4));
    std::this_thread::sleep_for(30ms); // far beyond 3.5 characters at 19200
    unit.Send(Bytes(ReadIdentity.begin() + 4, ReadIdentity.end()));
    EXPECT_TRUE(unit.Receive(1, 200ms).bytes.empty());
    EXPECT_EQ(unit.State()["bad_frames"], "2");
    unit.Send(ReadIdentity); // and the unit is in step again
    EXPECT_EQ(unit.Receive(IdentityReplySize, 1s).bytes.size(), IdentityReplySize);
}

TEST(Program, PacedRepliesTakeTheirTimeOnTheLine) {
    RunningUnit unit({"--still", "--pace", "--baud", "9600"});
    ASSERT_TRUE(unit.Ready());
    unit.Send(ReadIdentity);
    Arrival reply = unit.Receive(IdentityReplySize, 1s);
    ASSERT_EQ(reply.bytes.size(), IdentityReplySize);
    // At 9600 even a character takes 1.146 ms: the request's 8 and the gap
    // of 3.5 come before the first byte, 12 more go by until the last. The
    // reader's own scheduling shifts each arrival a little either way, so
    // the bounds allow a fifth less; an unpaced reply takes well under 1 ms.
    constexpr double CharacterMs = 1.146;
    constexpr double SchedulingAllowance = 0.8;
    EXPECT_GE(Ms(reply.first), 11.5 * CharacterMs * SchedulingAllowance);
    EXPECT_GE(Ms(reply.last - reply.first), 12 * CharacterMs * SchedulingAllowance);
}

TEST(Program, TrickledRepliesComeByteByByte) {
    RunningUnit unit({"--still", "--fault", "trickle:20"});
    ASSERT_TRUE(unit.Ready());
    unit.Send(ReadIdentity);
    Arrival reply = unit.Receive(IdentityReplySize, 2s);
    EXPECT_EQ(HexText(reply.bytes), "01 04 08 5A 4F 52 00 00 00 00 00 12 38");
    // A late read of the first byte shortens the span seen here.
    EXPECT_GE(Ms(reply.last - reply.first), 12 * 20 * 0.8);
}

TEST(Program, DelayedRepliesWait) {
    RunningUnit unit({"--still", "--fault", "delay:300"});
    ASSERT_TRUE(unit.Ready());
    unit.Send(ReadIdentity);
    Arrival reply = unit.Receive(IdentityReplySize, 2s);
    EXPECT_EQ(reply.bytes.size(), IdentityReplySize);
    EXPECT_GE(Ms(reply.first), 300);
}

TEST(Program, SurplusBytesFollowTheReply) {
    RunningUnit unit({"--still", "--fault", "surplus:4"});
    ASSERT_TRUE(unit.Ready());
    unit.Send(ReadIdentity);
    Arrival reply = unit.Receive(IdentityReplySize + 4, 1s);
    EXPECT_EQ(HexText(reply.bytes), "01 04 08 5A 4F 52 00 00 00 00 00 12 38 FF FF FF FF");
}

// A pulled adapter: the tool's end hangs up and its name goes; plugged in
// again (or reset), the same name leads to a line that answers.
TEST(Program, UnplugHangsUpTheToolsEndAndPlugOrResetBringsTheNameBack) {
    RunningUnit unit({"--still"});
    ASSERT_TRUE(unit.Ready());
    for (const char* back : {"plug", "reset"}) {
        SCOPED_TRACE(back);
        ASSERT_TRUE(unit.Command("unplug"));
        EXPECT_TRUE(unit.HungUp(1s));
        EXPECT_FALSE(unit.LinkExists());
        EXPECT_EQ(unit.State()["plugged"], "off");
        ASSERT_TRUE(unit.Command(back));
        EXPECT_TRUE(unit.LinkExists());
        EXPECT_EQ(unit.State()["plugged"], "on");
        unit.Reopen();
        ASSERT_TRUE(unit.Ready());
        EXPECT_FALSE(unit.HungUp(0ms));
        unit.Send(ReadIdentity);
        EXPECT_EQ(unit.Receive(IdentityReplySize, 1s).bytes.size(), IdentityReplySize);
    }
}

TEST(Program, AReplyDueWhenUnpluggedIsLost) {
    RunningUnit unit({"--still", "--fault", "delay:200"});
    ASSERT_TRUE(unit.Ready());
    unit.Send(ReadIdentity);
    auto start = Clock::now();
    while (unit.State()["requests"] != "1" && Clock::now() - start < 1s) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(unit.State()["requests"], "1"); // taken, and the reply waiting
    ASSERT_TRUE(unit.Command("unplug"));
    ASSERT_TRUE(unit.Command("plug"));
    unit.Reopen();
    EXPECT_TRUE(unit.Receive(1, 400ms).bytes.empty());
}

TEST(Program, AOneShotGarbagePrefixReachesTheLineBeforeTheReply) {
    RunningUnit unit({"--still"});
    ASSERT_TRUE(unit.Ready());
    ASSERT_TRUE(unit.Command("once garbage 2"));
    unit.Send(ReadIdentity);
    Arrival faulted = unit.Receive(IdentityReplySize + 2, 1s);
    ASSERT_EQ(faulted.bytes.size(), IdentityReplySize + 2);
    EXPECT_EQ(HexText(Bytes(faulted.bytes.begin() + 2, faulted.bytes.end())),
              "01 04 08 5A 4F 52 00 00 00 00 00 12 38");
    unit.Send(ReadIdentity);
    EXPECT_EQ(HexText(unit.Receive(IdentityReplySize + 2, 300ms).bytes),
              "01 04 08 5A 4F 52 00 00 00 00 00 12 38");
}

} // namespace
} // namespace zorsim
