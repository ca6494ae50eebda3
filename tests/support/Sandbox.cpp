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

ScratchDir::ScratchDir() : path_(std::string(kScratchRoot) + "\\" + UniqueName()) { Make(); }

ScratchDir::ScratchDir(const std::string& name)
    : path_(std::string(kScratchRoot) + "\\" + name + "_" + std::to_string(GetCurrentProcessId())) {
    Make();
}

void ScratchDir::Make() {
    CreateDirectoryA("C:\\kutest", nullptr);
    CreateDirectoryA(kScratchRoot, nullptr);
    RemoveTree(path_);
    if (!CreateDirectoryA(path_.c_str(), nullptr))
        throw std::runtime_error("cannot create " + path_);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

bool RunningUnderWow64() {
    BOOL wow = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow) && wow;
}

} // namespace kutest
