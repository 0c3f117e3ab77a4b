// The engine's run in this process: phases and broadcasts, the install record, the
// uninstall entry, files in use with the restart left pending, and the resumed run.
#include <algorithm>
#include <functional>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/cmp_TUninstallEXE.h"
#include "engine/exceptions_Quillory.h"
#include "fixtures/HeldFile.h"
#include "links/cmp_TInstallShellLink.h"
#include "platform/CommandLine.h"
#include "platform/Registry.h"
#include "routines/cmp_TQlryRegistry.h"
#include "routines/routines_Strings.h"
#include "support/WindowDriver.h"
#include "translate/cmp_TTranslator.h"
#include "unit/files/FilesTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

const char* const runOnceKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// Stands where the dialogs stand, directly in the engine, and notes what they are told.
class TBroadcastListener : public TInstallObject {
public:
    explicit TBroadcastListener(TComponent* owner)
        : TInstallObject(owner), info_("TBroadcastListener", &TInstallObject::StaticClassInfo(), nullptr, {}) {}
    const TClassInfo* ClassInfo() const override { return &info_; }
    int RegisteredType() const override { return rankDialog; }
    void InformationEvent(TInstallContainer*, int code, TObject*) override {
        static const std::vector<int> phaseCodes = {-995, -994, -987, -984, -983, -980, -979, -978, -974, -973};
        if (std::find(phaseCodes.begin(), phaseCodes.end(), code) != phaseCodes.end()) codes.push_back(code);
    }
    std::vector<int> codes;

private:
    TClassInfo info_;
};

std::string ReadRunOnce(const std::string& name) { return RegReadString(rkLocalMachine, runOnceKey, name, "<missing>"); }

void DeleteRunOnce(const std::string& name) {
    TqlryRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (registry.OpenKey(runOnceKey, false)) registry.DeleteValue(name);
}

bool KeyExists(const std::string& key) {
    TqlryRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    return registry.OpenKey(key, false);
}

class RunSequence : public InstallFiles {
protected:
    void SetUp() override {
        InstallFiles::SetUp();
        RegDeleteKeyTree(rkLocalMachine, "\\Software\\Quillory");
        InstallRecordKey().clear();
        engine->SetUseLoadingProgram(false);
        engine->SetRunAutomatic(false);
        listener = new TBroadcastListener(owner.get());
        listener->SetContainer(engine);
        engine->OnAfterInstallObjects = [this](TInstallContainer*, bool) { ++afterInstallObjects; };
    }
    void TearDown() override {
        DeleteRunOnce("QuilloryUnfinished");
        DeleteRunOnce("QuilloryUnfinished1");
        ClearPendingRenames();
        InstallFiles::TearDown();
        RegDeleteKeyTree(rkLocalMachine, "\\Software\\Quillory");
    }
    std::string UninstallKey() const { return std::string(uninstallKeyBase) + "Files Suite Product"; }
    std::string Listed(const std::string& list, int n) const {
        return RegReadString(rkLocalMachine, UninstallKey() + "\\" + list, n ? "File" + std::to_string(n) : "Entries",
                             "<missing>");
    }

    TBroadcastListener* listener = nullptr;
    int afterInstallObjects = 0;
};

} // namespace

TEST_F(RunSequence, AWholeRunInstallsRecordsAndCleansUp) {
    AddFile("a.txt", "first");
    TInstallFile* server = AddFile("b.txt", "second");
    server->SetRunAfterInstall(true);
    Build();
    std::string recordSeen;
    engine->OnAfterInitialized = [&](TObject*) { recordSeen = InstallRecordKey(); };
    std::vector<std::string> started;
    engine->OnBeforeRunFile = [&](TCustomInstall*, TCustomInstallFile* file, bool& defaultAction) {
        started.push_back(file->FileName());
        defaultAction = false;
    };

    engine->Process();

    EXPECT_EQ(ReadFileBytes(Target("a.txt")), "first");
    EXPECT_EQ(ReadFileBytes(Target("b.txt")), "second");
    EXPECT_EQ(recordSeen, std::string(installRecordsKey) + "\\Install0");
    EXPECT_FALSE(KeyExists(recordSeen));
    EXPECT_FALSE(KeyExists("\\Software\\Quillory"));
    EXPECT_EQ(afterInstallObjects, 1);
    EXPECT_EQ(listener->codes, std::vector<int>({-984, -974, -973, -983, -980, -995, -979}));
    EXPECT_EQ(started, std::vector<std::string>{"b.txt"});
    EXPECT_FALSE(engine->Installing());
    EXPECT_EQ(Listed("Files", 0), "2");
    EXPECT_EQ(Listed("Files", 1), Target("b.txt"));
    EXPECT_EQ(Listed("Files", 2), Target("a.txt"));

    // A second installation of the product continues the list.
    engine->Process();
    EXPECT_EQ(Listed("Files", 0), "4");
    EXPECT_EQ(Listed("Files", 4), Target("a.txt"));
}

TEST_F(RunSequence, AFilesListWhoseCountCannotBeReadIsLeftAsItIsForTheNextList) {
    AddFile("a.txt", "first");
    Build();
    const std::string files = UninstallKey() + "\\Files";
    struct Case {
        const char* what;
        std::function<void()> spoil;
    };
    const std::vector<Case> cases = {
        {"not a number", [&] { RegWriteString(rkLocalMachine, files, "Entries", "seven"); }},
        {"not a string", [&] { RegWriteInteger(rkLocalMachine, files, "Entries", 1); }},
    };
    for (const Case& row : cases) {
        RegDeleteKeyTree(rkLocalMachine, UninstallKey());
        RegWriteString(rkLocalMachine, files, "File1", "C:\\Kept\\earlier.txt");
        row.spoil();

        engine->Process();

        EXPECT_EQ(Listed("Files", 1), "C:\\Kept\\earlier.txt") << row.what;
        EXPECT_EQ(Listed("Files1", 0), "1") << row.what;
        EXPECT_EQ(Listed("Files1", 1), Target("a.txt")) << row.what;
    }
    RegDeleteKeyTree(rkLocalMachine, UninstallKey());
}

TEST_F(RunSequence, TheUninstallProgramWritesTheEntryThatStartsIt) {
    WriteFileBytes(SourceDir() + "\\uninstall.exe", "MZ");
    auto* uninstaller = new TUninstallEXE(owner.get());
    uninstaller->SetName("ifUninstallEXE");
    uninstaller->SetIncludeFromDir(SourceDir());
    uninstaller->SetFileName("uninstall.exe");
    uninstaller->SetContainer(dir);
    TInstallFile* server = AddFixture("srvgood.dll", "srvgood.dll");
    server->SetActiveX(true);
    server->SetFileType(iftNormal);
    server->SetDestDirType(TPathSpecifierList::Standard().Find<TpsContainerDestDir>());
    server->SetUpdateDLLCounter(false);
    Build();
    engine->Process();
    EXPECT_EQ(RegReadString(rkLocalMachine, UninstallKey(), "DisplayName", ""), "Files Suite Product");
    EXPECT_EQ(RegReadString(rkLocalMachine, UninstallKey(), "UninstallString", ""),
              Target("uninstall.exe") + " Files Suite Product");
    EXPECT_EQ(Listed("Files", 0), "<missing>");
    EXPECT_EQ(Listed("ActiveX", 1), Target("srvgood.dll") + ";0");
}

TEST_F(RunSequence, AFileInUseLeavesTheRestartToResumeTheRun) {
    auto* translator = new TTranslator(owner.get());
    translator->SetName("MainTranslator");
    translator->SetTranslateIntoLanguage(qlGerman);
    AddFile("lib.dll", "new library");
    Build();
    ForceDirectories(DestDir());
    WriteFileBytes(Target("lib.dll"), "old library");
    bool rebootAsked = false;
    engine->OnBeforeReboot = [&](TCustomInstall*, bool& continueReboot) {
        rebootAsked = true;
        continueReboot = false;
    };
    {
        FileHeldByAnotherProcess held(Target("lib.dll"));
        engine->Process();
    }
    EXPECT_TRUE(rebootAsked);
    EXPECT_EQ(listener->codes.back(), -987);
    EXPECT_EQ(std::count(listener->codes.begin(), listener->codes.end(), -995), 0);
    std::string record = InstallRecordKey();
    ASSERT_TRUE(KeyExists(record));
    EXPECT_EQ(RegReadInteger(rkLocalMachine, record, "Language", -1), qlGerman);
    EXPECT_EQ(ReadRunOnce("QuilloryUnfinished"),
              "\"" + ParamStr(0) + "\" -r \"-s" + RemoveBackslash(ExtractFilePath(ParamStr(0))) + "\"");
    // A second setup waiting for the same restart gets a name of its own.
    engine->RegisterRunOnce();
    EXPECT_EQ(ReadRunOnce("QuilloryUnfinished1"), ReadRunOnce("QuilloryUnfinished"));

    // The run after the restart.
    listener->codes.clear();
    translator->SetTranslateIntoLanguage(qlEnglish);
    engine->CompleteAfterRestart();
    EXPECT_EQ(translator->TranslateIntoLanguage(), qlGerman);
    EXPECT_EQ(listener->codes, std::vector<int>({-995, -979}));
    EXPECT_FALSE(KeyExists(record));
    EXPECT_FALSE(engine->Installing());
}

TEST_F(RunSequence, AnUnfinishedEntryThatIsNotANumberStopsTheResumedRun) {
    engine->Process();
    InstallRecordKey() = engine->FindInstallRecord(true);
    RegWriteString(rkLocalMachine, InstallRecordKey() + "\\Unfinished", "Lib", "later");
    EXPECT_EQ(MessageOf<IEInstall>([&] { engine->CompleteAfterRestart(); }),
              "There is an invalid entry for the unfinished install list Lib;later");
}

TEST_F(RunSequence, AFailureInTheLinkPhaseStillEndsTheObjectPhaseOnce) {
    AddFile("a.txt", "first");
    Build();
    auto* folder = new TMainLinkGroup(owner.get());
    folder->SetName("MainFolder");
    folder->SetContainer(engine);
    auto* link = new TInstallMainLink(owner.get());
    link->SetName("BrokenLink");
    link->OnBeforeProcess = [](TInstallContainer*) { throw Exception("the link cannot be made"); };
    EXPECT_EQ(MessageOf<Exception>([&] { engine->Process(); }), "the link cannot be made");
    EXPECT_EQ(afterInstallObjects, 1);
    std::string record = InstallRecordKey();
    ASSERT_TRUE(KeyExists(record));

    // A cancelled run shows the failure pages and leaves no record.
    engine->HandleException(nullptr, EAIUserAbort());
    EXPECT_EQ(std::vector<int>(listener->codes.end() - 2, listener->codes.end()), std::vector<int>({-994, -978}));
    EXPECT_TRUE(engine->Aborted());
    EXPECT_FALSE(engine->Installing());
    EXPECT_FALSE(KeyExists(record));
    RemoveTree(folder->GetDestPath());
}

TEST_F(RunSequence, ASetupCopiedElsewhereFindsItsRecordAndARebuiltOneGetsANewOne) {
    std::string first = engine->FindInstallRecord(true);
    EXPECT_EQ(first, std::string(installRecordsKey) + "\\Install0");
    EXPECT_EQ(engine->FindInstallRecord(false), first);
    // Another program (different date and size) gets a record of its own.
    RegWriteString(rkLocalMachine, first, "Path", "C:\\elsewhere\\setup.exe");
    TqlryRegistry record;
    record.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(record.OpenKey(first, false));
    EXPECT_EQ(record.ReadString("Path"), "C:\\elsewhere\\setup.exe");
    EXPECT_EQ(engine->FindInstallRecord(false), first);
    EXPECT_EQ(record.ReadString("Path"), ParamStr(0));
    record.WriteInteger("Size", 1);
    record.CloseKey();
    EXPECT_EQ(engine->FindInstallRecord(false), "");
    EXPECT_EQ(engine->FindInstallRecord(true), std::string(installRecordsKey) + "\\Install1");
}

namespace {

const char* const rebootChildVariable = "QLRY_REBOOT_CHILD";

// A copy of this program that Wine presents as another Windows version; it runs only the
// test named by Filter.
class ProgramAsOtherWindows {
public:
    ProgramAsOtherWindows(const std::string& version, const std::string& filter) : copy_(ProgramDir() + "test_run_" + version + ".exe") {
        CopyFileA((ProgramDir() + "test_run.exe").c_str(), copy_.c_str(), FALSE);
        appDefaults_ = "\\Software\\Wine\\AppDefaults\\" + ExtractFileName(copy_);
        TRegistry wine;
        wine.SetRootKey(HKEY_CURRENT_USER);
        if (wine.OpenKey(appDefaults_, true)) wine.WriteString("Version", version);
        SetEnvironmentVariableA("GTEST_FILTER", filter.c_str());
        SetEnvironmentVariableA(rebootChildVariable, "1");
        child_ = std::make_unique<ChildProcess>("\"" + copy_ + "\"");
        SetEnvironmentVariableA("GTEST_FILTER", nullptr);
        SetEnvironmentVariableA(rebootChildVariable, nullptr);
    }
    ~ProgramAsOtherWindows() {
        child_.reset();
        TRegistry wine;
        wine.SetRootKey(HKEY_CURRENT_USER);
        wine.DeleteKey(appDefaults_);
        DeleteFileA(copy_.c_str());
    }
    ChildProcess& Child() { return *child_; }

private:
    std::string copy_;
    std::string appDefaults_;
    std::unique_ptr<ChildProcess> child_;
};

} // namespace

TEST(RebootChild, RebootOnAnUnsupportedWindows) {
    if (!std::getenv(rebootChildVariable)) GTEST_SKIP() << "runs only inside the child";
    TDataModule owner(nullptr);
    auto* engine = new TInstall(&owner);
    engine->RebootWindows();
    bool failed = false;
    engine->OnFailedReboot = [&](TObject*) { failed = true; };
    engine->RebootWindows();
    EXPECT_TRUE(failed);
}

TEST(Reboot, WindowsThatCannotRestartFromTheProgramGetsTheManualRestartMessage) {
    ProgramAsOtherWindows nt351("nt351", "RebootChild.*");
    ASSERT_TRUE(nt351.Child().Started());
    // Found by its process alone: under NT 3.51 the box is not found by the dialog class.
    HWND box = WaitForWindow(nt351.Child().Id(), "", 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Could not reboot windows. Please manually reboot windows.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(nt351.Child().Wait(30000), 0);
}

TEST_F(RunSequence, ThePublishedFileListGivesSizeDateAndVersionAndAShortOneIsRefused) {
    TInstallFile* file = AddFile("a.txt", "first");
    auto record = [](int32_t size, double date, const std::string& name, const std::string& version) {
        std::string bytes(72, '\0');
        std::memcpy(&bytes[0], &size, 4);
        std::memcpy(&bytes[4], &date, 8);
        bytes.replace(12, name.size(), name);
        bytes.replace(52, version.size(), version);
        return bytes;
    };
    auto count = [](int32_t n) { return std::string(reinterpret_cast<const char*>(&n), 4); };
    std::string list = scratch.File("filelist.lst");
    WriteFileBytes(list, count(1) + record(1234, 45000.25, "IF1", "2.1.0.7"));
    engine->ReadFileList(list);
    EXPECT_EQ(file->FileSize, 1234);
    EXPECT_EQ(file->FileDate, 45000.25);
    EXPECT_EQ(file->FileVersion, "2.1.0.7");

    for (const std::string& shortList : {count(2) + record(1, 1, "if1", ""), std::string("\x01\x00", 2),
                                         count(1) + std::string(40, 'x')}) {
        WriteFileBytes(list, shortList);
        EXPECT_EQ(MessageOf<IEInstall>([&] { engine->ReadFileList(list); }),
                  "Cannot read the remote list of files: " + list);
    }
}
