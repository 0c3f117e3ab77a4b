// The pages before the installation, worked as a person would: reading, typing a
// directory, browsing, choosing the program folder.
#include <algorithm>
#include <string>
#include <vector>

#include "DialogsTestSupport.h"
#include "dialogs/dlgcmp_TLicenseDlg.h"
#include "dialogs/dlgcmp_TReadmeDlg.h"
#include "dialogs/dlgcmp_TSelectDestination.h"
#include "dialogs/dlgcmp_TSelectFolder.h"
#include "dialogs/dlgcmp_TWelcomeDlg.h"
#include "dialogs/ordlg_SelectDestination.h"
#include "dialogs/ordlg_SelectFolder.h"
#include "model/cmp_TPathSpecifier.h"
#include "model/routines_ExpandPaths.h"
#include "platform/ComCtrls.h"
#include "platform/SysUtils.h"

using namespace qlry;
using namespace qlry::test;

namespace {

// Sub-folders of the Start menu's Programs folder, removed again afterwards.
class ProgramsSubfolders {
public:
    explicit ProgramsSubfolders(std::vector<std::string> names) : names_(std::move(names)) {
        for (const std::string& name : names_) CreateDir(ProgramsFolder() + "\\" + name);
    }
    ~ProgramsSubfolders() {
        for (const std::string& name : names_) RemoveDir(ProgramsFolder() + "\\" + name);
    }

private:
    std::vector<std::string> names_;
};

template <class T>
T* CurrentPageAs() {
    TBaseFormContainer* wizard = VisibleWizard();
    return wizard ? dynamic_cast<T*>(wizard->CurrentPage()) : nullptr;
}

HWND PageControl(const std::string& name) {
    TBaseFormContainer* wizard = VisibleWizard();
    return wizard ? FindVisibleControl(wizard->Handle(), name) : nullptr;
}

} // namespace

TEST_F(DialogsTest, NextLeadsThroughEveryPageAndThePagesWriteTheChosenPlaces) {
    ProgramsSubfolders existing({"Qlry Alpha Tools", "Qlry Beta Games"});
    auto* linkGroup = Add<TMainLinkGroup>("MainFolder");
    linkGroup->SetDestDirType(TPathSpecifierList::Standard().Find<TpsProgramMenu>());
    linkGroup->SetDestDir("\\Larkspan 7.030B");
    AddManager("dmBefore", dmBeforeInstall);
    Add<TWelcomeDlg>("Welcome");
    auto* license = Add<TLicenseDlg>("License");
    license->LicenseAgreement()->Add("LICENCE TERMS");
    license->LicenseAgreement()->Add("You may use this software.");
    auto* readme = Add<TReadmeDlg>("Readme");
    readme->ReadmeText()->Add("Read me first.");
    Add<TSelectDestinationDlg>("Destination");
    auto* folder = Add<TSelectFolderDlg>("Folder", false);
    ASSERT_EQ(folder->Container(), linkGroup);

    const std::string initialPath = engine->GetDestPath();
    std::vector<std::string> agreement, information, listed;
    std::string destinationShown, folderShown, folderAfterClick;
    bool directoryBoxShown = false;
    RunScripted([&] { engine->BroadcastInformationEvent(engine, DialogEvent::BeforeInstall, nullptr); },
                {
                    WaitForPage("Welcome"), ShootWizard("welcome_page"), ClickOnPage("ProceedBtn"),
                    WaitForPage("Software license agreement"), ShootWizard("license_page"),
                    [&] {
                        auto* text = dynamic_cast<TRichEdit*>(CurrentPageAs<TBaseInstallForm>()->FindComponent("Agreement"));
                        agreement = Lines(*text->Lines());
                        return true;
                    },
                    ClickOnPage("ProceedBtn"), WaitForPage("Readme information"), ShootWizard("readme_page"),
                    [&] {
                        auto* text = dynamic_cast<TRichEdit*>(CurrentPageAs<TBaseInstallForm>()->FindComponent("Information"));
                        information = Lines(*text->Lines());
                        return true;
                    },
                    ClickOnPage("ProceedBtn"), WaitForPage("Choose Destination Location"),
                    [&] {
                        HWND edit = PageControl("edDestDir");
                        if (!edit) return false;
                        destinationShown = WindowText(edit);
                        directoryBoxShown = PageControl("gbDirectory") != nullptr;
                        TypeInto(edit, "D:\\Apps\\");
                        return true;
                    },
                    ShootWizard("destination_page"), ClickOnPage("ProceedBtn"),
                    WaitForPage("Select folder in start menu"), ShootWizard("folder_page"),
                    [&] {
                        HWND edit = PageControl("FolderEdit");
                        HWND list = PageControl("FolderListBox");
                        if (!edit || !list) return false;
                        folderShown = WindowText(edit);
                        int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
                        for (int i = 0; i < count; ++i) {
                            char item[MAX_PATH] = {};
                            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
                            listed.push_back(item);
                        }
                        // A click on the second of the two folders.
                        int index = static_cast<int>(
                            SendMessageA(list, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>("Qlry Beta Games")));
                        RECT item{};
                        SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
                        LPARAM at = MAKELPARAM(item.left + 5, item.top + 3);
                        PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
                        PostMessageA(list, WM_LBUTTONUP, 0, at);
                        return true;
                    },
                    [&] {
                        folderAfterClick = WindowText(PageControl("FolderEdit"));
                        return folderAfterClick == "Qlry Beta Games";
                    },
                    ClickOnPage("ProceedBtn"),
                });
    EXPECT_EQ(VisibleWizard(), nullptr);
    EXPECT_EQ(agreement, (std::vector<std::string>{"LICENCE TERMS", "You may use this software."}));
    EXPECT_EQ(information, std::vector<std::string>{"Read me first."});
    EXPECT_EQ(destinationShown, initialPath);
    EXPECT_EQ(initialPath, ProgramFilesFolder() + "\\Test Product");
    EXPECT_TRUE(directoryBoxShown);
    EXPECT_EQ(engine->DestDir(), "D:\\Apps\\");
    EXPECT_EQ(engine->DestDirType(), nullptr);
    EXPECT_EQ(engine->GetDestPath(), "D:\\Apps");
    EXPECT_EQ(folderShown, "Larkspan 7.030B");
    EXPECT_NE(std::find(listed.begin(), listed.end(), "Qlry Alpha Tools"), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), "Qlry Beta Games"), listed.end());
    EXPECT_EQ(linkGroup->DestDir(), "\\Qlry Beta Games");
    EXPECT_EQ(errors, std::vector<std::string>{});
}

TEST_F(DialogsTest, BrowsingFromAMissingDestinationCreatesItOnlyWhileTheBrowserIsOpen) {
    ScratchDir scratch;
    const std::string missing = scratch.File("Missing") + "\\Sub";
    const std::string chosen = scratch.File("Chosen");
    engine->SetDestDirType(nullptr);
    engine->SetDestDir(missing);
    AddManager("dmBefore", dmBeforeInstall);
    Add<TSelectDestinationDlg>("Destination");
    bool existedWhileBrowsing = false, existedAfter = true;
    std::string editAfterChoice;
    auto browserOpen = [] { return FindSystemDialog() != nullptr; };
    RunScripted([&] { engine->BroadcastInformationEvent(engine, DialogEvent::BeforeInstall, nullptr); },
                {
                    WaitForPage("Choose Destination Location"), ClickOnPage("BrowseBtn"), browserOpen,
                    [&] {
                        existedWhileBrowsing = DirectoryExists(missing);
                        SaveScreenshot(FindSystemDialog(), "folder_browser");
                        Click(GetDlgItem(FindSystemDialog(), IDCANCEL));
                        return true;
                    },
                    [&] {
                        if (FindSystemDialog()) return false;
                        existedAfter = DirectoryExists(missing);
                        return true;
                    },
                    // Now a directory typed into the browser's own path edit.
                    ClickOnPage("BrowseBtn"), browserOpen,
                    [&] {
                        HWND edit = FindEdit(FindSystemDialog());
                        if (!edit) return false;
                        TypeAndRelease(edit, chosen + "\\");
                        Click(GetDlgItem(FindSystemDialog(), IDOK));
                        return true;
                    },
                    [&] {
                        if (FindSystemDialog()) return false;
                        editAfterChoice = WindowText(PageControl("edDestDir"));
                        return true;
                    },
                    ClickOnPage("ProceedBtn"),
                });
    EXPECT_TRUE(existedWhileBrowsing);
    EXPECT_FALSE(existedAfter);
    EXPECT_TRUE(DirectoryExists(scratch.File("Missing")));  // only the last level goes
    EXPECT_TRUE(DirectoryExists(chosen));
    EXPECT_EQ(engine->DestDir(), chosen);
    EXPECT_EQ(engine->DestDirType(), nullptr);
    EXPECT_EQ(editAfterChoice, chosen);
    EXPECT_EQ(errors, std::vector<std::string>{});
}

TEST_F(DialogsTest, AnEmptyDestinationShowsNoDirectoryAndStaysEmpty) {
    engine->SetDestDirType(nullptr);
    engine->SetDestDir("");
    AddManager("dmBefore", dmBeforeInstall);
    Add<TSelectDestinationDlg>("Destination");
    bool boxShown = true;
    RunScripted([&] { engine->BroadcastInformationEvent(engine, DialogEvent::BeforeInstall, nullptr); },
                {WaitForPage("Choose Destination Location"),
                 [&] {
                     boxShown = PageControl("gbDirectory") != nullptr;
                     return true;
                 },
                 ClickOnPage("ProceedBtn")});
    EXPECT_FALSE(boxShown);
    EXPECT_EQ(engine->DestDir(), "");
}

TEST_F(DialogsTest, DestinationAndFolderDialogsOnTheirOwnNeedAContainer) {
    auto* destination = Add<TSelectDestinationDlg>("Destination", false);
    EXPECT_EQ(MessageOf<Exception>([&] { destination->Execute(); }),
              "Cannot run this dialog Destination with a blank Container property");
    auto* folder = Add<TSelectFolderDlg>("Folder", false);
    EXPECT_EQ(MessageOf<Exception>([&] { folder->Execute(); }),
              "Cannot run this dialog Folder with a blank Container property");
    folder->SetContainer(engine);
    EXPECT_EQ(MessageOf<Exception>([&] { folder->Execute(); }),
              "The container for Folder must be a TCustomShellLinkGroup");
}

TEST_F(DialogsTest, APageOnItsOwnRunsOnItsEventAndNextClosesIt) {
    auto* welcome = Add<TWelcomeDlg>("Welcome");
    int before = 0, after = 0;
    welcome->OnBeforeExecute = [&](TObject*) { ++before; };
    welcome->OnAfterExecute = [&](TObject*) { ++after; };
    bool backShown = true;
    engine->BroadcastInformationEvent(engine, DialogEvent::License, nullptr);  // not its event
    EXPECT_EQ(before, 0);
    RunScripted([&] { engine->BroadcastInformationEvent(engine, DialogEvent::Welcome, nullptr); },
                {[&] {
                     HWND window = FindTopWindow("Welcome");
                     if (!window) return false;
                     backShown = FindVisibleControl(window, "BackBtn") != nullptr;
                     Click(FindVisibleControl(window, "ProceedBtn"));
                     return true;
                 }});
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    EXPECT_FALSE(backShown);
    EXPECT_EQ(welcome->Form(), nullptr);
}
