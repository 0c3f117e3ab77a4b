#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "archive/cmp_TQlryCompress.h"
#include "platform/SysUtils.h"
#include "unit/archive/ArchiveTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

const char kCorrupt[] =
    "Could not read the file headers for the compressed file. The Archive file could possible be corrupt";
const char kSizeMismatch[] =
    "The decompressed file's size does not match with the actual size of the file.  The file is ";

// Offsets in the archive of two members that the table below damages.
constexpr std::size_t kHeader1 = 5;
constexpr std::size_t kData1 = kHeader1 + 172;

class DamagedArchive : public ::testing::Test {
protected:
    void SetUp() override {
        first = dir.File("src\\first.txt");
        second = dir.File("src\\second.bin");
        CreateDirectoryA(dir.File("src").c_str(), nullptr);
        WriteFileBytes(first, TextBytes(50000));
        WriteFileBytes(second, RandomBytes(20000, 3));
        TQlryCompress compress(nullptr);
        compress.SetCompressedFile(dir.File("good.arc"));
        compress.FilesToProcess()->Add(first);
        compress.FilesToProcess()->Add(second);
        compress.Compress(false, 0);
        good = ReadFileBytes(dir.File("good.arc"));
        header2 = static_cast<std::size_t>(Int32At(good, kHeader1 + 124));
    }

    // Extracts Entry from Bytes into Dir\out; the message of the exception, or "" when none.
    std::string ExtractFrom(const std::string& bytes, const std::string& entry, bool* abortAfter = nullptr) {
        WriteFileBytes(dir.File("damaged.arc"), bytes);
        TQlryCompress compress(nullptr);
        compress.SetCompressedFile(dir.File("damaged.arc"));
        compress.SetExtractDirectory(dir.File("out"));
        compress.FilesToProcess()->Add(entry);
        std::string message;
        try {
            compress.Extract();
        } catch (const EQlryCompress& error) {
            message = "EQlryCompress: " + error.Message();
        } catch (const EZlibError& error) {
            message = "EZlibError: " + error.Message();
        } catch (const Exception& error) {
            message = error.ClassName() + ": " + error.Message();
        }
        if (abortAfter) *abortAfter = compress.Abort();
        return message;
    }

    ScratchDir dir;
    std::string first, second, good;
    std::size_t header2 = 0;
};

} // namespace

TEST_F(DamagedArchive, EachDamageEndsInTheSystemsOwnException) {
    using Damage = std::function<void(std::string&)>;
    struct Row {
        const char* what;
        Damage damage;
        bool secondMember;  // the member extracted; otherwise the first
        std::string expected;
    };
    auto put = [](std::size_t offset, int32_t value) { return [=](std::string& b) { PutInt32(b, offset, value); }; };
    const std::string corrupt = std::string("EQlryCompress: ") + kCorrupt;
    const std::string mismatch1 = std::string("EQlryCompress: ") + kSizeMismatch + first;
    const std::string mismatch2 = std::string("EQlryCompress: ") + kSizeMismatch + second;
    const std::size_t h2 = header2;
    const std::vector<Row> rows = {
        {"empty file", [](std::string& b) { b.clear(); }, false, corrupt},
        {"start block cut short", [](std::string& b) { b.resize(3); }, false, corrupt},
        {"first header cut short", [](std::string& b) { b.resize(kHeader1 + 100); }, false, corrupt},
        {"second header cut short", [=](std::string& b) { b.resize(h2 + 171); }, false, corrupt},
        {"last member's data cut short", [](std::string& b) { b.resize(b.size() - 50); }, true, mismatch2},
        {"NextHeader points backwards", put(kHeader1 + 124, 5), false, corrupt},
        {"NextHeader points at its own header", put(kHeader1 + 124, 5 + 100), false, corrupt},
        {"NextHeader past the end", put(kHeader1 + 124, 10000000), false, corrupt},
        {"NextHeader negative", put(kHeader1 + 124, -172), false, corrupt},
        {"huge member count", put(0, 0x7FFFFFFF), false, corrupt},
        {"negative member count", put(0, -2), false,
         "EQlryCompress: The file <" + first + "> was not found in the archive <" + "%ARCHIVE%" + ">"},
        {"negative UncompressedSize", put(kHeader1 + 128, -1), false, corrupt},
        {"huge UncompressedSize", put(kHeader1 + 128, 0x7FFFFFFF), false, mismatch1},
        {"UncompressedSize smaller than the data", put(kHeader1 + 128, 10), false, mismatch1},
        {"negative CompressedSize", put(kHeader1 + 136, -5), false, corrupt},
        {"negative DataStart", put(kHeader1 + 132, -1000), false, corrupt},
        {"DataEnd before DataStart", put(kHeader1 + 16, static_cast<int32_t>(kData1) - 2), false, corrupt},
        {"DataStart past the end", put(kHeader1 + 132, 9000000), false, corrupt},
        {"blank FileName", [](std::string& b) { b[kHeader1 + 20] = 0; }, false, corrupt},
        {"FileName of blanks",
         [](std::string& b) {
             b[kHeader1 + 20] = 3;
             b.replace(kHeader1 + 21, 3, "   ");
         },
         false, corrupt},
        {"FileName length beyond its field",
         [=](std::string& b) { b[h2 + 20] = static_cast<char>(0xFF); }, true,
         "EQlryCompress: The file <" + second + "> was not found in the archive <%ARCHIVE%>"},
        {"garbage instead of zlib data",
         [](std::string& b) { b.replace(kData1, 64, std::string(64, static_cast<char>(0xFF))); }, false,
         "EZlibError: error"},
        {"damaged deflate data", [](std::string& b) { b[kData1 + 40] ^= 0x55; }, false, "EZlibError: error"},
        {"wrong check sum", [=](std::string& b) { b[h2 - 1] ^= 0x01; }, false, "EZlibError: error"},
        {"check sum missing", [](std::string& b) { b.resize(b.size() - 4); }, true, "EZlibError: error"},
        {"disk numbers out of order",
         [](std::string& b) {
             b[kHeader1 + 140] = 3;
             b[kHeader1 + 12] = 1;
         },
         false, corrupt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string bytes = good;
        row.damage(bytes);
        RemoveDirectoryA(dir.File("out").c_str());
        std::set<std::string> expectedTree = Tree(dir.Path());
        expectedTree.insert("\\damaged.arc");
        bool abortAfter = false;
        std::string expected = row.expected;
        const std::string::size_type marker = expected.find("%ARCHIVE%");
        if (marker != std::string::npos) expected.replace(marker, 9, dir.File("damaged.arc"));
        EXPECT_EQ(ExtractFrom(bytes, row.secondMember ? second : first, &abortAfter), expected);
        EXPECT_TRUE(abortAfter);
        // Nothing written anywhere, not even a half destination in out.
        std::set<std::string> after = Tree(dir.Path());
        after.erase("\\out");
        EXPECT_EQ(after, expectedTree);
    }
}

TEST_F(DamagedArchive, CutLastMemberStillListsEveryHeaderAndTheFirstExtracts) {
    WriteFileBytes(dir.File("cut.arc"), good.substr(0, good.size() - 500));
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(dir.File("cut.arc"));
    EXPECT_EQ(compress.FileCount(), 2);
    compress.SetExtractDirectory(dir.File("out"));
    compress.FilesToProcess()->Add(first);
    compress.Extract();
    EXPECT_EQ(ReadFileBytes(dir.File("out\\first.txt")), TextBytes(50000));
}

// Member names that try to leave the directory, or name something that is not a file.
TEST_F(DamagedArchive, MemberNamesStayInsideExtractDirectory) {
    struct Row {
        const char* storedName;
        const char* landsAs;  // the file made in out, or nullptr when refused
    };
    const std::vector<Row> rows = {
        {"..\\..\\evil.txt", "evil.txt"},
        {"C:\\build\\sub/../../evil2.txt", "evil2.txt"},
        {"C:\\build\\..", nullptr},
        {"C:\\build\\...", nullptr},
        {"C:\\build\\", nullptr},
        {"C:\\build\\NUL", nullptr},
        {"C:\\build\\com1.txt", nullptr},
        {"C:\\build\\file.txt:stream", "stream"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.storedName);
        std::string bytes = good;
        TShortString<100> name{};
        name.Set(row.storedName);
        std::memcpy(&bytes[kHeader1 + 20], &name, sizeof name);
        RemoveDirectoryA(dir.File("out").c_str());
        const std::set<std::string> before = Tree(dir.Path());
        const std::string message = ExtractFrom(bytes, row.storedName);
        std::set<std::string> after = Tree(dir.Path());
        std::set<std::string> expected = before;
        expected.insert("\\damaged.arc");
        if (row.landsAs) {
            EXPECT_EQ(message, "");
            expected.insert("\\out");
            expected.insert(std::string("\\out\\") + row.landsAs);
            EXPECT_EQ(ReadFileBytes(dir.File("out\\") + row.landsAs), TextBytes(50000));
        } else {
            EXPECT_EQ(message.rfind("EQlryCompress: Cannot create the file ", 0), 0u) << message;
            after.erase("\\out");
        }
        EXPECT_EQ(after, expected);
        for (const std::string& entry : after)
            if (entry.rfind("\\out\\", 0) == 0) DeleteFileA((dir.Path() + entry).c_str());
    }
    // Nothing appeared above the scratch directory either.
    EXPECT_FALSE(FileExistsOnDisk(ExtractFilePath(dir.Path()) + "evil.txt"));
    EXPECT_FALSE(FileExistsOnDisk(ExtractFilePath(dir.Path()) + "evil2.txt"));
}
