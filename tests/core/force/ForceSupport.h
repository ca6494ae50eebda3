// Test helpers of the force-mode tests: machine keys of their own, item texts, a folder
// with a program in it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"
#include "support/RealService.h"
#include "support/Sandbox.h"

namespace kutest {

// A key below a machine or user root that the test names itself (Installer and service
// keys live at fixed places), deleted with its subkeys in its view at the end.
class OwnKey {
public:
    OwnKey(HKEY root, const std::string& path, REGSAM view = 0);
    ~OwnKey();
    OwnKey(const OwnKey&) = delete;
    OwnKey& operator=(const OwnKey&) = delete;
    const std::string& Path() const { return path_; }
    HKEY Root() const { return root_; }
    void SetString(const std::string& sub, const std::string& name, const std::string& value,
                   DWORD type = REG_SZ) const;
    void SetBinary(const std::string& sub, const std::string& name, const std::string& bytes) const;
    void SetDword(const std::string& sub, const std::string& name, DWORD value) const;
    std::string Sub(const std::string& sub) const { return sub.empty() ? path_ : path_ + "\\" + sub; }

private:
    HKEY root_;
    std::string path_;
    REGSAM view_;
};

// The view Windows Installer keeps its machine-wide keys in: the native one.
inline REGSAM InstallerView() { return RunningUnderWow64() ? KEY_WOW64_64KEY : 0; }

// "type|root|key|value|file" of every item, in order.
std::vector<std::string> ItemTexts(const ku::TUninstallerContents& list);
std::string ItemText(const char* type, const std::string& root, const std::string& key,
                     const std::string& value = "", const std::string& file = "");
bool HasItem(const ku::TUninstallerContents& list, const std::string& text);
// Items whose text contains the part.
int CountItems(const ku::TUninstallerContents& list, const std::string& part);

// A unique name for fixed-place keys of one test run.
std::string UniqueTag(const std::string& prefix);

} // namespace kutest
