// Generated ISO-9660 images.
#include "IsoImageMaker.h"

#include <windows.h>

#include <cstring>

namespace kutest {
namespace {

constexpr uint32_t Sector = 2048;
constexpr uint32_t DescriptorLba = 16;
constexpr uint32_t RootLba = 18;

void Both32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
        p[7 - i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

void Both16(uint8_t* p, uint16_t v) {
    p[0] = p[3] = static_cast<uint8_t>(v);
    p[1] = p[2] = static_cast<uint8_t>(v >> 8);
}

void DirectoryRecord(uint8_t* r, uint32_t lba, uint8_t name) {
    r[0] = 34;
    Both32(r + 2, lba);
    Both32(r + 10, Sector);
    r[25] = 2; // directory
    Both16(r + 28, 1);
    r[32] = 1;
    r[33] = name;
}

void Pattern(uint32_t lba, uint32_t seed, uint8_t* sector) {
    uint32_t x = (lba + 1) * 2654435761u ^ (seed * 40503u + 0x9E3779B9u);
    for (uint32_t i = 0; i < Sector; i += 4) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        std::memcpy(sector + i, &x, 4);
    }
}

} // namespace

void IsoSector(uint32_t lba, uint32_t totalSectors, uint32_t seed, uint8_t* sector) {
    bool structured = totalSectors > RootLba;
    if (!structured || lba < DescriptorLba || lba > RootLba) {
        Pattern(lba, seed, sector);
        return;
    }
    std::memset(sector, 0, Sector);
    if (lba == DescriptorLba) {
        sector[0] = 1;
        std::memcpy(sector + 1, "CD001", 5);
        sector[6] = 1;
        std::memset(sector + 8, ' ', 64);
        std::memcpy(sector + 40, "DIDUVU", 6);
        Both32(sector + 80, totalSectors);
        Both16(sector + 120, 1);
        Both16(sector + 124, 1);
        Both16(sector + 128, Sector);
        DirectoryRecord(sector + 156, RootLba, 0);
        sector[881] = 1;
    } else if (lba == DescriptorLba + 1) {
        sector[0] = 255;
        std::memcpy(sector + 1, "CD001", 5);
        sector[6] = 1;
    } else {
        DirectoryRecord(sector, RootLba, 0);
        DirectoryRecord(sector + 34, RootLba, 1);
    }
}

bool MakeIsoImage(const std::string& path, uint32_t sectors, uint32_t extraBytes,
                  uint32_t seed) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const uint32_t batch = 512;
    std::vector<uint8_t> buffer(batch * Sector);
    uint32_t total = sectors + (extraBytes ? 1 : 0);
    bool ok = true;
    for (uint32_t first = 0; ok && first < total; first += batch) {
        uint32_t count = total - first < batch ? total - first : batch;
        for (uint32_t i = 0; i < count; ++i)
            IsoSector(first + i, total, seed, buffer.data() + i * Sector);
        DWORD bytes = count * Sector;
        if (first + count == total && extraBytes)
            bytes -= Sector - extraBytes;
        DWORD written = 0;
        ok = WriteFile(file, buffer.data(), bytes, &written, nullptr) && written == bytes;
    }
    CloseHandle(file);
    return ok;
}

std::vector<uint8_t> IsoImageSectors(uint32_t sectors, uint32_t extraBytes, uint32_t seed) {
    uint32_t total = sectors + (extraBytes ? 1 : 0);
    std::vector<uint8_t> image(static_cast<size_t>(total) * Sector);
    for (uint32_t lba = 0; lba < total; ++lba)
        IsoSector(lba, total, seed, image.data() + lba * Sector);
    if (extraBytes)
        std::memset(image.data() + static_cast<size_t>(sectors) * Sector + extraBytes, 0,
                    Sector - extraBytes);
    return image;
}

} // namespace kutest
