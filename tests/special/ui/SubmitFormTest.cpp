// The request mail form under the virtual display, sending to the local SMTP server (one
// screenshot in C:\kutest\screenshots for a person to look at).
#include <gtest/gtest.h>

#include <vector>

#include "SubmitToFormIds.h"
#include "UiSupport.h"
#include "special/ui/SubmitToUnit.h"
#include "support/MailServer.h"
#include "support/RecordingDialogs.h"

namespace {

RECT PlaceIn(HWND window, HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

class SubmitFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(form_.Create(nullptr));
        form_.Show();
        form_.Smtp.Host = "127.0.0.1";
        form_.Smtp.Port = kutest::MailServerPort();
        form_.Smtp.ReadTimeoutMs = 2000;
        ASSERT_NE(form_.Smtp.Port, 0) << "the local mail server did not start";
    }
    void Fill(const std::string& sender) {
        const std::string texts[] = {" Ann Example ", sender, "XP SP3", "Some Tool", "2.1",
                                     "line one\r\n.\r\nline three"};
        for (int row = 0; row < 6; ++row)
            SetWindowTextA(form_.Item(IDC_SUBMIT_EDITFULLNAME + row), texts[row].c_str());
    }
    std::vector<ku::MessageBoxCall> WaitForBox() {
        uitest::PumpUntil([&] { return !dialogs_.Calls().empty(); }, 8000);
        return dialogs_.Calls();
    }

    kutest::RecordingDialogs dialogs_;
    ku::TSubmitToForm form_;
};

TEST_F(SubmitFormTest, ShowsItsFieldsMarksAndSendButton) {
    HWND window = form_.Handle();
    EXPECT_EQ(ku::WindowText(window), "Submit to us");
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(form_.Label1().Text(),
              "Please fill in the below contact form and we will contact you within 48 hours.");
    const RECT button = PlaceIn(window, form_.IStepBitBtn().Handle());
    EXPECT_TRUE(IsWindowVisible(form_.IStepBitBtn().Handle()));
    EXPECT_GT(button.top, client.bottom * 3 / 4) << "the send button is at the bottom";
    EXPECT_FALSE(form_.StepBitBtn().Visible());
    const char* captions[] = {"Full Name", "Email", "OS", "Application", "Version", "Detail"};
    for (int row = 0; row < 6; ++row) {
        SCOPED_TRACE(captions[row]);
        EXPECT_EQ(ku::WindowText(form_.Item(IDC_SUBMIT_CAFULLNAME + row)), captions[row]);
        EXPECT_EQ(ku::WindowText(form_.Item(IDC_SUBMIT_MARKFULLNAME + row)), row < 5 ? "*" : "");
        const RECT field = PlaceIn(window, form_.Item(IDC_SUBMIT_EDITFULLNAME + row));
        EXPECT_TRUE(IsWindowVisible(form_.Item(IDC_SUBMIT_EDITFULLNAME + row)));
        EXPECT_LE(field.right, client.right) << "the whole field is in the window";
        EXPECT_LE(field.bottom, button.top) << "above the send button";
    }
    uitest::SaveScreenshot(window, "SubmitToForm");
}

TEST_F(SubmitFormTest, AFieldOfBlanksStopsTheMailWithAHint) {
    for (int field = IDC_SUBMIT_EDITFULLNAME; field <= IDC_SUBMIT_EDITVERSION; ++field) {
        Fill(kutest::UniqueSender("ann"));
        SetWindowTextA(form_.Item(field), " \t ");
        const size_t before = dialogs_.Calls().size();
        uitest::ClickControl(form_.IStepBitBtn().Handle());
        const auto boxes = dialogs_.Calls();
        ASSERT_EQ(boxes.size(), before + 1);
        EXPECT_EQ(boxes.back().caption + ": " + boxes.back().text,
                  "Hint: Full Name, Email, OS (Operating System), Application Name and Version are "
                  "all required.");
        EXPECT_EQ(boxes.back().type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_FALSE(form_.Sending());
        EXPECT_EQ(ku::WindowText(form_.Item(field)), " \t ");
    }
}

TEST_F(SubmitFormTest, SendsWhileTheHintShowsThenSaysSoAndCloses) {
    const std::string sender = kutest::UniqueSender("ann");
    Fill(sender);
    uitest::ClickControl(form_.IStepBitBtn().Handle());
    ASSERT_TRUE(form_.Sending());
    EXPECT_TRUE(IsWindowVisible(form_.Hint()->Handle()));
    EXPECT_EQ(ku::WindowText(form_.Hint()->LabelMsg()), "Sending...");
    EXPECT_FALSE(IsWindowEnabled(form_.Handle()));
    const auto boxes = WaitForBox();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption + ": " + boxes[0].text, "Hint: Message is send successfully. ");
    EXPECT_EQ(form_.Handle(), nullptr) << "the form closes after a mail went out";
    EXPECT_EQ(kutest::ReceivedMailFrom(sender).body,
              (std::vector<std::string>{"Full Name:  Ann Example ", "Email: " + sender,
                                        "OS: XP SP3", "Application: Some Tool", "Version: 2.1",
                                        "Detail: line one", ".", "line three"}));
}

TEST_F(SubmitFormTest, ARefusedMailShowsItsErrorAndKeepsTheForm) {
    const std::string sender = kutest::UniqueSender("reject-rcpt");
    Fill(sender);
    uitest::ClickControl(form_.IStepBitBtn().Handle());
    const auto boxes = WaitForBox();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("ERROR: The mail server refused the recipient", 0), 0u)
        << boxes[0].text;
    ASSERT_NE(form_.Handle(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(form_.Handle()));
    EXPECT_EQ(form_.Hint(), nullptr);
    EXPECT_EQ(form_.EditUserEMail().Text(), sender);
    EXPECT_EQ(form_.DetailMemo().Text(), "line one\r\n.\r\nline three");
}

} // namespace
