// Installing and removing the DOS-mode restore boot entry. What an installation adds is noted
// in the registry, so that removal takes back exactly that and leaves later edits alone.
#include "sysmanager/DosRestore.h"

#include <algorithm>

#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/FileSystem.h"
#include "core/system/Launcher.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"
#include "sysmanager/BootFiles.h"

namespace ku {

namespace {

const char* const kRecordValue = "DosRestore";
const char* const kEntryMark = "Restore registry(DOS)";
const DWORD kUnpackWaitMs = 120000;
const DWORD kProtect = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN;

// Letters of the record: what the installation did.
enum : char {
    kBootLine = 'B',   // appended the loader line to boot.ini
    kBootBreak = 'b',  // ... after a line break of its own
    kMenuNew = 'M',    // wrote menu.lst where there was none
    kMenuReplaced = 'R', // wrote menu.lst over one kept in menu.bakku
    kMenuEntry = 'A',  // appended the entry to menu.lst
    kMenuBreak = 'a',  // ... after a line break of its own
    kLoaderCopied = 'G',
    kImageCopied = 'D',
};

bool Has(const std::string& flags, char flag) {
    return flags.find(flag) != std::string::npos;
}

std::string ReadRecord(const DosRestorePlaces& places) {
    TRegistry registry(kKeyAllAccess);
    registry.SetRootKey(places.root);
    if (!registry.OpenKeyReadOnly(places.recordKey) || !registry.ValueExists(kRecordValue))
        return std::string();
    try {
        return registry.ReadString(kRecordValue);
    } catch (const ERegistryException&) {
        return std::string();
    }
}

void WriteRecord(const DosRestorePlaces& places, const std::string& flags) {
    TRegistry registry(kKeyAllAccess);
    registry.SetRootKey(places.root);
    if (!registry.OpenKey(places.recordKey, true))
        return;
    try {
        registry.WriteString(kRecordValue, flags);
    } catch (const ERegistryException&) {
    }
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The text with what was appended taken off again; when later edits moved it, every line
// that holds mark goes (block: the lines from two before the first mark to four after it).
std::string TakeBack(const std::string& text, const std::string& appended, const std::string& mark,
                     bool block) {
    if (!appended.empty() && EndsWith(text, appended))
        return text.substr(0, text.size() - appended.size());
    std::vector<std::string> lines = SplitKeepingEnds(text);
    auto holdsMark = [&mark](const std::string& line) { return ContainsText(line, mark); };
    if (!block) {
        lines.erase(std::remove_if(lines.begin(), lines.end(), holdsMark), lines.end());
        return JoinKeepingEnds(lines);
    }
    const auto found = std::find_if(lines.begin(), lines.end(), holdsMark);
    if (found != lines.end()) {
        const size_t i = static_cast<size_t>(found - lines.begin());
        lines.erase(lines.begin() + (i >= 2 ? i - 2 : 0),
                    lines.begin() + std::min(lines.size(), i + 5));
    }
    return JoinKeepingEnds(lines);
}

std::string BootTail(const std::string& flags) {
    return Has(flags, kBootLine) ? (Has(flags, kBootBreak) ? "\r\n" : "") + std::string(kLoaderLine) + "\r\n"
                                 : std::string();
}

std::string MenuTail(const std::string& flags) {
    return (Has(flags, kMenuBreak) ? "\r\n" : "") + JoinLines(RestoreEntryLines());
}

// Takes out of the text file what the installation put in; the error text, or empty.
std::string EditFile(const std::string& path, const std::string& appended, const std::string& mark,
                     bool block) {
    std::string text;
    if (!ReadWholeFile(path, text))
        return FileExists(path) ? path + " cannot be read." : std::string();
    const std::string edited = TakeBack(text, appended, mark, block);
    if (edited != text && !WriteWholeFile(path, edited))
        return path + " cannot be written.";
    return std::string();
}

// Takes back what the record says the installation did; the first error text, or empty.
std::string UndoInstall(const DosRestorePlaces& places, const std::string& flags, bool recorded) {
    std::string error;
    auto note = [&error](const std::string& e) {
        if (error.empty())
            error = e;
    };
    if (!recorded || Has(flags, kBootLine))
        note(EditFile(places.Boot("boot.ini"), BootTail(flags), kLoaderLine, false));
    const std::string menu = places.Boot("menu.lst");
    if (Has(flags, kMenuNew)) {
        if (FileExists(menu) && !DeleteSingleFile(menu))
            note(menu + " cannot be deleted.");
    } else if (Has(flags, kMenuReplaced)) {
        if (!CopyFileA(places.Boot("menu.bakku").c_str(), menu.c_str(), FALSE))
            note(menu + " cannot be restored from menu.bakku.");
    } else if (!recorded || Has(flags, kMenuEntry)) {
        note(EditFile(menu, recorded ? MenuTail(flags) : std::string(), kEntryMark, true));
    }
    // Only files this installation put there.
    for (const auto& file : {std::make_pair(kLoaderCopied, "GRLDR"), std::make_pair(kImageCopied, "dos.img")})
        if (Has(flags, file.first) && FileExists(places.Boot(file.second)) &&
            !DeleteSingleFile(places.Boot(file.second)))
            note(places.Boot(file.second) + " cannot be deleted.");
    return error;
}

std::string AppendLine(const std::string& path, const std::string& text, const std::string& added,
                       std::string& flags, char flag, char breakFlag) {
    const bool needsBreak = !text.empty() && text.back() != '\n';
    if (!WriteWholeFile(path, text + (needsBreak ? "\r\n" : "") + added))
        return path + " cannot be written.";
    flags += flag;
    if (needsBreak)
        flags += breakFlag;
    return std::string();
}

// The installation's file work; flags collect what was done. The error text, or empty.
std::string InstallSteps(const DosRestorePlaces& places, std::string& flags) {
    const std::string boot = places.Boot("boot.ini");
    const std::string menu = places.Boot("menu.lst");
    if (!CopyFileA(boot.c_str(), places.Boot("boot.bakku").c_str(), FALSE))
        return boot + " cannot be copied to boot.bakku.";
    const bool hadMenu = FileExists(menu);
    if (hadMenu && !CopyFileA(menu.c_str(), places.Boot("menu.bakku").c_str(), FALSE))
        return menu + " cannot be copied to menu.bakku.";
    for (const auto& file : {std::make_pair(kLoaderCopied, "GRLDR"), std::make_pair(kImageCopied, "dos.img")}) {
        if (FileExists(places.Boot(file.second)))
            continue;
        if (!CopyFileA((places.ProgramFolder() + file.second).c_str(),
                       places.Boot(file.second).c_str(), TRUE))
            return places.Boot(file.second) + " cannot be copied from the program folder.";
        flags += file.first;
    }
    std::string bootText;
    if (!ReadWholeFile(boot, bootText))
        return boot + " cannot be read.";
    const bool loaderBefore = ContainsText(bootText, "C:\\GRLDR");
    if (!loaderBefore) {
        const std::string e = AppendLine(boot, bootText, std::string(kLoaderLine) + "\r\n", flags,
                                         kBootLine, kBootBreak);
        if (!e.empty())
            return e;
    }
    std::string menuText;
    if (loaderBefore && hadMenu && ReadWholeFile(menu, menuText))
        return AppendLine(menu, menuText, JoinLines(RestoreEntryLines()), flags, kMenuEntry,
                          kMenuBreak);
    if (!WriteWholeFile(menu, JoinLines(NewMenuLines())))
        return menu + " cannot be written.";
    flags += hadMenu ? kMenuReplaced : kMenuNew;
    return std::string();
}

DosResult Failed(const std::string& error) {
    DosResult result;
    result.error = error;
    return result;
}

} // namespace

std::string DosRestorePlaces::ProgramFolder() const {
    return IncludeTrailingBackslash(programDir.empty() ? ProgramDir() : programDir);
}

std::string DosRestorePlaces::Exe() const {
    if (!exePath.empty())
        return exePath;
    std::string path;
    return ExactModulePath(nullptr, path) == ERROR_SUCCESS ? path : std::string();
}

void SetBootFileAttributes(bool protect, bool withCopies, const DosRestorePlaces& places) {
    std::vector<std::string> names = {"boot.ini", "GRLDR", "menu.lst", "dos.img"};
    if (withCopies)
        names.insert(names.end(), {"boot.bakku", "menu.bakku"});
    for (const std::string& name : names) {
        const std::string path = places.Boot(name);
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        SetFileAttributesA(path.c_str(), protect ? attributes | kProtect : attributes & ~kProtect);
    }
}

bool DosRestoreFitsWindows(DWORD major, DWORD minor, bool wow64) {
    return major != 6 || (minor == 0 && !wow64);
}

bool UnpackDosImage(const std::string& programDir) {
    const std::string folder = IncludeTrailingBackslash(programDir);
    if (!FileExists(folder + "UnRAR.exe") || !FileExists(folder + "dos.rar"))
        return FileExists(folder + "dos.img");
    LaunchRequest request;
    request.kind = LaunchRequest::Kind::Process;
    // The archive is named relative to the working folder, which is where it unpacks to.
    request.commandLine = "\"" + folder + "UnRAR.exe\" e dos.rar";
    request.directory = folder;
    request.show = SW_HIDE;
    request.waitForExit = true;
    request.waitMilliseconds = kUnpackWaitMs;
    Launch(request);
    return FileExists(folder + "dos.img");
}

bool IsDosRestoreInstalled(const DosRestorePlaces& places) {
    std::string menu;
    if (!ReadWholeFile(places.Boot("menu.lst"), menu))
        return false;
    const bool installed = ContainsText(menu, kEntryMark) && ContainsText(menu, "dos.img (fd0)");
    if (installed) {
        for (const char* name : {"GRLDR", "dos.img"}) {
            const std::string target = places.Boot(name);
            if (!FileExists(target) &&
                CopyFileA((places.ProgramFolder() + name).c_str(), target.c_str(), TRUE))
                SetFileAttributesA(target.c_str(), kProtect);
        }
    }
    return installed;
}

DosResult InstallDosRestore(const DosRestorePlaces& places) {
    if (IsDosRestoreInstalled(places))
        return DosResult{true, ""};
    const std::string program = places.ProgramFolder();
    if (!FileExists(program + "dos.rar") && !FileExists(program + "GRLDR"))
        return Failed("The program folder holds neither GRLDR nor dos.rar.");
    if (!FileExists(places.Boot("boot.ini")))
        return Failed("There is no " + places.Boot("boot.ini") +
                      " to start the restore menu from.");
    if (!FileExists(program + "dos.img"))
        UnpackDosImage(program);
    for (const char* name : {"GRLDR", "dos.img"})
        if (!FileExists(places.Boot(name)) && !FileExists(program + name))
            return Failed(std::string(name) + " is missing in the program folder.");
    SetBootFileAttributes(false, true, places);
    std::string flags;
    const std::string error = InstallSteps(places, flags);
    if (!error.empty())
        UndoInstall(places, flags, true);
    WriteRecord(places, error.empty() ? flags : std::string());
    SetBootFileAttributes(true, true, places);
    return error.empty() ? DosResult{true, ""} : Failed(error);
}

DosResult UninstallDosRestore(const DosRestorePlaces& places) {
    if (!IsDosRestoreInstalled(places))
        return DosResult{true, ""};
    SetBootFileAttributes(false, true, places);
    const std::string flags = ReadRecord(places);
    std::string error = UndoInstall(places, flags, !flags.empty());
    WriteRecord(places, std::string());
    SetBootFileAttributes(true, true, places);
    if (error.empty() && IsDosRestoreInstalled(places))
        error = "The restore entry is still in " + places.Boot("menu.lst") + ".";
    return error.empty() ? DosResult{true, ""} : Failed(error);
}

} // namespace ku
