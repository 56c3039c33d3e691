#include "console/port_name_collection.h"

#include <cstring>

namespace {

constexpr int InitialLimit = 10;
constexpr int GrowthDelta = 5;

// Per value: a name buffer of 64 characters and a data buffer that holds a
// port name of PortNameMostCharacters characters with its terminating zero.
constexpr DWORD ValueNameCapacity = 64;
constexpr DWORD PortDataCapacity = PortNameMostCharacters + 1;

// The number of values of an open key; false when it cannot be read.
bool ValueCount(HKEY key, DWORD& count) {
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

} // namespace

PortNameCollection::PortNameCollection() : StringCollection(InitialLimit, GrowthDelta) {
    Fill();
}

void PortNameCollection::Fill() {
    FillFrom(HKEY_LOCAL_MACHINE, SerialCommKeyPath);
}

void PortNameCollection::FillFrom(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS) {
        return;
    }
    DWORD count = 0;
    if (ValueCount(key, count)) {
        for (DWORD index = 0; index < count; ++index) {
            InsertValue(key, index);
        }
    }
    RegCloseKey(key);
}

// A value that cannot be read whole is left out: when the data do not fit
// (ERROR_MORE_DATA) the buffer holds at best the start of a longer name, and
// listing that would open a different port. Empty data name no port.
void PortNameCollection::InsertValue(HKEY key, DWORD index) {
    char name[ValueNameCapacity];
    BYTE data[PortDataCapacity] = {};
    DWORD nameCapacity = ValueNameCapacity;
    DWORD dataSize = PortDataCapacity;
    if (RegEnumValueA(key, index, name, &nameCapacity, nullptr, nullptr, data, &dataSize) !=
        ERROR_SUCCESS) {
        return;
    }
    // Data stored without a terminating zero end where their size says; data
    // that fill the whole buffer without one are a name too long to hold.
    const auto* text = reinterpret_cast<const char*>(data);
    const std::size_t length = strnlen(text, dataSize);
    if (length == 0 || length >= PortDataCapacity) {
        return;
    }
    data[length] = 0;
    char* copy = NewStr(text);
    const int before = count;
    Insert(copy);
    if (count == before) {
        FreeItem(copy); // an equal name is already held; the refused copy stays ours
    }
}

int PortNameCollection::Compare(void* key1, void* key2) {
    const std::size_t length1 = std::strlen(static_cast<const char*>(key1));
    const std::size_t length2 = std::strlen(static_cast<const char*>(key2));
    if (length1 != length2) {
        return static_cast<int>(length1) - static_cast<int>(length2);
    }
    return StringCollection::Compare(key1, key2);
}
