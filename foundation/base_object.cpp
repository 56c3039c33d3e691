#include "foundation/base_object.h"

#include "foundation/run_time_error.h"

#include <cstdlib>
#include <new>

void BaseObject::Dispose() {
    BeforeDispose();
    delete this;
}

void* BaseObject::operator new(std::size_t size) {
    void* storage = std::calloc(1, size);
    if (storage == nullptr) {
        RunError(RunTimeError::HeapExhausted);
    }
    return storage;
}

void BaseObject::operator delete(void* storage) noexcept { std::free(storage); }

// Every allocation of the system ends the program with run-time error 203
// when the heap cannot supply it.
void* operator new(std::size_t size) {
    void* storage = std::malloc(size == 0 ? 1 : size);
    if (storage == nullptr) {
        RunError(RunTimeError::HeapExhausted);
    }
    return storage;
}

void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* storage) noexcept { std::free(storage); }
void operator delete[](void* storage) noexcept { std::free(storage); }
void operator delete(void* storage, std::size_t) noexcept { std::free(storage); }
void operator delete[](void* storage, std::size_t) noexcept { std::free(storage); }
