// The open and save dialogs behind one seam.
#include "core/ui/FileDialogs.h"

#include <commdlg.h>

#include <mutex>
#include <vector>

namespace ku {

namespace {

std::mutex hookLock;
FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}

// "a|b|c|d" as the double-zero-terminated list the dialog wants.
std::vector<char> FilterList(const std::string& filter) {
    std::vector<char> list(filter.begin(), filter.end());
    for (char& c : list)
        if (c == '|')
            c = '\0';
    list.push_back('\0');
    list.push_back('\0');
    return list;
}

} // namespace

void SetFileDialogHook(FileDialogHook hook) {
    std::lock_guard<std::mutex> guard(hookLock);
    Hook() = std::move(hook);
}

bool ShowFileDialog(FileDialogCall& call) {
    FileDialogHook hook;
    {
        std::lock_guard<std::mutex> guard(hookLock);
        hook = Hook();
    }
    if (hook)
        return hook(call);
    std::vector<char> filter = FilterList(call.filter);
    char path[MAX_PATH] = {};
    call.fileName.copy(path, MAX_PATH - 1);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = call.owner;
    dialog.lpstrFilter = filter.data();
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = call.title.empty() ? nullptr : call.title.c_str();
    dialog.lpstrDefExt = call.defaultExt.empty() ? nullptr : call.defaultExt.c_str();
    dialog.lpstrInitialDir = call.initialDir.empty() ? nullptr : call.initialDir.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                   (call.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = call.save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen)
        return false;
    call.fileName = path;
    return true;
}

} // namespace ku
