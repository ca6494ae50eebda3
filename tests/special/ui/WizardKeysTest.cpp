// The special-uninstall wizard under the keyboard and read by a user: Enter goes on, Esc
// cancels, Tab reaches its buttons, the found list scrolls to its longest path and the labels
// show their texts whole.
#include <gtest/gtest.h>

#include <algorithm>

#include <thread>

#include "SubmitToFormIds.h"
#include "UiSupport.h"
#include "WizardDriver.h"
#include "core/ui/TextFit.h"
#include "support/Files.h"
#include "support/Keys.h"
#include "support/PlantedRegistry.h"

namespace {

using spectest::WizardDriver;

int WrappedHeight(HWND label, const std::string& text, int width) {
    HDC dc = GetDC(label);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT needed = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return needed.bottom;
}

TEST(SpecialWizardKeys, EnterGoesOnEscCancelsAndTabReachesTheButtons) {
    kutest::RecordingDialogs dialogs;
    WizardDriver wizard;
    const HWND form = wizard.form.Handle();
    const std::vector<HWND> stops = uitest::TabStops(form);
    for (int id : {IDC_SPECIAL_LISTUNISTALL, IDC_SPECIAL_STEPBITBTN, IDC_SPECIAL_CANCELBITBTN})
        EXPECT_NE(std::find(stops.begin(), stops.end(), wizard.Item(id)), stops.end()) << id;

    const HWND list = wizard.Item(IDC_SPECIAL_LISTUNISTALL);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetFocus(list);
    uitest::PressKey(form, VK_RETURN);
    ASSERT_TRUE(IsWindow(form)) << "Enter closed the wizard";
    EXPECT_EQ(wizard.form.PageIndex(), ku::SpecialPageScan);
    uitest::PressKey(form, VK_ESCAPE);
    EXPECT_FALSE(IsWindow(form)) << "Esc did not cancel";
}

// The found list is as wide as its longest path, measured in the list's own font.
TEST(SpecialWizardKeys, TheFoundListScrollsToItsLongestPath) {
    kutest::RecordingDialogs dialogs;
    const std::string app = "C:\\Program Files\\KuCopernic Agent in a folder whose name runs far "
                            "past the right edge of the list";
    CreateDirectoryA(app.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(app + "\\CopernicAgent.exe"));
    {
        kutest::PlantedRegistry registry(kutest::NativeView());
        registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\Copernic\\Agent\\System", "RootFolder", app);
        WizardDriver wizard;
        const HWND list = wizard.Item(IDC_SPECIAL_LISTUNISTALL);
        ListView_SetItemState(list, 39, LVIS_SELECTED, LVIS_SELECTED); // Copernic Agent
        wizard.form.StepBitBtnClick();
        wizard.form.StepBitBtnClick();
        ASSERT_EQ(wizard.form.PageIndex(), ku::SpecialPageReview);
        const HWND found = wizard.Item(IDC_SPECIAL_LISTFILE);
        const std::vector<std::string> lines = kutest::ItemTexts(found, LB_GETCOUNT, LB_GETTEXT);
        ASSERT_FALSE(lines.empty());
        int widest = 0;
        for (const std::string& line : lines)
            widest = std::max(widest, ku::TextWidth(found, line));
        RECT client;
        GetClientRect(found, &client);
        ASSERT_GT(widest, client.right) << "the path is meant to be longer than the list";
        EXPECT_GE(SendMessageA(found, LB_GETHORIZONTALEXTENT, 0, 0), widest);
    }
    DeleteFileA((app + "\\CopernicAgent.exe").c_str());
    RemoveDirectoryA(app.c_str());
}

// Every label of the pages shows its whole text in its own font, and the header's first line
// leaves no word alone on a line of its own.
TEST(SpecialWizardKeys, LabelsShowTheirWholeTexts) {
    WizardDriver wizard;
    for (int id : {IDC_SPECIAL_LABEL1, IDC_SPECIAL_LABEL2, IDC_SPECIAL_LABEL3,
                   IDC_SPECIAL_ABSUBMITTOUSBTN, IDC_SPECIAL_PANEL1, IDC_SPECIAL_SCANLABEL1,
                   IDC_SPECIAL_SCANLABEL2, IDC_SPECIAL_PROCESSLABEL1, IDC_SPECIAL_PROCESSLABEL2,
                   IDC_SPECIAL_ABFINISH, IDC_SPECIAL_ABFINISHMESSAGE})
        EXPECT_TRUE(uitest::TextFitsLabel(wizard.Item(id))) << id;
    // Without its last word the first line wraps into as many lines: the word is not alone.
    const HWND first = wizard.Item(IDC_SPECIAL_LABEL1);
    const std::string text = ku::WindowText(first);
    RECT client;
    GetClientRect(first, &client);
    EXPECT_EQ(WrappedHeight(first, text.substr(0, text.rfind(' ')), client.right),
              WrappedHeight(first, text, client.right))
        << "\"" << text.substr(text.rfind(' ') + 1) << "\" alone on a line";
}

// The user's part of a run with keys alone, from another thread while the wizard runs modally:
// each page shows with the keys on its own control, they stay there after the request form
// has been opened and closed, and the wizard ends on Enter. Whatever went wrong, the wizard is
// closed at the end.
void KeysAloneThroughTheWizard() {
    HWND form = nullptr;
    kutest::WaitFor([&] {
        form = ku::FormUninstall ? ku::FormUninstall->Handle() : nullptr;
        return form && IsWindowVisible(form);
    });
    const auto item = [&](int id) { return GetDlgItem(form, id); };
    const auto keysOn = [&](int id, const char* page) {
        EXPECT_TRUE(kutest::WaitForFocus(form, id)) << page << ": " << kutest::DescribeFocus(form);
    };
    const auto shows = [&](int id) {
        return kutest::WaitFor([&] { return IsWindowVisible(item(id)) != FALSE; }, 60000);
    };
    keysOn(IDC_SPECIAL_LISTUNISTALL, "the list");
    // The request form, opened with Space on its button and closed with Esc.
    if (kutest::TabTo(form, item(IDC_SPECIAL_SUBMITTOUSBTN))) {
        kutest::PostKey(form, VK_SPACE);
        const DWORD self = GetCurrentProcessId();
        const HWND submit = kutest::WaitForWindowWith(self, IDC_SUBMIT_EDITFULLNAME, 10000);
        EXPECT_NE(submit, nullptr) << "Space did not open the request form";
        if (submit && kutest::WaitForFocus(submit, 0))
            kutest::PostKey(submit, VK_ESCAPE);
        kutest::WaitFor([&] { return !IsWindow(submit); });
        keysOn(IDC_SPECIAL_LISTUNISTALL, "back from the request form");
    }
    // Down the list to its fortieth entry, Copernic Agent.
    kutest::PostKey(form, VK_HOME);
    for (int row = 0; row < 39; ++row)
        kutest::PostKey(form, VK_DOWN);
    const HWND list = item(IDC_SPECIAL_LISTUNISTALL);
    kutest::WaitFor([&] { return ListView_GetNextItem(list, -1, LVNI_SELECTED) == 39; });
    const struct {
        int shows, keysOn;
        const char* page;
    } pages[] = {{IDC_SPECIAL_SCANLABEL1, IDC_SPECIAL_STEPBITBTN, "scan"},
                 {IDC_SPECIAL_LISTFILE, IDC_SPECIAL_STEPBITBTN, "found"},
                 {IDC_SPECIAL_ABFINISH, IDC_SPECIAL_CANCELBITBTN, "finished"}};
    bool going = true;
    for (const auto& p : pages) {
        if (!going)
            break;
        kutest::PostKey(form, VK_RETURN);
        going = shows(p.shows);
        EXPECT_TRUE(going) << p.page;
        keysOn(p.keysOn, p.page);
    }
    kutest::PostKey(form, VK_RETURN);
    EXPECT_TRUE(kutest::WaitFor([&] { return !IsWindow(form); }, 5000)) << "Enter at the end";
    for (int i = 0; i < 100 && ku::FormUninstall; ++i) {
        for (const HWND window : {kutest::WindowsOf(GetCurrentProcessId()).other, form})
            PostMessageA(window, WM_CLOSE, 0, 0);
        Sleep(100);
    }
}

// The whole wizard with keys alone: Tab, Space, Esc, the arrows and Enter; the removal of the
// chosen application is answered (no backup, files deleted) and tells the main window to
// reload its list.
TEST(SpecialWizardKeys, KeysAloneRunTheWizardToItsEnd) {
    const std::string app = "C:\\Program Files\\KuCopernic Agent";
    CreateDirectoryA(app.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(app + "\\CopernicAgent.exe"));
    kutest::RecordingDialogs dialogs;
    dialogs.answers = {IDNO, IDYES, IDOK};
    int result = -1;
    {
        kutest::PlantedRegistry registry(kutest::NativeView());
        registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\Copernic\\Agent\\System", "RootFolder", app);
        std::thread user(KeysAloneThroughTheWizard);
        result = ku::RunSpecialUninstallWizard(nullptr);
        user.join();
    }
    EXPECT_EQ(result, 1) << "the list is not reloaded";
    EXPECT_FALSE(kutest::FileThere(app + "\\CopernicAgent.exe"));
    DeleteFileA((app + "\\CopernicAgent.exe").c_str());
    RemoveDirectoryA(app.c_str());
}

} // namespace
