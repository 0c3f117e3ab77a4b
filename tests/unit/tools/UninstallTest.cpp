// The uninstaller on a fake installation written into the registry and the file system,
// driven through its message boxes as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "unit/archive/ArchiveTestSupport.h"
#include "unit/tools/ToolsTestSupport.h"

using namespace qlry::test;

namespace {

const char kProduct[] = "Qlry Tools Test Product";
const std::string kUninstallKey = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProduct;
const char kSharedDLLs[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

void SetString(const std::string& key, const std::string& name, const std::string& value) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

void SetCount(const std::string& name, DWORD count) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDLLs, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(handle, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    RegCloseKey(handle);
}

// The counter of Name; -1 when there is none.
long Count(const std::string& name) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDLLs, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return -1;
    DWORD count = 0;
    DWORD size = sizeof count;
    DWORD type = 0;
    LONG status = RegQueryValueExA(handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&count), &size);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS && type == REG_DWORD ? static_cast<long>(count) : -1;
}

bool KeyExists(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

void DeleteTree(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return;
    std::vector<std::string> subKeys;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(handle, i, name, sizeof name) == ERROR_SUCCESS; ++i) subKeys.push_back(name);
    RegCloseKey(handle);
    for (const std::string& sub : subKeys) DeleteTree(key + "\\" + sub);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}

std::string ShortPath(const std::string& path) {
    char buffer[MAX_PATH] = {};
    GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return buffer;
}

std::string DesktopFolder() {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, TRUE);
    return path;
}

// An installed product: files in the product directory and two sub-directories, two
// shared files, an ActiveX library and executable, a link in its own Start-menu folder
// and one on the Desktop, a listed file that is already gone, and a file the user added.
class Uninstall : public testing::Test {
protected:
    void SetUp() override {
        app_ = root_.File("My Product");
        for (const char* dir : {"", "\\data", "\\bin"}) CreateDirectoryA((app_ + dir).c_str(), nullptr);
        for (const char* file : {"\\program.exe", "\\data\\one.txt", "\\data\\two.txt", "\\bin\\shared1.dll",
                                 "\\bin\\shared2.dll"})
            WriteFileBytes(app_ + file, std::string("installed ") + file);
        WriteFileBytes(app_ + "\\notes.txt", "added by the user");
        for (const char* fixture : {"srvgood.dll", "srvexe.exe"})
            ASSERT_TRUE(CopyFileA((ProgramDir() + fixture).c_str(), (app_ + "\\" + fixture).c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((BuildDir() + "uninstall.exe").c_str(), uninstaller().c_str(), FALSE));
        SetFileAttributesA((app_ + "\\data\\two.txt").c_str(), FILE_ATTRIBUTE_READONLY);

        linkFolder_ = ShellProgramsFolder() + "\\" + kProduct;
        CreateDirectoryA(linkFolder_.c_str(), nullptr);
        WriteFileBytes(linkFolder_ + "\\Program.lnk", "link");
        desktopHadOthers_ = !Tree(DesktopFolder()).empty();
        desktopLink_ = DesktopFolder() + "\\" + kProduct + ".lnk";
        WriteFileBytes(desktopLink_, "link");

        DeleteTree(kUninstallKey);
        SetString(kUninstallKey, "DisplayName", kProduct);
        SetString(kUninstallKey, "UninstallString", uninstaller() + " " + kProduct);
        // Two lists, "Files" and "Files1", as the writer leaves them when the first one
        // could not be written to any more.
        const std::vector<std::string> first = {app_ + "\\program.exe", app_ + "\\data\\one.txt"};
        const std::vector<std::string> second = {app_ + "\\data\\two.txt", app_ + "\\bin\\shared1.dll",
                                                 app_ + "\\bin\\shared2.dll", app_ + "\\gone.txt",
                                                 linkFolder_ + "\\Program.lnk", desktopLink_};
        for (std::size_t i = 0; i < first.size(); ++i)
            SetString(kUninstallKey + "\\Files", "File" + std::to_string(i + 1), first[i]);
        SetString(kUninstallKey + "\\Files", "Entries", "2");
        for (std::size_t i = 0; i < second.size(); ++i)
            SetString(kUninstallKey + "\\Files1", "File" + std::to_string(i + 1), second[i]);
        SetString(kUninstallKey + "\\Files1", "Entries", std::to_string(second.size()));
        SetString(kUninstallKey + "\\ActiveX", "File1", app_ + "\\srvgood.dll;0");
        SetString(kUninstallKey + "\\ActiveX", "File2", app_ + "\\srvexe.exe;1");
        SetString(kUninstallKey + "\\ActiveX", "Entries", "2");

        shared2Short_ = ShortPath(app_ + "\\bin\\shared2.dll");
        ASSERT_NE(shared2Short_, app_ + "\\bin\\shared2.dll");
        SetCount(app_ + "\\bin\\shared1.dll", 1);
        SetCount(shared2Short_, 2);
    }

    void TearDown() override {
        DeleteTree(kUninstallKey);
        HKEY shared = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDLLs, 0, KEY_SET_VALUE, &shared) == ERROR_SUCCESS) {
            RegDeleteValueA(shared, (app_ + "\\bin\\shared1.dll").c_str());
            RegDeleteValueA(shared, shared2Short_.c_str());
            RegCloseKey(shared);
        }
        DeleteFileA((linkFolder_ + "\\Program.lnk").c_str());
        RemoveDirectoryA(linkFolder_.c_str());
        DeleteFileA(desktopLink_.c_str());
        SetFileAttributesA((app_ + "\\data\\two.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    std::string uninstaller() const { return app_ + "\\uninstall.exe"; }

    // Starts the uninstaller as Windows runs an UninstallString: path and product name
    // unquoted, both with blanks. Its temporary directory is in this test's scratch space.
    std::unique_ptr<ChildProcess> Start(const std::string& product) {
        ScopedEnvironment environment{{"TMP", temp_.Path()}, {"TEMP", temp_.Path()}};
        return std::make_unique<ChildProcess>(uninstaller() + " " + product);
    }

    std::set<std::string> AppTree() const { return Tree(app_); }

    ScratchDir root_;
    ScratchDir temp_;
    std::string app_, linkFolder_, desktopLink_, shared2Short_;
    bool desktopHadOthers_ = false;
};

TEST_F(Uninstall, RemovesExactlyWhatTheEntryListsAndThenItself) {
    auto uninstall = Start(kProduct);
    ASSERT_TRUE(uninstall->Started());
    EXPECT_EQ(AnswerMessageBox(*uninstall, IDYES),
              std::string("Are you sure you want to completely remove ") + kProduct + " and all of its components?");
    std::string summary = AnswerMessageBox(*uninstall, IDOK);
    EXPECT_EQ(summary, std::string(kProduct) +
                           " has been removed from your computer.\n\nFiles removed: 8.\nFiles already gone: 1."
                           "\n\nShared files kept because other programs still use them:\n    " +
                           app_ + "\\bin\\shared2.dll");
    EXPECT_EQ(uninstall->Wait(30000), 0);

    // Servers were unregistered (their markers stay beside them), the shared file still
    // counted elsewhere stays with one use less, the other one's counter is gone.
    EXPECT_TRUE(FileExistsOnDisk(app_ + "\\srvgood.dll.unregistered"));
    EXPECT_TRUE(FileExistsOnDisk(app_ + "\\srvexe.exe.unregistered"));
    EXPECT_EQ(Count(shared2Short_), 1);
    EXPECT_EQ(Count(app_ + "\\bin\\shared1.dll"), -1);
    EXPECT_FALSE(KeyExists(kUninstallKey));

    // The emptied data directory and link folder went; the Desktop and Programs folders stay.
    EXPECT_FALSE(DirectoryExists(linkFolder_));
    EXPECT_TRUE(DirectoryExists(ShellProgramsFolder()));
    EXPECT_FALSE(FileExistsOnDisk(desktopLink_));
    EXPECT_TRUE(DirectoryExists(DesktopFolder())) << "desktop had other files: " << desktopHadOthers_;

    EXPECT_TRUE(GoneWithin(uninstaller(), 20000)) << "uninstall.exe is still there";
    EXPECT_EQ(AppTree(), (std::set<std::string>{"\\bin", "\\bin\\shared2.dll", "\\notes.txt",
                                                "\\srvexe.exe.unregistered", "\\srvgood.dll.unregistered"}));
    // The copy that removed the uninstaller is gone as well.
    DWORD start = GetTickCount();
    while (!Tree(temp_.Path()).empty() && GetTickCount() - start < 20000) Sleep(100);
    EXPECT_TRUE(Tree(temp_.Path()).empty());
}

// A product directory that holds nothing but the uninstaller in the end goes with it.
TEST_F(Uninstall, EmptiedProductDirectoryGoesWithTheUninstaller) {
    DeleteTree(kUninstallKey + "\\ActiveX");
    for (const char* file : {"\\notes.txt", "\\bin\\shared2.dll", "\\srvgood.dll", "\\srvexe.exe"})
        DeleteFileA((app_ + file).c_str());
    auto uninstall = Start(kProduct);
    EXPECT_EQ(AnswerMessageBox(*uninstall, IDYES).substr(0, 12), "Are you sure");
    EXPECT_NE(AnswerMessageBox(*uninstall, IDOK).find("has been removed from your computer."), std::string::npos);
    EXPECT_EQ(uninstall->Wait(30000), 0);
    EXPECT_TRUE(GoneWithin(uninstaller(), 20000));
    DWORD start = GetTickCount();
    while (DirectoryExists(app_) && GetTickCount() - start < 20000) Sleep(100);
    EXPECT_FALSE(DirectoryExists(app_)) << AppTree().size() << " entries left";
}

TEST_F(Uninstall, AnsweringNoChangesNothing) {
    std::set<std::string> before = AppTree();
    auto uninstall = Start(kProduct);
    EXPECT_EQ(AnswerMessageBox(*uninstall, IDNO).substr(0, 12), "Are you sure");
    EXPECT_EQ(uninstall->Wait(30000), 0);
    EXPECT_EQ(AppTree(), before);
    EXPECT_TRUE(KeyExists(kUninstallKey + "\\Files1"));
    EXPECT_EQ(Count(shared2Short_), 2);
    EXPECT_TRUE(FileExistsOnDisk(linkFolder_ + "\\Program.lnk"));
}

TEST_F(Uninstall, UnknownProductIsReportedAndNothingIsRemoved) {
    std::set<std::string> before = AppTree();
    auto uninstall = Start("Some Other Product");
    EXPECT_EQ(AnswerMessageBox(*uninstall, IDOK),
              "Cannot find the uninstall information of Some Other Product. Nothing was removed.");
    EXPECT_EQ(uninstall->Wait(30000), 1);
    EXPECT_EQ(AppTree(), before);
    EXPECT_TRUE(KeyExists(kUninstallKey));
}

// A listed file held open by another program stays and is named in the summary; its
// directory stays with it. So does an entry that is no full path, even where the
// uninstaller's current directory holds a file of that name.
TEST_F(Uninstall, FileInUseOrNoFullPathIsReportedAndKept) {
    std::string held = app_ + "\\data\\one.txt";
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetString(kUninstallKey + "\\Files1", "File7", "decoy.txt");
    WriteFileBytes(temp_.File("decoy.txt"), "not listed by its full path");
    auto uninstall = Start(kProduct);
    AnswerMessageBox(*uninstall, IDYES);
    std::string summary = AnswerMessageBox(*uninstall, IDOK);
    EXPECT_EQ(uninstall->Wait(30000), 3);
    CloseHandle(file);
    EXPECT_EQ(summary.substr(0, summary.find('\n')),
              std::string(kProduct) + " has been removed, but some items could not be removed.");
    EXPECT_NE(summary.find("Files that could not be removed:\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\n    " + held + " ("), std::string::npos) << summary;
    EXPECT_NE(summary.find("\n    decoy.txt (not a full path)"), std::string::npos) << summary;
    EXPECT_TRUE(FileExistsOnDisk(temp_.File("decoy.txt")));
    EXPECT_TRUE(FileExistsOnDisk(held));
    EXPECT_FALSE(FileExistsOnDisk(app_ + "\\data\\two.txt"));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_TRUE(GoneWithin(uninstaller(), 20000));
}

} // namespace
