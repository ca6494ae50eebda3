// Test support: the sandbox check, scratch registry keys and scratch folders in the prefix.
#pragma once

#include <windows.h>

#include <string>

#include "support/Files.h"
#include "support/RawRegistry.h"

namespace kutest {

// Where the sandbox puts the built fixtures and where tests may write.
inline const char* const kFixtureDir = "C:\\kutest\\fixtures";
inline const char* const kScratchRoot = "C:\\kutest\\scratch";

// Empty when this process runs in the private prefix; otherwise why not.
std::string SandboxProblem();

// A registry key of its own for one test, below Software\KelvaneTest, deleted (with its
// subkeys, in both views) when the object goes.
class ScratchKey {
  public:
    explicit ScratchKey(HKEY root = HKEY_CURRENT_USER);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    HKEY Root() const { return root_; }
    const std::string& Path() const { return path_; } // without a leading "\"
    std::string Sub(const std::string& name) const { return path_ + "\\" + name; }

  private:
    HKEY root_;
    std::string path_;
};

// A folder of its own for one test below C:\kutest\scratch, removed with its contents.
class ScratchDir {
  public:
    ScratchDir();
    // A short name of the caller's choosing (with this process's id), for a path of a set length.
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

  private:
    void Make();
    std::string path_;
};

bool RunningUnderWow64();
// The view that reaches the 64-bit registry on 64-bit Windows; none on 32-bit Windows.
inline REGSAM NativeView() { return RunningUnderWow64() ? KEY_WOW64_64KEY : 0; }
// A folder with its contents; a junction or link inside is removed, never followed.
void RemoveTree(const std::string& path);
// A shell folder of the prefix (CSIDL_...), created when missing.
std::string ShellFolder(int csidl);

} // namespace kutest
