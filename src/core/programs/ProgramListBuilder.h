// Building the installed-program list from the registry: the Uninstall entries of the chosen
// registry view, the Windows Installer products, and the clean-up of a deleted product.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/programs/UninstallItemUnit.h"
#include "core/system/Reg32vs64.h"

namespace ku {

// Where the list is read from. The defaults are the machine's own keys; tests point them at
// keys of their own. Paths start with "\" (absolute below root).
struct ProgramListPlaces {
    HKEY root = HKEY_LOCAL_MACHINE;
    std::string uninstallKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    std::string userDataProducts =
        "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products";
    std::string userDataComponents =
        "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components";
    std::string classesProducts = "\\SOFTWARE\\Classes\\Installer\\Products";
};

// A registry object for the list: the 64-bit view's access when RegistryView64 is on.
// Every open of the Uninstall key passes ListViewFlag(): the other-view flag only while the
// 64-bit view is chosen, so that the "32Bit" choice really reads the 32-bit view under WOW64.
bool ListViewFlag();
// The Windows Installer's own keys are one set for the machine, kept in the native view: they
// are always opened with the other-view flag, whichever view the list shows.
bool InstallerViewFlag();

// Empties list and fills it from the Uninstall key in the order of the three passes: keys
// without "{" first, then the braced product keys that no other entry names in its
// "ProductCodes". showWindowsUpdate keeps the "OperatingSystem" children.
void BuildProgramList(TUninstallContents& list, bool showWindowsUpdate,
                      const ProgramListPlaces& places = ProgramListPlaces());

// Appends one record from the key registry has open.
void AddProgramEntry(TUninstallContents& list, TRegistry& registry, const std::string& subKeyName,
                     const std::string& uninstallString, const std::string& displayName,
                     const std::string& registryPath);

// Appends the strings of the REG_MULTI_SZ value of the open key to strings. Throws
// std::runtime_error when the value cannot be queried and ERegistryException when it is not
// a string list.
void ReadMultiSzValue(const std::string& valueName, std::vector<std::string>& strings,
                      TRegistry& registry);

// Appends the Windows Installer products whose names are not among captions (the names the
// list view's rows stand for), first those of the system's UserData key, then those of the
// Classes key. With no captions nothing is appended. Returns the indexes of the appended
// records; their names are added to captions. A product whose code, name or command the code
// page cannot hold is appended under its shown form, said so, and marked Inexact.
std::vector<int> AddInstallerProducts(TUninstallContents& list, std::vector<std::string>& captions,
                                      const ProgramListPlaces& places = ProgramListPlaces());

// Removes productKey from the Installer's component registrations: a component whose only
// client it is goes whole, a shared one loses only the product's value.
void DeleteInstallerComponentEntries(const std::string& productKey,
                                     const ProgramListPlaces& places = ProgramListPlaces());

// True when the record was read from the Installer's UserData products.
bool IsInstallerRecord(const UninstallItemUnit::TContent& record);

// Deletes the registry entry behind record (its Uninstall key, or its Installer product key and
// component registrations) through the guarded delete. False when nothing was deleted, and
// always for an Inexact record.
bool DeleteProgramEntry(const UninstallItemUnit::TContent& record,
                        const ProgramListPlaces& places = ProgramListPlaces());

} // namespace ku
