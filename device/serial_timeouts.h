#pragma once

#include <cstdint>

// Time-outs of a serial device in milliseconds, with the meaning and field
// order of the Windows COMMTIMEOUTS record on every platform. A Read of n
// bytes with ReadIntervalTimeout 0 waits at most
// n x ReadTotalTimeoutMultiplier + ReadTotalTimeoutConstant; all read fields
// 0 wait until every byte has come.
struct SerialTimeouts {
    std::uint32_t ReadIntervalTimeout;
    std::uint32_t ReadTotalTimeoutMultiplier;
    std::uint32_t ReadTotalTimeoutConstant;
    std::uint32_t WriteTotalTimeoutMultiplier;
    std::uint32_t WriteTotalTimeoutConstant;
};
