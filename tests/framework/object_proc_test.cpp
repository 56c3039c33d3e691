#include "framework/object_proc.h"
#include "framework/window.h"
#include "framework/window_object.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace {

template <typename Word> Word Read(const std::uint8_t* at) {
    Word value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

using Bytes = std::vector<std::uint8_t>;

Bytes BytesAt(const std::vector<std::uint8_t>& page, std::size_t offset, std::size_t count) {
    return Bytes(page.begin() + static_cast<std::ptrdiff_t>(offset),
                 page.begin() + static_cast<std::ptrdiff_t>(offset + count));
}

// Pretend addresses: the writer must place every displacement relative to
// these, not to the buffer it writes into.
constexpr std::uint32_t Page32 = 0x00A10000;
constexpr std::uint32_t PreviousPage32 = 0x00990000;
constexpr std::uint32_t CommonEntry32 = 0x00401230;
constexpr std::uint32_t OldFreeHead32 = 0x00880F01;

TEST(ObjectProcPage32, HeaderChainsThePreviousPageAndJumpsToTheCommonEntry) {
    std::vector<std::uint8_t> page(ObjectProcPageSize, 0xCC);
    ObjectProcPage32::WritePage(page.data(), Page32, PreviousPage32, CommonEntry32, 0);
    EXPECT_EQ(Read<std::uint32_t>(&page[0]), PreviousPage32);
    EXPECT_EQ(page[4], 0x59); // pop ecx
    EXPECT_EQ(page[5], 0xE9); // jmp rel32
    EXPECT_EQ(Read<std::int32_t>(&page[6]),
              static_cast<std::int32_t>(CommonEntry32 - (Page32 + 10)));
}

TEST(ObjectProcPage32, EveryEntryCallsThePopAndLinksTheFreeList) {
    ASSERT_EQ(ObjectProcPage32::EntryCount, 454u);
    std::vector<std::uint8_t> page(ObjectProcPageSize, 0xCC);
    std::uint32_t head = ObjectProcPage32::WritePage(page.data(), Page32, PreviousPage32,
                                                     CommonEntry32, OldFreeHead32);
    std::uint32_t expectedCell = OldFreeHead32;
    for (std::uint32_t k = 0; k < 454; ++k) {
        std::uint32_t offset = 10 + 9 * k;
        ASSERT_EQ(page[offset], 0xE8) << "entry " << k;
        std::int32_t toPop = static_cast<std::int32_t>((Page32 + 4) - (Page32 + offset + 5));
        ASSERT_EQ(Read<std::int32_t>(&page[offset + 1]), toPop) << "entry " << k;
        ASSERT_EQ(Read<std::uint32_t>(&page[offset + 5]), expectedCell) << "entry " << k;
        expectedCell = Page32 + offset;
    }
    // The last entry (ending exactly at the page end) is handed out first.
    EXPECT_EQ(10u + 454u * 9u, ObjectProcPageSize);
    EXPECT_EQ(head, Page32 + 10 + 453 * 9);
}

// A few places assembled by hand, so that the formulas above are not checked
// only against themselves.
TEST(ObjectProcPage32, BytesMatchHandAssembledCode) {
    std::vector<std::uint8_t> page(ObjectProcPageSize, 0xCC);
    ObjectProcPage32::WritePage(page.data(), Page32, PreviousPage32, CommonEntry32, OldFreeHead32);
    // 00A10000: dd 00990000; pop ecx; jmp 00401230 (from 00A1000A)
    EXPECT_EQ(BytesAt(page, 0, 10),
              (Bytes{0x00, 0x00, 0x99, 0x00, 0x59, 0xE9, 0x26, 0x12, 0x9F, 0xFF}));
    // 00A1000A: call 00A10004 (from 00A1000F); dd 00880F01, the old free head
    EXPECT_EQ(BytesAt(page, 10, 9), (Bytes{0xE8, 0xF5, 0xFF, 0xFF, 0xFF, 0x01, 0x0F, 0x88, 0x00}));
    // 00A10FF7: call 00A10004 (from 00A10FFC); dd 00A10FEE, the entry before it
    EXPECT_EQ(BytesAt(page, 4087, 9),
              (Bytes{0xE8, 0x08, 0xF0, 0xFF, 0xFF, 0xEE, 0x0F, 0xA1, 0x00}));
}

TEST(ObjectProcPage64, HeaderPopsTheCellAndJumpsThroughTheStubAddress) {
    constexpr std::uint64_t Page = 0x00007FF612340000;
    constexpr std::uint64_t Previous = 0x00007FF612300000;
    constexpr std::uint64_t Stub = 0x00007FF600401000;
    std::vector<std::uint8_t> page(ObjectProcPageSize, 0xCC);
    std::uint64_t head = ObjectProcPage64::WritePage(page.data(), Page, Previous, Stub, 0);
    const std::size_t count = ObjectProcPage64::EntryCount;
    EXPECT_EQ(Read<std::uint64_t>(&page[0]), Previous);
    EXPECT_EQ((std::vector<std::uint8_t>(&page[8], &page[16])),
              (std::vector<std::uint8_t>{0x41, 0x5A, 0xFF, 0x25, 0, 0, 0, 0}));
    EXPECT_EQ(Read<std::uint64_t>(&page[16]), Stub);
    std::uint64_t expectedCell = 0;
    for (std::size_t k = 0; k < count; ++k) {
        std::size_t offset = 24 + 13 * k;
        ASSERT_EQ(page[offset], 0xE8);
        ASSERT_EQ(Read<std::int32_t>(&page[offset + 1]),
                  static_cast<std::int32_t>(8 - static_cast<std::int64_t>(offset + 5)));
        ASSERT_EQ(Read<std::uint64_t>(&page[offset + 5]), expectedCell);
        expectedCell = Page + offset;
    }
    EXPECT_LE(24 + 13 * count, ObjectProcPageSize);
    EXPECT_GT(24 + 13 * (count + 1), ObjectProcPageSize);
    EXPECT_EQ(head, Page + 24 + 13 * (count - 1));

    // Assembled by hand. 7FF612340010: dq 7FF600401000, the stub
    EXPECT_EQ(BytesAt(page, 16, 8), (Bytes{0x00, 0x10, 0x40, 0x00, 0xF6, 0x7F, 0x00, 0x00}));
    // 7FF612340018: call 7FF612340008 (from 7FF61234001D); dq 0, the end of the list
    EXPECT_EQ(BytesAt(page, 24, 13), (Bytes{0xE8, 0xEB, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}));
    // The 313th and last, 7FF612340FF0: call 7FF612340008 (from 7FF612340FF5);
    // dq 7FF612340FE3, the entry before it
    EXPECT_EQ(count, 313u);
    EXPECT_EQ(BytesAt(page, 4080, 13), (Bytes{0xE8, 0x13, 0xF0, 0xFF, 0xFF, 0xE3, 0x0F, 0x34, 0x12,
                                              0xF6, 0x7F, 0x00, 0x00}));
}

// Answers every message with a value no default could give, and keeps the
// arguments it saw, so the binding's argument passing can be checked.
struct EchoObject : WindowObject {
    EchoObject() : WindowObject(nullptr) {}
    void Dispatch(Message& msg) override {
        seen = msg;
        msg.result = static_cast<LRESULT>(0x5A5A1234);
        stackAligned = StackIsAligned();
    }
    Message seen{};
    bool stackAligned = false;

    // Whether the entry called on the stack alignment the calling convention
    // promises: a local that asks for it lands on it only then. The empty asm
    // hides the address, or the compiler would answer from what it assumes.
    static bool StackIsAligned() {
        alignas(StackAlignment) volatile unsigned char local[StackAlignment] = {};
        auto address = reinterpret_cast<std::uintptr_t>(local);
        asm("" : "+r"(address));
        return address % StackAlignment == 0;
    }
    static constexpr std::size_t StackAlignment = 16;
};

// The window procedure's four arguments. The wide values have bits above 2^32
// in the 64-bit build, so that an entry which cut any argument to 32 bits
// fails; the 32-bit build keeps their low halves.
struct ArgumentCase {
    const char* name;
    std::uint64_t handle;
    UINT number;
    std::uint64_t wParam;
    std::uint64_t lParam;
};

constexpr std::uint64_t AllBits = ~std::uint64_t{0};
constexpr std::uint64_t TopBit = std::uint64_t{1} << (sizeof(void*) * CHAR_BIT - 1);

constexpr ArgumentCase ArgumentCases[] = {
    {"wide", 0x0000123456781111, WM_USER + 7, 0xFEDCBA9833334444, 0x8765432155556666},
    {"all bits set", AllBits, 0xFFFFFFFF, AllBits, AllBits},
    {"top bit set", TopBit, 0x80000000, TopBit, TopBit},
};

TEST(ObjectProc, EntryDeliversTheFourArgumentsIntactToItsOwnObject) {
    auto* first = new EchoObject;
    auto* second = new EchoObject;
    for (const ArgumentCase& c : ArgumentCases) {
        auto handle = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(c.handle));
        auto wParam = static_cast<WPARAM>(c.wParam);
        auto lParam = static_cast<LPARAM>(c.lParam);
        LRESULT result = CallWindowProcA(second->objectProc, handle, c.number, wParam, lParam);
        EXPECT_EQ(result, static_cast<LRESULT>(0x5A5A1234)) << c.name;
        EXPECT_EQ(second->seen.handle, handle) << c.name;
        EXPECT_EQ(second->seen.number, c.number) << c.name;
        EXPECT_EQ(second->seen.wParam, wParam) << c.name;
        EXPECT_EQ(second->seen.lParam, lParam) << c.name;
        EXPECT_TRUE(second->stackAligned) << c.name;
    }
    EXPECT_EQ(first->seen.number, 0u);
    first->Dispose();
    second->Dispose();
}

TEST(ObjectProc, EntryAnswersTheObjectPointerMessageWithItsObject) {
    auto* object = new EchoObject;
    LRESULT result = CallWindowProcA(object->objectProc, nullptr, objectPtrMessage, 7, 9);
    EXPECT_EQ(reinterpret_cast<WindowObject*>(result), object);
    EXPECT_EQ(object->seen.number, 0u) << "the object pointer message is not dispatched";
    EXPECT_NE(objectPtrMessage, 0u);
    RegisterObjectPtrMessage();
    EXPECT_EQ(objectPtrMessage, RegisterWindowMessageA("OwlObjectPtr"));
    object->Dispose();
}

std::uintptr_t EntryOf(const WindowObject* object) {
    return reinterpret_cast<std::uintptr_t>(object->objectProc);
}

TEST(ObjectProc, OnePageServesEntriesPerPageLiveObjectsAndTheNextOpensAnother) {
    std::vector<WindowObject*> objects;
    // Use up what the current page and the free list still hold.
    const void* page = ObjectProcPageChain();
    while (ObjectProcPageChain() == page) {
        objects.push_back(new WindowObject(nullptr));
    }
    const void* fresh = ObjectProcPageChain();
    auto freshAddress = reinterpret_cast<std::uintptr_t>(fresh);
    EXPECT_EQ(*static_cast<const void* const*>(fresh), page) << "pages are chained";

    // The fresh page hands out its entries from the last one down.
    std::uintptr_t expected = freshAddress + ObjectProcPage::HeaderSize +
                              (ObjectProcEntriesPerPage - 1) * ObjectProcPage::EntrySize;
    EXPECT_EQ(EntryOf(objects.back()), expected);
    for (std::size_t i = 1; i < ObjectProcEntriesPerPage; ++i) {
        objects.push_back(new WindowObject(nullptr));
        expected -= ObjectProcPage::EntrySize;
        ASSERT_EQ(EntryOf(objects.back()), expected) << "object " << i << " of the page";
    }
    EXPECT_EQ(ObjectProcPageChain(), fresh);

    // One more live object than a page holds needs a second page.
    objects.push_back(new WindowObject(nullptr));
    EXPECT_NE(ObjectProcPageChain(), fresh);
    EXPECT_EQ(*static_cast<const void* const*>(ObjectProcPageChain()), fresh);
    for (WindowObject* object : objects) {
        object->Dispose();
    }
}

TEST(ObjectProc, ADestroyedObjectsEntryGoesToTheNextObject) {
    auto* first = new WindowObject(nullptr);
    auto* second = new WindowObject(nullptr);
    WNDPROC released = first->objectProc;
    first->Dispose();
    auto* third = new WindowObject(nullptr);
    EXPECT_EQ(third->objectProc, released);
    EXPECT_NE(second->objectProc, released);
    second->Dispose();
    third->Dispose();
}

// ---- On real windows, called by the window system ----------------------------

constexpr UINT ProbeMessage = WM_APP + 1;
constexpr LRESULT ProbeAnswer = 0x2B;

// A framework window that keeps the probe messages it gets.
struct ProbeWindow : Window {
    ProbeWindow() : Window(nullptr, "probe") {}
    void Dispatch(Message& msg) override {
        if (msg.number != ProbeMessage) {
            Window::Dispatch(msg);
            return;
        }
        seen.push_back({msg.wParam, msg.lParam});
        msg.result = ProbeAnswer;
    }
    std::vector<std::pair<WPARAM, LPARAM>> seen;
};

ProbeWindow* CreatedProbe() {
    auto* window = new ProbeWindow;
    EXPECT_TRUE(window->Create());
    return window;
}

std::uintptr_t PageOf(WNDPROC entry) {
    return reinterpret_cast<std::uintptr_t>(entry) & ~(std::uintptr_t{ObjectProcPageSize} - 1);
}

TEST(ObjectProcWindows, MoreWindowsThanOnePageHoldsEachGetTheirOwnMessages) {
    constexpr std::size_t BeyondOnePage = 8;
    std::vector<ProbeWindow*> windows;
    std::set<std::uintptr_t> pages;
    for (std::size_t i = 0; i < ObjectProcEntriesPerPage + BeyondOnePage; ++i) {
        windows.push_back(CreatedProbe());
        pages.insert(PageOf(windows.back()->objectProc));
    }
    EXPECT_GE(pages.size(), 2u);
    // Arguments unlike for every window, near both ends of their range.
    auto wParamOf = [](std::size_t i) { return static_cast<WPARAM>(AllBits - i); };
    auto lParamOf = [](std::size_t i) { return static_cast<LPARAM>(TopBit | i); };
    for (std::size_t i = 0; i < windows.size(); ++i) {
        ASSERT_EQ(SendMessageA(windows[i]->handle, ProbeMessage, wParamOf(i), lParamOf(i)),
                  ProbeAnswer);
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const std::vector<std::pair<WPARAM, LPARAM>> expected{{wParamOf(i), lParamOf(i)}};
        EXPECT_EQ(windows[i]->seen, expected) << "window " << i;
    }
    for (ProbeWindow* window : windows) {
        window->Dispose();
    }
}

// Read where it is used: the stack pointer of the caller.
[[gnu::always_inline]] inline std::uintptr_t StackPointer() {
    std::uintptr_t pointer = 0;
#if defined(_WIN64)
    asm volatile("movq %%rsp, %0" : "=r"(pointer));
#else
    asm volatile("movl %%esp, %0" : "=r"(pointer));
#endif
    return pointer;
}

// The entry removes the four arguments that its caller pushed (the 32-bit
// window procedure convention): called straight and through the window
// system, thousands of times, the caller's stack pointer ends where it began.
TEST(ObjectProcWindows, TheCallersStackPointerIsUnchangedAfterThousandsOfMessages) {
    constexpr int Calls = 5000;
    ProbeWindow* window = CreatedProbe();
    const WNDPROC entry = window->objectProc;
    const std::uintptr_t before = StackPointer();
    for (int i = 0; i < Calls; ++i) {
        entry(window->handle, ProbeMessage, static_cast<WPARAM>(i), static_cast<LPARAM>(i));
    }
    const std::uintptr_t afterCalls = StackPointer();
    for (int i = 0; i < Calls; ++i) {
        SendMessageA(window->handle, ProbeMessage, static_cast<WPARAM>(i), static_cast<LPARAM>(i));
    }
    const std::uintptr_t afterMessages = StackPointer();
    EXPECT_EQ(afterCalls, before);
    EXPECT_EQ(afterMessages, before);
    EXPECT_EQ(window->seen.size(), static_cast<std::size_t>(2 * Calls));
    window->Dispose();
}

TEST(ObjectProcWindows, AnEntryFreedByADestroyedWindowServesTheNextOne) {
    ProbeWindow* destroyed = CreatedProbe();
    ProbeWindow* kept = CreatedProbe();
    const WNDPROC freed = destroyed->objectProc;
    destroyed->Dispose();
    ProbeWindow* next = CreatedProbe();
    EXPECT_EQ(next->objectProc, freed);
    SendMessageA(next->handle, ProbeMessage, 1, 2);
    SendMessageA(kept->handle, ProbeMessage, 3, 4);
    EXPECT_EQ(next->seen, (std::vector<std::pair<WPARAM, LPARAM>>{{1, 2}}));
    EXPECT_EQ(kept->seen, (std::vector<std::pair<WPARAM, LPARAM>>{{3, 4}}));
    kept->Dispose();
    next->Dispose();
}

} // namespace
