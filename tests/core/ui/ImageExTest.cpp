// The image button and the picture loader (the windows' tests see their pictures).
#include <gtest/gtest.h>

#include "core/ui/ImageEx.h"
#include "core/ui/Pictures.h"

// A picture sizes its button; a load that cannot find its picture keeps the one shown; other
// windows are no image buttons; broken data decodes to nothing.
TEST(ImageEx, PictureSizesTheButtonAndFailedLoadsOrJunkChangeNothing) {
    ku::RegisterImageExClass();
    HWND parent = CreateWindowExA(0, "STATIC", "parent", WS_POPUP, 0, 0, 200, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    ku::TImageEx button(CreateWindowExA(0, ku::kImageExClass, "", WS_CHILD | WS_VISIBLE, 5, 5, 10,
                                        10, parent, reinterpret_cast<HMENU>(7),
                                        GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(button.IsImageButton());
    EXPECT_TRUE(ku::LoadJpegResource(button, "ok1", "jpg")); // names and types ignore case
    RECT size;
    GetClientRect(button.Handle(), &size);
    EXPECT_EQ(size.right * 1000 + size.bottom, 80028);
    HBITMAP before = button.Picture();
    EXPECT_FALSE(ku::LoadJpegResource(button, "NoSuchPicture1", "JPG"));
    EXPECT_TRUE(button.PictureName() == "ok1" && button.Picture() == before);
    ku::TImageEx notOne(parent);
    EXPECT_FALSE(notOne.IsImageButton());
    EXPECT_FALSE(ku::LoadJpegResource(notOne, "OK1", "JPG"));
    DestroyWindow(parent);
    const char junk[] = "\xFF\xD8\xFF not really a JPEG";
    EXPECT_FALSE(ku::DecodePicture(junk, sizeof(junk)));
    EXPECT_FALSE(ku::DecodePicture(junk, 0));
}
