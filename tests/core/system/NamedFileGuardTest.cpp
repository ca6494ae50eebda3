// The guard's narrow roads below the Windows folder: a file the program names itself in the
// Windows or system folder, and a product's own folder directly below Windows. Every refused
// name is tried for real against planted files, which must still be there afterwards.
#include <gtest/gtest.h>

#include "core/system/DeleteHelpers.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/Sandbox.h"

using namespace ku;

namespace {

std::string Unique(const std::string& name) {
    return name + std::to_string(GetCurrentProcessId());
}

// Planted files that must outlive every refused delete; removed at the end.
class Planted {
  public:
    ~Planted() {
        for (auto path = paths_.rbegin(); path != paths_.rend(); ++path)
            if (!DeleteFileA(path->c_str()))
                RemoveDirectoryA(path->c_str());
    }
    void File(const std::string& path) {
        ASSERT_TRUE(kutest::WriteTextFile(path, "probe")) << path;
        paths_.push_back(path);
    }
    void Folder(const std::string& path) { // made when missing, and then removed again
        if (CreateDirectoryA(path.c_str(), nullptr))
            paths_.push_back(path);
    }
    void AllThere() const {
        for (const std::string& path : paths_)
            EXPECT_TRUE(kutest::PathExists(path)) << path << " was deleted";
    }

  private:
    std::vector<std::string> paths_;
};

} // namespace

TEST(NamedFileGuard, OnlyPlainNamesBelowTheFolderGoNeverWildcardsDevicesOrStreams) {
    const std::string system = GetSystemDir(), windows = GetWindowsDir();
    const std::string probe = Unique("kuprobe") + ".dll";
    kutest::ScratchDir scratch;
    Planted planted;
    planted.File(system + "\\" + probe);
    planted.File(windows + "\\" + probe);
    planted.File(scratch.File(probe));
    planted.Folder(system + "\\drivers"); // not there for a 32-bit program on Wine
    planted.File(system + "\\drivers\\" + probe);
    const std::string refused[] = {
        "", "  ", ".", "..", "...", "..\\" + probe, "drivers\\..\\" + probe, "drivers\\..\\..\\" + probe,
        "drivers/" + probe, "/" + probe, "\\" + probe, scratch.File(probe), "C:" + probe,
        Unique("kuprobe") + "*.dll", Unique("kuprobe") + ".dl?", "*", probe + ":stream",
        probe + "::$DATA", probe + ".", probe + " .", "drivers", "drivers\\", "NUL", "nul.dll",
        "CON", "con.txt", "AUX", "PRN.log", "COM1", "com9.dll", "LPT1", "lpt3 .sys", "CONOUT$",
        "drivers\\NUL", "drivers\\" + probe + "\\",
    };
    for (const std::string& name : refused) {
        EXPECT_FALSE(DeleteNamedSystemFile(system, name)) << name;
        EXPECT_FALSE(DeleteNamedSystemFile(windows, name)) << name;
    }
    EXPECT_FALSE(DeleteNamedSystemFile(scratch.Path(), probe)) << "not below Windows";
    EXPECT_FALSE(DeleteNamedSystemFile(system + "\\..\\..\\kutest\\scratch", probe));
    planted.AllThere();
    // Names that are plain but look like devices only in part stay deletable.
    for (const std::string& name : {Unique("COM10x") + ".dll", Unique("nul_") + ".dat"}) {
        ASSERT_TRUE(kutest::WriteTextFile(system + "\\" + name));
        EXPECT_TRUE(DeleteNamedSystemFile(system, name)) << name;
    }
    EXPECT_TRUE(DeleteNamedSystemFile(system, "drivers\\" + probe));
    EXPECT_TRUE(DeleteNamedSystemFile(system, " " + probe + " ")) << "the name is trimmed";
    EXPECT_FALSE(kutest::PathExists(system + "\\" + probe));
}

// A product's own folder directly below Windows: named by a plain name, there, no link, and
// none of Windows' own folders; then it goes with everything in it, subfolders included.
TEST(NamedFileGuard, OnlyAProductsOwnFolderDirectlyBelowWindowsGoes) {
    const std::string windows = GetWindowsDir(), own = Unique("KuIe8Probe");
    Planted planted;
    for (const std::string& folder :
         {GetSystemDir(), windows + "\\Fonts", windows + "\\Temp", GetSystemDir() + "\\drivers"})
        planted.Folder(folder), planted.File(folder + "\\" + Unique("kuprobe") + ".txt");
    const std::string refused[] = {
        "", "..", ".", "system32", "SYSTEM32", "Fonts", "Temp", "System32\\drivers", own + "\\sub",
        "..\\" + own, windows + "\\" + own, own + "*", own + ":x", "NUL", own + "missing",
    };
    const std::string folder = windows + "\\" + own;
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\sub\\deep.exe"));
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\top.log"));
    for (const std::string& name : refused) {
        EXPECT_EQ(NamedWindowsFolder(name), "") << name;
        EXPECT_FALSE(DeleteNamedWindowsFolder(name)) << name;
    }
    planted.AllThere();
    EXPECT_TRUE(kutest::PathExists(folder + "\\sub\\deep.exe"));
    EXPECT_TRUE(SameText(NamedWindowsFolder(own), folder));
    EXPECT_TRUE(DeleteNamedWindowsFolder(own));
    EXPECT_FALSE(kutest::PathExists(folder));
    EXPECT_FALSE(DeleteNamedWindowsFolder(own)) << "already gone";
}

TEST(NamedFileGuard, PathsThatClimbOutOfTheFolderTheyName) {
    const std::pair<const char*, bool> cases[] = {
        {"C:\\Program Files\\Spybot - Search & Destroy\\..\\Other Vendor", true},
        {"C:\\App\\.", true}, {"C:\\App\\.\\bin", true}, {"C:/App/../x", true},
        {"C:\\App\\... \\x", true}, {"..", true},
        {"C:\\Program Files\\App..\\bin", false}, {"C:\\App\\.hidden\\x", false},
        {"C:\\Program Files\\Spybot - Search & Destroy\\", false}, {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathClimbs(c.first), c.second) << c.first;
}
