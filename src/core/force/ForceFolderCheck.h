// The force mode's folder check: folders the delete guard refuses as the force folder
// (IsRefusedForceFolder) are emptied, and the drivers and libraries of known security products
// are offered as further program files.
#pragma once

#include <string>
#include <vector>

namespace ku {

// One security product: the words that name it and its files below the system folder.
struct SecurityProduct {
    std::vector<const char*> words;
    std::vector<const char*> files; // each begins with "\", joined to the system folder
    bool checkCCube = false;        // also points the user at its data folder
};
const std::vector<SecurityProduct>& SecurityProductTable();
// Every file name of the table relative to the system folder ("drivers\klif.sys"), each once:
// the only files below Windows that a force removal lists and deletes, by these names.
const std::vector<std::string>& SecurityProductFileNames();

// True when an entry below Folder (recursively) is a file whose own name contains Name,
// ignoring case. Names of folders met on the way do not count, so a word that only occurs in
// the name of some subfolder does not claim the program.
bool FolderContainsName(const std::string& name, const std::string& folder);

// What the folder edit's change handler does with a new text.
struct ForceFolderCheck {
    bool refused = false;                 // the edit is emptied
    std::vector<std::string> programFiles; // to add to the program-file list
    std::string anotherDirectory;          // non-empty: tell the user about this folder
};

// Checks the edit text: blank text does nothing; a refused folder empties the edit; otherwise
// every product whose word occurs in the folder's own name or in a file name inside it offers
// its existing files below SystemDir.
ForceFolderCheck CheckForceFolder(const std::string& text, const std::string& systemDir);

} // namespace ku
