// The registry key class against the real registry of the sandbox prefix, in both views.
#include <functional>

#include <gtest/gtest.h>

#include <windows.h>

#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "support/Sandbox.h"

using namespace ku;
using namespace kutest;

namespace {

// The i686 tests run under WOW64 in the default 64-bit prefix; in a 32-bit prefix the view
// flag asks for the only view there is.
const bool kWow = kutest::RunningUnderWow64();
const REGSAM k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY, kOther = kWow ? k64 : k32;
const HKEY LM = HKEY_LOCAL_MACHINE, CU = HKEY_CURRENT_USER;

// What a call gives: its result as text, or the message of the exception it raised.
std::string Read(const std::function<std::string()>& read) {
    try {
        return read();
    } catch (const ERegistryException& e) {
        return e.what();
    }
}

} // namespace

TEST(Registry, ViewFlagOnlyOnTheOpenPathAndItStays) {
    EXPECT_EQ(IsWow64(), kWow);
    EXPECT_EQ(GetWow64AccessFlag(), DWORD(kOther));
    ScratchKey scratch(LM);
    TRegistry reg;
    reg.SetRootKey(LM);
    ASSERT_TRUE(reg.OpenKey("\\" + scratch.Sub("Created"), true, true));
    // Created in this process's own view: under WOW64 that is the 32-bit one.
    EXPECT_TRUE(RawKeyExists(LM, scratch.Sub("Created"), k32));
    EXPECT_FALSE(kWow && RawKeyExists(LM, scratch.Sub("Created"), k64));
    TRegistry flagged(kKeyAllAccess | GetWow64AccessFlag()); // existence ignores the flag
    flagged.SetRootKey(LM);
    EXPECT_TRUE(flagged.KeyExists("\\" + scratch.Sub("Created")));
    EXPECT_FALSE(flagged.KeyExists("\\" + scratch.Sub("Missing")));

    RawCreateKey(LM, scratch.Sub("Only64"), k64);
    TRegistry viewed;
    viewed.SetRootKey(LM);
    ASSERT_TRUE(viewed.OpenKey("\\" + scratch.Sub("Only64"), false, true));
    // The flag stays for later creates through the same object.
    ASSERT_TRUE(viewed.OpenKey("\\" + scratch.Sub("Later"), true, false));
    EXPECT_TRUE(RawKeyExists(LM, scratch.Sub("Later"), kOther));
    EXPECT_FALSE(kWow && RawKeyExists(LM, scratch.Sub("Later"), k32));
}

TEST(Registry, PathsAndDeletesRelativeToTheOpenKeyAndAFailedOpenChangesNothing) {
    ScratchKey scratch;
    RawCreateKey(CU, scratch.Sub("Keep\\Child"), 0);
    RawCreateKey(CU, scratch.Sub("Gone\\Child"), 0);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + scratch.Path(), true) && reg.OpenKey("Sub\\Leaf", true));
    EXPECT_TRUE(RawKeyExists(CU, scratch.Sub("Sub\\Leaf"), 0));
    ASSERT_TRUE(reg.OpenKey("\\" + scratch.Path(), false));
    EXPECT_FALSE(reg.OpenKey("Missing\\Key", false) || reg.OpenKeyReadOnly(scratch.Sub("None")));
    EXPECT_TRUE(reg.DeleteKey("Gone") && reg.DeleteKey("Sub"));
    std::vector<std::string> keys;
    reg.GetKeyNames(keys);
    EXPECT_EQ(keys, std::vector<std::string>{"Keep"});
    // An empty path or a lone "\" would name the open key or the root: refused, nothing gone.
    EXPECT_FALSE(reg.DeleteKey("") || reg.DeleteKey("\\"));
    EXPECT_TRUE(RawKeyExists(CU, scratch.Sub("Keep\\Child"), 0));
    reg.SetRootKey(LM); // closes the open key
    EXPECT_EQ(reg.CurrentKey(), nullptr);
}

TEST(Registry, TypedReadsOfOurOwnAndOddValuesFromOtherPrograms) {
    ScratchKey scratch;
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + scratch.Path(), true));
    reg.WriteString("Text", "Hello");
    reg.WriteInteger("Number", -7);
    const unsigned char bytes[] = {1, 2, 3, 4, 5};
    reg.WriteBinaryData("Bytes", bytes, sizeof(bytes));
    RawSetValue(CU, scratch.Path(), "NoZero", REG_SZ, "abc");
    RawSetValue(CU, scratch.Path(), "Multi", REG_MULTI_SZ, std::string("one\0two\0", 9));
    RawSetValue(CU, scratch.Path(), "ShortDword", REG_DWORD, std::string("\x09\x00", 2));

    TRegistry readOnly, none;
    ASSERT_TRUE(readOnly.OpenKeyReadOnly(scratch.Path()));
    unsigned char buffer[32] = {};
    const auto n = [](int number) { return std::to_string(number); };
    const auto bad = [](const std::string& name) { return "Invalid data type for '" + name + "'"; };
    const std::string refused = "Failed to set data for 'x'";
    const auto binary = [&](const char* name, int size) {
        return std::string(reinterpret_cast<const char*>(buffer),
                           reg.ReadBinaryData(name, buffer, size));
    };
    const std::pair<std::function<std::string()>, std::string> cases[] = {
        {[&] { return reg.ReadString("Text") + n(reg.GetDataSize("Text")); }, "Hello6"},
        {[&] { return n(reg.ReadInteger("Number")); }, "-7"},
        {[&] { return binary("Bytes", 32) + n(reg.GetDataType("Bytes")); }, "\1\2\3\4\5" "4"},
        {[&] { return reg.ReadString("NoZero"); }, "abc"},
        {[&] { return n(reg.ReadInteger("ShortDword")); }, "9"},
        {[&] { return binary("Multi", 32); }, std::string("one\0two\0", 9)},
        // Missing values: nothing without raising, but an integer read raises.
        {[&] { return reg.ReadString("Missing") + n(reg.GetDataSize("Missing")); }, "-1"},
        {[&] { return n(reg.ReadInteger("Missing")); }, "Failed to get data for 'Missing'"},
        // Wrong kinds raise with the value's name.
        {[&] { return reg.ReadString("Number"); }, bad("Number")},
        {[&] { return n(reg.ReadInteger("Text")); }, bad("Text")},
        {[&] { return binary("Bytes", 4); }, bad("Bytes")},
        {[&] { return reg.ReadString("Multi"); }, bad("Multi")},
        {[&] { return readOnly.WriteString("x", "y"), std::string(); }, refused},
        {[&] { return none.WriteInteger("x", 1), std::string(); }, refused},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.first), c.second);
    EXPECT_TRUE(reg.DeleteValue("Text"));
    EXPECT_FALSE(reg.DeleteValue("Text"));
}

TEST(Registry, DeleteKeyRemovesTheSubtreeInTheViewItWasFoundIn) {
    ScratchKey scratch(LM);
    const std::string app = scratch.Sub("App");
    for (REGSAM view : {k64, k32}) {
        RawCreateKey(LM, app + "\\One\\Two\\Three", view);
        RawCreateKey(LM, app + "\\Other", view);
        RawSetString(LM, app + "\\One", "v", "x", view);
    }
    TRegistry reg;
    reg.SetRootKey(LM);
    ASSERT_TRUE(reg.OpenKey("\\" + app, false, true)); // the other view, kept in Access
    EXPECT_TRUE(reg.DeleteKey("\\" + app));
    EXPECT_FALSE(RawKeyExists(LM, app, kOther));
    // The same-named key of the 32-bit view is untouched, subkeys included.
    EXPECT_TRUE(!kWow || (RawKeyExists(LM, app + "\\One\\Two\\Three", k32) &&
                          RawKeyExists(LM, app + "\\Other", k32)));
    EXPECT_FALSE(reg.DeleteKey("\\" + app)) << "a missing key is not reported deleted";
}
