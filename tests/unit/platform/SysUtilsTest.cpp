#include <gtest/gtest.h>

#include <vector>

#include "platform/Exceptions.h"
#include "platform/SysUtils.h"
#include "support/TestSupport.h"

namespace qlry {
namespace {

TEST(SysUtils, FileNamesSplitAtTheLastBackslashOrColon) {
    struct Row {
        std::string name, path, dir, file, ext, drive, changed;
    };
    std::vector<Row> rows = {
        {"C:\\dir\\sub\\file.txt", "C:\\dir\\sub\\", "C:\\dir\\sub", "file.txt", ".txt", "C:", "C:\\dir\\sub\\file.bak"},
        {"C:\\file", "C:\\", "C:\\", "file", "", "C:", "C:\\file.bak"},
        {"C:file.tar.gz", "C:", "C:", "file.tar.gz", ".gz", "C:", "C:file.tar.bak"},
        {"\\\\server\\share\\a.b\\name", "\\\\server\\share\\a.b\\", "\\\\server\\share\\a.b", "name", "",
         "\\\\server\\share", "\\\\server\\share\\a.b\\name.bak"},
        {"name.", "", "", "name.", ".", "", "name.bak"},
        {"", "", "", "", "", "", ".bak"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ExtractFilePath(row.name), row.path) << row.name;
        EXPECT_EQ(ExtractFileDir(row.name), row.dir) << row.name;
        EXPECT_EQ(ExtractFileName(row.name), row.file) << row.name;
        EXPECT_EQ(ExtractFileExt(row.name), row.ext) << row.name;
        EXPECT_EQ(ExtractFileDrive(row.name), row.drive) << row.name;
        EXPECT_EQ(ChangeFileExt(row.name, ".bak"), row.changed) << row.name;
    }
}

TEST(SysUtils, ForceDirectoriesCreatesMissingParents) {
    test::ScratchDir dir;
    std::string deep = dir.File("one\\two\\three");
    EXPECT_TRUE(ForceDirectories(deep + "\\"));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep));  // already there

    test::WriteFileBytes(dir.File("file"), "x");
    EXPECT_FALSE(ForceDirectories(dir.File("file\\below")));
    EXPECT_EQ(FileSize(dir.File("file")), 1);
    EXPECT_EQ(FileSize(dir.File("one")), -1);
    EXPECT_GT(DiskFree(dir.Path()), 0);
    // A drive glued into the middle of a path (a full DestDir behind a base folder) is
    // refused, not chased up the path for ever.
    EXPECT_FALSE(ForceDirectories(dir.File("Program Filesc:\\Vorne")));
}

TEST(SysUtils, StrToIntAcceptsDecimalAndHexAndNamesBadText) {
    struct Row {
        std::string text;
        bool valid;
        int value;
    };
    std::vector<Row> rows = {
        {"12", true, 12},          {"  -7", true, -7},       {"+5", true, 5},
        {"$1F", true, 31},         {"0x10", true, 16},       {"$FFFFFFFF", true, -1},
        {"2147483647", true, 2147483647}, {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},  {"12 ", false, 0},        {"", false, 0},
        {"-", false, 0},           {"$", false, 0},          {"1e3", false, 0},
    };
    for (const Row& row : rows) {
        if (row.valid) {
            EXPECT_EQ(StrToInt(row.text), row.value) << row.text;
            continue;
        }
        EXPECT_EQ(StrToIntDef(row.text, 99), 99) << row.text;
        try {
            StrToInt(row.text);
            ADD_FAILURE() << "accepted " << row.text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "'" + row.text + "' is not a valid integer value");
        }
    }
}

} // namespace
} // namespace qlry
