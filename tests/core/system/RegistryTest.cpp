// The registry key class against the real registry of the sandbox prefix, in both views.
#include <algorithm>
#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "support/Sandbox.h"

using namespace ku;
using kutest::RawKeyExists;
using kutest::RawSetString;
using kutest::ScratchKey;

namespace {

// The i686 tests run under WOW64 in the default 64-bit prefix; in a 32-bit prefix the view
// flag asks for the only view there is.
bool Wow() { return kutest::RunningUnderWow64(); }

std::string ExpectThrows(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const ERegistryException& e) {
        return e.what();
    }
    return "(no exception)";
}

} // namespace

TEST(Registry, WowHelpersAgreeWithTheSystem) {
    EXPECT_EQ(IsWow64(), Wow());
    EXPECT_EQ(GetWow64AccessFlag(), DWORD(Wow() ? KEY_WOW64_64KEY : KEY_WOW64_32KEY));
    RegistryView64 = true;
    EXPECT_EQ(RegistryViewAccess(), 0xF013Fu);
    RegistryView64 = false;
    EXPECT_EQ(RegistryViewAccess(), 0xF003Fu);
    TRegistry plain;
    EXPECT_EQ(plain.RootKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(plain.Access(), 0xF003Fu);
    EXPECT_TRUE(plain.LazyWrite());
    EXPECT_EQ(TRegistry(0x20019).Access(), 0x20019u);
}

TEST(Registry, ViewFlagOnlyOnTheOpenPathAndItStays) {
    ScratchKey scratch(HKEY_LOCAL_MACHINE);
    const std::string path = "\\" + scratch.Sub("Created");
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey(path, true, true));
    EXPECT_EQ(reg.Access(), 0xF003Fu) << "the create path adds no view flag";
    // Created in this process's own view: under WOW64 that is the 32-bit one.
    EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, scratch.Sub("Created"), KEY_WOW64_32KEY));
    if (Wow()) {
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, scratch.Sub("Created"), KEY_WOW64_64KEY));
    }

    kutest::RawCreateKey(HKEY_LOCAL_MACHINE, scratch.Sub("Only64"), KEY_WOW64_64KEY);
    TRegistry viewed;
    viewed.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(viewed.OpenKey("\\" + scratch.Sub("Only64"), false, true));
    EXPECT_EQ(viewed.Access(), 0xF003F | GetWow64AccessFlag());
    // The flag stays for later creates through the same object.
    ASSERT_TRUE(viewed.OpenKey("\\" + scratch.Sub("Later"), true, false));
    EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, scratch.Sub("Later"),
                             Wow() ? KEY_WOW64_64KEY : KEY_WOW64_32KEY));
    if (Wow()) {
        EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, scratch.Sub("Later"), KEY_WOW64_32KEY));
    }
}

TEST(Registry, RelativeAndAbsolutePaths) {
    ScratchKey scratch;
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + scratch.Path(), true));
    EXPECT_EQ(reg.CurrentPath(), scratch.Path());
    ASSERT_TRUE(reg.OpenKey("Sub", true));
    EXPECT_EQ(reg.CurrentPath(), scratch.Path() + "\\Sub");
    ASSERT_TRUE(reg.OpenKey("Deeper\\Leaf", true));
    EXPECT_EQ(reg.CurrentPath(), scratch.Path() + "\\Sub\\Deeper\\Leaf");
    ASSERT_TRUE(reg.OpenKey("\\" + scratch.Sub("Other"), true));
    EXPECT_EQ(reg.CurrentPath(), scratch.Sub("Other"));
    // A failed open leaves the object as it was.
    EXPECT_FALSE(reg.OpenKey("Missing\\Key", false));
    EXPECT_EQ(reg.CurrentPath(), scratch.Sub("Other"));
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_EQ(reg.CurrentPath(), "");
    // Changing the root closes the open key.
    ASSERT_TRUE(reg.OpenKey("\\" + scratch.Path(), false));
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.CurrentKey(), nullptr);
}

TEST(Registry, OpenKeyReadOnlyFallsBackToQueryOnly) {
    ScratchKey scratch;
    kutest::RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("Plain"), 0);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(scratch.Sub("Plain")));
    EXPECT_EQ(reg.Access(), DWORD(KEY_READ));
    TRegistry viewed;
    ASSERT_TRUE(viewed.OpenKeyReadOnly(scratch.Sub("Plain"), true));
    EXPECT_EQ(viewed.Access(), KEY_READ | GetWow64AccessFlag());
    EXPECT_FALSE(viewed.OpenKeyReadOnly(scratch.Sub("Missing")));
    EXPECT_EQ(viewed.CurrentPath(), scratch.Sub("Plain"));

    // A key whose security grants only KEY_QUERY_VALUE to everyone.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scratch.Sub("Plain").c_str(), 0, KEY_ALL_ACCESS,
                            &key),
              ERROR_SUCCESS);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                         &everyone));
    alignas(8) char aclBuffer[256];
    PACL acl = reinterpret_cast<PACL>(aclBuffer);
    InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_QUERY_VALUE, everyone);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd), ERROR_SUCCESS);
    RegCloseKey(key);
    FreeSid(everyone);
    HKEY probe = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, scratch.Sub("Plain").c_str(), 0, KEY_READ, &probe) ==
        ERROR_SUCCESS) {
        RegCloseKey(probe);
        GTEST_SKIP() << "this Wine does not enforce registry key security";
    }
    TRegistry restricted;
    EXPECT_TRUE(restricted.OpenKeyReadOnly(scratch.Sub("Plain")));
    EXPECT_EQ(restricted.Access(), DWORD(KEY_QUERY_VALUE));
    restricted.CloseKey();
    // The owner may always rewrite the DACL: open it up again so the scratch key can go.
    if (RegOpenKeyExA(HKEY_CURRENT_USER, scratch.Sub("Plain").c_str(), 0, WRITE_DAC, &key) ==
        ERROR_SUCCESS) {
        SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
        RegCloseKey(key);
    }
}

TEST(Registry, TypedReadsAndWrites) {
    ScratchKey scratch;
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + scratch.Path(), true));
    reg.WriteString("Text", "Hello");
    reg.WriteInteger("Number", -7);
    reg.WriteBool("Flag", true);
    const unsigned char bytes[] = {1, 2, 3, 4, 5};
    reg.WriteBinaryData("Bytes", bytes, sizeof(bytes));

    EXPECT_EQ(reg.ReadString("Text"), "Hello");
    EXPECT_EQ(reg.GetDataSize("Text"), 6);
    EXPECT_EQ(reg.GetDataType("Text"), rdString);
    EXPECT_EQ(reg.ReadInteger("Number"), -7);
    EXPECT_TRUE(reg.ReadBool("Flag"));
    unsigned char buffer[5] = {};
    EXPECT_EQ(reg.ReadBinaryData("Bytes", buffer, sizeof(buffer)), 5);
    EXPECT_EQ(std::memcmp(buffer, bytes, 5), 0);
    EXPECT_EQ(reg.GetDataType("Bytes"), rdBinary);

    // Missing values: empty string and 0 without raising; integer reads raise.
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_EQ(reg.ReadBinaryData("Missing", buffer, sizeof(buffer)), 0);
    EXPECT_EQ(reg.GetDataSize("Missing"), -1);
    EXPECT_EQ(reg.GetDataType("Missing"), rdUnknown);
    EXPECT_FALSE(reg.ValueExists("Missing"));
    EXPECT_EQ(ExpectThrows([&] { reg.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");

    // Wrong kinds raise with the value's name.
    EXPECT_EQ(ExpectThrows([&] { reg.ReadString("Number"); }), "Invalid data type for 'Number'");
    EXPECT_EQ(ExpectThrows([&] { reg.ReadInteger("Text"); }), "Invalid data type for 'Text'");
    EXPECT_EQ(ExpectThrows([&] { reg.ReadBool("Bytes"); }), "Invalid data type for 'Bytes'");
    EXPECT_EQ(ExpectThrows([&] { reg.ReadBinaryData("Text", buffer, sizeof(buffer)); }),
              "Invalid data type for 'Text'");
    EXPECT_EQ(ExpectThrows([&] { reg.ReadBinaryData("Bytes", buffer, 4); }),
              "Invalid data type for 'Bytes'");

    EXPECT_TRUE(reg.DeleteValue("Text"));
    EXPECT_FALSE(reg.DeleteValue("Text"));
}

TEST(Registry, OddValuesFromOtherPrograms) {
    ScratchKey scratch;
    auto set = [&](const char* name, DWORD type, const std::string& data) {
        kutest::RawSetValue(HKEY_CURRENT_USER, scratch.Path(), name, type, data);
    };
    const char embedded[] = "first\0second";
    set("Embedded", REG_SZ, std::string(embedded, sizeof(embedded)));
    const char unterminated[] = {'a', 'b', 'c'};
    set("NoZero", REG_SZ, std::string(unterminated, 3));
    set("Empty", REG_SZ, std::string("", 0));
    const char expand[] = "%SystemRoot%\\x.exe";
    set("Expand", REG_EXPAND_SZ, std::string(expand, sizeof(expand)));
    const char multi[] = "one\0two\0";
    set("Multi", REG_MULTI_SZ, std::string(multi, sizeof(multi)));
    const unsigned char shortDword[] = {9, 0};
    set("ShortDword", REG_DWORD, std::string(reinterpret_cast<const char*>(shortDword), 2));

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(scratch.Path()));
    EXPECT_EQ(reg.ReadString("Embedded"), "first");
    EXPECT_EQ(reg.ReadString("NoZero"), "abc");
    EXPECT_EQ(reg.ReadString("Empty"), "");
    EXPECT_EQ(reg.ReadString("Expand"), "%SystemRoot%\\x.exe") << "returned unexpanded";
    EXPECT_EQ(reg.GetDataType("Multi"), rdUnknown);
    EXPECT_EQ(ExpectThrows([&] { reg.ReadString("Multi"); }), "Invalid data type for 'Multi'");
    char buffer[32] = {};
    EXPECT_EQ(reg.ReadBinaryData("Multi", buffer, sizeof(buffer)), int(sizeof(multi)));
    EXPECT_EQ(reg.ReadInteger("ShortDword"), 9);
}

TEST(Registry, EnumeratesNamesIncludingLongOnes) {
    ScratchKey scratch;
    // Wine's ANSI registry calls refuse full paths much past MAX_PATH, so the name stays shorter.
    const std::string longName(160, 'k');
    const std::string longValue(2000, 'v');
    kutest::RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("A"), 0);
    kutest::RawCreateKey(HKEY_CURRENT_USER, scratch.Sub(longName), 0);
    RawSetString(HKEY_CURRENT_USER, scratch.Path(), "x", "1", 0);
    RawSetString(HKEY_CURRENT_USER, scratch.Path(), longValue, "2", 0);
    RawSetString(HKEY_CURRENT_USER, scratch.Path(), "", "default", 0);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(scratch.Path()));
    std::vector<std::string> keys, values;
    reg.GetKeyNames(keys);
    reg.GetValueNames(values);
    std::sort(keys.begin(), keys.end());
    std::sort(values.begin(), values.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"A", longName}));
    EXPECT_EQ(values, (std::vector<std::string>{"", longValue, "x"}));
    TRegKeyInfo info;
    ASSERT_TRUE(reg.GetKeyInfo(info));
    EXPECT_EQ(info.NumSubKeys, 2u);
    EXPECT_EQ(info.NumValues, 3u);

    TRegistry closed;
    closed.GetKeyNames(keys);
    EXPECT_TRUE(keys.empty()) << "no open key lists nothing";
}

TEST(Registry, DeleteKeyRemovesTheSubtreeInTheViewItWasFoundIn) {
    ScratchKey scratch(HKEY_LOCAL_MACHINE);
    const std::string app = scratch.Sub("App");
    for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
        kutest::RawCreateKey(HKEY_LOCAL_MACHINE, app + "\\One\\Two\\Three", view);
        kutest::RawCreateKey(HKEY_LOCAL_MACHINE, app + "\\Other", view);
        RawSetString(HKEY_LOCAL_MACHINE, app + "\\One", "v", "x", view);
    }
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("\\" + app, false, true)); // the other view, kept in Access
    EXPECT_TRUE(reg.DeleteKey("\\" + app));
    const REGSAM other = Wow() ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, app, other));
    if (Wow()) {
        // The same-named key of the 32-bit view is untouched, subkeys included.
        EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, app + "\\One\\Two\\Three", KEY_WOW64_32KEY));
        EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, app + "\\Other", KEY_WOW64_32KEY));
    }
    EXPECT_FALSE(reg.DeleteKey("\\" + app)) << "a missing key is not reported deleted";
}

TEST(Registry, DeleteKeyRelativeToTheOpenKeyAndNeverTheBase) {
    ScratchKey scratch;
    kutest::RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("Keep\\Child"), 0);
    kutest::RawCreateKey(HKEY_CURRENT_USER, scratch.Sub("Gone\\Child"), 0);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + scratch.Path(), false));
    EXPECT_TRUE(reg.DeleteKey("Gone"));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Gone"), 0));
    // The open key is still the current one afterwards.
    EXPECT_EQ(reg.CurrentPath(), scratch.Path());
    std::vector<std::string> keys;
    reg.GetKeyNames(keys);
    EXPECT_EQ(keys, std::vector<std::string>{"Keep"});
    // An empty path or a lone "\" would name the open key or the root: refused, nothing gone.
    EXPECT_FALSE(reg.DeleteKey(""));
    EXPECT_FALSE(reg.DeleteKey("\\"));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, scratch.Sub("Keep\\Child"), 0));
}

TEST(Registry, KeyExistsIgnoresTheViewFlagHeldInAccess) {
    ScratchKey scratch(HKEY_LOCAL_MACHINE);
    kutest::RawCreateKey(HKEY_LOCAL_MACHINE, scratch.Sub("Own"), 0);
    TRegistry reg(0xF003F | GetWow64AccessFlag());
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(reg.KeyExists("\\" + scratch.Sub("Own")));
    EXPECT_EQ(reg.Access(), 0xF003F | GetWow64AccessFlag());
    EXPECT_FALSE(reg.KeyExists("\\" + scratch.Sub("Missing")));
}

TEST(Registry, WritesThroughAReadOnlyOpenFail) {
    ScratchKey scratch;
    kutest::RawCreateKey(HKEY_CURRENT_USER, scratch.Path(), 0);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(scratch.Path()));
    EXPECT_EQ(ExpectThrows([&] { reg.WriteString("x", "y"); }), "Failed to set data for 'x'");
    TRegistry none;
    EXPECT_EQ(ExpectThrows([&] { none.WriteInteger("x", 1); }), "Failed to set data for 'x'");
}
