#include "device/modbus_master.h"

#include "modbus_frames.h"
#include "scripted_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// Every heap block the program asks for passes here (the linker routes
// malloc and calloc through these), so a test can prove a stretch of code
// allocates nothing.
namespace {
int allocations = 0;
}
extern "C" void* __real_malloc(std::size_t size);
extern "C" void* __real_calloc(std::size_t count, std::size_t size);
extern "C" void* __wrap_malloc(std::size_t size) {
    ++allocations;
    return __real_malloc(size);
}
extern "C" void* __wrap_calloc(std::size_t count, std::size_t size) {
    ++allocations;
    return __real_calloc(count, size);
}

namespace {

using namespace ModbusFrames;

constexpr std::uint16_t Untouched = 0xBEEF;
constexpr DWORD PurgeBoth = PURGE_TXCLEAR | PURGE_RXCLEAR;

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
    int purges;
    std::vector<std::uint16_t> values; // destination after the exchange
    int leftQueued;                    // bytes still waiting afterwards
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
     0,
     ZorIdentity,
     0},
    {"ReadHoldingHighBytesFirst",
     {Operation::ReadHolding, 7, 0x0200, 3},
     {WithCrc({7, 3, 6, 0x00, 0xF7, 0x01, 0x04, 0xFF, 0x02})},
     WithCrc({7, 3, 0x02, 0x00, 0x00, 0x03}),
     true,
     9,
     2,
     0,
     {0x00F7, 0x0104, 0xFF02, Untouched},
     0},
    {"RestartWorkedFrameEchoMatches",
     {Operation::Write, 1, 1040, 0x55AA},
     {{0x01, 0x06, 0x04, 0x10, 0x55, 0xAA, 0x36, 0x10}},
     {0x01, 0x06, 0x04, 0x10, 0x55, 0xAA, 0x36, 0x10},
     true,
     9,
     2,
     0,
     FourUntouched,
     0},
    {"ExceptionWorkedFrameStoresCode",
     {Operation::ReadInput, 1, 0, 4},
     {{0x01, 0x84, 0x02, 0xC2, 0xC1}},
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9},
     false,
     2,
     1,
     0,
     FourUntouched,
     0},
    {"ExceptionToWriteStoresCode",
     {Operation::Write, 1, 256, 0xFF6A},
     {WithCrc({1, 0x86, 3})},
     WithCrc({1, 6, 0x01, 0x00, 0xFF, 0x6A}),
     false,
     3,
     1,
     0,
     FourUntouched,
     0},
    {"BadCrcPurgesBothQueues",
     {Operation::ReadInput, 1, 16, 3},
     {WithBadCrc({1, 4, 6, 0xFF, 0x38, 0x10, 0x00, 0x00, 0x64}), {0xAA, 0xBB}},
     WithCrc({1, 4, 0, 16, 0, 3}),
     false,
     0,
     2,
     1,
     FourUntouched,
     0},
    {"BadCrcExceptionPurgesAndClearsCode",
     {Operation::ReadInput, 1, 0, 4},
     {{0x01, 0x84, 0x02, 0xC2, 0xC0}, {0xAA}},
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9},
     false,
     0,
     1,
     1,
     FourUntouched,
     0},
    {"SilentUnit",
     {Operation::ReadInput, 1, 0, 4},
     {{}},
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9},
     false,
     0,
     1,
     0,
     FourUntouched,
     0},
    {"FewerThanFiveBytesNotPurged",
     {Operation::ReadInput, 1, 0, 4},
     {{0x01, 0x04, 0x08}, {}, {0x5A, 0x4F}},
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9},
     false,
     0,
     2,
     0,
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
     0,
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
     0,
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
     0,
     {0x0112, Untouched, Untouched, Untouched},
     3},
    {"ReadOfZeroRegistersReadsOnlyPhaseOne",
     {Operation::ReadHolding, 1, 256, 0},
     {WithCrc({1, 3, 0})},
     WithCrc({1, 3, 0x01, 0x00, 0x00, 0x00}),
     true,
     9,
     1,
     0,
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
     0,
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

    const int allocationsBefore = allocations;
    const bool result = Run(c.request, destination.data());
    EXPECT_EQ(allocations, allocationsBefore) << "an exchange must not allocate";

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(Hex(scriptedLine.written), Hex(c.sent));
    EXPECT_EQ(scriptedLine.writes, 1);
    EXPECT_EQ(scriptedLine.reads, c.reads);
    EXPECT_EQ(scriptedLine.purges, c.purges);
    if (c.purges > 0) {
        EXPECT_EQ(scriptedLine.purgeFlags, PurgeBoth);
    }
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
    EXPECT_EQ(scriptedLine.purges, 1);
    EXPECT_EQ(scriptedLine.purgeFlags, PurgeBoth);
    EXPECT_EQ(scriptedLine.Pending(), 0);
    EXPECT_EQ(destination, FourUntouched);
}

INSTANTIATE_TEST_SUITE_P(OtherRequests, MismatchTest, ::testing::ValuesIn(mismatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The whole road of a wrong value: a reply that came after its read gave up
// stays queued, and the next read, of the same length, meets it first.
TEST_F(ModbusMasterTest, LateReplyOfEarlierReadNotTakenForTheNextOne) {
    scriptedLine.Silence();
    scriptedLine.Arrive(WithCrc({1, 3, 6, 0x00, 0x01, 0x00, 0x04, 0x00, 0x02}));
    scriptedLine.Arrive(WithCrc({1, 4, 6, 0xFF, 0x38, 0x10, 0x00, 0x00, 0x64}));
    std::uint16_t settings[3] = {Untouched, Untouched, Untouched};
    std::uint16_t measurements[3] = {Untouched, Untouched, Untouched};

    EXPECT_FALSE(master->ReadHoldingRegisters(1, 512, 3, settings));
    EXPECT_FALSE(master->ReadInputRegisters(1, 16, 3, measurements));
    EXPECT_EQ(measurements[0], Untouched);
    EXPECT_EQ(scriptedLine.purges, 1);
    EXPECT_EQ(scriptedLine.Pending(), 0);
}

TEST_F(ModbusMasterTest, TwoPhasesAskForFiveBytesThenTheRest) {
    scriptedLine.Arrive(ZorIdentityReply);
    std::uint16_t values[4];
    ASSERT_TRUE(master->ReadInputRegisters(1, 0, 4, values));
    EXPECT_EQ(scriptedLine.readSizes, (std::vector<DWORD>{5, 8}));
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
    scriptedLine.Arrive(WithCrc({1, 6, 0x01, 0x00, 0x00, 0x05}));
    EXPECT_FALSE(master->WriteSingleRegister(1, 256, 0x7FFF));
    EXPECT_EQ(master->LastException(), 3);
    EXPECT_TRUE(master->WriteSingleRegister(1, 256, 5));
    EXPECT_EQ(master->LastException(), 3);
}

// Late bytes of a reply cut short are not thrown away: they lead the next
// reply, which then fails its CRC and clears the line.
TEST_F(ModbusMasterTest, LateBytesOfShortReplyLeadNextExchange) {
    scriptedLine.Arrive(Bytes(ZorIdentityReply.begin(), ZorIdentityReply.begin() + 6));
    scriptedLine.Silence();
    scriptedLine.Arrive(Bytes(ZorIdentityReply.begin() + 6, ZorIdentityReply.end()));
    scriptedLine.Arrive(WithCrc({1, 4, 2, 0x01, 0x12}));
    std::uint16_t values[4] = {Untouched, Untouched, Untouched, Untouched};

    EXPECT_FALSE(master->ReadInputRegisters(1, 0, 4, values));
    EXPECT_EQ(scriptedLine.purges, 0);
    EXPECT_EQ(scriptedLine.Pending(), 7 + 7);

    EXPECT_FALSE(master->ReadInputRegisters(1, 4, 1, values));
    EXPECT_EQ(scriptedLine.purges, 1);
    EXPECT_EQ(scriptedLine.Pending(), 0);
    EXPECT_EQ(master->LastException(), 0);
    EXPECT_EQ(values[0], Untouched);
}

TEST_F(ModbusMasterTest, SurplusLeadsNextExchange) {
    Bytes reply = WithCrc({1, 4, 2, 0x01, 0x12});
    reply.insert(reply.end(), {0x01, 0x04});
    scriptedLine.Arrive(reply);
    scriptedLine.Arrive(WithCrc({1, 4, 2, 0x01, 0x12}));
    std::uint16_t value = Untouched;

    EXPECT_TRUE(master->ReadInputRegisters(1, 4, 1, &value));
    EXPECT_EQ(value, 0x0112);
    value = Untouched;
    EXPECT_FALSE(master->ReadInputRegisters(1, 4, 1, &value));
    EXPECT_EQ(scriptedLine.purges, 1);
    EXPECT_EQ(value, Untouched);
}

// The Modbus line: 8 data bits, 1 stop bit, only fBinary set, then the
// time-outs from the rate; a rate of 0 would divide by zero and leaves the
// line alone.
struct LineCase {
    DWORD baudRate;
    DWORD multiplier;
    DWORD constant;
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
    EXPECT_EQ(line.stopBits, ONESTOPBIT);
    const COMMTIMEOUTS& t = scriptedLine.timeoutCalls[0];
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
