#include "framework_test_support.h"

#include "framework/dialog.h"

#include <cstring>
#include <string>

namespace {

// The dialog's edit field as a transfer-enabled control attached by id.
struct TransferField : Window {
    TransferField(WindowObject* parent, std::vector<std::string>* log)
        : Window(parent, TEST_EDIT_ID), log(log) {
        SetFlag(FlagTransfer);
    }
    std::size_t Exchange(void* buffer, ExchangeDirection direction) override {
        log->push_back(direction == ToBuffer ? "to buffer" : "from buffer");
        if (direction == ToBuffer) {
            std::memcpy(buffer, "OK!", 4);
        }
        return 4;
    }
    bool MayClose() override { return !refuse; }
    std::vector<std::string>* log;
    bool refuse = false;
};

// Drives itself: once it is initialised it posts the messages it was given,
// as a person's clicks would arrive.
struct ScriptedDialog : Dialog {
    ScriptedDialog(WindowObject* parent, std::vector<std::string>* log, bool* destroyed)
        : Dialog(parent, TEST_DIALOG_ID), destroyed(destroyed) {
        field = new TransferField(this, log);
    }
    ~ScriptedDialog() override { *destroyed = true; }
    void OnInitDialog(Message& msg) override {
        Dialog::OnInitDialog(msg);
        for (UINT number : script) {
            if (number == IDOK || number == IDCANCEL) {
                HWND button = GetDlgItem(handle, static_cast<int>(number));
                PostMessageA(handle, WM_COMMAND, MAKEWPARAM(number, BN_CLICKED),
                             reinterpret_cast<LPARAM>(button));
            } else {
                PostMessageA(handle, number, 0, 0);
            }
        }
    }
    std::vector<UINT> script;
    TransferField* field;
    bool* destroyed;
};

class DialogTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        main = new Window(nullptr, "dialog owner");
        ASSERT_TRUE(main->Create());
        application->mainWindow = main;
    }
    void TearDown() override {
        if (application->mainWindow != nullptr) {
            main->Dispose();
        }
        FrameworkTest::TearDown();
    }
    ScriptedDialog* MakeDialog(std::vector<UINT> script) {
        auto* dialog = new ScriptedDialog(main, &log, &destroyed);
        dialog->script = std::move(script);
        dialog->transferBuffer = buffer;
        return dialog;
    }
    Window* main = nullptr;
    std::vector<std::string> log;
    bool destroyed = false;
    char buffer[4] = {};
};

TEST_F(DialogTest, ModalOkTransfersEndsWithOneAndRunModalDisposesTheDialog) {
    EXPECT_EQ(application->RunModal(MakeDialog({IDOK})), IDOK);
    EXPECT_EQ(log, (std::vector<std::string>{"from buffer", "to buffer"}));
    EXPECT_STREQ(buffer, "OK!");
    EXPECT_TRUE(destroyed);
}

TEST_F(DialogTest, ModalCancelEndsWithTwoEvenWhenAChildRefusesAndTransfersNothing) {
    ScriptedDialog* dialog = MakeDialog({IDCANCEL});
    dialog->field->refuse = true;
    EXPECT_EQ(application->RunModal(dialog), IDCANCEL);
    EXPECT_EQ(log, (std::vector<std::string>{"from buffer"}));
    EXPECT_TRUE(destroyed);
}

TEST_F(DialogTest, ARefusedOkLeavesTheModalDialogOpen) {
    ScriptedDialog* dialog = MakeDialog({IDOK, IDCANCEL});
    dialog->field->refuse = true;
    EXPECT_EQ(application->RunModal(dialog), IDCANCEL);
    EXPECT_EQ(log, (std::vector<std::string>{"from buffer"}));
}

TEST_F(DialogTest, CloseOnAModalDialogEndsItWithTwo) {
    EXPECT_EQ(application->RunModal(MakeDialog({WM_CLOSE})), IDCANCEL);
    EXPECT_EQ(log, (std::vector<std::string>{"from buffer"}));
}

TEST_F(DialogTest, ModalOkWithoutABufferEndsWithOne) {
    ScriptedDialog* dialog = MakeDialog({IDOK});
    dialog->transferBuffer = nullptr;
    EXPECT_EQ(application->RunModal(dialog), IDOK);
    EXPECT_TRUE(log.empty());
}

TEST_F(DialogTest, AMissingTemplateGivesDialogBoxFailureValue) {
    auto* dialog = new Dialog(main, "NOSUCHDIALOG");
    EXPECT_EQ(application->RunModal(dialog), -1);
}

TEST_F(DialogTest, ModelessOkClosesAndDestroysWithoutTransfer) {
    ScriptedDialog* dialog = MakeDialog({});
    ASSERT_TRUE(dialog->Create());
    HWND handle = dialog->handle;
    EXPECT_TRUE(dialog->HasFlag(FlagKeyboard));
    EXPECT_EQ(ObjectOfHandle(dialog->field->handle), dialog->field) << "items are attached";
    EXPECT_EQ(log, (std::vector<std::string>{"from buffer"}));
    HWND ok = GetDlgItem(handle, IDOK);
    SendMessageA(handle, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(log, (std::vector<std::string>{"from buffer"}));
    EXPECT_EQ(buffer[0], 0);
}

// An attached item has no style of its own in its attributes, so its
// placement stays in screen coordinates.
TEST_F(DialogTest, AnAttachedItemKeepsScreenCoordinates) {
    ScriptedDialog* dialog = MakeDialog({});
    ASSERT_TRUE(dialog->Create());
    RECT rect{};
    GetWindowRect(dialog->field->handle, &rect);
    EXPECT_EQ(dialog->field->x, rect.left);
    EXPECT_EQ(dialog->field->y, rect.top);
    EXPECT_EQ(dialog->field->width, rect.right - rect.left);
    dialog->Dispose();
}

TEST_F(DialogTest, AModelessDialogThatCannotBeMadeAnswersFalse) {
    auto* dialog = new Dialog(main, "NOSUCHDIALOG");
    EXPECT_FALSE(dialog->Create());
    EXPECT_EQ(dialog->handle, nullptr);
    dialog->Dispose();
}

TEST_F(DialogTest, AMissingItemStopsTheAttachingAndTheTransfer) {
    bool dummy = false;
    auto* dialog = new ScriptedDialog(main, &log, &dummy);
    dialog->transferBuffer = buffer;
    auto* missing = new Window(dialog, TEST_MISSING_ITEM_ID);
    // Constructed after the field but attached in ring order: field first.
    ASSERT_TRUE(dialog->Create());
    EXPECT_NE(dialog->field->handle, nullptr);
    EXPECT_EQ(missing->handle, nullptr);
    EXPECT_TRUE(log.empty()) << "no transfer from the buffer";
    dialog->Dispose();
}

TEST_F(DialogTest, UnhandledMessagesAnswerZeroAndInitDialogOne) {
    ScriptedDialog* dialog = MakeDialog({});
    ASSERT_TRUE(dialog->Create());
    EXPECT_EQ(CallWindowProcA(dialog->objectProc, dialog->handle, WM_USER + 9, 0, 0), 0);
    EXPECT_EQ(CallWindowProcA(dialog->objectProc, dialog->handle, WM_INITDIALOG, 0, 0), 1);
    dialog->Dispose();
}

TEST_F(DialogTest, CancelCommandWithoutASenderClimbsInsteadOfCancelling) {
    ScriptedDialog* dialog = MakeDialog({});
    ASSERT_TRUE(dialog->Create());
    SendMessageA(dialog->handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(IsWindow(dialog->handle));
    dialog->Dispose();
}

class DialogEndSession : public DialogTest, public testing::WithParamInterface<bool> {};

// A dialog procedure answers whether it handled the query: the reverse of a
// window's answer.
TEST_P(DialogEndSession, AnswersZeroWhenAllowedAndOneWhenRefused) {
    const bool refusing = GetParam();
    ScriptedDialog* dialog = MakeDialog({});
    dialog->field->refuse = refusing;
    ASSERT_TRUE(dialog->Create());
    EXPECT_EQ(CallWindowProcA(dialog->objectProc, dialog->handle, WM_QUERYENDSESSION, 0, 0),
              refusing ? 1 : 0);
    EXPECT_TRUE(IsWindow(dialog->handle));
    dialog->Dispose();
}

INSTANTIATE_TEST_SUITE_P(Children, DialogEndSession, testing::Bool());

TEST(DialogTemplate, ANameIsCopiedAndAnIdIsKeptAsIs) {
    std::string name = TEST_DIALOG_NAME;
    auto* named = new Dialog(nullptr, name.c_str());
    name.assign(name.size(), 'x');
    EXPECT_STREQ(named->templateName, TEST_DIALOG_NAME);
    EXPECT_TRUE(named->HasNamedTemplate());

    auto* numbered = new Dialog(nullptr, 1);
    EXPECT_EQ(numbered->templateName, MAKEINTRESOURCEA(1));
    EXPECT_FALSE(numbered->HasNamedTemplate());
    auto* empty = new Dialog(nullptr, "");
    EXPECT_EQ(empty->templateName, nullptr);
    EXPECT_FALSE(named->modal);
    EXPECT_EQ(named->createParam, 0);
    named->Dispose();
    numbered->Dispose();
    empty->Dispose();
}

TEST_F(DialogTest, ANamedTemplateOpens) {
    std::string name = TEST_DIALOG_NAME;
    auto* dialog = new Dialog(main, name.c_str());
    name.clear();
    ASSERT_TRUE(dialog->Create());
    dialog->Dispose();
}

} // namespace
