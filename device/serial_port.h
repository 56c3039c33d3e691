#pragma once

#include "device/serial_timeouts.h"
#include "foundation/base_object.h"

#include <cstdint>

// The one handle to a serial communications device: synchronous reads and
// writes of raw bytes, line parameters, time-outs and purging of the driver
// queues. Every operation but Open is a no-op while no device is open.
//
// The values of the interface are those of the Windows serial interface (the
// DCB's flag word, parity and stop-bit codes, the purge flags); the Windows
// build passes them on, the POSIX build maps them onto termios.
class SerialPort : public BaseObject {
public:
    // Purge flags: empty the transmit and the receive queue.
    static constexpr std::uint32_t PurgeTransmit = 0x0004;
    static constexpr std::uint32_t PurgeReceive = 0x0008;
    // Stop-bit code of one stop bit.
    static constexpr std::uint8_t OneStopBit = 0;

    SerialPort();
    ~SerialPort() override;

    // The device is held exclusively; an open device must be closed first.
    bool Open(const char* devicePath);
    void Close();

    // Rewrites the device's line: the five given values replace the driver's.
    // On Windows the DCB record starts zeroed and is filled with the driver's
    // settings first, so the rest (XON/XOFF limits, special characters) goes
    // back as the driver gave it, or as zeros when they could not be read.
    void SetLine(std::uint32_t controlFlags, std::uint32_t baudRate, std::uint8_t byteSize,
                 std::uint8_t parity, std::uint8_t stopBits);
    void SetTimeouts(const SerialTimeouts& timeouts);

    // Byte counts as the system reported them: 0 on time-out, failure or no device.
    std::uint32_t Read(void* destination, std::uint32_t count);
    std::uint32_t Write(const void* source, std::uint32_t count);

    void Purge(std::uint32_t flags);

private:
    bool IsOpen() const;

#ifdef _WIN32
    void* handle; // the platform's HANDLE
#else
    int descriptor;
    // termios knows no total time-out: Read and Write keep these themselves.
    SerialTimeouts timeouts;
#endif
};
