// What Windows owns beyond any list of its keys: classes in every spelling of the classes root
// (a class served from the Windows or a component folder, an extension naming one, interfaces
// and type libraries that lead to no application's file, the root's own lists) and services
// (a key that is no service, a program in a component folder, a driver of Windows' or Wine's
// maker). Planted stand-ins are tried for real; Windows' and Wine's own keys are only asked.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/system/DeleteHelpers.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RawRegistry.h"
#include "support/Spawn.h"

using namespace ku;

namespace {

const HKEY LM = HKEY_LOCAL_MACHINE, CU = HKEY_CURRENT_USER, CR = HKEY_CLASSES_ROOT;
const REGSAM k64 = KEY_WOW64_64KEY;
const std::string kTag = std::to_string(GetCurrentProcessId());

} // namespace

TEST(WindowsOwnersGuard, EverySpellingOfTheClassesRootKeepsWindowsOwnClasses) {
    const struct {
        HKEY root;
        std::string base;
    } roots[] = {{LM, "SOFTWARE\\Classes\\"},
                 {LM, "SOFTWARE\\Wow6432Node\\Classes\\"},
                 {CU, "Software\\Classes\\"}};
    const std::string win = "KuWin" + kTag, app = "KuApp" + kTag + ".Doc";
    const std::string ie = "KuIe" + kTag + ".Application", ieId = "{KU1E" + kTag + "}";
    const std::string ado = "{KUAD" + kTag + "}", lib = "{KUTL" + kTag + "}";
    const struct {
        std::string path, value; // value "-": the key itself
        bool refused;
    } cases[] = {
        {".kuw" + kTag + "\\OpenWithProgids", app, false},
        {".kuw" + kTag, "-", true},
        {".kuw" + kTag, "", true},
        {win, "-", true},
        {ie, "-", true},
        {"CLSID\\" + ieId, "-", true},
        {"CLSID\\" + ado, "-", true},
        {"Interface\\{KUIF" + kTag + "W}", "-", true},
        {"TypeLib\\" + lib + "W", "-", true},
        {".kua" + kTag, "-", false},
        {"Interface\\{KUIF" + kTag + "A}", "-", false},
        {"TypeLib\\" + lib + "A", "-", false},
        {app, "-", false},
    };
    for (const auto& root : roots) {
        kutest::PlantedRegistry planted(k64);
        const auto plant = [&](const std::string& path, const std::string& name,
                               const std::string& data) {
            planted.String(root.root, root.base + path, name, data);
        };
        plant(win + "\\shell\\open\\command", "", "%SystemRoot%\\system32\\notepad.exe %1");
        plant(".kuw" + kTag, "", win);
        plant(".kuw" + kTag + "\\OpenWithProgids", app, "");
        plant(app + "\\shell\\open\\command", "", "\"C:\\Program Files\\KuVendor\\kuapp.exe\" %1");
        plant(".kua" + kTag, "", app);
        plant(ie + "\\CLSID", "", ieId);
        plant("CLSID\\" + ieId + "\\LocalServer32", "",
              "\"C:\\Program Files\\Internet Explorer\\kuie.exe\"");
        plant("CLSID\\" + ado + "\\InprocServer32", "",
              "%CommonProgramFiles%\\System\\ado\\ku.dll");
        plant("Interface\\{KUIF" + kTag + "W}", "", "IKuUnknown");
        plant("Interface\\{KUIF" + kTag + "A}\\TypeLib", "", lib + "A");
        plant("TypeLib\\" + lib + "A\\1.0\\0\\win32", "", "C:\\Program Files\\KuVendor\\kuapp.tlb");
        plant("TypeLib\\" + lib + "W\\1.0\\0\\win32", "", "%SystemRoot%\\system32\\kustdole.tlb");
        for (const auto& c : cases) {
            SCOPED_TRACE(root.base + c.path + " : " + c.value);
            const std::string path = root.base + c.path;
            const bool key = c.value == "-";
            EXPECT_EQ(key ? DeleteRegistryKeyInView(root.root, path, k64)
                          : DeleteRegistryValueInView(root.root, path, c.value, k64),
                      !c.refused);
            EXPECT_EQ(key ? kutest::RawKeyExists(root.root, path, k64)
                          : kutest::RawValueExists(root.root, path, c.value, k64),
                      c.refused);
        }
    }
    // The classes root's own lists, as Windows keeps them, in every spelling.
    for (const char* list : {"MIME", "MIME\\Database", "MIME\\Database\\Content Type", "PROTOCOLS",
                             "PROTOCOLS\\Handler", "PROTOCOLS\\Filter"}) {
        EXPECT_TRUE(IsProtectedRegistryKey(CR, list)) << list;
        for (const auto& root : roots)
            EXPECT_TRUE(IsProtectedRegistryKey(root.root, root.base + list)) << root.base << list;
    }
}

TEST(WindowsOwnersGuard, ServicesOfWindowsAndWineStayAVendorsGo) {
    const std::string services = "SYSTEM\\CurrentControlSet\\Services\\";
    const std::string drivers = "\\SystemRoot\\System32\\drivers\\";
    const DWORD none = 0, driver = SERVICE_KERNEL_DRIVER, own = SERVICE_WIN32_OWN_PROCESS;
    const struct {
        std::string name;
        DWORD type;
        std::string imagePath;
        bool windows;
    } cases[] = {
        {"KuCatalog", none, "", true}, // a key with no type and no program: no service
        {"KuKbdclass", driver, kutest::Fixture("guard\\kumsdrv.sys"), true},
        {"KuWinebus", driver, drivers + "winebus.sys", true},
        {"KuWmpNetwork", own, "\"%ProgramFiles%\\Windows Media Player\\kuwmpnetwk.exe\"", true},
        {"KuNisSrv", own, "%ProgramData%\\Microsoft\\Windows Defender\\KuNisSrv.exe", true},
        {"KuKlif", driver, kutest::Fixture("guard\\kuvendrv.sys"), false},
        {"KuKlmc", driver, drivers + "kuklmc" + kTag + ".sys", false},
        {"KuTypeOnly", driver, "", false},
        {"KuVendorSvc", own, "C:\\Ku Vendor\\kusvc.exe -service", false},
    };
    kutest::PlantedRegistry planted(k64);
    for (const auto& c : cases) {
        const std::string name = c.name + kTag, key = services + name;
        const std::string legacy =
            "SYSTEM\\CurrentControlSet\\Enum\\Root\\LEGACY_" + UpperCase(name);
        SCOPED_TRACE(name + ": " + c.imagePath);
        planted.String(LM, key + "\\Parameters", "v", "x");
        planted.String(LM, legacy + "\\0000", "v", "x");
        if (c.type != none)
            planted.Value(LM, key, "Type", REG_DWORD, kutest::DwordBytes(c.type));
        if (!c.imagePath.empty())
            planted.Value(LM, key, "ImagePath", REG_EXPAND_SZ, kutest::StringBytes(c.imagePath));
        EXPECT_EQ(IsProtectedService(name), c.windows);
        EXPECT_EQ(IsProtectedRegistryKey(LM, key), c.windows);
        EXPECT_EQ(DeleteRegistryValueInView(LM, key + "\\Parameters", "v", k64), !c.windows);
        EXPECT_EQ(DeleteRegistryKeyInView(LM, legacy, k64), !c.windows);
        EXPECT_EQ(DeleteRegistryKeyInView(LM, key, k64), !c.windows);
        EXPECT_EQ(kutest::RawKeyExists(LM, key, k64), c.windows);
        EXPECT_EQ(kutest::RawKeyExists(LM, legacy, k64), c.windows);
    }
    // Wine's own drivers, which carry no version information, are only asked about.
    for (const char* wine : {"nsiproxy", "winebus", "winehid", "wineusb"}) {
        if (!kutest::RawKeyExists(LM, services + wine, k64))
            continue;
        EXPECT_TRUE(IsProtectedService(wine)) << wine;
        EXPECT_TRUE(IsProtectedRegistryKey(LM, services + wine)) << wine;
        EXPECT_TRUE(IsProtectedRegistryKey(LM, "SYSTEM\\ControlSet001\\Enum\\Root\\LEGACY_" +
                                                   UpperCase(wine)))
            << wine;
    }
}
