// The request mail form under the virtual display, sending to the local SMTP server: a refused
// mail is reported as an error, never as sent, and the form keeps what the user wrote; a field
// of blanks sends nothing.
#include <gtest/gtest.h>

#include "SubmitToFormIds.h"
#include "UiSupport.h"
#include "special/ui/SubmitToUnit.h"
#include "support/MailServer.h"
#include "support/RecordingDialogs.h"

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

} // namespace
