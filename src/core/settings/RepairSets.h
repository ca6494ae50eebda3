// The six system repair sets of the options dialog: fixed command lines started in order.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace ku {

constexpr int kRepairSetCount = 6;

// One step: a command line with its show mode, or a pause when the command line is empty.
struct RepairStep {
    std::string commandLine;
    int show = SW_SHOWNORMAL;
    DWORD pauseMs = 0;
};

// Caption of set i (0-based), as its check box shows it.
const char* RepairSetCaption(int index);
// The line the restart notice gets for set i.
const char* RepairSetResultLine(int index);

// The steps of set i with S the system folder and W the Windows folder.
std::vector<RepairStep> RepairSetSteps(int index, const std::string& systemDir,
                                       const std::string& windowsDir);

using RepairSleep = std::function<void(DWORD ms)>;

// Starts the ticked sets in order through the launcher (WinExec, never waited for; the pauses
// are the only waits) and returns the restart notice text: the first set's line starts it,
// every later line is preceded by a carriage return.
std::string RunRepairSets(const std::array<bool, kRepairSetCount>& ticked,
                          const std::string& systemDir, const std::string& windowsDir,
                          const RepairSleep& sleep = nullptr);

} // namespace ku
