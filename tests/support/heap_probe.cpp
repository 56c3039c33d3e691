#include "support/heap_probe.h"

#include <algorithm>
#include <cstdlib>

// The real entry points, reached through the linker's --wrap.
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);
void __real_free(void* block);
}

namespace {

// A fixed table, so that recording never allocates itself.
constexpr std::size_t RecordCapacity = 1024;

struct BlockRecord {
    const void* block;
    std::size_t size;
    bool live;
};

struct Recording {
    bool active;
    std::size_t allocations;
    // The first blocks made; the table ends there, the count does not.
    std::size_t count;
    BlockRecord records[RecordCapacity];
};

Recording recording;
bool refusing = false;

BlockRecord* Find(const void* block) {
    auto* end = recording.records + recording.count;
    auto* found = std::find_if(recording.records, end, [block](const BlockRecord& record) {
        return record.block == block && record.live;
    });
    return found == end ? nullptr : found;
}

void Made(const void* block, std::size_t size) {
    if (!recording.active || block == nullptr) {
        return;
    }
    ++recording.allocations;
    if (recording.count < RecordCapacity) {
        recording.records[recording.count++] = {block, size, true};
    }
}

void Released(const void* block) {
    if (BlockRecord* record = recording.active ? Find(block) : nullptr) {
        record->live = false;
    }
}

} // namespace

extern "C" {

void* __wrap_malloc(std::size_t size) {
    if (refusing) {
        return nullptr;
    }
    void* block = __real_malloc(size);
    Made(block, size);
    return block;
}

void* __wrap_calloc(std::size_t count, std::size_t size) {
    if (refusing) {
        return nullptr;
    }
    void* block = __real_calloc(count, size);
    Made(block, count * size);
    return block;
}

void* __wrap_realloc(void* block, std::size_t size) {
    if (refusing) {
        return nullptr;
    }
    void* moved = __real_realloc(block, size);
    if (moved != nullptr) {
        Released(block);
        Made(moved, size);
    }
    return moved;
}

void __wrap_free(void* block) {
    Released(block);
    __real_free(block);
}

} // extern "C"

HeapProbe::HeapProbe() {
    recording.allocations = 0;
    recording.count = 0;
    recording.active = true;
}

HeapProbe::~HeapProbe() {
    recording.active = false;
}

bool HeapProbe::IsLive(const void* block) const {
    return Find(block) != nullptr;
}

std::size_t HeapProbe::SizeOf(const void* block) const {
    const BlockRecord* record = Find(block);
    return record == nullptr ? 0 : record->size;
}

std::size_t HeapProbe::Allocations() const {
    return recording.allocations;
}

void HeapProbe::RefuseEveryAllocation() {
    refusing = true;
}
