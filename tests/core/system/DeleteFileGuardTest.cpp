// The file delete guard: drive roots, relative paths and the system, program-files, profile
// and shell folders are refused with a probe file left in place; links are never entered.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "core/system/DeleteHelpers.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Sandbox.h"

using namespace ku;
using kutest::ShellFolder;

namespace {

// Empty on 32-bit Windows, which has no SysWOW64.
std::string Wow64Dir() {
    char wow[MAX_PATH] = {};
    GetSystemWow64DirectoryA(wow, sizeof(wow));
    return wow;
}

std::string ShortForm(const std::string& path) {
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof(buffer));
    return length && length < sizeof(buffer) ? std::string(buffer, length) : path;
}

// A link fixture made on the host by the build (see tests/fixtures/process).
bool IsLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string Probe() {
    return "kelvane_guard_probe_" + std::to_string(GetCurrentProcessId());
}

} // namespace

TEST(FileGuard, RefusedPathsAreTriedForRealAndKeepTheirContents) {
    kutest::ScratchDir dir;
    CreateDirectoryA(dir.File("sub").c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(dir.File("sub\\keep.txt"), "x"));
    const std::string windows = GetWindowsDir(), pf = GetProgramFilesDir();
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    const std::string refused[] = {
        windows, GetSystemDir(), Wow64Dir(), windows + "\\Fonts", pf, pf + "\\Common Files",
        ShellFolder(CSIDL_COMMON_APPDATA), ShellFolder(CSIDL_PROFILE),
        ExtractFileDir(ShellFolder(CSIDL_PROFILE)), ShellFolder(CSIDL_DESKTOPDIRECTORY),
        ShellFolder(CSIDL_APPDATA), ShellFolder(CSIDL_LOCAL_APPDATA), ShellFolder(CSIDL_PERSONAL),
        ShellFolder(CSIDL_STARTMENU), ShellFolder(CSIDL_PROGRAMS), ShellFolder(CSIDL_STARTUP),
        ShellFolder(CSIDL_COMMON_PROGRAMS), ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY),
        ExtractFileDir(ShellFolder(CSIDL_COMMON_PROGRAMS)),
        ShellFolder(CSIDL_PROFILE) + "\\Downloads", temp, UpperCase(windows) + "\\",
        windows + "\\System32\\..", ShortForm(pf), windows + "\\.", "c:/windows",
        windows + "\\Sysnative", "C:\\users", "", "  ", "sub", "sub\\keep.txt", ".", "..", "C:",
        "C:sub", "\\kutest", "C:\\", "c:\\\\", "C:\\kutest\\..", "\\\\server\\share\\dir",
        "\\\\?\\C:\\kutest\\scratch", "\\\\.\\C:",
    };
    char old[MAX_PATH];
    GetCurrentDirectoryA(sizeof(old), old);
    SetCurrentDirectoryA(dir.Path().c_str()); // where the relative paths would lead
    const std::string probe = Probe();
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        const std::string real = CanonicalDeletePath(path), file = real + "\\" + probe;
        const bool planted = !real.empty() && path.rfind("\\\\", 0) != 0 &&
                             kutest::WriteTextFile(file, "probe");
        EXPECT_TRUE(IsProtectedPath(path));
        EXPECT_FALSE(DeleteDirectoryTree(path) || DeleteSingleFile(path));
        EXPECT_TRUE(!planted || kutest::PathExists(file)) << "something was deleted";
        if (planted)
            DeleteFileA(file.c_str());
    }
    SetCurrentDirectoryA(old);
    EXPECT_TRUE(kutest::PathExists(dir.File("sub\\keep.txt")));
    EXPECT_TRUE(kutest::PathExists("C:\\kelvane-sandbox.txt"));
}

TEST(FileGuard, FilesOfWindowsAndFilesDirectlyInProtectedFoldersAreRefused) {
    const std::string probe = Probe() + ".dat", windows = GetWindowsDir();
    const std::string pf = ShellFolder(CSIDL_PROGRAM_FILES), data = ShellFolder(CSIDL_APPDATA);
    const struct {
        std::string folder;
        bool refused;
    } cases[] = {
        {GetSystemDir(), true}, {Wow64Dir(), true}, {windows, true}, {pf, true}, {data, true},
        {windows + "\\KuGuardProbe", true}, {UpperCase(GetSystemDir()), true},
        {ShellFolder(CSIDL_COMMON_APPDATA), true}, {ShellFolder(CSIDL_DESKTOPDIRECTORY), true},
        {ShellFolder(CSIDL_STARTUP), false}, {pf + "\\KuGuardProbe", false},
        {data + "\\KuGuardProbe", false},
    };
    for (const auto& c : cases) {
        if (c.folder.empty())
            continue;
        SCOPED_TRACE(c.folder);
        const bool made = CreateDirectoryA(c.folder.c_str(), nullptr);
        const std::string file = c.folder + "\\" + probe;
        ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
        EXPECT_EQ(IsProtectedFile(file), c.refused);
        EXPECT_EQ(FolderFileGuard(c.folder).IsProtectedEntry(probe, FILE_ATTRIBUTE_ARCHIVE),
                  c.refused);
        EXPECT_EQ(DeleteSingleFile(file), !c.refused);
        EXPECT_FALSE(RecyclePath(file));
        EXPECT_EQ(kutest::PathExists(file), c.refused);
        DeleteFileA(file.c_str());
        if (made)
            RemoveDirectoryA(c.folder.c_str());
    }
    // A known file of a product, named by the program itself, may still go.
    ASSERT_TRUE(kutest::WriteTextFile(GetSystemDir() + "\\" + probe, "x"));
    EXPECT_TRUE(DeleteFileInSystemDir(probe));
    EXPECT_FALSE(kutest::PathExists(GetSystemDir() + "\\" + probe));
    EXPECT_FALSE(DeleteFileInSystemDir(probe)) << "already gone";
    for (const char* name : {"", "..\\", "drivers", "..\\win.ini", "C:\\x.dat", "\\win.ini"})
        EXPECT_FALSE(DeleteFileInWindowsDir(name)) << name;
    EXPECT_TRUE(kutest::PathExists(windows + "\\win.ini"));
}

TEST(FileDelete, TreeIsDeletedAndReportedHonestly) {
    kutest::ScratchDir dir;
    const std::string tree = dir.File("App");
    for (const char* folder : {"", "\\a", "\\a\\b"})
        CreateDirectoryA((tree + folder).c_str(), nullptr);
    for (const char* file : {"\\top.txt", "\\a\\b\\deep.dll", "\\a\\.hidden"})
        kutest::WriteTextFile(tree + file);
    EXPECT_TRUE(DeleteDirectoryTree(tree + "\\"));
    EXPECT_FALSE(kutest::PathExists(tree));
    EXPECT_FALSE(DeleteDirectoryTree(tree)) << "nothing left to delete";
    // A file held open without delete sharing keeps its folder; that is a failure.
    CreateDirectoryA(tree.c_str(), nullptr);
    kutest::WriteTextFile(tree + "\\busy.txt");
    HANDLE busy = CreateFileA((tree + "\\busy.txt").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteDirectoryTree(tree));
    EXPECT_TRUE(kutest::PathExists(tree));
    CloseHandle(busy);
    EXPECT_TRUE(DeleteDirectoryTree(tree));
    // A file is not a folder, and a folder is not a file.
    kutest::WriteTextFile(dir.File("single.txt"));
    CreateDirectoryA(dir.File("folder").c_str(), nullptr);
    EXPECT_FALSE(DeleteDirectoryTree(dir.File("single.txt")) ||
                 DeleteSingleFile(dir.File("folder")));
    EXPECT_TRUE(DeleteSingleFile(dir.File("single.txt")));
    EXPECT_FALSE(DeleteSingleFile(dir.File("single.txt")));
}

TEST(FileDelete, LinksAreNeverEnteredAndProtectedFoldersBehindThemRefused) {
    // App\link -> target, alone -> target and userslink -> C:\users (the profiles folder).
    const std::string root = std::string(kutest::kFixtureDir) + "\\linktree";
    const std::string precious = root + "\\target\\precious.txt", users = root + "\\userslink";
    if (!IsLink(root + "\\App\\link") || !IsLink(users))
        GTEST_SKIP() << "the link fixture is missing (run scripts/wine-sandbox up again)";
    ASSERT_TRUE(kutest::PathExists(precious));
    // Windows removes the link itself; Wine cannot, and then the folder stays. Either way the
    // result tells the truth and nothing behind the link is touched.
    for (const std::string& tree : {root + "\\App", root + "\\alone"}) {
        EXPECT_EQ(DeleteDirectoryTree(tree), !kutest::PathExists(tree)) << tree;
        EXPECT_TRUE(kutest::PathExists(precious)) << "the delete went through " << tree;
    }
    EXPECT_FALSE(DeleteSingleFile(root + "\\alone\\..\\target")) << "a folder is no file";
    EXPECT_TRUE(kutest::PathExists(precious));

    // The shared profile reached through the link is the shared profile, whatever the path says.
    const std::string publicProfile = ShellFolder(CSIDL_COMMON_DOCUMENTS);
    const std::string probe = CanonicalDeletePath(publicProfile) + "\\" + Probe();
    ASSERT_TRUE(kutest::WriteTextFile(probe, "x"));
    const std::string viaLink = users + publicProfile.substr(std::string("C:\\users").size());
    ASSERT_TRUE(kutest::PathExists(viaLink + "\\" + Probe())) << viaLink;
    EXPECT_TRUE(IsProtectedPath(users) && IsProtectedPath(viaLink));
    // The same for a folder's entries checked together: the folder's links count, and an
    // entry that is a link is judged by where it leads.
    EXPECT_TRUE(FolderFileGuard(viaLink).IsProtectedEntry(Probe(), FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(FolderFileGuard(root).IsProtectedEntry(
        "userslink", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_FALSE(FolderFileGuard(root + "\\target").IsProtectedEntry("precious.txt",
                                                                    FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_FALSE(DeleteDirectoryTree(viaLink));
    EXPECT_TRUE(kutest::PathExists(probe));
    DeleteFileA(probe.c_str());
}
