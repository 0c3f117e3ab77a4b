// A user's side of a distribution: the self-extracting setup.exe built by -b started on
// its own, the loader handing over to the setup in a temporary copy; once straight
// through, once with a file in use that waits for a real restart of Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>

#include "fixtures/HeldFile.h"
#include "model/cmp_TInstallContainer.h"
#include "platform/DateTime.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"
#include "routines/cmp_TQlryRegistry.h"
#include "routines/routines_Registry.h"
#include "routines/routines_Strings.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"
#include "unit/build/BuildProgramSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

const char* const product = "Run Test Product";
const char* const runOnceKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

bool WaitUntil(const std::function<bool()>& condition, unsigned timeoutMs) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(200))
        if (condition()) return true;
    return condition();
}

// The temporary copies the loading program makes.
std::set<std::string> TemporaryCopies() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::set<std::string> copies;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(temp) + "QLRY*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return copies;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) copies.insert(std::string(temp) + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return copies;
}

struct TBoxSearch {
    const std::string* text;
    HWND found = nullptr;
};

BOOL CALLBACK MatchMessageBox(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TBoxSearch*>(data);
    if (IsWindowVisible(window) && MessageBoxText(window) == *search->text) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible message box of any program that says Text.
HWND FindMessageBox(const std::string& text, unsigned timeoutMs) {
    TBoxSearch search{&text};
    WaitUntil(
        [&] {
            EnumWindows(MatchMessageBox, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

std::string ProgramFiles() { return RegReadString(rkLocalMachine, "\\Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "C:\\Program Files"); }

class InstallFromDistribution : public BuildProgram {
protected:
    void SetUp() override {
        BuildProgram::SetUp();
        if (framework.empty()) GTEST_SKIP() << "no framework on the search path";
        WriteSource("srvgood.dll", ReadFileBytes(ProgramDir() + "srvgood.dll"));
        ASSERT_TRUE(FileSetDateTime(std::string(projectSources) + "\\readme.txt", EncodeDate(2024, 3, 1) + 0.5));
        RemoveTree(Dest());
        CleanRegistry();
        WriteBuildInf(Dist() + "\r\n");
        ASSERT_EQ(RunBuild("RUN", "-b"), "");
        ASSERT_TRUE(FileExistsOnDisk(Dist() + "\\setup.exe"));
        copiesBefore = TemporaryCopies();
    }
    void TearDown() override {
        DeleteFile(std::string(projectSources) + "\\srvgood.dll");
        RemoveTree(Dest());
        CleanRegistry();
        BuildProgram::TearDown();
    }
    static void CleanRegistry() {
        RegDeleteKeyTree(rkLocalMachine, std::string(uninstallKeyBase) + product);
        RegDeleteKeyTree(rkLocalMachine, "\\Software\\Quillory");
        TqlryRegistry runOnce;
        runOnce.SetRootKey(HKEY_LOCAL_MACHINE);
        if (runOnce.OpenKey(runOnceKey, false)) runOnce.DeleteValue("QuilloryUnfinished");
    }
    static std::string Dest() { return ProgramFiles() + "\\" + product; }
    static bool Registered() { return FileExistsOnDisk(Dest() + "\\srvgood.dll.registered"); }
    static bool RecordsGone() {
        TqlryRegistry records;
        records.SetRootKey(HKEY_LOCAL_MACHINE);
        return !records.OpenKey("\\Software\\Quillory", false);
    }
    // Starts the distributed setup.exe as a user does and waits for the loader to hand over.
    void StartDistributedSetup(const std::string& from = "") {
        ChildProcess loader("\"" + (from.empty() ? Dist() : from) + "\\setup.exe\"");
        ASSERT_TRUE(loader.Started());
        ASSERT_EQ(loader.Wait(60000), 0);
    }
    std::set<std::string> NewTemporaryCopies() const {
        std::set<std::string> added;
        for (const std::string& copy : TemporaryCopies())
            if (!copiesBefore.count(copy)) added.insert(copy);
        return added;
    }

    std::set<std::string> copiesBefore;
};

} // namespace

TEST_F(InstallFromDistribution, TheSelfExtractingSetupInstallsAndRemovesItsTemporaryCopy) {
    StartDistributedSetup();
    ASSERT_TRUE(WaitUntil([] { return Registered() && RecordsGone(); }, 60000))
        << "the setup did not finish its run";
    EXPECT_EQ(ReadFileBytes(Dest() + "\\readme.txt"), "Read me first.\r\n");
    EXPECT_EQ(ReadFileBytes(Dest() + "\\data.bin"), std::string(5000, 'd'));
    TDateTime date = 0;
    ASSERT_TRUE(FileGetDateTime(Dest() + "\\readme.txt", date));
    EXPECT_NEAR(date, EncodeDate(2024, 3, 1) + 0.5, 2.0 / 86400);
    std::string entry = std::string(uninstallKeyBase) + product;
    EXPECT_EQ(RegReadString(rkLocalMachine, entry, "DisplayName", ""), product);
    EXPECT_EQ(RegReadString(rkLocalMachine, entry, "UninstallString", ""),
              Dest() + "\\uninstall.exe " + product);
    EXPECT_EQ(RegReadString(rkLocalMachine, entry + "\\Files", "Entries", ""), "2");
    EXPECT_EQ(RegReadString(rkLocalMachine, entry + "\\ActiveX", "File1", ""), Dest() + "\\srvgood.dll;0");
    // The setup's copy and its directory go once the program has ended.
    EXPECT_TRUE(WaitUntil([&] { return NewTemporaryCopies().empty(); }, 30000)) << *NewTemporaryCopies().begin();
}

// Wine restarts at once when asked; a setup that Wine presents as Windows NT 3.51 cannot
// ask, so the test chooses the moment of the restart.
TEST_F(InstallFromDistribution, AFileInUseIsReplacedAndRegisteredByTheRunAfterTheRestart) {
    struct TOldWindowsForSetups {
        TOldWindowsForSetups() { RegWriteString(rkCurrentUser, key, "Version", "nt351"); }
        ~TOldWindowsForSetups() { RegDeleteKeyTree(rkCurrentUser, key); }
        const char* key = "\\Software\\Wine\\AppDefaults\\setup.exe";
    } oldWindows;
    ForceDirectories(Dest());
    WriteFileBytes(Dest() + "\\srvgood.dll", "old server");

    HWND box = nullptr;
    {
        FileHeldByAnotherProcess held(Dest() + "\\srvgood.dll");
        StartDistributedSetup();
        box = FindMessageBox("Could not reboot windows. Please manually reboot windows.", 60000);
        ASSERT_NE(box, nullptr);
    }
    std::set<std::string> copies = NewTemporaryCopies();
    ASSERT_EQ(copies.size(), 1u);
    const std::string copy = *copies.begin();
    EXPECT_EQ(RegReadString(rkLocalMachine, runOnceKey, "QuilloryUnfinished", ""),
              "\"" + copy + "\\setup.exe\" -r \"-esetup.exe\" \"-s" + Dist() + "\" -c");
    EXPECT_EQ(ReadFileBytes(Dest() + "\\srvgood.dll"), "old server");
    EXPECT_FALSE(Registered());
    EXPECT_FALSE(RecordsGone());

    DWORD setupId = 0;
    GetWindowThreadProcessId(box, &setupId);
    HANDLE setup = OpenProcess(SYNCHRONIZE, FALSE, setupId);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    if (setup) {
        EXPECT_EQ(WaitForSingleObject(setup, 30000), WAIT_OBJECT_0);
        CloseHandle(setup);
    }
    ASSERT_EQ(RunProcess("wineboot.exe -r", 120000), 0);

    EXPECT_TRUE(WaitUntil([] { return Registered() && RecordsGone(); }, 60000)) << "the resumed run did not finish";
    EXPECT_EQ(ReadFileBytes(Dest() + "\\srvgood.dll"), ReadFileBytes(ProgramDir() + "srvgood.dll"));
    EXPECT_EQ(RegReadString(rkLocalMachine, runOnceKey, "QuilloryUnfinished", "<gone>"), "<gone>");
    EXPECT_TRUE(WaitUntil([&] { return !DirectoryExists(copy); }, 30000));
}

// The volume comes from tests/fixtures/build/readonly_dist_test.sh: "R:|S:", one writable
// view and one read-only view of the same files.
TEST_F(InstallFromDistribution, ADistributionOnAReadOnlyVolumeInstalls) {
    const char* volume = std::getenv("QLRY_READONLY_DIST");
    if (!volume || !*volume) GTEST_SKIP() << "no read-only volume; tests/fixtures/build/readonly_dist_test.sh maps one";
    const std::string views = volume;
    const std::string writable = views.substr(0, views.find('|')) + "\\dist";
    const std::string readOnly = views.substr(views.find('|') + 1) + "\\dist";
    ForceDirectories(writable);
    for (const char* name : {"setup.exe", "setup.1", "files.1"})
        ASSERT_TRUE(CopyFileA((Dist() + "\\" + name).c_str(), (writable + "\\" + name).c_str(), FALSE)) << name;
    HANDLE probe = CreateFileA((readOnly + "\\probe.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_EQ(probe, INVALID_HANDLE_VALUE) << "the volume can be written";

    StartDistributedSetup(readOnly);
    ASSERT_TRUE(WaitUntil([] { return Registered() && RecordsGone(); }, 60000)) << "the setup did not finish";
    EXPECT_EQ(ReadFileBytes(Dest() + "\\data.bin"), std::string(5000, 'd'));
    EXPECT_TRUE(WaitUntil([&] { return NewTemporaryCopies().empty(); }, 30000));
}
