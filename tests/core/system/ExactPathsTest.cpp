// Paths the system answers (variables, the temporary and current folders, the search path, the
// long forms of short names) for a folder the code page cannot hold ("Ωmega Tools") beside its
// best-fit twin ("Omega Tools"): the twin's path is never handed out for it.
#include <functional>

#include <gtest/gtest.h>

#include <windows.h>

#include "core/system/ExactNames.h"
#include "support/Sandbox.h"
#include "support/WideNames.h"

using namespace ku;
using namespace kutest;

namespace {

// A process-wide setting changed for one case and put back afterwards.
class SavedVariable {
  public:
    explicit SavedVariable(const wchar_t* name) : name_(name) {
        wchar_t value[4096];
        const DWORD length = GetEnvironmentVariableW(name, value, 4096);
        had_ = length > 0 && length < 4096;
        value_.assign(value, had_ ? length : 0);
    }
    ~SavedVariable() { SetEnvironmentVariableW(name_, had_ ? value_.c_str() : nullptr); }

  private:
    const wchar_t* name_;
    bool had_ = false;
    std::wstring value_;
};

class SavedCurrentFolder {
  public:
    SavedCurrentFolder() { GetCurrentDirectoryW(MAX_PATH, folder_); }
    ~SavedCurrentFolder() { SetCurrentDirectoryW(folder_); }

  private:
    wchar_t folder_[MAX_PATH] = {};
};

// A short (8.3) path is plain ASCII.
std::string Narrow(const std::wstring& ascii) {
    return std::string(ascii.begin(), ascii.end());
}

std::wstring ShortOf(const std::wstring& path) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

} // namespace

TEST(ExactPaths, AFolderTheCodePageCannotHoldIsNeverAnsweredByItsTwinsPath) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    ScratchDir dir;
    const std::wstring greek = WideOf(dir.Path()) + L"\\" + kOmega + L"mega Tools";
    const std::string twin = dir.File("Omega Tools");
    ASSERT_TRUE(WideFolder(greek) && WideFile(greek + L"\\kuprobe.exe"));
    ASSERT_TRUE(WideFolder(WideOf(twin)) && WideFile(WideOf(twin + "\\kuprobe.exe")));
    ASSERT_FALSE(ShortOf(greek).empty());

    SavedVariable probe(L"KU_PROBE_DIR"), temp(L"TMP"), tempToo(L"TEMP"), path(L"PATH");
    SavedCurrentFolder current;
    // Each read, with the variables and the current folder set to the folder it is given.
    const struct {
        const char* name;
        std::function<LONG(const std::wstring& folder, std::string& answer)> read;
        std::string twinAnswer;
    } cases[] = {
        {"variable",
         [](const std::wstring& folder, std::string& answer) {
             SetEnvironmentVariableW(L"KU_PROBE_DIR", folder.c_str());
             return ExactEnvironmentVariable("KU_PROBE_DIR", answer);
         },
         twin},
        {"expanded text",
         [](const std::wstring& folder, std::string& answer) {
             SetEnvironmentVariableW(L"KU_PROBE_DIR", folder.c_str());
             return ExactExpandedText("%KU_PROBE_DIR%\\kuprobe.exe", answer);
         },
         twin + "\\kuprobe.exe"},
        {"temporary folder",
         [](const std::wstring& folder, std::string& answer) {
             SetEnvironmentVariableW(L"TMP", folder.c_str());
             SetEnvironmentVariableW(L"TEMP", folder.c_str());
             return ExactTempPath(answer);
         },
         twin + "\\"},
        // Before the current folder changes: the search looks there first.
        {"search path",
         [](const std::wstring& folder, std::string& answer) {
             SetEnvironmentVariableW(L"PATH", folder.c_str());
             return ExactSearchPath("kuprobe", ".exe", answer);
         },
         twin + "\\kuprobe.exe"},
        {"current folder",
         [](const std::wstring& folder, std::string& answer) {
             SetCurrentDirectoryW(folder.c_str());
             return ExactCurrentDirectory(answer);
         },
         twin},
        {"full path of a relative name",
         [](const std::wstring& folder, std::string& answer) {
             SetCurrentDirectoryW(folder.c_str());
             return ExactFullPath("kuprobe.exe", answer);
         },
         twin + "\\kuprobe.exe"},
        {"long form of a short name",
         [](const std::wstring& folder, std::string& answer) {
             return ExactLongPath(Narrow(ShortOf(folder)) + "\\kuprobe.exe", answer);
         },
         twin + "\\kuprobe.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string answer;
        EXPECT_EQ(c.read(greek, answer), kInexactName) << answer;
        EXPECT_NE(answer, c.twinAnswer);
        EXPECT_EQ(c.read(WideOf(twin), answer), ERROR_SUCCESS);
        EXPECT_EQ(answer, c.twinAnswer);
    }
}
