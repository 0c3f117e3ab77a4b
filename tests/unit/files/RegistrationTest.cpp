// Help files, shared-DLL counters and self-registering servers after an install.
#include <windows.h>

#include "engine/exceptions_Quillory.h"
#include "fixtures/HeldFile.h"
#include "platform/Registry.h"
#include "routines/cmp_TQlryRegistry.h"
#include "routines/routines_API.h"
#include "routines/routines_Strings.h"
#include "unit/files/FilesTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

class Registrations : public InstallFiles {
protected:
    void SetUp() override {
        InstallFiles::SetUp();
        // Installs into a directory whose long name differs from its short one.
        engine->SetDestDir(scratch.File("Shared Components Directory"));
    }
    void TearDown() override {
        for (const std::string& name : countedNames) counters().DeleteValue(name);
        InstallFiles::TearDown();
    }
    std::string Dest(const std::string& name) const { return AddBackslash(engine->GetDestPath()) + name; }

    // A self-registering server that installs into the directory, not the system one.
    TInstallFile* AddServer(const std::string& name, const std::string& fixture) {
        TInstallFile* file = AddFixture(name, fixture);
        file->SetActiveX(true);
        file->SetFileType(iftNormal);
        file->SetDestDirType(TPathSpecifierList::Standard().Find<TpsContainerDestDir>());
        file->SetUpdateDLLCounter(false);
        return file;
    }
    static bool Registered(const std::string& path) { return FileExistsOnDisk(path + ".registered"); }

    TqlryRegistry& counters() {
        if (!countersOpen) {
            registry.SetRootKey(HKEY_LOCAL_MACHINE);
            countersOpen = registry.OpenKey(sharedDLLsKey, true);
        }
        return registry;
    }
    std::vector<std::string> countedNames;

private:
    TqlryRegistry registry;
    bool countersOpen = false;
};

} // namespace

TEST_F(Registrations, HelpFilesAreListedAndSharedLibrariesCountedUnderTheNameTheyAreKnownBy) {
    TInstallFile* help = AddFile("setup.hlp", "help");
    TInstallFile* known = AddFile("known.dll", "known library");
    known->SetUpdateDLLCounter(true);
    TInstallFile* fresh = AddFile("fresh.dll", "new library");
    fresh->SetUpdateDLLCounter(true);
    Build();
    ForceDirectories(engine->GetDestPath());
    WriteFileBytes(Dest("known.dll"), "old");
    std::string knownShort = GetShortPath(Dest("known.dll"));
    ASSERT_NE(knownShort, Dest("known.dll"));
    counters().WriteInteger(knownShort, 3);
    countedNames = {knownShort, Dest("known.dll"), Dest("fresh.dll")};

    dir->Process();

    EXPECT_EQ(RegReadString(rkLocalMachine, helpFilesKey, "SETUP.HLP", "<missing>"), help->GetDestPath());
    EXPECT_EQ(counters().ReadInteger(knownShort), 4);
    EXPECT_FALSE(counters().ValueExists(Dest("known.dll")));
    EXPECT_EQ(counters().ReadInteger(Dest("fresh.dll")), 1);
    dir->Process();
    EXPECT_EQ(counters().ReadInteger(Dest("fresh.dll")), 2);
    TRegistry cleanup;
    cleanup.SetRootKey(HKEY_LOCAL_MACHINE);
    if (cleanup.OpenKey(helpFilesKey, false)) cleanup.DeleteValue("SETUP.HLP");
}

TEST_F(Registrations, ServersRegisterAndAFailureWaitsForTheRetryAtTheEnd) {
    RegistrationErrorsFatal() = false;
    // Among files of one rank the last added is processed first, so the first server can
    // register only once the file installed after it is there.
    TInstallFile* bad = AddServer("srvbad.dll", "srvbad.dll");
    TInstallFile* exe = AddServer("srvexe.exe", "srvexe.exe");
    AddServer("srvgood.dll", "srvgood.dll");
    AddFile("needed.txt", "dependency");
    TInstallFile* needs = AddServer("srvneeds.dll", "srvneeds.dll");
    Build();
    ASSERT_EQ(dir->Objects(0), needs);

    dir->Process();

    EXPECT_TRUE(Registered(Dest("srvgood.dll")));
    EXPECT_FALSE(Registered(Dest("srvneeds.dll")));
    TCustomInstallFileList& failed = TCustomInstallFileList::FailedRegistrations();
    ASSERT_EQ(failed.Count(), 2);
    // The executable server is started and not waited for.
    std::string marker = Dest("srvexe.exe") + ".registered";
    for (int i = 0; i < 100 && !FileExistsOnDisk(marker); ++i) Sleep(100);
    EXPECT_NE(ReadFileBytes(marker).find("\"" + exe->TargetPath() + "\" /REGSERVER"), std::string::npos);

    EXPECT_EQ(MessageOf<IECustomInstallFile>([] { RetryFailedRegistrations(); }),
              "Could not register the ActiveX component, " + bad->TargetPath() +
                  ", because the DllRegisterServer function returned a value of -2147467259. The file component is " +
                  bad->Name());
    EXPECT_TRUE(Registered(Dest("srvneeds.dll")));
}

TEST_F(Registrations, OutsideAnInstallationAFailedRegistrationRaisesAtOnce) {
    TInstallFile* bad = AddServer("srvbad.dll", "srvbad.dll");
    TInstallFile* plain = AddServer("plain.dll", "verfont.dll");
    Build();
    EXPECT_EQ(MessageOf<IECustomInstallFile>([&] { bad->Process(); }),
              "Could not register the ActiveX component, " + bad->TargetPath() +
                  ", because the DllRegisterServer function returned a value of -2147467259. The file component is " +
                  bad->Name());
    EXPECT_EQ(MessageOf<IECustomInstallFile>([&] { plain->Process(); }),
              "Could not register the ActiveX component, " + plain->TargetPath() +
                  ", because the DllRegisterServer function could not be found. The file component is " + plain->Name() +
                  ". The following value is the value of the GetLastError function: 127");
    EXPECT_EQ(TCustomInstallFileList::FailedRegistrations().Count(), 0);
}

TEST_F(Registrations, AServerThatReplacedAFileInUseRegistersOnlyAfterTheRestart) {
    TInstallFile* server = AddServer("srvgood.dll", "srvgood.dll");
    Build();
    ForceDirectories(engine->GetDestPath());
    WriteFileBytes(Dest("srvgood.dll"), "old server");
    {
        FileHeldByAnotherProcess held(Dest("srvgood.dll"));
        dir->Process();
    }
    EXPECT_TRUE(server->InUse);
    EXPECT_FALSE(Registered(Dest("srvgood.1")));
    EXPECT_FALSE(Registered(Dest("srvgood.dll")));
    TStringList unfinished;
    engine->ReadUnfinishedBusiness(unfinished);
    EXPECT_EQ(Lines(unfinished), std::vector<std::string>{server->Name() + ";0"});
    // This test does not restart.
    ClearPendingRenames();
}
