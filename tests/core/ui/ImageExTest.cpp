// The image button and the picture loader (the windows' tests see their hover pictures).
#include <gtest/gtest.h>

#include "UiSupport.h"
#include "core/ui/ImageEx.h"
#include "core/ui/Pictures.h"

namespace {

// A bare image button in a plain top-level window of its own.
class BareButton : public ::testing::Test {
  protected:
    void SetUp() override {
        ku::RegisterImageExClass();
        parent_ = CreateWindowExA(0, "STATIC", "parent", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        button_ = ku::TImageEx(CreateWindowExA(0, ku::kImageExClass, "", WS_CHILD | WS_VISIBLE, 5,
                                               5, 10, 10, parent_, reinterpret_cast<HMENU>(7),
                                               GetModuleHandleA(nullptr), nullptr));
        ASSERT_TRUE(button_.IsImageButton());
    }
    void TearDown() override { DestroyWindow(parent_); }

    HWND parent_ = nullptr;
    ku::TImageEx button_;
};

} // namespace

TEST_F(BareButton, PictureIsDecodedAndSizesTheControl) {
    EXPECT_TRUE(ku::LoadJpegResource(button_, "OK1", "JPG"));
    EXPECT_EQ(button_.PictureName(), "OK1");
    RECT size;
    GetClientRect(button_.Handle(), &size);
    EXPECT_EQ(size.right * 1000 + size.bottom, 80028);
    // The button's face is the blue of the pictures, the hover face a lighter one.
    unsigned normal = uitest::PixelOf(button_.Picture(), 40, 6);
    EXPECT_GT(normal & 0xFF, (normal >> 16) & 0xFF) << std::hex << normal;
    ASSERT_TRUE(ku::LoadJpegResource(button_, "OK2", "JPG"));
    unsigned hover = uitest::PixelOf(button_.Picture(), 40, 6);
    EXPECT_GT((hover >> 16) & 0xFF, (normal >> 16) & 0xFF) << std::hex << hover;
}

TEST_F(BareButton, LoadsKeepThePictureWhenTheyCannotOrMayNotChangeIt) {
    const struct {
        const char *name, *type;
        int tag;
        bool loads;
        const char* shown;
    } loads[] = {
        {"smclose2", "jpg", 0, true, "smclose2"}, // names and types ignore case
        {"Min1", "JPG", 0, true, "Min1"},
        {"NoSuchPicture1", "JPG", 0, false, "Min1"}, // no such resource
        {"LiveUpdate", "JPG", 0, false, "Min1"},     // a GIF, not a JPG
        {"Close2", "JPG", 1, false, "Min1"},         // tag 1 keeps the picture
    };
    for (const auto& load : loads) {
        button_.SetTag(load.tag);
        HBITMAP before = button_.Picture();
        EXPECT_EQ(ku::LoadJpegResource(button_, load.name, load.type), load.loads) << load.name;
        EXPECT_EQ(button_.PictureName(), load.shown) << load.name;
        EXPECT_TRUE(load.loads || button_.Picture() == before) << load.name;
    }
    ku::TImageEx notOne(parent_); // other windows are no image buttons
    EXPECT_FALSE(notOne.IsImageButton());
    EXPECT_FALSE(ku::LoadJpegResource(notOne, "OK1", "JPG"));
}

TEST(Pictures, AnimatedGifHasAllItsFramesAndBrokenDataDecodesToNothing) {
    ku::AnimatedPicture animation;
    ASSERT_TRUE(ku::LoadGifResource("LiveUpdate", "GIF", animation));
    ASSERT_EQ(animation.frames.size(), 8u);
    EXPECT_EQ(animation.delaysMs, std::vector<int>(8, 100));
    // The dark dot moves: two frames differ where the first has it.
    EXPECT_NE(uitest::PixelOf(static_cast<HBITMAP>(animation.frames[0].get()), 39, 24),
              uitest::PixelOf(static_cast<HBITMAP>(animation.frames[4].get()), 39, 24));
    const char junk[] = "\xFF\xD8\xFF not really a JPEG";
    EXPECT_FALSE(ku::DecodePicture(junk, sizeof(junk)));
    EXPECT_FALSE(ku::DecodePicture(junk, 0));
}
