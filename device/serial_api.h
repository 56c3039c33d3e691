#pragma once

#include <windows.h>

// The kernel32 calls through which SerialPort reaches the device. Tests swap
// single entries to see the exact arguments (exclusive access cannot be
// observed under Wine, which allows a second open) or to prove that no call
// is made at all.
struct SerialApi {
    decltype(&CreateFileA) createFile;
    decltype(&CloseHandle) closeHandle;
    decltype(&GetCommState) getCommState;
    decltype(&SetCommState) setCommState;
    decltype(&SetCommTimeouts) setCommTimeouts;
    decltype(&ReadFile) readFile;
    decltype(&WriteFile) writeFile;
    decltype(&PurgeComm) purgeComm;
};

// The real functions of the platform.
SerialApi SystemSerialApi();

// The table every SerialPort uses; starts as SystemSerialApi().
extern SerialApi serialApi;
