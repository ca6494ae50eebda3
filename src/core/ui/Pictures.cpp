// Decoding of the program's pictures with stb_image into DIB sections.
#include "core/ui/Pictures.h"

#include <cstring>
#include <vector>

#include "core/ui/StbImage.h"

namespace ku {

// stb gives RGBA rows; a DIB wants BGRA, top-down when the height is negative.
UniqueGdiObject MakeBitmap(const unsigned char* rgba, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        return UniqueGdiObject();
    auto* out = static_cast<unsigned char*>(bits);
    const size_t pixels = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < pixels; ++i) {
        out[i * 4 + 0] = rgba[i * 4 + 2];
        out[i * 4 + 1] = rgba[i * 4 + 1];
        out[i * 4 + 2] = rgba[i * 4 + 0];
        out[i * 4 + 3] = rgba[i * 4 + 3];
    }
    return bitmap;
}

UniqueGdiObject DecodePicture(const void* data, size_t size) {
    int width = 0, height = 0, channels = 0;
    unsigned char* rgba =
        stbi_load_from_memory(static_cast<const unsigned char*>(data), static_cast<int>(size),
                              &width, &height, &channels, 4);
    if (!rgba)
        return UniqueGdiObject();
    UniqueGdiObject bitmap = MakeBitmap(rgba, width, height);
    stbi_image_free(rgba);
    return bitmap;
}

bool ReadResource(const std::string& name, const std::string& type, std::string& bytes) {
    // FindResource compares string names and types in upper case, so "ok1" finds "OK1".
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name.c_str(), type.c_str());
    if (!found)
        return false;
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    DWORD size = SizeofResource(module, found);
    if (!data || size == 0)
        return false;
    bytes.assign(static_cast<const char*>(data), size);
    return true;
}

UniqueGdiObject LoadJpegBitmap(const std::string& name, const std::string& type) {
    std::string bytes;
    if (!ReadResource(name, type, bytes))
        return UniqueGdiObject();
    return DecodePicture(bytes.data(), bytes.size());
}

bool LoadJpegResource(TImageEx image, const std::string& resName, const std::string& resType) {
    if (!image.IsImageButton() || image.Tag() == 1)
        return false;
    UniqueGdiObject picture = LoadJpegBitmap(resName, resType);
    if (!picture)
        return false;
    image.ClearPicture();
    image.SetPicture(static_cast<HBITMAP>(picture.release()), resName);
    return true;
}

UniqueImageList PictureList(int width, int height, std::initializer_list<const char*> names) {
    UniqueImageList list(
        ImageList_Create(width, height, ILC_COLOR32, static_cast<int>(names.size()), 2));
    for (const char* name : names) {
        UniqueGdiObject picture = LoadJpegBitmap(name);
        if (picture)
            ImageList_Add(list.get(), static_cast<HBITMAP>(picture.get()), nullptr);
    }
    return list;
}

UniqueGdiObject ListPicture(HIMAGELIST list, int index) {
    int width = 0, height = 0;
    if (!list || index < 0 || index >= ImageList_GetImageCount(list) ||
        !ImageList_GetIconSize(list, &width, &height))
        return UniqueGdiObject();
    std::vector<unsigned char> white(static_cast<size_t>(width) * height * 4, 0xFF);
    UniqueGdiObject bitmap = MakeBitmap(white.data(), width, height);
    if (!bitmap)
        return bitmap;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap.get());
    ImageList_Draw(list, index, dc, 0, 0, ILD_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

bool LoadGifResource(const std::string& name, const std::string& type, AnimatedPicture& picture) {
    std::string bytes;
    if (!ReadResource(name, type, bytes))
        return false;
    int* delays = nullptr;
    int width = 0, height = 0, frames = 0, channels = 0;
    unsigned char* rgba = stbi_load_gif_from_memory(
        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()),
        &delays, &width, &height, &frames, &channels, 4);
    if (!rgba)
        return false;
    picture = AnimatedPicture();
    picture.width = width;
    picture.height = height;
    const size_t frameBytes = static_cast<size_t>(width) * height * 4;
    for (int i = 0; i < frames; ++i) {
        picture.frames.push_back(MakeBitmap(rgba + frameBytes * i, width, height));
        picture.delaysMs.push_back(delays && delays[i] > 0 ? delays[i] : 100);
    }
    stbi_image_free(rgba);
    stbi_image_free(delays);
    return !picture.frames.empty();
}

} // namespace ku
