#include "framework/dialog.h"

#include "framework/application.h"

#include <cstring>

namespace {

constexpr std::int32_t OkResult = IDOK;
constexpr std::int32_t CancelResult = IDCANCEL;

// The window system's integer-resource convention: an id has no high word.
bool IsResourceId(const char* name) {
    return IS_INTRESOURCE(name);
}

char* CopyTemplateName(const char* name) {
    if (IsResourceId(name)) {
        return const_cast<char*>(name);
    }
    if (name[0] == '\0') {
        return nullptr;
    }
    std::size_t size = std::strlen(name) + 1;
    char* copy = new char[size];
    std::memcpy(copy, name, size);
    return copy;
}

} // namespace

Dialog::Dialog(WindowObject* parent, const char* templateName)
    : WindowObject(parent), templateName(CopyTemplateName(templateName)) {}

Dialog::Dialog(WindowObject* parent, int templateId)
    : Dialog(parent, MAKEINTRESOURCEA(templateId)) {}

Dialog::~Dialog() {
    if (HasNamedTemplate()) {
        delete[] templateName;
    }
}

bool Dialog::HasNamedTemplate() const {
    return !IsResourceId(templateName);
}

// The dialog manager does its own default processing.
void Dialog::DefaultProc(Message& msg) {
    msg.result = 0;
}

void Dialog::Dispatch(Message& msg) {
    if (msg.number == WM_INITDIALOG) {
        OnInitDialog(msg);
    } else {
        WindowObject::Dispatch(msg);
    }
}

void Dialog::ChildCommand(Message& msg, int id) {
    if (id == IDOK) {
        Ok(msg);
    } else if (id == IDCANCEL) {
        Cancel(msg);
    } else {
        WindowObject::ChildCommand(msg, id);
    }
}

bool Dialog::Create() {
    SetFlag(FlagKeyboard);
    HWND parentHandle = parent != nullptr ? parent->handle : nullptr;
    handle = CreateDialogParamA(ModuleInstance(), templateName, parentHandle,
                                reinterpret_cast<DLGPROC>(objectProc), createParam);
    return handle != nullptr;
}

void Dialog::OnClose(Message& msg) {
    Cancel(msg);
}

// A dialog procedure answers whether it handled the message: 0 lets the
// dialog manager give permission, 1 refuses.
void Dialog::OnQueryEndSession(Message& msg) {
    msg.result = MayEnd() ? 0 : 1;
}

// The result stays 1 so that the dialog manager sets the default focus.
void Dialog::OnInitDialog(Message& msg) {
    handle = msg.handle;
    AfterCreate();
}

void Dialog::Ok(Message&) {
    if (!modal) {
        CloseWindow();
        return;
    }
    if (MayClose()) {
        ExchangeData(ToBuffer);
        EndDialog(handle, OkResult);
    }
}

void Dialog::Cancel(Message&) {
    if (modal) {
        EndDialog(handle, CancelResult);
    } else {
        CloseWindow();
    }
}

std::int32_t Dialog::Execute() {
    modal = true;
    HWND parentHandle = parent != nullptr ? parent->handle : nullptr;
    return static_cast<std::int32_t>(DialogBoxParamA(ModuleInstance(), templateName, parentHandle,
                                                     reinterpret_cast<DLGPROC>(objectProc),
                                                     createParam));
}
