// The pages after the installation: success, failure and the reboot choice.
#include <string>
#include <vector>

#include "DialogsTestSupport.h"
#include "dialogs/dlgcmp_TBadInstallationDlg.h"
#include "dialogs/dlgcmp_TGoodInstallationDlg.h"
#include "dialogs/dlgcmp_TReboot.h"
#include "dialogs/ordlg_Reboot.h"

using namespace qlry;
using namespace qlry::test;

namespace {

HWND WizardControl(const std::string& name) {
    TBaseFormContainer* wizard = VisibleWizard();
    return wizard ? FindVisibleControl(wizard->Handle(), name) : nullptr;
}

// The radio button of a reboot-page item (0 "Yes", 1 "No"), found by its text.
HWND RebootChoice(int index) {
    static const char* const items[] = {"Yes, I would like to reboot windows", "No, I would not like to reboot windows"};
    HWND group = WizardControl("RG");
    for (HWND button = group ? GetWindow(group, GW_CHILD) : nullptr; button; button = GetWindow(button, GW_HWNDNEXT))
        if (WindowText(button) == items[index]) return button;
    return nullptr;
}

} // namespace

TEST_F(DialogsTest, ASingleCompletionPageShowsOnlyFinish) {
    struct Row {
        TManagerType type;
        int event;
        const char* caption;
        const char* shot;
    };
    const std::vector<Row> rows = {
        {dmAfterGoodInstall, DialogEvent::AfterGoodInstall, "Setup complete", "good_page"},
        {dmAfterBadInstall, DialogEvent::AfterBadInstall, "Setup incomplete", "bad_page"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caption);
        TDialogManager* manager = AddManager("Manager", row.type);
        // Each page joins the manager of its own phase; only one of them runs here.
        TComponent* good = Add<TGoodInstallationDlg>("Good");
        TComponent* bad = Add<TBadInstallationDlg>("Bad");
        bool finish = false, next = true, back = true, cancel = true;
        RunScripted([&] { engine->BroadcastInformationEvent(engine, row.event, nullptr); },
                    {WaitForPage(row.caption), ShootWizard(row.shot),
                     [&] {
                         finish = WizardControl("FinishBtn") != nullptr;
                         next = WizardControl("ProceedBtn") != nullptr;
                         back = WizardControl("BackBtn") != nullptr;
                         cancel = WizardControl("CancelBtn") != nullptr;
                         return true;
                     },
                     ClickOnPage("FinishBtn")});
        EXPECT_TRUE(finish);
        EXPECT_FALSE(next);
        EXPECT_FALSE(back);
        EXPECT_FALSE(cancel);
        good->Free();
        bad->Free();
        manager->Free();
    }
}

TEST_F(DialogsTest, TheRebootPageOpensWithTheEnginesChoiceAndTheUsersClickDecides) {
    struct Row {
        bool rebootBefore;
        int click;  // -1: no click
        bool yesSelectedAtFirst;
        bool rebootAfter;
    };
    const std::vector<Row> rows = {
        {true, -1, true, true},    // Finish without touching the choice
        {true, 1, true, false},    // "No", then Finish
        {false, 0, false, true},   // "Yes", then Finish
        {false, -1, false, false},
    };
    AddManager("dmReboot", dmReboot);
    Add<TRebootDlg>("Reboot");
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.rebootBefore) + " click " + std::to_string(row.click));
        engine->SetReboot(row.rebootBefore);
        bool yesAtFirst = !row.yesSelectedAtFirst;
        RunScripted([&] { engine->BroadcastInformationEvent(engine, DialogEvent::Reboot, nullptr); },
                    {WaitForPage("Reboot windows"), ShootWizard("reboot_page"),
                     [&] {
                         HWND yes = RebootChoice(0);
                         if (!yes) return false;
                         yesAtFirst = SendMessageA(yes, BM_GETCHECK, 0, 0) == BST_CHECKED;
                         if (row.click >= 0) Click(RebootChoice(row.click));
                         return true;
                     },
                     [&] {
                         return row.click < 0 ||
                                SendMessageA(RebootChoice(row.click), BM_GETCHECK, 0, 0) == BST_CHECKED;
                     },
                     ClickOnPage("FinishBtn")});
        EXPECT_EQ(yesAtFirst, row.yesSelectedAtFirst);
        EXPECT_EQ(engine->Reboot(), row.rebootAfter);
    }
}
