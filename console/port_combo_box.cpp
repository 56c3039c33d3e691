#include "console/port_combo_box.h"

#include "console/port_name_collection.h"

namespace {

constexpr std::int32_t NoTextRecord = 0;
constexpr bool Editable = false; // a drop-down list
constexpr int AtTheEnd = -1;

} // namespace

PortComboBox::PortComboBox(WindowObject* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                           std::int32_t height, std::int32_t id)
    : ComboBox(parent, x, y, width, height, id, NoTextRecord, Editable) {
    portNames = new PortNameCollection;
}

PortComboBox::~PortComboBox() {
    portNames->Dispose();
}

// Appending keeps the collection's order although the list carries CBS_SORT,
// whose order would put COM10 before COM2.
void PortComboBox::AfterCreate() {
    portNames->ForEach(
        [this](void* name) { InsertString(static_cast<const char*>(name), AtTheEnd); });
}
