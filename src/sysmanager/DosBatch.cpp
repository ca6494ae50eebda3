// The texts of the DOS-mode restore: the GRUB4DOS menu and entry, Copyfile.bat, and the Run
// value of the automatic backup.
#include "sysmanager/DosRestore.h"

#include <memory>

#include "core/system/DeleteHelpers.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "sysmanager/BootFiles.h"
#include "sysmanager/RegstoreFunUnit.h"

namespace ku {

namespace {

// The choice key of menu item k: 1 to 9, then A, B ...
char ChoiceKey(size_t k) {
    return k < 10 ? static_cast<char>('0' + k) : static_cast<char>('A' + (k - 10));
}

// The path as the DOS batch reaches it: the drive replaced by "..".
std::string DosRelative(const std::string& path) {
    return path.size() >= 2 ? ".." + path.substr(2) : path;
}

// The registry object of the view rule, on the Run key.
bool OpenRunKey(TRegistry& registry, const DosRestorePlaces& places) {
    registry.SetRootKey(places.root);
    return registry.OpenKey(places.runKey, false, true);
}

std::unique_ptr<TRegistry> ViewRuleRegistry() {
    return RegistryView64 ? std::make_unique<TRegistry>(RegistryViewAccess())
                          : std::make_unique<TRegistry>();
}

} // namespace

const std::vector<std::string>& RestoreEntryLines() {
    static const std::vector<std::string> lines = {
        "title " + std::string(37, '_'), "clear", "title  Restore registry(DOS)",
        "map --mem  /dos.img (fd0)",     "map --hook", "chainloader (fd0)+1",
        "rootnoverify (fd0)"};
    return lines;
}

const std::vector<std::string>& NewMenuLines() {
    static const std::vector<std::string> lines = {
        "default 2", "timeout 240", "title" + std::string(20, ' ') + "*System Menu*", "clear", "#..",
        "", "title " + std::string(37, '_') + " ", "clear", "title  Restore registry(DOS)",
        "map --mem  /dos.img (fd0)", "map --hook", "chainloader (fd0)+1", "rootnoverify (fd0)",
        "title " + std::string(37, '_'), "clear", "title  Startup Windows NT/2003/XP(if exist)",
        "map (hd0) (hd0)", "map (hd0) (hd1)", "root (hd0,0)", "chainloader (hd0,0)+1", "boot",
        "rootnoverify (hd0,0)", "chainloader +1", "clear", "title  Startup Windows VISTA(if exist)",
        "find --set-root /bootmgr", "chainloader /bootmgr", "clear", "title " + std::string(37, '_'),
        "clear", "title  Startup form the second HD", "fallback 6", "root (hd0,1)",
        "chainloader +1", "title  Startup form CD-ROM", "cdrom --init", "map --hook",
        "chainloader (cd0)", "boot", "title " + std::string(37, '_'), "clear", "title  Restart",
        "reboot", "clear", "title  Turn off", "halt"};
    return lines;
}

std::vector<std::string> DosRestoreBatchLines(const std::vector<std::string>& backups,
                                              const std::string& backupDir,
                                              const std::string& systemDir) {
    const size_t n = backups.size();
    std::vector<std::string> lines = {"@ECHO OFF", "CLS", "color 0a", ":begin", "cls",
                                      "echo ----Restore Registry---"};
    for (size_t k = 1; k <= n; ++k)
        lines.push_back("echo " + std::to_string(k) + ".[" + FormatBackupTime(backups[k - 1]) + "]");
    lines.push_back("echo " + std::to_string(n + 1) + ".[     MS-DOS        ]");
    std::string keys;
    for (size_t k = 1; k <= n + 1; ++k)
        keys += ChoiceKey(k);
    lines.push_back("choice /c:" + keys);
    lines.push_back("if errorlevel " + std::to_string(n + 1) + " goto dos");
    for (size_t k = n; k >= 1; --k)
        lines.push_back("if errorlevel " + std::to_string(k) + " goto " + std::to_string(k));
    const std::string dir = ExcludeTrailingBackslash(backupDir);
    for (size_t k = 1; k <= n; ++k) {
        lines.push_back(":" + std::to_string(k));
        lines.push_back("copy " + DosRelative(ShortOrLongPath(dir + "\\" + backups[k - 1])) + "\\*.*   " +
                        DosRelative(systemDir) + "\\config  /Y");
        lines.push_back("goto exit");
    }
    for (const char* line : {":exit", "A:\\Restart.com", ":dos", "A:\\", "cls", "A:\\Command.com"})
        lines.push_back(line);
    return lines;
}

bool WriteDosRestoreBatch(const std::vector<std::string>& backups, const std::string& backupDir) {
    if (backups.empty())
        return false;
    const std::string path = ExcludeTrailingBackslash(backupDir) + "\\Copyfile.bat";
    return WriteWholeFile(path, JoinLines(DosRestoreBatchLines(backups, backupDir, GetSystemDir())));
}

bool SetAutoBackupOnBoot(bool enable, const DosRestorePlaces& places) {
    auto registry = ViewRuleRegistry();
    if (!OpenRunKey(*registry, places))
        return false;
    if (!enable)
        return !registry->ValueExists(kAutoRunValue) ||
               DeleteRegistryValue(places.root, places.runKey, kAutoRunValue);
    try {
        // Quoted: a program folder with blanks would otherwise start something else.
        registry->WriteString(kAutoRunValue, "\"" + places.Exe() + "\"  -AUTORUN");
        return true;
    } catch (const ERegistryException&) {
        return false;
    }
}

bool IsAutoBackupOnBoot(const DosRestorePlaces& places) {
    auto registry = ViewRuleRegistry();
    if (!OpenRunKey(*registry, places) || !registry->ValueExists(kAutoRunValue))
        return false;
    std::string data;
    try {
        data = registry->ReadString(kAutoRunValue);
    } catch (const ERegistryException&) {
    }
    if (ContainsText(data, places.Exe()))
        return true;
    // It starts another copy of the program (or is not a text at all).
    DeleteRegistryValue(places.root, places.runKey, kAutoRunValue);
    return false;
}

} // namespace ku
