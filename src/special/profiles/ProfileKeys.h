// Where a profile's registry keys are looked for and deleted. A profile names one product's
// keys exactly. On 64-bit Windows a 32-bit product keeps its machine-wide keys in the 32-bit
// view (below Wow6432Node) and a 64-bit one in the 64-bit view, whatever view the user chose
// for the program list, so both views are searched, the 64-bit one first, and each key or
// value is deleted in the view it was found in.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/removal/Removal.h"
#include "core/system/Reg32vs64.h"
#include "special/profiles/ProfileTypes.h"

namespace ku {

// KEY_WOW64_64KEY, then KEY_WOW64_32KEY on 64-bit Windows; elsewhere the one view 0, which
// keeps the registry class's own rule.
std::vector<REGSAM> ProfileKeyViews();

// Opens keyPath below root for reading: in a named view as it stands, in view 0 the way the
// source's open mode says.
bool OpenProfileKey(TRegistry& reg, HKEY root, const std::string& keyPath, OpenMode open,
                    REGSAM view);

// A string value read in one view; empty when the key does not open or the value is missing
// or of another type. A text the code page cannot hold is empty too, and noted as left alone
// in progress when given.
std::string ReadProfileString(HKEY root, const std::string& keyPath, const std::string& name,
                              OpenMode open, REGSAM view,
                              const LeftoverScanProgress* progress = nullptr);
// The same from the first view whose value is not blank.
std::string ReadProfileStringInAnyView(HKEY root, const std::string& keyPath,
                                       const std::string& name);

// Deletes the key with its subkeys, or the value, in every view it is found in. A report,
// when given, counts each one found and lists each one that is still there afterwards. With
// `mayDelete`, a view whose answer is false is left alone (and counted as staying when there).
using ViewFilter = std::function<bool(REGSAM)>;
void DeleteProfileKey(HKEY root, const std::string& keyPath, RemovalReport* report = nullptr,
                      const ViewFilter& mayDelete = nullptr);
void DeleteProfileValue(HKEY root, const std::string& keyPath, const std::string& valueName,
                        RemovalReport* report = nullptr, const ViewFilter& mayDelete = nullptr);
// The same for the key of one virtual network adapter (HKLM, keyPath ending in its four-digit
// instance) through the guard's adapter road: gone only when its "ComponentId" holds
// componentWord.
void DeleteProfileAdapterKey(const std::string& keyPath, const std::string& componentWord,
                             RemovalReport* report = nullptr);

} // namespace ku
