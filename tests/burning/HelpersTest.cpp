// The library's small parts: the image stream past 4 GiB, the cache size and the archive bits.
#include <gtest/gtest.h>

#include "burning/mbCDBC.h"
#include "burning/mbStreamEx.h"
#include "support/Sandbox.h"

using namespace ku;

TEST(FileStreamEx, KeepsPositionsPastFourGigabytes) {
    kutest::ScratchDir dir;
    const int64_t big = (5ll << 30) + 3;
    {
        TFileStreamEx file(dir.File("big.bin"), fmCreate);
        ASSERT_TRUE(file.SetSize(big));
        EXPECT_EQ(file.Size(), big);
        EXPECT_EQ(file.Seek(-3, soEnd), big - 3);
        EXPECT_EQ(file.Write("KU", 2), 2);
    }
    TFileStreamEx file(dir.File("big.bin"), fmOpenRead | fmShareDenyNone);
    char back[3] = {};
    EXPECT_EQ(file.Seek(big - 3, soBeginning), big - 3);
    EXPECT_EQ(file.Read(back, 8), 3);
    EXPECT_STREQ(back, "KU");
}

TEST(BurnerHelpers, CacheSizeAndArchiveBits) {
    TMCDBurner burner;
    const uint32_t caches[][2] = {{0, 2097152}, {4194305, 4194304}, {3000000, 2998272}};
    for (const auto& cache : caches) {
        burner.SetCacheSize(cache[0]);
        EXPECT_EQ(burner.CacheSize(), cache[1]);
    }
    // Only a ticked file gets its recorded attributes back, without the archive bit.
    kutest::ScratchDir dir;
    const std::string kept = dir.File("kept.txt"), cleared = dir.File("cleared.txt");
    const DWORD attributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
    ASSERT_TRUE(kutest::WriteTextFile(kept, "x") && kutest::WriteTextFile(cleared, "x"));
    burner.Tables.Files.push_back({"KEPT.TXT", "\\", kept, attributes, false});
    burner.Tables.Files.push_back({"CLEARED.TXT", "\\", cleared, attributes, true});
    burner.ClearArchiveAttributes();
    EXPECT_EQ(GetFileAttributesA(kept.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_NE(GetFileAttributesA(cleared.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesA(cleared.c_str(), FILE_ATTRIBUTE_NORMAL);
}
