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
// The picture an image button shows normally and under the pointer.
std::string Hover(ku::TImageEx button) {
    const std::string normal = button.PictureName();
    SendMessageA(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    const std::string hot = button.PictureName();
    SendMessageA(button.Handle(), WM_MOUSELEAVE, 0, 0);
    return normal + "/" + hot + "/" + button.PictureName();
}

} // namespace

TEST(StartFormWindow, IsTheSplashPictureRoundedAndCentred) {
    ku::TStartForm form;
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    EXPECT_FALSE(HasCaption(form.Handle()));
    EXPECT_TRUE(uitest::HasRoundedRegion(form.Handle()));
    EXPECT_EQ(form.Image1().PictureName(), "Splash");
    const SIZE size = ClientSize(form.Handle());
    EXPECT_EQ(size.cx * 1000 + size.cy, 420240);
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
    EXPECT_EQ(ku::WindowText(form.Item(IDC_ABOUT_LABEL1)), "About");
    const SIZE size = ClientSize(form.Handle());
    EXPECT_EQ(size.cx * 1000 + size.cy, 360220);
    EXPECT_EQ(Hover(form.OKBtn()), "OK1/OK2/OK1");
    EXPECT_EQ(Hover(form.CloseBtn()), "SMClose1/SMClose2/SMClose1");
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "AboutForm"));
    uitest::ClickControl(form.OKBtn().Handle());
    EXPECT_EQ(form.Handle(), nullptr);
}

namespace {
VOID CALLBACK ClickBelowTheTopPanel(HWND, UINT, UINT_PTR timer, DWORD) {
    if (HWND active = GetActiveWindow()) {
        KillTimer(nullptr, timer);
        // A press below the panel is a click on the picture, not a drag.
        SendMessageA(active, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 120));
        PostMessageA(active, WM_LBUTTONUP, 0, MAKELPARAM(100, 120));
    }
}
} // namespace

TEST(AboutFormWindow, ModalClosesOnAClickOnItsPicture) {
    ku::TAboutForm form;
    UINT_PTR timer = SetTimer(nullptr, 0, 300, ClickBelowTheTopPanel);
    EXPECT_EQ(form.ShowModal(nullptr), IDOK);
    KillTimer(nullptr, timer);
    EXPECT_GT(form.TopPanelHeight(), 0);
    EXPECT_EQ(form.Handle(), nullptr);
}

TEST(LiveUpdateWindow, StaysOnTopAndAnimates) {
    ku::TShowLiveUpdateForm form;
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    EXPECT_TRUE(HasCaption(form.Handle()) && IsTopmost(form.Handle()));
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

namespace {

class DetailFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form.ProgramName = "Example Editor 3";
        form.Version = "3.1.4";
        form.InstallLocation = "C:\\Program Files\\Example Editor";
        form.HelpLink = "http://www.example.com/help";
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
    const struct {
        int id;
        const char* text;
    } texts[] = {
        {0, "Kelvane Uninstaller"},
        {IDC_DETAIL_ABPROGRAMNAME, "Example Editor 3"},
        {IDC_DETAIL_ABVERSION, "3.1.4"},
        {IDC_DETAIL_ABINSTALLLOCATION, "C:\\Program Files\\Example Editor"},
        {IDC_DETAIL_CAUPDATELINK, "Update Link"},
        {IDOK, "&OK"},
    };
    for (const auto& t : texts)
        EXPECT_EQ(ku::WindowText(t.id ? form.Item(t.id) : form.Handle()), t.text) << t.id;
    EXPECT_NE(SendMessageA(form.Item(IDC_DETAIL_PICAPPLICATIONICON), STM_GETICON, 0, 0), 0);
    EXPECT_EQ(form.BackgroundName(), "DetailBack");
    // The background's dark band reaches the right edge of the client area.
    const COLORREF band =
        uitest::BackgroundPixel(form.Handle(), ClientSize(form.Handle()).cx - 2, 1);
    EXPECT_LT(GetRValue(band) + GetGValue(band), 0x80) << std::hex << band;
    EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "DetailForm"));
}

TEST_F(DetailFormTest, LinksLightUpAndOpenOnlyWebAddresses) {
    kutest::RecordingLauncher launcher;
    // Web address; "NOT AVAILABLE"; a program path from registry data (never started).
    const struct {
        int id;
        bool hot;
    } links[] = {{IDC_DETAIL_ABHELPLINK, true},
                 {IDC_DETAIL_ABHOMEPAGE, false},
                 {IDC_DETAIL_ABUPDATELINK, true}};
    for (const auto& link : links) {
        const HWND label = form.Item(link.id);
        SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        EXPECT_EQ(form.IsLinkHot(label), link.hot) << link.id;
        SendMessageA(label, WM_MOUSELEAVE, 0, 0);
        EXPECT_FALSE(form.IsLinkHot(label));
        uitest::ClickControl(label);
    }
    ASSERT_EQ(launcher.Requests().size(), 1u);
    EXPECT_EQ(launcher.Requests()[0].file, "http://www.example.com/help");
}

TEST(MainFormWindow, FrameHasItsButtonsAndOpensTheForceWizardForAnExistingArgument) {
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
        EXPECT_TRUE(uitest::HasRoundedRegion(form.Handle()));
        EXPECT_EQ(Hover(form.MinBtn()), "Min1/Min2/Min1");
        EXPECT_EQ(Hover(form.CloseBtn()), "Close1/Close2/Close1");
        if (!c.opened.empty()) {
            EXPECT_TRUE(uitest::SaveScreenshot(form.Handle(), "UnInstallForm"));
        }
        uitest::ClickControl(form.CloseBtn().Handle());
        EXPECT_EQ(form.Handle(), nullptr);
    }
}
