// Test support: the sandbox check and scratch keys and folders.
#include "support/Sandbox.h"

#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace kutest {

namespace {

std::atomic<int> scratchCounter{0};

std::string UniqueName() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "x";
    for (char& c : name)
        if (c == '/' || c == '\\')
            c = '_';
    char suffix[48];
    std::snprintf(suffix, sizeof(suffix), "_%lu_%d", GetCurrentProcessId(), ++scratchCounter);
    return name + suffix;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveTree(full);
            else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryA(full.c_str());
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

} // namespace

std::string SandboxProblem() {
    if (GetFileAttributesA("C:\\kelvane-sandbox.txt") == INVALID_FILE_ATTRIBUTES)
        return "C:\\kelvane-sandbox.txt is missing: this is not the private test prefix";
    if (GetDriveTypeA("Z:\\") != DRIVE_NO_ROOT_DIR)
        return "drive Z: exists: the prefix could reach host files";
    return std::string();
}

ScratchKey::ScratchKey(HKEY root) : root_(root), path_("Software\\KelvaneTest\\" + UniqueName()) {
    RawDeleteTree(root_, path_, KEY_WOW64_64KEY);
    RawDeleteTree(root_, path_, KEY_WOW64_32KEY);
}

ScratchKey::~ScratchKey() {
    RawDeleteTree(root_, path_, KEY_WOW64_64KEY);
    RawDeleteTree(root_, path_, KEY_WOW64_32KEY);
}

ScratchDir::ScratchDir() : path_(std::string(kScratchRoot) + "\\" + UniqueName()) {
    CreateDirectoryA("C:\\kutest", nullptr);
    CreateDirectoryA(kScratchRoot, nullptr);
    RemoveTree(path_);
    if (!CreateDirectoryA(path_.c_str(), nullptr))
        throw std::runtime_error("cannot create " + path_);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

bool RawKeyExists(HKEY root, const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void RawCreateKey(HKEY root, const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + path);
    RegCloseKey(key);
}

void RawSetString(HKEY root, const std::string& path, const std::string& name,
                  const std::string& value, REGSAM view) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + path);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void RawDeleteTree(HKEY root, const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return;
    // Names first, deletes after: a subkey that cannot be deleted must not loop forever.
    std::vector<std::string> names;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    for (const std::string& sub : names)
        RawDeleteTree(root, path + "\\" + sub, view);
    RegDeleteKeyExA(root, path.c_str(), view, 0);
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

bool RunningUnderWow64() {
    BOOL wow = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow) && wow;
}

} // namespace kutest
