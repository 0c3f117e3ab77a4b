#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "model/cmp_TInstallContainer.h"
#include "model/cmp_TPathSpecifier.h"
#include "net/cmp_TNetInstallLocation.h"
#include "platform/DataModule.h"
#include "routines/routines_Registry.h"
#include "support/TestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

// What a file was pointed at when its container asked it to compress or copy itself.
struct TArchiveSeen {
    std::string archiveFile;
    TlzhCommand addToArchive = lzcOverwrite;
    TCustomPathSpecifier* archiveFileType = nullptr;
    bool include = false;
    bool storedInNetArchive = false;
};

class TRecordingFile : public TInstallFile {
public:
    using TInstallFile::TInstallFile;
    void Compress() override {
        seen = {ArchiveFile(), AddToArchive(), ArchiveFileType(), Include(), StoredInNetArchive()};
        ++compressed;
        if (failCompress) throw Exception("disk full");
    }
    void Copy() override { ++copied; }
    // The container's runs are what these tests look at; the file's own work has its suite.
    void ReadInfoFromArchive() override {}
    void ProcessObjects() override {}
    TArchiveSeen seen;
    int compressed = 0;
    int copied = 0;
    bool failCompress = false;
};

class TEndListener : public TInstallObject {
public:
    explicit TEndListener(TComponent* owner)
        : TInstallObject(owner), info_("TEndListener", &TInstallObject::StaticClassInfo(), nullptr, {}) {}
    const TClassInfo* ClassInfo() const override { return &info_; }
    int RegisteredType() const override { return 9000; }
    void InformationEvent(TInstallContainer*, int code, TObject*) override { codes.push_back(code); }
    // Containers below this object report their runs here.
    void DoInformationEventControl(TInstallContainer*, int code, TObject*) override { upward.push_back(code); }
    std::vector<int> codes;
    std::vector<int> upward;

private:
    TClassInfo info_;
};

class FileContainer : public testing::Test {
protected:
    void SetUp() override {
        owner = std::make_unique<TDataModule>(nullptr);
        dir = new TInstallDirectory(owner.get());
        dir->SetName("Dir1");
        dir->SetArchiveFile(scratch.File("main.1"));
        listener = new TEndListener(owner.get());
        listener->SetContainer(dir);
    }
    void TearDown() override { owner.reset(); }

    TRecordingFile* MakeFile(const char* name, TFileContainer* container, int bytes = 10) {
        auto* file = new TRecordingFile(owner.get());
        file->SetName(name);
        file->SetFileName(std::string(name) + ".txt");
        file->SetIncludeFromDir(scratch.Path());
        WriteFileBytes(scratch.File(std::string(name) + ".txt"), std::string(bytes, 'x'));
        file->SetContainer(container);
        return file;
    }
    TCustomNetInstallLocation* MakeLocation(const char* host, const char* directory, TInternetProtocol protocol) {
        auto* location = new TCustomNetInstallLocation(owner.get());
        location->SetHostName(host);
        location->SetDirectory(directory);
        location->SetProtocol(protocol);
        return location;
    }
    static TCustomPathSpecifier* ContainerArchive() {
        return TPathSpecifierList::Standard().Find<TpsContainerArchiveFile>();
    }

    ScratchDir scratch;
    std::unique_ptr<TDataModule> owner;
    TInstallDirectory* dir = nullptr;
    TEndListener* listener = nullptr;
};

} // namespace

TEST_F(FileContainer, CompressPointsEachFileAtTheArchiveOfItsDistributionAndRestoresItAfterwards) {
    dir->SetNetLocation(MakeLocation("srv0", "", ipFTP));
    TCustomNetInstallLocation* own = MakeLocation("srv1", "/pub/app", ipHTTP);
    const std::string d = scratch.Path();
    const std::string dirArchive = d + "\\srv0\\FTP Root directory\\Dir1.1";
    enum TSetup { netFile, ownLocation, versionCompare, localFile, fixedArchive };
    struct Row {
        TCompressOptions options;
        TSetup setup;
        std::string archiveFile;
        TlzhCommand addToArchive;
        bool underContainerArchive;
        bool storedInNetArchive;
    };
    const std::vector<Row> rows{
        // Forcing files local wins over the file's own Net.
        {46, netFile, "", lzcOnlyAdd, true, false},
        {54, ownLocation, d + "\\srv1\\-pub-app\\F1.1", lzcOverwrite, false, true},
        {54, netFile, dirArchive, lzcOnlyAdd, false, true},
        {54, versionCompare, d + "\\srv0\\FTP Root directory\\F1.1", lzcOnlyAdd, false, true},
        {54, localFile, dirArchive, lzcOnlyAdd, false, true},
        {38, localFile, "", lzcOnlyAdd, true, false},
        {38, fixedArchive, d + "\\old\\extra.1", lzcOverwrite, false, false},
        {38, netFile, dirArchive, lzcOnlyAdd, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "options " << int(row.options) << ", setup " << row.setup);
        TRecordingFile* file = MakeFile("F1", dir, 123);
        file->SetNet(row.setup != localFile && row.setup != fixedArchive);
        if (row.setup == ownLocation) file->SetNetLocation(own);
        if (row.setup == versionCompare) file->SetOverwriteMode(owVersion);
        if (row.setup == fixedArchive) {
            file->SetArchiveFileType(nullptr);
            file->SetArchiveFile("X:\\old\\extra.1");
        }
        file->SetInclude(false);
        const std::string archiveBefore = file->ArchiveFile();
        TCustomPathSpecifier* typeBefore = file->ArchiveFileType();

        dir->Compress(row.options);

        ASSERT_EQ(file->compressed, 1);
        EXPECT_EQ(file->seen.archiveFile, row.archiveFile);
        EXPECT_EQ(file->seen.addToArchive, row.addToArchive);
        EXPECT_EQ(file->seen.archiveFileType, row.underContainerArchive ? ContainerArchive() : nullptr);
        EXPECT_TRUE(file->seen.include);
        EXPECT_EQ(file->seen.storedInNetArchive, row.storedInNetArchive);
        EXPECT_EQ(file->ArchiveFile(), archiveBefore);
        EXPECT_EQ(file->ArchiveFileType(), typeBefore);
        EXPECT_EQ(file->AddToArchive(), lzcOverwrite);
        EXPECT_FALSE(file->Include());
        EXPECT_EQ(dir->TotalSize(), 123);
        EXPECT_EQ(dir->State(), ifsNone);
        file->Free();
    }
}

TEST_F(FileContainer, CompressRebuildsTheArchiveByDeletingTheOldOne) {
    WriteFileBytes(scratch.File("main.1"), "old");
    MakeFile("F1", dir);
    dir->Compress(46);
    EXPECT_FALSE(FileExistsOnDisk(scratch.File("main.1")));
    EXPECT_EQ(listener->codes.back(), ieProcessingDone);
}

TEST_F(FileContainer, CompressOfNetFilesWithoutAnyNetLocationNamesTheContainer) {
    MakeFile("F1", dir)->SetNet(true);
    try {
        dir->Compress(54);
        FAIL() << "no exception";
    } catch (const IEFileRel_NoNetLocation& e) {
        EXPECT_EQ(e.Message(), "Could not find a net install location for Dir1");
    }
    EXPECT_EQ(dir->State(), ifsNone);
    EXPECT_EQ(listener->codes.back(), ieProcessingDone);
}

TEST_F(FileContainer, CompressRefusesBothForceOptions) {
    TRecordingFile* file = MakeFile("F1", dir);
    try {
        dir->Compress(coForceNetFilesLocal | coForceFilesNet);
        FAIL() << "no exception";
    } catch (const IEFileContainer& e) {
        EXPECT_EQ(e.Message(), "Cannot pass both coForceNetFilesLocal and coForceFilesNet to Compress");
    }
    EXPECT_EQ(file->compressed, 0);
    EXPECT_EQ(dir->State(), ifsNone);
}

TEST_F(FileContainer, AFailingFileGetsItsSettingsBackAndTheRunEnds) {
    TRecordingFile* file = MakeFile("F1", dir);
    file->SetArchiveFileType(nullptr);
    file->SetArchiveFile("X:\\old\\extra.1");
    file->SetInclude(false);
    file->failCompress = true;
    EXPECT_THROW(dir->Compress(46), Exception);
    EXPECT_EQ(file->seen.archiveFile, scratch.Path() + "\\old\\extra.1");
    EXPECT_EQ(file->ArchiveFile(), "X:\\old\\extra.1");
    EXPECT_EQ(file->ArchiveFileType(), nullptr);
    EXPECT_EQ(file->AddToArchive(), lzcOverwrite);
    EXPECT_FALSE(file->Include());
    EXPECT_EQ(dir->State(), ifsNone);
    EXPECT_EQ(listener->codes.back(), ieProcessingDone);
}

TEST_F(FileContainer, NestedContainersCompressIntoTheirOwnArchivesUnderTheBuildDirectory) {
    auto* sub = new TInstallDirectory(owner.get());
    sub->SetName("Sub1");
    sub->SetContainer(dir);
    TRecordingFile* file = MakeFile("F1", sub);
    dir->Compress(46);
    ASSERT_EQ(file->compressed, 1);
    // The sub-directory runs under the container archive, so its files add to the main archive.
    EXPECT_EQ(file->seen.addToArchive, lzcOnlyAdd);
    EXPECT_EQ(sub->State(), ifsNone);
    EXPECT_EQ(sub->ArchiveFileType(), ContainerArchive());
}

TEST_F(FileContainer, CopyingAnExcludedContainerCopiesNothingButStillEndsTheRun) {
    TRecordingFile* file = MakeFile("F1", dir);
    dir->SetInclude(false);
    int before = 0;
    dir->OnBeforeProcess = [&](TInstallContainer*) { ++before; };
    dir->CopyFiles();
    EXPECT_EQ(before, 1);
    EXPECT_EQ(file->copied, 0);
    EXPECT_EQ(listener->codes, std::vector<int>({ieProcessingDone}));
    EXPECT_EQ(dir->State(), ifsNone);

    dir->SetInclude(true);
    dir->CopyFiles();
    EXPECT_EQ(file->copied, 1);
    EXPECT_EQ(dir->TotalSize(), 10);
}

TEST_F(FileContainer, ProcessStateRunsTheRunOfThatStateAndEndsIdle) {
    TRecordingFile* file = MakeFile("F1", dir);
    dir->ProcessState(ifsCopying);
    EXPECT_EQ(file->copied, 1);
    // Without options the container's own net archive name is needed.
    EXPECT_THROW(dir->ProcessState(ifsCompress), IEFileRel_NoNetLocation);
    EXPECT_EQ(dir->State(), ifsNone);
    dir->SetNetLocation(MakeLocation("srv1", "", ipHTTP));
    dir->ProcessState(ifsCompress);
    EXPECT_EQ(file->compressed, 1);
    EXPECT_EQ(dir->State(), ifsNone);
}

TEST_F(FileContainer, SizesCountSelectedOrAllFilesOwnOrBelow) {
    MakeFile("F1", dir)->FileSize = 100;
    MakeFile("F2", dir)->FileSize = 200;
    auto* sub = new TInstallDirectory(owner.get());
    sub->SetName("Sub1");
    sub->SetContainer(dir);
    MakeFile("F3", sub)->FileSize = 400;
    MakeFile("F4", sub)->FileSize = 800;
    dir->Files(1)->SetInclude(false);  // F2: files are kept latest first
    static_cast<TFileContainer*>(sub)->Files(0)->SetInclude(false);
    for (int i = 0; i < dir->FileCount(); ++i) dir->Files(i)->CompressedSize = dir->Files(i)->FileSize / 10;
    const int excludedOwn = dir->Files(1)->FileSize;
    const int excludedSub = sub->Files(0)->FileSize;
    struct Row {
        bool includeAll, recursive;
        int expected;
    };
    for (const Row& row : std::vector<Row>{{false, false, 300 - excludedOwn},
                                           {true, false, 300},
                                           {false, true, 1500 - excludedOwn - excludedSub},
                                           {true, true, 1500}})
        EXPECT_EQ(dir->GetFilesSize(row.includeAll, row.recursive), row.expected)
            << row.includeAll << row.recursive;
    EXPECT_EQ(dir->TotalFilesSize(true), 1500);
    EXPECT_EQ(dir->OwnFilesSize(true), 300);
    sub->SetInclude(false);
    EXPECT_EQ(dir->TotalFilesSize(false), 300 - excludedOwn);
    EXPECT_EQ(dir->GetCompressedSize(true), 30);
}

TEST_F(FileContainer, AnInstallRunReportsItsStartAndEndAndTotals) {
    auto* top = new TEndListener(owner.get());
    dir->SetContainer(top);
    MakeFile("F1", dir, 100);
    dir->Files(0)->FileSize = 100;
    int totalSeen = -1;
    bool abortedSeen = true;
    dir->OnBeforeInstallObjects = [&](TInstallContainer*) { totalSeen = dir->TotalSize(); };
    dir->OnAfterInstallObjects = [&](TInstallContainer*, bool aborted) { abortedSeen = aborted; };
    dir->Process();
    EXPECT_EQ(totalSeen, 100);
    EXPECT_FALSE(abortedSeen);
    EXPECT_TRUE(dir->InfoRead());
    EXPECT_EQ(top->upward, std::vector<int>({icContainerStart, icContainerEnd}));
    std::vector<int> ends;
    for (int code : listener->codes)
        if (code == ieInstallObjects || code == ieProcessingDone) ends.push_back(code);
    EXPECT_EQ(ends, std::vector<int>({ieInstallObjects, ieProcessingDone}));
    EXPECT_EQ(dir->State(), ifsNone);
}

TEST_F(FileContainer, AnInstallRunThatFailsStillEndsAndReturnsToIdle) {
    MakeFile("F1", dir);
    dir->OnBeforeInstallObjects = [](TInstallContainer*) { throw Exception("stop"); };
    bool afterFired = false;
    dir->OnAfterInstallObjects = [&](TInstallContainer*, bool) { afterFired = true; };
    EXPECT_THROW(dir->ProcessObjects(), Exception);
    EXPECT_TRUE(afterFired);
    EXPECT_EQ(dir->State(), ifsNone);
    EXPECT_EQ(listener->codes.back(), ieProcessingDone);
}

TEST_F(FileContainer, NetArchiveSubdirectoriesAreNamedAfterHostAndDirectory) {
    struct Row {
        const char* host;
        const char* directory;
        TInternetProtocol protocol;
        std::string expected;
    };
    for (const Row& row : std::vector<Row>{{"srv1", "/pub/app", ipHTTP, "srv1\\-pub-app"},
                                           {"srv1", "  ", ipFTP, "srv1\\FTP Root directory"},
                                           {"srv1", "", ipHTTP, "srv1\\HTTP Root directory"}}) {
        dir->SetNetLocation(MakeLocation(row.host, row.directory, row.protocol));
        EXPECT_EQ(GetNetArchiveSubdir(dir), row.expected);
    }
    // A file without its own location uses its container's.
    EXPECT_EQ(GetNetArchiveSubdir(MakeFile("F1", dir)), "srv1\\HTTP Root directory");
}

TEST_F(FileContainer, QueriesAboutNetFilesAndTheLocalArchive) {
    TRecordingFile* file = MakeFile("F1", dir);
    EXPECT_FALSE(dir->HasNetFiles());
    file->SetNet(true);
    EXPECT_TRUE(dir->HasNetFiles());
    // Without an engine the distribution counts as traditional with net files.
    EXPECT_TRUE(dir->HasNetFilesToFetch());
    file->SetNetLocation(MakeLocation("srv1", "", ipHTTP));
    EXPECT_FALSE(dir->HasNetFilesToFetch());
    try {
        dir->GetLocalArchivePath();
        FAIL() << "no exception";
    } catch (const IEFileContainer& e) {
        EXPECT_EQ(e.Message(), "Dir1 has not yet downloaded the archive file and therefore cannot retrieve the path "
                               "of the archive file");
    }
}

TEST_F(FileContainer, TheLocalArchiveRecordLivesUnderTheRecordKeyOnly) {
    const std::string copy = scratch.File("copy.1");
    WriteFileBytes(copy, "archive");
    const std::string savedKey = InstallRecordKey();
    struct TRestore {
        std::string key;
        ~TRestore() {
            RegDeleteKeyTree(rkLocalMachine, "\\SOFTWARE\\Quillory\\Install\\LocalFileCase");
            RegDeleteKeyTree(rkLocalMachine, "\\Dir1");
            InstallRecordKey() = key;
        }
    } restore{savedKey};
    std::string path;

    // Before a run has found its record there is none: nothing is read or written at the root.
    InstallRecordKey() = "";
    RegWriteString(rkLocalMachine, "\\Dir1", "LocalFile", copy);
    EXPECT_FALSE(dir->GetLocalFile(path));
    RegDeleteKeyTree(rkLocalMachine, "\\Dir1");
    dir->StoreLocalFile(copy);
    EXPECT_EQ(RegReadString(rkLocalMachine, "\\Dir1", "LocalFile", "<none>"), "<none>");

    InstallRecordKey() = "\\SOFTWARE\\Quillory\\Install\\LocalFileCase";
    dir->StoreLocalFile(copy);
    ASSERT_TRUE(dir->GetLocalFile(path));
    EXPECT_EQ(path, copy);
    DeleteFileA(copy.c_str());
    EXPECT_FALSE(dir->GetLocalFile(path)) << "a recorded copy that is gone does not count";
}

TEST_F(FileContainer, ReadingSourceInformationTakesTheSizeOfTheSourceFile) {
    TRecordingFile* file = MakeFile("F1", dir, 321);
    dir->ReadSourceInfo();
    EXPECT_EQ(file->FileSize, 321);
    EXPECT_NE(file->FileDate, 0);
}
