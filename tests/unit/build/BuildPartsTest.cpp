// The build steps inside one process: the trailer's bytes, the offsets of the appended
// archives, and the published file list of net distributions.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "engine/cmp_TInstall.h"
#include "model/cmp_TInstallContainer.h"
#include "net/cmp_TNetInstallLocation.h"
#include "platform/DataModule.h"
#include "platform/DateTime.h"
#include "platform/SysUtils.h"
#include "support/TestSupport.h"
#include "unit/build/BuildTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

const std::string cannotReadTrailer =
    "Could not read the extraction info from the archive file %s when trying to find the correct offset into the "
    "self extracting file";

std::string WithName(const std::string& format, const std::string& name) {
    return format.substr(0, format.find("%s")) + name + format.substr(format.find("%s") + 2);
}

class BuildParts : public testing::Test {
protected:
    void SetUp() override {
        owner = std::make_unique<TDataModule>(nullptr);
        engine = new TInstall(owner.get());
        engine->SetName("Install1");
    }
    void TearDown() override { owner.reset(); }

    ScratchDir scratch;
    std::unique_ptr<TDataModule> owner;
    TInstall* engine = nullptr;
};

} // namespace

TEST_F(BuildParts, SelfExtractingTrailerNamesTheAppendedArchivesInclusively) {
    struct Row {
        const char* what;
        bool withFiles;
    };
    for (Row row : {Row{"with files.1", true}, Row{"without files.1", false}}) {
        SCOPED_TRACE(row.what);
        const std::string exe = scratch.File(std::string("setup-") + (row.withFiles ? "a" : "b") + ".exe");
        WriteFileBytes(exe, "LOADER");
        WriteFileBytes(scratch.File("setup.1"), "SETUP1");
        if (row.withFiles) WriteFileBytes(scratch.File("files.1"), "FILES.1!");
        else DeleteFile(scratch.File("files.1"));
        engine->MakeSelfExtracting(exe, scratch.File("setup.1"), scratch.File("files.1"));

        const std::string bytes = ReadFileBytes(exe);
        ASSERT_EQ(bytes.size(), 6u + 6u + (row.withFiles ? 8u : 0u) + 56u);
        EXPECT_EQ(bytes.substr(0, 12 + (row.withFiles ? 8 : 0)), row.withFiles ? "LOADERSETUP1FILES.1!" : "LOADERSETUP1");
        RawTrailer trailer = TrailerOf(bytes);
        EXPECT_EQ(trailer.markerLength, 14);
        EXPECT_EQ(trailer.marker, "SELFEXTRACTING");
        EXPECT_EQ(trailer.zeroAfterMarker, 0);
        EXPECT_EQ(trailer.setup1Start, 6u);
        EXPECT_EQ(trailer.setup1End, 11u);
        EXPECT_EQ(trailer.files1Start, row.withFiles ? 12u : 0u);
        EXPECT_EQ(trailer.files1End, row.withFiles ? 19u : 0u);
        EXPECT_TRUE(trailer.tailZero);
        // The separate archives stay beside it.
        EXPECT_TRUE(FileExistsOnDisk(scratch.File("setup.1")));

        TCustomInstall::TSelfExtractTrailer read = TCustomInstall::ReadSelfExtractTrailer(exe);
        EXPECT_EQ(read.Marker, "SELFEXTRACTING");
        EXPECT_EQ(read.Setup1Start, 6u);
        EXPECT_EQ(read.Files1End, row.withFiles ? 19u : 0u);
    }
}

TEST_F(BuildParts, NotSelfExtractingTrailerHasZeroOffsets) {
    const std::string exe = scratch.File("setup.exe");
    WriteFileBytes(exe, "LOADER");
    engine->MarkNotSelfExtracting(exe);
    const std::string bytes = ReadFileBytes(exe);
    ASSERT_EQ(bytes.size(), 62u);
    EXPECT_EQ(bytes.substr(0, 6), "LOADER");
    std::string expected(56, '\0');
    expected[0] = 14;
    std::memcpy(&expected[1], "NOTSELFEXTRACT", 14);
    EXPECT_EQ(bytes.substr(6), expected);
}

TEST_F(BuildParts, TrailerThatCannotBeReadIsReportedWithTheFileName) {
    WriteFileBytes(scratch.File("short.exe"), std::string(55, 'x'));
    for (const std::string& file : {scratch.File("short.exe"), scratch.File("missing.exe")})
        EXPECT_EQ(MessageOf<IEInstall>([&] { TCustomInstall::ReadSelfExtractTrailer(file); }),
                  WithName(cannotReadTrailer, file));
}

TEST_F(BuildParts, MissingSetupArchiveStopsTheSelfExtractingStep) {
    const std::string exe = scratch.File("setup.exe");
    WriteFileBytes(exe, "LOADER");
    EXPECT_EQ(MessageOf<IEInstall>([&] {
                  engine->MakeSelfExtracting(exe, scratch.File("setup.1"), scratch.File("files.1"));
              }),
              "Cannot create the self-extracting exe because " + scratch.File("setup.1") + " could not be loaded onto " +
                  exe);
}

// Distributions built through BuildDistribution, with a framework of the test's own.
class DistributionBuild : public BuildParts {
protected:
    void SetUp() override {
        BuildParts::SetUp();
        ForceDirectories(scratch.File("fw"));
        WriteFileBytes(scratch.File("fw\\Q32V40.TXT"), "");
        WriteFileBytes(scratch.File("fw\\QuilloryLoadProgram.exe"), "LOADER");
        searchPath = std::make_unique<SearchPathOverride>(scratch.File("fw"));
        ForceDirectories(scratch.File("src"));
        location = new TCustomNetInstallLocation(owner.get());
        location->SetHostName("srv1");
        location->SetDirectory("/pub/app");
        engine->SetNetLocation(location);
    }
    void TearDown() override {
        owner.reset();
        searchPath.reset();
    }

    TInstallFile* AddFile(const std::string& name, const std::string& bytes, const std::string& component) {
        WriteFileBytes(scratch.File("src\\" + name), bytes);
        return AddSource(scratch.File("src\\" + name), component);
    }
    TInstallFile* AddSource(const std::string& path, const std::string& component) {
        auto* file = new TInstallFile(owner.get(), engine, path);
        file->SetName(component);
        return file;
    }
    void SetType(TDistributeType type) {
        engine->SetDesigning(true);
        engine->SetDistributeType(type);
        engine->SetDesigning(false);
    }

    std::unique_ptr<SearchPathOverride> searchPath;
    TCustomNetInstallLocation* location = nullptr;
};

TEST_F(DistributionBuild, FileListHoldsOneRecordPerFileCompressedInThisBuild) {
    struct Row {
        TDistributeType type;
        const char* name;
        bool listed;
    };
    const std::string list = scratch.File("dist\\srv1\\-pub-app\\filelist.lst");
    TInstallFile* readme = AddFile("readme.txt", "read me first", "ReadmeFile");
    TInstallFile* excluded = AddFile("extra.txt", std::string(300, 'e'), "ExtraFileWithAVeryLongComponentNameOverForty");
    excluded->SetInclude(false);  // included for the build all the same
    TInstallFile* versioned = AddSource(ProgramDir() + "verfull.exe", "VersionedExe");
    // A file outside the tree, marked by an earlier build: the new build forgets the mark.
    TInstallFile* orphan = new TInstallFile(owner.get());
    orphan->SetName("Orphan");
    orphan->CompressedInBuild = true;
    TDateTime readmeDate = 0;
    ASSERT_TRUE(FileGetDateTime(scratch.File("src\\readme.txt"), readmeDate));

    for (Row row : {Row{dtWeb, "dtWeb", true}, Row{dtTraditionalNet, "dtTraditionalNet", true},
                    Row{dtTraditional, "dtTraditional", false}}) {
        SCOPED_TRACE(row.name);
        DeleteFile(list);
        SetType(row.type);
        TCustomPathSpecifier* archiveType = engine->ArchiveFileType();
        engine->BuildDistribution(ProgramDir() + "verfull.exe", scratch.File("dist"), true);
        // The engine's own archive settings are back.
        EXPECT_EQ(engine->ArchiveFileType(), archiveType);
        EXPECT_EQ(engine->ArchiveFile(), "");
        EXPECT_FALSE(orphan->CompressedInBuild);
        if (!row.listed) {
            EXPECT_FALSE(FileExistsOnDisk(list));
            continue;
        }
        const std::string bytes = ReadFileBytes(list);
        ASSERT_EQ(bytes.size(), 4u + 3 * 72u);
        EXPECT_EQ(LittleEndian32(bytes, 0), 3u);
        struct Record {
            uint32_t size;
            double date;
            std::string name, version;
        };
        auto record = [&](int i) {
            const std::string r = bytes.substr(4 + 72 * i, 72);
            Record out;
            out.size = LittleEndian32(r, 0);
            std::memcpy(&out.date, r.data() + 4, 8);
            out.name = std::string(r.data() + 12, strnlen(r.data() + 12, 40));
            out.version = std::string(r.data() + 52, strnlen(r.data() + 52, 20));
            return out;
        };
        Record first = record(0), second = record(1), third = record(2);
        EXPECT_EQ(first.name, "ReadmeFile");
        EXPECT_EQ(first.size, 13u);
        EXPECT_NEAR(first.date, readmeDate, 2.0 / 86400);  // the stamp, to the archive's precision
        EXPECT_EQ(second.name, std::string("ExtraFileWithAVeryLongComponentNameOverForty").substr(0, 39));
        EXPECT_EQ(second.size, 300u);
        EXPECT_EQ(third.name, "VersionedExe");
        EXPECT_EQ(third.version, versioned->FileVersion);
        EXPECT_FALSE(third.version.empty());
        EXPECT_EQ(readme->CompressedInBuild, true);
    }
}

TEST_F(DistributionBuild, HooksFireInOrderAtTheirPoints) {
    AddFile("readme.txt", "read me first", "ReadmeFile");
    const std::string dist = scratch.File("dist");
    std::vector<std::string> seen;
    auto hook = [&](const char* name, std::function<void()> check) {
        return [&seen, name, check, this](TCustomInstall* sender) {
            EXPECT_EQ(sender, engine) << name;
            seen.push_back(name);
            check();
        };
    };
    auto exists = [&](const char* name) { return FileExistsOnDisk(dist + "\\" + name); };
    engine->OnBeforeCreateSetupArchive = hook("before setup archive", [&] { EXPECT_FALSE(exists("setup.1")); });
    engine->OnAfterCreateSetupArchive = hook("after setup archive", [&] {
        EXPECT_TRUE(exists("setup.1"));
        EXPECT_FALSE(exists("setup.exe"));
    });
    engine->OnBeforeCopySetupProgram = hook("before copy", [&] { EXPECT_FALSE(exists("setup.exe")); });
    engine->OnAfterCopySetupProgram = hook("after copy", [&] { EXPECT_TRUE(exists("setup.exe")); });
    engine->OnAfterCreateSetupProgram = hook("after setup program", [&] { EXPECT_FALSE(exists("files.1")); });
    engine->OnAfterCompressDistribution = hook("after compress", [&] {
        EXPECT_TRUE(exists("files.1"));
        EXPECT_EQ(engine->ArchiveFile(), "");
    });
    engine->OnBeforeMakeSelfExtracting = hook("before self-extracting", [&] {
        EXPECT_EQ(ReadFileBytes(dist + "\\setup.exe"), "LOADER");
    });
    engine->OnAfterMakeSelfExtracting = hook("after self-extracting", [&] {
        EXPECT_EQ(TrailerOf(ReadFileBytes(dist + "\\setup.exe")).marker, "SELFEXTRACTING");
    });

    engine->BuildDistribution(ProgramDir() + "verfull.exe", dist, true);
    EXPECT_EQ(seen, (std::vector<std::string>{"before setup archive", "after setup archive", "after setup program",
                                              "after compress", "before self-extracting", "after self-extracting"}));

    // Without the loading program the setup program itself is copied, and a build that is
    // not stand-alone marks it as lying beside its archives.
    seen.clear();
    DeleteFile(dist + "\\setup.exe");
    DeleteFile(dist + "\\files.1");
    ForceDirectories(scratch.File("prog"));
    ASSERT_TRUE(::CopyFileA((ProgramDir() + "verfull.exe").c_str(), scratch.File("prog\\setup.exe").c_str(), FALSE));
    engine->SetUseLoadingProgram(false);
    EXPECT_EQ(MessageOf<IEInstall>([&] { engine->BuildDistribution(scratch.File("prog\\setup.exe"), dist, true); }),
              "Cannot build a stand alone executable if the UseLoadingProgram property of the TInstall is set to False");
    EXPECT_TRUE(seen.empty());
    engine->BuildDistribution(scratch.File("prog\\setup.exe"), dist, false);
    EXPECT_EQ(seen, (std::vector<std::string>{"before copy", "after copy", "after setup program", "after compress"}));
    const std::string copied = ReadFileBytes(dist + "\\setup.exe");
    EXPECT_EQ(copied.substr(0, copied.size() - 56), ReadFileBytes(ProgramDir() + "verfull.exe"));
    EXPECT_EQ(TrailerOf(copied).marker, "NOTSELFEXTRACT");
}
