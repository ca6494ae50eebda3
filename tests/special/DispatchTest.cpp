// The application list and the dispatch table agree, and a removal whose backup failed
// removes nothing and says so.
#include <gtest/gtest.h>

#include <set>

#include "core/system/PublicFunctionUnit.h"
#include "special/ApplicationList.h"
#include "special/SpecialDispatch.h"
#include "special/SpecialUninstall.h"
#include "special/profiles/ProfileUnits.h"
#include "support/RawRegistry.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"

namespace {

TEST(ApplicationList, EveryEntryButOneReachesAProfileAndEveryProfileIsReached) {
    std::set<std::string> keys;
    std::set<const ku::ProfileRow*> reached;
    for (const std::string& text : ku::ApplicationList()) {
        const ku::ApplicationEntry entry = ku::SplitApplicationEntry(text);
        keys.insert(entry.key);
        const ku::DispatchRow* row = ku::FindDispatchRow(entry.key);
        EXPECT_EQ(row == nullptr, entry.key == "Tweak_XPPro4") << entry.key;
        if (!row)
            continue;
        reached.insert(row->scanProfile);
        reached.insert(row->removalProfile);
        EXPECT_FALSE(row->removal.empty()) << entry.key;
    }
    EXPECT_EQ(ku::ApplicationList().size(), 119u);
    EXPECT_EQ(keys.size(), 118u); // both F-Secure entries share one key
    EXPECT_EQ(reached.size(), ku::profiles::AllProfiles().size());
}

// A key of the test's own stands for the application: the profile's section (in the data
// files beside the test program) deletes it, unless the backup before it failed.
TEST(Removal, AFailedBackupRemovesNothing) {
    kutest::ScratchKey key;
    kutest::RecordingDialogs dialogs;
    kutest::RecordingLauncher launcher;
    kutest::RawCreateKey(HKEY_CURRENT_USER, key.Path());
    const std::string data = ku::ProgramDir() + "CodeC.dat";
    ASSERT_TRUE(kutest::WriteTextFile(data, "[CopernicAgBa6]\r\ndelRegkey(HKEY_CURRENT_USER,'" +
                                                key.Path() + "')\r\n[/CopernicAgBa6]\r\n"));
    launcher.ok = false; // the registry export cannot start
    dialogs.answers = {IDYES};
    EXPECT_FALSE(ku::TSpecialUninstall().RemoveApplication("CopernicAgBa6"));
    DeleteFileA(data.c_str());
    EXPECT_TRUE(kutest::RawKeyExists(HKEY_CURRENT_USER, key.Path()));
    const auto calls = dialogs.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_NE(calls[1].text.find("nothing was removed"), std::string::npos);
}

} // namespace
