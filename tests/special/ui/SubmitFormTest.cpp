// The request mail form under the virtual display, sending to the local SMTP server: a refused
// mail is reported as an error, never as sent, and the form keeps what the user wrote; a field
// of blanks sends nothing.
#include <gtest/gtest.h>

#include "SubmitToFormIds.h"
#include "UiSupport.h"
#include "core/system/ExactNames.h"
#include "special/ui/SubmitToUnit.h"
#include "support/MailServer.h"
#include "support/RecordingDialogs.h"
#include "support/WideNames.h"

namespace {

TEST(SubmitForm, ARefusedMailIsAnErrorAndKeepsTheForm) {
    kutest::RecordingDialogs dialogs;
    ku::TSubmitToForm form;
    ASSERT_NE(kutest::MailServerPort(), 0) << "the local mail server did not start";
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    form.Smtp = {"127.0.0.1", kutest::MailServerPort(), 2000, 2000};
    const std::string sender = kutest::UniqueSender("reject-rcpt"); // steers the server
    const std::string texts[] = {"Ann", sender, "XP SP3", "Some Tool", "2.1", "line one"};
    for (int row = 0; row < 6; ++row)
        SetWindowTextA(form.Item(IDC_SUBMIT_EDITFULLNAME + row),
                       row == 3 ? " \t " : texts[row].c_str());
    uitest::ClickControl(form.IStepBitBtn().Handle()); // a field of blanks sends nothing
    EXPECT_FALSE(form.Sending());
    SetWindowTextA(form.Item(IDC_SUBMIT_EDITFULLNAME + 3), texts[3].c_str());
    uitest::ClickControl(form.IStepBitBtn().Handle());
    ASSERT_TRUE(form.Sending());
    EXPECT_FALSE(IsWindowEnabled(form.Handle()));
    uitest::PumpUntil([&] { return dialogs.Calls().size() > 1; }, 8000);
    const auto boxes = dialogs.Calls();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption + ": " + boxes[0].text, "Hint: Full Name, Email, OS (Operating "
              "System), Application Name and Version are all required.");
    EXPECT_EQ(boxes[1].caption + ": " + boxes[1].text.substr(0, 7), "Kelvane Uninstaller: ERROR: ");
    ASSERT_NE(form.Handle(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    EXPECT_EQ(form.EditUserEMail().Text(), sender);
}

// A field holding characters the code page cannot hold would be mailed in its best-fit form
// (another name, another sender's address): the send is refused, naming the field, and no mail
// leaves; the form keeps the text as typed.
TEST(SubmitForm, FieldsTheCodePageCannotHoldAreRefusedAndNothingIsSent) {
    ASSERT_NE(kutest::MailServerPort(), 0) << "the local mail server did not start";
    // Each field's text is "Ω" followed by a tail: the Email's an address no other mail used.
    const struct {
        int row; // the field, counted from Full Name
        const char* label;
        bool address;
    } cases[] = {{0, "Full Name", false}, {1, "Email", true}, {5, "Detail", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        kutest::RecordingDialogs dialogs;
        ku::TSubmitToForm form;
        ASSERT_TRUE(form.Create(nullptr));
        form.Show();
        form.Smtp = {"127.0.0.1", kutest::MailServerPort(), 2000, 2000};
        const std::string sender = kutest::UniqueSender("plain");
        const std::string texts[] = {"Ann", sender, "XP SP3", "Some Tool", "2.1", "line one"};
        for (int row = 0; row < 6; ++row)
            SetWindowTextA(form.Item(IDC_SUBMIT_EDITFULLNAME + row), texts[row].c_str());
        const std::string tail = c.address ? sender : "mega Ann";
        const std::wstring typed = kutest::kOmega + ku::WideFromAnsi(tail);
        SetWindowTextW(form.Item(IDC_SUBMIT_EDITFULLNAME + c.row), typed.c_str());
        uitest::ClickControl(form.IStepBitBtn().Handle());
        EXPECT_FALSE(form.Sending());
        uitest::PumpMessages(500);
        const auto boxes = dialogs.Calls();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "The " + std::string(c.label) + " \"?" + tail +
                                     "\" holds characters this program cannot handle and cannot "
                                     "be sent.");
        EXPECT_TRUE(kutest::ReceivedMailFrom(sender).envelope.empty());
        EXPECT_TRUE(kutest::ReceivedMailFrom("O" + sender).envelope.empty());
        wchar_t kept[256] = {};
        GetWindowTextW(form.Item(IDC_SUBMIT_EDITFULLNAME + c.row), kept, 256);
        EXPECT_EQ(std::wstring(kept), typed);
    }
}

} // namespace
