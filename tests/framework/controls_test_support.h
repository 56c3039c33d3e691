#pragma once

#include "foundation/string_collection.h"
#include "framework/check_box.h"
#include "framework/combo_box.h"
#include "framework/edit_box.h"
#include "framework/group_box.h"
#include "framework/list_box.h"
#include "framework/push_button.h"
#include "framework/static_text.h"
#include "framework/window.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

// A top-level window of the framework class that remembers the commands
// that climb up to it.
struct ControlParent : Window {
    ControlParent() : Window(nullptr, "controls") {}
    void CommandById(Message& msg, int id) override {
        commands.push_back(id);
        Window::CommandById(msg, id);
    }
    std::vector<int> commands;
};

// Every test gets a parent window with a handle; the controls it makes are
// its children and go with it.
class ControlTest : public testing::Test {
protected:
    void SetUp() override {
        parent = new ControlParent;
        ASSERT_TRUE(parent->Create());
    }
    void TearDown() override { parent->Dispose(); }

    template <typename T> T* Created(T* control) {
        EXPECT_TRUE(control->Create());
        return control;
    }

    ControlParent* parent = nullptr;
};

// A collection the test owns, filled with the given texts.
inline StringCollection* NewStrings(std::initializer_list<const char*> texts) {
    auto* strings = new StringCollection(10, 5);
    for (const char* text : texts) {
        strings->Insert(NewStr(text));
    }
    return strings;
}

// The texts of a list or combo box's items, in list order.
inline std::vector<std::string> ItemsOf(ListBox& list) {
    const UINT countMessage = list.MessageFor(ListOperation::GetCount);
    const auto count = static_cast<int>(SendMessageA(list.handle, countMessage, 0, 0));
    std::vector<std::string> items;
    for (int i = 0; i < count; ++i) {
        std::string text(static_cast<std::size_t>(list.GetStringLength(i)) + 1, '\0');
        text.resize(static_cast<std::size_t>(list.GetString(text.data(), i)));
        items.push_back(text);
    }
    return items;
}

inline std::string WindowText(HWND handle) {
    char text[256] = {};
    GetWindowTextA(handle, text, sizeof text);
    return text;
}
