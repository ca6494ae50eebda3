// What belongs to the other installed programs: their Uninstall entries in every store (the
// machine's 64-bit and 32-bit views and the user's) and their install folders.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ku {

// Where an Uninstall entry really lives. On 64-bit Windows a 64-bit and a 32-bit edition of
// one program may both be registered under the same key name, one in each machine store.
enum class EntryStore { None, Machine64, Machine32, User };

// The store of the machine's entries seen in a registry view (0, KEY_WOW64_64KEY or
// KEY_WOW64_32KEY). 32-bit Windows has one store only, reported as Machine64.
EntryStore MachineStore(REGSAM view);

// The Uninstall entry a key lies in, read from its path as seen in `view`: its store and,
// through entryName, its key name. None when the key lies in no entry (the Uninstall key
// itself included). "SOFTWARE\Wow6432Node\...\Uninstall" is the 32-bit store in any view.
EntryStore UninstallEntryStore(HKEY root, const std::string& path, REGSAM view,
                               std::string* entryName);

// The form the Windows Installer keeps a product code in below its own keys: the braced code
// "{12345678-9ABC-DEF0-1234-56789ABCDEF0}" becomes "87654321CBA90FED21436587A9CBED0F". Empty for
// a text that is no braced product code.
std::string PackedProductCode(const std::string& bracedCode);

// The program a wizard run is for: its entry's key name, in the machine store of the view
// the program list showed it in. A Windows Installer product listed by its packed code owns
// the entry of its braced code in every machine store.
struct OwnEntry {
    std::string name;
    EntryStore store = EntryStore::None;
    bool Is(EntryStore entryStore, const std::string& entryName) const;
};

// The entries a run takes as its program's own: the wizard's one entry, or the entries a
// known application's profile names (in every store) and those of its Installer products.
class OwnEntries {
  public:
    OwnEntries() = default;
    OwnEntries(const OwnEntry& entry) : entry_(entry) {} // NOLINT: one entry is a set of one
    void AddName(const std::string& entryName);
    // A packed product code: the entry of its braced form, in every store.
    void AddProductCode(const std::string& packedCode);
    bool Holds(EntryStore store, const std::string& entryName) const;

  private:
    OwnEntry entry_;
    std::vector<std::string> names_;        // in every store
    std::vector<std::string> productCodes_; // packed, upper case
};

// The install folders of every installed program but the run's own: each entry's
// InstallLocation, the folder of its uninstaller (the program of its UninstallString) and the
// folder of its DisplayIcon, with the environment's variables expanded (as the program's own
// edition reads them). A Windows Installer product's entry without an InstallLocation takes
// its folder from the Installer's own records: the product's InstallLocation there, or else
// the folder its components' files have in common (each file's folder when that is none of
// its own). A folder the force mode refuses (a drive root, the Windows folder, Program Files
// itself ...) is nobody's own and is left out. An empty set (before it was read) holds nothing.
class OtherInstalledPrograms {
  public:
    // `pump` (may be empty) is called between the keys read, to let window messages through.
    static OtherInstalledPrograms Read(const OwnEntries& own,
                                       const std::function<void()>& pump = nullptr);

    // True when the upper-case long path is one of the folders or lies below one.
    bool HoldsUpperPath(const std::string& upperPath) const;
    // The same for any path (made long and absolute first), and for the place it leads to
    // through links: a link to another program's folder is that folder. A path reached through
    // a link whose place the code page cannot name counts as held, since it cannot be compared.
    bool HoldsPath(const std::string& path) const;
    // True when the upper-case text names a path in one of the folders (a value's data such as
    // "C:\PROGRAM FILES (X86)\APP\APP.EXE" /TRAY).
    bool NamedInUpperText(const std::string& upperText) const;
    bool Empty() const { return folders_.empty(); }

  private:
    struct Reader;
    bool AddFolder(const std::string& folder); // false when the folder is nobody's own

    std::vector<std::string> folders_; // upper case, long form, no trailing "\", sorted
};

} // namespace ku
