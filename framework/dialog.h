#pragma once

#include "framework/window_object.h"

#include <cstdint>

// A dialog box from a template in the program's resources, modeless (Create)
// or modal (Execute). The object's window procedure is the dialog procedure,
// so every message of the dialog reaches the object.
class Dialog : public WindowObject {
public:
    // The template by name (copied) or as MAKEINTRESOURCEA(id).
    Dialog(WindowObject* parent, const char* templateName);
    Dialog(WindowObject* parent, int templateId);
    ~Dialog() override;

    void DefaultProc(Message& msg) override;
    void Dispatch(Message& msg) override;
    void ChildCommand(Message& msg, int id) override;
    bool Create() override;
    void OnClose(Message& msg) override;
    void OnQueryEndSession(Message& msg) override;

    // Added operations.
    virtual void OnInitDialog(Message& msg);
    virtual void Ok(Message& msg);
    virtual void Cancel(Message& msg);

    // Runs the dialog modally: the code given to EndDialog, or the failure
    // value of DialogBoxParamA.
    std::int32_t Execute();

    // Whether templateName is an owned copy rather than an integer id.
    bool HasNamedTemplate() const;

    char* templateName;
    LPARAM createParam;
    bool modal;
};
