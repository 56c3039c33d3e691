#include "device/transducer.h"

#include "device/serial_api.h"
#include "modbus_frames.h"
#include "support/simulated_unit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

// The transducer against the lab's simulated unit on COM7 (unit 1, 19200
// baud, even parity, still readings). What went on the line is checked on the
// unit's side, in its record of the last request.
namespace {

using namespace ModbusFrames;

constexpr const char* UnitPort = "COM7";
constexpr std::uint32_t UnitBaudRate = 19200;
constexpr std::uint8_t UnitAddress = 1;

class TransducerOnUnit : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(unit.Command("reset"));
        transducer = new Transducer;
        ASSERT_TRUE(transducer->Open(UnitPort));
        transducer->Configure(UnitBaudRate, ParityEven, UnitAddress);
    }
    void TearDown() override { transducer->Dispose(); }

    std::string LastRequest() const { return unit.Value("last_request"); }

    SimulatedUnit unit{"unit"};
    Transducer* transducer = nullptr;
};

// One operation: what it must put on the line and what it must make of the
// unit's answer.
struct OperationCase {
    const char* name;
    std::vector<const char*> commands; // to the unit before the operation
    std::function<bool(Transducer&)> run;
    Bytes request; // without the CRC
    std::function<void(const SimulatedUnit&)> unitAfter;
};

Measurements measurements;
Corrections corrections;
BusSettings busSettings;
std::uint16_t firmware;
std::uint32_t serialNumber;

void NoCheck(const SimulatedUnit&) {}
std::function<void(const SimulatedUnit&)> LastWrite(const char* expected) {
    return [expected](const SimulatedUnit& unit) { EXPECT_EQ(unit.Value("last_write"), expected); };
}

const OperationCase operationCases[] = {
    {"ReadFirmwareVersion",
     {"set firmware 0x0112"},
     [](Transducer& t) { return t.ReadFirmwareVersion(firmware) && firmware == 0x0112; },
     {1, 4, 0, 4, 0, 1},
     NoCheck},
    {"ReadSerialNumberHighHalfFirst",
     {"set serial 65538"},
     [](Transducer& t) { return t.ReadSerialNumber(serialNumber) && serialNumber == 65538; },
     {1, 4, 0, 5, 0, 2},
     NoCheck},
    {"ReadSerialNumberAllBits",
     {"set serial 0xFEDCBA98"},
     [](Transducer& t) { return t.ReadSerialNumber(serialNumber) && serialNumber == 0xFEDCBA98; },
     {1, 4, 0, 5, 0, 2},
     NoCheck},
    {"ReadMeasurementsSigned",
     {"set temperature -200", "set humidity 4520", "set formaldehyde -35"},
     [](Transducer& t) {
         return t.ReadMeasurements(measurements) && measurements.temperature == -200 &&
                measurements.humidity == 4520 && measurements.formaldehyde == -35;
     },
     {1, 4, 0, 16, 0, 3},
     NoCheck},
    {"ReadBusSettingsInRegisterOrder",
     {"set baud 6", "set parity 3"},
     [](Transducer& t) {
         return t.ReadBusSettings(busSettings) && busSettings.unitAddress == 1 &&
                busSettings.baudIndex == 6 && busSettings.parityIndex == 3;
     },
     {1, 3, 0x02, 0x00, 0, 3},
     NoCheck},
    {"ReadCorrectionsSigned",
     {"set tcorr -150", "set hcorr 75"},
     [](Transducer& t) {
         return t.ReadCorrections(corrections) && corrections.temperature == -150 &&
                corrections.humidity == 75;
     },
     {1, 3, 0x01, 0x00, 0, 2},
     NoCheck},
    {"WriteUnitAddress247",
     {},
     [](Transducer& t) { return t.WriteUnitAddress(247); },
     {1, 6, 0x02, 0x00, 0x00, 0xF7},
     LastWrite("512 247")},
    {"WriteBaudIndex",
     {},
     [](Transducer& t) { return t.WriteBaudIndex(7); },
     {1, 6, 0x02, 0x01, 0x00, 0x07},
     LastWrite("513 7")},
    {"WriteParityIndex",
     {},
     [](Transducer& t) { return t.WriteParityIndex(0); },
     {1, 6, 0x02, 0x02, 0x00, 0x00},
     LastWrite("514 0")},
    {"WriteTemperatureCorrectionTwosComplement",
     {},
     [](Transducer& t) { return t.WriteTemperatureCorrection(-150); },
     {1, 6, 0x01, 0x00, 0xFF, 0x6A},
     [](const SimulatedUnit& unit) {
         EXPECT_EQ(unit.Value("last_write"), "256 65386");
         EXPECT_EQ(unit.Number("tcorr"), -150);
     }},
    {"WriteHumidityCorrection",
     {},
     [](Transducer& t) { return t.WriteHumidityCorrection(1234); },
     {1, 6, 0x01, 0x01, 0x04, 0xD2},
     [](const SimulatedUnit& unit) { EXPECT_EQ(unit.Number("hcorr"), 1234); }},
};

class TransducerOperation : public TransducerOnUnit,
                            public ::testing::WithParamInterface<OperationCase> {};

TEST_P(TransducerOperation, SendsItsRequestAndDecodesTheAnswer) {
    const OperationCase& c = GetParam();
    for (const char* command : c.commands) {
        ASSERT_TRUE(unit.Command(command)) << command;
    }
    EXPECT_TRUE(c.run(*transducer));
    EXPECT_EQ(LastRequest(), Hex(WithCrc(c.request)));
    c.unitAfter(unit);
}

INSTANTIATE_TEST_SUITE_P(RegisterMap, TransducerOperation, ::testing::ValuesIn(operationCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransducerOnUnit, RestartSendsTheRestartCode) {
    const long restarts = unit.Number("restarts");
    EXPECT_TRUE(transducer->Restart());
    EXPECT_EQ(LastRequest(), "01 06 04 10 55 AA 36 10");
    EXPECT_EQ(unit.Number("restarts"), restarts + 1);
    EXPECT_TRUE(unit.WaitFor("restarting", "0"));
}

struct IdentityCase {
    const char* unitIdentity;
    const char* read; // what ReadIdentity returns
};

class TransducerIdentity : public TransducerOnUnit,
                           public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(TransducerIdentity, ReturnsTheCharactersUpToTheFirstZero) {
    ASSERT_TRUE(unit.Command(std::string("identity ") + GetParam().unitIdentity));
    const char* identity = transducer->ReadIdentity();
    ASSERT_NE(identity, nullptr);
    EXPECT_STREQ(identity, GetParam().read);
    EXPECT_EQ(LastRequest(), "01 04 00 00 00 04 F1 C9");
}

INSTANTIATE_TEST_SUITE_P(Texts, TransducerIdentity,
                         ::testing::Values(IdentityCase{"ZOR", "ZOR"}, IdentityCase{"ZOR1", "ZOR1"},
                                           IdentityCase{"zor", "zor"},
                                           IdentityCase{"ABCDEFGH", "ABCDEFGH"},
                                           IdentityCase{"", ""}));

// Eight letters leave no zero in the first eight characters: the ninth, never
// written, ends the text. A shorter identity read afterwards is cut at its own zero.
TEST_F(TransducerOnUnit, EightLettersThenZorReadsZor) {
    ASSERT_TRUE(unit.Command("identity ABCDEFGH"));
    ASSERT_STREQ(transducer->ReadIdentity(), "ABCDEFGH");
    ASSERT_TRUE(unit.Command("identity ZOR"));
    const char* identity = transducer->ReadIdentity();
    ASSERT_NE(identity, nullptr);
    EXPECT_EQ(std::memcmp(identity, "ZOR\0", 4), 0);
}

TEST_F(TransducerOnUnit, FailedIdentityReadKeepsTheEarlierText) {
    const char* identity = transducer->ReadIdentity();
    ASSERT_STREQ(identity, "ZOR");
    ASSERT_TRUE(unit.Command("identity ZOR1"));
    ASSERT_TRUE(unit.Command("fault silent"));
    EXPECT_EQ(transducer->ReadIdentity(), nullptr);
    EXPECT_STREQ(identity, "ZOR");
    EXPECT_EQ(transducer->LastException(), 0);
}

TEST_F(TransducerOnUnit, RefusedCorrectionReportsTheUnitsCode) {
    ASSERT_TRUE(unit.Command("limit 5000"));
    EXPECT_FALSE(transducer->WriteTemperatureCorrection(5001));
    EXPECT_EQ(transducer->LastException(), 3);
    EXPECT_EQ(unit.Number("tcorr"), 0);
}

// A reply that never comes, comes cut short or comes corrupted is a failed
// link (code 0), and the outputs keep what they held.
class TransducerLinkFault : public TransducerOnUnit,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(TransducerLinkFault, FailsWithCodeZeroAndLeavesOutputs) {
    ASSERT_TRUE(unit.Command("set tcorr 5"));
    transducer->WriteTemperatureCorrection(9999); // leaves exception 3 behind
    ASSERT_EQ(transducer->LastException(), 3);
    ASSERT_TRUE(unit.Command(std::string("fault ") + GetParam()));
    Corrections kept = {11, 22};
    EXPECT_FALSE(transducer->ReadCorrections(kept));
    EXPECT_EQ(transducer->LastException(), 0);
    EXPECT_EQ(kept.temperature, 11);
    EXPECT_EQ(kept.humidity, 22);
}

INSTANTIATE_TEST_SUITE_P(Faults, TransducerLinkFault,
                         ::testing::Values("silent", "badcrc", "short 3", "short 6"));

// Opening: the device path is "\\.\" and the port name; the open device is
// closed first, unless the name cannot make a path at all.
struct Call {
    std::string what;
    std::string path;
};
std::vector<Call> systemCalls;
const SerialApi systemApi = SystemSerialApi();

HANDLE WINAPI RecordCreateFile(LPCSTR path, DWORD access, DWORD shareMode,
                               LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                               HANDLE templateFile) {
    systemCalls.push_back({"open", path});
    return systemApi.createFile(path, access, shareMode, security, disposition, flags,
                                templateFile);
}

BOOL WINAPI RecordCloseHandle(HANDLE handle) {
    systemCalls.push_back({"close", ""});
    return systemApi.closeHandle(handle);
}

class TransducerOpen : public TransducerOnUnit {
protected:
    void SetUp() override {
        TransducerOnUnit::SetUp();
        systemCalls.clear();
        serialApi.createFile = RecordCreateFile;
        serialApi.closeHandle = RecordCloseHandle;
    }
    void TearDown() override {
        TransducerOnUnit::TearDown();
        serialApi = systemApi;
    }
    bool StillOpen() { return transducer->ReadIdentity() != nullptr; }
};

TEST_F(TransducerOpen, ClosesTheOpenDeviceThenOpensThePrefixedName) {
    EXPECT_TRUE(transducer->Open(UnitPort));
    ASSERT_EQ(systemCalls.size(), 2u);
    EXPECT_EQ(systemCalls[0].what, "close");
    EXPECT_EQ(systemCalls[1].what, "open");
    EXPECT_EQ(systemCalls[1].path, std::string(DevicePathPrefix) + UnitPort);
    EXPECT_EQ(systemCalls[1].path, "\\\\.\\COM7");
}

TEST_F(TransducerOpen, NamesThatMakeNoPathLeaveTheDeviceOpen) {
    const std::string twelve = "COM123456789";
    for (const char* name : {static_cast<const char*>(nullptr), "", twelve.c_str()}) {
        SCOPED_TRACE(name == nullptr ? "null" : name);
        EXPECT_FALSE(transducer->Open(name));
        EXPECT_TRUE(systemCalls.empty());
        EXPECT_TRUE(StillOpen());
    }
}

TEST_F(TransducerOpen, MissingPortClosesTheOpenDevice) {
    const std::string eleven = "COM12345678";
    EXPECT_FALSE(transducer->Open(eleven.c_str()));
    ASSERT_EQ(systemCalls.size(), 2u);
    EXPECT_EQ(systemCalls[0].what, "close");
    EXPECT_EQ(systemCalls[1].path, "\\\\.\\" + eleven);
    EXPECT_FALSE(StillOpen());
    EXPECT_EQ(transducer->LastException(), 0);
}

// Before the first Configure every request goes to unit 0, a broadcast, which
// the unit carries out without replying. The line is set up by the test's
// own open, since Configure would also set the address.
HANDLE WINAPI OpenWithModbusLine(LPCSTR path, DWORD access, DWORD shareMode,
                                 LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                 HANDLE templateFile) {
    HANDLE handle =
        systemApi.createFile(path, access, shareMode, security, disposition, flags, templateFile);
    COMMTIMEOUTS timeouts{0, 1, 115, 0, 100};
    SetCommTimeouts(handle, &timeouts);
    return handle;
}

TEST_F(TransducerOnUnit, BeforeConfigureRequestsGoToUnitZero) {
    serialApi.createFile = OpenWithModbusLine;
    auto* fresh = new Transducer;
    const bool opened = fresh->Open(UnitPort);
    serialApi = systemApi;
    ASSERT_TRUE(opened);

    EXPECT_EQ(fresh->ReadIdentity(), nullptr);
    EXPECT_EQ(LastRequest(), Hex(WithCrc({0, 4, 0, 0, 0, 4})));
    EXPECT_FALSE(fresh->WriteTemperatureCorrection(-150));
    EXPECT_EQ(LastRequest(), Hex(WithCrc({0, 6, 0x01, 0x00, 0xFF, 0x6A})));
    EXPECT_EQ(unit.Number("tcorr"), -150);
    fresh->Dispose();
}

} // namespace
