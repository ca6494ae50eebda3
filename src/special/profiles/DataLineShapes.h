// What a registry line of a profile data file may reach: the few shapes an application's own
// keys and values have. The data files are no part of the program (they are unpacked beside it
// and anyone may edit them), so a line of any other shape deletes nothing, whatever the delete
// guard would allow; Windows owns far more than any list of its keys could name.
#pragma once

#include <windows.h>

namespace ku {

struct RegistryDeleteLine;

// The shapes, read from the path the line names (any case; HKEY_CLASSES_ROOT as the machine's
// SOFTWARE\Classes, a user of HKEY_USERS as HKEY_CURRENT_USER, the 32-bit view's Wow6432Node
// and numbered control sets as the plain key).
enum class DataLineShape {
    None,             // no shape of an application's: the line deletes nothing
    VendorKey,        // SOFTWARE\<vendor> and below, of the machine or a user; the vendor is
                      // none of the names Windows keeps below SOFTWARE (Microsoft, Classes,
                      // Policies, Clients, Wow6432Node ...)
    UninstallEntry,   // one entry below SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall,
                      // with what it holds
    RunValue,         // a value of SOFTWARE\Microsoft\Windows\CurrentVersion\Run that starts a
                      // program outside the Windows and component folders (DataLineMayDelete)
    MicrosoftProduct, // the keys of the few products below SOFTWARE\Microsoft that the shipped
                      // sections name ("Windows CE Services", "Pegasus", Internet Explorer 8's
                      // "Setup\8.0", "Main\ie8" and "IE8RunOnce"), with what they hold
    ProgramClass,     // a program's class directly below the classes root ("Photoshop.Image.7"),
                      // with what it holds; never an extension nor one of the root's own lists
                      // (CLSID, Interface, TypeLib, MIME, PROTOCOLS ...)
    ServiceKey,       // a service's own key, <control set>\Services\<name>, with what it holds
};
DataLineShape ShapeOfDataLine(const RegistryDeleteLine& line);

// True when the line may delete what it names in that registry view (0: the registry class's
// own rule): it has a shape, and a Run value starts a program, named by a drive path (for
// rundll32.exe: the library it runs), that lies outside the Windows and component folders.
// The delete guard still has the last word.
bool DataLineMayDelete(const RegistryDeleteLine& line, REGSAM view);

} // namespace ku
