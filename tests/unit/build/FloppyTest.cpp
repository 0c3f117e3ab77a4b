// The floppy transfer (-f, started with -e by the loading program) onto a real 1.44 MB
// volume that tests/fixtures/build/floppy_test.sh maps as drive A:; skipped without one.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "archive/cmp_TQlryCompress.h"
#include "unit/build/BuildProgramSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

// Presses Button and waits for the box to go, so that the next search cannot find it.
void Answer(HWND box, int button) {
    PostMessageA(box, WM_COMMAND, button, 0);
    for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(50);
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

class Floppy : public BuildProgram {
protected:
    void SetUp() override {
        const char* volume = std::getenv("QLRY_FLOPPY");
        if (!volume || !*volume) GTEST_SKIP() << "no floppy volume; tests/fixtures/build/floppy_test.sh maps one";
        drive = volume;
        BuildProgram::SetUp();
        RequireFramework();
        if (IsSkipped()) return;
        Clear(drive);
        // Incompressible, so that files.1 runs over more than one disk.
        WriteSource("data.bin", RandomBytes(1400000, 5));
        WriteBuildInf(Dist() + "\r\n");
    }
    void Build() { ASSERT_EQ(RunBuild("FILES", "-b"), ""); }
    void TearDown() override {
        if (!drive.empty()) Clear(drive);
        BuildProgram::TearDown();
    }

    static void Clear(const std::string& where) {
        for (const std::string& name : FilesIn(where)) DeleteFileA((where + "\\" + name).c_str());
    }
    std::string Shelf(int disk) const { return scratch.File("disk" + std::to_string(disk)); }
    // The user swaps disks: what is in the drive goes onto the shelf of disk Out, and disk
    // In comes back from its shelf when it was there before.
    void SwapDisk(int out, int in) {
        ForceDirectories(Shelf(out));
        for (const std::string& name : FilesIn(drive)) {
            ASSERT_TRUE(::CopyFileA((drive + "\\" + name).c_str(), (Shelf(out) + "\\" + name).c_str(), FALSE));
            DeleteFileA((drive + "\\" + name).c_str());
        }
        for (const std::string& name : FilesIn(Shelf(in)))
            ASSERT_TRUE(::CopyFileA((Shelf(in) + "\\" + name).c_str(), (drive + "\\" + name).c_str(), FALSE));
    }
    std::string TransferCommand() const {
        return "\"" + SetupProgram() + "\" -f -esetup.exe \"-s" + Dist() + "\"";
    }

    std::string drive;
};

} // namespace

TEST_F(Floppy, TransferAsksForEachDiskAndLeavesAWorkingDiskSet) {
    Build();
    SetEnvironmentVariableA("QLRY_BUILD_PROJECT", "FILES");
    ChildProcess setup(TransferCommand());
    ASSERT_TRUE(setup.Started());
    int inDrive = 1;
    std::vector<std::string> questions;
    for (;;) {
        HWND box = WaitForWindow(setup.Id(), "#32770", 60000);
        ASSERT_NE(box, nullptr) << "no question after " << questions.size();
        const std::string text = MessageBoxText(box);
        questions.push_back(text);
        ASSERT_EQ(text.rfind("Please insert disk ", 0), 0u) << "[" << text << "] in [" << WindowText(box) << "]";
        const int wanted = std::atoi(text.c_str() + 19);
        SwapDisk(inDrive, wanted);
        inDrive = wanted;
        Answer(box, IDOK);
        if (wanted == 1) break;  // disk 1 comes back last, for the final header table
        ASSERT_LT(questions.size(), 6u);
    }
    EXPECT_EQ(setup.Wait(60000), 0);
    ASSERT_GE(questions.size(), 2u);
    EXPECT_EQ(questions[0], "Please insert disk 2");
    SwapDisk(1, 0);
    const int disks = static_cast<int>(questions.size());

    // Disk 1: the loading program with a trailer that points beside it, and setup.1.
    const std::string built = ReadFileBytes(Dist() + "\\setup.exe");
    const RawTrailer source = TrailerOf(built);
    const std::string floppySetup = ReadFileBytes(Shelf(1) + "\\setup.exe");
    EXPECT_EQ(floppySetup.substr(0, floppySetup.size() - 56), built.substr(0, source.setup1Start));
    const RawTrailer onDisk = TrailerOf(floppySetup);
    EXPECT_EQ(onDisk.marker, "NOTSELFEXTRACT");
    EXPECT_EQ(onDisk.setup1Start + onDisk.setup1End + onDisk.files1Start + onDisk.files1End, 0u);
    EXPECT_EQ(ReadFileBytes(Shelf(1) + "\\setup.1"), ReadFileBytes(Dist() + "\\setup.1"));

    // The disk set extracts to the project's files.
    const std::string set = scratch.File("set");
    ForceDirectories(set);
    for (int disk = 1; disk <= disks; ++disk) {
        const std::string name = "files." + std::to_string(disk);
        ASSERT_TRUE(::CopyFileA((Shelf(disk) + "\\" + name).c_str(), (set + "\\" + name).c_str(), FALSE)) << name;
    }
    TQlryCompress reader(nullptr);
    reader.SetCompressedFile(set + "\\files.1");
    reader.SetExtractDirectory(scratch.File("out"));
    ForceDirectories(scratch.File("out"));
    reader.FilesToProcess()->Add(std::string(projectSources) + "\\readme.txt");
    reader.FilesToProcess()->Add(std::string(projectSources) + "\\data.bin");
    reader.Extract();
    EXPECT_EQ(ReadFileBytes(scratch.File("out\\readme.txt")), "Read me first.\r\n");
    EXPECT_EQ(ReadFileBytes(scratch.File("out\\data.bin")), RandomBytes(1400000, 5));
}

TEST_F(Floppy, CancelStopsTheTransferAndKeepsWhatIsOnTheDisk) {
    Build();
    SetEnvironmentVariableA("QLRY_BUILD_PROJECT", "FILES");
    ChildProcess setup(TransferCommand());
    ASSERT_TRUE(setup.Started());
    HWND question = WaitForWindow(setup.Id(), "#32770", 60000);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(MessageBoxText(question), "Please insert disk 2");
    Answer(question, IDCANCEL);
    HWND box = WaitForWindow(setup.Id(), "#32770", 30000);
    ASSERT_NE(box, nullptr) << "no message after Cancel";
    EXPECT_EQ(MessageBoxText(box), "Aborted by user");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(setup.Wait(30000), 0);
    for (const char* name : {"setup.exe", "setup.1", "files.1"})
        EXPECT_TRUE(FileExistsOnDisk(drive + "\\" + name)) << name;
}

TEST_F(Floppy, SetupArchiveLargerThanTheDiskIsReported) {
    WriteSource("presetup.txt", RandomBytes(1500000, 6));
    Build();
    SetEnvironmentVariableA("QLRY_BUILD_PROJECT", "FILES");
    ChildProcess setup(TransferCommand());
    ASSERT_TRUE(setup.Started());
    HWND box = WaitForWindow(setup.Id(), "#32770", 60000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Cannot create setup.1 on the A drive. Probably not enough room");
    Answer(box, IDOK);
    EXPECT_EQ(setup.Wait(30000), 0);
    // The loading program went on first, with its trailer.
    EXPECT_EQ(TrailerOf(ReadFileBytes(drive + "\\setup.exe")).marker, "NOTSELFEXTRACT");
    EXPECT_FALSE(FileExistsOnDisk(drive + "\\files.1"));
}

TEST_F(Floppy, BuildOntoAFullDiskNamesTheSetupArchive) {
    WriteSource("presetup.txt", RandomBytes(1500000, 7));
    WriteBuildInf(drive + "\\\r\n");
    EXPECT_EQ(RunBuild("FILES", "-b"),
              "The disk that you have specified has been determined to be either too full or is corrupt while trying "
              "to copy the SETUP.1 archive file. You should probably clear all files off of the drive. Minimally, you "
              "should leave enough space on the drive for the SETUP.1 archive file.");
}
