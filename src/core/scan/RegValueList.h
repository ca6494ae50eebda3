// Plain reads of one open registry key for the leftover scans: its subkey names and its
// values with their data, each read bounded by the size the registry reports.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"

namespace ku {

struct RegValueEntry {
    std::string name;
    DWORD type = REG_NONE;
    std::string data; // the bytes as returned, never more than the registry reported
};

// The view the scans read keys in (the walker's) and the marker items carry in Extra for it.
REGSAM ScanReadView();
std::string ScanViewMarker();
// Appends a registry leftover (root by name, key path, type "1"/"2"/"3") marked with the scan
// view, so the removal deletes it in the view it was found in.
TContent& AddScanItem(TUninstallerContents& contents, const std::string& rootName,
                      const std::string& keyPath, const char* type);

// The view the Windows Installer keeps its machine-wide keys in (UserData, Folders, the
// Installer's classes): always the native one, the 64-bit view under WOW64, whichever view the
// user chose for the scan. Items read there carry its marker.
REGSAM InstallerReadView();
bool OpenInstallerKey(HKEY root, const std::string& path, HKEY* key);
std::string ReadInstallerString(const std::string& path, const std::string& name);
TContent& AddInstallerItem(TUninstallerContents& contents, const std::string& rootName,
                           const std::string& keyPath, const char* type);

// Opens Root\Path for reading in the scan view; an empty path opens the root itself.
bool OpenScanKey(HKEY root, const std::string& path, HKEY* key);

std::vector<std::string> ReadSubkeyNames(HKEY key);
// Every value the code page holds exactly; `inexact` (may be null) gets the others, their name
// and text as shown forms for saying they were left alone, never for acting on.
std::vector<RegValueEntry> ReadValues(HKEY key, std::vector<RegValueEntry>* inexact = nullptr);
// The same when the number of values was read already.
std::vector<RegValueEntry> ReadCountedValues(HKEY key, DWORD count,
                                             std::vector<RegValueEntry>* inexact = nullptr);
// The text of a string value: the data up to its first zero byte.
std::string ValueText(const RegValueEntry& value);
bool IsStringValue(const RegValueEntry& value); // REG_SZ or REG_EXPAND_SZ

// Reads one string value of Root\Path ("" for the default value); empty when missing.
std::string ReadScanString(HKEY root, const std::string& path, const std::string& name);
bool ScanKeyExists(HKEY root, const std::string& path);

} // namespace ku
