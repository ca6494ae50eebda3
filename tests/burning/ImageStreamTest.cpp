// The image stream and the read-ahead cache on their own, and the burner's small helpers.
#include <thread>

#include "BurnTestSupport.h"
#include "IsoImageMaker.h"
#include "burning/mbCDBC.h"
#include "burning/mbCache.h"
#include "burning/mbConst.h"
#include "burning/mbStreamEx.h"
#include "support/Sandbox.h"

using namespace ku;

namespace {

TEST(FileStreamEx, KeepsPositionsPastFourGigabytesAndSurvivesAMissingFile) {
    kutest::ScratchDir dir;
    const int64_t big = (5ll << 30) + 3;
    {
        TFileStreamEx file(dir.File("big.bin"), fmCreate);
        ASSERT_TRUE(file.Opened());
        ASSERT_TRUE(file.SetSize(big));
        EXPECT_EQ(file.Size(), big);
        EXPECT_EQ(file.Seek(-3, soEnd), big - 3);
        EXPECT_EQ(file.Write("KU", 2), 2);
        EXPECT_EQ(file.Seek(0, soCurrent), big - 1);
    }
    TFileStreamEx file(dir.File("big.bin"), fmOpenRead | fmShareDenyNone);
    char back[3] = {};
    EXPECT_EQ(file.Seek(big - 3, soBeginning), big - 3);
    EXPECT_EQ(file.Read(back, 8), 3);
    EXPECT_STREQ(back, "KU");
    EXPECT_EQ(file.Write("x", 1), 0) << "opened for reading only";

    TFileStreamEx missing(dir.File("missing.bin"), fmOpenRead | fmShareDenyNone);
    EXPECT_FALSE(missing.Opened());
    EXPECT_EQ(missing.Read(back, 1), 0);
    EXPECT_EQ(missing.Size(), -1);
}

class Cache : public ::testing::Test {
protected:
    void SetUp() override { InitializeCriticalSection(&lock); }
    void TearDown() override { DeleteCriticalSection(&lock); }
    // Takes every block as the writer does; the byte counts in order.
    std::vector<int> TakeAll(TCacheThread& cache, std::vector<uint8_t>& data) {
        std::vector<int> counts;
        std::vector<uint8_t> block;
        for (;;) {
            cache.Lock();
            int count = cache.GetBlock(block);
            if (count < 0)
                cache.WaitForChange(100);
            cache.Unlock();
            if (count == 0)
                return counts;
            if (count > 0) {
                counts.push_back(count);
                data.insert(data.end(), block.begin(), block.begin() + count);
            }
        }
    }
    kutest::ScratchDir dir;
    CRITICAL_SECTION lock;
};

TEST_F(Cache, HandsOutTheImageInBlocksWithTheLastSectorFilled) {
    const struct {
        uint32_t sectors, extra;
        std::vector<int> counts; // in sectors
    } rows[] = {
        {0, 100, {1}}, {26, 2047, {27}}, {27, 0, {27}}, {81, 5, {27, 27, 27, 1}},
    };
    for (const auto& row : rows) {
        std::string path = dir.File("cache.iso");
        ASSERT_TRUE(kutest::MakeIsoImage(path, row.sectors, row.extra));
        int64_t total = (row.sectors + (row.extra ? 1 : 0)) * 2048ll;
        TCacheThread cache(MinimumCacheSize, &lock, CDBlockBytes, false, path, total);
        ASSERT_TRUE(cache.Start());
        std::vector<uint8_t> data;
        std::vector<int> counts = TakeAll(cache, data);
        cache.WaitFor();
        for (int& count : counts)
            count /= 2048;
        EXPECT_EQ(counts, row.counts) << row.sectors;
        EXPECT_TRUE(data == kutest::IsoImageSectors(row.sectors, row.extra)) << row.sectors;
        EXPECT_TRUE(cache.Primed());
        EXPECT_EQ(cache.BytesLeft(), 0);
        EXPECT_EQ(cache.BytesHeld(), 0);
        EXPECT_EQ(cache.ErrorText(), "");
    }
}

TEST_F(Cache, AStopNeverLeavesTheWriterWaiting) {
    std::string path = dir.File("big.iso");
    ASSERT_TRUE(kutest::MakeIsoImage(path, 4096));
    TCacheThread cache(MinimumCacheSize, &lock, DVDBlockBytes, false, path, 4096 * 2048ll);
    ASSERT_TRUE(cache.Start());
    ASSERT_TRUE(kutest::WaitUntil(
        [&] {
            cache.Lock();
            bool full = cache.Primed();
            cache.Unlock();
            return full;
        },
        10000));
    // The writer waits for blocks while another thread stops the cache.
    std::thread stopper([&] {
        Sleep(50);
        cache.Stop();
    });
    std::vector<uint8_t> data;
    std::vector<int> counts;
    std::vector<uint8_t> block;
    for (int taken = 1; taken != 0;) {
        cache.Lock();
        taken = cache.GetBlock(block);
        if (taken != 0)
            cache.WaitForChange(20);
        cache.Unlock();
    }
    stopper.join();
    cache.WaitFor();
    EXPECT_EQ(cache.ErrorText(), SOperationAborted);
    EXPECT_EQ(cache.BytesHeld(), 0);
}

TEST(BurnerHelpers, SectorsTimesAndSizes) {
    const struct {
        int64_t lba;
        uint8_t m, s, f;
    } times[] = {{0, 0, 0, 0}, {74, 0, 0, 74}, {75, 0, 1, 0}, {4500, 1, 0, 0},
                 {359849, 79, 57, 74}};
    for (const auto& t : times) {
        uint8_t m, s, f;
        LBAToMSF(t.lba, m, s, f);
        EXPECT_EQ(m * 10000 + s * 100 + f, t.m * 10000 + t.s * 100 + t.f) << t.lba;
    }
    const int64_t sizes[][2] = {{0, 0}, {1, 1}, {2048, 1}, {2049, 2}, {-5, 0},
                                {(5ll << 30) + 1, (5ll << 19) + 1}};
    for (const auto& size : sizes)
        EXPECT_EQ(SectorsOf(size[0]), size[1]) << size[0];

    TMCDBurner burner;
    const uint32_t caches[][2] = {{0, 2097152}, {4194305, 4194304}, {3000000, 2998272}};
    for (const auto& cache : caches) {
        burner.SetCacheSize(cache[0]);
        EXPECT_EQ(burner.CacheSize(), cache[1]);
    }
    burner.SetVersion("1.21");
    EXPECT_EQ(burner.Version(), "1.23");
    burner.ImageSectors = 100;
    EXPECT_EQ(burner.GetImageSectors(), 300) << "the post-gap is shown as written";
    burner.WritePostGap = false;
    EXPECT_EQ(burner.GetImageSectors(), 100);
    EXPECT_EQ(burner.GetCacheFillPercent(), 0);
}

TEST(BurnerHelpers, DirectoryTableAndArchiveBits) {
    TMCDBurner burner;
    std::vector<std::string> messages;
    burner.OnDebugMessage = [&](TSCSIDevice*, const std::string& text, uint8_t level) {
        messages.push_back(std::to_string(level) + text);
    };
    burner.ClearAll(10, 3);
    ASSERT_EQ(burner.Tables.Dirs.size(), 1u);
    EXPECT_EQ(burner.Tables.Dirs[0].Name, "CD_ROOT");
    EXPECT_EQ(burner.AddDir("A", "A", "\\A\\", 0), 1);
    EXPECT_EQ(burner.AddDir("B", "B", "\\B\\", 0), 2);
    EXPECT_EQ(burner.AddDir("C", "C", "\\C\\", 0), -1);
    EXPECT_EQ(messages, std::vector<std::string>{"3>>> MAXIMUM DIRECTORIES CAN BE 3"});

    // Only the ticked file gets its recorded attributes back, without the archive bit (the
    // read-only bit shows that the attributes were written).
    kutest::ScratchDir dir;
    const std::string kept = dir.File("kept.txt"), cleared = dir.File("cleared.txt");
    const DWORD attributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
    for (const std::string& file : {kept, cleared})
        ASSERT_TRUE(kutest::WriteTextFile(file, "x"));
    burner.Tables.Files.push_back({"KEPT.TXT", "\\", kept, attributes, false});
    burner.Tables.Files.push_back({"CLEARED.TXT", "\\", cleared, attributes, true});
    burner.Tables.Files.push_back({"DIR", "\\", dir.Path(), attributes | FILE_ATTRIBUTE_DIRECTORY,
                                   true});
    burner.ClearArchiveAttributes();
    EXPECT_EQ(GetFileAttributesA(kept.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(GetFileAttributesA(dir.Path().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_NE(GetFileAttributesA(cleared.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesA(cleared.c_str(), FILE_ATTRIBUTE_NORMAL);
    burner.ClearAll(65535, 8191);
    EXPECT_TRUE(burner.Tables.Files.empty());
}

} // namespace
