// What the special-uninstall wizard does for each application key, as data: the profile that
// finds the application's folders, the profile that removes it, and the steps of its scan and
// of its removal, run in order by one small interpreter (SpecialUninstall).
#pragma once

#include <string>
#include <vector>

#include "special/profiles/ProfileTypes.h"

namespace ku {

enum class StepOp {
    ScanProfile,        // S: the profile's folder finder
    PumpMessages,       // M: let pending window messages through
    SearchCode,         // C(code): registry leftovers of one Installer product code
    SearchCodes,        // X: registry leftovers of the key's product codes
    SearchLocations,    // L: files of those products' install folders
    FindProductsByName, // I(names): Installer products whose name or contact holds a name
    KillByName,         // K(name): end the processes whose file name holds the name
    KillAllUser,        // KA: end every user process
    StopProcesses,      // P: the profile's services and processes
    Wait,               // W(ms)
    RunProfile,         // U: the profile's run procedure
    RemoveRegistry,     // R: delete the registry leftovers found
    RemoveFiles,        // F: delete the file leftovers found (asks how)
    RenameProducts,     // N: rewrite the names of the products found by name
    DeleteWinsc32Ini,   // E1
    ScheduleLinkAdvisor // E2
};

struct DispatchStep {
    StepOp op;
    std::string text; // code, names or process name
    int ms = 0;
};

struct DispatchRow {
    std::string key;
    const ProfileRow* scanProfile;
    const ProfileRow* removalProfile;
    std::vector<DispatchStep> scan;
    std::vector<DispatchStep> removal;
};

// Every key that has a profile, in list order ("Tweak_XPPro4" has none).
const std::vector<DispatchRow>& DispatchRows();
// The row of a key (compared exactly), or nullptr.
const DispatchRow* FindDispatchRow(const std::string& key);
// The Installer product codes the X and L steps of a key use (empty for other keys).
const std::vector<std::string>& ProductCodesOf(const std::string& key);

} // namespace ku
