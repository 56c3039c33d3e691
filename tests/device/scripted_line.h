#pragma once

#include "device/serial_timeouts.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// The far end of the line as the scripted SerialPort stand-in sees it. Each
// Read is served from the next chunk only, so a test decides exactly what
// every Read call returns; an empty chunk is a Read that times out with
// nothing. Bytes a Read did not ask for stay queued for the next one.
struct ScriptedLine {
    // Back to an open, empty line that has seen no calls. The storage is kept,
    // so that a loop of exchanges allocates nothing here once it has run.
    void Reset();

    // Bytes that one Read can deliver (at most as many as it asks for).
    void Arrive(std::initializer_list<std::uint8_t> bytes);
    void Arrive(const std::vector<std::uint8_t>& bytes);
    void Arrive(const std::uint8_t* bytes, std::size_t count);
    // One Read that times out with nothing.
    void Silence();
    // Bytes still waiting in the receive queue.
    int Pending() const;

    bool open = true;
    int reads = 0;
    int writes = 0;
    int purges = 0;
    std::uint32_t purgeFlags = 0;
    std::vector<std::uint32_t> readSizes;
    std::vector<std::uint8_t> written;

    struct LineCall {
        std::uint32_t controlFlags, baudRate;
        std::uint8_t byteSize, parity, stopBits;
    };
    std::vector<LineCall> lineCalls;
    std::vector<SerialTimeouts> timeoutCalls;
    // "line" and "timeouts" in call order.
    std::vector<std::string> setupOrder;

    // Every chunk's bytes one after the other, and where each chunk ends.
    std::vector<std::uint8_t> queued;
    std::vector<std::size_t> chunkEnds;
    std::size_t nextChunk = 0;
    std::size_t readOffset = 0;
};

extern ScriptedLine scriptedLine;
