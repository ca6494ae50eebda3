// File, protocol and COM classes in the registry: which class a key belongs to, the server
// file the class runs, and which of its keys carry that server.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ku {

// Where a key lies inside a class of HKEY_CLASSES_ROOT, of SOFTWARE\Classes of the machine or
// a user, or of a user's "_Classes" hive: a COM class (CLSID\{...}) or a file or protocol
// class (txtfile, http, FooApp.Document ...). Extensions (".txt"), interfaces, type libraries
// and the Installer's keys are no classes.
struct ClassPlace {
    std::string classPath;         // the class key's path below the root; empty: no class
    std::string classesPath;       // the Classes key holding it ("" for HKEY_CLASSES_ROOT)
    bool comClass = false;         // below CLSID
    std::vector<std::string> rest; // the names below the class key
};
ClassPlace FindClassPlace(HKEY root, const std::string& keyPath);

// The command or server the class runs: the default value of InprocServer32, LocalServer32
// or InprocHandler32 of a COM class; of shell\open\command of a file class, or else the
// server of the COM class its "CLSID" names. Empty when there is none. Read in `view`.
std::string ReadClassServer(HKEY root, const ClassPlace& place, REGSAM view);

// The file a server text runs: the quoted part, else the text up to the first ".exe", ".dll",
// ".ocx" or ".com" that ends a name, else the whole text; variables expanded.
std::string ClassServerFile(const std::string& serverText);

// True when the server text names only files of Windows: every drive path in it (after
// expanding variables) lies below the Windows folder or one of Windows' component folders
// (IsWindowsComponentPath: "Internet Explorer", "Common Files\System" ...), or it names no
// drive path at all (a bare name is found on the system path).
bool IsWindowsServer(const std::string& serverText);

// True when the key, or with `value` one of its values, is Windows' own in a classes root, in
// any spelling (HKEY_CLASSES_ROOT, SOFTWARE\Classes of the machine in either view or of a
// user, a user's "_Classes" hive): a part of a class whose server IsWindowsServer
// (IsClassServerPart), an extension naming such a class with its own values and keys (an entry
// a program added to its OpenWithProgids or OpenWithList is not one), or an interface or type
// library, with all below it, that leads to no file of an application (its proxy's server, its
// type library's files). Read in `view`.
bool IsWindowsClassesEntry(HKEY root, const std::string& keyPath, bool value, REGSAM view);

// True for the keys that make the class what it is: the class key, its server, icon, type
// and handler keys, and its standard verbs. A verb or shell handler of its own that a
// program added (shell\FooApp, shellex\ContextMenuHandlers\FooApp) is not one of them.
bool IsClassServerPart(const std::vector<std::string>& rest);

} // namespace ku
