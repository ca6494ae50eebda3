// What the wizard window shows: image buttons that keep their names and take their pictures
// under the pointer, a title on the band, "NOT AVAILABLE" for missing details, a program list
// that takes no typing, Enter for Next, and control numbers inside the wizard's own range.
#include <gtest/gtest.h>

#include <windows.h>

#include "StepFormIds.h"
#include "core/ui/ImageEx.h"
#include "core/ui/UiSupport.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "support/RecordingLauncher.h"

using namespace ku;

namespace {

struct Shown {
    TUninstallStepForm form;
    explicit Shown(int forceMode) {
        form.ForceMode = forceMode;
        form.ProgramName = "KuLooksDemo";
        form.Version = "1.0";
        EXPECT_TRUE(form.Create(nullptr));
        form.Show();
        uitest::PumpMessages(100);
    }
    HWND Item(int id) const { return GetDlgItem(form.Handle(), id); }
};

} // namespace

TEST(WizardLooks, ImageButtonsKeepTheirNamesAndShowTheirListPictures) {
    Shown shown(0);
    const struct {
        int id;
        const char* name;
        const char* normal;
        const char* hot;
    } buttons[] = {
        {IDC_STEP_STEPBITBTN, "Next", "ImageList1:0", "ImageList1:1"},
        {IDC_STEP_CANCELBITBTN, "Cancel", "ImageList1:2", "ImageList1:3"},
        {IDC_STEP_REGSKIPBTN, "Skip", "SkipList:0", "SkipList:1"},
        {IDC_STEP_FILESKIPEXBTN, "Skip", "SkipList:0", "SkipList:1"},
    };
    for (const auto& button : buttons) {
        const TImageEx image(shown.Item(button.id));
        EXPECT_EQ(WindowText(image.Handle()), button.name);
        EXPECT_EQ(image.PictureName(), button.normal) << button.name;
        SendMessageA(image.Handle(), WM_MOUSEMOVE, 0, 0);
        EXPECT_EQ(image.PictureName(), button.hot) << button.name;
        SendMessageA(image.Handle(), WM_MOUSELEAVE, 0, 0);
        EXPECT_EQ(image.PictureName(), button.normal) << button.name;
    }
    for (int id : {IDC_STEP_STEPIMAGE1, IDC_STEP_STEPIMAGEEX2})
        EXPECT_EQ(TImageEx(shown.Item(id)).PictureName(), "StepImage");

    // Details nobody handed over read as in the main window, beside a program picture.
    EXPECT_EQ(WindowText(shown.Item(IDC_STEP_ABINSTALLDATE)), "NOT AVAILABLE");
    EXPECT_EQ(WindowText(shown.Item(IDC_STEP_ABVERSION)), "1.0");
    EXPECT_NE(SendMessageA(shown.Item(IDC_STEP_PICAPPLICATIONICON), STM_GETICON, 0, 0), 0);

    // The title is drawn white straight on the band: no light box beyond its text.
    RECT title;
    GetWindowRect(shown.Item(IDC_STEP_TITLE), &title);
    MapWindowPoints(nullptr, shown.form.Handle(), reinterpret_cast<POINT*>(&title), 2);
    EXPECT_EQ(uitest::BackgroundPixel(shown.form.Handle(), title.right - 3,
                                      (title.top + title.bottom) / 2),
              RGB(0x2B, 0x57, 0x9A));
    HDC dc = CreateCompatibleDC(nullptr);
    const LRESULT brush = SendMessageA(shown.form.Handle(), WM_CTLCOLORSTATIC,
                                       reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(shown.Item(IDC_STEP_TITLE)));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(NULL_BRUSH));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 255));
    DeleteDC(dc);
    EXPECT_EQ(WindowText(shown.Item(IDC_STEP_TITLE)), WindowText(shown.form.Handle()));

    for (HWND child = GetWindow(shown.form.Handle(), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT))
        EXPECT_TRUE(GetDlgCtrlID(child) >= 4000 && GetDlgCtrlID(child) <= 4499)
            << GetDlgCtrlID(child);

    // Enter does what Next does.
    SendMessageA(shown.form.Handle(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(shown.form.PageIndex(), PageScan);
}

TEST(WizardLooks, ForceModeHasItsCaptionAndAProgramListThatTakesNoTyping) {
    kutest::RecordingLauncher launcher;
    Shown shown(1);
    EXPECT_EQ(WindowText(shown.form.Handle()).rfind(kForceWizardCaption, 0), 0u);
    const HWND edit = GetWindow(shown.Item(IDC_STEP_TXTPROGRAMNAME), GW_CHILD);
    ASSERT_NE(edit, nullptr);
    for (WPARAM key : {WPARAM('x'), WPARAM('\b')})
        SendMessageA(edit, WM_CHAR, key, 0);
    EXPECT_EQ(WindowText(shown.Item(IDC_STEP_TXTPROGRAMNAME)), "");
}
