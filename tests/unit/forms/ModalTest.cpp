// Forms as the user meets them: modal results, closing, activation, failing handlers.
#include <map>
#include <memory>
#include <string>

#include "FormsTestSupport.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

using namespace qlry;
using namespace qlry::test;

namespace {

// Ends a modal loop that the test could not end, so that a failure does not hang.
class TModalWatchdog {
public:
    explicit TModalWatchdog(TCustomForm& form) : timer_(nullptr) {
        timer_.SetInterval(5000);
        timer_.OnTimer = [&form](TObject*) { form.SetModalResult(-1); };
    }

private:
    TTimer timer_;
};

TButton* AddButton(TForm& form, const char* name, TModalResult result, int left) {
    auto* button = new TButton(&form);
    button->SetName(name);
    button->SetParent(&form);
    button->SetCaption(name);
    button->SetModalResult(result);
    button->SetBounds(left, 100, 75, 25);
    return button;
}

} // namespace

TEST_F(FormsTest, ModalFormEndsWithTheResultOfTheButtonPressed) {
    struct Row {
        const char* press;  // a button to click, or a key for the edit
        WORD key;
        TModalResult expected;
    };
    const std::vector<Row> rows = {
        {"OK", 0, mrOk},
        {"Yes", 0, mrYes},
        {"Abort", 0, mrAbort},
        {"Cancel", 0, mrCancel},
        {nullptr, VK_RETURN, mrOk},     // the Default button
        {nullptr, VK_ESCAPE, mrCancel}, // the Cancel button
    };
    TForm other;
    other.Show();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.press ? row.press : (row.key == VK_RETURN ? "Return" : "Escape"));
        TForm form;
        std::map<std::string, TButton*> buttons;
        int left = 0;
        for (auto [name, result] : std::vector<std::pair<const char*, TModalResult>>{
                 {"OK", mrOk}, {"Yes", mrYes}, {"Abort", mrAbort}, {"Cancel", mrCancel}}) {
            buttons[name] = AddButton(form, name, result, left);
            left += 80;
        }
        buttons["OK"]->SetDefault(true);
        buttons["Cancel"]->SetCancel(true);
        auto* edit = new TEdit(&form);
        edit->SetParent(&form);
        form.SetActiveControl(edit);
        bool otherEnabledMeanwhile = true;
        for (auto& [name, button] : buttons)
            button->OnClick = [&](TObject*) { otherEnabledMeanwhile = IsWindowEnabled(other.Handle()); };

        form.HandleNeeded();
        if (row.press) PostMessageA(buttons[row.press]->Handle(), BM_CLICK, 0, 0);
        else PostMessageA(edit->Handle(), WM_KEYDOWN, row.key, 0);
        TModalWatchdog watchdog(form);
        EXPECT_EQ(form.ShowModal(), row.expected);
        EXPECT_FALSE(form.Visible());
        EXPECT_FALSE(IsWindowVisible(form.Handle()));
        EXPECT_FALSE(otherEnabledMeanwhile);
        EXPECT_TRUE(IsWindowEnabled(other.Handle()));
    }
    EXPECT_THROW(other.ShowModal(), EInvalidOperation);
}

TEST_F(FormsTest, ModalFormThatRefusesToCloseStaysOpenUntilItAgrees) {
    TForm form;
    TButton* ok = AddButton(form, "OK", mrOk, 0);
    int queries = 0, closes = 0;
    form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
    form.OnClose = [&](TObject*, TCloseAction& action) {
        if (++closes == 1) action = caNone;
    };
    form.HandleNeeded();
    for (int i = 0; i < 3; ++i) PostMessageA(ok->Handle(), BM_CLICK, 0, 0);
    TModalWatchdog watchdog(form);
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(queries, 3);
    EXPECT_EQ(closes, 2);
}

TEST_F(FormsTest, CloseActionDecidesWhatBecomesOfTheForm) {
    struct Row {
        TCloseAction action;
        bool stillThere;
        bool visible;
    };
    const std::vector<Row> rows = {
        {caNone, true, true},
        {caHide, true, false},
        {caMinimize, true, true},
        {caFree, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.action);
        auto* form = new TForm(nullptr);
        bool destroyed = false;
        form->OnDestroy = [&](TObject*) { destroyed = true; };
        form->OnClose = [&](TObject*, TCloseAction& action) {
            EXPECT_EQ(action, caHide);
            action = row.action;
        };
        form->Show();
        // The close box goes the same way as Close.
        SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
        PumpUntil([&] { return destroyed; }, 300);
        EXPECT_EQ(destroyed, !row.stillThere);
        if (!row.stillThere) continue;
        EXPECT_EQ(form->Visible(), row.visible);
        EXPECT_EQ(IsWindowVisible(form->Handle()) != 0, row.visible);
        EXPECT_EQ(IsIconic(form->Handle()) != 0, row.action == caMinimize);
        delete form;
    }

    // A form that refuses in OnCloseQuery hears no OnClose.
    TForm refusing;
    bool closeAsked = false;
    refusing.OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
    refusing.OnClose = [&](TObject*, TCloseAction&) { closeAsked = true; };
    refusing.Show();
    refusing.Close();
    EXPECT_FALSE(closeAsked);
    EXPECT_TRUE(refusing.Visible());

    // Closing the main form ends the program.
    TForm main;
    SetMainForm(&main);
    main.Show();
    EXPECT_EQ(application.MainWindow(), main.Handle());
    main.Close();
    EXPECT_TRUE(application.Terminated());
    SetMainForm(nullptr);
}

TEST_F(FormsTest, OnActivateFiresOnActivationAndAReplacedHandlerIsTheOneCalled) {
    TForm first, second;
    first.SetBounds(10, 10, 300, 200);
    second.SetBounds(400, 10, 300, 200);
    int original = 0, replacement = 0;
    first.OnActivate = [&](TObject* sender) {
        EXPECT_EQ(sender, &first);
        ++original;
    };
    first.Show();
    EXPECT_TRUE(PumpUntil([&] { return original == 1; }));

    // As the install engine does: keep the old handler and call it from the new one.
    TNotifyEvent saved = first.OnActivate;
    first.OnActivate = [&, saved](TObject* sender) {
        ++replacement;
        saved(sender);
    };
    second.Show();
    PumpFor(100);
    EXPECT_EQ(replacement, 0);
    SetActiveWindow(first.Handle());
    EXPECT_TRUE(PumpUntil([&] { return replacement == 1; }));
    EXPECT_EQ(original, 2);
    EXPECT_TRUE(first.Active());
}

TEST_F(FormsTest, ExceptionInOnClickReachesTheHookAndTheLoopGoesOn) {
    TForm form;
    TButton* failing = AddButton(form, "Failing", mrNone, 0);
    TButton* finish = AddButton(form, "Finish", mrNone, 80);
    failing->OnClick = [](TObject*) { throw EInvalidOperation("Click failed in %s", {"Failing"}); };
    bool finished = false;
    finish->OnClick = [&](TObject*) {
        finished = true;
        application.Terminate();
    };
    TTimer watchdog(nullptr);
    watchdog.SetInterval(5000);
    watchdog.OnTimer = [&](TObject*) { application.Terminate(); };
    form.Show();
    PostMessageA(failing->Handle(), BM_CLICK, 0, 0);
    PostMessageA(finish->Handle(), BM_CLICK, 0, 0);
    application.Run();
    EXPECT_EQ(errors, std::vector<std::string>{"EInvalidOperation: Click failed in Failing"});
    EXPECT_TRUE(finished);
}
