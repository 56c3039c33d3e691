#pragma once

#include <cstddef>

// Root of every object type of the system. Objects are created zero-filled on
// the heap and destroyed by their owner with Dispose, which runs the most
// derived destructor and releases the storage.
class BaseObject {
public:
    BaseObject() = default;
    BaseObject(const BaseObject&) = delete;
    BaseObject& operator=(const BaseObject&) = delete;
    virtual ~BaseObject() = default;

    // Destroys the object through its virtual destructor and releases it.
    void Dispose();

    // Every object starts with all fields zero, whatever its constructor sets.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t, void* place) noexcept { return place; }
    static void operator delete(void* storage) noexcept;

protected:
    // Runs on the complete object right before its destructors, so that work
    // which must still see the object's full behaviour (a window answering the
    // messages of its own destruction) happens while the object is whole.
    virtual void BeforeDispose() {}
};
