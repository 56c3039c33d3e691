#include "foundation/base_object.h"
#include "foundation/run_time_error.h"
#include "support/child_process.h"
#include "support/heap_probe.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

std::vector<std::string> destroyed;

struct Fields {
    int number;
    void* pointer;
    bool flag;
    char text[13];
};

struct Sample : BaseObject {
    Sample() {} // sets nothing, so every field must come zero from the heap
    Fields fields;
};

// Cleared by an allocation function of its own, whose stores the compiler
// sees right before the constructor: by its default lifetime rules GCC may
// drop them (it did at -O2 and -Os), so this shows that the build keeps them.
struct ClearedByStore : BaseObject {
    ClearedByStore() {}
    static void* operator new(std::size_t size) {
        void* storage = ::operator new(size);
        std::memset(storage, 0, size);
        return storage;
    }
    static void operator delete(void* storage) noexcept { ::operator delete(storage); }
    Fields fields;
};

struct Base : BaseObject {
    ~Base() override { destroyed.push_back("Base"); }
};

struct Derived : Base {
    ~Derived() override { destroyed.push_back("Derived"); }
};

struct Recorder : BaseObject {
    explicit Recorder(std::vector<std::string>* log) : log(log) {}
    ~Recorder() override { log->push_back("destructor"); }
    void BeforeDispose() override { log->push_back("before"); }
    std::vector<std::string>* log;
};

// Fills freed blocks with a pattern first, so zero cannot come by chance; the
// empty asm keeps the optimiser from dropping the pattern as never read.
void DirtyTheHeap(std::size_t size) {
    constexpr int DirtyBlocks = 64;
    constexpr unsigned char DirtyByte = 0xA5;
    for (int i = 0; i < DirtyBlocks; ++i) {
        void* junk = ::operator new(size);
        std::memset(junk, DirtyByte, size);
        asm volatile("" : : "r"(junk) : "memory");
        ::operator delete(junk);
    }
}

template <typename Object> void ExpectBornZero() {
    DirtyTheHeap(sizeof(Object));
    auto* object = new Object;
    EXPECT_EQ(object->fields.number, 0);
    EXPECT_EQ(object->fields.pointer, nullptr);
    EXPECT_FALSE(object->fields.flag);
    for (char c : object->fields.text) {
        EXPECT_EQ(c, 0);
    }
    object->Dispose();
}

TEST(BaseObject, StartsWithEveryFieldZeroOnDirtyHeap) {
    ExpectBornZero<Sample>();
}

TEST(BaseObject, AClearingStoreRightBeforeTheConstructorIsKept) {
    ExpectBornZero<ClearedByStore>();
}

TEST(BaseObject, DisposeThroughBaseRunsMostDerivedDestructorFirst) {
    destroyed.clear();
    BaseObject* object = new Derived;
    object->Dispose();
    EXPECT_EQ(destroyed, (std::vector<std::string>{"Derived", "Base"}));
}

TEST(BaseObject, DisposeRunsTheHookOnTheWholeObjectBeforeDestruction) {
    std::vector<std::string> log;
    BaseObject* object = new Recorder(&log);
    object->Dispose();
    EXPECT_EQ(log, (std::vector<std::string>{"before", "destructor"}));
}

struct TextCase {
    int number;
    std::uintptr_t address;
    std::string expected;
};

TEST(RunTimeErrorText, NamesNumberAndAddressInCapitalHexOfPointerWidth) {
    const std::string pad(sizeof(void*) * 2 - 6, '0');
    const std::string allOnes(sizeof(void*) * 2, 'F');
    const TextCase cases[] = {
        {211, 0x4012ABu, "Runtime error 211 at $" + pad + "4012AB"},
        {203, 0, "Runtime error 203 at $" + std::string(sizeof(void*) * 2, '0')},
        {INT_MIN, UINTPTR_MAX, "Runtime error -2147483648 at $" + allOnes},
    };
    for (const TextCase& c : cases) {
        EXPECT_STREQ(FormatRunTimeError(c.number, c.address).text, c.expected.c_str());
    }
}

ZOR_CHILD_ACTION(CallAbstract) {
    AbstractCall();
}

// More than any process can be given, so the allocation must fail. The
// allocation functions are called directly: a new-expression may be elided.
volatile std::size_t hugeSize = SIZE_MAX / 2;

ZOR_CHILD_ACTION(ExhaustHeap) {
    void* block = ::operator new(hugeSize);
    std::printf("%p\n", block);
}

ZOR_CHILD_ACTION(ExhaustHeapForObject) {
    void* block = BaseObject::operator new(hugeSize);
    std::printf("%p\n", block);
}

// An exhausted heap fails the small blocks too, and with them anything the
// report itself might want from the heap.
ZOR_CHILD_ACTION(RefuseHeap) {
    HeapProbe::RefuseEveryAllocation();
    void* block = ::operator new(1);
    std::printf("%p\n", block);
}

ZOR_CHILD_ACTION(RefuseHeapForObject) {
    HeapProbe::RefuseEveryAllocation();
    auto* sample = new Sample;
    std::printf("%p\n", static_cast<void*>(sample));
}

ZOR_CHILD_ACTION(CallAbstractWithoutHeap) {
    HeapProbe::RefuseEveryAllocation();
    AbstractCall();
}

struct FatalCase {
    const char* child;
    unsigned long number;
};

class RunTimeErrors : public testing::TestWithParam<FatalCase> {};

TEST_P(RunTimeErrors, ShowErrorBoxAndExitWithTheNumber) {
    ExpectRunTimeError(GetParam().child, GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Fatal, RunTimeErrors,
                         testing::Values(FatalCase{"CallAbstract", 211},
                                         FatalCase{"ExhaustHeap", 203},
                                         FatalCase{"ExhaustHeapForObject", 203},
                                         FatalCase{"RefuseHeap", 203},
                                         FatalCase{"RefuseHeapForObject", 203},
                                         FatalCase{"CallAbstractWithoutHeap", 211}));

} // namespace
