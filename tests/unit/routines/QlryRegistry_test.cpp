#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "RegistryTestSupport.h"
#include "routines/cmp_TQlryRegistry.h"

namespace qlry {
namespace {

using test::RawCreateKey;
using test::RawKeyExists;
using test::RawReadString;
using test::ScratchKey;

const REGSAM kWriteRights = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// Gives the existing key Path a DACL that lets everyone read it and nothing else.
bool MakeReadOnly(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS) return false;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    alignas(DWORD) BYTE aclBuffer[256];
    auto acl = reinterpret_cast<PACL>(aclBuffer);
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    LONG result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
    RegCloseKey(key);
    FreeSid(everyone);
    return result == ERROR_SUCCESS;
}

bool PlatformGrantsWriteRights(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, kWriteRights, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

TEST(QlryRegistryOpenKey, KeyThatGrantsOnlyReadingDoesNotOpenEvenForReading) {
    ScratchKey scratch;
    std::string locked = scratch.Sub("Locked");
    ASSERT_TRUE(RawCreateKey(HKEY_CURRENT_USER, locked));
    ASSERT_TRUE(MakeReadOnly(locked));
    // A security descriptor passed to RegCreateKeyEx is not applied by Wine; one set on
    // the existing key with RegSetKeySecurity is enforced.
    if (PlatformGrantsWriteRights(locked)) GTEST_SKIP() << "the platform grants write rights despite the DACL";

    TqlryRegistry registry;
    EXPECT_TRUE(registry.KeyExists("\\" + locked));
    EXPECT_FALSE(registry.OpenKey("\\" + locked, false));
    EXPECT_FALSE(registry.OpenKey("\\" + locked, true));
    EXPECT_EQ(registry.CurrentKey(), nullptr);
    // The same key is readable for anyone who asks only for reading.
    EXPECT_TRUE(registry.OpenKeyReadOnly("\\" + locked));
}

TEST(QlryRegistryOpenKey, MissingKeyWithoutCreateFailsAndStaysMissing) {
    ScratchKey scratch;
    TqlryRegistry registry;
    EXPECT_FALSE(registry.OpenKey(scratch.Absolute() + "\\Missing", false));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Missing")));
}

TEST(QlryRegistryOpenKey, KeyOpenedWithoutCreateCanTakeValuesAndSubKeys) {
    ScratchKey scratch;
    TqlryRegistry registry;
    ASSERT_TRUE(registry.OpenKey(scratch.Absolute(), false));
    registry.WriteString("Written", "yes");
    EXPECT_EQ(RawReadString(HKEY_CURRENT_USER, scratch.Path(), "Written"), "yes");
    EXPECT_TRUE(registry.OpenKey("Child", true));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Child")));
}

TEST(QlryRegistryOpenKey, RelativeKeysOpenBelowTheCurrentKeyAndExtendItsPath) {
    ScratchKey scratch;
    TqlryRegistry registry;
    ASSERT_TRUE(registry.OpenKey(scratch.Absolute(), true));
    EXPECT_EQ(registry.CurrentPath(), scratch.Absolute());
    ASSERT_TRUE(registry.OpenKey("Level1\\Level2", true));
    EXPECT_EQ(registry.CurrentPath(), scratch.Absolute() + "\\Level1\\Level2");
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Level1\\Level2")));
    // An absolute key starts again from the root.
    ASSERT_TRUE(registry.OpenKey(scratch.Absolute() + "\\Level1", false));
    EXPECT_EQ(registry.CurrentPath(), scratch.Absolute() + "\\Level1");
    // Without an open key a relative key is relative to the root.
    registry.CloseKey();
    ASSERT_TRUE(registry.OpenKey(scratch.Path(), false));
    EXPECT_EQ(registry.CurrentPath(), scratch.Path());
}

TEST(QlryRegistryDeleteKey, RemovesNestedSubKeysAndKeepsTheCurrentKey) {
    ScratchKey scratch;
    RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("Doomed\\A\\A1"));
    RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("Doomed\\A\\A2"));
    RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("Doomed\\B"));
    test::RawWriteString(HKEY_CURRENT_USER, scratch.Sub("Doomed\\A\\A1"), "Value", "x");
    RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("Kept"));

    TqlryRegistry registry;
    ASSERT_TRUE(registry.OpenKey(scratch.Absolute(), false));
    HKEY before = registry.CurrentKey();
    EXPECT_TRUE(registry.DeleteKey("Doomed"));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Doomed")));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Kept")));
    EXPECT_EQ(registry.CurrentKey(), before);
    EXPECT_EQ(registry.CurrentPath(), scratch.Absolute());
    EXPECT_FALSE(registry.DeleteKey("Doomed"));
}

} // namespace
} // namespace qlry
