// The running-program scan: service image paths, services and drivers of a folder, processes
// and their modules, Run entries; nothing is ended before the plan is carried out.
#include <gtest/gtest.h>

#include <algorithm>

#include "ForceSupport.h"
#include "core/force/ForcePathWord.h"
#include "core/force/ServerProgramScan.h"
#include "core/system/PublicFunctionUnit.h"
#include "support/PlantedRegistry.h"
#include "support/RealService.h"
#include "support/RecordingLauncher.h"
#include "support/Spawn.h"
#include "support/WideNames.h"

using namespace ku;
using namespace kutest;

namespace {

const std::string kServices = "SYSTEM\\CurrentControlSet\\Services\\";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class ServerProgram : public ::testing::Test {
protected:
    ScratchDir dir;
    const std::string folder = MakeFolder(dir, "Foo App");
    const std::string lookAlike = MakeFolder(dir, "Foo AppBar");
    TUninstallerContents list;
    ForceRemovalPlan plan;
    PlantedRegistry planted;
};

} // namespace

TEST(ServiceImagePath, IsCleanedToAPlainPath) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"C:\\Foo App\\svc.exe\" -k run", "C:\\Foo App\\svc.exe"},
        {"\\??\\C:\\Foo\\drv.sys", "C:\\Foo\\drv.sys"}, {"\"unterminated", "unterminated"},
        {"system32\\drivers\\x.sys", "C:\\windows\\system32\\drivers\\x.sys"}, {"", ""},
        {"%SystemRoot%\\System32\\svchost.exe -k netsvcs", "C:\\windows\\System32\\svchost.exe"},
        {"\\SystemRoot\\System32\\drivers\\y.sys", "C:\\windows\\System32\\drivers\\y.sys"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanServiceImagePath(c.first, "C:\\windows"), c.second) << c.first;
}

// A real service started from a quoted path with arguments and a real driver by its short
// path, beside a registry-only service named after its program. (A look-alike's service:
// the force run through KU.exe.)
TEST_F(ServerProgram, RealServiceAndDriverOfTheFolderAreStoppedOnlyByThePlan) {
    const std::string name = UniqueTag("KuForceSvc"), service = kServices + name;
    const std::string driver = kServices + name + "Drv";
    ASSERT_TRUE(CopyFileA(Fixture("kusvc.exe").c_str(), (folder + "\\kusvc.exe").c_str(), FALSE));
    RealService running(name, "\"" + folder + "\\kusvc.exe\" " + name, SERVICE_WIN32_OWN_PROCESS);
    RealService drv(name + "Drv", "\\??\\" + ShortPathOf(folder) + "\\kudrv.sys",
                    SERVICE_KERNEL_DRIVER);
    ASSERT_TRUE(running.Created() && drv.Created());
    ASSERT_TRUE(running.Start());
    planted.String(HKEY_LOCAL_MACHINE, service, "Description", folder + "\\kusvc.exe");
    planted.String(HKEY_LOCAL_MACHINE, service + "Named.exe", "ImagePath",
                   folder + "\\named.exe -service"); // arguments after an unquoted path

    ScanServerProgram(folder + "\\", list, {}, {}, plan);
    EXPECT_EQ(running.State(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(CountItems(list, service + "|"), 2); // the key and its second hit
    EXPECT_TRUE(HasItem(list, ItemText("1", "HKEY_LOCAL_MACHINE", driver)));
    EXPECT_EQ(plan.servicesToStop, (Lines{name, name + "Named.exe"}));
    EXPECT_EQ(plan.driversToDelete, Lines{name + "Drv"});
    // Only the service named after its program ends a process: that program, by its path.
    EXPECT_EQ(plan.processesToEnd, Lines{folder + "\\named.exe"});
    // A program file matches its own service, not the folder's others; elsewhere nothing.
    TUninstallerContents byFile, nothing;
    ForceRemovalPlan filePlan;
    ScanServerProgram(folder + "\\kusvc.exe", byFile, {}, {}, filePlan);
    EXPECT_EQ(CountItems(byFile, service + "|"), 2);
    EXPECT_EQ(CountItems(byFile, driver), 0);
    for (const std::string& elsewhere : {dir.File("Elsewhere"), std::string("   ")})
        ScanServerProgram(elsewhere, nothing, {}, {}, filePlan);
    EXPECT_EQ(nothing.Count(), 0);

    ExecuteForceRemovalPlan(plan);
    EXPECT_TRUE(WaitFor([&] { return running.State() == SERVICE_STOPPED; }, 20000));
    EXPECT_TRUE(WaitFor([&] { return drv.Gone(); }, 20000));
}

TEST_F(ServerProgram, ProcessesModulesAndRunEntriesArePlannedNotEnded) {
    Sleeper own(folder, "fooapp.exe");
    const std::string tag = UniqueTag("KuRun");
    planted.String(HKEY_CURRENT_USER, kRun, tag + "Own",
                   "\"" + ShortPathOf(folder) + "\\fooapp.exe\" /tray");
    const Lines modules = {
        folder + "\\hook.dll[C:\\Tools\\host.exe]",
        folder + "\\hook.dll[C:\\windows\\system32\\svchost.exe]",
        lookAlike + "\\hook.dll[C:\\Tools\\innocent.exe]",
        folder + "\\fooapp.exe[" + lookAlike + "\\fooapp.exe]", // same name, other process
        folder + "\\hook.dll[C:\\windows\\explorer.exe]",
    };
    ScanServerProgram(folder, list, modules, plan);
    EXPECT_TRUE(own.Running()); // the scan ends nothing
    for (const std::string& ended : {own.Path(), std::string("C:\\Tools\\host.exe")})
        EXPECT_TRUE(Has(plan.processesToEnd, ended)) << ended;
    for (const std::string& spared :
         {lookAlike + "\\fooapp.exe", std::string("C:\\Tools\\innocent.exe"),
          std::string("C:\\windows\\system32\\svchost.exe")})
        EXPECT_FALSE(Has(plan.processesToEnd, spared)) << spared;
    EXPECT_TRUE(plan.restartShell);
    EXPECT_EQ(ItemTexts(list), Lines{ItemText("2", "HKEY_CURRENT_USER", kRun, tag + "Own")});

    // Carried out: the shell restart and the Winsock reset go through the launcher. (A
    // look-alike's process, Run entry and same-named process stay: the force run through KU.exe.)
    plan.processesToEnd = {own.Path()};
    plan.resetWinsock = true;
    RecordingLauncher launcher;
    ExecuteForceRemovalPlan(plan);
    EXPECT_EQ(own.WaitExitCode(5000), 1u);
    Lines started;
    for (const auto& request : launcher.Requests())
        started.push_back(request.commandLine);
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, (Lines{"EXPLORER.EXE", "netsh firewall reset", "netsh winsock reset"}));
}

// The program's Run value "Ωmega Nova" reads as "Omega Nova", another program's value: it is
// left alone and said so, and the other program's value is never listed for it.
TEST_F(ServerProgram, ARunValueTheCodePageCannotHoldIsNeverListedAsItsTwin) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::string tag = UniqueTag("KuRun");
    const std::wstring run = WideOf(kRun), greek = WideOf(tag) + kOmega + L"mega Nova";
    ASSERT_TRUE(WideSetString(HKEY_CURRENT_USER, run, greek,
                              WideOf("\"" + folder + "\\fooapp.exe\" /tray")));
    planted.String(HKEY_CURRENT_USER, kRun, tag + "Omega Nova", "\"C:\\Tools\\nova.exe\"");
    std::vector<std::string> leftAlone;
    ScanServerProgram(folder, list, {}, plan, &leftAlone);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, run.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, greek.c_str());
        RegCloseKey(key);
    }
    for (const std::string& item : ItemTexts(list))
        EXPECT_EQ(item.find(tag), std::string::npos) << item;
    EXPECT_EQ(leftAlone,
              Lines({"HKEY_CURRENT_USER\\" + std::string(kRun) + "\\" + tag + "?mega Nova"}))
        << "the value that names the folder is said to be left alone";
}
