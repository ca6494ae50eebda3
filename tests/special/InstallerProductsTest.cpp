// Installer products found by name and the rewrite of their names, against product keys of
// the test's own in the sandbox registry.
#include <gtest/gtest.h>

#include "core/scan/LeftoverEngine.h"
#include "core/system/SharedState.h"
#include "special/InstallerProducts.h"
#include "support/PlantedRegistry.h"
#include "support/RawRegistry.h"
#include "support/Sandbox.h"
#include "support/WideNames.h"

namespace {

const std::string kProducts = std::string(ku::kInstallerProductsPath) + "\\";
const std::string kA1 = "KU0AUDITION0000000000000000000A1",
                  kA2 = "KU0AUDITION0000000000000000000A2";

class InstallerProducts : public ::testing::Test {
  protected:
    void SetUp() override {
        ku::RegistryView64 = kutest::RunningUnderWow64();
        ku::InstallerProductNames.clear();
        const std::string products[][4] = {
            {kA1, "Adobe Audition 3.0", "", "C:\\Audition\\"},
            {kA2, "Sound Pack", "adobe audition team", ""},
            {"KU0OTHER000000000000000000000000", "Adobe Reader", "Adobe", "C:\\Reader"}};
        const char* names[] = {"", "DisplayName", "Contact", "InstallLocation"};
        for (const auto& p : products)
            for (int i = 1; i < 4; ++i)
                registry.String(HKEY_LOCAL_MACHINE, kProducts + p[0] + "\\InstallProperties",
                                names[i], p[i]);
        // A product key without its properties: it must stay without them.
        registry.Key(HKEY_LOCAL_MACHINE, kProducts + "KU0BARE0000000000000000000000000");
    }
    void TearDown() override { ku::RegistryView64 = false; }
    const REGSAM view = kutest::NativeView();
    kutest::PlantedRegistry registry{view};
};

TEST_F(InstallerProducts, AreFoundByNameAndRenamedOnlyWhileAComponentRefersToThem) {
    std::vector<std::string> codes;
    ku::TUninstallerContents contents;
    ku::FindInstallerProductsByName("", codes, contents, {});
    EXPECT_TRUE(codes.empty()) << "an empty name matches nothing";
    ku::FindInstallerProductsByName(",Adobe Audition, SOUND PACK", codes, contents, {});
    EXPECT_EQ(codes, (std::vector<std::string>{kA1, kA2, kA2}));
    // Values as read; an empty one is left out.
    EXPECT_EQ(ku::InstallerProductNames, "Adobe Audition 3.0,C:\\Audition\\,Sound Pack,"
                                         "adobe audition team,Sound Pack,adobe audition team");
    EXPECT_FALSE(kutest::RawKeyExists(
        HKEY_LOCAL_MACHINE, kProducts + "KU0BARE0000000000000000000000000\\InstallProperties",
        view));
    // Renamed only while a component still refers to them.
    ku::InstallerProductNames = "Old names";
    codes = {kA1, "KU0GONE00000000000000000000000000"};
    ku::RewriteInstallerProductNames(codes);
    const std::string properties = kProducts + kA1 + "\\InstallProperties";
    EXPECT_EQ(kutest::RawReadString(HKEY_LOCAL_MACHINE, properties, "DisplayName", view),
              "Adobe Audition 3.0");
    registry.String(HKEY_LOCAL_MACHINE, std::string(ku::kInstallerComponentsPath) + "\\KU0COMP1",
                    "ku0audition0000000000000000000a1", "C:\\Audition\\x.dll");
    ku::RewriteInstallerProductNames(codes);
    EXPECT_EQ(kutest::RawReadString(HKEY_LOCAL_MACHINE, properties, "DisplayName", view) + "|" +
                  kutest::RawReadString(HKEY_LOCAL_MACHINE, properties, "Contact", view),
              "Old names|Old names");
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, kProducts + codes[1], view));
}

// A product whose name, contact or folder the code page cannot hold is never found by name: in
// its shown form it would be scanned and renamed as another product.
TEST_F(InstallerProducts, OneTheCodePageCannotHoldIsNeverFound) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::wstring omega = kutest::kOmega;
    const struct {
        const char* code;
        const wchar_t* name;
        std::wstring text;
    } products[] = {{"KU0GREEK0000000000000000000000D1", L"DisplayName", omega + L"mega Audition"},
                    {"KU0GREEK0000000000000000000000D2", L"InstallLocation", L"C:\\" + omega}};
    for (const auto& p : products) {
        const std::string properties = kProducts + p.code + "\\InstallProperties";
        registry.String(HKEY_LOCAL_MACHINE, properties, "Contact", "adobe audition team");
        ASSERT_TRUE(kutest::WideSetString(HKEY_LOCAL_MACHINE, kutest::WideOf(properties), p.name,
                                          p.text, view));
    }
    std::vector<std::string> codes;
    ku::TUninstallerContents contents;
    ku::FindInstallerProductsByName("Adobe Audition", codes, contents, {});
    EXPECT_EQ(codes, (std::vector<std::string>{kA1, kA2}));
    EXPECT_EQ(ku::InstallerProductNames, "Adobe Audition 3.0,C:\\Audition\\,Sound Pack,"
                                         "adobe audition team");
}

} // namespace
