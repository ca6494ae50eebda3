// The whole-registry export: a real regedit export that regedit reads back in.
#include <gtest/gtest.h>

#include <fstream>

#include "core/system/PublicFunctionUnit.h"
#include "support/Spawn.h"

using namespace ku;

namespace {

// The UTF-16 text of an export as plain bytes (the key names here are ASCII).
std::string Narrow(const std::string& wide) {
    std::string narrow;
    for (size_t i = 2; i + 1 < wide.size(); i += 2)
        narrow += wide[i];
    return narrow;
}

} // namespace

TEST(RegistryExport, BackupIsARealExportThatRegeditImportsAgain) {
    kutest::ScratchKey key;
    kutest::RawSetString(HKEY_CURRENT_USER, key.Path(), "Probe", "Kelvane export probe",
                         KEY_WOW64_64KEY);
    kutest::ScratchDir dir;
    const std::string file = dir.File("Backup_test.reg");
    ASSERT_TRUE(ExportRegistry(file));
    ASSERT_TRUE(IsRegistryExportFile(file));

    // Importing the whole file would roll back what other tests did meanwhile, so the probe's
    // section alone goes back in. A whole export holds the user's keys below HKEY_USERS\<SID>.
    const std::string text = Narrow(kutest::ReadAll(file));
    const size_t found = text.find("\\" + key.Path() + "]\r\n");
    ASSERT_NE(found, std::string::npos);
    const size_t start = text.rfind("\r\n[HKEY_USERS\\", found) + 2;
    ASSERT_LT(start, found);
    const size_t end = text.find("\r\n\r\n", start);
    const std::string section = text.substr(start, end == std::string::npos ? end : end - start);
    EXPECT_NE(section.find("\"Probe\"=\"Kelvane export probe\""), std::string::npos) << section;

    kutest::RawDeleteTree(HKEY_CURRENT_USER, key.Path(), KEY_WOW64_64KEY);
    const std::string part = dir.File("part.reg");
    std::ofstream(part, std::ios::binary) << "REGEDIT4\r\n\r\n" + section + "\r\n\r\n";
    EXPECT_EQ(kutest::RunAndWait(GetWindowsDir() + "\\regedit.exe /s \"" + part + "\""), 0);
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_CURRENT_USER, key.Path(), KEY_WOW64_64KEY));
}
