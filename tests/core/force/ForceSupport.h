// Test helpers of the force-mode and wizard tests: item texts, the Installer's view, folders
// and files planted below a scratch folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"
#include "support/Sandbox.h"

namespace kutest {

using Lines = std::vector<std::string>;

// The view Windows Installer keeps its machine-wide keys in: the native one.
inline REGSAM InstallerView() { return RunningUnderWow64() ? KEY_WOW64_64KEY : 0; }

// "type|root|key|value|file" of every item, in order.
Lines ItemTexts(const ku::TUninstallerContents& list);
std::string ItemText(const char* type, const std::string& root, const std::string& key,
                     const std::string& value = "", const std::string& file = "");
bool HasItem(const ku::TUninstallerContents& list, const std::string& text);
// Items whose text contains the part.
int CountItems(const ku::TUninstallerContents& list, const std::string& part);

// A unique name for fixed-place keys of one test run.
std::string UniqueTag(const std::string& prefix);

// The folder `relative` below `dir`, made with its parents; its full path.
std::string MakeFolder(const ScratchDir& dir, const std::string& relative);
// A file of one byte at `relative` below `dir`, its folders made; its full path.
std::string PlantFile(const ScratchDir& dir, const std::string& relative);

} // namespace kutest
