#pragma once

#include "foundation/base_object.h"

#include <windows.h>

// The one handle to a serial communications device: synchronous reads and
// writes of raw bytes, line parameters, time-outs and purging of the driver
// queues. Every operation but Open is a no-op while no device is open.
class SerialPort : public BaseObject {
public:
    SerialPort();
    ~SerialPort() override;

    // The device is held exclusively; an open device must be closed first.
    bool Open(const char* devicePath);
    void Close();

    // Rewrites the device's DCB: the record starts zeroed and is filled with
    // the driver's settings, then the five given fields replace theirs; the
    // rest (XON/XOFF limits, special characters) goes back as the driver gave
    // it, or as zeros when the driver's settings could not be read.
    void SetLine(DWORD controlFlags, DWORD baudRate, BYTE byteSize, BYTE parity, BYTE stopBits);
    void SetTimeouts(const COMMTIMEOUTS& timeouts);

    // Byte counts as the system reported them: 0 on time-out, failure or no device.
    DWORD Read(void* destination, DWORD count);
    DWORD Write(const void* source, DWORD count);

    void Purge(DWORD flags);

private:
    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }

    HANDLE handle;
};
