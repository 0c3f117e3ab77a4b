#pragma once
// A small real project for the install-file suite: an engine whose destination and
// archive lie in a scratch directory, one directory of files in it, sources beside them.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "engine/cmp_TInstall.h"
#include "model/cmp_TInstallContainer.h"
#include "model/cmp_TPathSpecifier.h"
#include "platform/DataModule.h"
#include "platform/DateTime.h"
#include "platform/SysUtils.h"
#include "routines/routines_Registry.h"
#include "support/TestSupport.h"

namespace qlry::test {

class InstallFiles : public testing::Test {
protected:
    void SetUp() override {
        ForceDirectories(SourceDir());
        owner = std::make_unique<TDataModule>(nullptr);
        engine = new TInstall(owner.get());
        engine->SetName("Install1");
        engine->Information()->SetProductName("Files Suite Product");
        engine->SetDestDirType(nullptr);
        engine->SetDestDir(DestDir());
        engine->SetArchiveFileType(nullptr);
        engine->SetArchiveFile(ArchivePath());
        dir = new TInstallDirectory(owner.get());
        dir->SetName("Dir1");
        dir->SetContainer(engine);
        InstallRecordKey() = "\\SOFTWARE\\Quillory\\Install\\FilesSuite";
        RegDeleteKeyTree(rkLocalMachine, InstallRecordKey());
        TCustomInstallFileList::FailedRegistrations().Clear();
        RegistrationErrorsFatal() = true;
        SharedCompressor().SetAbort(false);
    }
    void TearDown() override {
        owner.reset();
        RegDeleteKeyTree(rkLocalMachine, "\\SOFTWARE\\Quillory\\Install\\FilesSuite");
        RegDeleteKeyTree(rkLocalMachine, std::string(uninstallKeyBase) + "Files Suite Product");
        InstallRecordKey().clear();
        RegistrationErrorsFatal() = true;
    }

    std::string SourceDir() const { return scratch.File("src"); }
    std::string DestDir() const { return scratch.File("dest"); }
    std::string ArchivePath() const { return scratch.File("dist\\files.1"); }
    std::string Target(const std::string& name) const { return DestDir() + "\\" + name; }

    // A file of the directory whose source holds Bytes.
    TInstallFile* AddFile(const std::string& name, const std::string& bytes, TFileContainer* container = nullptr) {
        WriteFileBytes(SourceDir() + "\\" + name, bytes);
        return NewFile(name, container);
    }
    // A file of the directory whose source is a copy of a program-directory fixture.
    TInstallFile* AddFixture(const std::string& name, const std::string& fixture) {
        WriteFileBytes(SourceDir() + "\\" + name, ReadFileBytes(ProgramDir() + fixture));
        return NewFile(name, nullptr);
    }
    TInstallFile* NewFile(const std::string& name, TFileContainer* container) {
        auto* file = new TInstallFile(owner.get(), container ? container : dir, SourceDir() + "\\" + name);
        file->SetName("if" + std::to_string(++fileCount));
        return file;
    }
    // The build: every file into the archive, as a traditional distribution does.
    void Build() { engine->Compress(coArchivesToBuildDir | 4 | coForceNetFilesLocal | coIncludeAll); }

    ScratchDir scratch;
    std::unique_ptr<TDataModule> owner;
    TInstall* engine = nullptr;
    TInstallDirectory* dir = nullptr;
    int fileCount = 0;
};

// Forgets the renames that were waiting for the next start of Windows.
inline void ClearPendingRenames() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_SET_VALUE,
                      &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, "PendingFileRenameOperations");
    RegCloseKey(key);
}

inline TDateTime Day(int year, int month, int day) { return EncodeDate(year, month, day) + 0.5; }

} // namespace qlry::test
