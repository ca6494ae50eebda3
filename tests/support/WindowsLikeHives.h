// Test support: hive calls that behave as Windows documents them, where Wine does not (its
// RegReplaceKeyA does nothing, its RegSaveKeyA overwrites an existing file). Installs itself
// for its lifetime and records every call.
#pragma once

#include <windows.h>

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "sysmanager/HiveApi.h"

namespace kutest {

class WindowsLikeHives : public ku::IHiveApi {
  public:
    WindowsLikeHives() { ku::SetHiveApi(this); }
    ~WindowsLikeHives() override {
        ku::SetHiveApi(nullptr);
        if (gate_)
            CloseHandle(gate_);
    }
    WindowsLikeHives(const WindowsLikeHives&) = delete;
    WindowsLikeHives& operator=(const WindowsLikeHives&) = delete;

    bool EnablePrivilege(const std::string& name) override {
        Note("privilege " + name);
        return true;
    }

    // RegSaveKey fails on an existing file; a hive this "system" lacks is not found.
    LONG SaveKey(HKEY root, const std::string& subKey, const std::string& file) override {
        if (gate_)
            WaitForSingleObject(gate_, 20000);
        Note("save " + subKey);
        if (missing.count(subKey))
            return ERROR_FILE_NOT_FOUND;
        if (subKey == failOn)
            return failCode;
        if (GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES)
            return ERROR_ALREADY_EXISTS;
        return WriteText(file, HiveText(root, subKey)) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
    }

    // RegReplaceKey needs the new file, keeps the displaced hive under oldFile and fails when
    // oldFile is already there.
    LONG ReplaceKey(HKEY root, const std::string& subKey, const std::string& newFile,
                    const std::string& oldFile) override {
        Note("replace " + subKey + " " + newFile);
        if (subKey == failOn)
            return failCode;
        if (GetFileAttributesA(newFile.c_str()) == INVALID_FILE_ATTRIBUTES)
            return ERROR_FILE_NOT_FOUND;
        if (GetFileAttributesA(oldFile.c_str()) != INVALID_FILE_ATTRIBUTES)
            return ERROR_ALREADY_EXISTS;
        return WriteText(oldFile, "displaced " + HiveText(root, subKey)) ? ERROR_SUCCESS
                                                                         : ERROR_WRITE_FAULT;
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
    void HoldSaves() { gate_ = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    void Open() { SetEvent(gate_); }

    std::set<std::string> missing; // sub keys this system has no hive for
    std::string failOn;            // the sub key whose save and replace fail
    LONG failCode = ERROR_ACCESS_DENIED;

  private:
    void Note(const std::string& call) {
        std::lock_guard<std::mutex> guard(lock_);
        calls_.push_back(call);
    }
    static bool WriteText(const std::string& path, const std::string& text) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
        return written == text.size();
    }

    std::mutex lock_;
    std::vector<std::string> calls_;
    HANDLE gate_ = nullptr;
};

} // namespace kutest
