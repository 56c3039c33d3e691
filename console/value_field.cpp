#include "console/value_field.h"

#include "console/number_text.h"

namespace {

constexpr DWORD ValueFieldStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_RIGHT;
constexpr DWORD ValueFieldExStyle = WS_EX_CLIENTEDGE;
// A display has no id of its own and takes no part in data transfer.
constexpr int NoId = 0;
constexpr std::int32_t NoTextRecord = 0;

} // namespace

void SetIntegerText(HWND window, std::int32_t value) {
    SetWindowTextA(window, IntegerText(value).c_str());
}

void SetFloatText(HWND window, int decimals, float value) {
    SetWindowTextA(window, FixedText(value, decimals).c_str());
}

ValueField::ValueField(WindowObject* parent, const char* text, std::int32_t x, std::int32_t y,
                       std::int32_t width, std::int32_t height)
    : StaticText(parent, text, x, y, width, height, NoId, NoTextRecord) {
    style = ValueFieldStyle;
    exStyle = ValueFieldExStyle;
}

void ValueField::SetInteger(std::int32_t value) {
    SetIntegerText(handle, value);
}

void ValueField::SetFloat(int decimals, float value) {
    SetFloatText(handle, decimals, value);
}

void ValueField::SetFirmwareVersion(std::uint16_t version) {
    SetWindowTextA(handle, FirmwareText(version).c_str());
}
