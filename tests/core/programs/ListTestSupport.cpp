// Support of the program-list tests.
#include "ListTestSupport.h"

namespace listtest {

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
    kutest::RawSetString(places.root, path, "DisplayName", name, view);
    kutest::RawSetString(places.root, path, "UninstallString", uninstall, view);
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

} // namespace listtest
