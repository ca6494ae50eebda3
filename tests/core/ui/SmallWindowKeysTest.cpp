// The small windows under the keyboard: the about box starts on OK, the details close on Esc.
#include <gtest/gtest.h>

#include "UiSupport.h"
#include "core/ui/main/AboutForm.h"
#include "core/ui/main/DetailForm.h"
#include "support/Keys.h"

namespace {

TEST(SmallWindowKeys, AboutStartsOnOkAndTheDetailsCloseOnEsc) {
    ku::TAboutForm about;
    ASSERT_TRUE(about.Create(nullptr));
    about.Show();
    // A busy machine activates a new window late: wait for it, then look where the keys are.
    uitest::PumpUntil([&] { return kutest::FocusOf(about.Handle()) != nullptr; }, 10000);
    EXPECT_EQ(kutest::FocusOf(about.Handle()), about.OKBtn().Handle())
        << kutest::DescribeFocus(about.Handle());
    uitest::PressKey(about.Handle(), VK_RETURN);
    EXPECT_EQ(about.Handle(), nullptr) << "Enter on OK";

    ku::TDetailForm details;
    ASSERT_TRUE(details.Create(nullptr));
    details.Show();
    uitest::PumpUntil([&] { return kutest::FocusOf(details.Handle()) != nullptr; }, 10000);
    uitest::PressKey(details.Handle(), VK_ESCAPE);
    EXPECT_EQ(details.Handle(), nullptr) << "Esc";
}

} // namespace
