#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "archive/cmp_TQlryCompress.h"
#include "platform/Streams.h"
#include "platform/Strings.h"
#include "unit/archive/ArchiveTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

TDateTime StampOf(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    TDateTime stamp = 0;
    FileStampOf(file, stamp);
    CloseHandle(file);
    return stamp;
}

const char kCorrupt[] =
    "Could not read the file headers for the compressed file. The Archive file could possible be corrupt";

} // namespace

TEST(ArchiveFormat, RecordFieldsSitAtTheirOffsets) {
    EXPECT_EQ(sizeof(TFileHeaderRecord), 172u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, FileNumber), 0u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, FileDate), 4u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, LastDisk), 12u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, DataEnd), 16u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, FileName), 20u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, NextHeader), 124u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, UncompressedSize), 128u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, DataStart), 132u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, CompressedSize), 136u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, FirstDisk), 140u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, UniqueID), 144u);
    EXPECT_EQ(offsetof(TFileHeaderRecord, FileVersion), 148u);
}

// Two members, the second empty: every field at its offset, checked from the raw bytes.
TEST(ArchiveFormat, SmallArchiveHoldsExactlyTheFormatsBytes) {
    ScratchDir dir;
    const std::string versioned = dir.File("verfull.exe");
    ASSERT_TRUE(::CopyFileA((ProgramDir() + "verfull.exe").c_str(), versioned.c_str(), FALSE));
    const std::string empty = dir.File("empty.txt");
    WriteFileBytes(empty, "");
    const std::string original = ReadFileBytes(versioned);

    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(dir.File("small.arc"));
    compress.FilesToProcess()->Add(versioned);
    compress.FilesToProcess()->Add(empty + ";extra text after the path");
    compress.Compress(false, 7);
    const std::string bytes = ReadFileBytes(dir.File("small.arc"));

    ASSERT_GT(bytes.size(), 5u + 2 * 172);
    EXPECT_EQ(Int32At(bytes, 0), 2);
    EXPECT_EQ(ByteAt(bytes, 4), 0);

    struct Expected {
        std::string path;
        int number;
        std::string content;
        std::string version;
    };
    const std::vector<Expected> members = {{versioned, 1, original, "1.2.0.45"}, {empty, 2, "", ""}};
    std::size_t header = 5;
    for (const Expected& member : members) {
        SCOPED_TRACE(member.path);
        const std::size_t dataStart = header + 172;
        const int32_t packedSize = Int32At(bytes, header + 136);
        const int32_t dataEnd = Int32At(bytes, header + 16);
        EXPECT_EQ(Int32At(bytes, header + 0), member.number);
        EXPECT_EQ(DoubleAt(bytes, header + 4), StampOf(member.path));
        EXPECT_EQ(ByteAt(bytes, header + 12), 0);  // LastDisk
        EXPECT_EQ(dataEnd, static_cast<int32_t>(dataStart) + packedSize - 1);
        EXPECT_EQ(ByteAt(bytes, header + 20), member.path.size());
        EXPECT_EQ(bytes.substr(header + 21, member.path.size()), member.path);
        EXPECT_EQ(bytes.substr(header + 21 + member.path.size(), 100 - member.path.size()),
                  std::string(100 - member.path.size(), '\0'));
        EXPECT_EQ(Int32At(bytes, header + 124), dataEnd + 1);  // NextHeader
        EXPECT_EQ(Int32At(bytes, header + 128), static_cast<int32_t>(member.content.size()));
        EXPECT_EQ(Int32At(bytes, header + 132), static_cast<int32_t>(dataStart));
        EXPECT_EQ(ByteAt(bytes, header + 140), 0);  // FirstDisk
        EXPECT_EQ(Int32At(bytes, header + 144), 7);
        EXPECT_EQ(ByteAt(bytes, header + 148), member.version.size());
        EXPECT_EQ(bytes.substr(header + 149, member.version.size()), member.version);
        EXPECT_EQ(bytes.substr(header + 149 + member.version.size(), 20 - member.version.size()),
                  std::string(20 - member.version.size(), '\0'));
        for (std::size_t reserved : {13u, 14u, 15u, 121u, 122u, 123u, 141u, 142u, 143u, 169u, 170u, 171u})
            EXPECT_EQ(ByteAt(bytes, header + reserved), 0) << "reserved byte " << reserved;

        const std::string packed = bytes.substr(dataStart, packedSize);
        EXPECT_EQ(ByteAt(packed, 0), 0x78);  // zlib header of level 9
        EXPECT_EQ(ByteAt(packed, 1), 0xDA);
        EXPECT_EQ(ZlibInflate(packed, member.content.size() + 1), member.content);
        header = dataEnd + 1;
    }
    EXPECT_EQ(header, bytes.size());  // the last NextHeader is the end of the archive
    EXPECT_EQ(Int32At(bytes, 5 + 172 + Int32At(bytes, 5 + 136) + 136), 8);  // an empty zlib stream
}

TEST(ArchiveFormat, CompressionLevelsChooseTheDeflateLevel) {
    ScratchDir dir;
    const std::string source = dir.File("text.txt");
    WriteFileBytes(source, TextBytes(20000));
    struct Row {
        TCompressionLevel level;
        uint8_t flags;  // second byte of the zlib header
        bool stored;
    };
    for (const Row& row : std::vector<Row>{{colMax, 0xDA, false}, {colDefault, 0x9C, false},
                                           {colFastest, 0x01, false}, {colNone, 0x01, true}}) {
        TQlryCompress compress(nullptr);
        compress.SetCompressedFile(dir.File("levels.arc"));
        compress.SetCompressionLevel(row.level);
        compress.FilesToProcess()->Add(source);
        compress.Compress(false, 0);
        const std::string bytes = ReadFileBytes(dir.File("levels.arc"));
        EXPECT_EQ(ByteAt(bytes, 177 + 1), row.flags) << row.level;
        EXPECT_EQ(Int32At(bytes, 5 + 136) > 20000, row.stored) << row.level;
    }
}

TEST(ArchiveFormat, EmptyFileListGivesJustTheStartBlock) {
    ScratchDir dir;
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(dir.File("sub\\empty.arc"));  // the directory is made
    compress.Compress(false, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("sub\\empty.arc")), std::string(5, '\0'));
    EXPECT_EQ(compress.FileCount(), 0);
}

TEST(FileHeaders, StartBlockCountOfZeroOrLessMeansNoMembers) {
    for (int32_t count : {0, -1, -1000000}) {
        std::string bytes(5, '\0');
        PutInt32(bytes, 0, count);
        bytes += std::string(400, 'x');  // would be garbage headers
        TStringStream stream(bytes);
        TFileHeaders headers;
        headers.ReadFromStream(stream, 0);
        EXPECT_EQ(headers.Count(), 0) << count;
        EXPECT_FALSE(headers.DiskSet);
        EXPECT_EQ(stream.Position(), 5) << "nothing read after the start block";
    }
}

TEST(FileHeaders, ReadFailuresNameWhatWasCutShort) {
    TFileHeaders headers;
    TStringStream shortStart(std::string(4, '\0'));
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { headers.ReadFromStream(shortStart, 0); }),
              "Could not read the file header count for the compressed file");

    std::string oneMember(5, '\0');
    PutInt32(oneMember, 0, 1);
    TStringStream shortHeader(oneMember + std::string(171, '\0'));
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { headers.ReadFromStream(shortHeader, 0); }), kCorrupt);

    TStringStream blankName(oneMember + std::string(172, '\0'));
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { headers.ReadFromStream(blankName, 0); }),
              "Tried to add an invalid file header");
}

TEST(FileHeaders, ReadsFromAnOffsetAndWalksNextHeader) {
    // A disk-set table behind 1000 bytes of something else.
    TFileHeaders written;
    written.DiskSet = true;
    for (const char* name : {"C:\\a.txt", "C:\\b.txt", "C:\\c.txt"}) {
        auto header = std::make_unique<TFileHeader>();
        header->Record.FileName.Set(name);
        written.Add(std::move(header));
    }
    TMemoryStream table;
    written.WriteToStream(table);
    ASSERT_EQ(table.Size(), 5 + 3 * 172);
    EXPECT_EQ(written.FileHeaders(2)->Record.NextHeader, 5 + 3 * 172);

    std::string bytes(1000, 'p');
    bytes.append(static_cast<const char*>(table.Memory()), static_cast<std::size_t>(table.Size()));
    TStringStream stream(bytes);
    TFileHeaders read;
    read.ReadFromStream(stream, 1000);
    ASSERT_EQ(read.Count(), 3);
    EXPECT_TRUE(read.DiskSet);
    EXPECT_EQ(read.FileHeaders(1)->FileName(), "C:\\b.txt");
    EXPECT_TRUE(read.FileHeaders(1)->InArchive);
}

TEST(FileHeaders, IndexAndAddRules) {
    TFileHeaders headers;
    auto add = [&](const std::string& name) {
        auto header = std::make_unique<TFileHeader>();
        header->Record.FileName.Set(name);
        headers.Add(std::move(header));
    };
    add("C:\\Build\\One.txt");
    add("C:\\Build\\Two.txt");
    add("C:\\Build\\one.TXT");  // the same path again: a second member
    EXPECT_EQ(headers.IndexOfFile("c:\\build\\ONE.txt"), 0);
    EXPECT_EQ(headers.IndexOfFile("C:\\Build\\Two.txt;with text after it"), 1);
    EXPECT_EQ(headers.IndexOfFile("C:\\Build\\Three.txt"), -1);
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { add("   "); }), "Tried to add an invalid file header");
    EXPECT_EQ(headers.Count(), 3);
    for (int index : {-1, 3})
        EXPECT_EQ(MessageOf<EQlryCompress>([&] { headers.FileHeaders(index); }),
                  std::to_string(index) + " is an invalid TFileHeader index in TFileHeaders.GetFileHeaders");
}

TEST(FileHeaders, BuildFromFileCutsLongTexts) {
    ScratchDir dir;
    // A path of exactly 100 characters that exists, and the same path made longer.
    std::string path = dir.Path() + "\\";
    path += std::string(100 - path.size() - 4, 'n') + ".txt";
    ASSERT_EQ(path.size(), 100u);
    WriteFileBytes(path, "12345");
    TFileHeader header;
    header.BuildFromFile(path + ";comment");
    EXPECT_EQ(header.FileName(), path);
    EXPECT_EQ(header.Record.UncompressedSize, 5);
    EXPECT_FALSE(header.InArchive);
    EXPECT_EQ(header.FileVersion(), "");

    TFileHeader cut;
    cut.BuildFromFile(path + "more");  // opens the cut path, which is the file above
    EXPECT_EQ(cut.FileName(), path);

    TFileHeader missing;
    const std::string longMissing = dir.Path() + "\\" + std::string(120, 'm') + ".txt";
    EXPECT_EQ(MessageOf<EQlryCompress>([&] { missing.BuildFromFile(longMissing); }),
              "Cannot open the file " + longMissing.substr(0, 100));

    TShortString<20> version{};
    version.Set("1234567890.1234567890.1234");
    EXPECT_EQ(version.Get(), "1234567890.123456789");
}

TEST(FileHeaders, AddFilesNumbersEachRunFromOne) {
    ScratchDir dir;
    TStringList files;
    for (const char* name : {"a.txt", "b.txt"}) {
        WriteFileBytes(dir.File(name), name);
        files.Add(dir.File(name));
    }
    TFileHeaders headers;
    headers.AddFiles(files, false);
    headers.AddFiles(files, true);
    ASSERT_EQ(headers.Count(), 4);
    EXPECT_EQ(headers.FileHeaders(2)->Record.FileNumber, 1);
    EXPECT_EQ(headers.FileHeaders(3)->Record.FileNumber, 2);
    EXPECT_EQ(headers.TotalUncompressed(), 4 * 5);
    headers.AddFiles(files, false);
    EXPECT_EQ(headers.Count(), 2);
}

TEST(CompressionStream, WritesOneZlibStreamBehindWhatIsThereAndRefusesOtherOperations) {
    const std::string data = RandomBytes(200000, 5);
    TMemoryStream dest;
    dest.WriteBuffer("head", 4);
    int progress = 0;
    {
        TCompressionStream deflater(colMax, dest);
        deflater.OnProgress = [&](TObject*) { ++progress; };
        deflater.WriteBuffer(data.data(), 100000);
        deflater.WriteBuffer(data.data() + 100000, 100000);
        EXPECT_EQ(deflater.Position(), 200000);
        char c;
        EXPECT_EQ(MessageOf<ECompressionError>([&] { deflater.Read(&c, 1); }), "Invalid stream operation");
        EXPECT_EQ(MessageOf<ECompressionError>([&] { deflater.Seek(5, soFromBeginning); }),
                  "Invalid stream operation");
        deflater.Finish();
    }
    EXPECT_EQ(progress, 3);  // once for each full 64 KB output buffer
    const std::string bytes(static_cast<const char*>(dest.Memory()), static_cast<std::size_t>(dest.Size()));
    EXPECT_EQ(bytes.substr(0, 4), "head");
    EXPECT_EQ(ZlibInflate(bytes.substr(4), data.size()), data);
}
