// Support of the program-list tests.
#include "ListTestSupport.h"

#include <stdexcept>

#include "core/SharedState.h"

namespace listtest {

void SetRaw(HKEY root, const std::string& path, const std::string& name, DWORD type,
            const std::string& data, REGSAM view) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + path);
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

void SetText(HKEY root, const std::string& path, const std::string& name, const std::string& text,
             REGSAM view) {
    SetRaw(root, path, name, REG_SZ, std::string(text.c_str(), text.size() + 1), view);
}

void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value,
              REGSAM view) {
    SetRaw(root, path, name, REG_DWORD, std::string(reinterpret_cast<char*>(&value), 4), view);
}

void SetMultiSz(HKEY root, const std::string& path, const std::string& name,
                const std::vector<std::string>& strings, REGSAM view) {
    std::string data;
    for (const std::string& s : strings)
        data += s + std::string(1, '\0');
    data += std::string(1, '\0');
    SetRaw(root, path, name, REG_MULTI_SZ, data, view);
}

bool RawValueExists(HKEY root, const std::string& path, const std::string& name, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    const bool found =
        RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

ku::ProgramListPlaces ScratchPlaces(const kutest::ScratchKey& scratch) {
    ku::ProgramListPlaces places;
    places.root = scratch.Root();
    places.uninstallKey = "\\" + scratch.Sub("Uninstall");
    places.userDataProducts = "\\" + scratch.Sub("Installer\\UserData\\S-1-5-18\\Products");
    places.userDataComponents = "\\" + scratch.Sub("Installer\\UserData\\S-1-5-18\\Components");
    places.classesProducts = "\\" + scratch.Sub("Classes\\Installer\\Products");
    return places;
}

std::string Raw(const std::string& placesPath) {
    return !placesPath.empty() && placesPath[0] == '\\' ? placesPath.substr(1) : placesPath;
}

void AddEntry(const ku::ProgramListPlaces& places, const std::string& key, const std::string& name,
              REGSAM view, const std::string& uninstall) {
    const std::string path = Raw(places.uninstallKey) + "\\" + key;
    SetText(places.root, path, "DisplayName", name, view);
    SetText(places.root, path, "UninstallString", uninstall, view);
}

std::vector<std::string> Names(const ku::TUninstallContents& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i)
        names.push_back(list.GetItem(i).Content.DisplayName);
    return names;
}

const ku::UninstallItemUnit::TContent* Find(const ku::TUninstallContents& list,
                                            const std::string& name) {
    for (int i = 0; i < list.Count(); ++i)
        if (list.GetItem(i).Content.DisplayName == name)
            return &list.GetItem(i).Content;
    return nullptr;
}

int RunAndWait(const std::string& commandLine, DWORD timeoutMs) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

ViewScope::ViewScope(bool view64) : old_(ku::RegistryView64) {
    ku::RegistryView64 = view64;
}
ViewScope::~ViewScope() {
    ku::RegistryView64 = old_;
}

} // namespace listtest
