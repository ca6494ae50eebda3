// Test helpers of the force-mode and wizard tests: machine keys of their own, item texts,
// folders and files planted below a scratch folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"
#include "support/RealService.h"
#include "support/Sandbox.h"

namespace kutest {

using Lines = std::vector<std::string>;

// A key below a machine or user root that the test names itself (Installer and service
// keys live at fixed places), deleted with its subkeys in its view at the end.
class OwnKey {
public:
    OwnKey(HKEY root, const std::string& path, REGSAM view = 0);
    ~OwnKey() { RawDeleteTree(root_, path_, view_); }
    OwnKey(const OwnKey&) = delete;
    OwnKey& operator=(const OwnKey&) = delete;
    const std::string& Path() const { return path_; }
    HKEY Root() const { return root_; }
    void SetString(const std::string& sub, const std::string& name, const std::string& value,
                   DWORD type = REG_SZ) const {
        RawSetString(root_, Sub(sub), name, value, view_, type);
    }
    void SetBinary(const std::string& sub, const std::string& name, const std::string& bytes) const {
        RawSetValue(root_, Sub(sub), name, REG_BINARY, bytes, view_);
    }
    void SetDword(const std::string& sub, const std::string& name, DWORD value) const {
        RawSetDword(root_, Sub(sub), name, value, view_);
    }
    std::string Sub(const std::string& sub) const { return sub.empty() ? path_ : path_ + "\\" + sub; }

private:
    HKEY root_;
    std::string path_;
    REGSAM view_;
};

// The view Windows Installer keeps its machine-wide keys in: the native one.
inline REGSAM InstallerView() { return RunningUnderWow64() ? KEY_WOW64_64KEY : 0; }

// "type|root|key|value|file" of every item, in order.
Lines ItemTexts(const ku::TUninstallerContents& list);
std::string ItemText(const char* type, const std::string& root, const std::string& key,
                     const std::string& value = "", const std::string& file = "");
bool HasItem(const ku::TUninstallerContents& list, const std::string& text);
// Items whose text contains the part.
int CountItems(const ku::TUninstallerContents& list, const std::string& part);

// A unique name for fixed-place keys of one test run.
std::string UniqueTag(const std::string& prefix);

// The folder `relative` below `dir`, made with its parents; its full path.
std::string MakeFolder(const ScratchDir& dir, const std::string& relative);
// A file of one byte at `relative` below `dir`, its folders made; its full path.
std::string PlantFile(const ScratchDir& dir, const std::string& relative);

} // namespace kutest
