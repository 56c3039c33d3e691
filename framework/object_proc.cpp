#include "framework/object_proc.h"

#include "foundation/run_time_error.h"
#include "framework/window_object.h"

#include <cstring>

namespace {

template <typename Word> void Put(std::uint8_t* at, Word value) {
    std::memcpy(at, &value, sizeof value);
}

template <typename Word> Word Get(const std::uint8_t* at) {
    Word value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Displacements count from the end of the instruction that holds them.
std::int32_t Rel32(std::uint64_t instructionEnd, std::uint64_t target) {
    return static_cast<std::int32_t>(target - instructionEnd);
}

// Writes entry calls to the page's pop in address order, pushing each entry
// on the free list (its cell takes the old head) right after it is written.
template <typename Address, std::size_t HeaderSize, std::size_t EntrySize, std::size_t Count>
Address WriteEntries(std::uint8_t* buffer, Address pageAddress, std::size_t popOffset,
                     Address freeHead) {
    for (std::size_t k = 0; k < Count; ++k) {
        std::size_t offset = HeaderSize + k * EntrySize;
        Address entry = pageAddress + static_cast<Address>(offset);
        buffer[offset] = EntryCallOpcode;
        Put(buffer + offset + 1, Rel32(entry + EntryCallSize, pageAddress + popOffset));
        Put(buffer + offset + EntryCallSize, freeHead);
        freeHead = entry;
    }
    return freeHead;
}

} // namespace

std::uint32_t ObjectProcPage32::WritePage(std::uint8_t* buffer, std::uint32_t pageAddress,
                                          std::uint32_t previousPage, std::uint32_t commonEntry,
                                          std::uint32_t freeHead) {
    Put(buffer + PreviousPageOffset, previousPage);
    buffer[PopOffset] = PopEcx;
    buffer[JumpOffset] = JumpRel32;
    constexpr std::size_t JumpSize = 5;
    Put(buffer + JumpOffset + 1, Rel32(pageAddress + JumpOffset + JumpSize, commonEntry));
    return WriteEntries<std::uint32_t, HeaderSize, EntrySize, EntryCount>(buffer, pageAddress,
                                                                          PopOffset, freeHead);
}

std::uint64_t ObjectProcPage64::WritePage(std::uint8_t* buffer, std::uint64_t pageAddress,
                                          std::uint64_t previousPage, std::uint64_t stub,
                                          std::uint64_t freeHead) {
    Put(buffer + PreviousPageOffset, previousPage);
    std::memcpy(buffer + PopOffset, PopR10, sizeof PopR10);
    std::memcpy(buffer + JumpOffset, JumpRipIndirect, sizeof JumpRipIndirect);
    Put(buffer + StubAddressOffset, stub);
    return WriteEntries<std::uint64_t, HeaderSize, EntrySize, EntryCount>(buffer, pageAddress,
                                                                          PopOffset, freeHead);
}

#if defined(_WIN64)
// The page jumps here with the entry's cell in r10 and the window procedure's
// four arguments in rcx, rdx, r8, r9. The stub shifts them up by one, puts
// lParam in the fifth argument's stack slot and calls ObjectProcEntry with
// 32 bytes of shadow space on a 16-byte aligned stack. The entry's call and
// the page's pop cancel out, so the stub starts as any function does, with
// the window system's return address taking the stack 8 bytes off a 16-byte
// boundary: 40 = 32 shadow + 8 for the fifth argument brings it back on.
extern "C" void ObjectProcStub();
asm(R"(
    .text
    .globl ObjectProcStub
    .def ObjectProcStub; .scl 2; .type 32; .endef
    .seh_proc ObjectProcStub
ObjectProcStub:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    movq %r9, 32(%rsp)
    movq %r8, %r9
    movq %rdx, %r8
    movq %rcx, %rdx
    movq %r10, %rcx
    call ObjectProcEntry
    addq $40, %rsp
    ret
    .seh_endproc
)");
#endif

namespace {

std::uintptr_t freeEntryList;
std::uintptr_t pageChain;

std::uintptr_t WriteRealPage(std::uint8_t* page) {
    auto address = reinterpret_cast<std::uintptr_t>(page);
#if defined(_WIN64)
    return ObjectProcPage64::WritePage(
        page, address, pageChain, reinterpret_cast<std::uintptr_t>(&ObjectProcStub), freeEntryList);
#else
    return ObjectProcPage32::WritePage(page, address, pageChain,
                                       reinterpret_cast<std::uintptr_t>(&ObjectProcEntry),
                                       freeEntryList);
#endif
}

// Pages are never given back; without one no window object can exist.
void AddPage() {
    void* page = VirtualAlloc(nullptr, ObjectProcPageSize, MEM_COMMIT, PAGE_EXECUTE_READWRITE);
    if (page == nullptr) {
        RunError(RunTimeError::HeapExhausted);
    }
    freeEntryList = WriteRealPage(static_cast<std::uint8_t*>(page));
    pageChain = reinterpret_cast<std::uintptr_t>(page);
    FlushInstructionCache(GetCurrentProcess(), page, ObjectProcPageSize);
}

std::uint8_t* CellOf(std::uintptr_t entry) {
    return reinterpret_cast<std::uint8_t*>(entry + EntryCallSize);
}

} // namespace

WNDPROC AllocateObjectProc(void* object) {
    if (freeEntryList == 0) {
        AddPage();
    }
    std::uintptr_t entry = freeEntryList;
    freeEntryList = Get<std::uintptr_t>(CellOf(entry));
    Put(CellOf(entry), reinterpret_cast<std::uintptr_t>(object));
    return reinterpret_cast<WNDPROC>(entry);
}

void ReleaseObjectProc(WNDPROC entry) {
    if (entry == nullptr) {
        return;
    }
    auto address = reinterpret_cast<std::uintptr_t>(entry);
    Put(CellOf(address), freeEntryList);
    freeEntryList = address;
}

const void* ObjectProcPageChain() {
    return reinterpret_cast<const void*>(pageChain);
}

namespace {

// The result comes from the record, never from the object: a handler may
// have disposed the object (a close on WM_CLOSE).
LRESULT Deliver(void** cell, HWND handle, UINT number, WPARAM wParam, LPARAM lParam) {
    Message msg{handle, number, wParam, lParam, 1};
    WindowObject* object = Get<WindowObject*>(reinterpret_cast<const std::uint8_t*>(cell));
    if (number == objectPtrMessage) {
        msg.result = reinterpret_cast<LRESULT>(object);
        return msg.result;
    }
    // The window is gone after this message: the object forgets it, so that
    // its own destruction does not destroy a dead (or reused) handle.
    if (number == WM_NCDESTROY && object->handle == handle) {
        object->handle = nullptr;
    }
    object->Dispatch(msg);
    return msg.result;
}

} // namespace

#if defined(_WIN64)
extern "C" LRESULT ObjectProcEntry(void** cell, HWND handle, UINT number, WPARAM wParam,
                                   LPARAM lParam) {
    return Deliver(cell, handle, number, wParam, lParam);
}
#else
LRESULT __attribute__((fastcall))
ObjectProcEntry(void** cell, void*, HWND handle, UINT number, WPARAM wParam, LPARAM lParam) {
    return Deliver(cell, handle, number, wParam, lParam);
}
#endif
