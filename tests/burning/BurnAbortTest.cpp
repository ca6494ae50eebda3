// Aborts at every stage of a burn, drive faults and unusable images: each burn ends with one
// done event and a clear error text, no thread left and the lock free, and the next burn works.
#include "BurnerTestSupport.h"
#include "burning/mbConst.h"

using namespace ku;

namespace {

constexpr uint32_t BigImage = 4096; // 8 MiB: more than the 2 MiB cache holds

struct AbortCase {
    const char* name;
    int faultOpcode; // busy drive for this command, -1 for none
    int abortOpcode; // abort at the abortAt-th command of this kind, -1 for none
    int abortAt;
    int abortAtRetry; // abort at this 600 ms busy retry, 0 for none
    bool waitForFullCache;
    bool startsWriter; // BurnISOImage answers true
};

const AbortCase Aborts[] = {
    {"BeforePriming", -1, 0x46, 1, 0, false, false},
    {"WritingWithFullCache", -1, 0x2A, 3, 0, true, true},
    {"DuringBusyRetries", 0x2A, -1, 0, 3, false, true},
    {"DuringFlush", -1, 0x35, 1, 0, false, true},
    {"DuringBusyClose", 0x5B, 0x5B, 2, 0, false, true},
};

class AbortAtEveryStage : public kutest::BurnerTest,
                          public ::testing::WithParamInterface<std::tuple<bool, AbortCase>> {};

TEST_P(AbortAtEveryStage, EndsCleanlyAndTheNextBurnWorks) {
    const AbortCase& a = std::get<1>(GetParam());
    Open(std::get<0>(GetParam()), mmcsim::DVDPlusR);
    burner->SetCacheSize(0); // the smallest cache
    if (a.faultOpcode >= 0)
        sim->InjectFault(0, mmcsim::FaultBusy, 100, a.faultOpcode, 0);
    abortOpcode = a.abortOpcode;
    abortAt = a.abortAt;
    int retries = 0;
    clock.onSleep = [&](DWORD ms) {
        if (ms == 600 && ++retries == a.abortAtRetry)
            burner->Abort();
    };
    int writes = 0;
    onCommand = [&](const uint8_t* cdb) {
        if (cdb[0] == 0x2A && ++writes == a.abortAt && a.waitForFullCache) {
            EXPECT_TRUE(kutest::WaitUntil([&] { return burner->GetCacheFillPercent() >= 80; },
                                          10000));
        }
    };
    EXPECT_EQ(Burn(Image(BigImage)), SOperationAborted);
    EXPECT_EQ(started, a.startsWriter);
    if (!a.startsWriter) {
        EXPECT_TRUE(Commands(0x2A, false).empty());
    }
    if (a.abortOpcode == 0x2A) {
        EXPECT_EQ(Commands(0x2A, false).size(), 3u);
    }
    if (a.abortAtRetry) {
        EXPECT_EQ(clock.SleepsOf(600), a.abortAtRetry);
    }
    if (a.abortOpcode != 0x5B) {
        EXPECT_TRUE(Commands(0x5B, false).empty()) << "an aborted burn is not closed";
    }
    ExpectCleanEnd();

    abortOpcode = -1;
    clock.onSleep = nullptr;
    onCommand = nullptr;
    sim->ClearFaults(0);
    sim->SetMedium(0, mmcsim::DVDPlusR);
    EXPECT_EQ(Burn(Image(40)), "");
    EXPECT_EQ(sim->State(0, mmcsim::StateSessions), 1);
    ExpectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(
    BothLayers, AbortAtEveryStage,
    ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(Aborts)), [](const auto& info) {
        return std::string(std::get<0>(info.param) ? "Aspi" : "Spti") +
               std::get<1>(info.param).name;
    });

struct FaultCase {
    const char* name;
    int fault;
    uint8_t opcode;
    int count;
    const char* error; // the whole text, or its start when it ends in "["
};

const FaultCase Faults[] = {
    {"MediumError", mmcsim::FaultMediumError, 0x2A, 1, "WRITER ERROR [MEDIUM ERROR"},
    {"BusyForever", mmcsim::FaultBusy, 0x2A, 20000, "WRITER BUSY/BUFFER FULL"},
    {"Hang", mmcsim::FaultHang, 0x2A, 1, "WRITER ERROR [COMMAND TIMEOUT]"},
    {"Eject", mmcsim::FaultEject, 0x2A, 1, "WRITER ERROR [NOT READY"},
    {"FlushRefused", mmcsim::FaultMediumError, 0x35, 2, "SYNCHRONIZE CACHE FAILED ["},
    {"CloseRefused", mmcsim::FaultMediumError, 0x5B, 2, "CLOSE TRACK/SESSION FAILED ["},
};

class DriveFaults : public kutest::BurnerTest,
                    public ::testing::WithParamInterface<std::tuple<bool, FaultCase>> {};

TEST_P(DriveFaults, EndInAClearError) {
    const FaultCase& f = std::get<1>(GetParam());
    Open(std::get<0>(GetParam()), mmcsim::DVDPlusR);
    sim->InjectFault(0, f.fault, f.count, f.opcode, 0);
    std::string error = Burn(Image(200, 7));
    EXPECT_EQ(error.substr(0, std::string(f.error).size()), f.error) << error;
    if (f.fault == mmcsim::FaultBusy) {
        EXPECT_EQ(clock.SleepsOf(600), 10000);
    }
    if (f.opcode == 0x2A) {
        EXPECT_TRUE(Commands(0x5B, false).empty()) << "a failed burn is not closed";
    }
    ExpectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(
    BothLayers, DriveFaults, ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(Faults)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) ? "Aspi" : "Spti") +
               std::get<1>(info.param).name;
    });

using UnusableImages = kutest::BurnerTest;

// Images that cannot be burnt: nothing is written and the error says why.
TEST_F(UnusableImages, AreErrors) {
    Open(false, mmcsim::DVDPlusR);
    std::string empty = dir.File("empty.iso");
    ASSERT_TRUE(kutest::WriteTextFile(empty, ""));
    std::string locked = Image(30);
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    const std::pair<std::string, const char*> cases[] = {
        {dir.File("missing.iso"), SImageUnreadable},
        {empty, SImageEmpty},
        {locked, SImageUnreadable},
        {dir.Path(), SImageUnreadable},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Burn(c.first), c.second) << c.first;
        EXPECT_FALSE(started);
    }
    CloseHandle(holder);
    EXPECT_TRUE(Commands(0x2A, false).empty());

    // The image gets shorter while it is burnt: the burn fails and the disc is not closed.
    std::string shrinking = Image(BigImage);
    burner->SetCacheSize(0);
    onCommand = [&](const uint8_t* cdb) {
        if (cdb[0] != 0x2A || !Commands(0x2A, false).empty())
            return;
        HANDLE file = CreateFileA(shrinking.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        SetFilePointer(file, 1 << 20, nullptr, FILE_BEGIN);
        EXPECT_TRUE(SetEndOfFile(file));
        CloseHandle(file);
    };
    EXPECT_EQ(Burn(shrinking), SImageShrunk);
    EXPECT_TRUE(started);
    EXPECT_TRUE(Commands(0x5B, false).empty());
    ExpectCleanEnd();
}

} // namespace
