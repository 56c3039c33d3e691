#include "device/serial_port.h"

#include "device/modbus_line.h"
#include "device/serial_api.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The lab joins COM5 and COM6 by one virtual line: bytes written to one end
// arrive at the other.
constexpr const char* LinePath = "\\\\.\\COM5";
constexpr const char* PeerPath = "\\\\.\\COM6";
constexpr const char* MissingPath = "\\\\.\\COM99";
constexpr DWORD PurgeBoth = PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr std::size_t FlagWordOffset = offsetof(DCB, BaudRate) + sizeof(DWORD);

// What the port asked of the system. Each entry records its arguments and,
// unless a test fakes it, passes the call on to the real function.
struct Calls {
    int createFile, closeHandle, getCommState, setCommState, setCommTimeouts, readFile, writeFile,
        purgeComm;
    std::string path;
    DWORD access, shareMode, disposition, flags;
    LPSECURITY_ATTRIBUTES security;
    HANDLE templateFile;
    HANDLE opened, closed;
    DWORD getStateLength;
    DCB setState;
    COMMTIMEOUTS timeouts;
    DWORD purgeFlags;

    int Total() const {
        return createFile + closeHandle + getCommState + setCommState + setCommTimeouts + readFile +
               writeFile + purgeComm;
    }
    int AfterOpen() const { return Total() - createFile; }
};

Calls calls;
const SerialApi systemApi = SystemSerialApi();

// A stand-in device: a handle the system never gave, and a DCB a driver
// might report, with every flag set and distinctive limits and characters.
HANDLE const FakeHandle = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(0x5A5A));
bool fakeDevice = false;
bool getStateFails = false;
DCB driverState;

HANDLE WINAPI RecordCreateFile(LPCSTR path, DWORD access, DWORD shareMode,
                               LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                               HANDLE templateFile) {
    ++calls.createFile;
    calls.path = path;
    calls.access = access;
    calls.shareMode = shareMode;
    calls.security = security;
    calls.disposition = disposition;
    calls.flags = flags;
    calls.templateFile = templateFile;
    calls.opened = fakeDevice ? FakeHandle
                              : systemApi.createFile(path, access, shareMode, security, disposition,
                                                     flags, templateFile);
    return calls.opened;
}

BOOL WINAPI RecordCloseHandle(HANDLE handle) {
    ++calls.closeHandle;
    calls.closed = handle;
    return fakeDevice ? TRUE : systemApi.closeHandle(handle);
}

BOOL WINAPI RecordGetCommState(HANDLE handle, LPDCB dcb) {
    ++calls.getCommState;
    calls.getStateLength = dcb->DCBlength;
    if (!fakeDevice) {
        return systemApi.getCommState(handle, dcb);
    }
    if (getStateFails) {
        return FALSE;
    }
    *dcb = driverState;
    return TRUE;
}

BOOL WINAPI RecordSetCommState(HANDLE handle, LPDCB dcb) {
    ++calls.setCommState;
    calls.setState = *dcb;
    return fakeDevice ? TRUE : systemApi.setCommState(handle, dcb);
}

BOOL WINAPI RecordSetCommTimeouts(HANDLE handle, LPCOMMTIMEOUTS timeouts) {
    ++calls.setCommTimeouts;
    calls.timeouts = *timeouts;
    return fakeDevice ? TRUE : systemApi.setCommTimeouts(handle, timeouts);
}

BOOL WINAPI RecordReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD done,
                           LPOVERLAPPED overlapped) {
    ++calls.readFile;
    return systemApi.readFile(handle, buffer, count, done, overlapped);
}

BOOL WINAPI RecordWriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD done,
                            LPOVERLAPPED overlapped) {
    ++calls.writeFile;
    return systemApi.writeFile(handle, buffer, count, done, overlapped);
}

BOOL WINAPI RecordPurgeComm(HANDLE handle, DWORD flags) {
    ++calls.purgeComm;
    calls.purgeFlags = flags;
    return fakeDevice ? TRUE : systemApi.purgeComm(handle, flags);
}

DCB DirtyDriverState() {
    DCB dcb;
    std::memset(&dcb, 0xFF, sizeof dcb);
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 600;
    dcb.wReserved = 0x1234;
    dcb.XonLim = 111;
    dcb.XoffLim = 222;
    dcb.ByteSize = 7;
    dcb.Parity = SPACEPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = 0x3F;
    dcb.EofChar = 0x1A;
    dcb.EvtChar = 0x7E;
    dcb.wReserved1 = 0x5678;
    return dcb;
}

DWORD FlagWord(const DCB& dcb) {
    DWORD word;
    std::memcpy(&word, reinterpret_cast<const BYTE*>(&dcb) + FlagWordOffset, sizeof word);
    return word;
}

// Every system call of the port goes through the recording table.
class SerialPortCalls : public ::testing::Test {
protected:
    void SetUp() override {
        calls = Calls{};
        fakeDevice = false;
        getStateFails = false;
        driverState = DirtyDriverState();
        serialApi = SerialApi{RecordCreateFile,   RecordCloseHandle,     RecordGetCommState,
                              RecordSetCommState, RecordSetCommTimeouts, RecordReadFile,
                              RecordWriteFile,    RecordPurgeComm};
    }
    void TearDown() override { serialApi = systemApi; }
};

TEST_F(SerialPortCalls, OpensByDevicePathExclusivelyAndSynchronously) {
    SerialPort port;
    ASSERT_TRUE(port.Open(LinePath));
    EXPECT_EQ(calls.createFile, 1);
    EXPECT_EQ(calls.path, LinePath);
    EXPECT_EQ(calls.access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
    EXPECT_EQ(calls.shareMode, 0u) << "another program must not open the device meanwhile";
    EXPECT_EQ(calls.security, nullptr);
    EXPECT_EQ(calls.disposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(calls.flags, 0u) << "no overlapped I/O";
    EXPECT_EQ(calls.templateFile, nullptr);
}

TEST_F(SerialPortCalls, CloseClosesOnceEvenWhenRepeated) {
    SerialPort port;
    ASSERT_TRUE(port.Open(LinePath));
    port.Close();
    EXPECT_EQ(calls.closeHandle, 1);
    EXPECT_EQ(calls.closed, calls.opened);
    port.Close();
    EXPECT_EQ(calls.closeHandle, 1);
}

TEST_F(SerialPortCalls, DestroyingAnOpenPortClosesIt) {
    auto* port = new SerialPort;
    ASSERT_TRUE(port->Open(LinePath));
    port->Dispose();
    EXPECT_EQ(calls.closeHandle, 1);
    EXPECT_EQ(calls.closed, calls.opened);
}

TEST_F(SerialPortCalls, NothingReachesTheSystemWithoutADevice) {
    SerialPort port;
    EXPECT_FALSE(port.Open(MissingPath));
    BYTE buffer[8] = {1, 2, 3};
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(port.Write(buffer, sizeof buffer), 0u);
    port.SetLine(ModbusLine::ControlFlags, 19200, 8, EVENPARITY, ONESTOPBIT);
    port.SetTimeouts(ModbusLine::Timeouts(19200));
    port.Purge(PurgeBoth);
    port.Close();
    EXPECT_EQ(calls.createFile, 1);
    EXPECT_EQ(calls.AfterOpen(), 0);

    SerialPort neverOpened;
    EXPECT_EQ(neverOpened.Read(buffer, sizeof buffer), 0u);
    neverOpened.Close();
    EXPECT_EQ(calls.AfterOpen(), 0);
}

// The Modbus line set-up overwrites exactly five DCB fields, whatever the
// driver reported before, and keeps the rest.
class ModbusLineSetUp : public SerialPortCalls, public ::testing::WithParamInterface<BYTE> {
protected:
    void SetUp() override {
        SerialPortCalls::SetUp();
        fakeDevice = true;
        ASSERT_TRUE(port.Open(LinePath));
    }
    SerialPort port;
};

TEST_P(ModbusLineSetUp, TurnsFlowControlAndParityCheckOffKeepsTheRest) {
    const BYTE parity = GetParam();
    ModbusLine::Apply(port, 19200, parity);
    ASSERT_EQ(calls.getCommState, 1);
    ASSERT_EQ(calls.setCommState, 1);
    EXPECT_EQ(calls.getStateLength, sizeof(DCB));
    const DCB& set = calls.setState;
    EXPECT_EQ(set.DCBlength, sizeof(DCB));
    EXPECT_EQ(set.BaudRate, 19200u);
    EXPECT_EQ(FlagWord(set), 1u);
    EXPECT_EQ(set.fBinary, 1u);
    EXPECT_EQ(set.fParity, 0u);
    EXPECT_EQ(set.fOutxCtsFlow, 0u);
    EXPECT_EQ(set.fOutxDsrFlow, 0u);
    EXPECT_EQ(set.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
    EXPECT_EQ(set.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
    EXPECT_EQ(set.fOutX, 0u);
    EXPECT_EQ(set.fInX, 0u);
    EXPECT_EQ(set.ByteSize, 8);
    EXPECT_EQ(set.Parity, parity);
    EXPECT_EQ(set.StopBits, ONESTOPBIT);
    EXPECT_EQ(set.wReserved, driverState.wReserved);
    EXPECT_EQ(set.XonLim, driverState.XonLim);
    EXPECT_EQ(set.XoffLim, driverState.XoffLim);
    EXPECT_EQ(set.XonChar, driverState.XonChar);
    EXPECT_EQ(set.XoffChar, driverState.XoffChar);
    EXPECT_EQ(set.ErrorChar, driverState.ErrorChar);
    EXPECT_EQ(set.EofChar, driverState.EofChar);
    EXPECT_EQ(set.EvtChar, driverState.EvtChar);
    EXPECT_EQ(set.wReserved1, driverState.wReserved1);

    ASSERT_EQ(calls.setCommTimeouts, 1);
    EXPECT_EQ(calls.timeouts.ReadIntervalTimeout, 0u);
    EXPECT_EQ(calls.timeouts.ReadTotalTimeoutMultiplier, 1u);
    EXPECT_EQ(calls.timeouts.ReadTotalTimeoutConstant, 115u);
    EXPECT_EQ(calls.timeouts.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(calls.timeouts.WriteTotalTimeoutConstant, 100u);
}

INSTANTIATE_TEST_SUITE_P(Parities, ModbusLineSetUp,
                         ::testing::Values(NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY));

TEST_F(ModbusLineSetUp, UnreadableDriverStateLeavesOtherFieldsZero) {
    getStateFails = true;
    ModbusLine::Apply(port, 1200, ODDPARITY);
    DCB expected{};
    expected.DCBlength = sizeof(DCB);
    expected.BaudRate = 1200;
    expected.fBinary = 1;
    expected.ByteSize = 8;
    expected.Parity = ODDPARITY;
    expected.StopBits = ONESTOPBIT;
    EXPECT_EQ(std::memcmp(&calls.setState, &expected, sizeof(DCB)), 0);
}

// The time-outs divide by the rate.
TEST_F(ModbusLineSetUp, RateZeroTouchesNeitherLineNorTimeouts) {
    ModbusLine::Apply(port, 0, EVENPARITY);
    EXPECT_EQ(calls.AfterOpen(), 0);
}

// The real virtual line.
class SerialLine : public ::testing::Test {
protected:
    void SetUp() override {
        calls = Calls{};
        fakeDevice = false;
        serialApi = systemApi;
        serialApi.createFile = RecordCreateFile;
        ASSERT_TRUE(line.Open(LinePath));
        lineHandle = calls.opened;
        ASSERT_TRUE(peer.Open(PeerPath));
        ApplyRate(19200);
    }
    void TearDown() override { serialApi = systemApi; }

    void ApplyRate(DWORD baudRate) {
        ModbusLine::Apply(line, baudRate, EVENPARITY);
        ModbusLine::Apply(peer, baudRate, EVENPARITY);
        line.Purge(PurgeBoth);
        peer.Purge(PurgeBoth);
    }

    // Lets bytes written at one end reach the other end's queue.
    static void LetBytesArrive() { Sleep(50); }

    SerialPort line;
    SerialPort peer;
    HANDLE lineHandle = INVALID_HANDLE_VALUE;
};

// A pty keeps no parity (it reads back as none), so the parity is checked
// through the recording table above; rate, size, stop bits, flow control and
// the time-outs survive the trip to the device.
TEST_F(SerialLine, ModbusLineSetUpReachesTheDevice) {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    ASSERT_TRUE(GetCommState(lineHandle, &dcb));
    dcb.BaudRate = 2400;
    dcb.ByteSize = 7;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    ASSERT_TRUE(SetCommState(lineHandle, &dcb));

    ModbusLine::Apply(line, 9600, EVENPARITY);
    dcb = DCB{};
    dcb.DCBlength = sizeof(DCB);
    ASSERT_TRUE(GetCommState(lineHandle, &dcb));
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(lineHandle, &timeouts));
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 0u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 2u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 131u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 100u);
}

struct SilenceCase {
    DWORD baudRate;
    double expectedMilliseconds; // 5 bytes x multiplier + constant
};

class SilentLine : public SerialLine, public ::testing::WithParamInterface<SilenceCase> {};

// The point is that the time-out formula is applied, not the clock: the
// bounds are wide enough for a loaded machine.
TEST_P(SilentLine, ReadGivesUpAfterTheTimeout) {
    const SilenceCase& c = GetParam();
    ApplyRate(c.baudRate);
    BYTE buffer[5];
    const auto start = std::chrono::steady_clock::now();
    const DWORD count = line.Read(buffer, sizeof buffer);
    const std::chrono::duration<double, std::milli> waited =
        std::chrono::steady_clock::now() - start;
    EXPECT_EQ(count, 0u);
    EXPECT_GE(waited.count(), 0.8 * c.expectedMilliseconds);
    EXPECT_LE(waited.count(), 3.0 * c.expectedMilliseconds);
}

INSTANTIATE_TEST_SUITE_P(Rates, SilentLine,
                         ::testing::Values(SilenceCase{19200, 120}, SilenceCase{1200, 400}));

TEST_F(SerialLine, WrittenBytesReachThePeer) {
    const BYTE sent[] = {0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xF1, 0xC9};
    EXPECT_EQ(line.Write(sent, sizeof sent), sizeof sent);
    BYTE received[sizeof sent] = {};
    EXPECT_EQ(peer.Read(received, sizeof received), sizeof sent);
    EXPECT_EQ(std::memcmp(received, sent, sizeof sent), 0);
}

TEST_F(SerialLine, ReadReturnsWhatArrivedBeforeTheTimeout) {
    const BYTE sent[] = {0x01, 0x84, 0x02};
    ASSERT_EQ(peer.Write(sent, sizeof sent), sizeof sent);
    BYTE received[5] = {};
    EXPECT_EQ(line.Read(received, sizeof received), sizeof sent);
    EXPECT_EQ(std::memcmp(received, sent, sizeof sent), 0);
}

struct PurgeCase {
    bool purge;
    DWORD left;
};

class PurgedLine : public SerialLine, public ::testing::WithParamInterface<PurgeCase> {};

TEST_P(PurgedLine, PurgeDropsBytesWaitingInTheQueue) {
    const BYTE sent[] = {0xAA, 0xBB, 0xCC};
    ASSERT_EQ(peer.Write(sent, sizeof sent), sizeof sent);
    LetBytesArrive();
    if (GetParam().purge) {
        line.Purge(PurgeBoth);
    }
    BYTE received[5];
    EXPECT_EQ(line.Read(received, sizeof received), GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithout, PurgedLine,
                         ::testing::Values(PurgeCase{true, 0}, PurgeCase{false, 3}));

} // namespace
