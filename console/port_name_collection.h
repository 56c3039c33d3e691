#pragma once

#include "foundation/string_collection.h"

#include <windows.h>

// Where the system publishes the names of the machine's serial ports: one
// value per port under HKEY_LOCAL_MACHINE, whose data is the port's name.
inline constexpr const char* SerialCommKeyPath = "hardware\\devicemap\\serialcomm";

// The most characters of a port name that the program lists and connects
// with: the registry's data are read into a buffer of this many and a zero,
// and the main window takes the chosen name with this limit. (The device link
// would open names of up to 11 characters.)
constexpr int PortNameMostCharacters = 7;

// The serial port names of the machine, read once from the registry, in a
// natural order: shorter names first (COM2 before COM10), names of equal length
// by their bytes. A name is held once however many values carry it.
class PortNameCollection : public StringCollection {
public:
    PortNameCollection();

    // Reads every port name the system publishes and inserts it.
    void Fill();
    // Fill from another key: the same reading for a key the caller names.
    void FillFrom(HKEY root, const char* path);

    // Shorter first (the difference of the lengths), then byte-wise.
    int Compare(void* key1, void* key2) override;

private:
    // Inserts the port name of value `index` of the open key, when the value
    // carries one that fits.
    void InsertValue(HKEY key, DWORD index);
};
