// The file-system tables of the burner (directories and files of an image it could build; this
// program only clears them) and the sector helpers: LBA to minutes/seconds/frames and sector
// counts of a size.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ku {

struct TDirEntry {
    std::string Name;
    std::string LongName;
    std::string Path;
    int Parent = 0;
    DWORD Attributes = FILE_ATTRIBUTE_DIRECTORY;
};

struct TFileEntry {
    std::string Name;
    std::string Path;
    std::string SourcePath;
    DWORD Attributes = 0;
    bool Flag = false;
};

class TISOTables {
public:
    // Empties the tables with new limits and adds the root "CD_ROOT" (its own parent).
    void Clear(int MaxFiles, int MaxDirs);
    // The new entry's index, or -1 when MaxDirs entries exist already.
    int AddDir(const std::string& Name, const std::string& LongName, const std::string& Path,
               int Parent);

    std::vector<TDirEntry> Dirs;
    std::vector<TFileEntry> Files;
    int MaxDirs = 0;
    int MaxFiles = 0;
    int TimeZoneOffset = 0; // in 15-minute units east of UTC
};

// F = LBA mod 75, S = LBA div 75 mod 60, M = LBA div 4500.
void LBAToMSF(int64_t LBA, uint8_t& M, uint8_t& S, uint8_t& F);
// Sectors of 2,048 bytes that hold Size bytes.
int64_t SectorsOf(int64_t Size);

} // namespace ku
