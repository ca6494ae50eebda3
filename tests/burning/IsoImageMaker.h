// Generated ISO-9660 images for burn tests and benchmarks: a primary volume descriptor, a
// terminator and a root directory where the image is large enough, and a pattern that differs
// in every sector everywhere else (the system area too), so every sector is checkable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kutest {

// One sector (2,048 bytes) of the image of totalSectors sectors.
void IsoSector(uint32_t lba, uint32_t totalSectors, uint32_t seed, uint8_t* sector);
// Writes the image: sectors whole sectors and then extraBytes more of the next one.
bool MakeIsoImage(const std::string& path, uint32_t sectors, uint32_t extraBytes = 0,
                  uint32_t seed = 1);
// The image's bytes padded with zeros to whole sectors, as a drive holds them.
std::vector<uint8_t> IsoImageSectors(uint32_t sectors, uint32_t extraBytes, uint32_t seed = 1);

} // namespace kutest
