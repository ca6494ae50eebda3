// Each core window opens with its frame, a picture and its texts; one screenshot each
// (C:\kutest\screenshots) for a person to look at.
#include <gtest/gtest.h>

#include "MainUnitIds.h"
#include "StepFormIds.h"
#include "UiSupport.h"
#include "core/ui/HintForm.h"
#include "core/ui/main/AboutForm.h"
#include "core/ui/main/DetailForm.h"
#include "core/ui/main/MainForm.h"
#include "core/ui/main/StartForm.h"
#include "core/ui/options/ShowLiveUpdateForm.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "resource.h"
#include "support/RecordingLauncher.h"
#include "support/RecordingWindows.h"
#include "support/Sandbox.h"

namespace {

// The frame of a shown window: caption or none, topmost, rounded, client size.
std::string Frame(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const LONG style = GetWindowLongA(window, GWL_STYLE), ex = GetWindowLongA(window, GWL_EXSTYLE);
    return std::string((style & WS_CAPTION) == WS_CAPTION ? "caption" : "borderless") +
           (ex & WS_EX_TOPMOST ? " topmost" : "") +
           (uitest::HasRoundedRegion(window) ? " rounded " : " ") + std::to_string(client.right) +
           "x" + std::to_string(client.bottom);
}

// Creates and shows the window, saves its screenshot and answers its frame.
template <class Form> std::string Opened(Form& form, const char* name) {
    if (!form.Create(nullptr))
        return "not created";
    form.Show();
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), name));
    return Frame(form.Handle());
}

TEST(Forms, EachWindowOpensWithItsFrameAndPictureAndAboutClosesFromItsButton) {
    ku::TStartForm start;
    ku::TAboutForm about;
    ku::TShowLiveUpdateForm live;
    ku::THintForm hint;
    const std::string frames[] = {Opened(start, "StartForm"), Opened(about, "AboutForm"),
                                  Opened(live, "ShowLiveUpdateForm"), Opened(hint, "HintForm")};
    EXPECT_EQ(frames[0] + " " + start.Image1().PictureName(), "borderless rounded 420x240 Splash");
    EXPECT_EQ(frames[1] + " " + about.BackgroundName(), "borderless rounded 360x220 AboutBack");
    EXPECT_EQ(frames[2].substr(0, 15) + " " + live.Image1().PictureName(),
              "caption topmost LiveUpdate");
    hint.SetMessage("Sending...");
    EXPECT_EQ(frames[3].substr(0, 26) + "|" + ku::WindowText(hint.LabelMsg()),
              "borderless topmost rounded|Sending...");
    uitest::ClickControl(about.OKBtn().Handle());
    EXPECT_EQ(about.Handle(), nullptr);
}

// Links open only when they hold a web address: never "NOT AVAILABLE", never a program path
// from registry data.
TEST(Forms, DetailFormShowsItsIconAndOpensOnlyWebAddresses) {
    ku::TDetailForm form;
    form.ProgramName = "Example Editor 3";
    form.HelpLink = "http://www.example.com/help";
    form.HomePage = "NOT AVAILABLE";
    form.UpdateLink = "C:\\Windows\\system32\\cmd.exe";
    form.ApplicationIcon = LoadIconA(nullptr, IDI_APPLICATION);
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    EXPECT_NE(SendMessageA(form.Item(IDC_DETAIL_PICAPPLICATIONICON), STM_GETICON, 0, 0), 0);
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "DetailForm"));
    kutest::RecordingLauncher launcher;
    for (int id : {IDC_DETAIL_ABHELPLINK, IDC_DETAIL_ABHOMEPAGE, IDC_DETAIL_ABUPDATELINK})
        uitest::ClickControl(form.Item(id));
    ASSERT_EQ(launcher.Requests().size(), 1u);
    EXPECT_EQ(launcher.Requests()[0].file, "http://www.example.com/help");
}

// A name too long for the label ends with an ellipsis on the label's last line; a short one
// shows whole.
TEST(Forms, DetailFormEndsALongNameWithAnEllipsisInsideItsLabel) {
    const struct {
        std::string name;
        bool cut;
    } cases[] = {{"Example Editor 3", false},
                 {"Example Editor With A Name So Long That It Wraps Over Every Line The Label "
                  "Has And Still Goes On For Another Few Words And More Words Again",
                  true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ku::TDetailForm form;
        form.ProgramName = c.name;
        ASSERT_TRUE(form.Create(nullptr));
        const HWND label = form.Item(IDC_DETAIL_ABPROGRAMNAME);
        const std::string shown = ku::WindowText(label);
        EXPECT_TRUE(uitest::TextFitsLabel(label)) << shown;
        EXPECT_EQ(shown == c.name, !c.cut) << shown;
        if (c.cut) {
            EXPECT_EQ(shown.back(), '\x85') << shown;
        }
    }
}

// A publisher is a name, not a path: where it is too long for its label it is cut at its end,
// in the main window's facts, the details and the wizard alike.
TEST(Forms, PublisherLabelsCutAtTheirEnd) {
    ku::TUnInstallForm main;
    ku::TDetailForm details;
    ku::TUninstallStepForm wizard;
    ASSERT_TRUE(main.Create(nullptr) && details.Create(nullptr) && wizard.Create(nullptr));
    const struct {
        const char* window;
        HWND label;
    } labels[] = {{"main", main.Item(IDC_MAIN_ABVERSION + 4)},
                  {"details", details.Item(IDC_DETAIL_ABPUBLISHER)},
                  {"wizard", wizard.Item(IDC_STEP_ABPUBLISHER)}};
    for (const auto& l : labels)
        EXPECT_EQ(GetWindowLongA(l.label, GWL_STYLE) & SS_ELLIPSISMASK, SS_ENDELLIPSIS)
            << l.window;
}

// An existing file as the argument opens the force wizard for it, then for its folder.
TEST(Forms, MainFormHasItsButtonsAndOpensTheForceWizardForAnExistingArgument) {
    kutest::ScratchDir dir;
    const std::string file = dir.File("tool.exe");
    ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
    const struct {
        std::string file, folder;
        std::vector<std::string> opened;
    } cases[] = {
        {file, dir.Path(), {"force [" + file + "] []", "force [] [" + dir.Path() + "]"}},
        {"C:\\kutest\\no such file.exe", "   ", {}},
    };
    for (const auto& c : cases) {
        kutest::RecordingWindows windows;
        ku::TUnInstallForm form;
        form.StartFile = c.file;
        form.StartFolder = c.folder;
        ASSERT_TRUE(form.Create(nullptr));
        EXPECT_EQ(ku::UnInstallForm, &form);
        form.Show();
        uitest::PumpMessages(200);
        EXPECT_EQ(windows.calls, c.opened) << c.file;
        EXPECT_EQ(form.CloseBtn().PictureName(), "Close1");
        uitest::ClickControl(form.CloseBtn().Handle());
        EXPECT_EQ(form.Handle(), nullptr);
    }
}

} // namespace
