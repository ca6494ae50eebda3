// The real hive calls.
#include "sysmanager/HiveApi.h"

#include <atomic>

#include "core/system/Handles.h"
#include "core/system/ProcessUnit.h"
#include "core/system/Reg32vs64.h"

namespace ku {

namespace {

// A 32-bit process under WOW64 that opens HKLM\SOFTWARE gets the 32-bit part of the hive
// only (Wow6432Node); the hive as a whole is the 64-bit view's key.
REGSAM HiveView() {
    try {
        return IsWow64() ? KEY_WOW64_64KEY : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

class Win32HiveApi : public IHiveApi {
  public:
    bool EnablePrivilege(const std::string& name) override { return EnableTokenPrivilege(name); }

    LONG SaveKey(HKEY root, const std::string& subKey, const std::string& file) override {
        UniqueKey key;
        LONG rc = RegOpenKeyExA(root, subKey.c_str(), 0, MAXIMUM_ALLOWED | HiveView(), key.put());
        if (rc != ERROR_SUCCESS)
            return rc;
        return RegSaveKeyA(key.get(), file.c_str(), nullptr);
    }

    LONG ReplaceKey(HKEY root, const std::string& subKey, const std::string& newFile,
                    const std::string& oldFile) override {
        // Opened here in the right view; the hive root itself is then named by the handle.
        UniqueKey key;
        LONG rc = RegOpenKeyExA(root, subKey.c_str(), 0, MAXIMUM_ALLOWED | HiveView(), key.put());
        if (rc != ERROR_SUCCESS)
            return rc;
        return RegReplaceKeyA(key.get(), nullptr, newFile.c_str(), oldFile.c_str());
    }
};

std::atomic<IHiveApi*> installed{nullptr};

} // namespace

IHiveApi& RealHiveApi() {
    static Win32HiveApi api;
    return api;
}

IHiveApi& HiveApi() {
    IHiveApi* api = installed.load();
    return api ? *api : RealHiveApi();
}

void SetHiveApi(IHiveApi* api) { installed = api; }

} // namespace ku
