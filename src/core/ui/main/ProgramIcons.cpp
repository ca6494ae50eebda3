// Program icons for the list view.
#include "core/ui/main/ProgramIcons.h"

#include <shellapi.h>

#include "core/programs/IconLookup.h"
#include "core/system/StrUtil.h"

namespace ku {

void TProgramIcons::Clear() {
    ImageList_RemoveAll(small_);
    ImageList_RemoveAll(large_);
    sources_.clear();
    indexes_.clear();
    lookups_ = 0;
}

int TProgramIcons::AddIcon(HICON icon) {
    if (!icon)
        return -1;
    const int index = ImageList_ReplaceIcon(small_, -1, icon);
    ImageList_ReplaceIcon(large_, -1, icon);
    DestroyIcon(icon);
    return index;
}

int TProgramIcons::GetProgramIconIndex(const std::string& source) {
    // Rows that name the same text need neither the file checks nor the icon again.
    const auto seen = sources_.find(source);
    if (seen != sources_.end())
        return seen->second;
    const int index = IndexFor(ResolveProgramIcon(source));
    sources_[source] = index;
    return index;
}

int TProgramIcons::IndexFor(const IconChoice& choice) {
    const std::string key = std::to_string(choice.kind) + "|" + std::to_string(choice.index) + "|" +
                            UpperCase(choice.file);
    const auto known = indexes_.find(key);
    if (known != indexes_.end())
        return known->second;
    ++lookups_;
    // A program's shell icon is its first icon; asking the file itself first also works where
    // the shell only knows a generic picture for programs.
    HICON icon = ExtractIconA(GetModuleHandleA(nullptr), choice.file.c_str(),
                              static_cast<UINT>(choice.index));
    // 1 means "not a file with icons".
    if (icon == reinterpret_cast<HICON>(1))
        icon = nullptr;
    if (!icon && choice.kind == IconChoice::ShellIcon) {
        SHFILEINFOA info = {};
        // exact-text: asks for the icon only, no text
        if (SHGetFileInfoA(choice.file.c_str(), 0, &info, sizeof(info), SHGFI_ICON))
            icon = info.hIcon;
    }
    const int index = AddIcon(icon);
    indexes_[key] = index;
    return index;
}

} // namespace ku
