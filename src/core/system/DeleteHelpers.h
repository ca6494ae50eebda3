// The one place every registry and file delete of the program goes through: it refuses hive
// roots, shared system keys, drive roots and system folders, and never follows links.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ku {

// Registry. A key is protected when its path is empty, names a hive root or a single key
// directly below one, has a part of dots alone, is (or holds) one of the shared system keys
// such as SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall or the classes root's own lists
// (MIME, PROTOCOLS, Component Categories ..., in every spelling), or lies in one of Windows' own
// trees (time zones, logon, cryptography, the kept subkeys of Windows NT\CurrentVersion such
// as SvcHost, AeDebug and Image File Execution Options ...), in either registry view. All of
// HKEY_CURRENT_CONFIG is Windows', and so is all of HKLM\SYSTEM but the own key of a service
// that is not Windows' own (IsProtectedService), "<control set>\Services\<name>", and its
// "<control set>\Enum\Root\LEGACY_<name>". Scanners use this to list a value of such a key instead
// of the key.
bool IsProtectedRegistryKey(HKEY root, const std::string& keyPath);
// A value is protected when its key is not deletable at all (empty path, unknown root), when
// it is the default value of a protected key, when it lies in one of Windows' own trees (all
// of HKEY_CURRENT_CONFIG and of HKLM\SYSTEM but a deletable service's keys among them), or is
// a value the system cannot start without (the session manager's "BootExecute" ...).
bool IsProtectedRegistryValue(HKEY root, const std::string& keyPath, const std::string& valueName);
// The deleters also refuse, in every spelling of the classes root, the keys and values that
// make one of Windows' own classes (a file, protocol or COM class whose server is a file of
// Windows or of its component folders) what it is, the extensions that name such a class, and
// the interfaces and type libraries that lead to no file of an application; see ClassKeys.h.

// Windows' own services, and the empty name: the service functions never stop or delete them,
// and their keys are protected. A service is Windows' own when it is one Windows cannot run
// without (RpcSs, EventLog, Tcpip ...), when its program ("ImagePath") is svchost.exe or an
// .exe in the Windows folder or one of Windows' component folders (Spooler's spoolsv.exe,
// MSIServer's msiexec.exe, "Windows Media Player\wmpnetwk.exe"), when it is a driver whose
// file's version information names Microsoft as its maker or that Wine itself put in place
// (kbdclass, winebus), or when its key is there with neither a type nor a program: no service
// at all (the Winsock catalogs "WinSock2" and "Winsock"). A driver of a vendor (a .sys file of
// its own maker in the drivers folder) is not.
bool IsProtectedService(const std::string& name);

// The key path as the deleters use it: outer blanks and empty names ("\\", leading "\") dropped.
std::string CleanKeyPath(const std::string& keyPath);

// The key of one network adapter a known product installed (a virtual adapter), the one road
// into Windows' device classes: "SYSTEM\CurrentControlSet\Control\Class\{4D36E972-E325-11CE-
// BFC1-08002bE10318}\" + Instance, Instance four digits, taken only when the key's
// "ComponentId" contains ComponentWord (not blank). View as DeleteRegistryKeyInView.
bool DeleteNetworkAdapterKey(const std::string& instance, const std::string& componentWord,
                             REGSAM view);

// Deletes the key with its subkeys; false when refused, missing or not completely deleted.
// A tree that is or holds a registry link is refused: the delete would reach through it.
// The key is looked up in the view of RegistryView64, with the other view's flag added when
// useWowView (a caller that listed the key in the 32-bit view passes false).
bool DeleteRegistryKey(HKEY root, const std::string& keyPath, bool useWowView = true);
// Deletes one value; false when refused, when the key or value is missing, or on failure.
bool DeleteRegistryValue(HKEY root, const std::string& keyPath, const std::string& valueName,
                         bool useWowView = true);
// The same in one registry view (KEY_WOW64_64KEY or KEY_WOW64_32KEY): a scan that found the
// item in that view deletes it there. View 0 is DeleteRegistryKey's own rule.
bool DeleteRegistryKeyInView(HKEY root, const std::string& keyPath, REGSAM view);
bool DeleteRegistryValueInView(HKEY root, const std::string& keyPath,
                               const std::string& valueName, REGSAM view);

// Files and folders. A path is protected when it is not an absolute local path ("X:\..."),
// when it is a drive root, when it lies at or below the Windows folder, or when it is (or
// holds) a program-files, profile or shell folder of this machine.
bool IsProtectedPath(const std::string& path);
// A file is protected besides when it lies directly in one of those folders: a file there is
// shared, or the user's own. Not so in the program's own folder and in the Start menu and
// startup folders, whose files (shortcuts) each belong to one program.
bool IsProtectedFile(const std::string& path);
// What the file guard needs of the machine (its system, profile and shell folders, each with
// where its links lead) is collected once per process, which takes a tenth of a second and
// more on a busy machine. The first call starts the collection on a worker thread; true once
// it is done. A scan on the window thread checks files only then, letting messages through while it
// waits; any other caller simply waits for the collection at its first check.
bool FileGuardReady();
// IsProtectedFile for the entries of one folder as FindFirstFile lists them: what the guard
// needs of the folder (its long form and where its links lead) is worked out once, not once
// per file. An entry that is a link itself, or whose name the system would read differently
// (a trailing blank or "."), is asked on its own.
class FolderFileGuard {
public:
    explicit FolderFileGuard(const std::string& folder);
    // The same answer as IsProtectedFile(folder + "\\" + name) for an entry of the folder.
    bool IsProtectedEntry(const std::string& name, DWORD attributes) const;

private:
    std::string folder_;
    // The folder's long form and the place it leads to, upper case, each ending in "\\";
    // empty when they cannot be worked out.
    std::vector<std::string> upperForms_;
};
// True for the Windows folder and everything below it (System32, SysWOW64 ...), in any case,
// also when reached through a link.
bool IsBelowWindowsFolder(const std::string& path);
// The canonical form the guard compares (absolute, long names, no trailing "\"), or the
// empty string when the path is not a plain absolute local path.
std::string CanonicalDeletePath(const std::string& path);

// True when Folder is refused as the force folder: a drive root, anything at or below the
// Windows folder, or a folder the delete guard protects (both Program Files folders, Common
// Files, ProgramData, Users, the profile roots, shell folders, and every folder above one of
// them), anything at or below a folder of Windows' own components in either Program Files
// folder ("Common Files\System", "Internet Explorer", "Windows NT", "Microsoft.NET",
// "Reference Assemblies", "MSBuild" ...), and anything at or below Windows' data folders: the
// "Microsoft" folder of every profile's AppData (Roaming, Local, LocalLow) and of ProgramData.
// The profiles' folder finders refuse the same folders. The path is compared
// in its long form, without trailing separators, with "/" read as "\" and ignoring case. Of a
// folder that does not exist the existing part is read in its long form, the rest as written.
bool IsRefusedForceFolder(const std::string& folder);

// True when the file or folder lies at or below the Windows folder or one of Windows' own
// component or data folders (those IsRefusedForceFolder names): what lies there is Windows'
// own, whatever registry entry names it. A path that is not a drive path is none of them.
bool IsWindowsComponentPath(const std::string& path);

// True when a program file picked by the user (or handed over on the command line) is
// refused: the folder it lies in is refused as the force folder (System32\svchost.exe would
// list every service it hosts).
bool IsRefusedForceProgramFile(const std::string& path);

// Links. True when the file or folder is reached as itself: the place the system opens for it
// (GetFinalPathNameByHandle, a link of Windows opened as the link) is its folder's place
// followed by its own name. Not so for a link that leads elsewhere when opened: under Wine a
// link to a file has no reparse attribute and is opened, and deleted by its name, as the file
// it points to. A hard link is its own name (deleting it leaves the file's other names).
// False when the path is missing or cannot be resolved. Every file and folder delete below
// asks this first and leaves what is not itself.
bool LeadsToItself(const std::string& path);

// Deletes one file (not a folder) unless IsProtectedFile or it is a link that leads elsewhere
// (LeadsToItself; the same holds for every delete below). When the system refuses, the
// companion library is asked as well. True only when the file is gone.
bool DeleteSingleFile(const std::string& path);
// A file of a known product that the program names itself in a fixed table of its code (never
// a scanned path, never a name read from a data file: those take DeleteRedistributableFile): a
// plain relative name below the Windows or system folder, such as "drivers\foo.sys", each of its
// parts a plain file name (IsPlainFileName). Folders, links (the file or a folder on its
// way), absolute names and names that leave the folder are refused. True only when the file
// is gone.
bool DeleteNamedSystemFile(const std::string& folder, const std::string& name);
// The data files' road to the Windows and system folders: only what the DirectX
// redistributable puts there. Its numbered libraries, each family from its first to its last
// member ("d3dx9_24" to "d3dx9_43", "d3dx10_33" to "_43", "d3dx11_42" and "_43",
// "d3dcompiler_33" to "_43", "xinput1_1" to "1_3", "x3daudio1_0" to "1_7", "xactengine2_0" to
// "2_10", "xactengine3_0" to "3_7", "xaudio2_0" to "2_7", "xapofx1_0" to "1_5", each a ".dll")
// and its log "DirectX.log"; any case. The later members of the same families
// ("xinput1_4.dll", "xaudio2_9.dll", "d3dcompiler_47.dll" ...) ship with Windows itself.
bool IsRedistributableFileName(const std::string& name);
// DeleteNamedSystemFile for a name read from a data file: the file's own name must be one of
// IsRedistributableFileName, with at most one plain subfolder before it ("Logs\DirectX.log").
// Windows' own files (kernel32.dll, win.ini, explorer.exe ...) never take this road.
bool DeleteRedistributableFile(const std::string& folder, const std::string& name);
// One plain file or folder name as it stands in its folder: not empty, no separator ("\",
// "/"), no wildcard ("*", "?"), no stream (":"), no other character Windows refuses in a
// name, not "." or ".." (nor dots and blanks alone), no trailing dot or blank (Windows drops
// them and reaches another file), and no device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9,
// CONIN$, CONOUT$, also with an extension).
bool IsPlainFileName(const std::string& name);
// True when a part of the path is "." or ".." (or dots and blanks alone, which Windows reads
// the same way): the path leads to another folder than the one it spells, such as
// "C:\Program Files\App\..\Other Vendor".
bool PathClimbs(const std::string& path);
// A folder of a known product that the program names itself directly below the Windows
// folder (Internet Explorer 8's "ie8"; never a name read from a data file or the registry):
// its path when the name is a plain name and the folder is there, is no link and neither is
// nor holds one of Windows' own folders; else empty. Scanners may list such a folder.
std::string NamedWindowsFolder(const std::string& name);
// Deletes that folder with everything in it, links inside removed as links, never entered.
// True only when the folder existed and is gone.
bool DeleteNamedWindowsFolder(const std::string& name);
// True when the folder is, or holds, one of the folders the guard protects for themselves
// (the Windows and system folders and their own subfolders, program-files, profile and shell
// folders); unlike IsProtectedPath, a folder merely lying below the Windows folder is not.
bool HoldsProtectedFolder(const std::string& folder);
// Lets Windows delete the file at the next start (it is in use now); refuses what
// DeleteSingleFile refuses.
bool DeleteFileAtRestart(const std::string& path);
// Moves a file or folder to the Recycle Bin without any window of the shell; refuses a
// protected file or folder. True when the shell reports success.
bool RecyclePath(const std::string& path);
// Deletes a folder with everything in it. Junctions and symbolic links met inside are
// removed as links, never entered; a link given as Path is removed itself. A link that leads
// elsewhere when opened (LeadsToItself) is left where it is, and so is the folder holding it.
// True only when the folder existed and is gone.
bool DeleteDirectoryTree(const std::string& path);

} // namespace ku
