// The running-program scan: service image paths, services and drivers of a folder, processes
// and their modules, Run entries; nothing is ended before the plan is carried out.
#include <gtest/gtest.h>

#include <algorithm>

#include "ForceSupport.h"
#include "core/force/ForcePathWord.h"
#include "core/force/ServerProgramScan.h"
#include "core/system/PublicFunctionUnit.h"
#include "support/RealService.h"
#include "support/RecordingLauncher.h"
#include "support/Spawn.h"

using namespace ku;
using kutest::HasItem;
using kutest::ItemText;
using kutest::OwnKey;
using kutest::ScratchDir;

namespace {

const std::string kServices = "SYSTEM\\CurrentControlSet\\Services\\";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

bool Has(const std::vector<std::string>& list, const std::string& text) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& entry) {
        return _stricmp(entry.c_str(), text.c_str()) == 0;
    });
}

} // namespace

TEST(ServerProgram, ServiceImagePathsAreCleaned) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"C:\\Foo App\\svc.exe\" -k run", "C:\\Foo App\\svc.exe"},
        {"\\??\\C:\\Foo\\drv.sys", "C:\\Foo\\drv.sys"},
        {"system32\\drivers\\x.sys", "C:\\windows\\system32\\drivers\\x.sys"},
        {"%SystemRoot%\\System32\\svchost.exe -k netsvcs", "C:\\windows\\System32\\svchost.exe"},
        {"\\SystemRoot\\System32\\drivers\\y.sys", "C:\\windows\\System32\\drivers\\y.sys"},
        {"\"unterminated", "unterminated"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanServiceImagePath(c.first, "C:\\windows"), c.second) << c.first;
}

TEST(ServerProgram, ServicesAndDriversOfTheFolderOnly) {
    ScratchDir dir;
    const std::string folder = dir.File("Foo App"), lookAlike = dir.File("Foo AppBar");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string tag = kutest::UniqueTag("KuFrc");
    OwnKey service(HKEY_LOCAL_MACHINE, kServices + tag + "Svc");
    service.SetString("", "ImagePath", "\"" + folder + "\\svc.exe\" -run fast", REG_EXPAND_SZ);
    service.SetString("", "Description", folder + "\\svc.exe"); // a second matching value
    OwnKey driver(HKEY_LOCAL_MACHINE, kServices + tag + "Drv");
    driver.SetString("", "ImagePath", "\\??\\" + ShortPathOf(folder) + "\\kudrv.sys");
    OwnKey canary(HKEY_LOCAL_MACHINE, kServices + tag + "Canary");
    canary.SetString("", "ImagePath", "\"" + lookAlike + "\\svc.exe\"");
    // Named after its program, with arguments after an unquoted path.
    OwnKey named(HKEY_LOCAL_MACHINE, kServices + tag + "Named.exe");
    named.SetString("", "ImagePath", folder + "\\named.exe -service");

    TUninstallerContents list, byFile, nothing;
    ForceRemovalPlan plan, filePlan;
    ScanServerProgram(folder + "\\", list, {}, {}, plan);
    EXPECT_EQ(kutest::CountItems(list, service.Path() + "|"), 2);
    EXPECT_TRUE(HasItem(list, ItemText("1", "HKEY_LOCAL_MACHINE", driver.Path())));
    EXPECT_EQ(kutest::CountItems(list, canary.Path()), 0);
    EXPECT_EQ(plan.servicesToStop, (std::vector<std::string>{tag + "Named.exe", tag + "Svc"}));
    EXPECT_EQ(plan.driversToDelete, std::vector<std::string>{tag + "Drv"});
    // Only the service named after its program ends a process: that program, by its path.
    EXPECT_EQ(plan.processesToEnd, std::vector<std::string>{folder + "\\named.exe"});
    // A program file matches its own service, not the folder's others.
    ScanServerProgram(folder + "\\svc.exe", byFile, {}, {}, filePlan);
    EXPECT_EQ(kutest::CountItems(byFile, service.Path() + "|"), 2);
    EXPECT_EQ(kutest::CountItems(byFile, driver.Path()), 0);
    // A folder that matches nothing leaves the list as it was.
    ScanServerProgram(dir.File("Elsewhere"), nothing, {}, {}, plan);
    ScanServerProgram("   ", nothing, {}, {}, plan);
    EXPECT_EQ(nothing.Count(), 0);
}

TEST(ServerProgram, ProcessesModulesAndRunEntriesArePlannedNotEnded) {
    ScratchDir dir;
    const std::string folder = dir.File("Foo App"), lookAlike = dir.File("Foo AppBar");
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA(lookAlike.c_str(), nullptr);
    kutest::Sleeper own(folder, "fooapp.exe"), canary(lookAlike, "fooapp.exe");
    const std::string tag = kutest::UniqueTag("KuRun");
    kutest::RawSetString(HKEY_CURRENT_USER, kRun, tag + "Own",
                         "\"" + ShortPathOf(folder) + "\\fooapp.exe\" /tray");
    kutest::RawSetString(HKEY_CURRENT_USER, kRun, tag + "Canary", "\"" + lookAlike + "\\fooapp.exe\"");
    const std::vector<std::string> modules = {
        folder + "\\hook.dll[C:\\Tools\\host.exe]",
        folder + "\\hook.dll[C:\\windows\\system32\\svchost.exe]",
        lookAlike + "\\hook.dll[C:\\Tools\\innocent.exe]",
        folder + "\\fooapp.exe[" + lookAlike + "\\fooapp.exe]", // same name, other process
        folder + "\\hook.dll[C:\\windows\\explorer.exe]",
    };

    TUninstallerContents list;
    ForceRemovalPlan plan;
    ScanServerProgram(folder, list, modules, plan);
    for (const char* name : {"Own", "Canary"})
        kutest::RawDeleteValue(HKEY_CURRENT_USER, kRun, tag + name);
    EXPECT_TRUE(own.Running()); // the scan ends nothing
    EXPECT_TRUE(Has(plan.processesToEnd, own.Path()) && Has(plan.processesToEnd, "C:\\Tools\\host.exe"));
    for (const std::string& spared :
         {canary.Path(), std::string("C:\\windows\\system32\\svchost.exe"), std::string("C:\\Tools\\innocent.exe")})
        EXPECT_FALSE(Has(plan.processesToEnd, spared)) << spared;
    EXPECT_TRUE(plan.restartShell);
    EXPECT_EQ(kutest::ItemTexts(list),
              std::vector<std::string>{ItemText("2", "HKEY_CURRENT_USER", kRun, tag + "Own")});

    // Carried out: only the program's own process ends; the shell restart and the Winsock
    // reset go through the launcher.
    plan.processesToEnd = {own.Path()};
    plan.resetWinsock = true;
    kutest::RecordingLauncher launcher;
    ExecuteForceRemovalPlan(plan);
    EXPECT_EQ(own.WaitExitCode(5000), 1u);
    EXPECT_TRUE(canary.Running());
    std::vector<std::string> started;
    for (const auto& request : launcher.Requests())
        started.push_back(request.commandLine);
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, (std::vector<std::string>{"EXPLORER.EXE", "netsh firewall reset",
                                                 "netsh winsock reset"}));
}

TEST(ServerProgram, RealServiceWithQuotedPathIsStoppedOnlyByThePlan) {
    ScratchDir dir;
    const std::string folder = dir.File("Foo Service");
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(kutest::Fixture("kusvc.exe").c_str(), (folder + "\\kusvc.exe").c_str(),
                          FALSE));
    const std::string name = kutest::UniqueTag("KuForceSvc");
    kutest::RealService service(name, "\"" + folder + "\\kusvc.exe\" " + name,
                                SERVICE_WIN32_OWN_PROCESS);
    kutest::RealService driver(name + "Drv", "\\??\\" + folder + "\\kudrv.sys",
                               SERVICE_KERNEL_DRIVER);
    ASSERT_TRUE(service.Created() && driver.Created());
    ASSERT_TRUE(service.Start());

    TUninstallerContents list;
    ForceRemovalPlan plan;
    ScanServerProgram(folder, list, {}, plan);
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_TRUE(HasItem(list, ItemText("1", "HKEY_LOCAL_MACHINE", kServices + name)));
    EXPECT_TRUE(HasItem(list, ItemText("1", "HKEY_LOCAL_MACHINE", kServices + name + "Drv")));
    ASSERT_TRUE(Has(plan.servicesToStop, name) && Has(plan.driversToDelete, name + "Drv"));

    ExecuteForceRemovalPlan(plan);
    EXPECT_TRUE(kutest::WaitFor([&] { return service.State() == SERVICE_STOPPED; }, 20000));
    EXPECT_TRUE(kutest::WaitFor([&] { return driver.Gone(); }, 20000));
}
