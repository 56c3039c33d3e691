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
    reads = writes = 0;
    purges.clear();
    readSizes.clear();
    written.clear();
    lineCalls.clear();
    timeoutCalls.clear();
    setupOrder.clear();
    queued.clear();
    chunkEnds.clear();
    chunkAfterWrite.clear();
    scriptedRequest = 1;
    nextChunk = 0;
    readOffset = 0;
    written.reserve(WrittenCapacity);
    readSizes.reserve(CallCapacity);
    purges.reserve(CallCapacity);
    queued.reserve(WrittenCapacity);
    chunkEnds.reserve(CallCapacity);
    chunkAfterWrite.reserve(CallCapacity);
}

void ScriptedLine::Arrive(std::initializer_list<std::uint8_t> bytes) {
    Arrive(bytes.begin(), bytes.size());
}

void ScriptedLine::Arrive(const std::vector<std::uint8_t>& bytes) {
    Arrive(bytes.data(), bytes.size());
}

void ScriptedLine::Arrive(const std::uint8_t* bytes, std::size_t count) {
    Add(bytes, count, scriptedRequest);
}

void ScriptedLine::Silence() {
    Add(nullptr, 0, scriptedRequest);
}

void ScriptedLine::NextRequest() {
    ++scriptedRequest;
}

void ScriptedLine::Waiting(const std::vector<std::uint8_t>& bytes) {
    Waiting(bytes.data(), bytes.size());
}

void ScriptedLine::Waiting(const std::uint8_t* bytes, std::size_t count) {
    Add(bytes, count, scriptedRequest - 1);
}

void ScriptedLine::Add(const std::uint8_t* bytes, std::size_t count, int afterWrite) {
    if (count > 0) {
        queued.insert(queued.end(), bytes, bytes + count);
    }
    chunkEnds.push_back(queued.size());
    chunkAfterWrite.push_back(afterWrite);
}

bool ScriptedLine::Arrived(std::size_t chunk) const {
    return chunk < chunkEnds.size() && chunkAfterWrite[chunk] <= writes;
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
    if (!line.open || !line.Arrived(line.nextChunk)) {
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

// Only what has arrived is thrown away; a reply to a request not yet written
// comes later.
void SerialPort::Purge(std::uint32_t flags) {
    ScriptedLine& line = scriptedLine;
    line.purges.push_back({flags, line.writes});
    if ((flags & PurgeReceive) == 0) {
        return;
    }
    while (line.Arrived(line.nextChunk)) {
        line.readOffset = line.chunkEnds[line.nextChunk];
        ++line.nextChunk;
    }
}
