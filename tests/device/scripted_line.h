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
//
// A chunk arrives in answer to a request: it can be read, and is emptied by a
// purge of the receive queue, only once that request has been written. Until
// then a Read meets an empty queue and times out. So bytes scripted after a
// silence (a unit answering after the wait) are in the queue when the next
// request goes out, and that request's own reply is not yet.
struct ScriptedLine {
    // Back to an open, empty line that has seen no calls. The storage is kept,
    // so that a loop of exchanges allocates nothing here once it has run.
    void Reset();

    // Bytes that one Read can deliver (at most as many as it asks for), sent
    // in answer to the request being scripted.
    void Arrive(std::initializer_list<std::uint8_t> bytes);
    void Arrive(const std::vector<std::uint8_t>& bytes);
    void Arrive(const std::uint8_t* bytes, std::size_t count);
    // One Read that times out with nothing.
    void Silence();
    // What is scripted from here on answers the next request: it arrives only
    // after one more Write.
    void NextRequest();
    // Bytes already waiting in the receive queue when the request being
    // scripted goes out; script them before its reply.
    void Waiting(const std::vector<std::uint8_t>& bytes);
    void Waiting(const std::uint8_t* bytes, std::size_t count);
    // Bytes neither read nor purged yet, whether they have arrived or not.
    int Pending() const;
    // Whether the chunk is scripted and its request has been written.
    bool Arrived(std::size_t chunk) const;

    struct PurgeCall {
        std::uint32_t flags;
        int writesBefore;
    };

    bool open = true;
    int reads = 0;
    int writes = 0;
    std::vector<PurgeCall> purges;
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

    // Every chunk's bytes one after the other, where each chunk ends, and the
    // Write after which it arrives (1 for the first request).
    std::vector<std::uint8_t> queued;
    std::vector<std::size_t> chunkEnds;
    std::vector<int> chunkAfterWrite;
    int scriptedRequest = 1;
    std::size_t nextChunk = 0;
    std::size_t readOffset = 0;

private:
    void Add(const std::uint8_t* bytes, std::size_t count, int afterWrite);
};

extern ScriptedLine scriptedLine;
