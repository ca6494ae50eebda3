// Quick and full erases of every rewritable medium through both layers; erases that cannot
// start, and an abort while the erase thread waits.
#include "BurnTestSupport.h"

using namespace ku;

namespace {

// mode: 0 full, 1 quick; opcode: BLANK or FORMAT UNIT (0 for none), byte1 of it, the format
// list of a FORMAT UNIT, blocks of zeros written.
struct EraseCase {
    const char* name; int medium; uint8_t mode, opcode, byte1; std::vector<uint8_t> list;
    size_t zeroWrites;
};

// A DVD+RW: FOV and Immed, 2,295,104 blocks of type 26h; a DVD-RAM: 2,236,704 blocks of type 0,
// 2,048 bytes each.
const std::vector<uint8_t> PlusRWList = {0, 0x82, 0, 8, 0, 0x23, 0x05, 0x40, 0x98, 0, 0, 0};
const std::vector<uint8_t> RAMList = {0, 0x82, 0, 8, 0, 0x22, 0x21, 0x20, 0, 0, 0x08, 0};

const EraseCase Erases[] = {
    {"CDRWQuick", mmcsim::CDRW, 1, 0xA1, 0x11, {}, 0},
    {"DVDRWFull", mmcsim::DVDRW, 0, 0xA1, 0x10, {}, 0},
    {"DVDPlusRWQuick", mmcsim::DVDPlusRW, 1, 0x04, 0x11, PlusRWList, 65},
    {"DVDPlusRWFull", mmcsim::DVDPlusRW, 0, 0x04, 0x11, PlusRWList, 71001},
    // A quick erase of a DVD-RAM only writes zeros: 11 blocks before the thread, 65 in it.
    {"DVDRAMQuick", mmcsim::DVDRAM, 1, 0, 0, {}, 76},
    {"DVDRAMFull", mmcsim::DVDRAM, 0, 0x04, 0x11, RAMList, 0},
};

class EraseTest : public kutest::BurnTest {
  protected:
    void Open(bool viaDouble, int medium) {
        BurnTest::Open(viaDouble, medium);
        burner->OnEraseDone = [this](TSCSIDevice*, bool withError) { erased.push_back(withError); };
    }
    bool WaitErased() {
        bool ended = kutest::WaitFor([&] { return !burner->Erasing; }, 120000);
        burner->WaitForErase();
        return ended;
    }
    std::vector<bool> erased;
};

class EveryRewritable : public EraseTest,
                        public ::testing::WithParamInterface<std::tuple<bool, EraseCase>> {};

TEST_P(EveryRewritable, IsErased) {
    const EraseCase& e = std::get<1>(GetParam());
    Open(std::get<0>(GetParam()), e.medium);
    ASSERT_EQ(Burn(Image(100)), "");
    ASSERT_GT(sim->State(0, mmcsim::StateWrittenBlocks), 0);
    sim->ClearLog(0);
    ASSERT_TRUE(burner->EraseDisc(e.mode));
    ASSERT_TRUE(WaitErased());
    EXPECT_EQ(erased, std::vector<bool>{false});
    auto erase = Commands(e.opcode);
    ASSERT_EQ(Commands(0xA1, false).size() + Commands(0x04, false).size(), e.opcode ? 1u : 0u);
    if (e.opcode) {
        EXPECT_EQ(std::make_tuple(erase.at(0).cdb[1] & 0x1F,
                                  e.list.empty() ? e.list
                                                 : std::vector<uint8_t>(erase[0].dataOut,
                                                                        erase[0].dataOut + 12)),
                  std::make_tuple(int(e.byte1), e.list));
    }
    EXPECT_EQ(std::make_tuple(Commands(0x2A).size(), sim->State(0, mmcsim::StateWrittenBlocks),
                              sim->State(0, mmcsim::StateLocked)),
              std::make_tuple(e.zeroWrites, 0, 0));
    if (e.opcode == 0xA1) { // a blanked disc is empty; a DVD+RW stays formatted
        EXPECT_EQ(sim->State(0, mmcsim::StateSessions), 0);
    }
    ExpectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(BothLayers, EveryRewritable,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(Erases)),
                         kutest::LayerAndName<EveryRewritable::ParamType>);

// A CD-R never reaches an erase: the window tells the user it is not erasable.
TEST_F(EraseTest, EndsWithAnErrorWhenTheDriveIsNeverReadyOrItIsAborted) {
    Open(false, mmcsim::CDRW);
    sim->InjectFault(0, mmcsim::FaultNotReady, 1000000, -1, 0);
    ASSERT_TRUE(burner->EraseDisc(1)); // the thread finds the drive not ready: no erase
    ASSERT_TRUE(WaitErased());
    EXPECT_EQ(erased, std::vector<bool>{true});
    EXPECT_TRUE(Commands(0xA1, false).empty());
    erased.clear();

    // Aborted while it waits for the drive: the erase ends at once, with an error.
    sim->ClearFaults(0);
    sim->SetBusyAfterLongOps(0, 50);
    clock.onSleep = [&](DWORD ms) { ms == 5000 ? burner->Abort() : void(); };
    ASSERT_TRUE(burner->EraseDisc(0));
    ASSERT_TRUE(WaitErased());
    EXPECT_EQ(erased, std::vector<bool>{true});

    // Aborted as the drive takes the erase, which it then finishes: still not a success.
    clock.onSleep = nullptr;
    sim->SetBusyAfterLongOps(0, 0);
    sim->SetMedium(0, mmcsim::CDRW);
    onCommand = [&](const uint8_t* cdb) { cdb[0] == 0xA1 ? burner->Abort() : void(); };
    ASSERT_TRUE(burner->EraseDisc(0));
    ASSERT_TRUE(WaitErased());
    EXPECT_EQ(erased, (std::vector<bool>{true, true}));
    ExpectCleanEnd();
}

} // namespace

namespace {

// In real time: an abort while the erase thread waits for a drive that keeps becoming ready
// (five seconds a step, thirty in all) ends the erase at once. It checks every tenth of a
// second; the limit leaves room for a busy machine's scheduling and stays half the step an
// ignored abort would still sleep out.
TEST_F(EraseTest, AnAbortEndsTheWaitsWellBeforeTheirStepOfRealTime) {
    Open(false, mmcsim::CDRW);
    ku::SetBurnClock(nullptr);
    sim->InjectFault(0, mmcsim::FaultNotReady, 1000000, 0x00, 0); // every TEST UNIT READY
    ASSERT_TRUE(burner->EraseDisc(1));
    Sleep(300);
    const DWORD start = GetTickCount();
    burner->Abort();
    ASSERT_TRUE(WaitErased());
    EXPECT_LT(GetTickCount() - start, 2500u);
    EXPECT_EQ(erased, std::vector<bool>{true});
}

} // namespace
