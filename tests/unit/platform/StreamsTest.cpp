#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "support/TestSupport.h"

namespace qlry {
namespace {

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

TEST(FileStream, ShareModesDecideWhetherASecondHandleOpens) {
    struct Row {
        const char* situation;
        unsigned first;
        unsigned second;
        bool secondOpens;
    };
    std::vector<Row> rows = {
        {"exclusive blocks a reader", fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
        {"compat blocks a reader", fmOpenRead | fmShareCompat, fmOpenRead | fmShareDenyNone, false},
        {"deny-write lets a reader in", fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
        {"deny-write blocks a writer", fmOpenRead | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
        {"deny-read blocks a reader", fmOpenReadWrite | fmShareDenyRead, fmOpenRead | fmShareDenyNone, false},
        {"deny-read lets a writer in", fmOpenReadWrite | fmShareDenyRead, fmOpenWrite | fmShareDenyNone, true},
        {"deny-none lets a writer in", fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
        {"a second deny-write reader fails beside a writer", fmOpenWrite | fmShareDenyNone,
         fmOpenRead | fmShareDenyWrite, false},
        {"a created file is held exclusively", fmCreate, fmOpenRead | fmShareDenyNone, false},
    };
    test::ScratchDir dir;
    std::string path = dir.File("shared.bin");
    test::WriteFileBytes(path, "data");
    for (const Row& row : rows) {
        TFileStream first(path, row.first);
        try {
            TFileStream second(path, row.second);
            EXPECT_TRUE(row.secondOpens) << row.situation;
        } catch (const EFOpenError& e) {
            EXPECT_FALSE(row.secondOpens) << row.situation;
            EXPECT_TRUE(StartsWith(e.Message(), "Cannot open file " + path)) << e.Message();
        }
    }
}

TEST(FileStream, MissingFileOrDirectoryRaisesWithTheFileName) {
    test::ScratchDir dir;
    std::string missing = dir.File("none.bin");
    try {
        TFileStream stream(missing, fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(StartsWith(e.Message(), "Cannot open file " + missing)) << e.Message();
    }
    std::string unreachable = dir.File("no dir\\new.bin");
    try {
        TFileStream stream(unreachable, fmCreate);
        FAIL() << "created a file in a missing directory";
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(StartsWith(e.Message(), "Cannot create file " + unreachable)) << e.Message();
    }
}

TEST(FileStream, SeekSizeAndShortReads) {
    test::ScratchDir dir;
    std::string path = dir.File("seek.bin");
    {
        TFileStream stream(path, fmCreate);
        stream.WriteBuffer("0123456789", 10);
        EXPECT_EQ(stream.Seek(-3, soFromEnd), 7);
        char two[2];
        stream.ReadBuffer(two, 2);
        EXPECT_EQ(std::string(two, 2), "78");
        EXPECT_EQ(stream.Seek(-5, soFromCurrent), 4);
        stream.SetSize(6);
        EXPECT_EQ(stream.Size(), 6);
        stream.SetPosition(5);
        char buffer[4];
        EXPECT_EQ(stream.Read(buffer, 4), 1);
        stream.SetPosition(5);
        try {
            stream.ReadBuffer(buffer, 4);
            FAIL() << "short read passed";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), "Stream read error");
        }
    }
    EXPECT_EQ(test::ReadFileBytes(path), "012345");
    TFileStream readOnly(path, fmOpenRead | fmShareDenyNone);
    EXPECT_THROW(readOnly.WriteBuffer("x", 1), EWriteError);
}

TEST(MemoryStream, RoundTripsThroughFilesAndOtherStreams) {
    test::ScratchDir dir;
    std::string bytes("a\0b\xFF" "cdef", 8);
    TMemoryStream memory;
    memory.WriteBuffer(bytes.data(), 8);
    memory.SaveToFile(dir.File("memory.bin"));
    EXPECT_EQ(test::ReadFileBytes(dir.File("memory.bin")), bytes);

    TMemoryStream loaded;
    loaded.LoadFromFile(dir.File("memory.bin"));
    ASSERT_EQ(loaded.Size(), 8);
    EXPECT_EQ(loaded.Position(), 0);
    EXPECT_EQ(std::memcmp(loaded.Memory(), bytes.data(), 8), 0);

    // CopyFrom with count 0 takes the whole source from its start, wherever it stands.
    TStringStream copy;
    loaded.SetPosition(5);
    EXPECT_EQ(copy.CopyFrom(loaded, 0), 8);
    EXPECT_EQ(copy.DataString(), bytes);
    loaded.SetPosition(2);
    TStringStream part;
    part.CopyFrom(loaded, 3);
    EXPECT_EQ(part.DataString(), bytes.substr(2, 3));

    loaded.SetSize(3);
    EXPECT_EQ(loaded.Position(), 3);
    loaded.Seek(2, soFromEnd);  // writing past the end fills the gap with zeros
    loaded.WriteBuffer("z", 1);
    EXPECT_EQ(std::string(static_cast<const char*>(loaded.Memory()), 6), std::string("a\0b\0\0z", 6));
    loaded.Clear();
    EXPECT_EQ(loaded.Size(), 0);
}

} // namespace
} // namespace qlry
