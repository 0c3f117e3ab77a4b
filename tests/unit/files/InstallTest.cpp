#include <vector>

#include "engine/exceptions_Quillory.h"
#include "unit/files/FilesTestSupport.h"
#include "platform/Lists.h"

using namespace qlry;
using namespace qlry::test;

namespace {

enum TDestination { absent, same, olderBoth, newerBoth, olderVersionNewerDate };

struct OverwriteCase {
    TOverwriteType mode;
    TDestination destination;
    bool installs;
};

const char* const destinationNames[] = {"absent", "same", "older", "newer", "older version, newer date"};

} // namespace

// The source is a library of version 6.0 dated the 10th; the destinations are libraries of
// versions 5.0, 6.0 and 7.0 dated around it, each with a trailing byte that tells them apart.
TEST_F(InstallFiles, EachOverwriteModeDecidesAgainstTheRealDestination) {
    const TDateTime sourceDate = Day(2024, 1, 10);
    TInstallFile* file = AddFixture("lib.dll", "verfont.dll");
    ASSERT_TRUE(FileSetDateTime(file->SourcePath(), sourceDate));
    TInstallFile* unversioned = AddFile("notes.txt", "plain text");
    unversioned->SetOverwriteMode(owVersion);
    Build();
    const std::string source = ReadFileBytes(file->SourcePath());

    const std::vector<OverwriteCase> cases = {
        {owAlways, absent, true},         {owAlways, same, true},
        {owAlways, newerBoth, true},      {owNever, absent, true},
        {owNever, olderBoth, false},      {owVersion, absent, true},
        {owVersion, same, false},         {owVersion, olderBoth, true},
        {owVersion, newerBoth, false},    {owVersion, olderVersionNewerDate, true},
        {owDate, absent, true},           {owDate, same, false},
        {owDate, olderBoth, true},        {owDate, newerBoth, false},
        {owDate, olderVersionNewerDate, false}, {owVersionDate, absent, true},
        {owVersionDate, same, false},     {owVersionDate, olderBoth, true},
        {owVersionDate, newerBoth, false}, {owVersionDate, olderVersionNewerDate, true},
    };
    for (const OverwriteCase& row : cases) {
        SCOPED_TRACE(std::string(OverwriteTypeInfo().Name(row.mode)) + " over " + destinationNames[row.destination]);
        DeleteFile(Target("lib.dll"));
        DeleteFile(Target("notes.txt"));
        if (row.destination != absent) {
            const char* fixture = row.destination == same ? "verfont.dll"
                                  : row.destination == newerBoth ? "verodd.dll"
                                                                 : "verdriver.dll";
            TDateTime date = row.destination == same        ? sourceDate
                             : row.destination == olderBoth ? sourceDate - 10
                                                            : sourceDate + 10;
            ForceDirectories(DestDir());
            WriteFileBytes(Target("lib.dll"), ReadFileBytes(ProgramDir() + fixture) + "x");
            ASSERT_TRUE(FileSetDateTime(Target("lib.dll"), date));
        }
        file->SetOverwriteMode(row.mode);
        dir->Process();
        bool installed = ReadFileBytes(Target("lib.dll")) == source;
        EXPECT_EQ(installed, row.installs);
        EXPECT_EQ(file->WillInstall, row.installs);
        EXPECT_EQ(file->ExistedBefore, row.destination != absent);
        if (installed) {
            TDateTime date = 0;
            ASSERT_TRUE(FileGetDateTime(Target("lib.dll"), date));
            EXPECT_NEAR(date, sourceDate, 2.0 / 86400);
        }
        // A file without version information is installed where nothing is in the way.
        EXPECT_EQ(ReadFileBytes(Target("notes.txt")), "plain text");
    }
}

TEST_F(InstallFiles, AnInstallRunReportsEachFileAndCountsTheSkippedOne) {
    TInstallFile* first = AddFile("one.txt", std::string(3000, 'a'));
    TInstallFile* second = AddFile("two.txt", std::string(1000, 'b'));
    second->SetOverwriteMode(owNever);
    Build();
    ForceDirectories(DestDir());
    WriteFileBytes(Target("two.txt"), "keep me");

    std::vector<int> totals;
    dir->OnStatus = [&](TCustomInstallFile*, int, int total) { totals.push_back(total); };
    std::vector<std::string> order;
    first->OnBeforeInstall = [&](TCustomInstallFile* f) { order.push_back("before " + f->FileName()); };
    first->OnAfterInstall = [&](TCustomInstallFile* f) { order.push_back("after " + f->FileName()); };
    second->OnAfterInstall = [&](TCustomInstallFile* f) { order.push_back("after " + f->FileName()); };
    dir->Process();

    // Among objects of one rank the one added last comes first.
    EXPECT_EQ(order, std::vector<std::string>({"after two.txt", "before one.txt", "after one.txt"}));
    EXPECT_EQ(ReadFileBytes(Target("two.txt")), "keep me");
    ASSERT_FALSE(totals.empty());
    // The skipped file completes the run's total.
    EXPECT_EQ(totals.back(), 100);
    EXPECT_EQ(dir->BytesDone(), 4000);
    EXPECT_EQ(first->State(), ifsNone);
}

TEST_F(InstallFiles, ABeforeInstallAbortSkipsOnlyThatFile) {
    TInstallFile* first = AddFile("one.txt", "1");
    AddFile("two.txt", "2");
    Build();
    first->OnBeforeInstall = [](TCustomInstallFile*) { throw EAbort("skip"); };
    dir->Process();
    EXPECT_FALSE(FileExistsOnDisk(Target("one.txt")));
    EXPECT_EQ(ReadFileBytes(Target("two.txt")), "2");
}

TEST_F(InstallFiles, FailuresNameTheFile) {
    TInstallFile* file = AddFile("one.txt", "1");
    file->SetArchiveFileType(nullptr);
    file->SetArchiveFile("");
    EXPECT_EQ(MessageOf<IECustomInstallFile>([&] { file->Compress(); }),
              "Cannot either compress or decompress the following file because it's archive file property is blank. "
              "File is :one.txt");
    file->SetDestDirType(nullptr);
    file->SetDestDir("");
    EXPECT_EQ(MessageOf<IECustomInstallFile>([&] { file->Copy(); }),
              "Cannot compress,copy, or install the following file because it's destination directory is blank. File "
              "is :if1");
    DeleteFile(file->SourcePath());
    EXPECT_EQ(MessageOf<IECustomInstallFile>([&] { file->ReadInfoFromFile(); }),
              "Could not open or find the following file when trying to read the Size, Date, and Version :" +
                  file->SourcePath());
}

TEST_F(InstallFiles, CopyWritesTheSourceUncompressedWithItsDate) {
    TInstallFile* file = AddFile("one.txt", "copied as it is");
    ASSERT_TRUE(FileSetDateTime(file->SourcePath(), Day(2023, 5, 1)));
    dir->CopyFiles();
    EXPECT_EQ(ReadFileBytes(Target("one.txt")), "copied as it is");
    TDateTime date = 0;
    ASSERT_TRUE(FileGetDateTime(Target("one.txt"), date));
    EXPECT_NEAR(date, Day(2023, 5, 1), 2.0 / 86400);
    EXPECT_EQ(file->State(), ifsNone);
}

TEST_F(InstallFiles, ArchiveInformationComesFromTheMembersHeader) {
    TInstallFile* file = AddFixture("lib.dll", "verfont.dll");
    ASSERT_TRUE(FileSetDateTime(file->SourcePath(), Day(2024, 1, 10)));
    Build();
    file->FileSize = 0;
    file->FileVersion.clear();
    file->FileDate = 0;
    file->ReadInfoFromArchive();
    EXPECT_TRUE(file->InfoRead());
    EXPECT_EQ(file->FileSize, static_cast<int>(ReadFileBytes(file->SourcePath()).size()));
    EXPECT_EQ(file->FileVersion, "6.0.0.0");
    EXPECT_NEAR(file->FileDate, Day(2024, 1, 10), 2.0 / 86400);
    EXPECT_GT(file->CompressedSize, 0);
    EXPECT_TRUE(file->CompressedInBuild);
    EXPECT_TRUE(SameText(file->CompressedInto, ArchivePath()));
}
