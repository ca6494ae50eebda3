// The burner's file-system tables and sector helpers.
#include "burning/mbISOLib.h"

namespace ku {

void TISOTables::Clear(int MaxFiles_, int MaxDirs_) {
    TIME_ZONE_INFORMATION zone{};
    ::GetTimeZoneInformation(&zone);
    TimeZoneOffset = -static_cast<int>(zone.Bias) / 15;
    Dirs.clear();
    Files.clear();
    MaxFiles = MaxFiles_;
    MaxDirs = MaxDirs_;
    Dirs.push_back({"CD_ROOT", "CD Root Directory", "\\", 0, FILE_ATTRIBUTE_DIRECTORY});
}

int TISOTables::AddDir(const std::string& Name, const std::string& LongName,
                       const std::string& Path, int Parent) {
    if (static_cast<int>(Dirs.size()) >= MaxDirs)
        return -1;
    Dirs.push_back({Name, LongName, Path, Parent, FILE_ATTRIBUTE_DIRECTORY});
    return static_cast<int>(Dirs.size()) - 1;
}

void LBAToMSF(int64_t LBA, uint8_t& M, uint8_t& S, uint8_t& F) {
    F = static_cast<uint8_t>(LBA % 75);
    S = static_cast<uint8_t>(LBA / 75 % 60);
    M = static_cast<uint8_t>(LBA / 4500);
}

int64_t SectorsOf(int64_t Size) {
    if (Size <= 0)
        return 0;
    return Size / 2048 + (Size % 2048 != 0 ? 1 : 0);
}

} // namespace ku
