// Message dialogs and the input box, answered by a timer that plays the user.
#include <map>
#include <string>

#include "FormsTestSupport.h"
#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"

using namespace qlry;
using namespace qlry::test;

namespace {

struct TDialogSearch {
    HWND found = nullptr;
    std::string windowClass;
};

BOOL CALLBACK VisitDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<TDialogSearch*>(parameter);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    if (std::string(name) != "#32770" && std::string(name) != "QlryForm") return TRUE;
    search->found = window;
    search->windowClass = name;
    return FALSE;
}

// The visible top-level window of this thread that a dialog opened, and its class.
HWND OpenDialog(std::string& windowClass) {
    TDialogSearch search;
    EnumThreadWindows(GetCurrentThreadId(), VisitDialog, reinterpret_cast<LPARAM>(&search));
    windowClass = search.windowClass;
    return search.found;
}

// Presses a button of the next dialog that opens: in a system message box by its id, in
// a form of ours by its name. Before that, Prepare may work on the dialog.
class TDialogPresser {
public:
    TDialogPresser(const std::string& button, std::function<void(HWND)> prepare = nullptr) : timer_(nullptr) {
        timer_.SetInterval(50);
        timer_.OnTimer = [this, button, prepare](TObject*) {
            std::string windowClass;
            HWND dialog = OpenDialog(windowClass);
            if (!dialog) return;
            if (prepare) prepare(dialog);
            static const std::map<std::string, int> ids = {{"OK", IDOK},       {"Cancel", IDCANCEL}, {"Yes", IDYES},
                                                           {"No", IDNO},       {"Abort", IDABORT},   {"Retry", IDRETRY},
                                                           {"Ignore", IDIGNORE}};
            HWND target = windowClass == "#32770" ? GetDlgItem(dialog, ids.at(button)) : FindChildByName(dialog, button);
            if (!target) return;
            timer_.SetEnabled(false);
            PostMessageA(target, BM_CLICK, 0, 0);
            pressedIn = windowClass;
        };
    }
    std::string pressedIn;

private:
    TTimer timer_;
};

} // namespace

TEST_F(FormsTest, MessageDlgAnswersTheButtonThatWasPressed) {
    struct Row {
        TMsgDlgButtons buttons;
        TMsgDlgType type;
        const char* press;
        TModalResult expected;
        const char* shownBy;
    };
    const std::vector<Row> rows = {
        {mbYesNo, mtConfirmation, "No", mrNo, "#32770"},
        {mbYesNo, mtConfirmation, "Yes", mrYes, "#32770"},
        {mbOKCancel, mtWarning, "OK", mrOk, "#32770"},
        {mbAbortRetryIgnore, mtError, "Retry", mrRetry, "#32770"},
        {mbYesNo | MsgButton(mbAll), mtInformation, "All", mrAll, "QlryForm"},
        {mbYesNo | MsgButton(mbNoToAll), mtCustom, "No", mrNo, "QlryForm"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.press);
        TDialogPresser presser(row.press);
        EXPECT_EQ(MessageDlg("Would you like to remove the components?", row.type, row.buttons, 0), row.expected);
        EXPECT_EQ(presser.pressedIn, row.shownBy);
    }
}

TEST_F(FormsTest, InputQueryGivesTheTypedTextOnlyWhenConfirmed) {
    struct Row {
        const char* press;
        bool confirmed;
        std::string value;
    };
    const std::vector<Row> rows = {
        {"OK", true, "New Folder"},
        {"Cancel", false, "start"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.press);
        TDialogPresser presser(row.press, [](HWND dialog) {
            EXPECT_EQ(GetFocus(), FindChildByName(dialog, "Edit"));
            SetWindowTextA(FindChildByName(dialog, "Edit"), "New Folder");
        });
        std::string value = "start";
        EXPECT_EQ(InputQuery("Create folder", "Folder name:", value), row.confirmed);
        EXPECT_EQ(value, row.value);
    }
    TDialogPresser cancel("Cancel");
    EXPECT_EQ(InputBox("Create folder", "Folder name:", "Default"), "Default");
}
