#pragma once

#include "foundation/collection.h"

// A collection kept in the order of a key comparison, searched by binary
// search. Derived types supply Compare and, when the key is not the item
// itself, KeyOf.
class SortedCollection : public Collection {
public:
    SortedCollection(int limit, int delta) : Collection(limit, delta) {}

    // Binary search for key. Gives true when an item with an equal key is
    // held; index is then that item's position (the first of a run of equal
    // keys when duplicates are allowed), otherwise the position where key
    // belongs.
    bool Search(void* key, int& index);
    // The position of the item's key; with duplicates, of this very pointer
    // among the equal keys. -1 when absent.
    int IndexOf(void* item) override;
    // Inserts at the key's place. Without duplicates an item whose key is
    // already held is refused silently and stays with the caller.
    void Insert(void* item) override;

    virtual void* KeyOf(void* item);
    // Negative, zero or positive as key1 sorts before, with or after key2.
    // A type that keeps items sorted must supply it: this one stops with
    // run-time error 211.
    virtual int Compare(void* key1, void* key2);

    // Whether equal keys may be held. Off unless the owner turns it on.
    bool duplicates = false;
};
