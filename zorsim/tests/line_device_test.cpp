#include "arbitrary_speed.h"
#include "line_device.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace zorsim;

namespace {

// A tool's end of a unit's pty, closed when the case ends.
class ToolEnd {
public:
    explicit ToolEnd(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    ~ToolEnd() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    ToolEnd(const ToolEnd&) = delete;
    ToolEnd& operator=(const ToolEnd&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

bool SetFixedSpeed(int fd, speed_t speed, tcflag_t parityFlags) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false;
    }
    cfsetspeed(&settings, speed);
    settings.c_cflag = (settings.c_cflag & ~(PARENB | PARODD | CMSPAR)) | parityFlags;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

} // namespace

// The rate a tool set shows whichever form it took: a fixed speed code, or
// an arbitrary speed, which Wine 10 uses for every rate.
TEST(LineDevice, ToolLineShowsTheRateInEitherForm) {
    std::string error;
    auto device = LineDevice::CreatePty(error);
    ASSERT_TRUE(device) << error;
    ToolEnd tool(device->ToolPath());
    ASSERT_GE(tool.Fd(), 0);

    ASSERT_TRUE(SetFixedSpeed(tool.Fd(), B9600, PARODD));
    ASSERT_TRUE(device->ToolSettings());
    EXPECT_EQ(device->ToolSettings()->Text(), "9600 O");

    for (int rate : {1200, 19200, 115200}) {
        ASSERT_TRUE(SetArbitraryRate(tool.Fd(), rate));
        ASSERT_TRUE(device->ToolSettings());
        EXPECT_EQ(device->ToolSettings()->Text(), std::to_string(rate) + " O");
    }

    // Back to a fixed code: the arbitrary rate left behind must not linger.
    ASSERT_TRUE(SetFixedSpeed(tool.Fd(), B2400, 0));
    EXPECT_EQ(device->ToolSettings()->Text(), "2400 N");
}
