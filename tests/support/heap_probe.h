#pragma once

#include <cstddef>

// Watches the C runtime's allocator underneath the program's own allocation
// functions. Every test program is linked with the allocator's entry points
// (malloc, calloc, realloc, free) wrapped, so a test sees the blocks the
// program takes and gives back, and can make every allocation fail, without
// asking the C runtime how it keeps its heap.
class HeapProbe {
public:
    // Records the blocks allocated from now until the probe ends; one probe
    // at a time.
    HeapProbe();
    ~HeapProbe();
    HeapProbe(const HeapProbe&) = delete;
    HeapProbe& operator=(const HeapProbe&) = delete;

    // Whether the block starts a block allocated while the probe records and
    // not released since.
    bool IsLive(const void* block) const;
    // The size requested for that block, 0 if the probe did not see it made.
    std::size_t SizeOf(const void* block) const;
    // The blocks allocated while the probe records.
    std::size_t Allocations() const;

    // Every allocation of the process fails from now on, as on an exhausted
    // heap; for child processes, which end on it.
    static void RefuseEveryAllocation();
};
