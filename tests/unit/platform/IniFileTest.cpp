#include <gtest/gtest.h>

#include <vector>

#include "platform/Exceptions.h"
#include "platform/IniFile.h"
#include "platform/Strings.h"
#include "support/TestSupport.h"

namespace qlry {
namespace {

using test::Lines;

TEST(IniFile, ValuesWrittenAreReadBackAndListed) {
    test::ScratchDir dir;
    TIniFile ini(dir.File("setup.ini"));
    ini.WriteString("Main", "Title", "My Product");
    ini.WriteInteger("Main", "Count", -12);
    ini.WriteBool("Main", "Enabled", true);
    ini.WriteString("Main", "Mask", "0x1F");
    ini.WriteString("Other", "Key", "v");
    ini.UpdateFile();
    EXPECT_NE(test::ReadFileBytes(dir.File("setup.ini")).find("[Main]"), std::string::npos);

    EXPECT_EQ(ini.ReadString("main", "title", "-"), "My Product");
    EXPECT_EQ(ini.ReadString("Main", "Missing", "default"), "default");
    EXPECT_EQ(ini.ReadInteger("Main", "Count", 0), -12);
    EXPECT_EQ(ini.ReadInteger("Main", "Mask", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Main", "Title", 7), 7);
    EXPECT_TRUE(ini.ReadBool("Main", "Enabled", false));
    EXPECT_TRUE(ini.ReadBool("Main", "Missing", true));

    TStringList list;
    ini.ReadSection("Main", list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Title", "Count", "Enabled", "Mask"}));
    ini.ReadSections(list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Main", "Other"}));
    ini.ReadSectionValues("Main", list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Title=My Product", "Count=-12", "Enabled=1", "Mask=0x1F"}));
    EXPECT_TRUE(ini.ValueExists("Main", "count"));
    EXPECT_FALSE(ini.ValueExists("Main", "Nothing"));
}

TEST(IniFile, KeysAndSectionsCanBeRemoved) {
    test::ScratchDir dir;
    TIniFile ini(dir.File("erase.ini"));
    ini.WriteString("Keep", "A", "1");
    ini.WriteString("Keep", "B", "2");
    ini.WriteString("Drop", "C", "3");

    ini.DeleteKey("Keep", "A");
    ini.EraseSection("Drop");
    EXPECT_FALSE(ini.ValueExists("Keep", "A"));
    EXPECT_TRUE(ini.ValueExists("Keep", "B"));
    EXPECT_FALSE(ini.SectionExists("Drop"));
    EXPECT_TRUE(ini.SectionExists("Keep"));
    EXPECT_NO_THROW(ini.EraseSection("Never There"));
}

TEST(IniFile, WriteIntoAMissingDirectoryRaises) {
    test::ScratchDir dir;
    TIniFile ini(dir.File("no such dir\\x.ini"));
    try {
        ini.WriteString("S", "K", "V");
        FAIL() << "write passed";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + ini.FileName());
    }
}

} // namespace
} // namespace qlry
