#pragma once

#include "foundation/base_object.h"

// The most items any collection can hold: a hard cap on its capacity.
constexpr int MaxCollectionLimit = 16380;

// Codes handed to Collection::Error.
constexpr int IndexOutOfRange = -1;
constexpr int CollectionOverflow = -2;

// A growable array of untyped item pointers that owns its items. The array
// grows by a fixed step (delta), never by doubling, so a collection's size is
// predictable from how it was made.
class Collection : public BaseObject {
public:
    Collection(int limit, int delta);
    ~Collection() override;

    // Puts item at index, moving the items from index on one place up. Bad
    // indexes and a full collection go to Error; when Error comes back,
    // nothing has changed.
    void InsertAt(int index, void* item);
    virtual void Insert(void* item);
    // The lowest index holding this very pointer, or -1.
    virtual int IndexOf(void* item);
    // Releases one item the collection owns: disposes it as a BaseObject.
    virtual void FreeItem(void* item);
    // Ends the program with run-time error 212 - code unless overridden.
    virtual void Error(int code);

    // Frees every item in index order and empties the collection; the array
    // and its capacity stay.
    void FreeAll();
    // Changes the capacity, never below count nor above MaxCollectionLimit.
    void SetLimit(int newLimit);

    // Calls action(item) for each item in index order. The number of calls
    // is fixed when it starts; the action must not insert or remove items.
    template <typename Action> void ForEach(Action&& action) {
        const int calls = count;
        for (int i = 0; i < calls; ++i) {
            action(items[i]);
        }
    }

    // The item at index; an index outside 0..count-1 goes to Error and gives
    // null when Error comes back.
    void* At(int index);

    int Count() const { return count; }
    int Limit() const { return limit; }
    int Delta() const { return delta; }

protected:
    // Frees the items while the whole object, with its own FreeItem, still
    // exists: the destructor of this type alone would only reach ours.
    void BeforeDispose() override;

    void** items = nullptr;
    int count = 0;
    int limit = 0;
    int delta = 0;
};
