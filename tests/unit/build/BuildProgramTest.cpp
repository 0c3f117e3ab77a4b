// setup.exe -b as an author runs it: BUILD.INF beside the program, the framework found on
// the library search path, the distribution written into the build directory; and every
// way the build refuses, each ending in its message box.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/routines_ExpandPaths.h"
#include "platform/SysUtils.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"
#include "unit/build/BuildProgramSupport.h"

using namespace qlry;
using namespace qlry::test;

TEST_F(BuildProgram, BuildWritesTheSelfExtractingSetupAndBothArchives) {
    RequireFramework();
    WriteBuildInf(Dist() + "\r\n");
    ASSERT_EQ(RunBuild("FILES", "-b"), "");

    const std::string loader = ReadFileBytes(framework + "\\QuilloryLoadProgram.exe");
    const std::string setup1 = ReadFileBytes(Dist() + "\\setup.1");
    const std::string files1 = ReadFileBytes(Dist() + "\\files.1");
    const std::string setupExe = ReadFileBytes(Dist() + "\\setup.exe");
    ASSERT_FALSE(loader.empty());
    ASSERT_FALSE(setup1.empty());
    ASSERT_FALSE(files1.empty());
    EXPECT_EQ(setupExe, loader + setup1 + files1 + setupExe.substr(setupExe.size() - 56));

    RawTrailer trailer = TrailerOf(setupExe);
    EXPECT_EQ(trailer.marker, "SELFEXTRACTING");
    EXPECT_EQ(trailer.setup1Start, loader.size());
    EXPECT_EQ(trailer.setup1End, loader.size() + setup1.size() - 1);
    EXPECT_EQ(trailer.files1Start, loader.size() + setup1.size());
    EXPECT_EQ(trailer.files1End, loader.size() + setup1.size() + files1.size() - 1);

    // setup.1: the setup program itself, then the presetup file; files.1: the project's files.
    std::vector<std::string> setupMembers = MembersOf(Dist() + "\\setup.1");
    ASSERT_EQ(setupMembers.size(), 2u);
    EXPECT_EQ(setupMembers[0].substr(0, setupMembers[0].find('#')), "setup.exe");
    EXPECT_EQ(setupMembers[1].substr(0, setupMembers[1].find('#')), "presetup.txt");
    std::vector<std::string> fileMembers = MembersOf(Dist() + "\\files.1");
    std::sort(fileMembers.begin(), fileMembers.end());
    EXPECT_EQ(fileMembers, (std::vector<std::string>{"data.bin#2", "readme.txt#1"}));
}

TEST_F(BuildProgram, FirstLineLeftEmptyBuildsIntoTheCurrentDirectory) {
    RequireFramework();
    WriteBuildInf("\r\n");
    const std::string here = scratch.File("here");
    ForceDirectories(here);
    ASSERT_EQ(RunBuild("FILES", "-b", here), "");
    for (const char* name : {"setup.exe", "setup.1", "files.1"})
        EXPECT_TRUE(FileExistsOnDisk(here + "\\" + name)) << name;
    EXPECT_EQ(TrailerOf(ReadFileBytes(here + "\\setup.exe")).marker, "SELFEXTRACTING");
}

TEST_F(BuildProgram, ProjectWithoutFilesHasNoFilesArchiveAndZeroOffsets) {
    RequireFramework();
    WriteBuildInf(Dist() + "\r\n");
    ASSERT_EQ(RunBuild("EMPTY", "-b"), "");
    EXPECT_FALSE(FileExistsOnDisk(Dist() + "\\files.1"));
    const std::string loader = ReadFileBytes(framework + "\\QuilloryLoadProgram.exe");
    const std::string setup1 = ReadFileBytes(Dist() + "\\setup.1");
    const std::string setupExe = ReadFileBytes(Dist() + "\\setup.exe");
    EXPECT_EQ(setupExe.size(), loader.size() + setup1.size() + 56);
    RawTrailer trailer = TrailerOf(setupExe);
    EXPECT_EQ(trailer.setup1End, loader.size() + setup1.size() - 1);
    EXPECT_EQ(trailer.files1Start, 0u);
    EXPECT_EQ(trailer.files1End, 0u);
}

TEST_F(BuildProgram, EveryRefusalEndsInItsMessageAndWritesNothing) {
    const std::string onlyMarker = scratch.File("no-loader");
    ForceDirectories(onlyMarker);
    WriteFileBytes(onlyMarker + "\\Q32V40.TXT", "");
    struct Row {
        const char* what;
        const char* project;
        const char* arguments;
        const char* buildInf;  // nullptr: no BUILD.INF at all
        std::string searchPath;  // empty: as installed
        std::string message;
    };
    const std::string dist = Dist();
    const Row rows[] = {
        {"no BUILD.INF", "FILES", "-b", nullptr, "",
         "Need to have a BUILD.INF file in this directory with the first line specifying the build directory"},
        {"empty BUILD.INF", "FILES", "-b", "", "",
         "Must be 1 line in BUILD.INF. This line should specify the build directory"},
        {"no loading program", "STANDALONE", "-b", "dist", "",
         "Cannot build a stand alone executable if the UseLoadingProgram property of the TInstall is set to False"},
        {"no framework directory", "FILES", "-b", "dist", scratch.File("nowhere"),
         "The HKEY_LOCAL_MACHINE | \\Software\\Brennick\\Q32V40 key in the registry is either missing or points to "
         "an invalid Quillory directory"},
        {"no loader in the framework", "FILES", "-b", "dist", onlyMarker,
         "The loader program " + onlyMarker + "\\QuilloryLoadProgram.exe was not found"},
        {"floppies without the self-extracting file", "FILES", "-f", nullptr, "",
         "Sorry... You can only transfer this installation to floppies through the self-extracting file. Usage "
         "example: setup.exe *TODISK"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        DeleteFile(AuthorDir() + "\\BUILD.INF");
        if (row.buildInf) WriteBuildInf(std::string(row.buildInf) == "dist" ? dist + "\r\n" : row.buildInf);
        std::unique_ptr<SearchPathOverride> searchPath;
        if (!row.searchPath.empty()) searchPath = std::make_unique<SearchPathOverride>(row.searchPath);
        EXPECT_EQ(RunBuild(row.project, row.arguments), row.message);
        // The stand-alone check comes before anything is written.
        if (std::string(row.project) == "STANDALONE") {
            EXPECT_FALSE(DirectoryExists(dist));
        }
        EXPECT_FALSE(FileExistsOnDisk(dist + "\\setup.exe"));
    }
}
