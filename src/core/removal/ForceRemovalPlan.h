// What a force uninstall does to the machine beyond deleting its listed items.
#pragma once

#include <string>
#include <vector>

namespace ku {

// Everything the force scans want done to the machine beyond deleting the listed items. It is
// carried out only by the removal step, after the user confirmed.
struct ForceRemovalPlan {
    std::vector<std::string> servicesToStop;   // services whose image lies in the folder
    std::vector<std::string> driversToDelete;  // kernel drivers: stopped and deleted
    std::vector<std::string> processesToEnd;   // full image paths, compared exactly
    bool restartShell = false;                 // Explorer had a module of the program loaded
    std::vector<std::string> winsockEntries;   // HKLM key paths of namespace entries to restore
    bool resetWinsock = false;                 // "netsh winsock reset", "netsh firewall reset"

    bool Empty() const {
        return servicesToStop.empty() && driversToDelete.empty() && processesToEnd.empty() &&
               !restartShell && winsockEntries.empty() && !resetWinsock;
    }
};

} // namespace ku
