#pragma once

#include "foundation/base_object.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

// What a window object sees of every window message. Handlers answer by
// writing result, which starts at 1 before the object sees the message.
struct Message {
    HWND handle;
    UINT number;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};

// Window flag bits.
constexpr std::uint32_t FlagKeyboard = 1;     // keyboard navigation and focus memory
constexpr std::uint32_t FlagFromResource = 2; // Create attaches to a dialog item
constexpr std::uint32_t FlagTransfer = 4;     // takes part in the parent's ExchangeData

// Directions of a data exchange between controls and a transfer buffer.
enum ExchangeDirection : int {
    SizeQuery = 0,  // only report the record's size
    ToBuffer = 1,   // control contents into the buffer
    FromBuffer = 2, // buffer into the control
};

// The command that closes the application from anywhere in the window tree.
constexpr int ExitCommandId = 0xFF14;

class WindowObject;

// The message that asks a bound window for its object.
extern UINT objectPtrMessage;
// The object whose window of a framework class is being created right now.
extern WindowObject* objectBeingCreated;

// Registers the object-pointer message when that has not happened yet; runs
// before main and may be called again.
void RegisterObjectPtrMessage();

// The object behind a window made or subclassed by the framework, else null.
WindowObject* ObjectOfHandle(HWND handle);

// Class procedure of every framework class: binds the first message of a new
// window to objectBeingCreated and hands the window over to that object.
LRESULT CALLBACK CreationHookProc(HWND handle, UINT number, WPARAM wParam, LPARAM lParam);

// The program's module instance.
HINSTANCE ModuleInstance();

// The object behind a window handle: keeps the object tree, owns a window
// procedure of its own, dispatches messages to its handlers, routes commands
// and carries the close protocol. Destroy window objects with Dispose only.
class WindowObject : public BaseObject {
public:
    explicit WindowObject(WindowObject* parent);
    ~WindowObject() override;

    // Virtual operations.
    virtual void DefaultProc(Message& msg); // abstract
    virtual void DefaultCommand(Message& msg);
    virtual void DefaultChildCommand(Message& msg);
    virtual void DefaultNotification(Message& msg);
    virtual void Dispatch(Message& msg);
    virtual void CommandById(Message& msg, int id);
    virtual void ChildCommand(Message& msg, int id);
    virtual void Notification(Message& msg, int code);
    virtual std::int32_t GetId();
    virtual const char* ClassName();
    virtual void FillClass(WNDCLASSA& record); // abstract
    virtual bool EnsureClass();
    virtual bool Create(); // abstract
    // Answers the size of the object's transfer record in bytes.
    virtual std::size_t Exchange(void* buffer, ExchangeDirection direction);
    virtual void AfterCreate();
    virtual void DestroyHandle();
    virtual bool MayClose();
    virtual void OnActivate(Message& msg);
    virtual void OnCommand(Message& msg);
    virtual void OnHScroll(Message& msg);
    virtual void OnVScroll(Message& msg);
    virtual void OnClose(Message& msg);
    virtual void OnDestroy(Message& msg);
    virtual void OnQueryEndSession(Message& msg);
    virtual void OnExitCommand(Message& msg);

    void SetFlag(std::uint32_t bits);
    bool HasFlag(std::uint32_t bits) const;
    void Show(int cmdShow);
    // Disposes the object (and so its window) when permission is given.
    void CloseWindow();
    void ExchangeData(ExchangeDirection direction);
    void AddChild(WindowObject* child);
    void RemoveChild(WindowObject* child);
    bool IsMainWindow() const;

    // Visits the children first to last; the action may dispose the child.
    template <typename Action> void ForEachChild(Action action) {
        if (lastChild == nullptr) {
            return;
        }
        WindowObject* last = lastChild;
        WindowObject* child = last->nextSibling;
        for (;;) {
            WindowObject* next = child->nextSibling;
            bool wasLast = child == last;
            action(child);
            if (wasLast) {
                return;
            }
            child = next;
        }
    }

    template <typename Test> WindowObject* FirstChildThat(Test test) {
        if (lastChild == nullptr) {
            return nullptr;
        }
        WindowObject* child = lastChild->nextSibling;
        for (;;) {
            if (test(child)) {
                return child;
            }
            if (child == lastChild) {
                return nullptr;
            }
            child = child->nextSibling;
        }
    }

    WindowObject* parent;
    WindowObject* lastChild;
    WindowObject* nextSibling;
    WNDPROC objectProc;
    HWND handle;
    std::uint32_t flags;
    void* transferBuffer;

protected:
    // Destroys the window while the object is whole, so that the messages of
    // its destruction reach the derived type's handlers.
    void BeforeDispose() override;

    // Permission to close: the application's for the main window.
    bool MayEnd();

private:
    void RouteScroll(Message& msg);
};
