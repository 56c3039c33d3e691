#pragma once

#include "framework/window_object.h"

// A window object that makes its own window: creation attributes, the
// framework window class, subclassing of system-class windows and attached
// dialog items, focus memory and placement tracking.
class Window : public WindowObject {
public:
    // A window of its own; a parent makes it a visible child window.
    Window(WindowObject* parent, const char* title);
    // Attaches to the parent dialog's item with the given id on Create.
    Window(WindowObject* parent, int itemId);
    ~Window() override;

    void DefaultProc(Message& msg) override;
    void Dispatch(Message& msg) override;
    std::int32_t GetId() override;
    void FillClass(WNDCLASSA& record) override;
    bool Create() override;
    void OnActivate(Message& msg) override;

    // Added operations.
    virtual void CreateHandle(HWND parentHandle);
    virtual void Paint(PAINTSTRUCT& paintInfo);
    virtual void OnCreate(Message& msg);
    virtual void OnPaint(Message& msg);
    virtual void OnMove(Message& msg);
    virtual void OnSize(Message& msg);
    virtual void OnSysCommand(Message& msg);

    void SaveFocus();
    void RestoreFocus();
    // Copies the window's last normal placement into the attributes.
    void UpdatePlacement();

    char* title;
    DWORD style;
    DWORD exStyle;
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
    void* createParam;
    std::uint32_t id;
    WNDPROC previousProc;
    HWND focusChild;
};
