// The folder browser: where it opens, typed paths and new folders.
#include <string>
#include <vector>

#include "DialogsTestSupport.h"
#include "dialogs/routines_FileSystem.h"
#include "platform/SysUtils.h"

using namespace qlry;
using namespace qlry::test;

TEST(FolderBrowser, OpensAtTheDeepestExistingDirectoryOfItsStart) {
    ScratchDir scratch;
    CreateDir(scratch.File("Data"));
    struct Row {
        std::string directory;
        std::string selected;
    };
    const std::vector<Row> rows = {
        {"C:\\Qlry Missing\\Sub", "C:\\"},  // only the root exists: it keeps its backslash
        {"C:\\", "C:\\"},
        {"C:", "C:\\"},
        {scratch.File("Data") + "\\", scratch.File("Data")},
        {scratch.File("Data") + "\\Missing\\Deeper", scratch.File("Data")},
        {"Q:\\Nowhere\\Disk2", ""},  // a drive that is not there
        {"Q:\\", ""},
        {"", ""},
        {"   ", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.directory);
        EXPECT_EQ(TOpenFolderDialog::StartSelection(row.directory), row.selected);
    }
}

TEST_F(DialogsTest, CreatingAFolderReopensTheBrowserAtTheNewFolder) {
    ScratchDir scratch;
    TOpenFolderDialog browser(nullptr);
    browser.SetDirectory(scratch.Path());
    int allowAsked = 0;
    browser.OnCreateFolder = [&](TObject*, bool&) { ++allowAsked; };
    std::string selectedWhenReopened;
    HWND firstBrowser = nullptr;
    bool result = false;
    RunScripted([&] { result = browser.Execute(); },
                {[&] {
                     firstBrowser = FindSystemDialog();
                     if (!firstBrowser || !browser.CreateButton()) return false;
                     Click(browser.CreateButton()->Handle());
                     return true;
                 },
                 [&] {
                     HWND ask = FindTopWindow(TOFDResourceStrings::CreateFolderCaption());
                     HWND edit = ask ? FindVisibleControl(ask, "Edit") : nullptr;
                     if (!edit) return false;
                     TypeInto(edit, "Fresh Folder");
                     Click(FindVisibleControl(ask, "OK"));
                     return true;
                 },
                 [&] {
                     // The first browser closed; a second one opened at the new folder.
                     HWND again = FindSystemDialog();
                     if (!again || again == firstBrowser || !browser.PathEdit()) return false;
                     selectedWhenReopened = browser.CurrentPath();
                     Click(GetDlgItem(again, IDOK));
                     return true;
                 }});
    EXPECT_EQ(allowAsked, 1);
    EXPECT_TRUE(DirectoryExists(scratch.File("Fresh Folder")));
    EXPECT_EQ(selectedWhenReopened, scratch.File("Fresh Folder"));
    EXPECT_TRUE(result);
    EXPECT_EQ(browser.Directory(), scratch.File("Fresh Folder"));
}

TEST_F(DialogsTest, AFolderRefusedByTheHandlerIsNotCreated) {
    ScratchDir scratch;
    TOpenFolderDialog browser(nullptr);
    browser.SetDirectory(scratch.Path());
    browser.OnCreateFolder = [](TObject*, bool& allow) { allow = false; };
    bool askedForName = false;
    bool result = true;
    RunScripted([&] { result = browser.Execute(); },
                {[&] {
                     if (!FindSystemDialog() || !browser.CreateButton()) return false;
                     Click(browser.CreateButton()->Handle());
                     return true;
                 },
                 Pause(400),
                 [&] {
                     HWND ask = FindTopWindow(TOFDResourceStrings::CreateFolderCaption());
                     askedForName = ask != nullptr;
                     if (ask) Click(FindVisibleControl(ask, "Cancel"));
                     Click(GetDlgItem(FindSystemDialog(), IDCANCEL));
                     return true;
                 }});
    EXPECT_FALSE(askedForName);
    EXPECT_FALSE(result);
}
