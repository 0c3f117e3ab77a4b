#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "RegistryTestSupport.h"
#include "routines/cmp_TQlryRegistry.h"
#include "routines/routines_Registry.h"

namespace qlry {
namespace {

using test::RawCreateKey;
using test::RawKeyExists;
using test::RawReadString;
using test::RawWriteDword;
using test::RawWriteString;
using test::ScratchKey;

TEST(RootKeyIndex, PredefinedRootsMapInAlphabeticalOrderOthersGiveTheDefault) {
    const std::vector<std::pair<HKEY, int>> rows = {
        {HKEY_CLASSES_ROOT, rkClassesRoot},   {HKEY_CURRENT_CONFIG, rkCurrentConfig},
        {HKEY_CURRENT_USER, rkCurrentUser},   {HKEY_DYN_DATA, rkDynData},
        {HKEY_LOCAL_MACHINE, rkLocalMachine}, {HKEY_USERS, rkUsers},
        {HKEY_PERFORMANCE_DATA, -1},          {nullptr, -1},
    };
    for (const auto& [key, index] : rows) EXPECT_EQ(RootKeyIndex(key, -1), index) << key;
    EXPECT_EQ(rkLocalMachine, 4);

    TqlryRegistry registry;
    for (const auto& [key, index] : rows) {
        if (index < 0) continue;
        SetRootKeyIndex(registry, index);
        EXPECT_EQ(registry.RootKey(), key) << index;
    }
    SetRootKeyIndex(registry, rkLocalMachine);
    SetRootKeyIndex(registry, 6);
    EXPECT_EQ(registry.RootKey(), HKEY_LOCAL_MACHINE);
}

TEST(RegWrite, StringAndIntegerAreWrittenIntoANewKey) {
    ScratchKey scratch;
    RegWriteString(rkCurrentUser, scratch.Absolute() + "\\New\\Deeper", "Name", "Value");
    RegWriteInteger(rkCurrentUser, scratch.Absolute() + "\\New\\Deeper", "Count", 42);
    EXPECT_EQ(RawReadString(HKEY_CURRENT_USER, scratch.Sub("New\\Deeper"), "Name"), "Value");
    EXPECT_EQ(RegReadInteger(rkCurrentUser, scratch.Absolute() + "\\New\\Deeper", "Count", 0), 42);
}

// Keys the registry refuses to create: a sub-key under a volatile key must be volatile
// too (1021), and a key name may have at most 255 characters (234).
std::vector<std::string> UnwritableKeys(const ScratchKey& scratch) {
    RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("Volatile"), REG_OPTION_VOLATILE);
    return {scratch.Absolute() + "\\Volatile\\Child", scratch.Absolute() + "\\" + std::string(300, 'k')};
}

TEST(RegWrite, KeyThatCannotBeCreatedRaisesCannotWriteValue) {
    ScratchKey scratch;
    for (const std::string& key : UnwritableKeys(scratch)) {
        try {
            RegWriteString(rkCurrentUser, key, "Ident", "Data");
            ADD_FAILURE() << "no exception for " << key;
        } catch (const EIRCannotWriteValue& e) {
            EXPECT_EQ(e.Message(), "Cannot install into registry. Key: " + key + " Ident: Ident Value Data");
        }
        try {
            RegWriteInteger(rkCurrentUser, key, "Ident", 1);
            ADD_FAILURE() << "no exception for " << key;
        } catch (const EIRCannotWriteValue& e) {
            EXPECT_EQ(e.Message(), key);
        }
    }
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Volatile\\Child")));
}

TEST(RegRead, MissingKeysValuesAndUnreadableTypesGiveTheDefault) {
    ScratchKey scratch;
    RawWriteString(HKEY_CURRENT_USER, scratch.Path(), "Text", "stored");
    RawWriteString(HKEY_CURRENT_USER, scratch.Path(), "EmptyText", "");
    RawWriteDword(HKEY_CURRENT_USER, scratch.Path(), "Number", 7);
    const std::string key = scratch.Absolute();
    const std::string missingKey = key + "\\Missing";

    EXPECT_EQ(RegReadString(rkCurrentUser, key, "Text", "default"), "stored");
    EXPECT_EQ(RegReadString(rkCurrentUser, key, "EmptyText", "default"), "");
    EXPECT_EQ(RegReadString(rkCurrentUser, key, "NoSuchValue", "default"), "default");
    EXPECT_EQ(RegReadString(rkCurrentUser, missingKey, "Text", "default"), "default");
    EXPECT_EQ(RegReadString(rkCurrentUser, key, "Number", "default"), "default");

    EXPECT_EQ(RegReadInteger(rkCurrentUser, key, "Number", -1), 7);
    EXPECT_EQ(RegReadInteger(rkCurrentUser, key, "NoSuchValue", -1), -1);
    EXPECT_EQ(RegReadInteger(rkCurrentUser, missingKey, "Number", -1), -1);
    EXPECT_EQ(RegReadInteger(rkCurrentUser, key, "Text", -1), -1);
    // Reading never creates.
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Missing")));
}

TEST(RegDeleteKeyTree, RemovesAThreeLevelTreeWithValues) {
    ScratchKey scratch;
    for (const char* path : {"Tree\\A\\A1", "Tree\\A\\A2", "Tree\\B"}) {
        RawCreateKey(HKEY_CURRENT_USER, scratch.Sub(path));
        RawWriteString(HKEY_CURRENT_USER, scratch.Sub(path), "Leaf", path);
    }
    RawWriteString(HKEY_CURRENT_USER, scratch.Sub("Tree"), "Top", "1");
    RawWriteString(HKEY_CURRENT_USER, scratch.Sub("Tree\\A"), "Middle", "2");
    RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("Sibling"));

    RegDeleteKeyTree(rkCurrentUser, scratch.Absolute() + "\\Tree");
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Tree")));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Sibling")));

    // Nothing to delete is no failure.
    RegDeleteKeyTree(rkCurrentUser, scratch.Absolute() + "\\Tree");
    // A blank key names the root, which stays.
    for (const char* blank : {"", "  ", "\\"}) RegDeleteKeyTree(rkCurrentUser, blank);
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Sibling")));
}

class RunOnceEntry : public testing::Test {
protected:
    const std::string runOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    const std::string name = "QlryRoutinesTestEntry";

    void TearDown() override {
        for (const char* suffix : {"", "1", "2", "3"})
            test::RawDeleteValue(HKEY_LOCAL_MACHINE, runOnceKey, name + suffix);
    }
    std::string Value(const std::string& suffix) { return RawReadString(HKEY_LOCAL_MACHINE, runOnceKey, name + suffix); }
};

TEST_F(RunOnceEntry, UniqueNameTakenTwiceIsWrittenWithSuffix2) {
    RawWriteString(HKEY_LOCAL_MACHINE, runOnceKey, name, "first");
    RawWriteString(HKEY_LOCAL_MACHINE, runOnceKey, name + "1", "second");
    EXPECT_TRUE(RegisterRunOnceEntry(name, "C:\\setup.exe -r", true));
    EXPECT_EQ(Value(""), "first");
    EXPECT_EQ(Value("1"), "second");
    EXPECT_EQ(Value("2"), "C:\\setup.exe -r");
    EXPECT_EQ(Value("3"), "<missing>");
}

TEST_F(RunOnceEntry, UniqueNameTakesTheFirstFreeSuffix) {
    struct Row {
        std::vector<std::string> taken;
        std::string written;
    };
    const std::vector<Row> rows = {{{}, ""}, {{""}, "1"}, {{"1"}, ""}, {{"", "2"}, "1"}};
    for (const Row& row : rows) {
        TearDown();
        for (const std::string& suffix : row.taken) RawWriteString(HKEY_LOCAL_MACHINE, runOnceKey, name + suffix, "x");
        EXPECT_TRUE(RegisterRunOnceEntry(name, "cmd", true));
        EXPECT_EQ(Value(row.written), "cmd") << "expected under suffix '" << row.written << "'";
    }
}

TEST_F(RunOnceEntry, NotUniqueReplacesTheNamedValue) {
    RawWriteString(HKEY_LOCAL_MACHINE, runOnceKey, name, "old");
    EXPECT_TRUE(RegisterRunOnceEntry(name, "new", false));
    EXPECT_EQ(Value(""), "new");
    EXPECT_EQ(Value("1"), "<missing>");
}

} // namespace
} // namespace qlry
