#pragma once

#include "foundation/sorted_collection.h"

// A heap copy of text in the form a StringCollection owns and releases; null
// for null text.
char* NewStr(const char* text);

// A sorted collection of zero-terminated 8-bit strings, each a heap copy made
// by NewStr that the collection owns. Never holds null.
class StringCollection : public SortedCollection {
public:
    StringCollection(int limit, int delta) : SortedCollection(limit, delta) {}
    // Releases the strings with our FreeItem also when the collection is not
    // disposed (a member or a local), where only the base destructor would run.
    ~StringCollection() override { FreeAll(); }

    // Byte-wise on unsigned bytes, terminating zero included: the difference
    // of the first pair that differs, 0 for equal strings.
    int Compare(void* key1, void* key2) override;
    void FreeItem(void* item) override;

    const char* StringAt(int index) { return static_cast<const char*>(At(index)); }
};
