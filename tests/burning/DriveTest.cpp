// One drive on the simulated writer (the burns check how it describes each medium): unusual
// drives and discs, speeds, write parameters, the DVD-R set-up's big-endian fields, tray and
// lock, the bounded waits for readiness and the speeds the burn window lists.
#include <cstring>

#include "BurnTestSupport.h"
#include "burning/mbASPI.h"
#include "burning/mbBigEndian.h"
#include "burning/mbDrvLib.h"
#include "burning/mbSpeeds.h"

using namespace ku;
using kutest::MakeModel;

namespace {

using Drive = kutest::BurnTest;

TEST_F(Drive, SessionsErasabilityAndSpeedsOfUnusualDrivesAndDiscs) {
    OpenDevice(false, mmcsim::CDR);
    sim->SetDiscState(0, 1, false, false); // one closed session, appendable
    EXPECT_EQ(device->GetSessionCount(), 1);
    sim->SetDiscState(0, 2, true, false); // finalised after two
    EXPECT_EQ(device->GetSessionCount(), 2);
    sim->SetDiscState(0, 0, false, true); // first session still open
    EXPECT_EQ(device->GetSessionCount(), 1);
    sim->SetMedium(0, mmcsim::DVDPlusRW); // no disc information: the disc type decides
    sim->InjectFault(0, mmcsim::FaultMediumError, 1, 0x51, 0);
    EXPECT_TRUE(device->IsDiscErasable());
    EXPECT_EQ(CurrentDiscType, dtDVDPlusRW);

    // Old writers without GET CONFIGURATION are typed by the ATIP and the disc information.
    ResetLayer();
    spti.sim.Reset();
    mmcsim::DriveModel old = MakeModel(0, 1, 'E', "OLD CDRW", false);
    old.getConfiguration = false;
    spti.sim.AddDrive(old);
    device = std::make_unique<TSCSIDevice>();
    ASSERT_TRUE(device->InitializeASPI(true, ""));
    device->SelectDevice(device->DeviceList.at(0));
    const std::pair<int, uint8_t> types[] = {{mmcsim::CDRW, dtCDRW},
                                             {mmcsim::CDR, dtCDR},
                                             {mmcsim::DVDPlusRW, dtCDRW},
                                             {mmcsim::NoMedium, dtUnknown}};
    for (const auto& type : types) {
        spti.sim.SetMedium(0, type.first);
        EXPECT_EQ(device->GetDiscType(), type.second) << type.first;
    }
    EXPECT_EQ(device->DeviceCapabilities & (capWriteDVDR | capWriteDVDPlusR), 0u);

    // Write speeds of 0 read as 1X DVD.
    spti.sim.Reset();
    mmcsim::DriveModel zero = MakeModel(0, 1, 'E', "ZERO SPEED");
    zero.zeroWriteSpeeds = true;
    spti.sim.AddDrive(zero);
    device->ReadCapabilities();
    EXPECT_EQ(device->GetCurrentWriteSpeed(), 1385);
    EXPECT_EQ(device->GetMaxWriteSpeed(), 1385);
}

TEST_F(Drive, WriteSpeedIsSentAndKept) {
    OpenDevice(true, mmcsim::CDRW);
    device->ReadSpeed = 7056;
    device->SetWriteSpeed(1764);
    EXPECT_EQ(device->WriteSpeed, 1764);
    EXPECT_EQ(sim->State(0, mmcsim::StateWriteSpeed), 1764);
    EXPECT_EQ(sim->State(0, mmcsim::StateReadSpeed), 7056);
    EXPECT_EQ(device->GetCurrentWriteSpeed(), 1764);
    device->ReadSpeed = 0;
    device->SetWriteSpeed(0); // the drive's maximum
    EXPECT_EQ(sim->State(0, mmcsim::StateWriteSpeed), 0xFFFF);
    EXPECT_EQ(device->GetCurrentWriteSpeed(), 4234);
}

TEST_F(Drive, BufferCapacityAndABlankLengthOfAllOnes) {
    OpenDevice(false, mmcsim::DVDR);
    uint32_t length = 0, blank = 0;
    ASSERT_TRUE(device->ReadBufferCapacity(length, blank));
    EXPECT_EQ(length, 2097152u);
    EXPECT_EQ(device->DeviceBufferSize, 2097152u);
    EXPECT_EQ(device->DeviceFreeBufferSize, 2097152u);
    spti.sim.InjectFault(0, mmcsim::FaultMediumError, 1, 0x5C, 0);
    EXPECT_FALSE(device->ReadBufferCapacity(length, blank));
    EXPECT_EQ(device->DeviceFreeBufferSize, 0u);

    spti.sim.Reset();
    mmcsim::DriveModel model = MakeModel(0, 1, 'E', "FF BLANK");
    model.blankLengthFF = true;
    spti.sim.AddDrive(model);
    ASSERT_TRUE(device->ReadBufferCapacity(length, blank));
    EXPECT_EQ(blank, 0xFFFFFFFFu);
    EXPECT_EQ(device->DeviceFreeBufferSize, device->DeviceBufferSize);
}

// The parameters a burn does not use (test writes, the next layer of a DL disc, a CD that
// stays open); the burns check the others on every medium.
TEST_F(Drive, WriteParametersFollowTheDiscType) {
    const struct {
        int medium;
        uint8_t discType;
        bool testWrite, dlNext;
        uint8_t byte2, byte3, linkSize;
    } cases[] = {
        {mmcsim::CDR, dtCDR, false, false, 0x41, 0xC4, 0},
        {mmcsim::CDRW, dtCDRW, true, false, 0x51, 0x04, 0},
        {mmcsim::DVDRW, dtDVDRWSequential, true, false, 0x60, 0xC5, 16}, // BUFE set again
        {mmcsim::DVDPlusRDL, dtDVDPlusRDL, false, true, 0x62, 0xC4, 0},
        {mmcsim::DVDPlusRDL, dtDVDPlusRDL, false, false, 0x62, 0x04, 0},
    };
    OpenDevice(false, mmcsim::CDR);
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.discType));
        spti.sim.SetMedium(0, c.medium);
        ASSERT_TRUE(device->SetWriteParameters(c.testWrite, true, c.discType, c.dlNext))
            << device->LastError;
        uint8_t page[52];
        ASSERT_TRUE(spti.sim.WriteParametersPage(0, page));
        EXPECT_EQ(std::make_tuple(page[1], page[2], page[3], page[4], page[5], GetBE16(page + 14)),
                  std::make_tuple(0x32, c.byte2, c.byte3, 8, c.linkSize, 150));
        EXPECT_EQ(std::memcmp(device->WriteParameters, page, 16), 0);
    }
    device->FinalizeDisc = true; // a finalised CD, and the quirk's link size
    device->LinkSizeValidQuirk = true;
    ASSERT_TRUE(device->SetWriteParameters(false, false, dtCDR, false));
    uint8_t page[52];
    spti.sim.WriteParametersPage(0, page);
    EXPECT_EQ(page[2], 0x21);
    EXPECT_EQ(page[3], 0x04);
    int selects = spti.sim.CountCommands(0, 0x55);
    EXPECT_TRUE(device->SetWriteParameters(false, true, dtDVDRAM, false));
    EXPECT_EQ(spti.sim.CountCommands(0, 0x55), selects); // nothing is sent for DVD-RAM
}

// The DVD-R set-up commands carry big-endian fields no burn reads back.
TEST_F(Drive, DvdMinusRSetUpReachesTheDriveIntact) {
    OpenDevice(false, mmcsim::DVDR);
    uint8_t performance[28] = {};
    PutBE32(performance + 8, 0x23127F);
    EXPECT_TRUE(device->SetStreaming(performance, sizeof(performance)));
    EXPECT_EQ(spti.sim.State(0, mmcsim::StateStreamingEnd), 0x23127F);
    uint8_t stamp[22] = {0x00, 0x14};
    std::memcpy(stamp + 8, "20261206173000", 14);
    EXPECT_TRUE(device->SendDVDStructure(0x0F, stamp, sizeof(stamp)));
    EXPECT_TRUE(device->ReserveTrack(0x12345));
    EXPECT_EQ(spti.sim.State(0, mmcsim::StateReservedBlocks), 0x12345);
    std::vector<uint8_t> data(2048);
    EXPECT_TRUE(device->Write10(0, 1, 0x50, 2048, data.data()));
    EXPECT_FALSE(device->Write10(0, 1, 0x50, 2048, data.data()));
    EXPECT_EQ(device->LastError, "ILLEGAL REQUEST (INVALID ADDRESS FOR WRITE)");
}

TEST_F(Drive, LockKeepsTheHandleOpenAndPreventsEjecting) {
    OpenDevice(false, mmcsim::CDR);
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

TEST_F(Drive, WaitUntilReadyWaitsOnTheVirtualClockAndGivesUpInTime) {
    const struct {
        const char* product;
        int busyCommands, timeOut;
        bool ready;
        DWORD firstSleep, minSlept, maxSlept;
    } cases[] = {
        {"DVD-RW  DVR-104 ", 2, 30000, true, 1500, 1500, 29999}, // the slow drive's steps
        {"DVDRW SIM-2000", 4, 30000, true, 1000, 4000, 29999},
        {"DVDRW SIM-2000", 1000000, 10000, false, 1000, 10000, 11000},
    };
    std::vector<uint8_t> data(2048, 0x5A);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.busyCommands);
        ResetLayer();
        spti.sim.Reset();
        spti.sim.AddDrive(MakeModel(0, 1, 'E', c.product));
        spti.sim.SetMedium(0, mmcsim::DVDRW);
        device = std::make_unique<TSCSIDevice>();
        ASSERT_TRUE(device->InitializeASPI(true, ""));
        device->SelectDevice(device->DeviceList.at(0));
        spti.sim.SetBusyAfterLongOps(0, c.busyCommands);
        ASSERT_TRUE(device->Write10(0, 1, 0x50, 2048, data.data()));
        ASSERT_TRUE(device->SyncCache(0, true));
        clock.sleeps.clear();
        EXPECT_EQ(device->WaitUntilReady(c.timeOut, 1000), c.ready);
        ASSERT_FALSE(clock.sleeps.empty());
        EXPECT_EQ(clock.sleeps[0], c.firstSleep);
        EXPECT_GE(clock.Slept(), c.minSlept);
        EXPECT_LE(clock.Slept(), c.maxSlept);
        if (c.firstSleep == 1000) {
            EXPECT_EQ(clock.SleepsOf(1000), static_cast<int>(clock.sleeps.size()));
        }
    }
    // DVD-RAM polls with REQUEST SENSE; a drive neither ready nor busy ends it at the time-out.
    ResetLayer();
    OpenDevice(false, mmcsim::NoMedium);
    CurrentDiscType = dtDVDRAM;
    int before = spti.sim.CountCommands(0, 0x03);
    EXPECT_FALSE(device->WaitUntilReady(20000, 500));
    int polls = spti.sim.CountCommands(0, 0x03) - before;
    EXPECT_GE(polls, 2);
    EXPECT_LE(polls, 41);
    EXPECT_GE(clock.sleeps.size(), static_cast<size_t>(polls - 1));
    EXPECT_GE(clock.Slept(), 20000u);
}

TEST_F(Drive, SpeedsAreListedOnceEachAndReadBackFromTheirTexts) {
    const struct {
        int medium;
        uint8_t discType;
        std::vector<std::string> speeds;
    } lists[] = {
        {mmcsim::CDRW,
         dtCDRW,
         {"24X (4,234 KB/s)", "16X (2,822 KB/s)", "10X (1,764 KB/s)", "8X (1,411 KB/s)",
          "4X (706 KB/s)"}},
        {mmcsim::DVDPlusR,
         dtDVDPlusR,
         {"16.0X (22,160 KB/s)", "12.0X (16,620 KB/s)", "8.0X (11,080 KB/s)", "6.0X (8,310 KB/s)",
          "4.0X (5,540 KB/s)", "2.4X (3,324 KB/s)"}},
    };
    for (const auto& list : lists) {
        ResetLayer();
        OpenDevice(false, list.medium);
        EXPECT_EQ(ListWriteSpeeds(*device, device->GetDiscType()), list.speeds);
    }
    const struct {
        const char* text;
        uint8_t discType;
        int kbps;
    } texts[] = {
        {"Max", dtCDR, 0},
        {"", dtDVDPlusR, 0},
        {"24X (4,234 KB/s)", dtCDRW, 4248},
        {"4X (706 KB/s)", dtUnknown, 708},
        {"16.0X (22,160 KB/s)", dtDVDPlusR, 22160},
        {"2.4X (3,324 KB/s)", dtDVDPlusRW, 3324},
        {"15.5X (21,468 KB/s)", dtDVDR, 21468},
        {"fast", dtCDR, 0},
    };
    for (const auto& t : texts)
        EXPECT_EQ(SpeedTextToKBps(t.text, t.discType), t.kbps) << t.text;
}

} // namespace
