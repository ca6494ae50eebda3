// Aborts at every stage of a burn, drive faults and unusable images: each burn ends with one
// done event and a clear error text, no thread left and the lock free, and the next burn works.
#include "BurnTestSupport.h"
#include "burning/mbConst.h"

using namespace ku;

namespace {

constexpr uint32_t BigImage = 4096; // 8 MiB: more than the 2 MiB cache holds

// What disturbs a burn, and the error its one done event carries (the whole text, or its start):
// a fault injected into the drive (0 for none); an abort at the abortAt-th command of a kind or
// at the abortAtRetry-th 600 ms busy retry (0 for none); the retries the burn makes (-1
// unchecked); whether BurnISOImage answers true.
struct Trouble {
    const char* name; int fault, faultOpcode, faultCount, abortOpcode, abortAt, abortAtRetry;
    int retries; bool startsWriter; const char* error;
};

using namespace mmcsim;
const Trouble Troubles[] = {
    {"AbortBeforePriming", 0, 0, 0, 0x46, 1, 0, 0, false, SOperationAborted},
    {"AbortWithFullCache", 0, 0, 0, 0x2A, 3, 0, 0, true, SOperationAborted},
    {"AbortDuringBusyRetries", FaultBusy, 0x2A, 100, -1, 0, 3, 3, true, SOperationAborted},
    {"AbortDuringFlush", 0, 0, 0, 0x35, 1, 0, 0, true, SOperationAborted},
    {"AbortDuringBusyClose", FaultBusy, 0x5B, 100, 0x5B, 2, 0, 0, true, SOperationAborted},
    {"MediumError", FaultMediumError, 0x2A, 1, -1, 0, 0, 0, true, "WRITER ERROR [MEDIUM ERROR"},
    {"BusyForever", FaultBusy, 0x2A, 20000, -1, 0, 0, 10000, true, "WRITER BUSY/BUFFER FULL"},
    {"Hang", FaultHang, 0x2A, 1, -1, 0, 0, 0, true, "WRITER ERROR [COMMAND TIMEOUT]"},
    {"Eject", FaultEject, 0x2A, 1, -1, 0, 0, 0, true, "WRITER ERROR [NOT READY"},
    {"FlushRefused", FaultMediumError, 0x35, 2, -1, 0, 0, -1, true, "SYNCHRONIZE CACHE FAILED ["},
    {"CloseRefused", FaultMediumError, 0x5B, 2, -1, 0, 0, -1, true, "CLOSE TRACK/SESSION FAILED ["},
};

class TroubledBurn : public kutest::BurnTest,
                     public ::testing::WithParamInterface<std::tuple<bool, Trouble>> {};

TEST_P(TroubledBurn, EndsInAClearErrorAndTheNextBurnWorks) {
    const Trouble& t = std::get<1>(GetParam());
    Open(std::get<0>(GetParam()), mmcsim::DVDPlusR);
    burner->SetCacheSize(0); // the smallest cache
    if (t.fault)
        sim->InjectFault(0, t.fault, t.faultCount, t.faultOpcode, 0);
    std::atomic<int> seen{0}, retries{0};
    onCommand = [&](const uint8_t* cdb) {
        if (cdb[0] != t.abortOpcode || ++seen != t.abortAt)
            return;
        if (cdb[0] == 0x2A) { // an abort while writing waits for a full cache
            EXPECT_TRUE(kutest::WaitFor([&] { return burner->GetCacheFillPercent() >= 80; }));
        }
        burner->Abort();
    };
    clock.onSleep = [&](DWORD ms) {
        if (ms == 600 && ++retries == t.abortAtRetry)
            burner->Abort();
    };
    std::string error = Burn(Image(BigImage, 7));
    EXPECT_EQ(std::make_tuple(error.substr(0, strlen(t.error)), started,
                              Commands(0x2A, false).empty()),
              std::make_tuple(std::string(t.error), t.startsWriter, !t.startsWriter)) << error;
    if (t.abortOpcode == 0x2A) {
        EXPECT_EQ(Commands(0x2A, false).size(), 3u);
    }
    if (t.retries >= 0) {
        EXPECT_EQ(std::count(clock.sleeps.begin(), clock.sleeps.end(), 600u), t.retries);
    }
    if (t.faultOpcode != 0x5B && t.abortOpcode != 0x5B) {
        EXPECT_TRUE(Commands(0x5B, false).empty()) << "a failed burn is not closed";
    }
    ExpectCleanEnd();

    clock.onSleep = nullptr;
    onCommand = nullptr;
    sim->ClearFaults(0);
    sim->SetMedium(0, mmcsim::DVDPlusR);
    EXPECT_EQ(Burn(Image(40)), "");
    EXPECT_EQ(sim->State(0, mmcsim::StateSessions), 1);
    ExpectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(BothLayers, TroubledBurn,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(Troubles)),
                         kutest::LayerAndName<TroubledBurn::ParamType>);

using UnusableImages = kutest::BurnTest;

// Images that cannot be burnt: nothing is written and the error says why.
TEST_F(UnusableImages, AreErrors) {
    Open(false, mmcsim::DVDPlusR);
    std::string empty = dir.File("empty.iso");
    ASSERT_TRUE(kutest::WriteTextFile(empty, ""));
    const std::pair<std::string, const char*> cases[] = {
        {dir.File("missing.iso"), SImageUnreadable}, {empty, SImageEmpty}};
    for (const auto& c : cases) {
        const std::string error = Burn(c.first); // before started is read
        EXPECT_EQ(std::make_pair(error, started), std::make_pair(std::string(c.second), false))
            << c.first;
    }
    EXPECT_TRUE(Commands(0x2A, false).empty());

    // The image gets shorter while it is burnt: the burn fails and the disc is not closed.
    std::string shrinking = Image(BigImage);
    burner->SetCacheSize(0);
    onCommand = [&](const uint8_t* cdb) {
        if (cdb[0] != 0x2A || !Commands(0x2A, false).empty())
            return;
        HANDLE file = CreateFileA(shrinking.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, 0);
        SetFilePointer(file, 1 << 20, nullptr, FILE_BEGIN);
        EXPECT_TRUE(SetEndOfFile(file));
        CloseHandle(file);
    };
    EXPECT_EQ(Burn(shrinking), SImageShrunk);
    EXPECT_TRUE(started && Commands(0x5B, false).empty());
    ExpectCleanEnd();
}

} // namespace
