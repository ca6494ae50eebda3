// The open and save dialogs behind one seam.
#include "core/ui/FileDialogs.h"

#include <commdlg.h>

#include <mutex>
#include <vector>

#include "core/system/Dialogs.h"
#include "core/system/ExactNames.h"
#include "core/ui/Window.h"

namespace ku {

namespace {

// Room for a long path: the dialog answers FNERR_BUFFERTOOSMALL rather than cut one.
constexpr size_t kPathChars = 32768;

std::mutex hookLock;
FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}

// "a|b|c|d" as the double-zero-terminated list the dialog wants.
std::wstring FilterList(const std::string& filter) {
    std::wstring list = WideFromAnsi(filter);
    for (wchar_t& c : list)
        if (c == L'|')
            c = L'\0';
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

const wchar_t* OrNull(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}

// The dialog by its wide names: the "A" dialog would answer the best-fit form of a name the
// code page cannot hold, which names another file. False when cancelled.
bool RunWideDialog(const FileDialogCall& call, std::wstring& chosen) {
    const std::wstring filter = FilterList(call.filter), title = WideFromAnsi(call.title),
                       defaultExt = WideFromAnsi(call.defaultExt),
                       initialDir = WideFromAnsi(call.initialDir);
    std::vector<wchar_t> path(kPathChars, L'\0');
    const std::wstring proposed = WideFromAnsi(call.fileName);
    proposed.copy(path.data(), path.size() - 1);
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = call.owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = OrNull(title);
    dialog.lpstrDefExt = OrNull(defaultExt);
    dialog.lpstrInitialDir = OrNull(initialDir);
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER |
                   (call.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(call.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)))
        return false;
    chosen = path.data();
    return true;
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
    std::wstring chosen;
    if (!RunWideDialog(call, chosen))
        return false;
    std::string path;
    if (!ExactAnsi(chosen, path)) {
        // Refused as the folder picker refuses a folder: nothing is read or written there.
        ShowMessageBox(call.owner, InexactTextMessage("file", path), kAppCaption,
                       MB_OK | MB_ICONWARNING);
        return false;
    }
    call.fileName = path;
    return true;
}

} // namespace ku
