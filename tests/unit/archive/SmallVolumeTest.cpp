// Runs on a real 1.44 MB volume that tests/fixtures/small_volume_test.sh mounts and names in
// QLRY_SMALL_VOLUME; skipped when started without one.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "archive/cmp_TQlryCompress.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"
#include "routines/routines_Strings.h"
#include "unit/archive/ArchiveTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

std::string DiskName(int disk) {
    std::string name = "files.";
    name += std::to_string(disk);
    return name;
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((AddBackslash(dir) + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

class SmallVolume : public ::testing::Test {
protected:
    void SetUp() override {
        const char* volume = std::getenv("QLRY_SMALL_VOLUME");
        if (!volume || !*volume) GTEST_SKIP() << "no small volume given; tests/fixtures/small_volume_test.sh mounts one";
        root = std::string(volume) + "\\";
        ULARGE_INTEGER available, total, free;
        ASSERT_TRUE(GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) << root;
        capacity = total.QuadPart;
        ASSERT_LE(capacity, 1440u * 1024) << "not the small volume";
        Clear(root);
        CreateDirectoryA(dir.File("disks").c_str(), nullptr);
    }
    void TearDown() override {
        if (!root.empty()) Clear(root);
    }

    static void Clear(const std::string& where) {
        for (const std::string& name : FilesIn(where)) DeleteFileA((where + name).c_str());
    }

    // Takes the disk out: its files go to Dir\disks.
    void TakeDiskOut() {
        for (const std::string& name : FilesIn(root)) {
            ASSERT_TRUE(::CopyFileA((root + name).c_str(), dir.File("disks\\" + name).c_str(), FALSE));
            DeleteFileA((root + name).c_str());
        }
    }

    std::string Payload(const std::string& name, const std::string& bytes) {
        std::string path = dir.File(name);
        WriteFileBytes(path, bytes);
        sources.push_back(path);
        contents.push_back(bytes);
        return path;
    }

    void CompressPayload() {
        TQlryCompress compress(nullptr);
        compress.SetCompressedFile(dir.File("single.arc"));
        for (const std::string& source : sources) compress.FilesToProcess()->Add(source);
        compress.Compress(false, 0);
    }

    ScratchDir dir;
    std::string root;
    uint64_t capacity = 0;
    std::vector<std::string> sources, contents;
};

} // namespace

TEST_F(SmallVolume, SpreadFillsEachDiskAndAsksForTheNext) {
    Payload("first.bin", RandomBytes(200000, 11));
    Payload("large.bin", RandomBytes(2500000, 12));  // runs over at least two disks
    Payload("text.txt", TextBytes(600000));
    Payload("empty.txt", "");
    Payload("last.bin", RandomBytes(400000, 13));
    CompressPayload();

    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(dir.File("single.arc"));
    std::vector<int> asked;
    compress.OnNewDisk = [&](TQlryCompress*, int disk, std::string&) {
        asked.push_back(disk);
        TakeDiskOut();
        // Disk 1 comes back for its final header table.
        const std::string stored = dir.File("disks\\" + DiskName(disk));
        if (FileExistsOnDisk(stored)) {
            ::CopyFileA(stored.c_str(), (root + DiskName(disk)).c_str(), FALSE);
            DeleteFileA(stored.c_str());
        }
    };
    compress.SpreadToDisks(root, "files.1");
    TakeDiskOut();

    ASSERT_GE(asked.size(), 3u);
    for (std::size_t i = 0; i + 1 < asked.size(); ++i) EXPECT_EQ(asked[i], static_cast<int>(i) + 2);
    EXPECT_EQ(asked.back(), 1);
    const int disks = static_cast<int>(asked.size());

    int64_t total = 0;
    for (int disk = 1; disk <= disks; ++disk) {
        const int64_t size = FileSize(dir.File("disks\\" + DiskName(disk)));
        EXPECT_GT(size, 0) << disk;
        EXPECT_LE(static_cast<uint64_t>(size), capacity) << disk;
        total += size;
    }
    EXPECT_EQ(total, FileSize(dir.File("single.arc")));

    TFileStream table(dir.File("disks\\files.1"), fmOpenRead | fmShareDenyNone);
    TFileHeaders headers;
    headers.ReadFromStream(table, 0);
    ASSERT_EQ(headers.Count(), 5);
    EXPECT_TRUE(headers.DiskSet);
    EXPECT_LT(headers.FileHeaders(1)->Record.FirstDisk, headers.FileHeaders(1)->Record.LastDisk);
    EXPECT_EQ(headers.FileHeaders(4)->Record.LastDisk, disks);

    TQlryCompress reader(nullptr);
    reader.SetCompressedFile(dir.File("disks\\files.1"));
    reader.SetExtractDirectory(dir.File("out"));
    for (const std::string& source : sources) reader.FilesToProcess()->Add(source);
    reader.Extract();
    for (std::size_t i = 0; i < sources.size(); ++i)
        EXPECT_EQ(ReadFileBytes(dir.File("out\\" + ExtractFileName(sources[i]))), contents[i]) << sources[i];
}

TEST_F(SmallVolume, SpreadWithoutOnNewDiskStopsWhenTheDiskIsFull) {
    Payload("large.bin", RandomBytes(2000000, 21));
    CompressPayload();
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(dir.File("single.arc"));
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.SpreadToDisks(root, "files.1"); }),
              "There was no event handler for the OnNewDisk event, therefore no new disk could be inserted");
    EXPECT_TRUE(compress.Abort());
}

TEST_F(SmallVolume, NewDiskThatIsStillFullHasTooLittleSpace) {
    Payload("large.bin", RandomBytes(2000000, 31));
    CompressPayload();
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(dir.File("single.arc"));
    int asked = 0;
    compress.OnNewDisk = [&](TQlryCompress*, int, std::string&) { ++asked; };  // the full disk stays in
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.SpreadToDisks(root, "files.1"); }),
              "There is too little space on this disk to operate");
    EXPECT_EQ(asked, 1);
}

TEST_F(SmallVolume, ExtractOntoFullVolumeIsReportedAndLeavesNoHalfFile) {
    Payload("large.bin", RandomBytes(2000000, 41));
    CompressPayload();
    {
        TQlryCompress compress(nullptr);
        compress.SetCompressedFile(dir.File("single.arc"));
        compress.SetExtractDirectory(root);
        compress.FilesToProcess()->Add(sources[0]);
        EXPECT_EQ(MessageOf<EqcDiskFull>([&] { compress.Extract(); }), "The disk is full");
        EXPECT_TRUE(compress.Abort());
        EXPECT_TRUE(FilesIn(root).empty());
    }
    {
        TQlryCompress compress(nullptr);
        compress.SetCompressedFile(dir.File("single.arc"));
        compress.SetExtractDirectory(root);
        int full = 0;
        compress.OnFullDisk = [&](TObject*) { ++full; };  // goes on without the lost bytes
        compress.FilesToProcess()->Add(sources[0]);
        EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.Extract(); }),
                  "The decompressed file's size does not match with the actual size of the file.  The file is " +
                      sources[0]);
        EXPECT_GT(full, 0);
        EXPECT_TRUE(FilesIn(root).empty());
    }
}

TEST_F(SmallVolume, CopyFileOntoFullVolumeRaisesDiskFull) {
    const std::string source = Payload("large.bin", RandomBytes(2000000, 51));
    TQlryCompress compress(nullptr);
    EXPECT_EQ(MessageOf<EqcDiskFull>([&] { compress.CopyFile(source, root + "large.bin"); }), "The disk is full");
}
