#include "framework/window_object.h"

#include "foundation/run_time_error.h"
#include "framework/application.h"
#include "framework/object_proc.h"

UINT objectPtrMessage;
WindowObject* objectBeingCreated;

namespace {

constexpr const char* ObjectPtrMessageName = "OwlObjectPtr";
constexpr const char* FrameworkClassName = "OwlWindow";

const bool objectPtrMessageRegistered = (RegisterObjectPtrMessage(), true);

int LowWord(WPARAM value) {
    return LOWORD(value);
}
int HighWord(WPARAM value) {
    return HIWORD(value);
}
int ControlId(HWND control) {
    return static_cast<int>(GetWindowLongPtrA(control, GWLP_ID));
}
HWND ControlOf(const Message& msg) {
    return reinterpret_cast<HWND>(msg.lParam);
}

} // namespace

void RegisterObjectPtrMessage() {
    if (objectPtrMessage == 0) {
        objectPtrMessage = RegisterWindowMessageA(ObjectPtrMessageName);
    }
}

HINSTANCE ModuleInstance() {
    return GetModuleHandleA(nullptr);
}

WindowObject* ObjectOfHandle(HWND handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(handle, GWLP_WNDPROC));
    if (proc == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<WindowObject*>(CallWindowProcA(proc, handle, objectPtrMessage, 0, 0));
}

LRESULT CALLBACK CreationHookProc(HWND handle, UINT number, WPARAM wParam, LPARAM lParam) {
    WindowObject* object = objectBeingCreated;
    if (object == nullptr) {
        return DefWindowProcA(handle, number, wParam, lParam);
    }
    object->handle = handle;
    SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(object->objectProc));
    LRESULT result = object->objectProc(handle, number, wParam, lParam);
    objectBeingCreated = nullptr;
    return result;
}

WindowObject::WindowObject(WindowObject* parent) : parent(parent) {
    if (parent != nullptr) {
        parent->AddChild(this);
    }
    objectProc = AllocateObjectProc(this);
}

void WindowObject::BeforeDispose() {
    DestroyHandle();
}

// Windows go first (BeforeDispose has already destroyed them when the object
// is disposed), then the child objects, then the object's own links.
WindowObject::~WindowObject() {
    WindowObject::DestroyHandle();
    ForEachChild([](WindowObject* child) { child->Dispose(); });
    if (parent != nullptr) {
        parent->RemoveChild(this);
    }
    if (IsMainWindow()) {
        currentApplication->mainWindow = nullptr;
    }
    ReleaseObjectProc(objectProc);
}

void WindowObject::DefaultProc(Message&) {
    AbstractCall();
}

void WindowObject::DefaultCommand(Message& msg) {
    if (parent != nullptr) {
        parent->CommandById(msg, LowWord(msg.wParam));
    } else {
        DefaultProc(msg);
    }
}

void WindowObject::DefaultChildCommand(Message& msg) {
    DefaultProc(msg);
}

void WindowObject::DefaultNotification(Message& msg) {
    if (parent != nullptr) {
        parent->ChildCommand(msg, ControlId(handle));
    }
}

void WindowObject::Dispatch(Message& msg) {
    switch (msg.number) {
    case WM_DESTROY:
        OnDestroy(msg);
        break;
    case WM_ACTIVATE:
        OnActivate(msg);
        break;
    case WM_CLOSE:
        OnClose(msg);
        break;
    case WM_QUERYENDSESSION:
        OnQueryEndSession(msg);
        break;
    case WM_COMMAND:
        OnCommand(msg);
        break;
    case WM_HSCROLL:
        OnHScroll(msg);
        break;
    case WM_VSCROLL:
        OnVScroll(msg);
        break;
    default:
        DefaultProc(msg);
        break;
    }
}

void WindowObject::CommandById(Message& msg, int id) {
    if (id == ExitCommandId) {
        OnExitCommand(msg);
    } else {
        DefaultCommand(msg);
    }
}

void WindowObject::ChildCommand(Message& msg, int) {
    DefaultChildCommand(msg);
}

void WindowObject::Notification(Message& msg, int) {
    DefaultNotification(msg);
}

std::int32_t WindowObject::GetId() {
    return -1;
}

const char* WindowObject::ClassName() {
    return FrameworkClassName;
}

void WindowObject::FillClass(WNDCLASSA&) {
    AbstractCall();
}

// The first object of a class name registers the class for the process.
bool WindowObject::EnsureClass() {
    WNDCLASSA record{};
    if (GetClassInfoA(ModuleInstance(), ClassName(), &record)) {
        return true;
    }
    FillClass(record);
    return RegisterClassA(&record) != 0;
}

bool WindowObject::Create() {
    AbstractCall();
}

std::size_t WindowObject::Exchange(void*, ExchangeDirection) {
    return 0;
}

// Stops at the first child without a window; the buffer is then not read.
void WindowObject::AfterCreate() {
    WindowObject* failed = FirstChildThat([](WindowObject* child) { return !child->Create(); });
    if (failed == nullptr) {
        ExchangeData(FromBuffer);
    }
}

void WindowObject::DestroyHandle() {
    if (handle != nullptr) {
        DestroyWindow(handle);
    }
}

bool WindowObject::MayClose() {
    return FirstChildThat([](WindowObject* child) { return !child->MayClose(); }) == nullptr;
}

void WindowObject::OnActivate(Message& msg) {
    DefaultProc(msg);
    if (!HasFlag(FlagKeyboard) || currentApplication == nullptr) {
        return;
    }
    bool active = LowWord(msg.wParam) != WA_INACTIVE;
    currentApplication->SetKeyboardWindow(active ? this : nullptr);
}

void WindowObject::OnCommand(Message& msg) {
    HWND control = ControlOf(msg);
    if (control == nullptr) {
        CommandById(msg, LowWord(msg.wParam));
        return;
    }
    if (WindowObject* object = ObjectOfHandle(control)) {
        object->Notification(msg, HighWord(msg.wParam));
    } else {
        ChildCommand(msg, LowWord(msg.wParam));
    }
}

void WindowObject::OnHScroll(Message& msg) {
    RouteScroll(msg);
}

void WindowObject::OnVScroll(Message& msg) {
    RouteScroll(msg);
}

// A scroll bar of the window itself gets default processing; a scroll-bar
// control is handled like a control's command.
void WindowObject::RouteScroll(Message& msg) {
    HWND control = ControlOf(msg);
    if (control == nullptr) {
        DefaultProc(msg);
        return;
    }
    if (WindowObject* object = ObjectOfHandle(control)) {
        object->Notification(msg, LowWord(msg.wParam));
    } else {
        ChildCommand(msg, ControlId(control));
    }
}

void WindowObject::OnClose(Message&) {
    CloseWindow();
}

void WindowObject::OnDestroy(Message& msg) {
    if (IsMainWindow()) {
        PostQuitMessage(0);
    }
    DefaultProc(msg);
}

void WindowObject::OnQueryEndSession(Message& msg) {
    msg.result = MayEnd() ? 1 : 0;
}

void WindowObject::OnExitCommand(Message& msg) {
    if (IsMainWindow()) {
        CloseWindow();
    } else {
        DefaultCommand(msg);
    }
}

void WindowObject::SetFlag(std::uint32_t bits) {
    flags |= bits;
}

bool WindowObject::HasFlag(std::uint32_t bits) const {
    return (flags & bits) == bits;
}

void WindowObject::Show(int cmdShow) {
    if (handle != nullptr) {
        ShowWindow(handle, cmdShow);
    }
}

bool WindowObject::MayEnd() {
    if (IsMainWindow()) {
        return currentApplication->MayQuit();
    }
    return MayClose();
}

void WindowObject::CloseWindow() {
    if (MayEnd()) {
        Dispose();
    }
}

// The buffer holds the transfer records of the children back to back.
void WindowObject::ExchangeData(ExchangeDirection direction) {
    if (transferBuffer == nullptr) {
        return;
    }
    auto* cursor = static_cast<std::uint8_t*>(transferBuffer);
    ForEachChild([&](WindowObject* child) {
        if (child->HasFlag(FlagTransfer)) {
            cursor += child->Exchange(cursor, direction);
        }
    });
}

void WindowObject::AddChild(WindowObject* child) {
    if (child == nullptr) {
        return;
    }
    if (lastChild == nullptr) {
        child->nextSibling = child;
    } else {
        child->nextSibling = lastChild->nextSibling;
        lastChild->nextSibling = child;
    }
    lastChild = child;
}

void WindowObject::RemoveChild(WindowObject* child) {
    if (lastChild == nullptr || child == nullptr) {
        return;
    }
    WindowObject* predecessor = lastChild;
    while (predecessor->nextSibling != child) {
        predecessor = predecessor->nextSibling;
        if (predecessor == lastChild) {
            return; // a full circuit: not a child
        }
    }
    if (predecessor == child) {
        lastChild = nullptr;
        return;
    }
    predecessor->nextSibling = child->nextSibling;
    if (child == lastChild) {
        lastChild = predecessor;
    }
}

bool WindowObject::IsMainWindow() const {
    return currentApplication != nullptr && currentApplication->mainWindow == this;
}
