#include "device/serial_api.h"

SerialApi SystemSerialApi() {
    return SerialApi{CreateFileA,     CloseHandle, GetCommState, SetCommState,
                     SetCommTimeouts, ReadFile,    WriteFile,    PurgeComm};
}

SerialApi serialApi = SystemSerialApi();
