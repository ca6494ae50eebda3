// The data module: the view menu and what it does at creation; the windowed update check.
#include <gtest/gtest.h>

#include "core/settings/Settings.h"
#include "core/system/Dialogs.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/ui/DataModule.h"
#include "core/ui/options/ShowLiveUpdateForm.h"
#include "resource.h"
#include "support/RecordingLauncher.h"

namespace {

bool IsChecked(HMENU menu, UINT command) {
    return GetMenuState(menu, command, MF_BYCOMMAND) & MF_CHECKED;
}

} // namespace

TEST(DataModule, ViewMenuChecksOneItemAndSetsTheListStyle) {
    ku::TDM dm;
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
    dm.ProgramListView = list;
    HMENU menu = dm.ViewPopupMenu();
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_TRUE(IsChecked(menu, IDC_VIEW_DETAILS));
    dm.Icons1Click();
    EXPECT_TRUE(IsChecked(menu, IDC_VIEW_ICONS));
    EXPECT_FALSE(IsChecked(menu, IDC_VIEW_DETAILS));
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_ICON);
    dm.ApplyViewStyle(2);
    EXPECT_TRUE(IsChecked(menu, IDC_VIEW_LIST));
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_LIST);
    dm.Details1Click();
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    DestroyWindow(list);
}

TEST(DataModule, CreationPicksTheRegistryViewAndSkipsTheCheckWhenOff) {
    ku::Settings = ku::TSettings();
    ku::Settings.CheckUpdate = false;
    ku::RegistryView64 = !ku::IsWow64();
    int boxes = 0;
    ku::SetMessageBoxHook([&](const ku::MessageBoxCall&) { return ++boxes, IDNO; });
    kutest::RecordingLauncher launcher;
    ku::TDM dm;
    ku::UpdateCheckPlaces places;
    places.programDir = "C:\\kutest\\scratch\\";
    EXPECT_FALSE(dm.DataModuleCreate(places));
    EXPECT_EQ(ku::RegistryView64.load(), ku::IsWow64());
    EXPECT_EQ(boxes, 0);
    ku::SetMessageBoxHook(nullptr);
}

TEST(WindowedUpdateCheck, WithoutNetworkTheWaitWindowClosesBeforeTheMessage) {
    ku::SetMakerWebHost("http://127.0.0.1:1");
    std::vector<std::string> texts;
    bool waitOpenDuringMessage = true;
    ku::SetMessageBoxHook([&](const ku::MessageBoxCall& call) {
        texts.push_back(call.text);
        waitOpenDuringMessage = FindWindowA(nullptr, "Live Update") != nullptr;
        return IDOK;
    });
    kutest::RecordingLauncher launcher;
    EXPECT_FALSE(ku::CheckForUpdate(true));
    ku::SetMessageBoxHook(nullptr);
    ku::SetMakerWebHost("");
    EXPECT_EQ(texts, std::vector<std::string>{ku::kNoUpdateMessage});
    EXPECT_FALSE(waitOpenDuringMessage);
    EXPECT_TRUE(launcher.Requests().empty());
    MSG quit;
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}
