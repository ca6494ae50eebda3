// The request mail form under the virtual display, sending to the local SMTP server (one
// screenshot in C:\kutest\screenshots for a person to look at).
#include <gtest/gtest.h>

#include <vector>

#include "SubmitToFormIds.h"
#include "UiSupport.h"
#include "core/Dialogs.h"
#include "special/ui/SubmitToUnit.h"
#include "support/MailServer.h"

namespace {

const char* const kRequired =
    "Full Name, Email, OS (Operating System), Application Name and Version are all required.";

void Click(HWND control) {
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

// The colour on the screen at a point of a window's client area, as 0x00RRGGBB.
unsigned ScreenColour(HWND window, int x, int y) {
    POINT at = {x, y};
    ClientToScreen(window, &at);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

RECT PlaceIn(HWND window, HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

bool Near(unsigned colour, unsigned wanted) {
    for (int shift = 0; shift < 24; shift += 8)
        if (abs(static_cast<int>((colour >> shift) & 0xFF) - static_cast<int>((wanted >> shift) & 0xFF)) > 24)
            return false;
    return true;
}

class SubmitFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ku::SetMessageBoxHook([this](const ku::MessageBoxCall& call) {
            boxes_.push_back(call);
            return IDOK;
        });
        ASSERT_TRUE(form_.Create(nullptr));
        form_.Show();
        form_.Smtp.Host = "127.0.0.1";
        form_.Smtp.Port = kutest::MailServerPort();
        form_.Smtp.ReadTimeoutMs = 2000;
        ASSERT_NE(form_.Smtp.Port, 0) << "the local mail server did not start";
    }
    void TearDown() override { ku::SetMessageBoxHook(nullptr); }

    void Fill(const std::string& sender) {
        form_.EditFullName().SetText(" Ann Example ");
        form_.EditUserEMail().SetText(sender);
        form_.EditOS().SetText("Windows XP SP3");
        form_.EditApplication().SetText("Some Tool");
        form_.EditVersion().SetText("2.1");
        form_.DetailMemo().SetText("line one\r\n.\r\nline three");
    }
    // Lets the window work until a message box came or ms passed.
    void WaitForBox(DWORD ms) {
        const DWORD start = GetTickCount();
        while (boxes_.empty() && GetTickCount() - start < ms)
            uitest::PumpMessages(50);
    }

    ku::TSubmitToForm form_;
    std::vector<ku::MessageBoxCall> boxes_;
};

TEST_F(SubmitFormTest, ShowsItsFieldsMarksAndSendButton) {
    HWND window = form_.Handle();
    EXPECT_EQ(ku::WindowText(window), "Submit to us");
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 460);
    EXPECT_EQ(client.bottom, 353);
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_EQ(form_.Label1().Text(),
              "Please fill in the below contact form and we will contact you within 48 hours.");
    ku::TImageEx send = form_.IStepBitBtn();
    const RECT button = PlaceIn(window, send.Handle());
    EXPECT_EQ(button.right - button.left, 98);
    EXPECT_EQ(button.bottom - button.top, 35);
    EXPECT_GT(button.left, 460 / 2);
    EXPECT_GT(button.top, 353 * 3 / 4);
    const struct {
        int caption, mark, field;
        const char* text;
    } rows[] = {{IDC_SUBMIT_CAFULLNAME, IDC_SUBMIT_MARKFULLNAME, IDC_SUBMIT_EDITFULLNAME, "Full Name"},
                {IDC_SUBMIT_CAUSEREMAIL, IDC_SUBMIT_MARKUSEREMAIL, IDC_SUBMIT_EDITUSEREMAIL, "Email"},
                {IDC_SUBMIT_CAOS, IDC_SUBMIT_MARKOS, IDC_SUBMIT_EDITOS, "OS"},
                {IDC_SUBMIT_CAAPPLICATION, IDC_SUBMIT_MARKAPPLICATION, IDC_SUBMIT_EDITAPPLICATION,
                 "Application"},
                {IDC_SUBMIT_CAVERSION, IDC_SUBMIT_MARKVERSION, IDC_SUBMIT_EDITVERSION, "Version"},
                {IDC_SUBMIT_CADETAIL, 0, IDC_SUBMIT_DETAILMEMO, "Detail"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ku::WindowText(form_.Item(row.caption)), row.text);
        EXPECT_TRUE(IsWindowVisible(form_.Item(row.field)));
        const RECT field = PlaceIn(window, form_.Item(row.field));
        EXPECT_LE(field.right, 460) << "the whole field is in the window";
        EXPECT_LE(field.bottom, button.top) << "above the send button";
        if (row.mark) {
            EXPECT_EQ(ku::WindowText(form_.Item(row.mark)), "*");
        }
    }
    EXPECT_TRUE(GetWindowLongA(form_.DetailMemo().Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_FALSE(form_.StepBitBtn().Visible());
    EXPECT_EQ(send.PictureName(), "SubmitSend1");

    EXPECT_TRUE(uitest::SaveScreenshot(window, "SubmitToForm"));
    EXPECT_TRUE(Near(ScreenColour(window, 5, 5), 0xFFFFFF)) << "the white band";
    EXPECT_TRUE(Near(ScreenColour(window, button.left + 4, button.top + 17), 0x2F6DB5))
        << "the send button's picture";
    form_.IStepBitBtnMouseEnter();
    EXPECT_EQ(send.PictureName(), "SubmitSend2");
    form_.IStepBitBtnMouseLeave();
    EXPECT_EQ(send.PictureName(), "SubmitSend1");
}

TEST_F(SubmitFormTest, AFieldOfBlanksStopsTheMailWithAHint) {
    const int required[] = {IDC_SUBMIT_EDITFULLNAME, IDC_SUBMIT_EDITUSEREMAIL, IDC_SUBMIT_EDITOS,
                            IDC_SUBMIT_EDITAPPLICATION, IDC_SUBMIT_EDITVERSION};
    for (int field : required) {
        const std::string sender = kutest::UniqueSender("ann");
        Fill(sender);
        SetWindowTextA(form_.Item(field), "   ");
        boxes_.clear();
        Click(form_.IStepBitBtn().Handle());
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text, kRequired);
        EXPECT_EQ(boxes_[0].caption, "Hint");
        EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_FALSE(form_.Sending());
        EXPECT_EQ(ku::WindowText(form_.Item(field)), "   ");
        EXPECT_EQ(form_.EditVersion().Text(), field == IDC_SUBMIT_EDITVERSION ? "   " : "2.1");
    }
}

TEST_F(SubmitFormTest, SendsWhileTheHintShowsThenSaysSoAndCloses) {
    const std::string sender = kutest::UniqueSender("ann");
    Fill(sender);
    Click(form_.IStepBitBtn().Handle());
    ASSERT_TRUE(form_.Sending());
    ASSERT_NE(form_.Hint(), nullptr);
    EXPECT_TRUE(IsWindowVisible(form_.Hint()->Handle()));
    EXPECT_EQ(ku::WindowText(form_.Hint()->LabelMsg()), "Sending...");
    EXPECT_FALSE(IsWindowEnabled(form_.Handle()));
    WaitForBox(10000);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "Message is send successfully. ");
    EXPECT_EQ(boxes_[0].caption, "Hint");
    EXPECT_EQ(form_.Handle(), nullptr) << "the form closes after a mail went out";
    const kutest::ReceivedMail mail = kutest::ReceivedMailFrom(sender);
    ASSERT_TRUE(mail.found);
    EXPECT_EQ(mail.BodyLines(),
              (std::vector<std::string>{"Full Name:  Ann Example ", "Email: " + sender,
                                        "OS: Windows XP SP3", "Application: Some Tool",
                                        "Version: 2.1", "Detail: line one", ".", "line three"}));
}

TEST_F(SubmitFormTest, AFailedMailShowsItsErrorAndKeepsTheForm) {
    const struct {
        const char* sender;
        const char* error;
    } failures[] = {
        {"reject-rcpt", "ERROR: The mail server refused the recipient support@kelvane.com: 550"},
        {"stall-data", "ERROR: The mail server did not answer within 2 seconds."},
        {"ann@kutest.example\r\nRCPT TO:<x@kutest.example>",
         "ERROR: The sender's address holds a line break"}};
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.sender);
        const std::string start = failure.sender;
        const std::string sender =
            start.find('@') == std::string::npos ? kutest::UniqueSender(start) : start;
        Fill(sender);
        boxes_.clear();
        Click(form_.IStepBitBtn().Handle());
        WaitForBox(8000);
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text.rfind(failure.error, 0), 0u) << boxes_[0].text;
        ASSERT_NE(form_.Handle(), nullptr);
        EXPECT_TRUE(IsWindowEnabled(form_.Handle()));
        EXPECT_FALSE(form_.Sending());
        EXPECT_EQ(form_.Hint(), nullptr);
        EXPECT_EQ(form_.EditUserEMail().Text(), sender);
        EXPECT_EQ(form_.DetailMemo().Text(), "line one\r\n.\r\nline three");
    }
}

VOID CALLBACK CloseShownForm(HWND, UINT, UINT_PTR timer, DWORD) {
    if (ku::SubmitToForm && IsWindowVisible(ku::SubmitToForm->Handle())) {
        KillTimer(nullptr, timer);
        PostMessageA(ku::SubmitToForm->Handle(), WM_CLOSE, 0, 0);
    }
}

TEST(SubmitToFormModal, LivesInItsGlobalWhileShown) {
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseShownForm);
    ku::ShowSubmitToForm(nullptr);
    KillTimer(nullptr, timer);
    EXPECT_EQ(ku::SubmitToForm, nullptr);
}

} // namespace
