// The standard folders from the real registry, the meta variables of link parameters,
// and the framework directory on the library search path.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "PathsTestSupport.h"
#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "model/cmp_TInstallContainer.h"
#include "model/routines_ExpandPaths.h"
#include "support/TestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

std::string RawWindowsDir() {
    char buffer[MAX_PATH];
    return std::string(buffer, GetWindowsDirectoryA(buffer, MAX_PATH));
}

std::string RawSystemDir() {
    char buffer[MAX_PATH];
    return std::string(buffer, GetSystemDirectoryA(buffer, MAX_PATH));
}

// The current directory for the life of the object.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& path) {
        char buffer[MAX_PATH];
        saved_.assign(buffer, GetCurrentDirectoryA(MAX_PATH, buffer));
        changed_ = SetCurrentDirectoryA(path.c_str()) != 0;
    }
    ~CurrentDirectory() { SetCurrentDirectoryA(saved_.c_str()); }
    bool Changed() const { return changed_; }

private:
    std::string saved_;
    bool changed_ = false;
};

// The six folder values of the registry, each put back after the test.
class Folders : public PathsTest {
protected:
    void Set(const std::string& name, const std::optional<std::string>& value) { values_.at(name)->Set(value); }

    // "Start Menu", "Programs", ... each with a value of its own ending in a backslash.
    void SetDistinctFolders() {
        Set("Start Menu", "C:\\Menu\\Start\\");
        Set("Programs", "C:\\Menu\\Start\\Programs\\");
        Set("Desktop", "C:\\Desk\\");
        Set("Startup", "C:\\Menu\\Boot\\");
        Set("ProgramFilesDir", "C:\\Program Files");
        Set("CommonFilesDir", "C:\\Common\\");
    }

private:
    SavedRegistryValue startMenu_{HKEY_CURRENT_USER, kShellFolders, "Start Menu"};
    SavedRegistryValue programs_{HKEY_CURRENT_USER, kShellFolders, "Programs"};
    SavedRegistryValue desktop_{HKEY_CURRENT_USER, kShellFolders, "Desktop"};
    SavedRegistryValue startup_{HKEY_CURRENT_USER, kShellFolders, "Startup"};
    SavedRegistryValue programFiles_{HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir"};
    SavedRegistryValue commonFiles_{HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir"};
    std::map<std::string, const SavedRegistryValue*> values_ = {
        {"Start Menu", &startMenu_}, {"Programs", &programs_},         {"Desktop", &desktop_},
        {"Startup", &startup_},      {"ProgramFilesDir", &programFiles_}, {"CommonFilesDir", &commonFiles_}};
};

using Values = std::vector<std::pair<std::string, std::optional<std::string>>>;
const std::optional<std::string> absent;

} // namespace

TEST_F(Folders, EachFolderIsTheStoredValueOrItsDefault) {
    // A current drive other than the Windows drive shows where the defaults come from.
    CurrentDirectory onOtherDrive("Z:\\");
    ASSERT_TRUE(onOtherDrive.Changed()) << "the prefix has no drive Z:";
    const std::string windows = RawWindowsDir();

    struct FolderCase {
        const char* what;
        std::string (*lookup)();
        Values values;
        std::string expected;
    };
    const std::vector<FolderCase> cases = {
        {"Start Menu stored", StartMenuFolder, {{"Start Menu", "C:\\Menus\\Start\\"}}, "C:\\Menus\\Start"},
        {"Start Menu missing", StartMenuFolder, {{"Start Menu", absent}}, windows + "\\Startmen"},
        {"Start Menu empty", StartMenuFolder, {{"Start Menu", ""}}, ""},
        {"Programs stored", ProgramsFolder, {{"Programs", "C:\\P"}, {"Start Menu", absent}}, "C:\\P"},
        {"Programs missing", ProgramsFolder, {{"Programs", absent}, {"Start Menu", absent}},
         windows + "\\Startmen\\Programs"},
        {"Programs missing, Start Menu stored", ProgramsFolder, {{"Programs", absent}, {"Start Menu", "C:\\SM\\"}},
         "C:\\SM\\Programs"},
        {"Desktop stored", DesktopFolder, {{"Desktop", "D:\\Desk"}}, "D:\\Desk"},
        {"Desktop missing", DesktopFolder, {{"Desktop", absent}}, windows + "\\Desktop"},
        {"Startup missing", StartupFolder, {{"Startup", absent}}, windows + "\\Startup"},
        {"Startup empty", StartupFolder, {{"Startup", ""}}, ""},
        {"Program Files stored", ProgramFilesFolder, {{"ProgramFilesDir", "D:\\Apps\\"}}, "D:\\Apps"},
        {"Program Files missing", ProgramFilesFolder, {{"ProgramFilesDir", absent}}, "Z:\\Program Files"},
        {"Program Files empty", ProgramFilesFolder, {{"ProgramFilesDir", ""}}, ""},
        {"Common Files stored", CommonFilesFolder, {{"CommonFilesDir", "D:\\Common"}}, "D:\\Common"},
        {"Common Files missing", CommonFilesFolder, {{"CommonFilesDir", absent}}, "Z:\\Program Files\\Common Files"},
    };
    for (const FolderCase& row : cases) {
        for (const auto& [name, value] : row.values) Set(name, value);
        EXPECT_EQ(row.lookup(), row.expected) << row.what;
    }
}

TEST_F(Folders, ALookupScopeRemembersStoredValuesUntilItsOutermostEnd) {
    CurrentDirectory onOtherDrive("Z:\\");
    ASSERT_TRUE(onOtherDrive.Changed()) << "the prefix has no drive Z:";
    Set("ProgramFilesDir", "D:\\Apps");
    Set("CommonFilesDir", absent);
    {
        TFolderLookupScope outer;
        EXPECT_EQ(ProgramFilesFolder(), "D:\\Apps");
        EXPECT_EQ(CommonFilesFolder(), "Z:\\Program Files\\Common Files");
        Set("ProgramFilesDir", "E:\\Other");
        Set("CommonFilesDir", "E:\\Common");
        {
            TFolderLookupScope inner;
            EXPECT_EQ(ProgramFilesFolder(), "D:\\Apps");
        }
        EXPECT_EQ(ProgramFilesFolder(), "D:\\Apps") << "an inner scope's end forgets nothing";
        EXPECT_EQ(CommonFilesFolder(), "Z:\\Program Files\\Common Files");
        // The defaults still follow the current directory.
        CurrentDirectory onWindowsDrive(RawWindowsDir());
        EXPECT_EQ(CommonFilesFolder(), RawWindowsDir().substr(0, 2) + "\\Program Files\\Common Files");
    }
    EXPECT_EQ(ProgramFilesFolder(), "E:\\Other");
    EXPECT_EQ(CommonFilesFolder(), "E:\\Common");
}

TEST_F(Folders, FolderSpecifiersAnswerTheirFolderWithoutTrailingBackslash) {
    SetDistinctFolders();
    EnsureStandardSpecifiers(Module());
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"psStartMenu", "C:\\Menu\\Start"},          {"psProgramMenu", "C:\\Menu\\Start\\Programs"},
        {"psDesktopMenu", "C:\\Desk"},               {"psStartupMenu", "C:\\Menu\\Boot"},
        {"psProgramFiles", "C:\\Program Files"},     {"psCommonFiles", "C:\\Common"},
        {"psWindow", RawWindowsDir()},               {"psSystem", RawSystemDir()},
    };
    for (const auto& [name, expected] : cases) {
        auto* specifier = dynamic_cast<TCustomPathSpecifier*>(Module()->FindComponent(name));
        ASSERT_NE(specifier, nullptr) << name;
        EXPECT_EQ(specifier->GetPath(nullptr), expected) << name;
    }
}

TEST_F(Folders, BdeDllPathIsTheFirstRecordedDirectoryOrTheUsualPlace) {
    SavedRegistryValue dllPath(HKEY_LOCAL_MACHINE, "Software\\Borland\\Database Engine", "DLLPath");
    Set("ProgramFilesDir", "C:\\PF\\");
    EnsureStandardSpecifiers(Module());
    TCustomPathSpecifier* bde = Standard<TpsBDEDLL>();
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {"C:\\BDE;D:\\BDE", "C:\\BDE"},
        {"C:\\BDE\\", "C:\\BDE\\"},   // taken as recorded
        {absent, "C:\\PF\\Borland\\Common Files\\BDE"},
        {"", "C:\\PF\\Borland\\Common Files\\BDE"},
    };
    for (const auto& [value, expected] : cases) {
        dllPath.Set(value);
        EXPECT_EQ(bde->GetPath(nullptr), expected) << value.value_or("<missing>");
    }
}

// --- meta variables -----------------------------------------------------------------------

namespace {

struct MetaCase {
    const char* text;
    const char* object;   // "" for none
    bool withEngine;
    std::string expected;   // the expansion, or "<class>: <message>" of the failure
};

} // namespace

TEST_F(Folders, MetaVariablesExpandToFoldersAndObjectPaths) {
    SetDistinctFolders();
    auto* dir = Make<TInstallDirectory>("Dir1");
    dir->SetDestDir("C:\\App\\");
    Make<TInstallFile>("InDir")->SetContainer(dir);
    Make<TInstallFile>("Loose")->SetDestDir("C:\\Data\\\\");   // its own path ends with a backslash
    const std::string containerFailure = "EAICannotExpandContainerDirMV: ";
    const std::string installFailure = "EAICannotExpandInstallDirMV: ";

    const std::vector<MetaCase> cases = {
        {"%P\\App %% %x", "", false, "C:\\Program Files\\App % "},
        {"%b|%D|%f|%M|%s|%W", "", false,
         "C:\\Menu\\Start\\Programs|C:\\Desk|C:\\Common|C:\\Menu\\Start|" + RawSystemDir() + "|" + RawWindowsDir()},
        {"%a", "Loose", false, "C:\\Data"},
        {"[%C]", "InDir", false, "[C:\\App]"},
        {"%i\\Bin", "", true, "C:\\Program Files\\MyApplication\\Bin"},
        {"100%", "", false, "100"},
        {"%%%", "", false, "%"},
        {"", "", false, ""},
        {"%a", "", false, containerFailure + "Cannot expand the %a meta variable because the component is Nil"},
        {"%c", "", false, containerFailure + "Cannot expand the %c meta variable because the component is Nil"},
        {"%c", "Loose", false,
         containerFailure + "Cannot expand the %c meta variable because the Container property is Nil"},
        {"%i", "InDir", false,
         installFailure + "Cannot expand the %i meta variable because there is no TInstall component"},
    };
    for (const MetaCase& row : cases) {
        SCOPED_TRACE(std::string(row.text) + " for '" + row.object + "'");
        TInstall* engine = row.withEngine ? Make<TInstall>("Install1") : nullptr;
        auto* object = dynamic_cast<TInstallContainer*>(Module()->FindComponent(row.object));
        std::string answer;
        try {
            answer = ExpandMetaVariables(row.text, object);
        } catch (const EAI& error) {
            answer = error.ClassName() + ": " + error.Message();
        }
        EXPECT_EQ(answer, row.expected);
        delete engine;
    }
}

TEST_F(Folders, MetaVariableFailuresAreTranslatedEngineFailures) {
    IExceptionTranslator() = [](const std::string& text) { return "<<" + text + ">>"; };
    std::string message = MessageOf<EAI>([] { ExpandMetaVariables("%i", nullptr); });
    std::string nilMessage = MessageOf<EAI>([] { ExpandMetaVariables("%a", nullptr); });
    IExceptionTranslator() = nullptr;
    EXPECT_EQ(message, "<<Cannot expand the %i meta variable because there is no TInstall component>>");
    EXPECT_EQ(nilMessage, "<<Cannot expand the %a meta variable because the component is Nil>>");
}

// --- the framework directory ------------------------------------------------------------

TEST(FrameworkDirectory, IsTheFirstSearchPathEntryHoldingTheMarkerFile) {
    SavedRegistryValue searchPath(HKEY_CURRENT_USER, "Software\\Borland\\Delphi\\4.0\\Library", "Search Path");
    SavedRegistryValue rootDir(HKEY_LOCAL_MACHINE, "Software\\Borland\\Delphi\\4.0", "RootDir");
    ScratchDir root;
    CreateDirectoryA(root.File("Lib").c_str(), nullptr);
    CreateDirectoryA(root.File("Lib\\Setup").c_str(), nullptr);
    CreateDirectoryA(root.File("Other").c_str(), nullptr);
    WriteFileBytes(root.File("Lib\\Setup\\Q32V40.TXT"), "Quillory");
    rootDir.Set(root.Path());
    const std::string found = root.File("Lib\\Setup");
    const std::string missing = "Cannot find the the Quillory directory on the VCL library search path";

    struct SearchCase {
        std::optional<std::string> searchPath;
        bool raiseIfMissing;
        std::string expected;   // the directory, or the message of the failure
    };
    const std::vector<SearchCase> cases = {
        {"C:\\Nowhere;$(DELPHI)\\Lib\\Setup", true, found},
        {"$(DELPHI)\\Other;$(BCB)\\Lib\\Setup\\", true, found},
        {";;" + found + ";", true, found},
        {"$(DELPHI)\\Other", true, missing},
        {"$(DELPHI)\\Other", false, ""},
        {"", true, missing},
        {"   ", true, missing},
        {absent, true, missing},
        {absent, false, ""},
    };
    for (const SearchCase& row : cases) {
        searchPath.Set(row.searchPath);
        std::string answer;
        try {
            answer = QuilloryInfo::FrameworkDirectory(row.raiseIfMissing);
        } catch (const IENoQuilloryPath& error) {
            answer = error.Message();
        }
        EXPECT_EQ(answer, row.expected) << row.searchPath.value_or("<missing>") << " raise=" << row.raiseIfMissing;
    }
}
