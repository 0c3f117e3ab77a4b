// The wizard window: which pages it collects, their order, moving between them, how it
// ends, and where it and the copy forms are placed on the screen.
#include <string>
#include <vector>

#include "DialogsTestSupport.h"
#include "dialogs/dlgcmp_TCopyFile.h"
#include "dialogs/dlgcmp_TLicenseDlg.h"
#include "dialogs/dlgcmp_TReadmeDlg.h"
#include "dialogs/dlgcmp_TSelectDestination.h"
#include "dialogs/dlgcmp_TSelectFolder.h"
#include "dialogs/dlgcmp_TWelcomeDlg.h"
#include "engine/exceptions_Quillory.h"

using namespace qlry;
using namespace qlry::test;

namespace {

// Records the caption of the page shown and presses one of its buttons.
TScript::Step Press(std::vector<std::string>& seen, const std::string& button) {
    return [&seen, button] {
        TBaseFormContainer* wizard = VisibleWizard();
        HWND window = wizard ? FindVisibleControl(wizard->Handle(), button) : nullptr;
        if (!window || !IsWindowEnabled(window)) return false;
        seen.push_back(wizard->Caption());
        Click(window);
        return true;
    };
}

} // namespace

TEST_F(DialogsTest, PagesWithEqualOrderAreShownInTheOrderOfTheExchangeSort) {
    AddManager("dmBefore", dmBeforeInstall);
    // Registered readme (20), licence (20), welcome (10): the sort exchanges welcome with
    // the readme, which then follows the licence.
    Add<TReadmeDlg>("Readme")->SetOrder(20);
    Add<TLicenseDlg>("License");
    Add<TWelcomeDlg>("Welcome");
    std::vector<std::string> seen;
    RunScripted([&] { engine->BroadcastInformationEvent(engine, DialogEvent::BeforeInstall, nullptr); },
                {Press(seen, "ProceedBtn"), Press(seen, "ProceedBtn"), Press(seen, "ProceedBtn")});
    EXPECT_EQ(seen, (std::vector<std::string>{"Welcome", "Software license agreement", "Readme information"}));
    EXPECT_EQ(VisibleWizard(), nullptr);
}

TEST_F(DialogsTest, SkippedPagesArePassedInBothDirectionsAndBackIsHiddenOnTheFirstShownPage) {
    AddManager("dmBefore", dmBeforeInstall);
    // Folder pages without a link group are skipped: one before, one between, one after.
    Add<TSelectFolderDlg>("FolderFirst", false)->SetOrder(5);
    Add<TWelcomeDlg>("Welcome");
    Add<TSelectFolderDlg>("FolderBetween", false)->SetOrder(15);
    Add<TLicenseDlg>("License");
    Add<TSelectFolderDlg>("FolderAfter", false)->SetOrder(30);
    std::vector<std::string> seen;
    std::vector<bool> backVisible;
    auto noteBack = [&] {
        TBaseFormContainer* wizard = VisibleWizard();
        if (!wizard || !wizard->CurrentPage()) return false;
        backVisible.push_back(wizard->CurrentPage()->BackBtn()->Visible());
        return true;
    };
    RunScripted([&] { engine->BroadcastInformationEvent(engine, DialogEvent::BeforeInstall, nullptr); },
                {WaitForPage("Welcome"), noteBack, Press(seen, "ProceedBtn"), WaitForPage("Software license agreement"),
                 noteBack, Press(seen, "BackBtn"), WaitForPage("Welcome"), Press(seen, "ProceedBtn"),
                 WaitForPage("Software license agreement"), Press(seen, "ProceedBtn")});
    EXPECT_EQ(seen, (std::vector<std::string>{"Welcome", "Software license agreement", "Welcome",
                                              "Software license agreement"}));
    EXPECT_EQ(backVisible, (std::vector<bool>{false, true}));
    EXPECT_EQ(VisibleWizard(), nullptr);
    EXPECT_EQ(errors, std::vector<std::string>{});
}

TEST_F(DialogsTest, CloseBoxAndAltF4DoNotEndTheWizardButCancelAbortsTheInstallation) {
    AddManager("dmBefore", dmBeforeInstall);
    Add<TWelcomeDlg>("Welcome");
    int asked = 0;
    bool quit = false;
    engine->OnUserAbort = [&](TCustomInstall*, bool& quitOut) {
        ++asked;
        quitOut = quit;
    };
    bool stillShown = false;
    std::vector<std::string> seen;
    TScript script({
        WaitForPage("Welcome"),
        [] {
            HWND window = VisibleWizard()->Handle();
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            PostMessageA(window, WM_CLOSE, 0, 0);
            PostMessageA(window, WM_SYSKEYDOWN, VK_F4, 1 << 29);
            return true;
        },
        Pause(400),
        [&] {
            stillShown = VisibleWizard() != nullptr;
            return true;
        },
        Press(seen, "CancelBtn"),  // the engine says no: the page stays
        Pause(300),
        [&] {
            quit = true;
            return VisibleWizard() != nullptr;
        },
        Press(seen, "CancelBtn"),
    });
    std::string message = MessageOf<EAIUserAbort>(
        [&] { engine->BroadcastInformationEvent(engine, DialogEvent::BeforeInstall, nullptr); });
    EXPECT_EQ(script.Failure(), "");
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(message, "Installation aborted by the user");
    EXPECT_EQ(VisibleWizard(), nullptr);
}

TEST_F(DialogsTest, ManagersRunTheWizardOnlyForTheEventOfTheirPhase) {
    struct Row {
        TManagerType type;
        int event;
        bool shown;
    };
    const std::vector<Row> rows = {
        {dmBeforeInstall, DialogEvent::BeforeInstall, true},
        {dmBeforeInstall, DialogEvent::AfterGoodInstall, false},
        {dmAfterGoodInstall, DialogEvent::AfterGoodInstall, true},
        {dmAfterBadInstall, DialogEvent::AfterBadInstall, true},
        {dmReboot, DialogEvent::Reboot, true},
        {dmReboot, DialogEvent::BeforeInstall, false},
        {dmDuringCopyFiles, DialogEvent::BeforeInstall, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.type) + " / " + std::to_string(row.event));
        TDialogManager* manager = AddManager("Manager", row.type);
        // A welcome page that belongs to this manager, whatever its phase.
        auto* welcome = Add<TWelcomeDlg>("Welcome");
        welcome->SetDialogManager(manager);
        bool shown = false;
        TScript script({[&] {
                           shown = VisibleWizard() != nullptr;
                           return shown;
                       },
                        ClickOnPage("ProceedBtn")});
        engine->BroadcastInformationEvent(engine, row.event, nullptr);
        EXPECT_EQ(shown, row.shown);
        welcome->Free();
        manager->Free();
    }
    // A manager without pages for its phase shows nothing and returns.
    AddManager("Empty", dmBeforeInstall);
    engine->BroadcastInformationEvent(engine, DialogEvent::BeforeInstall, nullptr);
    EXPECT_EQ(VisibleWizard(), nullptr);
}

TEST(DialogPlacement, GridOfPositionsRoundsCopyFormsAndTruncatesTheWizard) {
    struct Row {
        TQuilloryDialogPosition position;
        int width, height, left, top;
        bool truncate;
        POINT expected;
    };
    const std::vector<Row> rows = {
        {qdpBottomCenter, 474, 146, 0, 30, false, {275, 574}},   // the copy form's defaults
        {qdpCenter, 473, 395, 0, 0, false, {276, 186}},          // 275.5 and 186.5 go to the even neighbour
        {qdpCenter, 473, 395, 0, 0, true, {275, 186}},           // the wizard truncates
        {qdpCenter, 1103, 395, 0, 0, false, {-40, 186}},
        {qdpCenter, 1103, 395, 0, 0, true, {-39, 186}},          // toward zero
        {qdpCenterLeft, 400, 300, 7, 9, true, {7, 243}},
        {qdpCenterRight, 400, 300, 7, 9, true, {617, 243}},
        {qdpBottomLeft, 400, 300, 7, 9, true, {7, 441}},
        {qdpBottomRight, 400, 300, 7, 9, true, {617, 441}},
        {qdpTopLeft, 400, 300, 7, 9, true, {7, 9}},
        {qdpTopCenter, 400, 300, 7, 9, true, {319, 9}},
        {qdpTopRight, 400, 300, 7, 9, true, {617, 9}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.position) + (row.truncate ? " truncated" : " rounded"));
        POINT corner = DialogPlacement(row.position, 1024, 768, row.width, row.height, row.left, row.top, 18,
                                       row.truncate);
        EXPECT_EQ(corner.x, row.expected.x);
        EXPECT_EQ(corner.y, row.expected.y);
    }
}

TEST_F(DialogsTest, WizardAndCopyFormAreShownWherePositionPlacesThem) {
    TDialogManager* manager = AddManager("dmBefore", dmBeforeInstall);
    manager->SetPosition(qdpTopRight);
    manager->SetRelativeLeftOffset(11);
    manager->SetRelativeTopOffset(13);
    Add<TWelcomeDlg>("Welcome");
    RECT wizardRect{};
    RunScripted([&] { engine->BroadcastInformationEvent(engine, DialogEvent::BeforeInstall, nullptr); },
                {WaitForPage("Welcome"), ShootWizard("welcome"),
                 [&] {
                     GetWindowRect(VisibleWizard()->Handle(), &wizardRect);
                     return true;
                 },
                 ClickOnPage("ProceedBtn")});
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_EQ(wizardRect.right - wizardRect.left, 478);
    EXPECT_EQ(wizardRect.bottom - wizardRect.top, 395);
    EXPECT_EQ(wizardRect.left, screenWidth - 478 - 11);
    EXPECT_EQ(wizardRect.top, 13);

    AddManager("dmCopy", dmDuringCopyFiles);
    auto* copy = Add<TCopyFileDlg>("CopyFile");
    TFileStatusParameter status;
    engine->BroadcastInformationEvent(engine, ieFileStatus, &status);
    ASSERT_NE(copy->Form(), nullptr);
    POINT expected = DialogPlacement(qdpBottomCenter, screenWidth, GetSystemMetrics(SM_CYSCREEN), 474, 146, 0, 30,
                                     GetSystemMetrics(SM_CYCAPTION), false);
    RECT copyRect{};
    GetWindowRect(copy->Form()->Handle(), &copyRect);
    EXPECT_EQ(copyRect.left, expected.x);
    EXPECT_EQ(copyRect.top, expected.y);
    EXPECT_EQ(copyRect.right - copyRect.left, 474);
    EXPECT_EQ(copyRect.bottom - copyRect.top, 146);
    engine->BroadcastInformationEvent(engine, ieProcessingDone, nullptr);
}

TEST_F(DialogsTest, ReturnGoesOnFromAPageWithADefaultButtonAndEscapeCancels) {
    AddManager("dmBefore", dmBeforeInstall);
    Add<TReadmeDlg>("Readme")->ReadmeText()->Add("Some text to read.");
    Add<TSelectDestinationDlg>("Destination");
    auto pressKey = [](const char* control, WORD key) {
        return [control, key] {
            TBaseFormContainer* wizard = VisibleWizard();
            HWND window = wizard ? FindVisibleControl(wizard->Handle(), control) : nullptr;
            if (!window) return false;
            PostMessageA(window, WM_KEYDOWN, key, 1);
            return true;
        };
    };
    TScript script({WaitForPage("Readme information"), pressKey("Information", VK_RETURN),
                    WaitForPage("Choose Destination Location"), pressKey("edDestDir", VK_ESCAPE),
                    [] { return VisibleWizard() == nullptr; }});
    EXPECT_EQ(MessageOf<EAIUserAbort>(
                  [&] { engine->BroadcastInformationEvent(engine, DialogEvent::BeforeInstall, nullptr); }),
              "Installation aborted by the user");
    script.Finish();
    EXPECT_EQ(script.Failure(), "");
    EXPECT_TRUE(script.Done());
}
