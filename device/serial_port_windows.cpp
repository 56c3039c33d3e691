#include "device/serial_port.h"

#include "device/serial_api.h"

#include <cstddef>
#include <cstring>

namespace {

static_assert(sizeof(DCB) == 28, "the DCB is the platform's 28-byte record");
static_assert(SerialPort::PurgeTransmit == PURGE_TXCLEAR &&
                  SerialPort::PurgeReceive == PURGE_RXCLEAR,
              "the purge flags are passed on unchanged");
static_assert(SerialPort::OneStopBit == ONESTOPBIT, "stop-bit codes are passed on unchanged");

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

bool SerialPort::IsOpen() const {
    return handle != INVALID_HANDLE_VALUE;
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

void SerialPort::SetLine(std::uint32_t controlFlags, std::uint32_t baudRate, std::uint8_t byteSize,
                         std::uint8_t parity, std::uint8_t stopBits) {
    if (!IsOpen()) {
        return;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    serialApi.getCommState(handle, &dcb);
    dcb.BaudRate = baudRate;
    const DWORD flagWord = controlFlags;
    std::memcpy(reinterpret_cast<BYTE*>(&dcb) + FlagWordOffset, &flagWord, sizeof flagWord);
    dcb.ByteSize = byteSize;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    serialApi.setCommState(handle, &dcb);
}

void SerialPort::SetTimeouts(const SerialTimeouts& timeouts) {
    if (!IsOpen()) {
        return;
    }
    COMMTIMEOUTS record{};
    record.ReadIntervalTimeout = timeouts.ReadIntervalTimeout;
    record.ReadTotalTimeoutMultiplier = timeouts.ReadTotalTimeoutMultiplier;
    record.ReadTotalTimeoutConstant = timeouts.ReadTotalTimeoutConstant;
    record.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
    record.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
    serialApi.setCommTimeouts(handle, &record);
}

std::uint32_t SerialPort::Read(void* destination, std::uint32_t count) {
    if (!IsOpen()) {
        return 0;
    }
    // The call's own success flag is ignored: a failure reports 0 bytes,
    // exactly like a time-out with nothing received.
    DWORD received = 0;
    serialApi.readFile(handle, destination, count, &received, nullptr);
    return received;
}

std::uint32_t SerialPort::Write(const void* source, std::uint32_t count) {
    if (!IsOpen()) {
        return 0;
    }
    DWORD written = 0;
    serialApi.writeFile(handle, source, count, &written, nullptr);
    return written;
}

void SerialPort::Purge(std::uint32_t flags) {
    if (!IsOpen()) {
        return;
    }
    serialApi.purgeComm(handle, flags);
}
