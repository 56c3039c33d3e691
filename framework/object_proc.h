#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Per-object window procedures. Each entry is a small piece of generated code
// with a cell that holds its object; the window system calls the entry like
// any window procedure and the common entry reads the cell to find the object.
// Entries live in executable pages that are never given back; a free list
// runs through the cells of unused entries.

// Takes an entry from the free list and fills its cell with the object.
WNDPROC AllocateObjectProc(void* object);
// Puts the entry back; it is the next one handed out. Null does nothing.
void ReleaseObjectProc(WNDPROC entry);
// The most recently obtained page, or null.
const void* ObjectProcPageChain();

#if defined(_WIN64)
// Reached through the page's stub with the entry's cell in front of the
// window procedure's four arguments.
extern "C" LRESULT ObjectProcEntry(void** cell, HWND handle, UINT number, WPARAM wParam,
                                   LPARAM lParam);
#else
// fastcall takes the cell in ECX and ignores EDX; the remaining four arguments
// are on the stack with callee cleanup, which is exactly the stack that the
// window system built for a stdcall window procedure before it called the
// entry (the entry's call and the page's pop leave it untouched).
LRESULT __attribute__((fastcall)) ObjectProcEntry(void** cell, void* unusedEdx, HWND handle,
                                                  UINT number, WPARAM wParam, LPARAM lParam);
#endif

constexpr std::size_t ObjectProcPageSize = 4096;
constexpr std::size_t EntryCallSize = 5; // call rel32; the cell follows it
constexpr std::uint8_t EntryCallOpcode = 0xE8;

// Page of the 32-bit build: previous page (4), pop ecx (1), jmp rel32 to the
// common entry (5), then entries of call rel32 to the pop (5) + cell (4).
namespace ObjectProcPage32 {
constexpr std::size_t PreviousPageOffset = 0;
constexpr std::size_t PopOffset = 4;
constexpr std::size_t JumpOffset = 5;
constexpr std::size_t HeaderSize = 10;
constexpr std::size_t CellSize = 4;
constexpr std::size_t EntrySize = EntryCallSize + CellSize;
constexpr std::size_t EntryCount = (ObjectProcPageSize - HeaderSize) / EntrySize;
constexpr std::uint8_t PopEcx = 0x59;
constexpr std::uint8_t JumpRel32 = 0xE9;
constexpr std::uint8_t CallRel32 = EntryCallOpcode;

// Writes a whole page into buffer as if it stood at pageAddress: the header,
// then every entry in address order, each pushed on the free list right after
// it is written. Answers the new free-list head (the page's last entry).
std::uint32_t WritePage(std::uint8_t* buffer, std::uint32_t pageAddress, std::uint32_t previousPage,
                        std::uint32_t commonEntry, std::uint32_t freeHead);
} // namespace ObjectProcPage32

// Page of the 64-bit build: previous page (8), pop r10 (2), jmp [rip+0] (6)
// with the stub's address (8), then entries of call rel32 to the pop (5) +
// cell (8).
namespace ObjectProcPage64 {
constexpr std::size_t PreviousPageOffset = 0;
constexpr std::size_t PopOffset = 8;
constexpr std::size_t JumpOffset = 10;
constexpr std::size_t StubAddressOffset = 16;
constexpr std::size_t HeaderSize = 24;
constexpr std::size_t CellSize = 8;
constexpr std::size_t EntrySize = EntryCallSize + CellSize;
constexpr std::size_t EntryCount = (ObjectProcPageSize - HeaderSize) / EntrySize;
constexpr std::uint8_t PopR10[] = {0x41, 0x5A};
constexpr std::uint8_t JumpRipIndirect[] = {0xFF, 0x25, 0x00, 0x00, 0x00, 0x00};
constexpr std::uint8_t CallRel32 = EntryCallOpcode;

std::uint64_t WritePage(std::uint8_t* buffer, std::uint64_t pageAddress, std::uint64_t previousPage,
                        std::uint64_t stub, std::uint64_t freeHead);
} // namespace ObjectProcPage64

#if defined(_WIN64)
namespace ObjectProcPage = ObjectProcPage64;
#else
namespace ObjectProcPage = ObjectProcPage32;
#endif

// Entries per page of this build.
constexpr std::size_t ObjectProcEntriesPerPage = ObjectProcPage::EntryCount;
