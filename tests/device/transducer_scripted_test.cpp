#include "device/transducer.h"

#include "modbus_frames.h"
#include "scripted_line.h"

#include <gtest/gtest.h>

// Replies the simulated unit cannot give (it refuses bus settings out of
// range), served by the scripted serial port.
namespace {

using namespace ModbusFrames;

TEST(TransducerScripted, BusSettingsKeepOnlyTheLowBytes) {
    scriptedLine.Reset();
    scriptedLine.Arrive(WithCrc({1, 3, 6, 0xAB, 0x01, 0x01, 0x04, 0xFF, 0x02}));
    auto* transducer = new Transducer;
    transducer->Configure(19200, ParityEven, 1);
    BusSettings settings = {};
    EXPECT_TRUE(transducer->ReadBusSettings(settings));
    EXPECT_EQ(settings.unitAddress, 1);
    EXPECT_EQ(settings.baudIndex, 4);
    EXPECT_EQ(settings.parityIndex, 2);
    EXPECT_EQ(Hex(scriptedLine.written), Hex(WithCrc({1, 3, 0x02, 0x00, 0, 3})));
    transducer->Dispose();
}

} // namespace
