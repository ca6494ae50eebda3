// Test support: hive calls that behave as Windows documents them, where Wine does not (its
// RegReplaceKeyA does nothing, its RegSaveKeyA overwrites an existing file). Installs itself
// for its lifetime and records every call.
#pragma once

#include <windows.h>

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "core/system/Handles.h"
#include "support/Files.h"
#include "sysmanager/HiveApi.h"

namespace kutest {

class WindowsLikeHives : public ku::IHiveApi {
  public:
    WindowsLikeHives() { ku::SetHiveApi(this); }
    ~WindowsLikeHives() override { ku::SetHiveApi(nullptr); }

    bool EnablePrivilege(const std::string& name) override { return Note("privilege " + name); }

    // RegSaveKey fails on an existing file; a hive this "system" lacks is not found.
    LONG SaveKey(HKEY root, const std::string& subKey, const std::string& file) override {
        if (gate_)
            WaitForSingleObject(gate_.get(), 20000);
        Note("save " + subKey);
        return missing.count(subKey) ? ERROR_FILE_NOT_FOUND
               : subKey == failOn    ? ERROR_ACCESS_DENIED
               : PathExists(file)    ? ERROR_ALREADY_EXISTS
                                     : Write(file, HiveText(root, subKey));
    }

    // RegReplaceKey needs the new file, keeps the displaced hive under oldFile and fails when
    // oldFile is already there.
    LONG ReplaceKey(HKEY root, const std::string& subKey, const std::string& newFile,
                    const std::string& oldFile) override {
        Note("replace " + subKey + " " + newFile);
        return subKey == failOn       ? ERROR_ACCESS_DENIED
               : !PathExists(newFile) ? ERROR_FILE_NOT_FOUND
               : PathExists(oldFile)  ? ERROR_ALREADY_EXISTS
                                      : Write(oldFile, "displaced " + HiveText(root, subKey));
    }

    // Calls of one kind ("save", "replace"), in order, without the kind.
    std::vector<std::string> Calls(const std::string& kind) {
        std::lock_guard<std::mutex> guard(lock_);
        std::vector<std::string> found;
        for (const std::string& call : calls_)
            if (call.compare(0, kind.size() + 1, kind + " ") == 0)
                found.push_back(call.substr(kind.size() + 1));
        return found;
    }

    static std::string HiveText(HKEY root, const std::string& subKey) {
        return std::string(root == HKEY_USERS ? "HKU\\" : "HKLM\\") + subKey;
    }

    // Saves wait until Open(); for watching a backup while it runs.
    void HoldSaves() { gate_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr)); }
    void Open() { SetEvent(gate_.get()); }

    std::set<std::string> missing; // sub keys this system has no hive for
    std::string failOn;            // the sub key whose save and replace are denied

  private:
    bool Note(const std::string& call) {
        std::lock_guard<std::mutex> guard(lock_);
        calls_.push_back(call);
        return true;
    }
    static LONG Write(const std::string& path, const std::string& text) {
        return WriteTextFile(path, text) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
    }

    std::mutex lock_;
    std::vector<std::string> calls_;
    ku::UniqueHandle gate_;
};

} // namespace kutest
