#include "traffic_log.h"

#include "bytes.h"

#include <gtest/gtest.h>

namespace zorsim {
namespace {

TEST(TrafficLog, LineHasDirectionMillisecondTimeBytesAndMeaning) {
    Bytes request = {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9};
    EXPECT_EQ(LogLine("rx", Micros(12345678), request, "read input 0 count 4"),
              "rx 12.345 01 04 00 00 00 04 F1 C9 | read input 0 count 4");
    EXPECT_EQ(LogLine("tx", Micros(7000), Bytes{0x01, 0x84, 0x02, 0xC2, 0xC1}, "exception 2"),
              "tx 0.007 01 84 02 C2 C1 | exception 2");
}

} // namespace
} // namespace zorsim
