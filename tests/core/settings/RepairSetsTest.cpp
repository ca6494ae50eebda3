// The repair sets go through the launcher in their exact order with their pauses; nothing is
// started for real.
#include <gtest/gtest.h>

#include "core/settings/RepairSets.h"
#include "support/RecordingLauncher.h"

namespace {

const std::string S = "C:\\windows\\system32";
const std::string W = "C:\\windows";

// Every start as "show|command line" and every pause as "pause ms", in the order they came.
struct RepairRun {
    std::vector<std::string> events;
    std::string result;
};

RepairRun RunTicked(std::array<bool, ku::kRepairSetCount> ticked) {
    kutest::RecordingLauncher launcher;
    RepairRun run;
    size_t seen = 0;
    auto note = [&] {
        auto requests = launcher.Requests();
        for (; seen < requests.size(); ++seen) {
            EXPECT_EQ(requests[seen].kind, ku::LaunchRequest::Kind::Exec);
            run.events.push_back((requests[seen].show == SW_HIDE ? "hide|" : "normal|") +
                                 requests[seen].commandLine);
        }
    };
    run.result = ku::RunRepairSets(ticked, S, W, [&](DWORD ms) {
        note();
        run.events.push_back("pause " + std::to_string(ms));
    });
    note();
    return run;
}

} // namespace

TEST(RepairSets, WinsockAloneRunsTwoHiddenCommandsAfterAnEmptyFirstLineAndNoneNothing) {
    RepairRun run = RunTicked({false, true, false, false, false, false});
    EXPECT_EQ(run.events,
              (std::vector<std::string>{"hide|netsh winsock reset", "hide|netsh firewall reset"}));
    EXPECT_EQ(run.result, "\rRestore winsock!");
    run = RunTicked({});
    EXPECT_TRUE(run.events.empty());
    EXPECT_EQ(run.result, "");
}

TEST(RepairSets, AllSetsRunInTableOrderWithTheirPauses) {
    RepairRun run = RunTicked({true, true, true, true, true, true});
    const std::vector<std::string> expected = {
        "normal|regsvr32 C:\\windows\\system32\\actxprxy.dll  /s",
        "normal|regsvr32 C:\\windows\\system32\\shdocvw.dll  /s",
        "normal|regsvr32 C:\\windows\\system32\\oleaut32.dll  /s",
        "normal|regsvr32 C:\\windows\\system32\\browseui.dll  /s",
        "normal|regsvr32 C:\\windows\\system32\\urlmon.dll  /s",
        "normal|regsvr32 C:\\windows\\system32\\jscript.dll  /s",
        "normal|regsvr32 C:\\windows\\system32\\vbscript.dll  /s",
        "hide|netsh winsock reset",
        "hide|netsh firewall reset",
        "normal|regsvr32 C:\\windows\\system32\\shdocvw.dll  /u /s",
        "normal|regsvr32 C:\\windows\\system32\\shell32.dll  /u /s",
        "pause 2000",
        "normal|rundll32.exe DefaultInstall C:\\windows\\inf\\shell.inf",
        "normal|regsvr32 C:\\windows\\system32\\shdocvw.dll  /s",
        "normal|regsvr32 C:\\windows\\system32\\shell32.dll  /s",
        "normal|C:\\windows\\system32\\cmd.exe /c assoc .exe=exefile",
        "normal|C:\\windows\\system32\\msiexec.exe /unregserver",
        "pause 500",
        "normal|regsvr32 C:\\windows\\system32\\msi.dll /s",
        "normal|regsvr32 C:\\windows\\system32\\msihnd.dll /s",
        "normal|regsvr32 C:\\windows\\system32\\msimsg.dll /s",
        "normal|regsvr32 C:\\windows\\system32\\msisip.dll /s",
        "normal|C:\\windows\\system32\\cmd.exe /c assoc .msi=Msi.Package",
        "normal|C:\\windows\\system32\\cmd.exe /c assoc .msp=Msi.Patch",
        "pause 500",
        "normal|C:\\windows\\system32\\msiexec.exe /regserver",
        "normal|C:\\windows\\system32\\cmd.exe /c for %1 in (%windir%\\system32\\*.dll) do "
        "regsvr32.exe /s %1",
    };
    EXPECT_EQ(run.events, expected);
    EXPECT_EQ(run.result, "Restore script analysis!\rRestore winsock!\r"
                          "Restore system default association!\r"
                          "Restore applicable exe file association!\rRestore MSI installation!\r"
                          "Re-register system components!");
}
