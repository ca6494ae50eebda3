// Each core window opens with its frame, its pictures and its texts; one screenshot each
// (C:\kutest\screenshots) for a person to look at.
#include <gtest/gtest.h>

#include "UiSupport.h"
#include "core/system/Dialogs.h"
#include "core/ui/HintForm.h"
#include "core/ui/main/AboutForm.h"
#include "core/ui/main/DetailForm.h"
#include "core/ui/main/MainForm.h"
#include "core/ui/main/StartForm.h"
#include "core/ui/options/ShowLiveUpdateForm.h"
#include "resource.h"
#include "support/RecordingLauncher.h"
#include "support/RecordingWindows.h"
#include "support/Sandbox.h"

namespace {

SIZE ClientSize(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return SIZE{rect.right, rect.bottom};
}

bool IsTopmost(HWND window) {
    return GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST;
}
bool HasCaption(HWND window) {
    return (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
}

void Click(HWND control) {
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

} // namespace

TEST(StartFormWindow, IsTheSplashPictureRoundedAndCentred) {
    ku::TStartForm form;
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    EXPECT_FALSE(HasCaption(form.Handle()));
    EXPECT_TRUE(uitest::HasRoundedRegion(form.Handle()));
    EXPECT_EQ(form.Image1().PictureName(), "Splash");
    SIZE size = ClientSize(form.Handle());
    EXPECT_EQ(size.cx, 420);
    EXPECT_EQ(size.cy, 240);
    RECT frame;
    GetWindowRect(form.Handle(), &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "StartForm"));
}

TEST(AboutFormWindow, OpensBorderlessWithItsPicturesAndClosesFromItsButton) {
    ku::TAboutForm form;
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    EXPECT_FALSE(HasCaption(form.Handle()));
    EXPECT_TRUE(uitest::HasRoundedRegion(form.Handle()));
    EXPECT_EQ(form.BackgroundName(), "AboutBack");
    EXPECT_EQ(ku::WindowText(form.Handle()), "About");
    EXPECT_EQ(ku::WindowText(form.Item(IDC_ABOUT_LABEL1)), "About");
    SIZE size = ClientSize(form.Handle());
    EXPECT_EQ(size.cx, 360);
    EXPECT_EQ(size.cy, 220);
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "AboutForm"));
    Click(form.OKBtn().Handle());
    EXPECT_EQ(form.Handle(), nullptr);
}

namespace {
VOID CALLBACK AnswerActiveDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND active = GetActiveWindow();
    if (active) {
        KillTimer(nullptr, timer);
        PostMessageA(active, WM_LBUTTONUP, 0, MAKELPARAM(100, 100)); // Image1Click
    }
}
} // namespace

TEST(AboutFormWindow, ModalClosesOnAClickOnItsPicture) {
    ku::TAboutForm form;
    UINT_PTR timer = SetTimer(nullptr, 0, 300, AnswerActiveDialog);
    EXPECT_EQ(form.ShowModal(nullptr), IDOK);
    KillTimer(nullptr, timer);
    EXPECT_EQ(form.Handle(), nullptr);
}

TEST(AboutFormWindow, PressBelowTheTopPanelIsAClickNotADrag) {
    ku::TAboutForm form;
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    EXPECT_GT(form.TopPanelHeight(), 0);
    // A press below the panel is a click on the picture: the window closes, it does not move.
    SendMessageA(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 120));
    EXPECT_NE(form.Handle(), nullptr);
    SendMessageA(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(100, 120));
    EXPECT_EQ(form.Handle(), nullptr);
}

TEST(LiveUpdateWindow, StaysOnTopAndAnimates) {
    ku::TShowLiveUpdateForm form;
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    EXPECT_TRUE(HasCaption(form.Handle()));
    EXPECT_TRUE(IsTopmost(form.Handle()));
    EXPECT_EQ(ku::WindowText(form.Handle()), "Live Update");
    EXPECT_EQ(ku::WindowText(form.Item(IDC_LIVE_LABEL1)),
              "Checking the latest version, please wait...");
    EXPECT_EQ(form.Image1().PictureName(), "LiveUpdate");
    EXPECT_EQ(form.FrameCount(), 8);
    const int first = form.CurrentFrame();
    uitest::PumpMessages(450);
    EXPECT_NE(form.CurrentFrame(), first);
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "ShowLiveUpdateForm"));
}

namespace {

class DetailFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form.ProgramName = "Example Editor 3";
        form.Version = "3.1.4";
        form.InstallDate = "Nov. 05, 2009";
        form.InstallLocation = "C:\\Program Files\\Example Editor";
        form.HelpLink = "http://www.example.com/help";
        form.Publisher = "Example Software";
        form.HomePage = "NOT AVAILABLE";
        form.UpdateLink = "C:\\Windows\\system32\\cmd.exe";
        form.ApplicationIcon = LoadIconA(nullptr, IDI_APPLICATION);
        ASSERT_TRUE(form.Create(nullptr));
        form.Show();
    }
    ku::TDetailForm form;
};

} // namespace

TEST_F(DetailFormTest, ShowsTheFactsInADialogFrame) {
    EXPECT_TRUE(HasCaption(form.Handle()));
    EXPECT_EQ(ku::WindowText(form.Handle()), "Kelvane Uninstaller");
    EXPECT_EQ(ku::WindowText(form.Item(IDC_DETAIL_ABPROGRAMNAME)), "Example Editor 3");
    EXPECT_EQ(ku::WindowText(form.Item(IDC_DETAIL_ABVERSION)), "3.1.4");
    EXPECT_EQ(ku::WindowText(form.Item(IDC_DETAIL_ABINSTALLLOCATION)),
              "C:\\Program Files\\Example Editor");
    EXPECT_EQ(ku::WindowText(form.Item(IDC_DETAIL_CAUPDATELINK)), "Update Link");
    EXPECT_EQ(ku::WindowText(form.Item(IDOK)), "&OK");
    EXPECT_EQ(form.BackgroundName(), "DetailBack");
    EXPECT_NE(SendMessageA(form.Item(IDC_DETAIL_PICAPPLICATIONICON), STM_GETICON, 0, 0), 0);
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "DetailForm"));
    // The background's band reaches the right edge of the client area.
    uitest::PumpMessages(50);
    RECT client;
    GetClientRect(form.Handle(), &client);
    POINT corner = {client.right - 2, 1};
    ClientToScreen(form.Handle(), &corner);
    HDC screen = GetDC(nullptr);
    const COLORREF band = GetPixel(screen, corner.x, corner.y);
    ReleaseDC(nullptr, screen);
    EXPECT_LT(GetRValue(band) + GetGValue(band), 0x80) << std::hex << band;
}

TEST_F(DetailFormTest, LinkLightsUpAndOpensOnlyWebAddresses) {
    kutest::RecordingLauncher launcher;
    HWND help = form.Item(IDC_DETAIL_ABHELPLINK);
    SendMessageA(help, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(form.IsLinkHot(help));
    SendMessageA(help, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(form.IsLinkHot(help));
    Click(help);
    // The update link holds a program path from registry data: not started.
    Click(form.Item(IDC_DETAIL_ABUPDATELINK));
    auto requests = launcher.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].file, "http://www.example.com/help");
}

TEST_F(DetailFormTest, NotAvailableNeitherLightsUpNorOpens) {
    kutest::RecordingLauncher launcher;
    HWND home = form.Item(IDC_DETAIL_ABHOMEPAGE);
    SendMessageA(home, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_FALSE(form.IsLinkHot(home));
    Click(home);
    EXPECT_TRUE(launcher.Requests().empty());
}

TEST(HintFormWindow, ShowsItsMessageOnTop) {
    ku::THintForm form;
    ASSERT_TRUE(form.Create(nullptr));
    form.SetMessage("Sending...");
    form.Show();
    EXPECT_TRUE(IsTopmost(form.Handle()));
    EXPECT_TRUE(uitest::HasRoundedRegion(form.Handle()));
    EXPECT_EQ(ku::WindowText(form.Handle()), "Hint");
    EXPECT_EQ(ku::WindowText(form.PanelHint()), "Hint");
    EXPECT_EQ(ku::WindowText(form.LabelMsg()), "Sending...");
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "HintForm"));
}

TEST(MainFormWindow, FrameHasItsButtonsAndOpensTheWizardForTheCommandLine) {
    kutest::ScratchDir dir;
    const std::string file = dir.File("tool.exe");
    ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
    kutest::RecordingWindows windows;
    ku::TUnInstallForm form;
    form.StartFile = file;
    form.StartFolder = dir.Path();
    ASSERT_TRUE(form.Create(nullptr));
    EXPECT_EQ(ku::UnInstallForm, &form);
    form.Show();
    uitest::PumpMessages(200);
    EXPECT_TRUE(uitest::HasRoundedRegion(form.Handle()));
    EXPECT_EQ(form.MinBtn().PictureName(), "Min1");
    EXPECT_EQ(form.CloseBtn().PictureName(), "Close1");
    SendMessageA(form.CloseBtn().Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(form.CloseBtn().PictureName(), "Close2");
    SendMessageA(form.CloseBtn().Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(form.CloseBtn().PictureName(), "Close1");
    const std::vector<std::string> expected = {"force [" + file + "] []",
                                               "force [] [" + dir.Path() + "]"};
    EXPECT_EQ(windows.calls, expected);
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "UnInstallForm"));
    Click(form.CloseBtn().Handle());
    EXPECT_EQ(form.Handle(), nullptr);
}

TEST(MainFormWindow, MissingCommandLinePathOpensNothing) {
    kutest::RecordingWindows windows;
    ku::TUnInstallForm form;
    form.StartFile = "C:\\kutest\\no such file.exe";
    form.StartFolder = "   ";
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    uitest::PumpMessages(200);
    EXPECT_TRUE(windows.calls.empty());
}
