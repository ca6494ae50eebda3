// The file leftover scan of the uninstall wizard: a depth-first walk of a drive or folder that
// lists every file whose path names the program.
#pragma once

#include <string>
#include <vector>

#include "core/removal/WizardState.h"

namespace ku {

// Walks Folder (a drive such as "C:" is a folder too) until ScanState is ScanSkipFiles and
// lists matching files as type "3" items. It never enters junctions or symbolic links, the
// users' own folders (documents, desktop, pictures, music, videos, downloads of every profile)
// nor the browser cache, recent and favourites folders of "Documents and Settings", nor the
// folders of state.OtherPrograms. Nothing on disk changes. Counter is handed on untouched.
void ScanFolderFiles(TWizardState& state, const std::string& folder, int counter,
                     IScanProgress* progress, TUninstallerContents& contents,
                     const std::string& word);

// Lists FilePath when it contains the word (also in the short 8.3 forms); an executable's
// lower-case name is added to RunningExeList for the removal. Appends at most one item.
void MatchLeftoverFile(TWizardState& state, const std::string& extra, const std::string& filePath,
                       TUninstallerContents& contents, const std::string& word);

// Upper-case full paths of the users' own folders of every profile of this machine.
std::vector<std::string> PersonalFolders();

} // namespace ku
