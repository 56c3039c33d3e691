#include "device/modbus_master.h"

#include "device/serial_port.h"

#include "modbus_frames.h"
#include "scripted_line.h"
#include "support/heap_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace ModbusFrames;

constexpr std::uint16_t Untouched = 0xBEEF;
constexpr std::uint32_t PurgeBoth = SerialPort::PurgeTransmit | SerialPort::PurgeReceive;

// The purges of the line in order, each as its queues and the requests
// written before it: "receive@0 both@1" is the receive queue emptied before
// the first request, then both after it.
std::string PurgeLog() {
    std::string log;
    for (const ScriptedLine::PurgeCall& purge : scriptedLine.purges) {
        if (!log.empty()) {
            log += ' ';
        }
        log += purge.flags == SerialPort::PurgeReceive ? "receive"
               : purge.flags == PurgeBoth              ? "both"
                                                       : "other";
        log += '@';
        log += std::to_string(purge.writesBefore);
    }
    return log;
}

const std::string ClearedBeforeRequest = "receive@0";
const std::string ClearedThenRefused = "receive@0 both@1";

enum class Operation { ReadHolding, ReadInput, Write };

struct Request {
    Operation operation;
    std::uint8_t unit;
    std::uint16_t address;
    std::uint16_t countOrValue;
};

// One exchange as the line sees it.
struct ExchangeCase {
    const char* name;
    Request request;
    std::vector<Bytes> chunks; // what each successive Read can deliver; {} = time-out
    Bytes sent;                // the request bytes on the wire
    bool result;
    std::int32_t lastException; // after the exchange; it starts at 9
    int reads;
    bool refused;                      // both queues purged after the reply
    std::vector<std::uint16_t> values; // destination after the exchange
    int leftQueued;                    // bytes still waiting afterwards, until the next request
};

class ModbusMasterTest : public ::testing::Test {
protected:
    void SetUp() override {
        scriptedLine.Reset();
        master = new ModbusMaster;
    }
    void TearDown() override { master->Dispose(); }

    // Leaves exception code 9 behind, so that a test can see whether an
    // exchange overwrote it.
    void PresetException() {
        scriptedLine.Reset();
        scriptedLine.Arrive(WithCrc({1, 0x83, 9}));
        std::uint16_t value = Untouched;
        ASSERT_FALSE(master->ReadHoldingRegisters(1, 0, 1, &value));
        ASSERT_EQ(master->LastException(), 9);
        scriptedLine.Reset();
    }

    bool Run(const Request& request, std::uint16_t* destination) {
        switch (request.operation) {
        case Operation::ReadHolding:
            return master->ReadHoldingRegisters(request.unit, request.address, request.countOrValue,
                                                destination);
        case Operation::ReadInput:
            return master->ReadInputRegisters(request.unit, request.address, request.countOrValue,
                                              destination);
        case Operation::Write:
            return master->WriteSingleRegister(request.unit, request.address, request.countOrValue);
        }
        return false;
    }

    ModbusMaster* master = nullptr;
};

const Bytes ZorIdentityReply = WithCrc({1, 4, 8, 'Z', 'O', 'R', 0, 0, 0, 0, 0});
const std::vector<std::uint16_t> ZorIdentity = {0x5A4F, 0x5200, 0, 0};
const std::vector<std::uint16_t> FourUntouched(4, Untouched);

const ExchangeCase exchangeCases[] = {
    {"ReadInputIdentityWorkedFrame",
     {Operation::ReadInput, 1, 0, 4},
     {Bytes(ZorIdentityReply.begin(), ZorIdentityReply.begin() + 5),
      Bytes(ZorIdentityReply.begin() + 5, ZorIdentityReply.end())},
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9},
     true,
     9,
     2,
     false,
     ZorIdentity,
     0},
    {"ReadHoldingHighBytesFirst",
     {Operation::ReadHolding, 7, 0x0200, 3},
     {WithCrc({7, 3, 6, 0x00, 0xF7, 0x01, 0x04, 0xFF, 0x02})},
     WithCrc({7, 3, 0x02, 0x00, 0x00, 0x03}),
     true,
     9,
     2,
     false,
     {0x00F7, 0x0104, 0xFF02, Untouched},
     0},
    {"RestartWorkedFrameEchoMatches",
     {Operation::Write, 1, 1040, 0x55AA},
     {{0x01, 0x06, 0x04, 0x10, 0x55, 0xAA, 0x36, 0x10}},
     {0x01, 0x06, 0x04, 0x10, 0x55, 0xAA, 0x36, 0x10},
     true,
     9,
     2,
     false,
     FourUntouched,
     0},
    {"ExceptionWorkedFrameStoresCode",
     {Operation::ReadInput, 1, 0, 4},
     {{0x01, 0x84, 0x02, 0xC2, 0xC1}},
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9},
     false,
     2,
     1,
     false,
     FourUntouched,
     0},
    {"ExceptionToWriteStoresCode",
     {Operation::Write, 1, 256, 0xFF6A},
     {WithCrc({1, 0x86, 3})},
     WithCrc({1, 6, 0x01, 0x00, 0xFF, 0x6A}),
     false,
     3,
     1,
     false,
     FourUntouched,
     0},
    {"BadCrcPurgesBothQueues",
     {Operation::ReadInput, 1, 16, 3},
     {WithBadCrc({1, 4, 6, 0xFF, 0x38, 0x10, 0x00, 0x00, 0x64}), {0xAA, 0xBB}},
     WithCrc({1, 4, 0, 16, 0, 3}),
     false,
     0,
     2,
     true,
     FourUntouched,
     0},
    {"BadCrcExceptionPurgesAndClearsCode",
     {Operation::ReadInput, 1, 0, 4},
     {{0x01, 0x84, 0x02, 0xC2, 0xC0}, {0xAA}},
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9},
     false,
     0,
     1,
     true,
     FourUntouched,
     0},
    {"SilentUnit",
     {Operation::ReadInput, 1, 0, 4},
     {{}},
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9},
     false,
     0,
     1,
     false,
     FourUntouched,
     0},
    {"FewerThanFiveBytesNotPurged",
     {Operation::ReadInput, 1, 0, 4},
     {{0x01, 0x04, 0x08}, {}, {0x5A, 0x4F}},
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9},
     false,
     0,
     2,
     false,
     FourUntouched,
     2},
    {"CutShortInSecondPhaseNotPurged",
     {Operation::ReadInput, 1, 0, 4},
     {Bytes(ZorIdentityReply.begin(), ZorIdentityReply.begin() + 8),
      {},
      Bytes(ZorIdentityReply.begin() + 8, ZorIdentityReply.end())},
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9},
     false,
     0,
     3,
     false,
     FourUntouched,
     5},
    {"TrickledByteByByteStillComplete",
     {Operation::ReadInput, 1, 0, 4},
     {{0x01},
      {0x04},
      {0x08},
      {'Z'},
      {'O'},
      {'R'},
      {0},
      {0},
      {0},
      {0},
      {0},
      {ZorIdentityReply[11]},
      {ZorIdentityReply[12]}},
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9},
     true,
     9,
     13,
     false,
     ZorIdentity,
     0},
    {"SurplusLeftQueued",
     {Operation::ReadInput, 1, 4, 1},
     {[] {
         Bytes reply = WithCrc({1, 4, 2, 0x01, 0x12});
         reply.insert(reply.end(), {0xDE, 0xAD, 0x00});
         return reply;
     }()},
     WithCrc({1, 4, 0, 4, 0, 1}),
     true,
     9,
     2,
     false,
     {0x0112, Untouched, Untouched, Untouched},
     3},
    {"ReadOfZeroRegistersReadsOnlyPhaseOne",
     {Operation::ReadHolding, 1, 256, 0},
     {WithCrc({1, 3, 0})},
     WithCrc({1, 3, 0x01, 0x00, 0x00, 0x00}),
     true,
     9,
     1,
     false,
     FourUntouched,
     0},
    {"MostRegistersAllowed",
     {Operation::ReadInput, 1, 0, 125},
     {[] {
         Bytes reply = {1, 4, 250};
         reply.resize(3 + 250, 0x11);
         return WithCrc(reply);
     }()},
     WithCrc({1, 4, 0, 0, 0, 125}),
     true,
     9,
     2,
     false,
     {0x1111, 0x1111, 0x1111, 0x1111},
     0},
};

class ExchangeTest : public ModbusMasterTest, public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(ExchangeTest, SendsRequestAndJudgesReply) {
    const ExchangeCase& c = GetParam();
    PresetException();
    for (const Bytes& chunk : c.chunks) {
        scriptedLine.Arrive(chunk);
    }
    std::vector<std::uint16_t> destination(std::max<std::size_t>(c.request.countOrValue, 4),
                                           Untouched);
    if (c.request.operation == Operation::Write) {
        destination.resize(4);
    }

    bool result = false;
    {
        HeapProbe probe;
        result = Run(c.request, destination.data());
        EXPECT_EQ(probe.Allocations(), 0u) << "an exchange must not allocate";
    }

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(Hex(scriptedLine.written), Hex(c.sent));
    EXPECT_EQ(scriptedLine.writes, 1);
    EXPECT_EQ(scriptedLine.reads, c.reads);
    EXPECT_EQ(PurgeLog(), c.refused ? ClearedThenRefused : ClearedBeforeRequest);
    EXPECT_EQ(master->LastException(), c.lastException);
    EXPECT_EQ(scriptedLine.Pending(), c.leftQueued);
    destination.resize(c.values.size());
    EXPECT_EQ(destination, c.values);
}

INSTANTIATE_TEST_SUITE_P(Replies, ExchangeTest, ::testing::ValuesIn(exchangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Sound frames (right length, right CRC) that answer some other request: each
// is refused like a damaged frame, and whatever followed it is purged.
struct MismatchCase {
    const char* name;
    Request request;
    Bytes reply;
};

const MismatchCase mismatchCases[] = {
    {"ReadFromAnotherUnit", {Operation::ReadInput, 1, 4, 1}, WithCrc({0x22, 4, 2, 0x01, 0x12})},
    {"ReadWithAnotherFunction", {Operation::ReadInput, 1, 4, 1}, WithCrc({1, 3, 2, 0x01, 0x12})},
    {"ReadHoldingAnsweredAsInput",
     {Operation::ReadHolding, 1, 256, 2},
     WithCrc({1, 4, 4, 0xFF, 0x6A, 0x00, 0x64})},
    // A bus-settings reply that came late, met by the next poll of the
    // measurements: the same length, a valid CRC, three registers.
    {"BusSettingsTakenForMeasurements",
     {Operation::ReadInput, 1, 16, 3},
     WithCrc({1, 3, 6, 0x00, 0x01, 0x00, 0x04, 0x00, 0x02})},
    {"ReadWithWrongByteCount",
     {Operation::ReadHolding, 1, 256, 2},
     WithCrc({1, 3, 0x55, 0xFF, 0x6A, 0x00, 0x64})},
    {"ReadWithByteCountOfOneRegisterMore",
     {Operation::ReadInput, 1, 4, 1},
     WithCrc({1, 4, 4, 0x01, 0x12})},
    {"ReadOfNothingWithByteCount", {Operation::ReadHolding, 1, 256, 0}, WithCrc({1, 3, 2})},
    {"EchoOfAnotherRegister",
     {Operation::Write, 1, 512, 0x00F7},
     WithCrc({1, 6, 0x02, 0x01, 0x00, 0xF7})},
    {"EchoOfAnotherValue",
     {Operation::Write, 1, 512, 0x00F7},
     WithCrc({1, 6, 0x02, 0x00, 0x00, 0xF6})},
    {"EchoFromAnotherUnit",
     {Operation::Write, 1, 512, 0x00F7},
     WithCrc({2, 6, 0x02, 0x00, 0x00, 0xF7})},
    {"WriteAnsweredByReadReply",
     {Operation::Write, 1, 512, 0x00F7},
     WithCrc({1, 3, 3, 0x00, 0x00, 0xF7})},
    {"ExceptionFromAnotherUnit", {Operation::ReadInput, 1, 0, 4}, WithCrc({2, 0x84, 2})},
    {"ExceptionToAnotherFunction", {Operation::ReadInput, 1, 0, 4}, WithCrc({1, 0x83, 2})},
    {"ExceptionToAReadAnsweringAWrite", {Operation::Write, 1, 256, 0xFF6A}, WithCrc({1, 0x84, 3})},
    {"ExceptionWithFlagOnly", {Operation::ReadHolding, 1, 256, 2}, WithCrc({1, 0x80, 3})},
};

class MismatchTest : public ModbusMasterTest, public ::testing::WithParamInterface<MismatchCase> {};

TEST_P(MismatchTest, RefusedAndBothQueuesPurged) {
    const MismatchCase& c = GetParam();
    PresetException();
    scriptedLine.Arrive(c.reply);
    scriptedLine.Arrive({0xAA, 0xBB});
    std::vector<std::uint16_t> destination(4, Untouched);

    EXPECT_FALSE(Run(c.request, destination.data()));
    EXPECT_EQ(master->LastException(), 0) << "not a refusal by the unit";
    EXPECT_EQ(PurgeLog(), ClearedThenRefused);
    EXPECT_EQ(scriptedLine.Pending(), 0);
    EXPECT_EQ(destination, FourUntouched);
}

INSTANTIATE_TEST_SUITE_P(OtherRequests, MismatchTest, ::testing::ValuesIn(mismatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModbusMasterTest, TwoPhasesAskForFiveBytesThenTheRest) {
    scriptedLine.Arrive(ZorIdentityReply);
    std::uint16_t values[4];
    ASSERT_TRUE(master->ReadInputRegisters(1, 0, 4, values));
    EXPECT_EQ(scriptedLine.readSizes, (std::vector<std::uint32_t>{5, 8}));
}

// A larger reply would not fit the frame buffer.
TEST_F(ModbusMasterTest, CountAbove125RefusedBeforeSending) {
    for (const Operation operation : {Operation::ReadHolding, Operation::ReadInput}) {
        PresetException();
        scriptedLine.Arrive(WithCrc({1, 4, 2, 0, 0}));
        std::vector<std::uint16_t> destination(200, Untouched);
        EXPECT_FALSE(Run({operation, 1, 0, 126}, destination.data()));
        EXPECT_EQ(master->LastException(), 0);
        EXPECT_EQ(scriptedLine.writes, 0);
        EXPECT_EQ(scriptedLine.reads, 0);
        EXPECT_EQ(destination, std::vector<std::uint16_t>(200, Untouched));
    }
}

TEST_F(ModbusMasterTest, NoDeviceFailsWithCodeZero) {
    PresetException();
    scriptedLine.open = false;
    EXPECT_FALSE(master->Open("\\\\.\\COM99"));
    EXPECT_FALSE(master->WriteSingleRegister(1, 256, 5));
    EXPECT_EQ(master->LastException(), 0);
}

TEST_F(ModbusMasterTest, SuccessKeepsEarlierExceptionCode) {
    scriptedLine.Arrive(WithCrc({1, 0x86, 3}));
    scriptedLine.NextRequest();
    scriptedLine.Arrive(WithCrc({1, 6, 0x01, 0x00, 0x00, 0x05}));
    EXPECT_FALSE(master->WriteSingleRegister(1, 256, 0x7FFF));
    EXPECT_EQ(master->LastException(), 3);
    EXPECT_TRUE(master->WriteSingleRegister(1, 256, 5));
    EXPECT_EQ(master->LastException(), 3);
}

// Bytes that came after an exchange gave up or had its reply (a unit
// answering late, the rest of a reply cut short, surplus) are still in the
// queue when the next request goes out; they are cleared first, so that the
// next exchange reads its own reply. Left queued, they led that reply: behind
// a request of the same kind they passed the checks and showed old values,
// behind another one they were refused and cost the exchange.
struct FollowingCase {
    const char* name;
    Request first;
    std::vector<Bytes> firstChunks; // {} = the wait of a Read ends
    bool firstResult;
    Request next;
    Bytes nextReply;
    std::vector<std::uint16_t> nextValues;
};

const Bytes MeasurementsReply = WithCrc({1, 4, 6, 0xFF, 0x38, 0x10, 0x00, 0x00, 0x64});
const Bytes NewerMeasurementsReply = WithCrc({1, 4, 6, 0xFF, 0x39, 0x10, 0x01, 0x00, 0x65});
const std::vector<std::uint16_t> NewerMeasurements = {0xFF39, 0x1001, 0x0065, Untouched};
const Bytes BusSettingsReply = WithCrc({1, 3, 6, 0x00, 0x01, 0x00, 0x04, 0x00, 0x02});
const Request ReadMeasurements = {Operation::ReadInput, 1, 16, 3};
const Request ReadBusSettings = {Operation::ReadHolding, 1, 512, 3};

const FollowingCase followingCases[] = {
    {"LateReplyToTheSameRead",
     ReadMeasurements,
     {{}, MeasurementsReply},
     false,
     ReadMeasurements,
     NewerMeasurementsReply,
     NewerMeasurements},
    {"LateReplyToAnotherRead",
     ReadBusSettings,
     {{}, BusSettingsReply},
     false,
     ReadMeasurements,
     NewerMeasurementsReply,
     NewerMeasurements},
    {"LateReplyToAReadBeforeAWrite",
     ReadMeasurements,
     {{}, MeasurementsReply},
     false,
     {Operation::Write, 1, 256, 5},
     WithCrc({1, 6, 0x01, 0x00, 0x00, 0x05}),
     FourUntouched},
    {"LateEchoBeforeARead",
     {Operation::Write, 1, 1040, 0x55AA},
     {{}, WithCrc({1, 6, 0x04, 0x10, 0x55, 0xAA})},
     false,
     ReadBusSettings,
     BusSettingsReply,
     {0x0001, 0x0004, 0x0002, Untouched}},
    {"RestOfAReplyCutShort",
     {Operation::ReadInput, 1, 0, 4},
     {Bytes(ZorIdentityReply.begin(), ZorIdentityReply.begin() + 6),
      {},
      Bytes(ZorIdentityReply.begin() + 6, ZorIdentityReply.end())},
     false,
     {Operation::ReadInput, 1, 4, 1},
     WithCrc({1, 4, 2, 0x01, 0x12}),
     {0x0112, Untouched, Untouched, Untouched}},
    {"SurplusAfterAReply",
     {Operation::ReadInput, 1, 4, 1},
     {[] {
         Bytes reply = WithCrc({1, 4, 2, 0x01, 0x12});
         reply.insert(reply.end(), {0x01, 0x04});
         return reply;
     }()},
     true,
     {Operation::ReadInput, 1, 4, 1},
     WithCrc({1, 4, 2, 0x01, 0x13}),
     {0x0113, Untouched, Untouched, Untouched}},
};

class FollowingExchangeTest : public ModbusMasterTest,
                              public ::testing::WithParamInterface<FollowingCase> {};

TEST_P(FollowingExchangeTest, ReadsItsOwnReply) {
    const FollowingCase& c = GetParam();
    for (const Bytes& chunk : c.firstChunks) {
        scriptedLine.Arrive(chunk);
    }
    scriptedLine.NextRequest();
    scriptedLine.Arrive(c.nextReply);
    std::vector<std::uint16_t> destination(4, Untouched);

    ASSERT_EQ(Run(c.first, destination.data()), c.firstResult);
    std::fill(destination.begin(), destination.end(), Untouched);
    EXPECT_TRUE(Run(c.next, destination.data()));
    EXPECT_EQ(destination, c.nextValues);
    EXPECT_EQ(PurgeLog(), "receive@0 receive@1");
    EXPECT_EQ(scriptedLine.Pending(), 0);
}

INSTANTIATE_TEST_SUITE_P(LeftOver, FollowingExchangeTest, ::testing::ValuesIn(followingCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A reply so late that it comes only after the next request went out cannot
// be cleared before it: the checks refuse it, and that exchange is lost, but
// the one after it is in step again.
TEST_F(ModbusMasterTest, ReplyLaterThanTheNextRequestRefusedThenBackInStep) {
    scriptedLine.Silence();
    scriptedLine.NextRequest();
    scriptedLine.Arrive(BusSettingsReply);
    scriptedLine.Arrive(MeasurementsReply);
    scriptedLine.NextRequest();
    scriptedLine.Arrive(NewerMeasurementsReply);
    std::vector<std::uint16_t> settings(4, Untouched);
    std::vector<std::uint16_t> measurements(4, Untouched);

    EXPECT_FALSE(Run(ReadBusSettings, settings.data()));
    EXPECT_FALSE(Run(ReadMeasurements, measurements.data()));
    EXPECT_EQ(measurements, FourUntouched);
    EXPECT_EQ(PurgeLog(), "receive@0 receive@1 both@2");
    EXPECT_TRUE(Run(ReadMeasurements, measurements.data()));
    EXPECT_EQ(measurements, NewerMeasurements);
    EXPECT_EQ(scriptedLine.Pending(), 0);
}

// The Modbus line: 8 data bits, 1 stop bit, only fBinary set, then the
// time-outs from the rate; a rate of 0 would divide by zero and leaves the
// line alone.
struct LineCase {
    std::uint32_t baudRate;
    std::uint32_t multiplier;
    std::uint32_t constant;
};

class ModbusLineTest : public ModbusMasterTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ModbusLineTest, LineThenTimeoutsFromRate) {
    const LineCase& c = GetParam();
    master->SetLine(c.baudRate, 3);
    ASSERT_EQ(scriptedLine.setupOrder, (std::vector<std::string>{"line", "timeouts"}));
    const ScriptedLine::LineCall& line = scriptedLine.lineCalls[0];
    EXPECT_EQ(line.controlFlags, 1u);
    EXPECT_EQ(line.baudRate, c.baudRate);
    EXPECT_EQ(line.byteSize, 8);
    EXPECT_EQ(line.parity, 3);
    EXPECT_EQ(line.stopBits, SerialPort::OneStopBit);
    const SerialTimeouts& t = scriptedLine.timeoutCalls[0];
    EXPECT_EQ(t.ReadIntervalTimeout, 0u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, c.multiplier);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, c.constant);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 100u);
}

INSTANTIATE_TEST_SUITE_P(Rates, ModbusLineTest,
                         ::testing::Values(LineCase{1200, 10, 350}, LineCase{2400, 5, 225},
                                           LineCase{4800, 3, 162}, LineCase{9600, 2, 131},
                                           LineCase{19200, 1, 115}, LineCase{38400, 1, 107},
                                           LineCase{57600, 1, 105}, LineCase{115200, 1, 102}));

TEST_F(ModbusMasterTest, RateZeroLeavesLineAlone) {
    master->SetLine(0, 2);
    EXPECT_TRUE(scriptedLine.setupOrder.empty());
}

} // namespace
