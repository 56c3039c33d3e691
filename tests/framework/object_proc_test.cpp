#include "framework/object_proc.h"
#include "framework/window_object.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

template <typename Word> Word Read(const std::uint8_t* at) {
    Word value;
    std::memcpy(&value, at, sizeof value);
    return value;
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
}

// Answers every message with a value no default could give, and keeps the
// arguments it saw, so the binding's argument passing can be checked.
struct EchoObject : WindowObject {
    EchoObject() : WindowObject(nullptr) {}
    void Dispatch(Message& msg) override {
        seen = msg;
        msg.result = static_cast<LRESULT>(0x5A5A1234);
    }
    Message seen{};
};

TEST(ObjectProc, EntryDeliversTheFourArgumentsToItsOwnObject) {
    auto* first = new EchoObject;
    auto* second = new EchoObject;
    auto handle = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1111));
    auto wParam = static_cast<WPARAM>(0x33334444);
    auto lParam = static_cast<LPARAM>(0x55556666);
    LRESULT result = CallWindowProcA(second->objectProc, handle, WM_USER + 7, wParam, lParam);
    EXPECT_EQ(result, static_cast<LRESULT>(0x5A5A1234));
    EXPECT_EQ(second->seen.handle, handle);
    EXPECT_EQ(second->seen.number, static_cast<UINT>(WM_USER + 7));
    EXPECT_EQ(second->seen.wParam, wParam);
    EXPECT_EQ(second->seen.lParam, lParam);
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

} // namespace
