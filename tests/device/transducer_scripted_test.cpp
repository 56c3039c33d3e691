#include "device/transducer.h"

#include "modbus_frames.h"
#include "scripted_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Replies the simulated unit cannot give (it refuses bus settings out of
// range), and the line set-up that a pty cannot show, on the scripted serial
// port.
namespace {

using namespace ModbusFrames;

class TransducerScripted : public ::testing::Test {
protected:
    void SetUp() override {
        scriptedLine.Reset();
        transducer = new Transducer;
    }
    void TearDown() override { transducer->Dispose(); }

    Transducer* transducer = nullptr;
};

TEST_F(TransducerScripted, BusSettingsKeepOnlyTheLowBytes) {
    scriptedLine.Arrive(WithCrc({1, 3, 6, 0xAB, 0x01, 0x01, 0x04, 0xFF, 0x02}));
    transducer->Configure(19200, ParityEven, 1);
    BusSettings settings = {};
    EXPECT_TRUE(transducer->ReadBusSettings(settings));
    EXPECT_EQ(settings.unitAddress, 1);
    EXPECT_EQ(settings.baudIndex, 4);
    EXPECT_EQ(settings.parityIndex, 2);
    EXPECT_EQ(Hex(scriptedLine.written), Hex(WithCrc({1, 3, 0x02, 0x00, 0, 3})));
}

// Configure takes the rate itself, not its index, and the parity index as the
// line's parity; it sets the line up without a word to the unit, and later
// requests carry the configured unit address.
TEST_F(TransducerScripted, ConfigureSetsUpTheLineThenAddressesTheUnit) {
    transducer->Configure(1200, ParityOdd, 42);
    ASSERT_EQ(scriptedLine.setupOrder, (std::vector<std::string>{"line", "timeouts"}));
    EXPECT_EQ(scriptedLine.lineCalls[0].baudRate, 1200u);
    EXPECT_EQ(static_cast<int>(scriptedLine.lineCalls[0].parity), ParityOdd);
    EXPECT_EQ(scriptedLine.timeoutCalls[0].ReadTotalTimeoutConstant, 350u);
    EXPECT_EQ(scriptedLine.writes, 0);
    EXPECT_EQ(scriptedLine.reads, 0);

    scriptedLine.Arrive(WithCrc({42, 6, 0x04, 0x10, 0x55, 0xAA}));
    EXPECT_TRUE(transducer->Restart());
    EXPECT_EQ(Hex(scriptedLine.written), Hex(WithCrc({42, 6, 0x04, 0x10, 0x55, 0xAA})));
}

} // namespace
