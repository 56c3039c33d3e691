#include "foundation/collection.h"

#include "foundation/run_time_error.h"

#include <cstring>

namespace {

// Error codes are negative, so the run-time error numbers follow on from 212.
constexpr int CollectionErrorBase = 212;

} // namespace

Collection::Collection(int limit, int delta) : delta(delta) {
    SetLimit(limit);
}

Collection::~Collection() {
    FreeAll();
    SetLimit(0);
}

void Collection::BeforeDispose() {
    FreeAll();
    BaseObject::BeforeDispose();
}

void Collection::InsertAt(int index, void* item) {
    if (index < 0 || index > count) {
        Error(IndexOutOfRange);
        return;
    }
    if (count == limit) {
        SetLimit(limit + delta);
    }
    if (count == limit) {
        Error(CollectionOverflow);
        return;
    }
    if (index < count) {
        std::memmove(&items[index + 1], &items[index],
                     static_cast<std::size_t>(count - index) * sizeof(void*));
    }
    items[index] = item;
    ++count;
}

void Collection::Insert(void* item) {
    InsertAt(count, item);
}

int Collection::IndexOf(void* item) {
    for (int i = 0; i < count; ++i) {
        if (items[i] == item) {
            return i;
        }
    }
    return -1;
}

void Collection::FreeItem(void* item) {
    if (item != nullptr) {
        static_cast<BaseObject*>(item)->Dispose();
    }
}

void Collection::Error(int code) {
    RunError(CollectionErrorBase - code);
}

void Collection::FreeAll() {
    for (int i = 0; i < count; ++i) {
        FreeItem(items[i]);
    }
    count = 0;
}

void Collection::SetLimit(int newLimit) {
    if (newLimit < count) {
        newLimit = count;
    }
    if (newLimit > MaxCollectionLimit) {
        newLimit = MaxCollectionLimit;
    }
    if (newLimit == limit) {
        return;
    }
    void** newItems = nullptr;
    if (newLimit != 0) {
        newItems = new void*[static_cast<std::size_t>(newLimit)];
        if (count != 0) {
            std::memcpy(newItems, items, static_cast<std::size_t>(count) * sizeof(void*));
        }
    }
    if (limit != 0) {
        delete[] items;
    }
    items = newItems;
    limit = newLimit;
}

void* Collection::At(int index) {
    if (index < 0 || index >= count) {
        Error(IndexOutOfRange);
        return nullptr;
    }
    return items[index];
}
