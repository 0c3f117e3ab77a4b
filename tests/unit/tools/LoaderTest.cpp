// The loading program started as a user starts setup.exe: distributions framed with the
// 56-byte trailer around setup.1 archives made by the system's own compressor, and a
// stand-in setup program that records how it was started.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive/cmp_TQlryCompress.h"
#include "unit/archive/ArchiveTestSupport.h"
#include "unit/tools/ToolsTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

constexpr std::size_t kHeader = 172;

std::string Trailer(const char* marker, int32_t setupFirst, int32_t setupLast, int32_t filesFirst, int32_t filesLast) {
    std::string bytes(56, '\0');
    bytes[0] = 14;
    std::memcpy(bytes.data() + 1, marker, 14);
    PutInt32(bytes, 16, setupFirst);
    PutInt32(bytes, 20, setupLast);
    PutInt32(bytes, 24, filesFirst);
    PutInt32(bytes, 28, filesLast);
    return bytes;
}

std::string Compressed(const std::string& archive, const std::vector<std::string>& sources) {
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(archive);
    for (const std::string& source : sources) compress.FilesToProcess()->Add(source);
    compress.Compress(false, 0);
    return ReadFileBytes(archive);
}

std::vector<std::string> RecordLines(const std::string& record) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = record.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(record.substr(start, end - start));
    return lines;
}

std::string WithoutBackslash(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

// Removes an extraction directory once the stand-in setup has ended and let go of its image.
void RemoveWhenReleased(const std::string& directory) {
    for (const std::string& entry : Tree(directory)) {
        std::string path = directory + entry;
        DWORD start = GetTickCount();
        while (!DeleteFileA(path.c_str()) && GetTickCount() - start < 20000) Sleep(100);
    }
    RemoveDirectoryA(directory.c_str());
}

const char kDamaged[] = "The setup file %s is damaged. Please obtain a new copy of the installation.";

std::string Damaged(const std::string& path) {
    std::string text = kDamaged;
    return text.replace(text.find("%s"), 2, path);
}

class Loader : public testing::Test {
protected:
    // One setup.1 for the whole suite: the stand-in setup program and a presetup file.
    static void SetUpTestSuite() {
        build_ = new ScratchDir;
        ASSERT_TRUE(CopyFileA((ProgramDir() + "fake_setup.exe").c_str(), build_->File("setup.exe").c_str(), FALSE));
        WriteFileBytes(build_->File("readme.txt"), "presetup file\r\n");
        setup1_ = Compressed(build_->File("setup.1"), {build_->File("setup.exe"), build_->File("readme.txt")});
    }
    static void TearDownTestSuite() {
        delete build_;
        build_ = nullptr;
    }

    // A distribution directory (with a blank in its name) holding ExeName: the loader
    // framed as self-extracting (setup.1 and a files.1 inside it) or not (setup.1 beside).
    std::string Distribution(const std::string& exeName, bool selfExtracting, const std::string* setup1 = &setup1_) {
        std::string dir = root_.File("dist dir");
        CreateDirectoryA(dir.c_str(), nullptr);
        std::string bytes = ReadFileBytes(BuildDir() + "QuilloryLoadProgram.exe");
        if (selfExtracting) {
            const std::string files1 = "files.1 stand-in";
            auto setupFirst = static_cast<int32_t>(bytes.size());
            bytes += *setup1;
            auto filesFirst = static_cast<int32_t>(bytes.size());
            bytes += files1;
            bytes += Trailer("SELFEXTRACTING", setupFirst, filesFirst - 1, filesFirst,
                             filesFirst + static_cast<int32_t>(files1.size()) - 1);
        } else {
            bytes += Trailer("NOTSELFEXTRACT", 0, 0, 0, 0);
            if (setup1) WriteFileBytes(dir + "\\setup.1", *setup1);
        }
        WriteFileBytes(dir + "\\" + exeName, bytes);
        return dir;
    }

    struct Run {
        int exitCode;
        std::string message;  // of the message box, if one appeared
    };

    // Starts Exe with Arguments, the temporary directory pointed into this test's scratch
    // space; answers a message box when one is expected.
    Run Start(const std::string& exe, const std::string& arguments, bool expectMessage,
              const std::function<void(ChildProcess&)>& whileRunning = nullptr) {
        ScopedEnvironment environment{
            {"TMP", temp_.Path()}, {"TEMP", temp_.Path()}, {"QLRY_FAKE_SETUP_RECORD", record_}};
        ChildProcess loader("\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments));
        Run run{-1, ""};
        if (!loader.Started()) return run;
        if (expectMessage) run.message = AnswerMessageBox(loader, IDOK);
        if (whileRunning) whileRunning(loader);
        run.exitCode = loader.Wait(30000);
        return run;
    }

    std::vector<std::string> Record() {
        DWORD start = GetTickCount();
        while (!FileExistsOnDisk(record_) && GetTickCount() - start < 20000) Sleep(50);
        return FileExistsOnDisk(record_) ? RecordLines(ReadFileBytes(record_)) : std::vector<std::string>{};
    }

    static ScratchDir* build_;
    static std::string setup1_;
    ScratchDir root_;
    ScratchDir temp_;
    std::string record_ = root_.File("record.txt");
};

ScratchDir* Loader::build_ = nullptr;
std::string Loader::setup1_;

// The command lines of both kinds of distribution, as the setup program receives them.
TEST_F(Loader, StartsTheSetupFromAFreshTemporaryDirectory) {
    struct Case {
        const char* exeName;
        bool selfExtracting;
        const char* arguments;
        const char* expectedParameters;  // after the program's own quoted name
        bool floppies;
    };
    const Case cases[] = {
        {"setup.exe", false, "", "\"-s<dist>\" \"-csetup.exe\"", false},
        {"Install Me.exe", true, "", "\"-s<dist>\" \"-eInstall Me.exe\" -c", false},
        {"setup.exe", true, "*todisk", "\"-s<dist>\" \"-esetup.exe\" -c -f", true},
        {"setup.exe", false, "*TODISK", "\"-s<dist>\" \"-csetup.exe\" -f", true},
        {"setup.exe", false, "*OTHER -x", "\"-s<dist>\" \"-csetup.exe\"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.exeName) + " " + c.arguments);
        std::string dist = Distribution(c.exeName, c.selfExtracting);
        DeleteFileA(record_.c_str());
        Run run = Start(dist + "\\" + c.exeName, c.arguments, false);
        EXPECT_EQ(run.exitCode, 0);
        std::vector<std::string> record = Record();
        ASSERT_EQ(record.size(), 3u);
        const std::string& program = record[2];
        std::string directory = program.substr(0, program.rfind('\\'));
        EXPECT_EQ(lstrcmpiA(directory.substr(0, directory.rfind('\\')).c_str(), temp_.Path().c_str()), 0) << directory;
        EXPECT_EQ(program.substr(program.rfind('\\') + 1), "setup.exe");

        std::string expected = c.expectedParameters;
        expected.replace(expected.find("<dist>"), 6, dist);
        EXPECT_EQ(record[0], "\"" + program + "\" " + expected);
        // Not the extraction directory: the setup's clean-up batch inherits it.
        EXPECT_EQ(lstrcmpiA(WithoutBackslash(record[1]).c_str(), temp_.Path().c_str()), 0) << record[1];

        if (c.floppies) {
            // The floppy transfer leaves the copy behind, so the loader waited and removed it.
            EXPECT_TRUE(Tree(temp_.Path()).empty());
        } else {
            EXPECT_EQ(ReadFileBytes(directory + "\\setup.exe"), ReadFileBytes(build_->File("setup.exe")));
            EXPECT_EQ(ReadFileBytes(directory + "\\readme.txt"), "presetup file\r\n");
            EXPECT_EQ(Tree(directory).size(), 2u);
            RemoveWhenReleased(directory);
        }
        EXPECT_TRUE(Tree(temp_.Path()).empty());
    }
}

// The real engine, extracted and started by the loader, accepts what the loader passes.
TEST_F(Loader, EngineTakesTheLoadersParameters) {
    ScratchDir engineBuild;
    ASSERT_TRUE(CopyFileA((ProgramDir() + "engine_probe.exe").c_str(), engineBuild.File("setup.exe").c_str(), FALSE));
    std::string probeSetup1 = Compressed(engineBuild.File("setup.1"), {engineBuild.File("setup.exe")});
    std::string report = root_.File("probe.txt");
    ScopedEnvironment probe{{"QLRY_PROBE_OUT", report}};
    struct Case {
        bool selfExtracting;
        const char* arguments;
        const char* expected;
    };
    const Case cases[] = {
        {false, "", "S=[<dist>] c=[setup.exe] source=[<dist>] mode=none"},
        {true, "", "e=[setup.exe] S=[<dist>] c=[] source=[<dist>] mode=none"},
        {true, "*TODISK", "f=[] e=[setup.exe] S=[<dist>] c=[] source=[<dist>] mode=floppies a:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.selfExtracting ? "self-extracting " : "beside ") + c.arguments);
        std::string dist = Distribution("setup.exe", c.selfExtracting, &probeSetup1);
        DeleteFileA(report.c_str());
        EXPECT_EQ(Start(dist + "\\setup.exe", c.arguments, false).exitCode, 0);
        DWORD start = GetTickCount();
        while (!FileExistsOnDisk(report) && GetTickCount() - start < 20000) Sleep(50);
        Sleep(200);  // the probe writes its report in one go and ends
        std::string expected = c.expected;
        for (std::size_t at; (at = expected.find("<dist>")) != std::string::npos;) expected.replace(at, 6, dist);
        EXPECT_EQ(FileExistsOnDisk(report) ? ReadFileBytes(report) : "<no report>", expected);
    }
}

// Damage of every kind ends in a message box; nothing is started and nothing is left,
// neither in the temporary directory nor anywhere else.
TEST_F(Loader, DamagedSetupArchiveEndsInAMessage) {
    const std::size_t second = static_cast<std::size_t>(Int32At(setup1_, 5 + 124));
    auto patched = [](std::size_t offset, int32_t value) {
        std::string bytes = setup1_;
        PutInt32(bytes, offset, value);
        return bytes;
    };
    auto renamed = [](const std::string& name) {
        std::string bytes = setup1_;
        bytes[5 + 20] = static_cast<char>(name.size());
        std::memcpy(bytes.data() + 5 + 21, name.data(), name.size());
        return bytes;
    };
    std::string corrupt = setup1_;
    for (std::size_t i = 5 + kHeader + 100; i < 5 + kHeader + 140; ++i) corrupt[i] = static_cast<char>(~corrupt[i]);
    std::string diskSet = setup1_;
    diskSet[4] = 1;
    struct Case {
        const char* what;
        std::string archive;
    };
    const Case cases[] = {
        {"cut inside the first header", setup1_.substr(0, 5 + 100)},
        {"cut inside the second member's data", setup1_.substr(0, second + kHeader + 3)},
        {"no members", patched(0, 0)},
        {"negative member count", patched(0, -1)},
        {"more members than stored", patched(0, 3)},
        {"huge member count", patched(0, 0x7FFFFFFF)},
        {"disk set flag", diskSet},
        {"next header pointing back", patched(5 + 124, 5)},
        {"compressed size beyond the end", patched(5 + 136, 0x7FFFFF00)},
        {"uncompressed size too small", patched(5 + 128, 10)},
        {"corrupt zlib data", corrupt},
        {"name ending in ..", renamed("C:\\build\\sub\\..")},
        {"device name", renamed("C:\\build\\CON")},
        {"empty name", renamed("C:\\build\\")},
    };
    for (bool selfExtracting : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (selfExtracting ? ", self-extracting" : ", beside"));
            std::string dist = Distribution("setup.exe", selfExtracting, &c.archive);
            std::set<std::string> before = Tree(root_.Path());
            Run run = Start(dist + "\\setup.exe", "", true);
            EXPECT_EQ(run.message, Damaged(selfExtracting ? dist + "\\setup.exe" : dist + "\\setup.1"));
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_TRUE(Tree(temp_.Path()).empty());
            EXPECT_EQ(Tree(root_.Path()), before);
        }
    }
}

TEST_F(Loader, MissingSetupArchiveOrTrailerEndsInAMessage) {
    std::string dist = Distribution("setup.exe", false, nullptr);
    Run missing = Start(dist + "\\setup.exe", "", true);
    EXPECT_EQ(missing.message, "The setup file " + dist + "\\setup.1 is missing or cannot be opened.");
    EXPECT_EQ(missing.exitCode, 1);

    // The loader without its trailer, and one whose setup.1 would lie beyond the file.
    WriteFileBytes(dist + "\\bare.exe", ReadFileBytes(BuildDir() + "QuilloryLoadProgram.exe"));
    Run bare = Start(dist + "\\bare.exe", "", true);
    EXPECT_EQ(bare.message, "The setup program " + dist +
                                "\\bare.exe is damaged: the information that locates its setup files is missing. "
                                "Please obtain a new copy of the installation.");
    EXPECT_EQ(bare.exitCode, 1);
    std::string outside = ReadFileBytes(BuildDir() + "QuilloryLoadProgram.exe");
    outside += Trailer("SELFEXTRACTING", static_cast<int32_t>(outside.size()) - 10,
                       static_cast<int32_t>(outside.size()) + 500, 0, 0);
    WriteFileBytes(dist + "\\beyond.exe", outside);
    Run beyond = Start(dist + "\\beyond.exe", "", true);
    EXPECT_EQ(beyond.message, Damaged(dist + "\\beyond.exe"));
    EXPECT_TRUE(Tree(temp_.Path()).empty());
    EXPECT_FALSE(FileExistsOnDisk(record_));
}

// A member stored under a relative path that climbs out ("..\..\outside.txt", as the
// compressor stores a relative source path) lands inside the temporary directory.
TEST_F(Loader, MemberPathsAreReducedToTheirFileNames) {
    std::string deep = build_->Path() + "\\a\\b";
    CreateDirectoryA((build_->Path() + "\\a").c_str(), nullptr);
    CreateDirectoryA(deep.c_str(), nullptr);
    WriteFileBytes(build_->File("outside.txt"), "climbing member");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
    std::string archive;
    {
        TQlryCompress compress(nullptr);
        compress.SetCompressedFile(root_.File("climbing.1"));
        compress.FilesToProcess()->Add(build_->File("setup.exe"));
        compress.FilesToProcess()->Add("..\\..\\outside.txt");
        compress.Compress(false, 0);
    }
    SetCurrentDirectoryA(previous);
    archive = ReadFileBytes(root_.File("climbing.1"));
    ASSERT_NE(archive.find("..\\..\\outside.txt"), std::string::npos);

    std::string dist = Distribution("setup.exe", false, &archive);
    std::set<std::string> before = Tree(root_.Path());
    EXPECT_EQ(Start(dist + "\\setup.exe", "", false).exitCode, 0);
    std::vector<std::string> record = Record();
    ASSERT_EQ(record.size(), 3u);
    std::string directory = record[2].substr(0, record[2].rfind('\\'));
    EXPECT_EQ(ReadFileBytes(directory + "\\outside.txt"), "climbing member");
    char tempParent[MAX_PATH];
    GetFullPathNameA((temp_.Path() + "\\..\\outside.txt").c_str(), MAX_PATH, tempParent, nullptr);
    EXPECT_FALSE(FileExistsOnDisk(tempParent));
    before.insert("\\record.txt");
    EXPECT_EQ(Tree(root_.Path()), before);
    RemoveWhenReleased(directory);
}

// The loader ends as soon as the setup runs and keeps nothing of the temporary directory
// open, so the setup's clean-up can remove it.
TEST_F(Loader, EndsAtOnceAndHoldsNothingInTheTemporaryDirectory) {
    std::string dist = Distribution("setup.exe", true);
    std::string eventName = "QlryFakeSetupGo" + std::to_string(GetCurrentProcessId());
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    ASSERT_NE(go, nullptr);
    ScopedEnvironment wait{{"QLRY_FAKE_SETUP_WAIT", eventName}};
    Run run = Start(dist + "\\setup.exe", "", false);
    EXPECT_EQ(run.exitCode, 0) << "the loader waited for the setup";
    std::vector<std::string> record = Record();
    ASSERT_EQ(record.size(), 3u);
    std::string directory = record[2].substr(0, record[2].rfind('\\'));
    // While the setup still runs, everything but its own image can go.
    EXPECT_TRUE(DeleteFileA((directory + "\\readme.txt").c_str())) << GetLastError();
    SetEvent(go);
    CloseHandle(go);
    DWORD start = GetTickCount();
    while (!DeleteFileA((directory + "\\setup.exe").c_str()) && GetTickCount() - start < 20000) Sleep(100);
    EXPECT_TRUE(RemoveDirectoryA(directory.c_str())) << GetLastError();
    EXPECT_TRUE(Tree(temp_.Path()).empty());
}

} // namespace
