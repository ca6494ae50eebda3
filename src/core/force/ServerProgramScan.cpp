// Running-program scan: finds services, drivers, processes and Run entries of a folder.
#include "core/force/ServerProgramScan.h"

#include <windows.h>

#include <algorithm>

#include "core/force/ForcePathWord.h"
#include "core/force/WinsockCatalog.h"
#include "core/removal/WizardState.h"
#include "core/scan/RegValueList.h"
#include "core/system/Handles.h"
#include "core/system/Launcher.h"
#include "core/system/ProcessUnit.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/ServiceUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

const char kServicesPath[] = "SYSTEM\\CurrentControlSet\\Services";
const char kRunPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

const char* const kSystemProcesses[] = {
    "[System Process]", "System",       "spoolsv.exe", "svchost.exe", "delphi32.exe",
    "nvsvc32.exe",      "lsass.exe",    "services.exe", "winlogon.exe", "csrss.exe",
    "smss.exe",         "inetinfo.exe", "wininit.exe", "dwm.exe",     "explorer.exe"};

void AddOnce(std::vector<std::string>& list, const std::string& text) {
    if (std::none_of(list.begin(), list.end(),
                     [&](const std::string& entry) { return SameText(entry, text); }))
        list.push_back(text);
}

// Values left alone for names or texts the code page cannot hold, said so when they name the
// folder.
void NoteInexactValues(const ForcePathWord& word, const std::string& keyName,
                       const std::vector<RegValueEntry>& inexact,
                       std::vector<std::string>* leftAlone) {
    for (const RegValueEntry& value : inexact)
        if (leftAlone && IsStringValue(value) && word.Matches(ValueText(value)))
            NoteLeftAlone(*leftAlone, keyName + "\\" + value.name);
}

TContent& NewItem(TUninstallerContents& list, const std::string& root, const std::string& key,
                  const char* type) {
    return AddScanItem(list, root, key, type);
}

void ScanServices(const ForcePathWord& word, TUninstallerContents& list, ForceRemovalPlan& plan,
                  std::vector<std::string>* leftAlone) {
    UniqueKey services;
    if (!OpenScanKey(HKEY_LOCAL_MACHINE, kServicesPath, services.put()))
        return;
    const std::string windows = GetWindowsDir();
    for (const std::string& service : ReadSubkeyNames(services.get())) {
        UniqueKey key;
        if (RegOpenKeyExA(services.get(), service.c_str(), 0, KEY_READ | ScanReadView(),
                          key.put()) != ERROR_SUCCESS)
            continue;
        std::vector<RegValueEntry> inexact;
        for (const RegValueEntry& value : ReadValues(key.get(), &inexact)) {
            if (!IsStringValue(value))
                continue;
            const std::string path = Trim(CleanServiceImagePath(ValueText(value), windows));
            if (!word.Matches(path))
                continue;
            if (ContainsText(ExtractFileName(path), ".sys"))
                AddOnce(plan.driversToDelete, service);
            else
                AddOnce(plan.servicesToStop, service);
            // A service named after its program (".EXE" in the name) ends that program too:
            // the process at the service's own program path, never a same-named one elsewhere.
            const std::string program = CommandLineToFilePath(path);
            if (ContainsText(service, ".exe") && word.Matches(program))
                AddOnce(plan.processesToEnd, program);
            NewItem(list, "HKEY_LOCAL_MACHINE", std::string(kServicesPath) + "\\" + service,
                    kItemRegistryKey);
        }
        NoteInexactValues(word,
                          std::string("HKEY_LOCAL_MACHINE\\") + kServicesPath + "\\" + service,
                          inexact, leftAlone);
    }
}

void ScanModules(const ForcePathWord& word, const std::vector<std::string>& modules,
                 ForceRemovalPlan& plan) {
    for (const std::string& line : modules) {
        const size_t open = line.find('[');
        const size_t close = line.rfind(']');
        if (open == std::string::npos || close == std::string::npos || close < open)
            continue;
        const std::string module = line.substr(0, open);
        if (!word.Matches(module))
            continue;
        const std::string process = Trim(line.substr(open + 1, close - open - 1));
        if (process.empty())
            continue;
        // The list pairs the modules of every process of one file name with each such
        // process: an executable module is only its own process's image.
        if (EndsText(module, ".exe") && !SameText(module, process))
            continue;
        if (SameText(ExtractFileName(process), "explorer.exe")) {
            plan.restartShell = true;
            AddOnce(plan.processesToEnd, process);
        } else if (!IsSystemProcessName(ExtractFileName(process))) {
            AddOnce(plan.processesToEnd, process);
        }
    }
}

void ScanRunValues(HKEY root, const ForcePathWord& word, TUninstallerContents& list,
                   ForceRemovalPlan& plan, std::vector<std::string>* leftAlone) {
    UniqueKey key;
    if (!OpenScanKey(root, kRunPath, key.put()))
        return;
    std::vector<RegValueEntry> inexact;
    for (const RegValueEntry& value : ReadValues(key.get(), &inexact)) {
        if (!IsStringValue(value) || !word.Matches(ValueText(value)))
            continue;
        const std::string program = CommandLineToFilePath(ValueText(value));
        if (word.Matches(program))
            AddOnce(plan.processesToEnd, program);
        NewItem(list, RootKeyToName(root), kRunPath, kItemRegistryValue).ValueName = value.name;
    }
    NoteInexactValues(word, RootKeyToName(root) + "\\" + kRunPath, inexact, leftAlone);
}

bool StartsUpper(const std::string& upper, const char* prefix) {
    return upper.compare(0, strlen(prefix), prefix) == 0;
}

} // namespace

std::string CleanServiceImagePath(const std::string& text, const std::string& windowsDir) {
    std::string path = text;
    if (path.compare(0, 4, "\\??\\") == 0)
        path.erase(0, 4);
    if (!path.empty() && path[0] == '"') {
        path.erase(0, 1);
        const size_t quote = path.find('"');
        if (quote != std::string::npos)
            path.erase(quote);
    }
    const std::string upper = UpperCase(path);
    if (StartsUpper(upper, "SYSTEM32"))
        path = windowsDir + "\\" + path;
    else if (StartsUpper(upper, "%SYSTEMROOT%\\"))
        path = windowsDir + "\\" + path.substr(13);
    else if (StartsUpper(upper, "\\SYSTEMROOT\\"))
        path = windowsDir + "\\" + path.substr(12);
    // An unquoted system program with arguments ("...\system32\svchost.exe -k netsvcs").
    const size_t blank = path.find(' ', 1);
    if (UpperCase(path).find("SYSTEM32", 1) != std::string::npos && blank != std::string::npos)
        path = Trim(path.substr(0, blank));
    return path;
}

bool IsSystemProcessName(const std::string& fileName) {
    return std::any_of(std::begin(kSystemProcesses), std::end(kSystemProcesses),
                       [&](const char* name) { return SameText(fileName, name); });
}

void ScanServerProgram(const std::string& folder, TUninstallerContents& list,
                       const std::vector<std::string>& processPaths,
                       const std::vector<std::string>& processModules, ForceRemovalPlan& plan,
                       std::vector<std::string>* leftAlone) {
    const ForcePathWord word(folder);
    if (!word.Usable())
        return;
    ScanServices(word, list, plan, leftAlone);
    for (const std::string& process : processPaths)
        if (word.Matches(process) && !IsSystemProcessName(ExtractFileName(process)))
            AddOnce(plan.processesToEnd, process);
    ScanModules(word, processModules, plan);
    ScanRunValues(HKEY_LOCAL_MACHINE, word, list, plan, leftAlone);
    ScanRunValues(HKEY_CURRENT_USER, word, list, plan, leftAlone);
}

void ScanServerProgram(const std::string& folder, TUninstallerContents& list,
                       const std::vector<std::string>& processModules, ForceRemovalPlan& plan,
                       std::vector<std::string>* leftAlone) {
    std::vector<std::string> paths;
    ListProcessPaths(&paths);
    ScanServerProgram(folder, list, paths, processModules, plan, leftAlone);
}

void ExecuteForceRemovalPlan(const ForceRemovalPlan& plan) {
    EnableTokenPrivilege("SeDebugPrivilege");
    for (const std::string& service : plan.servicesToStop)
        StopServiceByName(service);
    for (const std::string& driver : plan.driversToDelete)
        StopAndDeleteService(driver);
    KillProcessesByImagePath(plan.processesToEnd);
    if (plan.restartShell)
        RunWinExec("EXPLORER.EXE", SW_HIDE);
    for (const std::string& entry : plan.winsockEntries)
        RestoreWinsockNamespaceCatalog(HKEY_LOCAL_MACHINE, entry);
    if (plan.resetWinsock) {
        RunWinExec("netsh winsock reset", SW_HIDE);
        RunWinExec("netsh firewall reset", SW_HIDE);
        Sleep(100);
    }
}

} // namespace ku
