// Pictures from the program's resources: JPEG images of windows and image buttons, and the
// frames of an animated GIF.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/system/Handles.h"
#include "core/ui/ImageEx.h"

namespace ku {

// A 32-bit top-down DIB section of width by height RGBA pixels.
UniqueGdiObject MakeBitmap(const unsigned char* rgba, int width, int height);

// A 32-bit top-down DIB section of the decoded picture, or none when it cannot be decoded.
UniqueGdiObject DecodePicture(const void* data, size_t size);

// The bytes of resource name of type, from the running program; names and types are matched
// without regard to case. False when there is no such resource.
bool ReadResource(const std::string& name, const std::string& type, std::string& bytes);

// Decodes the JPEG resource name of type "JPG" (or type).
UniqueGdiObject LoadJpegBitmap(const std::string& name, const std::string& type = "JPG");

// Puts the JPEG resource resName into image, unless the image's tag is 1. False (and the
// picture left as it was) when the resource is missing or not a picture.
bool LoadJpegResource(TImageEx image, const std::string& resName, const std::string& resType);

using UniqueImageList =
    UniqueAny<Traits<HIMAGELIST, decltype(&::ImageList_Destroy), &::ImageList_Destroy>>;

// An image list of the given JPEG pictures (type "JPG"), in order.
UniqueImageList PictureList(int width, int height, std::initializer_list<const char*> names);

// Picture index of list, drawn into a bitmap of its own (for an image button).
UniqueGdiObject ListPicture(HIMAGELIST list, int index);

struct AnimatedPicture {
    std::vector<UniqueGdiObject> frames;
    std::vector<int> delaysMs; // one per frame
    int width = 0;
    int height = 0;
};

// Decodes every frame of the GIF resource name (already composed, as shown).
bool LoadGifResource(const std::string& name, const std::string& type, AnimatedPicture& picture);

} // namespace ku
