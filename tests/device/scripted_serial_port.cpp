// A stand-in for SerialPort, linked into the Modbus tests in place of the
// real one: same class, but the bytes come from the scripted line.
#include "device/serial_port.h"

#include "scripted_line.h"

#include <algorithm>
#include <cstring>

ScriptedLine scriptedLine;

namespace {
// Room for everything a test writes, reserved up front so that the stand-in
// itself allocates nothing during an exchange.
constexpr std::size_t WrittenCapacity = 4096;
constexpr std::size_t CallCapacity = 256;
} // namespace

void ScriptedLine::Reset() {
    open = true;
    reads = writes = purges = 0;
    purgeFlags = 0;
    readSizes.clear();
    written.clear();
    lineCalls.clear();
    timeoutCalls.clear();
    setupOrder.clear();
    queued.clear();
    chunkEnds.clear();
    nextChunk = 0;
    readOffset = 0;
    written.reserve(WrittenCapacity);
    readSizes.reserve(CallCapacity);
    queued.reserve(WrittenCapacity);
    chunkEnds.reserve(CallCapacity);
}

void ScriptedLine::Arrive(std::initializer_list<std::uint8_t> bytes) {
    Arrive(bytes.begin(), bytes.size());
}

void ScriptedLine::Arrive(const std::vector<std::uint8_t>& bytes) {
    Arrive(bytes.data(), bytes.size());
}

void ScriptedLine::Arrive(const std::uint8_t* bytes, std::size_t count) {
    queued.insert(queued.end(), bytes, bytes + count);
    chunkEnds.push_back(queued.size());
}

void ScriptedLine::Silence() {
    chunkEnds.push_back(queued.size());
}

int ScriptedLine::Pending() const {
    return static_cast<int>(queued.size() - readOffset);
}

// The platform's handle fields are never used here.
SerialPort::SerialPort() {}

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::Open(const char*) {
    return scriptedLine.open;
}

bool SerialPort::IsOpen() const {
    return scriptedLine.open;
}

void SerialPort::Close() {}

void SerialPort::SetLine(std::uint32_t controlFlags, std::uint32_t baudRate, std::uint8_t byteSize,
                         std::uint8_t parity, std::uint8_t stopBits) {
    scriptedLine.lineCalls.push_back({controlFlags, baudRate, byteSize, parity, stopBits});
    scriptedLine.setupOrder.push_back("line");
}

void SerialPort::SetTimeouts(const SerialTimeouts& timeouts) {
    scriptedLine.timeoutCalls.push_back(timeouts);
    scriptedLine.setupOrder.push_back("timeouts");
}

std::uint32_t SerialPort::Read(void* destination, std::uint32_t count) {
    ScriptedLine& line = scriptedLine;
    ++line.reads;
    line.readSizes.push_back(count);
    if (!line.open || line.nextChunk >= line.chunkEnds.size()) {
        return 0;
    }
    const std::size_t end = line.chunkEnds[line.nextChunk];
    const std::size_t taken = std::min<std::size_t>(count, end - line.readOffset);
    if (taken > 0) {
        std::memcpy(destination, line.queued.data() + line.readOffset, taken);
    }
    line.readOffset += taken;
    if (line.readOffset == end) {
        ++line.nextChunk;
    }
    return static_cast<std::uint32_t>(taken);
}

std::uint32_t SerialPort::Write(const void* source, std::uint32_t count) {
    ++scriptedLine.writes;
    if (!scriptedLine.open) {
        return 0;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    scriptedLine.written.insert(scriptedLine.written.end(), bytes, bytes + count);
    return count;
}

void SerialPort::Purge(std::uint32_t flags) {
    ++scriptedLine.purges;
    scriptedLine.purgeFlags = flags;
    scriptedLine.nextChunk = scriptedLine.chunkEnds.size();
    scriptedLine.readOffset = scriptedLine.queued.size();
}
