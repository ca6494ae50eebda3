// Whole-machine snapshots for uninstall checks by difference: every registry key and value of
// HKLM and HKCU (64-bit view, which holds the 32-bit one under Wow6432Node) and every file and
// folder of drive C:, minus the places Wine and the tests themselves change meanwhile.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace kutest {

// "HKLM\path\" for a key, "HKLM\path\\name" -> "type:data" for a value.
using RegistrySnapshot = std::map<std::string, std::string>;
RegistrySnapshot TakeRegistrySnapshot();

// Upper-case full paths; folders end with "\".
using DriveSnapshot = std::set<std::string>;
DriveSnapshot TakeDriveSnapshot(const std::string& root = "C:");

struct Difference {
    std::vector<std::string> removed; // in before, not in after (or changed)
    std::vector<std::string> added;   // in after, not in before (or changed)
};
Difference Compare(const RegistrySnapshot& before, const RegistrySnapshot& after);
Difference Compare(const DriveSnapshot& before, const DriveSnapshot& after);

// The entry names of registry difference lines, without their data.
std::vector<std::string> Names(const std::vector<std::string>& lines);

// Paths and entry names upper-cased into a set, as the snapshots spell them.
std::set<std::string> UpperNames(const std::vector<std::string>& lines);

} // namespace kutest
