#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "RegistryTestSupport.h"
#include "platform/Exceptions.h"
#include "platform/Registry.h"

namespace qlry {
namespace {

using test::ScratchKey;

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Registry, TypedValuesReadBackWithTheirTypes) {
    ScratchKey scratch;
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(scratch.Absolute(), false));
    const unsigned char bytes[] = {0, 1, 2, 0xFF};
    registry.WriteString("String", "text with \xE9");
    registry.WriteString("Empty", "");
    registry.WriteExpandString("Expand", "%TEMP%\\x");
    registry.WriteInteger("Integer", -5);
    registry.WriteBool("Bool", true);
    registry.WriteFloat("Float", 36525.75);
    registry.WriteBinaryData("Binary", bytes, sizeof bytes);

    EXPECT_EQ(registry.ReadString("String"), "text with \xE9");
    EXPECT_EQ(registry.ReadString("Empty"), "");
    EXPECT_EQ(registry.ReadString("Expand"), "%TEMP%\\x");
    EXPECT_EQ(registry.ReadInteger("Integer"), -5);
    EXPECT_TRUE(registry.ReadBool("Bool"));
    EXPECT_EQ(registry.ReadFloat("Float"), 36525.75);
    unsigned char back[8] = {};
    EXPECT_EQ(registry.ReadBinaryData("Binary", back, sizeof back), 4);
    EXPECT_EQ(std::memcmp(back, bytes, sizeof bytes), 0);

    EXPECT_EQ(registry.GetDataType("String"), rdString);
    EXPECT_EQ(registry.GetDataType("Expand"), rdExpandString);
    EXPECT_EQ(registry.GetDataType("Integer"), rdInteger);
    EXPECT_EQ(registry.GetDataType("Float"), rdBinary);
    EXPECT_EQ(registry.GetDataType("Missing"), rdUnknown);
    EXPECT_EQ(registry.GetDataSize("Binary"), 4);
    EXPECT_EQ(registry.GetDataSize("Missing"), -1);
    EXPECT_EQ(Sorted(registry.GetValueNames()),
              (std::vector<std::string>{"Binary", "Bool", "Empty", "Expand", "Float", "Integer", "String"}));
}

TEST(Registry, StringsOfEveryLengthReadBackWhole) {
    ScratchKey scratch;
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(scratch.Absolute(), false));
    for (std::size_t length : {1u, 254u, 255u, 256u, 257u, 4000u}) {
        const std::string text(length, 'a' + static_cast<char>(length % 26));
        registry.WriteString("Long", text);
        EXPECT_EQ(registry.ReadString("Long"), text) << length << " characters";
    }
    // Without a terminating zero, as some writers store it.
    const char unterminated[] = {'a', 'b', 'c'};
    ASSERT_EQ(RegSetValueExA(registry.CurrentKey(), "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), 3),
              ERROR_SUCCESS);
    EXPECT_EQ(registry.ReadString("Raw"), "abc");
    registry.WriteInteger("Number", 1);
    EXPECT_THROW(registry.ReadString("Number"), ERegistryException);
}

TEST(Registry, MissingAndWronglyTypedValuesAreReported) {
    ScratchKey scratch;
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(scratch.Absolute(), false));
    registry.WriteString("Text", "12");
    registry.WriteInteger("Number", 12);

    EXPECT_EQ(registry.ReadString("Missing"), "");
    try {
        registry.ReadInteger("Missing");
        FAIL() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Missing'");
    }
    try {
        registry.ReadInteger("Text");
        FAIL() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Text'");
    }
    EXPECT_THROW(registry.ReadString("Number"), ERegistryException);
    EXPECT_THROW(registry.ReadFloat("Number"), ERegistryException);
    char small[1];
    registry.WriteBinaryData("Big", "abcd", 4);
    EXPECT_THROW(registry.ReadBinaryData("Big", small, sizeof small), ERegistryException);
}

TEST(Registry, WriteIntoAKeyThatRefusesItRaisesFailedToSetData) {
    ScratchKey scratch;
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(scratch.Absolute()));
    try {
        registry.WriteString("Value", "x");
        FAIL() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Value'");
    }
}

TEST(Registry, KeysAreListedCheckedAndDeleted) {
    ScratchKey scratch;
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(scratch.Absolute(), false));
    EXPECT_FALSE(registry.HasSubKeys());
    EXPECT_TRUE(registry.CreateKey("One"));
    EXPECT_TRUE(registry.CreateKey("Two"));
    EXPECT_TRUE(registry.HasSubKeys());
    EXPECT_EQ(Sorted(registry.GetKeyNames()), (std::vector<std::string>{"One", "Two"}));
    EXPECT_TRUE(registry.KeyExists("One"));
    EXPECT_TRUE(registry.KeyExists(scratch.Absolute() + "\\Two"));
    EXPECT_TRUE(registry.DeleteKey("One"));
    EXPECT_FALSE(registry.KeyExists("One"));

    registry.WriteString("Value", "x");
    EXPECT_TRUE(registry.ValueExists("Value"));
    EXPECT_TRUE(registry.DeleteValue("Value"));
    EXPECT_FALSE(registry.ValueExists("Value"));
    EXPECT_FALSE(registry.DeleteValue("Value"));
}

TEST(Registry, ChangingTheRootKeyClosesTheOpenKey) {
    ScratchKey scratch;
    TRegistry registry;
    EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(registry.Access(), static_cast<REGSAM>(KEY_ALL_ACCESS));
    EXPECT_TRUE(registry.LazyWrite());
    ASSERT_TRUE(registry.OpenKey(scratch.Absolute(), false));
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(registry.CurrentKey(), nullptr);
    EXPECT_EQ(registry.CurrentPath(), "");
    EXPECT_TRUE(registry.KeyExists("\\Software\\Microsoft"));
}

} // namespace
} // namespace qlry
