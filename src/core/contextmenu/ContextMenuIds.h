// Names of the context-menu extension that the extension, the options dialog and tests share.
#pragma once

namespace ku {

inline const char* const kContextMenuDll = "Contextmenu.dll";
inline const char* const kContextMenuClsid = "{5D3B2A6E-9C41-4F7B-8E1D-2A6C0B9F4E17}";
// The two handler keys under HKEY_CLASSES_ROOT: every file, and folders.
inline const char* const kFileHandlerKey = "*\\shellex\\ContextMenuHandlers\\Uninstall";
inline const char* const kFolderHandlerKey = "Directory\\shellex\\ContextMenuHandlers\\Uninstall";
inline const char* const kContextMenuText = "Uninstall";
// The program the entry starts, found beside the extension.
inline const char* const kProgramFileName = "KU.exe";

} // namespace ku
