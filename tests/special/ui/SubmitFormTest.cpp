// The request mail form under the virtual display, sending to the local SMTP server: the form
// says what the server answered and never reports a refused mail as sent.
#include <gtest/gtest.h>

#include "SubmitToFormIds.h"
#include "UiSupport.h"
#include "special/ui/SubmitToUnit.h"
#include "support/MailServer.h"
#include "support/RecordingDialogs.h"

namespace {

// A refused mail keeps the form and what the user wrote, a mail that went out closes it.
TEST(SubmitForm, SaysWhatTheServerAnswered) {
    const struct {
        const char* sender; // its start steers the server
        const char* box;
        bool closed;
    } cases[] = {{"reject-rcpt", "Kelvane Uninstaller: ERROR: ", false},
                 {"ann", "Hint: Message is send successfully. ", true}};
    kutest::RecordingDialogs dialogs;
    ku::TSubmitToForm form;
    ASSERT_NE(kutest::MailServerPort(), 0) << "the local mail server did not start";
    ASSERT_TRUE(form.Create(nullptr));
    form.Show();
    form.Smtp = {"127.0.0.1", kutest::MailServerPort(), 2000, 2000};
    for (const auto& c : cases) { // the refused one first: it leaves the form open
        SCOPED_TRACE(c.sender);
        const size_t before = dialogs.Calls().size();
        const std::string sender = kutest::UniqueSender(c.sender);
        const std::string texts[] = {"Ann", sender, "XP SP3", "Some Tool", "2.1", "line one"};
        for (int row = 0; row < 6; ++row)
            SetWindowTextA(form.Item(IDC_SUBMIT_EDITFULLNAME + row), texts[row].c_str());
        uitest::ClickControl(form.IStepBitBtn().Handle());
        ASSERT_TRUE(form.Sending());
        EXPECT_FALSE(IsWindowEnabled(form.Handle()));
        uitest::PumpUntil([&] { return dialogs.Calls().size() > before; }, 8000);
        const auto boxes = dialogs.Calls();
        ASSERT_EQ(boxes.size(), before + 1);
        const std::string box = boxes.back().caption + ": " + boxes.back().text;
        EXPECT_EQ(box.rfind(c.box, 0), 0u) << box;
        EXPECT_EQ(form.Handle() == nullptr, c.closed);
        if (!c.closed) {
            EXPECT_TRUE(IsWindowEnabled(form.Handle()));
            EXPECT_EQ(form.EditUserEMail().Text(), sender);
        }
    }
}

} // namespace
