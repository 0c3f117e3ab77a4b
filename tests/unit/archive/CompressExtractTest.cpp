#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "archive/cmp_TQlryCompress.h"
#include "fixtures/HeldFile.h"
#include "platform/DateTime.h"
#include "platform/Strings.h"
#include "platform/SysUtils.h"
#include "unit/archive/ArchiveTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

const TDateTime kDay = EncodeDate(2003, 7, 8) + EncodeTime(9, 10, 12, 0);

// Source files with fixed dates in Dir\src, an archive of them in Dir\files.arc.
class ArchiveFixture : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(dir.File("src").c_str(), nullptr);
        AddSource("text.txt", TextBytes(150000), kDay);
        AddSource("random.bin", RandomBytes(200000, 1), kDay + 1);
        AddSource("empty.txt", "", kDay + 2);
    }

    std::string AddSource(const std::string& name, const std::string& bytes, TDateTime date) {
        std::string path = dir.File("src\\" + name);
        WriteFileBytes(path, bytes);
        FileSetDateTime(path, date);
        sources.push_back(path);
        contents.push_back(bytes);
        return path;
    }

    std::string Archive() const { return dir.File("files.arc"); }
    std::string Out(const std::string& name = "") const { return dir.File("out") + (name.empty() ? "" : "\\" + name); }

    void CompressAll(int uniqueID = 0) {
        TQlryCompress compress(nullptr);
        compress.SetCompressedFile(Archive());
        for (const std::string& source : sources) compress.FilesToProcess()->Add(source);
        compress.Compress(false, uniqueID);
    }

    void Prepare(TQlryCompress& compress) {
        compress.SetCompressedFile(Archive());
        compress.SetExtractDirectory(Out());
    }

    ScratchDir dir;
    std::vector<std::string> sources;
    std::vector<std::string> contents;
};

TDateTime DateOf(const std::string& path) {
    TDateTime date = 0;
    FileGetDateTime(path, date);
    return date;
}

} // namespace

TEST_F(ArchiveFixture, ExtractGivesBackBytesAndDates) {
    CompressAll();
    TQlryCompress compress(nullptr);
    Prepare(compress);
    for (const std::string& source : sources) compress.FilesToProcess()->Add(source);
    compress.Extract();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::string out = Out(ExtractFileName(sources[i]));
        EXPECT_EQ(ReadFileBytes(out), contents[i]) << out;
        EXPECT_EQ(DateOf(out), DateOf(sources[i])) << out;
    }
    EXPECT_EQ(compress.FilesToProcess()->Count(), 0);
    EXPECT_EQ(compress.ExtractName(), "");
    EXPECT_FALSE(compress.Abort());
}

TEST_F(ArchiveFixture, CompressReportsEachMemberAndProgress) {
    std::vector<std::string> events;
    TlzhFileStats lastStatus, lastAdded;
    int statusCount = 0;
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(Archive());
    for (const std::string& source : sources) compress.FilesToProcess()->Add(source);
    compress.OnBeforeAdding = [&](TQlryCompress*, const TlzhFileStats& s) { events.push_back("before " + s.FileName); };
    compress.OnAfterAdding = [&](TQlryCompress*, const TlzhFileStats& s) {
        events.push_back("after " + s.FileName + " " + std::to_string(s.CompressedSize));
        lastAdded = s;
    };
    compress.OnStatus = [&](TQlryCompress*, const TlzhFileStats& s) {
        ++statusCount;
        lastStatus = s;
        if (s.Done) events.push_back("done " + s.FileName + " " + std::to_string(s.FilePercent));
    };
    compress.Compress(false, 0);

    const std::string bytes = ReadFileBytes(Archive());
    const int32_t firstPacked = Int32At(bytes, 5 + 136);
    ASSERT_EQ(events.size(), 9u);
    EXPECT_EQ(events[0], "before " + sources[0]);
    EXPECT_EQ(events[1], "done " + sources[0] + " 100");
    EXPECT_EQ(events[2], "after " + sources[0] + " " + std::to_string(firstPacked));
    EXPECT_EQ(events[7], "done " + sources[2] + " 0");  // an empty member has no percentage
    EXPECT_GT(statusCount, 3 + 2);  // the random member fills the 64 KB output buffer several times
    EXPECT_EQ(lastStatus.TotalPercent, 100);
    EXPECT_EQ(lastStatus.TotalBytesDone, 350000);
    EXPECT_EQ(lastStatus.TotalUncompressed, 350000);
    EXPECT_EQ(lastAdded.TotalCompressed, static_cast<int32_t>(bytes.size()) - 5 - 3 * 172);
    EXPECT_EQ(compress.FilesToProcess()->Count(), 0);
}

TEST_F(ArchiveFixture, AppendAddsMembersAndRestartsFileNumbers) {
    CompressAll(5);
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(Archive());
    const std::string extra = AddSource("extra.txt", "appended", kDay);
    compress.FilesToProcess()->Add(extra);
    compress.Compress(true, 9);

    ASSERT_EQ(compress.FileCount(), 4);
    EXPECT_EQ(compress.Headers().FileHeaders(3)->Record.FileNumber, 1);
    EXPECT_EQ(compress.Headers().FileHeaders(2)->Record.FileNumber, 3);
    EXPECT_EQ(compress.IndexOfUniqueID(9), 3);
    EXPECT_EQ(compress.IndexOfUniqueID(5), 2);  // a later member with the same identifier wins
    EXPECT_EQ(compress.IndexOfUniqueID(3), 0);  // carried by no member
    EXPECT_EQ(compress.IndexOfUniqueID(2000), -1);
    EXPECT_EQ(compress.IndexOfUniqueID(-1), -1);

    Prepare(compress);
    compress.FilesToProcess()->Add(extra);
    compress.FilesToProcess()->Add(sources[0]);
    compress.Extract();
    EXPECT_EQ(ReadFileBytes(Out("extra.txt")), "appended");
    EXPECT_EQ(ReadFileBytes(Out("text.txt")), contents[0]);
}

TEST_F(ArchiveFixture, AppendToMissingArchiveCreatesIt) {
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(Archive());
    compress.FilesToProcess()->Add(sources[2]);
    compress.Compress(true, 0);
    const std::string bytes = ReadFileBytes(Archive());
    EXPECT_EQ(Int32At(bytes, 0), 1);
    EXPECT_EQ(bytes.size(), 5u + 172 + 8);
}

TEST_F(ArchiveFixture, CompressFailuresEndWithTheSystemsMessages) {
    {
        TQlryCompress compress(nullptr);
        compress.SetCompressedFile("nodirectory.arc");
        EXPECT_EQ(MessageOf<EInOutError>([&] { compress.Compress(false, 0); }), "Unable to create directory");
        EXPECT_TRUE(compress.Abort());
    }
    {
        TQlryCompress compress(nullptr);
        compress.SetCompressedFile(Archive());
        compress.FilesToProcess()->Add(dir.File("src\\missing.txt"));
        EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.Compress(false, 0); }),
                  "Cannot open the file " + dir.File("src\\missing.txt"));
        EXPECT_EQ(compress.FilesToProcess()->Count(), 0);
    }
    {
        FileHeldByAnotherProcess held(sources[0]);
        TQlryCompress compress(nullptr);
        compress.SetCompressedFile(sources[0]);  // the archive itself cannot be created
        EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.Compress(false, 0); }),
                  "Cannot create the file " + sources[0]);
    }
}

TEST_F(ArchiveFixture, AbortDuringCompressCallsOnAborted) {
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(Archive());
    compress.FilesToProcess()->Add(sources[1]);
    int aborted = 0;
    compress.OnStatus = [](TQlryCompress* c, const TlzhFileStats&) { c->SetAbort(true); };
    compress.OnAborted = [&](TObject*) { ++aborted; };
    EXPECT_NO_THROW(compress.Compress(false, 0));
    EXPECT_EQ(aborted, 1);
}

TEST_F(ArchiveFixture, ExtractNamesAndOverwriteDecisions) {
    CompressAll();
    // The entry's text after ";" and the case of the path do not matter.
    {
        TQlryCompress compress(nullptr);
        Prepare(compress);
        compress.FilesToProcess()->Add(UpperCase(sources[0]) + ";text after the path");
        compress.OnBeforeExtracting = [](TQlryCompress* c, const TlzhFileStats&) {
            c->SetExtractName("some\\dir\\renamed.txt");  // the directory is dropped
        };
        compress.Extract();
        EXPECT_EQ(ReadFileBytes(Out("renamed.txt")), contents[0]);
        EXPECT_FALSE(FileExistsOnDisk(Out("some\\dir\\renamed.txt")));
    }
    // Same date under owDate: skipped, one OnStatus with Done, the file untouched.
    {
        WriteFileBytes(Out("text.txt"), "older content");
        FileSetDateTime(Out("text.txt"), kDay);
        TQlryCompress compress(nullptr);
        Prepare(compress);
        compress.SetOverwrite(owDate);
        std::vector<bool> statuses;
        compress.OnStatus = [&](TQlryCompress*, const TlzhFileStats& s) { statuses.push_back(s.Done); };
        compress.FilesToProcess()->Add(sources[0]);
        compress.Extract();
        EXPECT_EQ(statuses, std::vector<bool>{true});
        EXPECT_EQ(ReadFileBytes(Out("text.txt")), "older content");
    }
    // An older destination is replaced, and OnReplace may choose another name.
    {
        FileSetDateTime(Out("text.txt"), kDay - 10);
        TQlryCompress compress(nullptr);
        Prepare(compress);
        compress.SetOverwrite(owDate);
        int replaced = 0;
        compress.OnReplace = [&](TQlryCompress* c, const TlzhFileStats&) {
            ++replaced;
            c->SetExtractName("x\\replacement.txt");
        };
        compress.FilesToProcess()->Add(sources[0]);
        compress.Extract();
        EXPECT_EQ(replaced, 1);
        EXPECT_EQ(ReadFileBytes(Out("replacement.txt")), contents[0]);
        EXPECT_EQ(ReadFileBytes(Out("text.txt")), "older content");
    }
    // owNever keeps any existing file.
    {
        TQlryCompress compress(nullptr);
        Prepare(compress);
        compress.SetOverwrite(owNever);
        compress.FilesToProcess()->Add(sources[0]);
        compress.Extract();
        EXPECT_EQ(ReadFileBytes(Out("text.txt")), "older content");
    }
}

TEST_F(ArchiveFixture, SkippedMemberDoesNotLendItsNameToTheNext) {
    CompressAll();
    TQlryCompress compress(nullptr);
    Prepare(compress);
    compress.OnBeforeExtracting = [](TQlryCompress* c, const TlzhFileStats& s) {
        if (s.FileName.find("text.txt") != std::string::npos) {
            c->SetExtractName("chosen.txt");
            c->SetSkipFile(true);
        }
    };
    compress.FilesToProcess()->Add(sources[0]);
    compress.FilesToProcess()->Add(sources[1]);
    compress.Extract();
    EXPECT_FALSE(FileExistsOnDisk(Out("chosen.txt")));
    EXPECT_FALSE(FileExistsOnDisk(Out("text.txt")));
    EXPECT_EQ(ReadFileBytes(Out("random.bin")), contents[1]);
}

TEST_F(ArchiveFixture, MissingEntryFailsBeforeAnyFileIsTouched) {
    CompressAll();
    TQlryCompress compress(nullptr);
    Prepare(compress);
    compress.FilesToProcess()->Add("C:\\not\\stored.txt");
    compress.FilesToProcess()->Add(sources[0]);
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.Extract(); }),
              "The file <C:\\not\\stored.txt> was not found in the archive <" + Archive() + ">");
    EXPECT_FALSE(DirectoryExists(Out()));
    EXPECT_TRUE(compress.Abort());
    EXPECT_EQ(compress.FilesToProcess()->Count(), 0);
}

TEST_F(ArchiveFixture, DestinationHeldOpenCannotBeComparedByDate) {
    CompressAll();
    CreateDirectoryA(Out().c_str(), nullptr);
    WriteFileBytes(Out("text.txt"), "held");
    FileHeldByAnotherProcess held(Out("text.txt"));
    TQlryCompress compress(nullptr);
    Prepare(compress);
    compress.SetOverwrite(owDate);
    compress.FilesToProcess()->Add(sources[0]);
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.Extract(); }), "Error comparing file versions in TQlryCompress");
}

TEST_F(ArchiveFixture, AbortInOnStatusStopsExtractWithOnAborted) {
    CompressAll();
    TQlryCompress compress(nullptr);
    Prepare(compress);
    int statuses = 0, aborted = 0;
    compress.OnStatus = [&](TQlryCompress* c, const TlzhFileStats&) {
        if (++statuses == 3) c->SetAbort(true);
    };
    compress.OnAborted = [&](TObject*) { ++aborted; };
    compress.FilesToProcess()->Add(sources[1]);
    compress.FilesToProcess()->Add(sources[0]);
    EXPECT_NO_THROW(compress.Extract());
    EXPECT_EQ(statuses, 3);  // stopped at the next output buffer
    EXPECT_EQ(aborted, 1);
    EXPECT_FALSE(FileExistsOnDisk(Out("random.bin")));  // no half file left behind
    EXPECT_FALSE(FileExistsOnDisk(Out("text.txt")));
}

TEST_F(ArchiveFixture, EAbortFromAHandlerEndsExtractQuietly) {
    CompressAll();
    TQlryCompress compress(nullptr);
    Prepare(compress);
    compress.OnBeforeExtracting = [](TQlryCompress*, const TlzhFileStats&) { throw EAbort("stop"); };
    compress.FilesToProcess()->Add(sources[0]);
    EXPECT_NO_THROW(compress.Extract());
    EXPECT_FALSE(compress.Abort());
}

TEST_F(ArchiveFixture, ArchiveBehindAnOffsetIsReadFromThere) {
    CompressAll();
    const std::string setup = dir.File("setup.exe");
    WriteFileBytes(setup, std::string(12345, 'M') + ReadFileBytes(Archive()));
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(setup);
    compress.SetOffset(12345);
    compress.SetExtractDirectory(Out("deep\\er"));
    compress.FilesToProcess()->Add(sources[1]);
    compress.Extract();
    EXPECT_EQ(ReadFileBytes(Out("deep\\er\\random.bin")), contents[1]);
}

TEST_F(ArchiveFixture, StatisticsAndHeaderCache) {
    CompressAll(42);
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(Archive());
    EXPECT_EQ(compress.FileCount(), 3);
    TlzhFileStats stats;
    compress.GetFileStats(1, stats);
    EXPECT_EQ(stats.FileName, sources[1]);
    EXPECT_EQ(stats.UncompressedSize, 200000);
    EXPECT_EQ(stats.TotalUncompressed, 350000);
    EXPECT_EQ(stats.Header.UniqueID, 42);
    EXPECT_GE(stats.CompressionRatio, 100);  // random bytes do not shrink
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.GetFileStats(3, stats); }),
              "Tried to access the 3th file. This file is not defined");

    // Another disk of the same set keeps the headers; another archive drops them.
    compress.SetCompressedFile(ChangeFileExt(Archive(), ".7"));
    EXPECT_EQ(compress.FileCount(), 3);
    compress.SetCompressedFile(dir.File("other.arc"));
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.FileCount(); }),
              "Cannot open the compressed file " + dir.File("other.arc"));
}

TEST(QlryCompress, FilesToProcessDropsBlankEntries) {
    TStringList files;
    files.Add("C:\\a.txt");
    files.Add("   ");
    files.Add("");
    files.Add("C:\\b.txt;note");
    TQlryCompress compress(nullptr);
    compress.SetFilesToProcess(&files);
    EXPECT_EQ(files.Count(), 2);  // removed from the list handed in as well
    ASSERT_EQ(compress.FilesToProcess()->Count(), 2);
    EXPECT_EQ((*compress.FilesToProcess())[1], "C:\\b.txt;note");
}

TEST(QlryCompress, PublishedPropertiesWithDefaults) {
    const TClassInfo* info = FindClass("TQlryCompress");
    ASSERT_NE(info, nullptr);
    TQlryCompress compress(nullptr);
    EXPECT_EQ(info->FindProperty("CompressionLevel")->getOrdinal(compress), colMax);
    EXPECT_EQ(info->FindProperty("Overwrite")->getOrdinal(compress), owAlways);
    EXPECT_EQ(info->FindProperty("Offset")->getOrdinal(compress), 0);
    EXPECT_EQ(info->FindProperty("Abort")->getOrdinal(compress), 0);
    for (const char* event : {"OnAborted", "OnAfterAdding", "OnBeforeAdding", "OnAfterExtracting",
                              "OnBeforeExtracting", "OnFullDisk", "OnListing", "OnNewDisk", "OnReplace", "OnStatus"})
        EXPECT_NE(info->FindProperty(event), nullptr) << event;
    EXPECT_EQ(info->FindProperty("FilesToProcess")->kind, TPropKind::Strings);
}

TEST(QlryCompress, FullDiskWithoutHandlerRaisesDiskFull) {
    TQlryCompress compress(nullptr);
    EXPECT_EQ(MessageOf<EqcDiskFull>([&] { compress.DoFullDisk(); }), "The disk is full");
    int calls = 0;
    compress.OnFullDisk = [&](TObject*) { ++calls; };
    compress.DoFullDisk();
    EXPECT_EQ(calls, 1);
}

TEST(QlryCompress, PercentagesRoundAndStayZeroWithoutTotal) {
    EXPECT_EQ(PercentOf(1, 3), 33);
    EXPECT_EQ(PercentOf(2, 3), 67);
    EXPECT_EQ(PercentOf(5, 0), 0);
    EXPECT_EQ(PercentOf(300, 100), 255);  // kept within the byte
}

TEST_F(ArchiveFixture, CopyFileCopiesBytesAndDateUnderTheOverwriteRule) {
    const std::string source = AddSource("exact.bin", RandomBytes(8192 * 3, 9), kDay);  // ends with an empty read
    const std::string dest = dir.File("copy.bin");
    TQlryCompress compress(nullptr);
    std::vector<TlzhFileStats> statuses;
    compress.OnStatus = [&](TQlryCompress*, const TlzhFileStats& s) { statuses.push_back(s); };
    compress.CopyFile(source, dest);
    EXPECT_EQ(ReadFileBytes(dest), contents.back());
    EXPECT_EQ(DateOf(dest), DateOf(source));
    ASSERT_EQ(statuses.size(), 5u);  // three full pieces, the empty read, and Done
    EXPECT_EQ(statuses[0].FilePercent, 33);
    EXPECT_EQ(statuses[0].FileName, source);
    EXPECT_TRUE(statuses.back().Done);
    EXPECT_EQ(statuses.back().TotalPercent, 100);
    EXPECT_EQ(compress.ExtractDirectory(), dir.Path());
    EXPECT_EQ(compress.ExtractName(), "copy.bin");

    // A newer destination is kept under owDate; an older one is replaced, renamed by OnReplace.
    WriteFileBytes(dest, "newer");
    FileSetDateTime(dest, kDay + 5);
    compress.SetOverwrite(owDate);
    compress.CopyFile(source, dest);
    EXPECT_EQ(ReadFileBytes(dest), "newer");
    FileSetDateTime(dest, kDay - 5);
    compress.OnReplace = [](TQlryCompress* c, const TlzhFileStats& s) {
        EXPECT_EQ(s.FileName, "");  // the copy's own record, still empty
        c->SetExtractName("other\\renamed.bin");
    };
    compress.CopyFile(source, dest);
    EXPECT_EQ(ReadFileBytes(dir.File("renamed.bin")), contents.back());
    EXPECT_EQ(ReadFileBytes(dest), "newer");

    // SkipFile is not cleared by CopyFile.
    compress.OnReplace = nullptr;
    compress.SetOverwrite(owAlways);
    compress.SetSkipFile(true);
    compress.CopyFile(source, dir.File("skipped.bin"));
    EXPECT_FALSE(FileExistsOnDisk(dir.File("skipped.bin")));
    compress.CopyFile(source, dir.File("skipped.bin"));
    EXPECT_FALSE(FileExistsOnDisk(dir.File("skipped.bin")));
}

TEST_F(ArchiveFixture, CopyFileStopsSilentlyWhenAborted) {
    TQlryCompress compress(nullptr);
    int statuses = 0, aborted = 0;
    compress.OnStatus = [&](TQlryCompress* c, const TlzhFileStats&) {
        if (++statuses == 2) c->SetAbort(true);
    };
    compress.OnAborted = [&](TObject*) { ++aborted; };
    EXPECT_NO_THROW(compress.CopyFile(sources[1], dir.File("partial.bin")));
    EXPECT_EQ(statuses, 2);
    EXPECT_EQ(aborted, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("partial.bin")), contents[1].substr(0, 2 * 8192));  // as far as written
}

TEST_F(ArchiveFixture, CopyFileFailuresReachTheCaller) {
    TQlryCompress compress(nullptr);
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.CopyFile(dir.File("none.txt"), dir.File("x.txt")); }),
              "Cannot open the file " + dir.File("none.txt"));
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.CopyFile(sources[0], dir.File("no\\dir\\x.txt")); }),
              "Cannot create the file " + dir.File("no\\dir\\x.txt"));
    EXPECT_FALSE(compress.Abort());
    WriteFileBytes(dir.File("held.txt"), "held");
    FileHeldByAnotherProcess held(dir.File("held.txt"));
    compress.SetOverwrite(owDate);
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.CopyFile(sources[0], dir.File("held.txt")); }),
              "Error comparing file versions in TQlryCompress");
}
