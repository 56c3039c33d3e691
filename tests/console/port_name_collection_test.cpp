#include "serial_comm_key.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Names(PortNameCollection& ports) {
    std::vector<std::string> names;
    for (int i = 0; i < ports.Count(); ++i) {
        names.emplace_back(ports.StringAt(i));
    }
    return names;
}

struct PortListCase {
    const char* what;
    std::vector<StoredValue> values; // in the order the key enumerates them
    std::vector<std::string> listed;
};

class PortListFromRegistry : public SerialCommKey,
                             public testing::WithParamInterface<PortListCase> {};

// The prefix keeps a key's values ordered by name, so the value names below
// fix the enumeration order.
const PortListCase portListCases[] = {
    {"natural order",
     {Text("\\Device\\Serial0", "COM10"), Text("\\Device\\Serial1", "COM3"),
      Text("\\Device\\Serial2", "COM1"), Text("\\Device\\Serial3", "COM2")},
     {"COM1", "COM2", "COM3", "COM10"}},
    {"a duplicate is listed once",
     {Text("A", "COM3"), Text("B", "COM1"), Text("C", "COM3")},
     {"COM1", "COM3"}},
    {"equal lengths by bytes",
     {Text("A", "COM9"), Text("B", "COM3"), Text("C", "CNC0")},
     {"CNC0", "COM3", "COM9"}},
    {"upper case before lower case", {Text("A", "com1"), Text("B", "COM1")}, {"COM1", "com1"}},
    {"no values", {}, {}},
    {"empty data add nothing", {Text("A", ""), Text("B", "COM4"), Raw("C", REG_SZ, "")}, {"COM4"}},
    {"seven characters fit, eight do not",
     {Text("A", "COM1234"), Text("B", "COM12345"), Text("C", "COM2")},
     {"COM2", "COM1234"}},
    {"a longer name is left out, not listed by its start",
     {Text("A", "\\\\.\\pipe\\COM1"), Text("B", "COM5")},
     {"COM5"}},
    {"data without a terminating zero end at their size",
     {Raw("A", REG_SZ, "COM4"), Raw("B", REG_BINARY, "COM6\0\0\0"), Text("C", "COM1")},
     {"COM1", "COM4", "COM6"}},
    {"eight bytes without a zero are too long",
     {Raw("A", REG_BINARY, "COM12345"), Text("B", "COM1")},
     {"COM1"}},
    {"a value name too long for its buffer is left out",
     {Text(std::string(70, 'N'), "COM3"), Text("B", "COM2")},
     {"COM2"}},
    {"a name of 63 characters still fits", {Text(std::string(63, 'N'), "COM3")}, {"COM3"}},
};

TEST_P(PortListFromRegistry, ListsTheNamesInNaturalOrder) {
    const PortListCase& c = GetParam();
    Write(c.values);
    PortNameCollection ports;
    EXPECT_EQ(Names(ports), c.listed);
}

INSTANTIATE_TEST_SUITE_P(Values, PortListFromRegistry, testing::ValuesIn(portListCases),
                         [](const testing::TestParamInfo<PortListCase>& info) {
                             std::string name;
                             for (char ch : std::string(info.param.what)) {
                                 name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             }
                             return name;
                         });

TEST_F(SerialCommKey, NoKeyGivesAnEmptyList) {
    Write({Text("A", "COM1")});
    Remove();
    PortNameCollection ports;
    EXPECT_EQ(ports.Count(), 0);
}

TEST_F(SerialCommKey, TheListIsReadOnceAtConstruction) {
    Write({Text("A", "COM2")});
    PortNameCollection ports;
    Write({Text("B", "COM1")});
    EXPECT_EQ(Names(ports), std::vector<std::string>{"COM2"});
}

TEST_F(SerialCommKey, GrowsInStepsOfFive) {
    std::vector<StoredValue> values;
    for (int n = 1; n <= 11; ++n) {
        values.push_back(Text("V" + std::to_string(n + 10), "COM" + std::to_string(n)));
    }
    Write(values);
    PortNameCollection ports;
    EXPECT_EQ(ports.Count(), 11);
    EXPECT_EQ(ports.Limit(), 15);
    EXPECT_EQ(ports.Delta(), 5);
    EXPECT_STREQ(ports.StringAt(0), "COM1");
    EXPECT_STREQ(ports.StringAt(10), "COM11");
}

TEST(PortNameCollection, AnotherKeyCanBeRead) {
    HKEY key = nullptr;
    const char* path = "Software\\ZOR config tests\\ports";
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS);
    const char data[] = "COM9";
    RegSetValueExA(key, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data);
    RegCloseKey(key);

    PortNameCollection ports;
    ports.FreeAll();
    ports.FillFrom(HKEY_CURRENT_USER, path);
    EXPECT_EQ(Names(ports), std::vector<std::string>{"COM9"});
    ports.FreeAll();
    ports.FillFrom(HKEY_CURRENT_USER, "Software\\ZOR config tests\\no such key");
    EXPECT_EQ(ports.Count(), 0);
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\ZOR config tests");
}

TEST(PortNameCompare, ShorterFirstThenBytes) {
    PortNameCollection ports;
    char com2[] = "COM2", com10[] = "COM10", cnc0[] = "CNC0", empty[] = "";
    EXPECT_EQ(ports.Compare(com2, com10), -1);
    EXPECT_EQ(ports.Compare(com10, com2), 1);
    EXPECT_LT(ports.Compare(cnc0, com2), 0);
    EXPECT_EQ(ports.Compare(com2, com2), 0);
    EXPECT_EQ(ports.Compare(empty, com2), -4);
}

} // namespace
