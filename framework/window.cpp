#include "framework/window.h"

#include <cstring>

namespace {

constexpr DWORD TopLevelStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD ChildStyle = WS_CHILD | WS_VISIBLE;
constexpr WPARAM SystemCommandMask = 0xFFF0;
constexpr int FrameworkBackground = COLOR_WINDOW + 1;

// Titles are owned copies; an empty title is no title.
char* CopyTitle(const char* title) {
    if (title == nullptr || title[0] == '\0') {
        return nullptr;
    }
    std::size_t size = std::strlen(title) + 1;
    char* copy = new char[size];
    std::memcpy(copy, title, size);
    return copy;
}

} // namespace

Window::Window(WindowObject* parent, const char* title) : WindowObject(parent) {
    this->title = CopyTitle(title);
    style = parent == nullptr ? TopLevelStyle : ChildStyle;
    x = CW_USEDEFAULT;
    width = CW_USEDEFAULT;
    previousProc = DefWindowProcA;
}

Window::Window(WindowObject* parent, int itemId) : WindowObject(parent) {
    id = static_cast<std::uint32_t>(itemId);
    SetFlag(FlagFromResource);
}

Window::~Window() {
    delete[] title;
}

void Window::DefaultProc(Message& msg) {
    msg.result = CallWindowProcA(previousProc, msg.handle, msg.number, msg.wParam, msg.lParam);
}

void Window::Dispatch(Message& msg) {
    switch (msg.number) {
    case WM_CREATE:
        OnCreate(msg);
        break;
    case WM_MOVE:
        OnMove(msg);
        break;
    case WM_SIZE:
        OnSize(msg);
        break;
    case WM_PAINT:
        OnPaint(msg);
        break;
    case WM_SYSCOMMAND:
        OnSysCommand(msg);
        break;
    default:
        WindowObject::Dispatch(msg);
        break;
    }
}

std::int32_t Window::GetId() {
    return static_cast<std::int32_t>(id);
}

void Window::FillClass(WNDCLASSA& record) {
    record.style = CS_HREDRAW | CS_VREDRAW;
    record.lpfnWndProc = CreationHookProc;
    record.cbClsExtra = 0;
    record.cbWndExtra = 0;
    record.hInstance = ModuleInstance();
    record.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    record.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    record.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(FrameworkBackground));
    record.lpszMenuName = nullptr;
    record.lpszClassName = ClassName();
}

// A window of a framework class is bound by its first message and has run
// AfterCreate from WM_CREATE before CreateWindowExA returns; any other window
// (a system class, an attached dialog item) is subclassed here.
bool Window::Create() {
    HWND parentHandle = parent != nullptr ? parent->handle : nullptr;
    if (HasFlag(FlagFromResource)) {
        handle = GetDlgItem(parentHandle, static_cast<int>(id));
    } else if (EnsureClass()) {
        objectBeingCreated = this;
        CreateHandle(parentHandle);
        objectBeingCreated = nullptr;
    }
    if (handle != nullptr && ObjectOfHandle(handle) == nullptr) {
        previousProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(objectProc)));
        AfterCreate();
        UpdatePlacement();
    }
    return handle != nullptr;
}

void Window::OnActivate(Message& msg) {
    WindowObject::OnActivate(msg);
    if (!HasFlag(FlagKeyboard)) {
        return;
    }
    if (LOWORD(msg.wParam) != WA_INACTIVE) {
        RestoreFocus();
    } else {
        SaveFocus();
    }
}

void Window::CreateHandle(HWND parentHandle) {
    auto menu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id));
    handle = CreateWindowExA(exStyle, ClassName(), title, style, x, y, width, height, parentHandle,
                             menu, ModuleInstance(), createParam);
}

void Window::Paint(PAINTSTRUCT&) {}

void Window::OnCreate(Message& msg) {
    AfterCreate();
    DefaultProc(msg);
}

void Window::OnPaint(Message&) {
    PAINTSTRUCT paintInfo{};
    BeginPaint(handle, &paintInfo);
    Paint(paintInfo);
    EndPaint(handle, &paintInfo);
}

void Window::OnMove(Message& msg) {
    UpdatePlacement();
    DefaultProc(msg);
}

void Window::OnSize(Message& msg) {
    if (msg.wParam == SIZE_RESTORED) {
        RECT rect{};
        GetWindowRect(handle, &rect);
        width = rect.right - rect.left;
        height = rect.bottom - rect.top;
    }
    DefaultProc(msg);
}

void Window::OnSysCommand(Message& msg) {
    WPARAM command = msg.wParam & SystemCommandMask;
    if (command == SC_MINIMIZE) {
        SaveFocus();
    } else if (command == SC_RESTORE) {
        RestoreFocus();
    }
    DefaultProc(msg);
}

// A focus outside the window keeps the earlier memory.
void Window::SaveFocus() {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(handle, focus)) {
        focusChild = focus;
    }
}

void Window::RestoreFocus() {
    if (focusChild != nullptr && IsWindow(focusChild) && !IsIconic(handle)) {
        SetFocus(focusChild);
    }
}

// Only a normal placement is remembered. An attached dialog item (style 0)
// keeps screen coordinates.
void Window::UpdatePlacement() {
    if (IsIconic(handle) || IsZoomed(handle)) {
        return;
    }
    RECT rect{};
    GetWindowRect(handle, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    POINT topLeft{rect.left, rect.top};
    if (parent != nullptr && (style & WS_CHILD) != 0) {
        ScreenToClient(parent->handle, &topLeft);
    }
    x = topLeft.x;
    y = topLeft.y;
}
