// Registry scans of the force mode: the folder walk with its service, Winsock and SOFTWARE
// rules, and the walk for each program file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/force/ForcePathWord.h"
#include "core/force/ServerProgramScan.h"
#include "core/scan/RegistryScan.h"

namespace ku {

// The wizard lists a force matcher reads and fills.
struct ForceScanLists {
    std::vector<std::string>& otherServerList;
    const std::vector<std::string>& serverFileList;
    std::vector<std::string>& remnantKeyList;
    ForceRemovalPlan& plan;
    // Values the code page cannot hold that name the folder: said to be left alone.
    std::vector<std::string>* leftAlone = nullptr;
};

// Tests one key and its values for the folder (long and short form, at path boundaries).
void MatchRegistryKeyForce(const VisitedKey& key, TUninstallerContents& contents,
                           const ForcePathWord& folder, ForceScanLists& lists);
void ScanRegistryForceWalk(TWizardState& state, HKEY root, const std::string& path,
                           IScanProgress* progress, TUninstallerContents& contents,
                           const std::string& folder, ForceRemovalPlan& plan);

// The two words of a program-file walk: the uninstaller's command line, then the file.
struct ProgramScanWords {
    ForcePathWord command, program;
    ProgramScanWords(const std::string& programFile, const std::string& commandWord)
        : command(commandWord), program(programFile) {}
    bool Usable() const { return command.Usable() || program.Usable(); }
    bool MatchesUpper(const std::string& upper) const {
        return command.MatchesUpper(upper) || program.MatchesUpper(upper);
    }
};

// Tests one key for a program file: key path, value names and string data.
void MatchRegistryKeyByProgram(const VisitedKey& key, TUninstallerContents& contents,
                               const ProgramScanWords& words);
void ScanRegistryByProgramWalk(TWizardState& state, HKEY root, const std::string& path,
                               IScanProgress* progress, TUninstallerContents& contents,
                               const std::string& programFile, const std::string& commandWord);
// The walks for several program files in one registry pass. The items are appended program
// after program, exactly as separate walks in that order would append them.
void ScanRegistryByProgramsWalk(TWizardState& state, HKEY root, const std::string& path,
                                IScanProgress* progress, TUninstallerContents& contents,
                                const std::vector<std::string>& programFiles,
                                const std::string& commandWord);

} // namespace ku
