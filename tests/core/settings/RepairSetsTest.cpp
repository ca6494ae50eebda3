// The repair sets go through the launcher in their exact order with their pauses; nothing is
// started for real. (Winsock alone, from the options window, is the options window's test.)
#include <gtest/gtest.h>

#include <algorithm>

#include "core/settings/RepairSets.h"
#include "support/RecordingLauncher.h"

TEST(RepairSets, AllSetsReportEveryRepairAndPauseBeforeTheShellIsReinstalledNoneNothing) {
    kutest::RecordingLauncher launcher;
    std::vector<std::string> events; // "hide|command", "normal|command" or "pause ms", in order
    size_t seen = 0;
    const auto note = [&](const std::string& pause) {
        const auto requests = launcher.Requests();
        for (; seen < requests.size(); ++seen)
            events.push_back((requests[seen].show == SW_HIDE ? "hide|" : "normal|") +
                             requests[seen].commandLine);
        if (!pause.empty())
            events.push_back(pause);
    };
    const auto sleep = [&](DWORD ms) { note("pause " + std::to_string(ms)); };
    EXPECT_EQ(ku::RunRepairSets({}, "C:\\windows\\system32", "C:\\windows", sleep), "");
    EXPECT_TRUE(launcher.Requests().empty());
    EXPECT_EQ(ku::RunRepairSets({true, true, true, true, true, true}, "C:\\windows\\system32",
                                "C:\\windows", sleep),
              "Restore script analysis!\rRestore winsock!\rRestore system default association!\r"
              "Restore applicable exe file association!\rRestore MSI installation!\r"
              "Re-register system components!");
    note("");
    const auto shellInf =
        std::find(events.begin(), events.end(),
                  "normal|rundll32.exe DefaultInstall C:\\windows\\inf\\shell.inf");
    ASSERT_NE(shellInf, events.end());
    EXPECT_EQ(*(shellInf - 1), "pause 2000") << "shell32 is unregistered just before";
    EXPECT_EQ(std::count(events.begin(), events.end(), "hide|netsh winsock reset"), 1);
}
