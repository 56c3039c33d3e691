#include "controls_test_support.h"
#include "support/heap_probe.h"

#include <cstring>
#include <functional>
#include <memory>

namespace {

using Strings = std::unique_ptr<StringCollection, void (*)(StringCollection*)>;

Strings OwnedStrings(std::initializer_list<const char*> texts) {
    return Strings(NewStrings(texts), [](StringCollection* s) { s->Dispose(); });
}

std::vector<std::string> Texts(std::initializer_list<const char*> texts) {
    return std::vector<std::string>(texts.begin(), texts.end());
}

// ---- MessageFor ---------------------------------------------------------

struct MessageRow {
    ListOperation operation;
    UINT listBox;
    UINT comboBox;
};

constexpr MessageRow MessageTable[] = {
    {ListOperation::AddString, 0x180, 0x143},     {ListOperation::InsertString, 0x181, 0x14A},
    {ListOperation::DeleteString, 0x182, 0x144},  {ListOperation::ResetContent, 0x184, 0x14B},
    {ListOperation::GetCount, 0x18B, 0x146},      {ListOperation::GetText, 0x189, 0x148},
    {ListOperation::GetTextLength, 0x18A, 0x149}, {ListOperation::SelectString, 0x18C, 0x14D},
    {ListOperation::GetCurSel, 0x188, 0x147},     {ListOperation::SetCurSel, 0x186, 0x14E},
    {ListOperation::GetItemData, 0x199, 0x150},   {ListOperation::SetItemData, 0x19A, 0x151},
};

TEST(MessageFor, LooksUpEachTypesOwnTable) {
    auto* owner = new WindowObject(nullptr);
    auto* list = new ListBox(owner, 0, 0, 10, 10, 1);
    auto* combo = new ComboBox(owner, 0, 0, 10, 10, 2, 0, false);
    ListBox* comboAsList = combo;
    ASSERT_EQ(std::size(MessageTable), static_cast<std::size_t>(ListOperationCount));
    for (const MessageRow& row : MessageTable) {
        const int entry = static_cast<int>(row.operation);
        EXPECT_EQ(list->MessageFor(row.operation), row.listBox) << "entry " << entry;
        EXPECT_EQ(comboAsList->MessageFor(row.operation), row.comboBox) << "entry " << entry;
    }
    owner->Dispose();
}

// ---- Filling and reading lists ----------------------------------------------

class ListControlTest : public ControlTest {
protected:
    ComboBox* DropDownList() { return Created(new ComboBox(parent, 0, 0, 120, 200, 1, 8, false)); }
    ComboBox* Editable() { return Created(new ComboBox(parent, 0, 0, 120, 200, 1, 8, true)); }
    ListBox* SingleList() { return Created(new ListBox(parent, 0, 0, 120, 200, 1)); }
    ListBox* MultipleList() {
        auto* list = new ListBox(parent, 0, 0, 120, 200, 1);
        list->style |= LBS_MULTIPLESEL;
        return Created(list);
    }
};

const std::vector<std::string> OneToTen =
    Texts({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"});

TEST_F(ListControlTest, InsertingAtTheEndKeepsTheOrderOfASortedComboBox) {
    ComboBox* combo = DropDownList();
    for (const std::string& text : OneToTen) {
        combo->InsertString(text.c_str(), -1);
    }
    EXPECT_EQ(ItemsOf(*combo), OneToTen);
}

TEST_F(ListControlTest, FillingFromATransferSortsASortedComboBox) {
    ComboBox* combo = DropDownList();
    Strings strings = OwnedStrings({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"});
    std::vector<char> record(sizeof(ComboBoxTransfer) + 8, '\0');
    StringCollection* pointer = strings.get();
    std::memcpy(record.data(), &pointer, sizeof pointer);
    EXPECT_EQ(combo->Exchange(record.data(), FromBuffer), sizeof(ComboBoxTransfer) + 8);
    EXPECT_EQ(ItemsOf(*combo), Texts({"1", "10", "2", "3", "4", "5", "6", "7", "8", "9"}));
}

TEST_F(ListControlTest, ListOperationsDriveBothKindsOfList) {
    ListBox* list = SingleList();
    ComboBox* combo = DropDownList();
    for (ListBox* target : {list, static_cast<ListBox*>(combo)}) {
        EXPECT_EQ(target->AddString("b"), 0);
        EXPECT_EQ(target->AddString("a"), 0) << "placed by the sort";
        EXPECT_EQ(target->InsertString("z", 1), 1);
        EXPECT_EQ(ItemsOf(*target), Texts({"a", "z", "b"}));
        EXPECT_EQ(target->GetSelIndex(), -1);
        EXPECT_EQ(target->SetSelIndex(2), 2);
        EXPECT_EQ(target->GetSelIndex(), 2);
        EXPECT_EQ(target->SelectString("Z", -1), 1);
        EXPECT_EQ(target->GetSelIndex(), 1);
        EXPECT_LT(target->SelectString("q", -1), 0) << "no item begins with q";
        EXPECT_EQ(target->GetStringLength(0), 1);
        EXPECT_LT(target->GetStringLength(7), 0) << "the list's error value passes through";
        target->ClearList();
        EXPECT_TRUE(ItemsOf(*target).empty());
    }
}

// ---- GetSelString -----------------------------------------------------------

struct SelStringCase {
    const char* name;
    bool combo;
    const char* item; // selected item, or null for no selection
    int result;
    const char* buffer; // what the buffer holds afterwards
};

void PrintTo(const SelStringCase& c, std::ostream* out) {
    *out << c.name;
}

class GetSelString : public ListControlTest, public testing::WithParamInterface<SelStringCase> {};

TEST_P(GetSelString, CopiesAtMostMaxCharsOfTheSelectedItem) {
    const SelStringCase& c = GetParam();
    ListBox* list = c.combo ? static_cast<ListBox*>(DropDownList()) : SingleList();
    list->AddString("first");
    if (c.item != nullptr) {
        list->SetSelIndex(list->AddString(c.item));
    }
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    buffer[sizeof buffer - 1] = '\0';
    EXPECT_EQ(list->GetSelString(buffer, 7), c.result);
    EXPECT_STREQ(buffer, c.buffer);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GetSelString,
    testing::Values(SelStringCase{"ListNoSelection", false, nullptr, -1, "###########"},
                    SelStringCase{"ListLongItem", false, "0123456789", 7, "0123456"},
                    SelStringCase{"ListShortItem", false, "COM3", 4, "COM3"},
                    SelStringCase{"ListExactFit", false, "COM1234", 7, "COM1234"},
                    SelStringCase{"ComboNoSelection", true, nullptr, -1, "###########"},
                    SelStringCase{"ComboLongItem", true, "0123456789", 7, "0123456"},
                    SelStringCase{"ComboShortItem", true, "COM3", 4, "COM3"}),
    [](const testing::TestParamInfo<SelStringCase>& info) { return info.param.name; });

TEST_F(ListControlTest, GetSelStringWritesNothingBeyondTheZero) {
    ComboBox* combo = DropDownList();
    combo->SetSelIndex(combo->AddString("0123456789"));
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(combo->GetSelString(buffer, 7), 7);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string("0123456\0####", sizeof buffer));
}

// ---- Combo box transfer -----------------------------------------------------

// A combo box record: the collection pointer, then the text field.
struct ComboRecord {
    explicit ComboRecord(std::int32_t textLength)
        : bytes(sizeof(ComboBoxTransfer) + static_cast<std::size_t>(textLength), '\0') {}
    void Set(StringCollection* strings, const char* text) {
        std::memcpy(bytes.data(), &strings, sizeof strings);
        std::strcpy(Text(), text);
    }
    char* Text() { return bytes.data() + sizeof(ComboBoxTransfer); }
    std::vector<char> bytes;
};

TEST_F(ListControlTest, ComboTransferWithAnEmptyCollectionEmptiesTheList) {
    ComboBox* combo = Editable();
    combo->AddString("old");
    Strings strings = OwnedStrings({});
    ComboRecord record(8);
    record.Set(strings.get(), "");
    combo->Exchange(record.bytes.data(), FromBuffer);
    EXPECT_TRUE(ItemsOf(*combo).empty());
}

TEST_F(ListControlTest, ComboTransferWithATextOfNoItemSetsTheEditField) {
    ComboBox* combo = Editable();
    Strings strings = OwnedStrings({"COM1", "COM2"});
    ComboRecord record(8);
    record.Set(strings.get(), "COM9");
    combo->Exchange(record.bytes.data(), FromBuffer);
    EXPECT_EQ(ItemsOf(*combo), Texts({"COM1", "COM2"}));
    EXPECT_EQ(combo->GetSelIndex(), -1);
    EXPECT_EQ(WindowText(combo->handle), "COM9");
}

// The collection keeps byte order (capitals first), the list the system's
// order, which ignores case: the first match in list order wins.
TEST_F(ListControlTest, ComboTransferSelectsTheFirstItemInListOrderThatBeginsWithTheText) {
    ComboBox* combo = Editable();
    Strings strings = OwnedStrings({"beta", "alpha1", "Alpha2"});
    ASSERT_STREQ(strings->StringAt(0), "Alpha2");
    ComboRecord record(8);
    record.Set(strings.get(), "ALPHA");
    combo->Exchange(record.bytes.data(), FromBuffer);
    EXPECT_EQ(ItemsOf(*combo), Texts({"alpha1", "Alpha2", "beta"}));
    EXPECT_EQ(combo->GetSelIndex(), 0);
    EXPECT_EQ(WindowText(combo->handle), "alpha1");
}

TEST_F(ListControlTest, ComboTransferReadsTheSelectedTextOfADropDownList) {
    ComboBox* combo = DropDownList();
    Strings strings = OwnedStrings({"None", "Odd", "Even", "Mark"});
    ComboRecord record(8);
    record.Set(strings.get(), "Even");
    combo->Exchange(record.bytes.data(), FromBuffer);
    EXPECT_EQ(ItemsOf(*combo)[static_cast<std::size_t>(combo->GetSelIndex())], "Even");

    combo->SetSelIndex(combo->SelectString("Mark", -1));
    ComboRecord out(8);
    std::memset(out.Text(), '#', 8);
    EXPECT_EQ(combo->Exchange(out.bytes.data(), ToBuffer), sizeof(ComboBoxTransfer) + 8);
    EXPECT_STREQ(out.Text(), "Mark");
}

TEST_F(ListControlTest, ComboTransferCutsTheTextToItsField) {
    ComboBox* combo = Editable();
    SetWindowTextA(combo->handle, "0123456789");
    ComboRecord out(combo->textLength);
    const std::vector<char> pointerBytes(out.bytes.begin(),
                                         out.bytes.begin() + sizeof(ComboBoxTransfer));
    combo->Exchange(out.bytes.data(), ToBuffer);
    EXPECT_STREQ(out.Text(), "0123456");
    EXPECT_EQ(std::vector<char>(out.bytes.begin(), out.bytes.begin() + sizeof(ComboBoxTransfer)),
              pointerBytes)
        << "ToBuffer leaves the collection pointer alone";
}

// ---- List box transfer -----------------------------------------------------

SelectionArray* NewSelection(std::initializer_list<std::int32_t> indices) {
    SelectionArray* array = SelectionArray::New(static_cast<std::int32_t>(indices.size()));
    std::copy(indices.begin(), indices.end(), array->Indices());
    return array;
}

std::vector<std::int32_t> IndicesOf(SelectionArray* array) {
    if (array == nullptr) {
        return {};
    }
    return std::vector<std::int32_t>(array->Indices(), array->Indices() + array->count);
}

std::vector<int> SelectedItems(ListBox& list) {
    std::vector<int> selected;
    const auto count = static_cast<int>(SendMessageA(list.handle, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (SendMessageA(list.handle, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) {
            selected.push_back(i);
        }
    }
    return selected;
}

TEST(SelectionArray, IsOneBlockOfCountAndIndices) {
    HeapProbe heap;
    SelectionArray* array = NewSelection({4, 9});
    EXPECT_EQ(array->count, 2);
    EXPECT_EQ(array->Size(), 12u);
    EXPECT_EQ(reinterpret_cast<char*>(array->Indices()), reinterpret_cast<char*>(array) + 4);
    EXPECT_EQ(IndicesOf(array), (std::vector<std::int32_t>{4, 9}));
    EXPECT_TRUE(heap.IsLive(array));
    EXPECT_EQ(heap.SizeOf(array), 12u);
    SelectionArray::Release(array);
    EXPECT_FALSE(heap.IsLive(array));
    SelectionArray::Release(nullptr);
}

class MultipleSelection : public ListControlTest {
protected:
    void SetUp() override {
        ListControlTest::SetUp();
        list = MultipleList();
        record.strings = strings.get();
        record.selection = nullptr;
    }
    void TearDown() override {
        SelectionArray::Release(record.selection);
        ListControlTest::TearDown();
    }
    ListBox* list = nullptr;
    Strings strings = OwnedStrings({"a", "b", "c", "d"});
    ListBoxTransfer record{};
};

TEST_F(MultipleSelection, NothingSelectedStoresANullArrayAndReleasesTheOldOne) {
    list->Exchange(&record, FromBuffer);
    HeapProbe heap;
    SelectionArray* old = NewSelection({1});
    record.selection = old;
    ASSERT_TRUE(heap.IsLive(old));
    EXPECT_EQ(list->Exchange(&record, ToBuffer), sizeof(ListBoxTransfer));
    EXPECT_EQ(record.selection, nullptr);
    EXPECT_FALSE(heap.IsLive(old));
    EXPECT_EQ(record.strings, strings.get());
}

TEST_F(MultipleSelection, ANullArrayLeavesEveryItemUnselected) {
    for (const char* text : {"x", "y"}) {
        list->AddString(text);
    }
    SendMessageA(list->handle, LB_SETSEL, TRUE, -1);
    ASSERT_EQ(SelectedItems(*list).size(), 2u);
    list->Exchange(&record, FromBuffer);
    EXPECT_EQ(ItemsOf(*list), Texts({"a", "b", "c", "d"}));
    EXPECT_TRUE(SelectedItems(*list).empty());
}

TEST_F(MultipleSelection, ASelectionOfTwoMakesTheRoundTrip) {
    record.selection = NewSelection({3, 1});
    list->Exchange(&record, FromBuffer);
    EXPECT_EQ(SelectedItems(*list), (std::vector<int>{1, 3}));

    SendMessageA(list->handle, LB_SETSEL, TRUE, 0);
    list->Exchange(&record, ToBuffer);
    ASSERT_NE(record.selection, nullptr);
    EXPECT_EQ(IndicesOf(record.selection), (std::vector<std::int32_t>{0, 1, 3}));
    EXPECT_EQ(record.selection->Size(), 16u);
}

TEST_F(ListControlTest, ASingleSelectionListTransfersTheIndex) {
    ListBox* list = SingleList();
    Strings strings = OwnedStrings({"c", "a", "b"});
    ListBoxTransfer record{};
    record.strings = strings.get();
    record.selIndex = 2;
    EXPECT_EQ(list->Exchange(&record, FromBuffer), sizeof(ListBoxTransfer));
    EXPECT_EQ(ItemsOf(*list), Texts({"a", "b", "c"}));
    EXPECT_EQ(list->GetSelIndex(), 2);

    list->SetSelIndex(-1);
    record.selIndex = 7;
    list->Exchange(&record, ToBuffer);
    EXPECT_EQ(record.selIndex, -1);
}

// Only LBS_MULTIPLESEL makes a record hold an array: the index of an
// extended-selection list is a plain number, never released.
TEST_F(ListControlTest, AnExtendedSelectionListIsTreatedAsSingleSelection) {
    auto* list = new ListBox(parent, 0, 0, 120, 200, 1);
    list->style |= LBS_EXTENDEDSEL;
    ASSERT_TRUE(list->Create());
    list->AddString("a");
    HeapProbe heap;
    SelectionArray* array = NewSelection({0});
    ListBoxTransfer record{};
    record.selection = array;
    list->Exchange(&record, ToBuffer);
    EXPECT_EQ(record.selIndex, list->GetSelIndex());
    EXPECT_TRUE(heap.IsLive(array));
    SelectionArray::Release(array);
}

TEST_F(ListControlTest, TheStyleIsReadFromTheWindowAtTransferTime) {
    ListBox* list = SingleList();
    list->AddString("a");
    list->SetSelIndex(list->AddString("b"));
    SetWindowLongPtrA(list->handle, GWL_STYLE,
                      GetWindowLongPtrA(list->handle, GWL_STYLE) | LBS_MULTIPLESEL);
    ListBoxTransfer record{};
    record.selection = nullptr;
    list->Exchange(&record, ToBuffer);
    EXPECT_EQ(record.selection, nullptr) << "stored as a multiple-selection list, not index 1";
}

} // namespace
