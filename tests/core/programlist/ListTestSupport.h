// Support of the program-list tests: Uninstall entries written straight into the registry of
// either view, and places that point the list at a scratch key.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/ProgramListBuilder.h"
#include "support/Sandbox.h"

namespace listtest {

// Writes a value of any type, creating the key, in view (KEY_WOW64_64KEY or KEY_WOW64_32KEY).
void SetRaw(HKEY root, const std::string& path, const std::string& name, DWORD type,
            const std::string& data, REGSAM view);
void SetText(HKEY root, const std::string& path, const std::string& name, const std::string& text,
             REGSAM view);
void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value,
              REGSAM view);
void SetMultiSz(HKEY root, const std::string& path, const std::string& name,
                const std::vector<std::string>& strings, REGSAM view);
bool RawValueExists(HKEY root, const std::string& path, const std::string& name, REGSAM view);

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

// Runs commandLine inside the sandbox and waits up to timeoutMs; the exit code, or -1.
int RunAndWait(const std::string& commandLine, DWORD timeoutMs = 120000);

// Sets the process-wide registry view for a test and puts the old one back.
class ViewScope {
  public:
    explicit ViewScope(bool view64);
    ~ViewScope();

  private:
    bool old_;
};

} // namespace listtest
