// Destinations held open by another process: the new file waits beside the old one and
// takes its place at the next start of Windows, which Wine performs for real.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "engine/exceptions_Quillory.h"
#include "fixtures/HeldFile.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "routines/cmp_TQlryRegistry.h"
#include "routines/routines_API.h"
#include "routines/routines_Strings.h"
#include "unit/files/FilesTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

const char* const sessionManagerKey = "System\\CurrentControlSet\\Control\\Session Manager";
const char* const win9xScratchVariable = "QLRY_WIN9X_DEST";

std::string PendingRenames() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, sessionManagerKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    std::string data(65536, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    LONG result =
        RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return "";
    data.resize(size);
    for (char& c : data)
        if (c == '\0') c = '|';
    return data;
}


// What Windows does at its next start.
void RestartWindows() { ASSERT_EQ(RunProcess("wineboot.exe -r", 120000), 0); }

// The key refuses to be written while the object lives; its security is given back after.
class KeyRefusingWrites {
public:
    KeyRefusingWrites(HKEY root, const char* path) {
        if (RegOpenKeyExA(root, path, 0, READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS)
            throw std::runtime_error("cannot open the key's security");
        DWORD size = 0;
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
        saved_.resize(size);
        if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS)
            throw std::runtime_error("cannot read the key's security");
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
        std::vector<char> aclBytes(256);
        auto* acl = reinterpret_cast<PACL>(aclBytes.data());
        InitializeAcl(acl, static_cast<DWORD>(aclBytes.size()), ACL_REVISION);
        AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | READ_CONTROL | WRITE_DAC, everyone);
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
        LONG result = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor);
        FreeSid(everyone);
        if (result != ERROR_SUCCESS) throw std::runtime_error("cannot restrict the key");
    }
    ~KeyRefusingWrites() {
        RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data());
        RegCloseKey(key_);
    }
    KeyRefusingWrites(const KeyRefusingWrites&) = delete;
    KeyRefusingWrites& operator=(const KeyRefusingWrites&) = delete;

private:
    HKEY key_ = nullptr;
    std::vector<char> saved_;
};

std::string ReadIni(const std::string& file, const char* section, const std::string& name) {
    char buffer[512] = {};
    GetPrivateProfileStringA(section, name.c_str(), "<missing>", buffer, sizeof buffer, file.c_str());
    return buffer;
}

} // namespace

TEST_F(InstallFiles, AnInUseDestinationIsReplacedByTheNextStartOfWindows) {
    ClearPendingRenames();
    TInstallFile* file = AddFile("lib.dll", "new library");
    Build();
    ForceDirectories(DestDir());
    WriteFileBytes(Target("lib.dll"), "old library");
    WriteFileBytes(Target("lib.1"), "someone else's file");
    {
        FileHeldByAnotherProcess held(Target("lib.dll"));
        dir->Process();
        EXPECT_TRUE(file->InUse);
        EXPECT_TRUE(engine->Reboot());
        EXPECT_EQ(file->DestName(), "lib.2");
        EXPECT_EQ(ReadFileBytes(Target("lib.2")), "new library");
        EXPECT_EQ(ReadFileBytes(Target("lib.1")), "someone else's file");
        std::string pending = PendingRenames();
        EXPECT_NE(pending.find(Target("lib.2")), std::string::npos) << pending;
        EXPECT_NE(pending.find("!\\??\\" + Target("lib.dll")), std::string::npos) << pending;
    }
    RestartWindows();
    EXPECT_EQ(ReadFileBytes(Target("lib.dll")), "new library");
    EXPECT_FALSE(FileExistsOnDisk(Target("lib.2")));
}

TEST_F(InstallFiles, WithoutADelayedMoveTheReplacementIsABatchFileRunOnce) {
    ClearPendingRenames();
    TInstallFile* file = AddFile("lib.dll", "new library");
    Build();
    ForceDirectories(DestDir());
    WriteFileBytes(Target("lib.dll"), "old library");
    std::string batch;
    {
        FileHeldByAnotherProcess held(Target("lib.dll"));
        KeyRefusingWrites refused(HKEY_LOCAL_MACHINE, sessionManagerKey);
        dir->Process();
        EXPECT_TRUE(engine->Reboot());
        EXPECT_EQ(file->DestName(), "lib.1");
        TStringList unfinished;
        engine->ReadUnfinishedBusiness(unfinished);
        // The batch file is deleted after the restart; the file itself completes its work then.
        std::vector<std::string> lines = Lines(unfinished);
        for (const std::string& line : lines)
            if (line.size() > 2 && line.substr(line.size() - 2) == ";1") batch = line.substr(0, line.size() - 2);
        EXPECT_NE(std::find(lines.begin(), lines.end(), file->Name() + ";0"), lines.end());
    }
    EXPECT_EQ(UpperCase(ExtractFileExt(batch)), ".BAT");
    std::string oldShort = GetShortPath(Target("lib.dll"));
    std::string tempShort = AddBackslash(ExtractFilePath(oldShort)) + "lib.1";
    EXPECT_EQ(ReadFileBytes(batch), "erase " + oldShort + "\r\nmove " + tempShort + " " + oldShort + "\r\n");
    TqlryRegistry runOnce;
    runOnce.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(runOnce.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", false));
    EXPECT_EQ(runOnce.ReadString("QuilloryBatFile"), batch);
    runOnce.DeleteValue("QuilloryBatFile");

    // What the RunOnce entry does at the next start.
    EXPECT_EQ(RunProcess("cmd.exe /c \"" + batch + "\""), 0);
    EXPECT_EQ(ReadFileBytes(Target("lib.dll")), "new library");
    EXPECT_FALSE(FileExistsOnDisk(Target("lib.1")));
    DeleteFile(batch);
}

// Run as a copy of this program that Wine presents as Windows 98 (see below).
TEST_F(InstallFiles, Win9xChildReplacesThroughWininit) {
    const char* dest = std::getenv(win9xScratchVariable);
    if (!dest) GTEST_SKIP() << "runs only inside the Windows 98 child";
    ASSERT_EQ(GetWindowsVersion(), wvWin9x);
    engine->SetDestDir(dest);
    AddFile("lib.dll", "new library");
    Build();
    dir->Process();
    EXPECT_TRUE(engine->Reboot());
}

TEST_F(InstallFiles, OnWindows9xTheReplacementGoesThroughWininit) {
    std::string child = ProgramDir() + "test_files_win98.exe";
    ASSERT_TRUE(CopyFileA((ProgramDir() + "test_files.exe").c_str(), child.c_str(), FALSE));
    TRegistry wine;
    wine.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(wine.OpenKey("\\Software\\Wine\\AppDefaults\\test_files_win98.exe", true));
    wine.WriteString("Version", "win98");
    wine.CloseKey();

    std::string wininit = AddBackslash(GetWindowsDir()) + "WININIT.INI";
    DeleteFile(wininit);
    ForceDirectories(DestDir());
    WriteFileBytes(Target("lib.dll"), "old library");
    {
        FileHeldByAnotherProcess held(Target("lib.dll"));
        SetEnvironmentVariableA(win9xScratchVariable, DestDir().c_str());
        SetEnvironmentVariableA("GTEST_FILTER", "InstallFiles.Win9xChildReplacesThroughWininit");
        int result = RunProcess("\"" + child + "\"", 120000);
        SetEnvironmentVariableA(win9xScratchVariable, nullptr);
        SetEnvironmentVariableA("GTEST_FILTER", nullptr);
        ASSERT_EQ(result, 0);
    }
    std::string oldShort = GetShortPath(Target("lib.dll"));
    EXPECT_EQ(ReadIni(wininit, "Rename", oldShort), AddBackslash(ExtractFilePath(oldShort)) + "lib.1");
    EXPECT_EQ(ReadFileBytes(Target("lib.1")), "new library");

    RestartWindows();
    EXPECT_EQ(ReadFileBytes(Target("lib.dll")), "new library");
    EXPECT_FALSE(FileExistsOnDisk(Target("lib.1")));
    DeleteFile(wininit);
    wine.DeleteKey("\\Software\\Wine\\AppDefaults\\test_files_win98.exe");
    DeleteFile(child);
}
