#include "device/serial_port.h"

#include "device/serial_api.h"

#include <cstddef>
#include <cstring>

namespace {

static_assert(sizeof(DCB) == 28, "the DCB is the platform's 28-byte record");

// The DCB's bit fields (fBinary .. fAbortOnError) share the 32-bit word right
// after BaudRate; the caller sets them all at once.
constexpr std::size_t FlagWordOffset = offsetof(DCB, BaudRate) + sizeof(DWORD);

// Synchronous, non-overlapped I/O: no flags and no attributes.
constexpr DWORD NoFlags = 0;
// Nobody else may open the device while it is held.
constexpr DWORD ExclusiveShareMode = 0;

} // namespace

SerialPort::SerialPort() : handle(INVALID_HANDLE_VALUE) {}

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::Open(const char* devicePath) {
    handle = serialApi.createFile(devicePath, GENERIC_READ | GENERIC_WRITE, ExclusiveShareMode,
                                  nullptr, OPEN_EXISTING, NoFlags, nullptr);
    return IsOpen();
}

void SerialPort::Close() {
    if (!IsOpen()) {
        return;
    }
    serialApi.closeHandle(handle);
    handle = INVALID_HANDLE_VALUE;
}

void SerialPort::SetLine(DWORD controlFlags, DWORD baudRate, BYTE byteSize, BYTE parity,
                         BYTE stopBits) {
    if (!IsOpen()) {
        return;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    serialApi.getCommState(handle, &dcb);
    dcb.BaudRate = baudRate;
    std::memcpy(reinterpret_cast<BYTE*>(&dcb) + FlagWordOffset, &controlFlags, sizeof controlFlags);
    dcb.ByteSize = byteSize;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    serialApi.setCommState(handle, &dcb);
}

void SerialPort::SetTimeouts(const COMMTIMEOUTS& timeouts) {
    if (!IsOpen()) {
        return;
    }
    COMMTIMEOUTS copy = timeouts;
    serialApi.setCommTimeouts(handle, &copy);
}

DWORD SerialPort::Read(void* destination, DWORD count) {
    if (!IsOpen()) {
        return 0;
    }
    // The call's own success flag is ignored: a failure reports 0 bytes,
    // exactly like a time-out with nothing received.
    DWORD received = 0;
    serialApi.readFile(handle, destination, count, &received, nullptr);
    return received;
}

DWORD SerialPort::Write(const void* source, DWORD count) {
    if (!IsOpen()) {
        return 0;
    }
    DWORD written = 0;
    serialApi.writeFile(handle, source, count, &written, nullptr);
    return written;
}

void SerialPort::Purge(DWORD flags) {
    if (!IsOpen()) {
        return;
    }
    serialApi.purgeComm(handle, flags);
}
