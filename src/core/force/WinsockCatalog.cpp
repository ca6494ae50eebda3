// Winsock namespace catalog defaults, written back when a removed program had replaced them.
#include "core/force/WinsockCatalog.h"

#include <cstdio>

#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

constexpr GUID kTcpip = {0x22059D40, 0x7E9E, 0x11CF, {0xAE, 0x5A, 0x00, 0xAA, 0x00, 0xA7, 0x11, 0x2B}};
constexpr GUID kNtds = {0x3B2637EE, 0xE580, 0x11CF, {0xA5, 0x55, 0x00, 0xC0, 0x4F, 0xD8, 0xD4, 0xAC}};
constexpr GUID kNwlink = {0xE02DAAF0, 0x7E9F, 0x11CF, {0xAE, 0x5A, 0x00, 0xAA, 0x00, 0xA7, 0x11, 0x2B}};
constexpr GUID kNla = {0x6642243A, 0x3BA8, 0x4AA6, {0xBA, 0xA5, 0x2E, 0x0B, 0xD7, 0x1F, 0xDD, 0x83}};
constexpr GUID kNap = {0x964ACBA2, 0xB2BC, 0x40EB, {0x8C, 0x6A, 0xA6, 0xDB, 0x40, 0x16, 0x1C, 0xAE}};
constexpr GUID kPnrpName = {0x03FE89CE, 0x766D, 0x4976, {0xB9, 0xC1, 0xBB, 0x9B, 0xC4, 0x2C, 0x7B, 0x4D}};
constexpr GUID kPnrpCloud = {0x03FE89CD, 0x766D, 0x4976, {0xB9, 0xC1, 0xBB, 0x9B, 0xC4, 0x2C, 0x7B, 0x4D}};
constexpr GUID kNone = {};

const char kMswsock[] = "%SystemRoot%\\System32\\mswsock.dll";
const char kWinrnr[] = "%SystemRoot%\\System32\\winrnr.dll";
const char kNwprovau[] = "%SystemRoot%\\System32\\nwprovau.dll";
const char kNwlinkName[] = "NWLink IPX/SPX/NetBIOS Compatible Transport Protocol";

const std::vector<WinsockNamespaceEntry> kWindows2000 = {
    {1, "%SystemRoot%\\System32\\rnr20.dll", "Tcpip", kTcpip, 12, 1, 0, 1},
    {2, kWinrnr, "NTDS", kNtds, 32, 1, 0, 1},
    {3, kNwprovau, kNwlinkName, kNwlink, 1, 1, 1, 1},
    {4, kMswsock, nullptr, kNone, 0, 0, 0, 0},
    {5, kMswsock, nullptr, kNone, 0, 0, 0, 0},
    {6, kMswsock, nullptr, kNone, 0, 0, 0, 0},
};

const std::vector<WinsockNamespaceEntry> kWindowsXp = {
    {1, kMswsock, "Tcpip", kTcpip, 12, 1, 0, 0},
    {2, kWinrnr, "NTDS", kNtds, 32, 1, 0, 0},
    {3, kMswsock, "Network Location Awareness (NLA) Namespace", kNla, 15, 1, 0, 0},
    {4, kNwprovau, kNwlinkName, kNwlink, 1, 1, 1, 1},
    {5, kMswsock, nullptr, kNone, 0, 0, 0, 0},
    {6, kMswsock, nullptr, kNone, 0, 0, 0, 0},
    {7, kMswsock, nullptr, kNone, 0, 0, 0, 0},
    {8, kMswsock, nullptr, kNone, 0, 0, 0, 0},
};

const std::vector<WinsockNamespaceEntry> kWindowsVista = {
    {1, "%SystemRoot%\\system32\\NLAapi.dll", "@%SystemRoot%\\system32\\nlasvc.dll,-1000", kNla,
     15, 1, 0, 0},
    {2, kMswsock, "@%SystemRoot%\\system32\\wshtcpip.dll,-60103", kTcpip, 12, 1, 0, 1},
    {3, kWinrnr, "NTDS", kNtds, 32, 1, 0, 0},
    {4, "%SystemRoot%\\system32\\napinsp.dll", "@%SystemRoot%\\system32\\napinsp.dll,-1000", kNap,
     37, 1, 0, 0},
    {5, "%SystemRoot%\\system32\\pnrpnsp.dll", "@%SystemRoot%\\system32\\pnrpnsp.dll,-1000",
     kPnrpName, 39, 1, 0, 0},
    {6, "%SystemRoot%\\system32\\pnrpnsp.dll", "@%SystemRoot%\\system32\\pnrpnsp.dll,-1001",
     kPnrpCloud, 38, 1, 0, 0},
    {7, kMswsock, nullptr, kNone, 0, 0, 0, 0},
    {8, kMswsock, nullptr, kNone, 0, 0, 0, 0},
};

const std::vector<WinsockNamespaceEntry> kNoEntries;

} // namespace

const std::vector<WinsockNamespaceEntry>& WinsockNamespaceDefaults(DWORD major, DWORD minor) {
    if (major == 5 && minor == 0)
        return kWindows2000;
    if (major == 5 && (minor == 1 || minor == 2))
        return kWindowsXp;
    if (major == 6)
        return kWindowsVista;
    return kNoEntries;
}

int WinsockEntryNumber(const std::string& keyPath) {
    const std::string upper = UpperCase(keyPath);
    int found = 0;
    for (int n = 1; n <= 8; ++n) {
        char entry[128];
        std::snprintf(entry, sizeof entry,
                      "WINSOCK2\\PARAMETERS\\NAMESPACE_CATALOG5\\CATALOG_ENTRIES\\%012d", n);
        if (upper.find(entry) != std::string::npos)
            found = n;
    }
    return found;
}

bool RestoreWinsockNamespaceCatalog(HKEY root, const std::string& keyPath, DWORD platform,
                                    DWORD major, DWORD minor) {
    const int number = WinsockEntryNumber(keyPath);
    if (platform != VER_PLATFORM_WIN32_NT || number == 0)
        return false;
    const WinsockNamespaceEntry* entry = nullptr;
    for (const WinsockNamespaceEntry& candidate : WinsockNamespaceDefaults(major, minor))
        if (candidate.number == number)
            entry = &candidate;
    if (!entry)
        return false;
    // In the view the scan found the entry in.
    TRegistry reg(kKeyAllAccess | ScanRegistryView());
    reg.SetRootKey(root);
    if (!reg.OpenKey("\\" + keyPath, false, false))
        return false;
    try {
        reg.WriteString("LibraryPath", entry->libraryPath);
        if (entry->displayString) {
            reg.WriteString("DisplayString", entry->displayString);
            // The GUID's binary layout: Data1..Data3 little-endian, then the eight bytes.
            reg.WriteBinaryData("ProviderId", &entry->providerId, sizeof(GUID));
            reg.WriteInteger("SupportedNameSpace", static_cast<int>(entry->supportedNameSpace));
            reg.WriteInteger("Enabled", static_cast<int>(entry->enabled));
            reg.WriteInteger("Version", static_cast<int>(entry->version));
            reg.WriteInteger("StoresServiceClassInfo",
                             static_cast<int>(entry->storesServiceClassInfo));
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool RestoreWinsockNamespaceCatalog(HKEY root, const std::string& keyPath) {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    // exact-text: reads the version numbers only
    if (!GetVersionExA(&version))
        return false;
#pragma GCC diagnostic pop
    return RestoreWinsockNamespaceCatalog(root, keyPath, version.dwPlatformId,
                                          version.dwMajorVersion, version.dwMinorVersion);
}

} // namespace ku
