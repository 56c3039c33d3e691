#include "foundation/sorted_collection.h"

#include "foundation/run_time_error.h"

bool SortedCollection::Search(void* key, int& index) {
    bool found = false;
    int lo = 0;
    int hi = count - 1;
    while (hi >= lo) {
        const int mid = (lo + hi) / 2;
        const int order = Compare(KeyOf(items[mid]), key);
        if (order < 0) {
            lo = mid + 1;
            continue;
        }
        hi = mid - 1;
        if (order == 0) {
            found = true;
            if (!duplicates) {
                lo = mid; // below hi now, so the search ends on this item
            }
        }
    }
    index = lo;
    return found;
}

int SortedCollection::IndexOf(void* item) {
    int index = 0;
    if (!Search(KeyOf(item), index)) {
        return -1;
    }
    if (duplicates) {
        while (index < count && items[index] != item) {
            ++index;
        }
    }
    return index < count ? index : -1;
}

void SortedCollection::Insert(void* item) {
    int index = 0;
    if (!Search(KeyOf(item), index) || duplicates) {
        InsertAt(index, item);
    }
}

void* SortedCollection::KeyOf(void* item) {
    return item;
}

int SortedCollection::Compare(void*, void*) {
    AbstractCall();
}
