// Default entries of the Winsock namespace catalog per Windows version, and their restore.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ku {

struct WinsockNamespaceEntry {
    int number;               // 1 to 8: the catalog entry "00000000000n"
    const char* libraryPath;  // always written
    const char* displayString; // null: only the library path is written
    GUID providerId;
    DWORD supportedNameSpace, enabled, version, storesServiceClassInfo;
};

// The default entries of Windows 5.0, 5.1/5.2 and 6.x; empty for any other version.
const std::vector<WinsockNamespaceEntry>& WinsockNamespaceDefaults(DWORD major, DWORD minor);

// The catalog entry a key path names (the highest of "...\Catalog_Entries\000000000001" to
// "...000000000008" it contains), or 0.
int WinsockEntryNumber(const std::string& keyPath);

// Writes the default values of the entry KeyPath names for the given Windows version into
// Root\KeyPath; true when something was written. Only on the NT platform.
bool RestoreWinsockNamespaceCatalog(HKEY root, const std::string& keyPath, DWORD platform,
                                    DWORD major, DWORD minor);
// The same for the running Windows.
bool RestoreWinsockNamespaceCatalog(HKEY root, const std::string& keyPath);

} // namespace ku
