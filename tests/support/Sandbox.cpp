// Test support: the sandbox check and scratch keys and folders.
#include "support/Sandbox.h"

#include <atomic>
#include <stdexcept>

#include <gtest/gtest.h>
#include <shlobj.h>

#include "core/system/Handles.h"

namespace kutest {
namespace {

// "Suite.Test_<process>_<n>", unique across the test programs running at once.
std::string UniqueName() {
    static std::atomic<int> counter{0};
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "x";
    for (char& c : name)
        if (c == '/' || c == '\\')
            c = '_';
    return name + "_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
}

void DeleteInBothViews(HKEY root, const std::string& path) {
    RawDeleteTree(root, path, KEY_WOW64_64KEY);
    RawDeleteTree(root, path, KEY_WOW64_32KEY);
}

} // namespace

// By the wide names: an entry the code page cannot hold (planted by a test) goes too, and its
// best-fit name ("..\\..\\x" for a fullwidth "..＼..＼x") never leads out of the folder.
static void RemoveWideTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    ku::UniqueFind find(FindFirstFileW((path + L"\\*").c_str(), &data));
    for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &data)) {
        const std::wstring name = data.cFileName, full = path + L"\\" + name;
        const bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (name == L"." || name == L"..")
            continue;
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (folder && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            RemoveWideTree(full);
        else
            (folder ? RemoveDirectoryW : DeleteFileW)(full.c_str());
    }
    find.reset();
    RemoveDirectoryW(path.c_str());
}

void RemoveTree(const std::string& path) { RemoveWideTree(WideOf(path)); }

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string SandboxProblem() {
    if (GetFileAttributesA("C:\\kelvane-sandbox.txt") == INVALID_FILE_ATTRIBUTES)
        return "C:\\kelvane-sandbox.txt is missing: this is not the private test prefix";
    if (GetDriveTypeA("Z:\\") != DRIVE_NO_ROOT_DIR)
        return "drive Z: exists: the prefix could reach host files";
    return std::string();
}

ScratchKey::ScratchKey(HKEY root) : root_(root), path_("Software\\KelvaneTest\\" + UniqueName()) {
    DeleteInBothViews(root_, path_);
}

ScratchKey::~ScratchKey() {
    DeleteInBothViews(root_, path_);
}

ScratchDir::ScratchDir() : path_(std::string(kScratchRoot) + "\\" + UniqueName()) {
    Make();
}

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

ScratchDir::~ScratchDir() {
    RemoveTree(path_);
}

bool RunningUnderWow64() {
    BOOL wow = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow) && wow;
}

} // namespace kutest
