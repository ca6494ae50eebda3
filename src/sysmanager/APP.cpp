// Version resources of program files and the list of version records of startup entries.
#include "sysmanager/APP.h"

#include <cstring>
#include <stdexcept>

#include "core/system/Dialogs.h"
#include "core/system/ExactNames.h"
#include "core/system/StrUtil.h"

namespace ku {

const char* const TAppObj::kVersionNames[kInfoCount] = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTradeMarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"};

std::string* TAppObj::VersionField(int index) {
    std::string* fields[kInfoCount] = {
        &CompanyName,     &FileDescription,  &FileVersion, &InternalName,   &LegalCopyright,
        &LegalTradeMarks, &OriginalFilename, &ProductName, &ProductVersion, &Comments};
    return fields[index];
}

std::string TAppObj::GetVersionString(const std::string& name) const {
    if (versionData_.empty())
        return std::string();
    const std::wstring path =
        WideFromAnsi(Format("StringFileInfo\\%s\\%s", TranslationText.c_str(), name.c_str()));
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(versionData_.data(), path.c_str(), &value, &length) || !value ||
        length == 0)
        return std::string();
    // The length counts characters and may include the terminating zero. A text the code page
    // cannot hold is shown with "?" for what it lacks, never as a best-fit name.
    const wchar_t* text = static_cast<const wchar_t*>(value);
    std::string shown;
    ExactAnsi(text, wcsnlen(text, length), shown);
    return Trim(shown);
}

void TAppObj::LoadVersionInfo(const std::string& fileName) {
    DWORD handle = 0;
    const std::wstring wideName = WideFromAnsi(fileName);
    const DWORD size = GetFileVersionInfoSizeW(wideName.c_str(), &handle);
    versionData_.clear();
    if (size != 0) {
        versionData_.resize(size);
        if (!GetFileVersionInfoW(wideName.c_str(), 0, size, versionData_.data()))
            versionData_.clear();
    }
    Major = Minor = Release = Build = 0;
    VersionText.clear();
    if (!versionData_.empty()) {
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (VerQueryValueW(versionData_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
            fixed && length >= sizeof(VS_FIXEDFILEINFO)) {
            Major = HIWORD(fixed->dwFileVersionMS);
            Minor = LOWORD(fixed->dwFileVersionMS);
            Release = HIWORD(fixed->dwFileVersionLS);
            Build = LOWORD(fixed->dwFileVersionLS);
            VersionText = Format("%d.%d.%d.%d", Major, Minor, Release, Build);
        }
        DWORD* translation = nullptr;
        if (VerQueryValueW(versionData_.data(), L"\\VarFileInfo\\Translation",
                           reinterpret_cast<void**>(&translation), &length) &&
            translation && length >= sizeof(DWORD)) {
            Translation = *translation;
            TranslationText = Format("%4.4x%4.4x", LOWORD(Translation), HIWORD(Translation));
        }
    }
    // Without version data every string comes out empty, so nothing of a file read before
    // stays behind.
    for (int i = 0; i < kInfoCount; ++i) {
        *VersionField(i) = GetVersionString(kVersionNames[i]);
        InfoStrings[i] = *VersionField(i);
    }
    InfoCount = kInfoCount;
    FilePath = ExtractFilePath(fileName);
    FileName = ExtractFileName(fileName);
    AppTitle = kAppCaption;
    versionData_.clear();
    versionData_.shrink_to_fit();
}

std::string TAppObj::GetInfo(int index) const {
    if (index == 0)
        return VersionText;
    if (index >= 1 && index <= kInfoCount)
        return InfoStrings[index - 1];
    return std::string();
}

TFileContentItem& TFileContents::Add() {
    items_.emplace_back();
    return items_.back();
}

TFileContentItem& TFileContents::GetItem(int index) {
    if (index < 0 || index >= Count())
        throw std::out_of_range("file record index out of range");
    return items_[static_cast<size_t>(index)];
}

const TFileContentItem& TFileContents::GetItem(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("file record index out of range");
    return items_[static_cast<size_t>(index)];
}

} // namespace ku
