// Options of the General page against the sandbox registry where the options window's tests do
// not reach: odd stored values, no style chosen, UAC of the wrong type.
#include <gtest/gtest.h>

#include "core/settings/OptionValues.h"
#include "support/Sandbox.h"

namespace {

const REGSAM k64 = KEY_WOW64_64KEY;
const HKEY LM = HKEY_LOCAL_MACHINE;

// "keyOpened CheckUpdate ViewStyle" of what the options load from the key.
std::string Loaded(const kutest::ScratchKey& key) {
    const ku::TOptionValues v = ku::LoadOptionValues("\\" + key.Path());
    return std::to_string(v.keyOpened) + " " + std::to_string(v.CheckUpdate) + " " +
           std::to_string(v.ViewStyle);
}

} // namespace

TEST(OptionValues, OddValuesGiveDefaultsAndNoStyleChosenKeepsTheStoredOne) {
    kutest::ScratchKey key(LM);
    // An incomplete or damaged key must not stop the dialog: defaults stand in.
    kutest::RawSetString(LM, key.Path(), "ViewStyle", "icons", k64);
    EXPECT_EQ(Loaded(key), "1 1 0");
    kutest::RawSetDword(LM, key.Path(), "ViewStyle", 2, k64);
    ASSERT_TRUE(ku::SaveOptionValues(false, -1, "\\" + key.Path()));
    EXPECT_EQ(Loaded(key), "1 0 2");
    kutest::RawDeleteTree(HKEY_CURRENT_USER, key.Path(), k64);
}

TEST(OptionValues, EnableLuaIsReadAndWrittenOnlyWhereItExistsAsANumber) {
    kutest::ScratchKey key(LM);
    const auto stored = [&] { return kutest::RawReadDword(LM, key.Path(), "EnableLUA", k64); };
    kutest::RawCreateKey(LM, key.Path(), k64);
    EXPECT_FALSE(ku::WriteEnableLua(true, key.Path())); // older Windows: nothing to switch
    EXPECT_EQ(stored(), -1);
    kutest::RawSetDword(LM, key.Path(), "EnableLUA", 5, k64);
    EXPECT_EQ(ku::ReadEnableLua(key.Path()), 1);
    EXPECT_TRUE(ku::WriteEnableLua(false, key.Path()));
    EXPECT_EQ(stored(), 0);
    kutest::RawSetString(LM, key.Path(), "EnableLUA", "1", k64);
    EXPECT_EQ(ku::ReadEnableLua(key.Path()), -1);
    EXPECT_FALSE(ku::WriteEnableLua(false, key.Path()));
}
