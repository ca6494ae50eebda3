// The DOS-mode restore entry on a boot drive of the test's own: installation and removal round
// trips (the image unpacked where needed), and the logon backup's Run value.
#include <gtest/gtest.h>

#include "core/system/FileSystem.h"
#include "support/Sandbox.h"
#include "sysmanager/BootFiles.h"
#include "sysmanager/DosRestore.h"

namespace {

const std::string kBootIni =
    "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
    "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Windows XP\" "
    "/fastdetect";
const std::string kUserMenu = "timeout 5\r\ntitle Other system\r\nchainloader (hd0,1)+1\r\n";

int Count(const std::string& text, const std::string& part) {
    int found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

// A boot drive and a program folder of their own, with the program's files.
struct DosPlaces {
    DosPlaces() {
        CreateDirectoryA(drive.File("boot").c_str(), nullptr);
        CreateDirectoryA(drive.File("program").c_str(), nullptr);
        kutest::WriteTextFile(Program("GRLDR"), "loader");
        kutest::WriteTextFile(Program("dos.img"), "image");
    }
    std::string Boot(const std::string& name) const { return places.Boot(name); }
    std::string Program(const std::string& name) const { return drive.File("program\\" + name); }

    kutest::ScratchDir drive;
    kutest::ScratchKey key{HKEY_LOCAL_MACHINE};
    ku::DosRestorePlaces places{drive.File("boot") + "\\", drive.File("program"), "", key.Root(),
                                "\\" + key.Sub("Run"), "\\" + key.Path()};
};

} // namespace

TEST(DosRestore, InstallAndRemoveLeaveTheBootFilesAsTheyWere) {
    // loaderBefore: boot.ini already chains GRLDR (and GRLDR is there); menu: menu.lst before,
    // or nullptr; appended: the entry joins that menu (else a new menu is set in its place);
    // later: a line another system adds to boot.ini while the entry is installed; packed: the
    // image comes as an archive that the program's unpacker opens in the program folder.
    const struct {
        const char* name; bool loaderBefore; const char* menu; bool appended; std::string later;
        bool packed;
    } cases[] = {
        {"no menu, packed image", false, nullptr, false, "", true},
        {"loader chained before", true, kUserMenu.c_str(), true, "", false},
        {"menu of another loader, boot.ini edited later", false, kUserMenu.c_str(), false,
         "C:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\"\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DosPlaces p;
        const std::string boot = kBootIni + (c.loaderBefore ? "\r\nC:\\GRLDR=\"Start GRUB\"\r\n"
                                             : c.later.empty() ? "" : "\r\n");
        kutest::WriteTextFile(p.Boot("boot.ini"), boot);
        if (c.menu)
            kutest::WriteTextFile(p.Boot("menu.lst"), c.menu);
        if (c.loaderBefore)
            kutest::WriteTextFile(p.Boot("GRLDR"), "their loader");
        if (c.packed) {
            DeleteFileA(p.Program("dos.img").c_str());
            kutest::WriteTextFile(p.Program("dos.rar"), "image");
            CopyFileA((std::string(kutest::kFixtureDir) + "\\FakeDosUnRAR.exe").c_str(),
                      p.Program("UnRAR.exe").c_str(), FALSE);
        }

        ASSERT_TRUE(ku::InstallDosRestore(p.places).ok);
        EXPECT_TRUE(ku::InstallDosRestore(p.places).ok);
        EXPECT_TRUE(ku::IsDosRestoreInstalled(p.places));
        const std::string menu = kutest::ReadAll(p.Boot("menu.lst"));
        EXPECT_EQ(Count(menu, "Restore registry(DOS)"), 1);
        EXPECT_EQ(c.menu && menu.rfind(c.menu, 0) == 0, c.appended);
        EXPECT_EQ(Count(menu, "*System Menu*"), c.appended ? 0 : 1) << menu;
        EXPECT_EQ(Count(kutest::ReadAll(p.Boot("boot.ini")), "C:\\GRLDR=*System Menu*"),
                  c.loaderBefore ? 0 : 1);
        EXPECT_EQ(kutest::ReadAll(p.Boot("dos.img")), "image");
        EXPECT_TRUE(GetFileAttributesA(p.Boot("boot.ini").c_str()) & FILE_ATTRIBUTE_HIDDEN);
        if (!c.later.empty()) {
            SetFileAttributesA(p.Boot("boot.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
            ku::WriteWholeFile(p.Boot("boot.ini"), kutest::ReadAll(p.Boot("boot.ini")) + c.later);
        }

        ASSERT_TRUE(ku::UninstallDosRestore(p.places).ok);
        EXPECT_FALSE(ku::IsDosRestoreInstalled(p.places));
        EXPECT_EQ(kutest::ReadAll(p.Boot("boot.ini")), boot + c.later);
        EXPECT_EQ(kutest::ReadAll(p.Boot("menu.lst")), c.menu ? c.menu : "");
        // Only the files the installation put there go again.
        const auto there = [&](const char* file) { return ku::FileExists(p.Boot(file)); };
        EXPECT_EQ(std::make_tuple(there("menu.lst"), there("dos.img"), there("GRLDR")),
                  std::make_tuple(c.menu != nullptr, false, c.loaderBefore));
    }
}

TEST(DosRestore, WithoutWhatItNeedsNothingIsWritten) {
    const struct { const char* name; bool bootIni, loader, image; } cases[] = {
        {"no boot.ini", false, true, true}, {"no loader", true, false, true},
        {"no image", true, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DosPlaces p;
        if (c.bootIni)
            kutest::WriteTextFile(p.Boot("boot.ini"), kBootIni);
        if (!c.loader)
            DeleteFileA(p.Program("GRLDR").c_str());
        if (!c.image) { // an archive without an unpacker gives no image
            kutest::WriteTextFile(p.Program("dos.rar"), "archive");
            DeleteFileA(p.Program("dos.img").c_str());
        }
        const ku::DosResult result = ku::InstallDosRestore(p.places);
        EXPECT_FALSE(result.ok || result.error.empty());
        EXPECT_FALSE(ku::FileExists(p.Boot("menu.lst")));
        EXPECT_EQ(kutest::ReadAll(p.Boot("boot.ini")), c.bootIni ? kBootIni : "");
    }
}

// Switched on, the Run value starts this copy quoted; another copy's stale value goes.
TEST(DosRestore, RunValueStartsThisProgramQuoted) {
    DosPlaces p;
    const std::string run = p.key.Sub("Run");
    kutest::RawCreateKey(p.key.Root(), run, KEY_WOW64_64KEY);
    p.places.exePath = "C:\\Program Files\\Kelvane Uninstaller\\KU.exe";
    ASSERT_TRUE(ku::SetAutoBackupOnBoot(true, p.places));
    EXPECT_TRUE(ku::IsAutoBackupOnBoot(p.places));
    EXPECT_EQ(kutest::RawReadString(p.key.Root(), run, ku::kAutoRunValue, KEY_WOW64_64KEY),
              "\"C:\\Program Files\\Kelvane Uninstaller\\KU.exe\"  -AUTORUN");
    p.places.exePath = "D:\\Other\\KU.exe";
    EXPECT_FALSE(ku::IsAutoBackupOnBoot(p.places));
    EXPECT_FALSE(kutest::RawValueExists(p.key.Root(), run, ku::kAutoRunValue, KEY_WOW64_64KEY));
    ASSERT_TRUE(ku::SetAutoBackupOnBoot(true, p.places));
    ASSERT_TRUE(ku::SetAutoBackupOnBoot(false, p.places));
    EXPECT_FALSE(kutest::RawValueExists(p.key.Root(), run, ku::kAutoRunValue, KEY_WOW64_64KEY));
}
