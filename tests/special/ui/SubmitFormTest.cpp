// The request mail form under the virtual display, sending to the local SMTP server: a blank
// required field stops the mail, and the form says what the server answered.
#include <gtest/gtest.h>

#include "SubmitToFormIds.h"
#include "UiSupport.h"
#include "special/ui/SubmitToUnit.h"
#include "support/MailServer.h"
#include "support/RecordingDialogs.h"

namespace {

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
        const std::string texts[] = {"Ann", sender, "XP SP3", "Some Tool", "2.1", "line one"};
        for (int row = 0; row < 6; ++row)
            SetWindowTextA(form_.Item(IDC_SUBMIT_EDITFULLNAME + row), texts[row].c_str());
    }

    kutest::RecordingDialogs dialogs_;
    ku::TSubmitToForm form_;
};

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
        EXPECT_FALSE(form_.Sending());
    }
}

// Sent while the hint shows; a refused mail keeps the form and what the user wrote, a mail
// that went out closes it.
TEST_F(SubmitFormTest, SaysWhatTheServerAnswered) {
    const struct {
        const char* sender; // its start steers the server
        const char* box;
        bool closed;
    } cases[] = {
        {"reject-rcpt", "Kelvane Uninstaller: ERROR: The mail server refused the recipient", false},
        {"ann", "Hint: Message is send successfully. ", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sender);
        const size_t before = dialogs_.Calls().size();
        const std::string sender = kutest::UniqueSender(c.sender);
        Fill(sender);
        uitest::ClickControl(form_.IStepBitBtn().Handle());
        ASSERT_TRUE(form_.Sending());
        EXPECT_EQ(ku::WindowText(form_.Hint()->LabelMsg()), "Sending...");
        EXPECT_FALSE(IsWindowEnabled(form_.Handle()));
        uitest::PumpUntil([&] { return dialogs_.Calls().size() > before; }, 8000);
        const auto boxes = dialogs_.Calls();
        ASSERT_EQ(boxes.size(), before + 1);
        const std::string box = boxes.back().caption + ": " + boxes.back().text;
        EXPECT_EQ(box.rfind(c.box, 0), 0u) << box;
        EXPECT_EQ(form_.Handle() == nullptr, c.closed);
        if (!c.closed) {
            EXPECT_TRUE(IsWindowEnabled(form_.Handle()));
            EXPECT_EQ(form_.Hint(), nullptr);
            EXPECT_EQ(form_.EditUserEMail().Text(), sender);
        }
    }
}

} // namespace
