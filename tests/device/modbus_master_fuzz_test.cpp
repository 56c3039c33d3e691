#include "device/modbus_master.h"

#include "device/serial_port.h"

#include "modbus_frames.h"
#include "scripted_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

// The reply path under replies derived from valid ones: bits flipped, frames
// cut short, extended, bytes inserted, and for half of them the CRC made right
// again, so that damaged frames also reach the checks behind the CRC. Now and
// then a sound reply to the same request, with other values, already waits
// in the queue, as from a unit that answered an earlier request late: it must
// never be read. Each outcome is held against an oracle written from the
// frame rules alone.
namespace {

using namespace ModbusFrames;

constexpr int RepliesPerFunction = 1000000;
constexpr std::uint64_t Seed = 20261211;

constexpr std::uint8_t ReadHolding = 3;
constexpr std::uint8_t ReadInput = 4;
constexpr std::uint8_t WriteSingle = 6;
constexpr std::uint8_t ExceptionFlag = 0x80;
constexpr std::size_t CrcLength = 2;

// Guard words on both sides of the caller's destination.
constexpr int GuardWords = 4;
constexpr std::uint16_t Guard = 0xA5C3;
constexpr std::uint16_t Untouched = 0x5A3C;
// Mostly small reads, as the transducer makes them; now and then the largest.
constexpr int SmallestLargeCount = 100;
// Enough failures to see a pattern; past these the loop stops.
constexpr int MaxReportedFailures = 10;

enum class Mutation { None, FlipBits, Truncate, Extend, Insert, Count };

struct Request {
    std::uint8_t function;
    std::uint8_t unit;
    std::uint16_t address;
    std::uint16_t countOrValue;
};

// What the master must make of the bytes on the line. The values of an
// accepted read are the frame's, from offset 3.
struct Outcome {
    bool result;
    std::int32_t lastException;
    bool refused; // both queues purged after the reply
};

constexpr std::size_t ValuesOffset = 3;

bool IsRead(std::uint8_t function) {
    return function != WriteSingle;
}

std::uint16_t Word(std::uint8_t high, std::uint8_t low) {
    return static_cast<std::uint16_t>(high << 8 | low);
}

// The rules of a reply, from the request alone. Only the bytes before the
// first silence count: a read that times out ends either phase.
Outcome Oracle(const Request& request, const Bytes& line, std::int32_t lastException) {
    const Outcome failed = {false, 0, false};
    const Outcome refused = {false, 0, true};
    const std::size_t shortest = 5;
    if (line.size() < shortest) {
        return failed;
    }
    const bool exception = (line[1] & ExceptionFlag) != 0;
    const std::size_t expected =
        exception ? shortest
                  : (IsRead(request.function) ? 2u * request.countOrValue + shortest : 8u);
    if (line.size() < expected) {
        return failed;
    }
    if (Crc(line.data(), expected) != 0 || line[0] != request.unit) {
        return refused;
    }
    if (exception) {
        return line[1] == (request.function | ExceptionFlag) ? Outcome{false, line[2], false}
                                                             : refused;
    }
    bool answers = line[1] == request.function;
    if (IsRead(request.function)) {
        answers = answers && line[2] == 2 * request.countOrValue;
    } else {
        answers = answers && Word(line[2], line[3]) == request.address &&
                  Word(line[4], line[5]) == request.countOrValue;
    }
    return answers ? Outcome{true, lastException, false} : refused;
}

// Makes the replies and puts them on the scripted line. Its buffers are
// reused, so that the loop spends its time in the master, not the heap.
class ReplyFuzzer {
public:
    static constexpr std::size_t Room = 512;
    // One request in this many finds a stale reply waiting.
    static constexpr int StaleOneIn = 4;

    ReplyFuzzer(std::uint8_t function, std::uint64_t seed) : function(function), random(seed) {
        reply.reserve(Room);
        readable.reserve(Room);
    }

    Request NextRequest() {
        Request request = {function, Byte(), Word(Byte(), Byte()), Word(Byte(), Byte())};
        if (IsRead(function)) {
            const bool large = Below(64) == 0;
            request.countOrValue = static_cast<std::uint16_t>(
                large ? Between(SmallestLargeCount, ModbusMaster::MaxReadCount) : Below(9));
        }
        return request;
    }

    // The reply a unit would give (normal, or now and then an exception),
    // then changed, then put on the line; gives the bytes the master can read
    // before the first silence.
    const Bytes& Deliver(const Request& request) {
        if (Below(StaleOneIn) == 0) {
            MakeValidReply(request);
            scriptedLine.Waiting(reply.data(), reply.size());
        }
        MakeValidReply(request);
        Mutate();
        readable.clear();
        std::size_t at = 0;
        bool silent = false;
        for (int parts = Between(1, 3); at < reply.size(); --parts) {
            const std::size_t size =
                parts <= 1 ? reply.size() - at : Below(static_cast<int>(reply.size() - at) + 1);
            if (size == 0) {
                continue; // an empty part would be a silence
            }
            scriptedLine.Arrive(reply.data() + at, size);
            if (!silent) {
                readable.insert(readable.end(), reply.begin() + at, reply.begin() + at + size);
            }
            at += size;
            if (parts > 1 && Below(4) == 0) {
                scriptedLine.Silence();
                silent = true;
            }
        }
        return readable;
    }

    const Bytes& Reply() const { return reply; }

private:
    void MakeValidReply(const Request& request) {
        reply.clear();
        reply.push_back(request.unit);
        if (Below(8) == 0) {
            reply.push_back(function | ExceptionFlag);
            reply.push_back(Byte());
        } else if (!IsRead(function)) {
            reply.push_back(function);
            for (const std::uint16_t word : {request.address, request.countOrValue}) {
                reply.push_back(static_cast<std::uint8_t>(word >> 8));
                reply.push_back(static_cast<std::uint8_t>(word));
            }
        } else {
            reply.push_back(function);
            reply.push_back(static_cast<std::uint8_t>(2 * request.countOrValue));
            for (int i = 0; i < 2 * request.countOrValue; ++i) {
                reply.push_back(Byte());
            }
        }
        AppendCrc(reply);
    }

    void Mutate() {
        switch (static_cast<Mutation>(Below(static_cast<int>(Mutation::Count)))) {
        case Mutation::None:
        case Mutation::Count:
            break;
        case Mutation::FlipBits:
            for (int flips = Between(1, 3); flips > 0; --flips) {
                reply[Below(static_cast<int>(reply.size()))] ^= 1 << Below(8);
            }
            break;
        case Mutation::Truncate:
            reply.erase(reply.begin() + Below(static_cast<int>(reply.size())), reply.end());
            break;
        case Mutation::Extend:
            for (int extra = Between(1, 4); extra > 0; --extra) {
                reply.push_back(Byte());
            }
            break;
        case Mutation::Insert:
            for (int extra = Between(1, 3); extra > 0; --extra) {
                reply.insert(reply.begin() + Below(static_cast<int>(reply.size()) + 1), Byte());
            }
            break;
        }
        // Half of them pass the CRC again, to reach the checks behind it.
        if (reply.size() > CrcLength && Below(2) == 0) {
            reply.erase(reply.end() - CrcLength, reply.end());
            AppendCrc(reply);
        }
    }

    int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random); }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Below(256)); }

    std::uint8_t function;
    std::mt19937_64 random;
    Bytes reply;
    Bytes readable;
};

// The receive queue is emptied before the request, and both queues after it
// only when the reply is refused.
bool PurgedAsExpected(bool refused) {
    const std::vector<ScriptedLine::PurgeCall>& purges = scriptedLine.purges;
    const std::size_t expected = refused ? 2 : 1;
    const std::uint32_t both = SerialPort::PurgeTransmit | SerialPort::PurgeReceive;
    return purges.size() == expected && purges[0].flags == SerialPort::PurgeReceive &&
           purges[0].writesBefore == 0 &&
           (!refused || (purges[1].flags == both && purges[1].writesBefore == 1));
}

bool Exchange(ModbusMaster& master, const Request& request, std::uint16_t* destination) {
    switch (request.function) {
    case ReadHolding:
        return master.ReadHoldingRegisters(request.unit, request.address, request.countOrValue,
                                           destination);
    case ReadInput:
        return master.ReadInputRegisters(request.unit, request.address, request.countOrValue,
                                         destination);
    default:
        return master.WriteSingleRegister(request.unit, request.address, request.countOrValue);
    }
}

class ReplyFuzz : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(ReplyFuzz, NoReplyGoesPastTheChecks) {
    const std::uint8_t function = GetParam();
    const std::uint64_t seed = Seed + function;
    std::printf("function %u: %d replies, seed %llu\n", function, RepliesPerFunction,
                static_cast<unsigned long long>(seed));
    ReplyFuzzer fuzzer(function, seed);
    auto* master = new ModbusMaster;
    std::vector<std::uint16_t> room(ModbusMaster::MaxReadCount + 2 * GuardWords);
    std::uint16_t* destination = room.data() + GuardWords;
    std::int32_t lastException = 0;
    int accepted = 0;
    int refusals = 0;
    int failures = 0;
    const auto start = std::chrono::steady_clock::now();

    for (int i = 0; i < RepliesPerFunction && failures < MaxReportedFailures; ++i) {
        scriptedLine.Reset();
        const Request request = fuzzer.NextRequest();
        const Bytes& readable = fuzzer.Deliver(request);
        const int count = IsRead(function) ? request.countOrValue : 0;
        std::fill(room.begin(), room.end(), Guard);
        std::fill(destination, destination + count, Untouched);

        const bool result = Exchange(*master, request, destination);
        const Outcome expected = Oracle(request, readable, lastException);

        bool valuesRight = true;
        for (int k = 0; k < count; ++k) {
            const std::uint16_t wanted = expected.result ? Word(readable[ValuesOffset + 2 * k],
                                                                readable[ValuesOffset + 2 * k + 1])
                                                         : Untouched;
            valuesRight = valuesRight && destination[k] == wanted;
        }
        const auto isGuard = [](std::uint16_t word) { return word == Guard; };
        const bool guardsKept =
            std::all_of(room.begin(), room.begin() + GuardWords, isGuard) &&
            std::all_of(destination + count, room.data() + room.size(), isGuard);
        const bool right = result == expected.result && valuesRight && guardsKept &&
                           master->LastException() == expected.lastException &&
                           PurgedAsExpected(expected.refused);
        if (!right) {
            ++failures;
            ADD_FAILURE() << "reply " << i << " to " << Hex(scriptedLine.written) << ": "
                          << Hex(fuzzer.Reply()) << " (readable " << Hex(readable) << ") gave "
                          << result << ", exception " << master->LastException() << ", purges "
                          << scriptedLine.purges.size() << (guardsKept ? "" : ", guard overwritten")
                          << (valuesRight ? "" : ", destination wrong") << "; expected "
                          << expected.result << ", exception " << expected.lastException;
        }
        lastException = expected.lastException;
        accepted += expected.result ? 1 : 0;
        refusals += !expected.result && expected.lastException != 0 ? 1 : 0;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("function %u: %d accepted, %d refusals by the unit, %.2f s\n", function, accepted,
                refusals, took.count());
    master->Dispose();
}

INSTANTIATE_TEST_SUITE_P(Functions, ReplyFuzz,
                         ::testing::Values(ReadHolding, ReadInput, WriteSingle));

} // namespace
