// Installer products found by name and the rewrite of their names, against product keys of
// the test's own in the sandbox registry.
#include <gtest/gtest.h>

#include "core/scan/LeftoverEngine.h"
#include "core/system/SharedState.h"
#include "special/InstallerProducts.h"
#include "support/PlantedRegistry.h"
#include "support/RawRegistry.h"
#include "support/Sandbox.h"

namespace {

const std::string kProducts = ku::kInstallerProductsPath;
const std::string kComponents = ku::kInstallerComponentsPath;

class InstallerProducts : public ::testing::Test {
  protected:
    void SetUp() override {
        ku::RegistryView64 = kutest::RunningUnderWow64();
        ku::InstallerProductNames.clear();
        Product("KU0AUDITION0000000000000000000A1", "Adobe Audition 3.0", "", "C:\\Audition\\");
        Product("KU0AUDITION0000000000000000000A2", "Sound Pack", "adobe audition team", "");
        Product("KU0OTHER000000000000000000000000", "Adobe Reader", "Adobe", "C:\\Reader");
        // A product key without its properties: it must stay without them.
        registry.Key(HKEY_LOCAL_MACHINE, kProducts + "\\KU0BARE0000000000000000000000000");
    }
    void TearDown() override { ku::RegistryView64 = false; }
    void Product(const std::string& code, const std::string& name, const std::string& contact,
                 const std::string& location) {
        const std::string path = kProducts + "\\" + code + "\\InstallProperties";
        registry.String(HKEY_LOCAL_MACHINE, path, "DisplayName", name);
        registry.String(HKEY_LOCAL_MACHINE, path, "Contact", contact);
        registry.String(HKEY_LOCAL_MACHINE, path, "InstallLocation", location);
    }
    std::string Read(const std::string& code, const std::string& name) {
        return kutest::RawReadString(HKEY_LOCAL_MACHINE,
                                     kProducts + "\\" + code + "\\InstallProperties", name, view);
    }
    const REGSAM view = kutest::RunningUnderWow64() ? KEY_WOW64_64KEY : 0;
    kutest::PlantedRegistry registry{view};
};

TEST_F(InstallerProducts, AreFoundByNameOrContactOncePerMatchingName) {
    std::vector<std::string> codes;
    ku::TUninstallerContents contents;
    ku::FindInstallerProductsByName(",Adobe Audition, SOUND PACK", codes, contents, {});
    EXPECT_EQ(codes, (std::vector<std::string>{"KU0AUDITION0000000000000000000A1",
                                               "KU0AUDITION0000000000000000000A2",
                                               "KU0AUDITION0000000000000000000A2"}));
    // Values as read; an empty one is left out.
    EXPECT_EQ(ku::InstallerProductNames, "Adobe Audition 3.0,C:\\Audition\\,Sound Pack,"
                                         "adobe audition team,Sound Pack,adobe audition team");
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE,
                                      kProducts + "\\KU0BARE0000000000000000000000000\\"
                                                  "InstallProperties",
                                      view));
    codes.clear();
    ku::FindInstallerProductsByName("", codes, contents, {});
    EXPECT_TRUE(codes.empty()); // an empty name matches nothing
}

TEST_F(InstallerProducts, AreRenamedOnlyWhileAComponentStillRefersToThem) {
    ku::InstallerProductNames = "Old names";
    const std::vector<std::string> codes{"KU0AUDITION0000000000000000000A1",
                                         "KU0GONE00000000000000000000000000"};
    ku::RewriteInstallerProductNames(codes);
    EXPECT_EQ(Read(codes[0], "DisplayName"), "Adobe Audition 3.0");
    registry.String(HKEY_LOCAL_MACHINE, kComponents + "\\KU0COMPONENT000000000000000000001",
                    "ku0audition0000000000000000000a1", "C:\\Audition\\x.dll");
    ku::RewriteInstallerProductNames(codes);
    EXPECT_EQ(Read(codes[0], "DisplayName"), "Old names");
    EXPECT_EQ(Read(codes[0], "Contact"), "Old names");
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_LOCAL_MACHINE, kProducts + "\\" + codes[1], view));
}

} // namespace
