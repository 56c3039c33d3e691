#include "console/shaded_dialog.h"

namespace {

// The colour behind label text, matching the stock light grey brush.
constexpr COLORREF LabelBackground = RGB(192, 192, 192);

LRESULT LightGreyBrush() {
    return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
}

} // namespace

// A dialog procedure answers these two queries with the brush itself. The
// labels' text colour and background mode stay as the system sets them.
void ShadedDialog::Dispatch(Message& msg) {
    switch (msg.number) {
    case WM_CTLCOLORDLG:
        msg.result = LightGreyBrush();
        break;
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(msg.wParam), LabelBackground);
        msg.result = LightGreyBrush();
        break;
    default:
        Dialog::Dispatch(msg);
        break;
    }
}

// The dialog manager turns Escape into IDCANCEL with no control behind it,
// which would otherwise travel on to the owner window as a plain command.
void ShadedDialog::CommandById(Message& msg, int id) {
    if (id == IDCANCEL) {
        Cancel(msg);
    } else {
        Dialog::CommandById(msg, id);
    }
}
