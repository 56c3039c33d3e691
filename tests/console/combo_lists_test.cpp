#include "console_window_test.h"
#include "serial_comm_key.h"

#include "console/address_combo_box.h"
#include "console/baud_rate_combo_box.h"
#include "console/parity_combo_box.h"
#include "console/port_combo_box.h"
#include "console/port_name_collection.h"

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Addresses() {
    std::vector<std::string> entries;
    for (int n = 1; n <= 247; ++n) {
        entries.push_back(std::to_string(n));
    }
    return entries;
}

struct ListCase {
    const char* name;
    std::function<ComboBox*(WindowObject* parent)> make;
    std::vector<std::string> entries;
};

// Made as the main window makes them: coordinates, a drop-down list carrying
// CBS_SORT, so that only appending keeps the value order.
const ListCase listCases[] = {
    {"Address",
     [](WindowObject* parent) {
         return new AddressComboBox(parent, 10, 10, 80, 200, 110, 0, false);
     },
     Addresses()},
    {"BaudRate",
     [](WindowObject* parent) {
         return new BaudRateComboBox(parent, 10, 10, 80, 200, 111, 0, false);
     },
     {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}},
    {"Parity",
     [](WindowObject* parent) {
         return new ParityComboBox(parent, 10, 10, 80, 200, 112, 0, false);
     },
     {"None", "Odd", "Even", "Mark"}},
};

class ComboList : public ConsoleWindowTest, public testing::WithParamInterface<ListCase> {};

TEST_P(ComboList, ListsItsValuesInValueOrderDespiteTheSortStyle) {
    ComboBox* list = Made(GetParam().make(main));
    ASSERT_TRUE(StyleOf(list->handle) & CBS_SORT);
    EXPECT_EQ(ComboEntries(list->handle), GetParam().entries);
    EXPECT_EQ(list->GetSelIndex(), -1);
}

TEST_P(ComboList, APositionSelectsItsValue) {
    ComboBox* list = Made(GetParam().make(main));
    const int last = static_cast<int>(GetParam().entries.size()) - 1;
    list->SetSelIndex(last);
    char text[16] = {};
    list->GetSelString(text, 15);
    EXPECT_EQ(text, GetParam().entries.back());
}

INSTANTIATE_TEST_SUITE_P(Lists, ComboList, testing::ValuesIn(listCases),
                         [](const testing::TestParamInfo<ListCase>& info) {
                             return std::string(info.param.name);
                         });

// The port list against the prefix's registry, which the fixture restores.
class PortList : public SerialCommKey {
protected:
    void SetUp() override {
        SerialCommKey::SetUp();
        application = new ConsoleTestApplication;
        main = new Window(nullptr, "port list test");
        ASSERT_TRUE(main->Create());
    }
    void TearDown() override {
        main->Dispose();
        DrainQueue();
        application->Dispose();
        SerialCommKey::TearDown();
    }
    PortComboBox* MakePortList() { return new PortComboBox(main, 10, 10, 100, 200, 101); }

    ConsoleTestApplication* application = nullptr;
    Window* main = nullptr;
};

TEST_F(PortList, ShowsThePortsInNaturalOrderAlthoughTheListSorts) {
    Write({Text("\\Device\\Serial0", "COM10"), Text("\\Device\\Serial1", "COM3"),
           Text("\\Device\\Serial2", "COM1"), Text("\\Device\\Serial3", "COM2"),
           Text("\\Device\\Serial4", "COM3")});
    PortComboBox* ports = MakePortList();
    ASSERT_TRUE(ports->Create());
    EXPECT_TRUE(StyleOf(ports->handle) & CBS_SORT);
    constexpr DWORD ComboKind = CBS_SIMPLE | CBS_DROPDOWN | CBS_DROPDOWNLIST;
    EXPECT_EQ(StyleOf(ports->handle) & ComboKind, DWORD{CBS_DROPDOWNLIST}) << "not editable";
    EXPECT_EQ(ports->textLength, 0);
    EXPECT_EQ(GetDlgCtrlID(ports->handle), 101);
    EXPECT_EQ(ComboEntries(ports->handle),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM10"}));
    ports->SetSelIndex(3);
    char name[8] = {};
    EXPECT_EQ(ports->GetSelString(name, 7), 5);
    EXPECT_STREQ(name, "COM10");
}

TEST_F(PortList, ReadsTheRegistryWhenConstructedNotWhenCreated) {
    Write({Text("A", "COM4")});
    PortComboBox* ports = MakePortList();
    ASSERT_EQ(ports->portNames->Count(), 1) << "read before any window exists";
    Clear();
    Write({Text("B", "COM5"), Text("C", "COM6")});
    ASSERT_TRUE(ports->Create());
    EXPECT_EQ(ComboEntries(ports->handle), std::vector<std::string>{"COM4"});
}

TEST_F(PortList, NoKeyGivesAnEmptyListWithNoSelection) {
    Remove();
    PortComboBox* ports = MakePortList();
    ASSERT_TRUE(ports->Create());
    EXPECT_TRUE(ComboEntries(ports->handle).empty());
    char name[8] = "keep";
    EXPECT_EQ(ports->GetSelString(name, 7), -1);
    EXPECT_STREQ(name, "keep");
}

TEST_F(PortList, NoValuesGiveAnEmptyList) {
    PortComboBox* ports = MakePortList();
    ASSERT_TRUE(ports->Create());
    EXPECT_TRUE(ComboEntries(ports->handle).empty());
}

// The collection goes with the combo box: its strings are released through
// the collection's own FreeItem, which this derived collection observes.
TEST_F(PortList, DisposingTheComboBoxDisposesItsCollection) {
    struct WatchedNames : PortNameCollection {
        explicit WatchedNames(int* freed) : freed(freed) {}
        void FreeItem(void* item) override {
            ++*freed;
            PortNameCollection::FreeItem(item);
        }
        int* freed;
    };
    Write({Text("A", "COM1"), Text("B", "COM2")});
    int freed = 0;
    PortComboBox* ports = MakePortList();
    ports->portNames->Dispose();
    ports->portNames = new WatchedNames(&freed);
    ASSERT_TRUE(ports->Create());
    ports->Dispose();
    EXPECT_EQ(freed, 2);
}

} // namespace
