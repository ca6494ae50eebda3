// The repair sets go through the launcher in their exact order with their pauses; nothing is
// started for real.
#include <gtest/gtest.h>

#include <algorithm>

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

// Winsock alone (two hidden commands after an empty first line of the report) the options
// window runs; here every set, and none.
TEST(RepairSets, AllSetsReportEveryRepairAndPauseBeforeTheShellIsReinstalledNoneNothing) {
    RepairRun run = RunTicked({});
    EXPECT_TRUE(run.events.empty() && run.result.empty());
    run = RunTicked({true, true, true, true, true, true});
    const auto shellInf =
        std::find(run.events.begin(), run.events.end(),
                  "normal|rundll32.exe DefaultInstall C:\\windows\\inf\\shell.inf");
    ASSERT_NE(shellInf, run.events.end());
    EXPECT_EQ(std::count(run.events.begin(), run.events.end(), "hide|netsh winsock reset"), 1);
    EXPECT_EQ(*(shellInf - 1), "pause 2000") << "shell32 is unregistered just before";
    EXPECT_EQ(run.result, "Restore script analysis!\rRestore winsock!\r"
                          "Restore system default association!\r"
                          "Restore applicable exe file association!\rRestore MSI installation!\r"
                          "Re-register system components!");
}
