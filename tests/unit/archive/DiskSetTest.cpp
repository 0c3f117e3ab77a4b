#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "archive/cmp_TQlryCompress.h"
#include "platform/DateTime.h"
#include "platform/SysUtils.h"
#include "unit/archive/ArchiveTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

const TDateTime kDay = EncodeDate(2004, 2, 29) + EncodeTime(23, 58, 58, 0);

struct Member {
    std::string name;
    std::string data;
};

// Lays members out as a disk set whose disk files hold exactly the given numbers of bytes,
// the way the spread operation fills disks: the data run on across the files, and a member
// that begins on a full disk names that disk with its end as DataStart.
class DiskSetBuilder {
public:
    DiskSetBuilder(std::string dir, std::vector<std::size_t> capacities)
        : dir_(std::move(dir)), capacities_(std::move(capacities)), disks_(capacities_.size()) {}

    std::vector<TFileHeaderRecord> Write(const std::vector<Member>& members) {
        const std::size_t table = 5 + 172 * members.size();
        disks_[0].assign(table, '\0');
        std::vector<TFileHeaderRecord> headers;
        for (std::size_t i = 0; i < members.size(); ++i) {
            TFileHeaderRecord header{};
            header.FileNumber = static_cast<int32_t>(i + 1);
            header.FileDate = kDay;
            header.FileName.Set(members[i].name);
            header.NextHeader = static_cast<int32_t>(5 + 172 * (i + 1));
            header.UncompressedSize = static_cast<int32_t>(members[i].data.size());
            const std::string packed = ZlibCompress(members[i].data);
            header.CompressedSize = static_cast<int32_t>(packed.size());
            header.FirstDisk = static_cast<uint8_t>(disk_ + 1);
            header.DataStart = static_cast<int32_t>(disks_[disk_].size());
            Put(packed);
            header.LastDisk = static_cast<uint8_t>(disk_ + 1);
            header.DataEnd = static_cast<int32_t>(disks_[disk_].size()) - 1;
            headers.push_back(header);
        }
        int32_t count = static_cast<int32_t>(members.size());
        std::memcpy(disks_[0].data(), &count, 4);
        disks_[0][4] = 1;
        for (std::size_t i = 0; i < headers.size(); ++i) std::memcpy(&disks_[0][5 + 172 * i], &headers[i], 172);
        for (std::size_t d = 0; d < disks_.size(); ++d)
            if (!disks_[d].empty() || d == 0) WriteFileBytes(Disk(d + 1), disks_[d]);
        return headers;
    }

    std::string Disk(std::size_t number) const { return dir_ + "\\files." + std::to_string(number); }

private:
    void Put(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            std::size_t room = capacities_[disk_] - disks_[disk_].size();
            if (room == 0) {
                ++disk_;
                continue;
            }
            std::size_t piece = std::min(room, bytes.size() - done);
            disks_[disk_] += bytes.substr(done, piece);
            done += piece;
        }
    }

    std::string dir_;
    std::vector<std::size_t> capacities_;
    std::vector<std::string> disks_;
    std::size_t disk_ = 0;
};

class DiskSetFixture : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(dir.File("disks").c_str(), nullptr);
        members = {{"C:\\build\\first.txt", TextBytes(30000)},
                   {"C:\\build\\spanning.bin", RandomBytes(30000, 7)},
                   {"C:\\build\\third.txt", TextBytes(8000)},
                   {"C:\\build\\empty.txt", ""}};
        const std::size_t p1 = ZlibCompress(members[0].data).size();
        const std::size_t p2 = ZlibCompress(members[1].data).size();
        const std::size_t p3 = ZlibCompress(members[2].data).size();
        const std::size_t table = 5 + 172 * members.size();
        // first.txt runs onto disk 2; spanning.bin from 100 on disk 2 through disk 3 into
        // disk 4, which third.txt fills exactly; empty.txt then begins at the end of disk 4.
        DiskSetBuilder builder(dir.File("disks"), {table + p1 - 100, 100 + 10000, 10000, p2 - 20000 + p3, 1000});
        headers = builder.Write(members);
        disk4Size = p2 - 20000 + p3;
    }

    void Prepare(TQlryCompress& compress) {
        compress.SetCompressedFile(dir.File("disks\\files.1"));
        compress.SetExtractDirectory(dir.File("out"));
    }

    std::string Out(const std::string& name) const { return dir.File("out\\" + name); }

    ScratchDir dir;
    std::vector<Member> members;
    std::vector<TFileHeaderRecord> headers;
    std::size_t disk4Size = 0;
};

} // namespace

TEST_F(DiskSetFixture, MemberSpanningDisksTwoToFourIsReadAcrossTheFiles) {
    ASSERT_EQ(headers[1].FirstDisk, 2);
    ASSERT_EQ(headers[1].DataStart, 100);
    ASSERT_EQ(headers[1].LastDisk, 4);
    ASSERT_EQ(headers[3].FirstDisk, 4);  // begins where disk 4 is full
    ASSERT_EQ(headers[3].DataStart, static_cast<int32_t>(disk4Size));
    ASSERT_EQ(headers[3].LastDisk, 5);

    TQlryCompress compress(nullptr);
    Prepare(compress);
    std::vector<int> totals;
    compress.OnStatus = [&](TQlryCompress*, const TlzhFileStats& s) {
        if (s.Done) totals.push_back(s.TotalPercent);
    };
    for (const Member& member : members) compress.FilesToProcess()->Add(member.name);
    compress.Extract();
    for (const Member& member : members) {
        const std::string out = Out(ExtractFileName(member.name));
        EXPECT_EQ(ReadFileBytes(out), member.data) << out;
        TDateTime date = 0;
        FileGetDateTime(out, date);
        EXPECT_EQ(date, kDay) << out;
    }
    EXPECT_EQ(totals.back(), 100);
    EXPECT_EQ(compress.CompressedFile(), dir.File("disks\\files.5"));  // the disk last read
}

TEST_F(DiskSetFixture, MissingDiskIsAskedForThroughOnNewDisk) {
    const std::string elsewhere = dir.File("elsewhere");
    CreateDirectoryA(elsewhere.c_str(), nullptr);
    ASSERT_TRUE(MoveFileA(dir.File("disks\\files.3").c_str(), (elsewhere + "\\files.3").c_str()));

    TQlryCompress compress(nullptr);
    Prepare(compress);
    std::vector<std::pair<int, std::string>> asked;
    compress.OnNewDisk = [&](TQlryCompress*, int disk, std::string& path) {
        asked.emplace_back(disk, path);
        path = disk == 3 ? elsewhere : dir.File("disks");
    };
    compress.FilesToProcess()->Add(members[1].name);
    compress.Extract();
    EXPECT_EQ(ReadFileBytes(Out("spanning.bin")), members[1].data);
    // Disk 4 is looked for where disk 3 was found.
    const std::vector<std::pair<int, std::string>> expected = {{3, dir.File("disks")}, {4, elsewhere}};
    EXPECT_EQ(asked, expected);
}

TEST_F(DiskSetFixture, MissingDiskWithoutAnswerEndsTheExtraction) {
    DeleteFileA(dir.File("disks\\files.3").c_str());
    {
        TQlryCompress compress(nullptr);
        Prepare(compress);
        compress.FilesToProcess()->Add(members[1].name);
        EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.Extract(); }), "Could not open the correct disk file 3");
        EXPECT_FALSE(FileExistsOnDisk(Out("spanning.bin")));
    }
    {
        TQlryCompress compress(nullptr);
        Prepare(compress);
        int asked = 0;
        compress.OnNewDisk = [&](TQlryCompress* c, int, std::string&) {
            ++asked;
            c->SetAbort(true);  // not looked at between the attempts
        };
        compress.FilesToProcess()->Add(members[1].name);
        EXPECT_EQ(MessageOf<EQlryCompress>([&] { compress.Extract(); }),
                  "Cannot open the compressed file " + dir.File("disks\\files.3"));
        EXPECT_EQ(asked, 4);
        EXPECT_FALSE(FileExistsOnDisk(Out("spanning.bin")));
    }
}

TEST_F(DiskSetFixture, SpreadOntoRoomyDiskKeepsEverythingOnDiskOne) {
    // A single-file archive of the same members, spread where nothing fills up.
    ScratchDir sources;
    auto memberFile = [](std::size_t i) {
        std::string name(1, 'm');
        name += std::to_string(i);
        return name + ".dat";
    };
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(dir.File("single.arc"));
    for (std::size_t i = 0; i < members.size(); ++i) {
        const std::string path = sources.File(memberFile(i));
        WriteFileBytes(path, members[i].data);
        compress.FilesToProcess()->Add(path);
    }
    compress.Compress(false, 0);
    std::vector<int> diskPercents;
    compress.OnStatus = [&](TQlryCompress*, const TlzhFileStats& s) { diskPercents.push_back(s.TotalPercent); };
    CreateDirectoryA(dir.File("spread").c_str(), nullptr);
    compress.SpreadToDisks(dir.File("spread"), "files.1");

    const std::string disk1 = ReadFileBytes(dir.File("spread\\files.1"));
    const std::string single = ReadFileBytes(dir.File("single.arc"));
    EXPECT_EQ(Int32At(disk1, 0), 4);
    EXPECT_EQ(ByteAt(disk1, 4), 1);
    EXPECT_EQ(disk1.size(), single.size());  // the same headers and data, rearranged
    EXPECT_EQ(diskPercents.back(), 100);
    for (int i = 0; i < 4; ++i) {
        const std::size_t header = 5 + 172 * i;
        EXPECT_EQ(Int32At(disk1, header + 124), static_cast<int32_t>(header + 172));
        EXPECT_EQ(ByteAt(disk1, header + 140), 1);
        EXPECT_EQ(ByteAt(disk1, header + 12), 1);
    }
    EXPECT_FALSE(FileExistsOnDisk(dir.File("spread\\files.2")));

    // The spread headers are not taken for the single file's; the set reads back whole.
    compress.SetExtractDirectory(dir.File("fromsingle"));
    compress.FilesToProcess()->Add(sources.File("m1.dat"));
    compress.Extract();
    EXPECT_EQ(ReadFileBytes(dir.File("fromsingle\\m1.dat")), members[1].data);

    TQlryCompress reader(nullptr);
    reader.SetCompressedFile(dir.File("spread\\files.1"));
    reader.SetExtractDirectory(dir.File("fromset"));
    for (std::size_t i = 0; i < members.size(); ++i) reader.FilesToProcess()->Add(sources.File(memberFile(i)));
    reader.Extract();
    for (std::size_t i = 0; i < members.size(); ++i)
        EXPECT_EQ(ReadFileBytes(dir.File("fromset\\" + memberFile(i))), members[i].data);
}
