// Support of the program-list tests: Uninstall entries written straight into the registry of
// either view, and places that point the list at a scratch key.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/programs/ProgramListBuilder.h"
#include "core/system/SharedState.h"
#include "support/Sandbox.h"

namespace listtest {

// The list's keys below scratch (HKEY_LOCAL_MACHINE).
ku::ProgramListPlaces ScratchPlaces(const kutest::ScratchKey& scratch);

// Path without the leading "\" of a places key, for the raw helpers.
std::string Raw(const std::string& placesPath);

// A plain Uninstall entry: DisplayName and UninstallString, in view.
void AddEntry(const ku::ProgramListPlaces& places, const std::string& key, const std::string& name,
              REGSAM view, const std::string& uninstall = "unins.exe");

// The display names of the list, in order.
std::vector<std::string> Names(const ku::TUninstallContents& list);
// The record named name, or nullptr.
const ku::UninstallItemUnit::TContent* Find(const ku::TUninstallContents& list,
                                            const std::string& name);

// Sets the process-wide registry view for a test and puts the old one back.
class ViewScope {
  public:
    explicit ViewScope(bool view64) : old_(ku::RegistryView64) { ku::RegistryView64 = view64; }
    ~ViewScope() { ku::RegistryView64 = old_; }

  private:
    bool old_;
};

} // namespace listtest
