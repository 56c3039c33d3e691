#include "foundation/collection.h"
#include "foundation/sorted_collection.h"
#include "foundation/string_collection.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

void* Item(std::intptr_t value) {
    return reinterpret_cast<void*>(value);
}

std::intptr_t Value(void* item) {
    return reinterpret_cast<std::intptr_t>(item);
}

// Holds plain numbers as items: it frees nothing, and its Error records the
// code and comes back, so failures can be watched without ending the program.
class RecordingCollection : public Collection {
public:
    RecordingCollection(int limit, int delta) : Collection(limit, delta) {}
    // The base destructor would free with the base FreeItem.
    ~RecordingCollection() override { FreeAll(); }
    void FreeItem(void* item) override { freed.push_back(Value(item)); }
    void Error(int code) override { errors.push_back(code); }

    std::vector<std::intptr_t> Values() {
        std::vector<std::intptr_t> values;
        ForEach([&](void* item) { values.push_back(Value(item)); });
        return values;
    }

    std::vector<std::intptr_t> freed;
    std::vector<int> errors;
};

// Items are records sorted by a key that is not the item itself, so equal
// keys can belong to different pointers.
struct Entry {
    int key;
};

class EntryCollection : public SortedCollection {
public:
    explicit EntryCollection(bool allowDuplicates) : SortedCollection(4, 4) {
        duplicates = allowDuplicates;
    }
    ~EntryCollection() override { FreeAll(); }
    void* KeyOf(void* item) override { return &static_cast<Entry*>(item)->key; }
    int Compare(void* key1, void* key2) override {
        return *static_cast<int*>(key1) - *static_cast<int*>(key2);
    }
    void FreeItem(void*) override {} // the entries belong to the test
};

std::vector<std::string> disposed;

struct Tracked : BaseObject {
    explicit Tracked(std::string name) : name(std::move(name)) {}
    ~Tracked() override { disposed.push_back(name); }
    std::string name;
};

// --- growth ---------------------------------------------------------------

struct GrowthCase {
    int limit;
    int delta;
    int insertions;
    int expectedCount;
    int expectedLimit;
    std::vector<int> expectedErrors;
};

std::ostream& operator<<(std::ostream& out, const GrowthCase& c) {
    return out << "limit " << c.limit << " delta " << c.delta << " insertions " << c.insertions;
}

class CollectionGrowth : public testing::TestWithParam<GrowthCase> {};

TEST_P(CollectionGrowth, GrowsByDeltaAndReportsOverflow) {
    const GrowthCase& growth = GetParam();
    RecordingCollection collection(growth.limit, growth.delta);
    for (int i = 0; i < growth.insertions; ++i) {
        collection.Insert(Item(i));
    }
    EXPECT_EQ(collection.Count(), growth.expectedCount);
    EXPECT_EQ(collection.Limit(), growth.expectedLimit);
    EXPECT_EQ(collection.errors, growth.expectedErrors);
    // Items kept their order through every reallocation.
    for (int i = 0; i < collection.Count(); ++i) {
        EXPECT_EQ(Value(collection.At(i)), i);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CollectionGrowth,
    testing::Values(GrowthCase{10, 5, 10, 10, 10, {}}, GrowthCase{10, 5, 11, 11, 15, {}},
                    GrowthCase{10, 5, 16, 16, 20, {}}, GrowthCase{0, 3, 1, 1, 3, {}},
                    GrowthCase{0, 3, 7, 7, 9, {}},
                    GrowthCase{10, 0, 11, 10, 10, {CollectionOverflow}},
                    GrowthCase{2, -1, 4, 2, 2, {CollectionOverflow, CollectionOverflow}},
                    GrowthCase{0, 0, 1, 0, 0, {CollectionOverflow}},
                    // The last step is cut to the cap, then nothing more fits.
                    GrowthCase{MaxCollectionLimit - 3,
                               10,
                               MaxCollectionLimit + 1,
                               MaxCollectionLimit,
                               MaxCollectionLimit,
                               {CollectionOverflow}}));

// --- InsertAt ---------------------------------------------------------------

struct InsertAtCase {
    int index;
    std::vector<std::intptr_t> expected;
    std::vector<int> expectedErrors;
};

std::ostream& operator<<(std::ostream& out, const InsertAtCase& c) {
    return out << "InsertAt " << c.index;
}

class CollectionInsertAt : public testing::TestWithParam<InsertAtCase> {};

TEST_P(CollectionInsertAt, MovesTheTailUpOrLeavesAllUnchanged) {
    const InsertAtCase& insert = GetParam();
    RecordingCollection collection(3, 1);
    for (std::intptr_t value : {1, 2, 3}) {
        collection.Insert(Item(value));
    }
    collection.InsertAt(insert.index, Item(9));
    EXPECT_EQ(collection.Values(), insert.expected);
    EXPECT_EQ(collection.errors, insert.expectedErrors);
    EXPECT_EQ(collection.Limit(), insert.expectedErrors.empty() ? 4 : 3);
}

INSTANTIATE_TEST_SUITE_P(Table, CollectionInsertAt,
                         testing::Values(InsertAtCase{0, {9, 1, 2, 3}, {}},
                                         InsertAtCase{1, {1, 9, 2, 3}, {}},
                                         InsertAtCase{2, {1, 2, 9, 3}, {}},
                                         InsertAtCase{3, {1, 2, 3, 9}, {}},
                                         InsertAtCase{4, {1, 2, 3}, {IndexOutOfRange}},
                                         InsertAtCase{-1, {1, 2, 3}, {IndexOutOfRange}}));

// --- SetLimit -----------------------------------------------------------------

struct SetLimitCase {
    int requested;
    int expected;
};

std::ostream& operator<<(std::ostream& out, const SetLimitCase& c) {
    return out << "SetLimit " << c.requested;
}

class CollectionSetLimit : public testing::TestWithParam<SetLimitCase> {};

TEST_P(CollectionSetLimit, ClampsBetweenCountAndTheCapAndKeepsItems) {
    RecordingCollection collection(10, 5);
    for (std::intptr_t value : {1, 2, 3, 4, 5}) {
        collection.Insert(Item(value));
    }
    collection.SetLimit(GetParam().requested);
    EXPECT_EQ(collection.Limit(), GetParam().expected);
    EXPECT_EQ(collection.Values(), (std::vector<std::intptr_t>{1, 2, 3, 4, 5}));
}

INSTANTIATE_TEST_SUITE_P(Table, CollectionSetLimit,
                         testing::Values(SetLimitCase{3, 5}, SetLimitCase{0, 5},
                                         SetLimitCase{-7, 5}, SetLimitCase{5, 5},
                                         SetLimitCase{12, 12}, SetLimitCase{16380, 16380},
                                         SetLimitCase{16381, 16380}, SetLimitCase{1000000, 16380}));

TEST(CollectionConstructor, TakesTheLimitClampedToTheCap) {
    RecordingCollection huge(MaxCollectionLimit + 1, 5);
    EXPECT_EQ(huge.Limit(), MaxCollectionLimit);
    RecordingCollection empty(0, 5);
    EXPECT_EQ(empty.Limit(), 0);
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_EQ(empty.Delta(), 5);
}

// --- lookup and iteration -------------------------------------------------------

TEST(CollectionIndexOf, FindsTheLowestIndexOfTheSamePointer) {
    RecordingCollection collection(4, 4);
    for (std::intptr_t value : {7, 0, 8, 7}) {
        collection.Insert(Item(value));
    }
    EXPECT_EQ(collection.IndexOf(Item(7)), 0);
    EXPECT_EQ(collection.IndexOf(Item(8)), 2);
    EXPECT_EQ(collection.IndexOf(nullptr), 1);
    EXPECT_EQ(collection.IndexOf(Item(6)), -1);
}

TEST(CollectionAt, OutsideTheItemsReportsIndexOutOfRange) {
    RecordingCollection collection(4, 4);
    collection.Insert(Item(5));
    EXPECT_EQ(collection.At(1), nullptr);
    EXPECT_EQ(collection.At(-1), nullptr);
    EXPECT_EQ(collection.errors, (std::vector<int>{IndexOutOfRange, IndexOutOfRange}));
}

TEST(CollectionForEach, CallsNothingOnAnEmptyCollection) {
    RecordingCollection collection(0, 4);
    int calls = 0;
    collection.ForEach([&](void*) { ++calls; });
    EXPECT_EQ(calls, 0);
}

// --- ownership ---------------------------------------------------------------------

class CollectionOwnership : public testing::Test {
protected:
    void SetUp() override { disposed.clear(); }
};

TEST_F(CollectionOwnership, FreeAllDisposesInIndexOrderAndKeepsTheArray) {
    auto* collection = new Collection(5, 2);
    collection->Insert(new Tracked("a"));
    collection->Insert(nullptr); // null items are held and skipped when freeing
    collection->Insert(new Tracked("b"));
    collection->Insert(new Tracked("c"));
    collection->FreeAll();
    EXPECT_EQ(disposed, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(collection->Count(), 0);
    EXPECT_EQ(collection->Limit(), 5);
    collection->Dispose();
    EXPECT_EQ(disposed.size(), 3u);
}

TEST_F(CollectionOwnership, DisposeFreesTheItemsItStillHolds) {
    auto* collection = new Collection(1, 1);
    collection->Insert(new Tracked("x"));
    collection->Insert(new Tracked("y"));
    collection->Dispose();
    EXPECT_EQ(disposed, (std::vector<std::string>{"x", "y"}));
}

TEST_F(CollectionOwnership, DisposeFreesItemsWithTheDerivedFreeItem) {
    std::vector<std::intptr_t> freed;
    struct Logging : Collection {
        explicit Logging(std::vector<std::intptr_t>* log) : Collection(2, 2), log(log) {}
        void FreeItem(void* item) override { log->push_back(Value(item)); }
        std::vector<std::intptr_t>* log;
    };
    auto* collection = new Logging(&freed);
    collection->Insert(Item(4));
    collection->Insert(Item(6));
    collection->Dispose();
    EXPECT_EQ(freed, (std::vector<std::intptr_t>{4, 6}));
}

// --- sorted collection: Search ------------------------------------------------------

struct SearchCase {
    std::vector<int> keys;
    bool duplicates;
    int key;
    bool found;
    int index;
};

std::ostream& operator<<(std::ostream& out, const SearchCase& c) {
    out << "keys";
    for (int key : c.keys) {
        out << ' ' << key;
    }
    return out << (c.duplicates ? " with" : " without") << " duplicates, search " << c.key;
}

class SortedSearch : public testing::TestWithParam<SearchCase> {};

TEST_P(SortedSearch, GivesFoundAndIndex) {
    const SearchCase& search = GetParam();
    std::vector<Entry> entries;
    for (int key : search.keys) {
        entries.push_back(Entry{key});
    }
    EntryCollection collection(search.duplicates);
    // Filled in place so that a run of equal keys can also be searched
    // without duplicates.
    for (Entry& entry : entries) {
        collection.Insert(&entry);
    }
    Entry probe{search.key};
    int index = -99;
    EXPECT_EQ(collection.Search(&probe.key, index), search.found);
    EXPECT_EQ(index, search.index);
}

INSTANTIATE_TEST_SUITE_P(Table, SortedSearch,
                         testing::Values(SearchCase{{}, false, 5, false, 0},
                                         SearchCase{{}, true, 5, false, 0},
                                         SearchCase{{10, 20, 30, 40}, false, 10, true, 0},
                                         SearchCase{{10, 20, 30, 40}, false, 20, true, 1},
                                         SearchCase{{10, 20, 30, 40}, false, 40, true, 3},
                                         SearchCase{{10, 20, 30, 40}, false, 25, false, 2},
                                         SearchCase{{10, 20, 30, 40}, false, 5, false, 0},
                                         SearchCase{{10, 20, 30, 40}, false, 45, false, 4},
                                         SearchCase{{10, 20, 20, 20, 30}, true, 20, true, 1},
                                         SearchCase{{20, 20, 20, 20}, true, 20, true, 0},
                                         SearchCase{{10, 20, 20, 20, 30}, true, 15, false, 1},
                                         SearchCase{{10, 20, 20, 20, 30}, true, 25, false, 4},
                                         SearchCase{{10, 20, 20, 20, 30}, true, 35, false, 5}));

TEST(SortedSearchWithoutDuplicates, StopsAtTheFirstEqualKeyItMeets) {
    // A run of equal keys held while duplicates were allowed: once they are
    // not, the search ends on the first hit, the middle of the run.
    Entry entries[] = {{10}, {20}, {20}, {20}, {30}};
    EntryCollection collection(true);
    for (Entry& entry : entries) {
        collection.Insert(&entry);
    }
    collection.duplicates = false;
    int index = -1;
    EXPECT_TRUE(collection.Search(&entries[1].key, index));
    EXPECT_EQ(index, 2);
}

// --- sorted collection: Insert and IndexOf --------------------------------------

TEST(SortedInsert, KeepsKeyOrder) {
    Entry entries[] = {{30}, {10}, {40}, {20}};
    EntryCollection collection(false);
    for (Entry& entry : entries) {
        collection.Insert(&entry);
    }
    std::vector<int> keys;
    collection.ForEach([&](void* item) { keys.push_back(static_cast<Entry*>(item)->key); });
    EXPECT_EQ(keys, (std::vector<int>{10, 20, 30, 40}));
}

TEST(SortedInsert, WithoutDuplicatesIgnoresAnEqualKey) {
    Entry first{20}, other{20}, low{10};
    EntryCollection collection(false);
    collection.Insert(&low);
    collection.Insert(&first);
    collection.Insert(&other);
    EXPECT_EQ(collection.Count(), 2);
    EXPECT_EQ(collection.At(1), &first);
}

TEST(SortedInsert, WithDuplicatesPutsTheNewestFirstAmongEqualKeys) {
    Entry a{20}, b{20}, c{20}, low{10}, high{30};
    EntryCollection collection(true);
    for (Entry* entry : {&high, &a, &low, &b, &c}) {
        collection.Insert(entry);
    }
    std::vector<void*> expected = {&low, &c, &b, &a, &high};
    std::vector<void*> held;
    collection.ForEach([&](void* item) { held.push_back(item); });
    EXPECT_EQ(held, expected);
}

TEST(SortedIndexOf, WithoutDuplicatesAnEqualKeyStandsForTheItem) {
    Entry low{10}, held{20}, stranger{20}, absent{15};
    EntryCollection collection(false);
    collection.Insert(&low);
    collection.Insert(&held);
    EXPECT_EQ(collection.IndexOf(&held), 1);
    EXPECT_EQ(collection.IndexOf(&stranger), 1);
    EXPECT_EQ(collection.IndexOf(&absent), -1);
}

TEST(SortedIndexOf, WithDuplicatesFindsTheVeryPointer) {
    Entry a{20}, b{20}, c{20}, stranger{20}, high{30};
    EntryCollection collection(true);
    for (Entry* entry : {&high, &a, &b, &c}) {
        collection.Insert(entry); // order: c, b, a, high
    }
    EXPECT_EQ(collection.IndexOf(&c), 0);
    EXPECT_EQ(collection.IndexOf(&a), 2);
    EXPECT_EQ(collection.IndexOf(&high), 3);
    EXPECT_EQ(collection.IndexOf(&stranger), -1);
}

// --- string collection ----------------------------------------------------------

struct CompareCase {
    const char* left;
    const char* right;
    int expected;
};

std::ostream& operator<<(std::ostream& out, const CompareCase& c) {
    return out << '"' << c.left << "\" vs \"" << c.right << '"';
}

class StringCompare : public testing::TestWithParam<CompareCase> {};

TEST_P(StringCompare, GivesTheDifferenceOfTheFirstUnequalUnsignedBytes) {
    StringCollection names(0, 1);
    char left[16], right[16];
    std::snprintf(left, sizeof left, "%s", GetParam().left);
    std::snprintf(right, sizeof right, "%s", GetParam().right);
    EXPECT_EQ(names.Compare(left, right), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StringCompare,
    testing::Values(CompareCase{"COM1", "COM1", 0}, CompareCase{"", "", 0},
                    CompareCase{"COM1", "COM10", -'0'}, CompareCase{"COM10", "COM1", '0'},
                    CompareCase{"COM10", "COM2", '1' - '2'}, CompareCase{"", "A", -'A'},
                    // Bytes above 127 sort after ASCII.
                    CompareCase{"\xe8", "z", 0xe8 - 'z'}, CompareCase{"a\xff", "a\x01", 0xff - 1}));

TEST(StringCollectionOrder, SortsPortNamesByteWise) {
    StringCollection names(2, 2);
    for (const char* name : {"COM2", "COM10", "LPT1", "COM1"}) {
        names.Insert(NewStr(name));
    }
    std::vector<std::string> held;
    names.ForEach([&](void* item) { held.push_back(static_cast<const char*>(item)); });
    EXPECT_EQ(held, (std::vector<std::string>{"COM1", "COM10", "COM2", "LPT1"}));
    EXPECT_STREQ(names.StringAt(2), "COM2");
}

TEST(StringCollectionOrder, RefusedCopyStaysWithTheCaller) {
    StringCollection names(2, 2);
    char* first = NewStr("COM3");
    char* again = NewStr("COM3");
    names.Insert(first);
    names.Insert(again);
    EXPECT_EQ(names.Count(), 1);
    EXPECT_EQ(names.At(0), first);
    EXPECT_EQ(names.IndexOf(again), 0);
    delete[] again;
}

TEST(NewStr, MakesAnIndependentCopy) {
    char text[] = "COM4";
    char* copy = NewStr(text);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, text);
    text[3] = '5';
    EXPECT_STREQ(copy, "COM4");
    delete[] copy;
    EXPECT_EQ(NewStr(nullptr), nullptr);
}

// --- fatal stops ------------------------------------------------------------------

void FillWithNulls(Collection& collection, int items) {
    for (int i = 0; i < items; ++i) {
        collection.Insert(nullptr);
    }
}

ZOR_CHILD_ACTION(InsertPastCount) {
    Collection collection(4, 4);
    FillWithNulls(collection, 2);
    collection.InsertAt(3, nullptr);
}

ZOR_CHILD_ACTION(InsertBeforeStart) {
    Collection collection(4, 4);
    collection.InsertAt(-1, nullptr);
}

ZOR_CHILD_ACTION(AtPastCount) {
    Collection collection(4, 4);
    FillWithNulls(collection, 1);
    collection.At(1);
}

ZOR_CHILD_ACTION(OverflowWithoutDelta) {
    Collection collection(3, 0);
    FillWithNulls(collection, 4);
}

ZOR_CHILD_ACTION(OverflowAtTheCap) {
    Collection collection(MaxCollectionLimit, 16);
    FillWithNulls(collection, MaxCollectionLimit + 1);
}

ZOR_CHILD_ACTION(CompareLeftAbstract) {
    SortedCollection collection(2, 2);
    collection.Insert(nullptr);
    collection.Insert(nullptr);
}

struct FatalCase {
    const char* child;
    unsigned long number;
};

std::ostream& operator<<(std::ostream& out, const FatalCase& c) {
    return out << c.child;
}

class CollectionFatal : public testing::TestWithParam<FatalCase> {};

TEST_P(CollectionFatal, ShowsTheErrorBoxAndExitsWithTheNumber) {
    ExpectRunTimeError(GetParam().child, GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CollectionFatal,
    testing::Values(FatalCase{"InsertPastCount", 213}, FatalCase{"InsertBeforeStart", 213},
                    FatalCase{"AtPastCount", 213}, FatalCase{"OverflowWithoutDelta", 214},
                    FatalCase{"OverflowAtTheCap", 214}, FatalCase{"CompareLeftAbstract", 211}));

} // namespace
