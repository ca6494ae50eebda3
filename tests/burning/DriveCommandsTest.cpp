// Drive commands on the simulated writer: a burn-like sequence whose big-endian fields the
// drive must read right, erasing, tray and lock, and the bounded waits for readiness.
#include <cstring>
#include <memory>
#include <numeric>

#include "BurnTestSupport.h"
#include "burning/mbASPI.h"
#include "burning/mbDrvLib.h"

using namespace ku;
using kutest::MakeModel;

namespace {

class DriveCommands : public kutest::BurnTest {
protected:
    void Open(int medium, const char* product = "DVDRW SIM-2000") {
        spti.sim.AddDrive(MakeModel(0, 1, 'E', product));
        spti.sim.SetMedium(0, medium);
        device = std::make_unique<TSCSIDevice>();
        ASSERT_TRUE(device->InitializeASPI(true, ""));
        device->SelectDevice(device->DeviceList.at(0));
        ASSERT_EQ(device->Target, 1);
        clock.sleeps.clear();
    }
    void TearDown() override {
        device.reset();
        BurnTest::TearDown();
    }
    DWORD Slept() const { return std::accumulate(clock.sleeps.begin(), clock.sleeps.end(), 0ul); }
    std::unique_ptr<TSCSIDevice> device;
};

TEST_F(DriveCommands, DvdMinusRSequenceReachesTheDriveIntact) {
    Open(mmcsim::DVDR);
    uint8_t performance[28] = {};
    performance[8] = 0x00, performance[9] = 0x23, performance[10] = 0x12, performance[11] = 0x7F;
    EXPECT_TRUE(device->SetStreaming(performance, sizeof(performance)));
    EXPECT_EQ(spti.sim.State(0, mmcsim::StateStreamingEnd), 0x23127F);
    uint8_t stamp[22] = {0x00, 0x14};
    std::memcpy(stamp + 8, "20261206173000", 14);
    EXPECT_TRUE(device->SendDVDStructure(0x0F, stamp, sizeof(stamp)));
    EXPECT_TRUE(device->ReserveTrack(0x12345));
    EXPECT_EQ(spti.sim.State(0, mmcsim::StateReservedBlocks), 0x12345);
    EXPECT_TRUE(device->SendOPC());

    std::vector<uint8_t> data(32 * 2048);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7 + i / 2048);
    EXPECT_TRUE(device->Write10(0, 32, 0x50, static_cast<uint32_t>(data.size()), data.data()));
    EXPECT_TRUE(device->Write10(32, 32, 0x50, static_cast<uint32_t>(data.size()), data.data()));
    EXPECT_FALSE(device->Write10(0, 32, 0x50, static_cast<uint32_t>(data.size()), data.data()));
    EXPECT_EQ(device->LastError, "ILLEGAL REQUEST (INVALID ADDRESS FOR WRITE)");
    std::vector<uint8_t> back(data.size());
    EXPECT_EQ(spti.sim.ReadWritten(0, 32, back.data(), 32), 32u);
    EXPECT_EQ(back, data);

    EXPECT_TRUE(device->SyncCache(120000, false));
    EXPECT_TRUE(device->CloseTrackSession(false, true, false));
    EXPECT_TRUE(device->CloseTrackSessionRaw(false, 2, 0xFF, 0, 0));
    EXPECT_EQ(spti.sim.State(0, mmcsim::StateSessions), 1);
    EXPECT_EQ(device->GetSessionCount(), 1);
    EXPECT_TRUE(device->CloseTrackSession(false, false, true));
    EXPECT_EQ(spti.sim.State(0, mmcsim::StateFinalized), 1);
    EXPECT_FALSE(device->SendOPC()); // nothing more can be written
}

TEST_F(DriveCommands, CdRwIsBlankedAndDvdPlusRwFormatted) {
    Open(mmcsim::CDRW);
    spti.sim.SetDiscState(0, 2, true, false);
    const uint8_t blankCdb[12] = {0xA1, 0x01};
    SRB_ExecSCSICmd blank{};
    blank.SRB_Flags = 0x40;
    blank.SRB_CDBLen = 12;
    std::memcpy(blank.CDBByte, blankCdb, sizeof(blankCdb));
    device->ExecuteSRB(blank, 4800000);
    EXPECT_EQ(blank.SRB_Status, SS_COMP);
    EXPECT_EQ(device->GetSessionCount(), 0);

    spti.sim.SetMedium(0, mmcsim::DVDPlusRW);
    const uint8_t list[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x23, 0x05, 0x40,
                              0x98, 0x00, 0x00, 0x00};
    EXPECT_TRUE(device->FormatUnit(0x11, list, sizeof(list)));
    spti.sim.SetMedium(0, mmcsim::DVDPlusR);
    EXPECT_FALSE(device->FormatUnit(0x11, list, sizeof(list)));
    EXPECT_EQ(device->LastError, "ILLEGAL REQUEST (CANNOT FORMAT MEDIUM - INCOMPATIBLE MEDIUM)");
}

TEST_F(DriveCommands, LockKeepsTheHandleOpenAndPreventsEjecting) {
    Open(mmcsim::CDR);
    EXPECT_TRUE(device->LockMedium(false));
    EXPECT_FALSE(CloseDriveHandles);
    EXPECT_EQ(spti.sim.State(0, mmcsim::StateLocked), 1);
    EXPECT_TRUE(device->TestUnitReady(5000));
    EXPECT_EQ(spti.OpenHandles(), 1); // kept between commands now
    EXPECT_FALSE(device->LoadUnloadMedium(true));
    EXPECT_EQ(device->LastError, "ILLEGAL REQUEST (MEDIUM REMOVAL PREVENTED)");
    EXPECT_TRUE(device->LockMedium(true));
    EXPECT_EQ(spti.sim.State(0, mmcsim::StateLocked), 0);
    EXPECT_TRUE(device->LoadUnloadMedium(true));
    EXPECT_EQ(spti.sim.State(0, mmcsim::StateTrayOpen), 1);
    EXPECT_FALSE(device->TestUnitReady(5000));
    EXPECT_EQ(device->LastError, "NOT READY (MEDIUM NOT PRESENT - TRAY OPEN)");
    EXPECT_TRUE(device->LoadUnloadMedium(false));
    EXPECT_TRUE(device->TestUnitReady(5000));
    EXPECT_TRUE(device->RezeroUnit());
    device->SetCloseDriveHandles(true);
    EXPECT_TRUE(device->TestUnitReady(5000));
    EXPECT_EQ(spti.OpenHandles(), 0);
}

TEST_F(DriveCommands, WaitUntilReadyRidesOutABusyPeriodOnTheVirtualClock) {
    Open(mmcsim::DVDRW);
    spti.sim.SetBusyAfterLongOps(0, 4);
    std::vector<uint8_t> data(16 * 2048, 0x5A);
    ASSERT_TRUE(device->Write10(0, 16, 0x50, static_cast<uint32_t>(data.size()), data.data()));
    ASSERT_TRUE(device->SyncCache(0, true));
    EXPECT_EQ(spti.sim.State(0, mmcsim::StateBusy), 4);
    EXPECT_TRUE(device->WaitUntilReady(30000, 1000));
    EXPECT_EQ(spti.sim.State(0, mmcsim::StateBusy), 0);
    EXPECT_GE(clock.sleeps.size(), 4u);
    for (DWORD ms : clock.sleeps)
        EXPECT_EQ(ms, 1000u);
}

TEST_F(DriveCommands, WaitUntilReadyGivesUpAtTheTimeOut) {
    Open(mmcsim::CDRW);
    spti.sim.SetBusyAfterLongOps(0, 1000000);
    ASSERT_TRUE(device->CloseTrackSessionRaw(true, 2, 0xFF, 0, 0));
    EXPECT_FALSE(device->WaitUntilReady(10000, 1000));
    EXPECT_GE(Slept(), 10000u);
    EXPECT_LE(Slept(), 11000u);
}

TEST_F(DriveCommands, RequestSensePollingSleepsBetweenPollsAndEnds) {
    Open(mmcsim::NoMedium); // answers "medium not present": neither ready nor busy
    CurrentDiscType = dtDVDRAM;
    int before = spti.sim.CountCommands(0, 0x03);
    EXPECT_FALSE(device->WaitUntilReady(20000, 500));
    int polls = spti.sim.CountCommands(0, 0x03) - before;
    EXPECT_GE(polls, 2);
    EXPECT_LE(polls, 41);
    EXPECT_GE(clock.sleeps.size(), static_cast<size_t>(polls - 1));
    EXPECT_GE(Slept(), 20000u);
}

TEST_F(DriveCommands, SlowDriveQuirkWaitsInSteadyStepsFirst) {
    Open(mmcsim::DVDRW, "DVD-RW  DVR-104 ");
    ASSERT_TRUE(device->PioneerDVRQuirk);
    spti.sim.SetBusyAfterLongOps(0, 2);
    std::vector<uint8_t> data(2048);
    ASSERT_TRUE(device->Write10(0, 1, 0x50, 2048, data.data()));
    ASSERT_TRUE(device->SyncCache(0, true));
    EXPECT_TRUE(device->WaitUntilReady(30000, 1000));
    ASSERT_FALSE(clock.sleeps.empty());
    EXPECT_EQ(clock.sleeps[0], 1500u);
}

} // namespace
