// The profiles' own steps: the virtual adapter walk, the Recycle Bin names, file finders,
// script-engine registration and the two clean-up procedures of the dispatch.
#include "special/profiles/OwnSteps.h"

#include <cstdio>

#include "core/system/DeleteHelpers.h"
#include "core/system/FileSystem.h"
#include "core/system/Launcher.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"
#include "special/profiles/ProfileData.h"
#include "special/profiles/ProfileEngine.h"
#include "special/profiles/ProfileKeys.h"

namespace ku {

namespace {

const char kNetworkClass[] =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\";
const char kRecycleBin[] = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";
const char kEtrustKey[] = "SOFTWARE\\ComputerAssociates\\eTrust Suite Personal";
const char kLinkAdvisor[] = "\\CA Website Inspector\\WebsiteInspector\\LinkAdvisor\\"
                            "CIDLinkAdvisor.dll";

void AddFileItem(TUninstallerContents& contents, const std::string& path) {
    TContent& item = contents.GetItem(contents.AddItem()).Content;
    item.FilePath = path;
    item.ItemType = kItemFile;
}

// regsvr32 with a library of the system folder, quoted in case that folder holds a blank.
void RegisterSystemLibrary(const std::string& library) {
    RunWinExec("regsvr32 \"" + GetSystemDir() + "\\" + library + "\"  /s", SW_SHOWNORMAL);
}

} // namespace

void RemoveVirtualNetworkAdapters(const ProfileRow&, const ProfileSite& site) {
    for (int index = 0; index <= 50; ++index) {
        char name[8];
        std::snprintf(name, sizeof(name), "%04d", index);
        const std::string key = std::string(kNetworkClass) + name;
        if (ContainsText(ReadProfileStringInAnyView(HKEY_LOCAL_MACHINE, key, "ComponentId"),
                         "vmnetadapter"))
            DeleteProfileAdapterKey(key, "vmnetadapter", site.report);
    }
}

void WriteRegistryString(HKEY root, const std::string& keyPath, const std::string& valueName,
                         const std::string& value) {
    TRegistry reg(RegistryViewAccess());
    reg.SetRootKey(root);
    try {
        if (reg.OpenKey("\\" + keyPath, true, true))
            reg.WriteString(valueName, value);
    } catch (const std::exception&) {
    }
}

void RestoreRecycleBinNames(const ProfileRow&, const ProfileSite&) {
    WriteRegistryString(HKEY_CLASSES_ROOT, kRecycleBin, "LocalizedString",
                        "@%SystemRoot%\\system32\\SHELL32.dll,-8964");
    WriteRegistryString(HKEY_CLASSES_ROOT, kRecycleBin, "", "Recycle Bin");
}

void ListFoundFiles(const ProfileRow&, const ProfileSite& site) {
    if (!site.fileList || !site.contents)
        return;
    for (int i = 0; i < site.contents->Count(); ++i)
        site.fileList->push_back(site.contents->GetItem(i).Content.FilePath);
}

void FindSectionFiles(const ProfileRow& row, const ProfileSite& site) {
    const ProfileSection section =
        ReadProfileSection(row.mark, DataFileName(row.file), site.dataFolder, site.owner);
    for (const std::string& file : section.Files)
        if (FileExists(file))
            AddFileItem(*site.contents, file);
}

void FindTweakUIFile(const ProfileRow&, const ProfileSite& site) {
    const std::string path = GetSystemDir() + "\\TweakUI.exe";
    site.progress.Caption(path);
    if (FileExists(path))
        AddFileItem(*site.contents, path);
}

void RegisterScriptEngines(const ProfileRow&, const ProfileSite&) {
    RegisterSystemLibrary("jscript.dll");
    RegisterSystemLibrary("vbscript.dll");
}

void RegisterScriptComponents(const ProfileRow&, const ProfileSite&) {
    RegisterSystemLibrary("msxml3.dll");
    RegisterSystemLibrary("jscript.dll");
    RegisterSystemLibrary("vbscript.dll");
}

void DeleteWinsc32Ini() { DeleteFileInWindowsDir("winsc32.ini"); }

void ScheduleLinkAdvisorDeletion() {
    // Without the suite's folder the path would start at the drive root: nothing to schedule.
    const std::string folder = RemoveTrailingBackslash(
        Trim(ReadProfileStringInAnyView(HKEY_LOCAL_MACHINE, kEtrustKey, "Path")));
    if (folder.empty())
        return;
    DeleteFileAtRestart(folder + kLinkAdvisor);
}

} // namespace ku
