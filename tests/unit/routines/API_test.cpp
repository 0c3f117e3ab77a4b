#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "RegistryTestSupport.h"
#include "engine/exceptions_Quillory.h"
#include "routines/routines_API.h"
#include "routines/routines_Strings.h"
#include "support/TestSupport.h"

namespace qlry {
namespace {

using test::FileExistsOnDisk;
using test::ScratchDir;

const std::string kWineKey = "Software\\Wine";
const std::string kAppDefaults = "Software\\Wine\\AppDefaults\\";

// Sets a string value for the lifetime of the object and puts back what was there.
class TemporaryValue {
public:
    TemporaryValue(const std::string& path, const std::string& name, const std::string* value)
        : path_(path), name_(name), old_(test::RawReadString(HKEY_CURRENT_USER, path, name)) {
        if (value) test::RawWriteString(HKEY_CURRENT_USER, path_, name_, *value);
        else test::RawDeleteValue(HKEY_CURRENT_USER, path_, name_);
    }
    ~TemporaryValue() {
        if (old_ == "<missing>") test::RawDeleteValue(HKEY_CURRENT_USER, path_, name_);
        else test::RawWriteString(HKEY_CURRENT_USER, path_, name_, old_);
    }
    TemporaryValue(const TemporaryValue&) = delete;
    TemporaryValue& operator=(const TemporaryValue&) = delete;

private:
    std::string path_, name_, old_;
};

// Starts a copy of the probe named ExeName and returns the version ordinal it exits with.
int ProbeVersion(const ScratchDir& dir, const std::string& exeName) {
    std::string probe = dir.File(exeName);
    EXPECT_TRUE(CopyFileA((test::ProgramDir() + "winver_probe.exe").c_str(), probe.c_str(), FALSE));
    return test::RunProcess("\"" + probe + "\"");
}

struct VersionCase {
    const char* wineVersion;   // nullptr: no setting
    TWindowsVersion expected;
};

class WindowsVersion : public testing::TestWithParam<VersionCase> {};

// Wine reads its version setting when a process starts, so each case runs its own copy
// of the probe with a per-program setting that leaves other programs of the prefix alone.
TEST_P(WindowsVersion, ProbeReportsTheConfiguredWindows) {
    const VersionCase& c = GetParam();
    ScratchDir dir;
    std::string exeName = std::string("probe_") + (c.wineVersion ? c.wineVersion : "default") + ".exe";
    std::string appKey = kAppDefaults + exeName;
    int result;
    {
        std::string value = c.wineVersion ? c.wineVersion : "";
        TemporaryValue appSetting(appKey, "Version", c.wineVersion ? &value : nullptr);
        // "Unset" must mean no setting at all, including the prefix-wide one.
        std::unique_ptr<TemporaryValue> noGlobal;
        if (!c.wineVersion) noGlobal = std::make_unique<TemporaryValue>(kWineKey, "Version", nullptr);
        result = ProbeVersion(dir, exeName);
    }
    test::RawDeleteTree(HKEY_CURRENT_USER, appKey);
    EXPECT_EQ(result, c.expected);
}

INSTANTIATE_TEST_SUITE_P(WineVersions, WindowsVersion,
                         testing::Values(VersionCase{"win98", wvWin9x}, VersionCase{"nt40", wvWinNT},
                                         VersionCase{"nt351", wvWinNT35}, VersionCase{nullptr, wvWinNT}),
                         [](const testing::TestParamInfo<VersionCase>& info) {
                             return std::string(info.param.wineVersion ? info.param.wineVersion : "unset");
                         });

std::string TempDirectory() {
    char buffer[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, buffer);
    return std::string(buffer, length);
}

std::string FileNamePart(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

TEST(TempFile, WithoutKeepOnlyANameInTheTempDirectoryIsLeft) {
    std::string name = GetTempFile(false);
    EXPECT_EQ(name.substr(0, TempDirectory().size()), TempDirectory());
    EXPECT_EQ(FileNamePart(name).substr(0, 3), "bat") << name;
    EXPECT_FALSE(FileExistsOnDisk(name)) << name;
}

TEST(TempFile, WithKeepTheFileStaysAndEachNameIsNew) {
    std::string first = GetTempFile(true);
    std::string second = GetTempFile(true);
    EXPECT_TRUE(FileExistsOnDisk(first)) << first;
    EXPECT_TRUE(FileExistsOnDisk(second)) << second;
    EXPECT_NE(first, second);
    EXPECT_EQ(FileNamePart(first).substr(0, 3), "bat") << first;
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
}

bool DirectoryExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SystemDirectories, SystemDirectoryHoldsKernel32InsideTheWindowsDirectory) {
    std::string windows = GetWindowsDir();
    std::string system = GetSystemDir();
    EXPECT_TRUE(DirectoryExists(windows)) << windows;
    EXPECT_TRUE(FileExistsOnDisk(AddBackslash(system) + "kernel32.dll")) << system;
    EXPECT_EQ(system.substr(0, windows.size() + 1), AddBackslash(windows));
}

TEST(ShortPath, ShortNameOfALongFileOpensTheSameFile) {
    ScratchDir dir;
    std::string longName = dir.File("A rather long file name.text");
    test::WriteFileBytes(longName, "the same bytes");
    std::string shortName = GetShortPath(longName);
    ASSERT_FALSE(shortName.empty());
    EXPECT_NE(shortName, longName);
    std::string shortPart = FileNamePart(shortName);
    EXPECT_LE(shortPart.size(), 12u) << shortName;
    EXPECT_EQ(shortPart.find(' '), std::string::npos) << shortName;
    EXPECT_EQ(test::ReadFileBytes(shortName), "the same bytes");
}

TEST(ShortPath, MissingFileGivesEmptyText) {
    ScratchDir dir;
    EXPECT_EQ(GetShortPath(dir.File("not there.txt")), "");
}

} // namespace
} // namespace qlry
