// One drive on the simulated writer: commands without a layer or device, faults as errors,
// time-outs and hung requests, no buffer overruns, write parameters, readiness waits, speeds.
#include <cstring>

#include "BurnTestSupport.h"
#include "burning/mbASPI.h"
#include "burning/mbBigEndian.h"
#include "burning/mbConst.h"
#include "burning/mbDrvLib.h"
#include "burning/mbSpeeds.h"

using namespace ku;

namespace {

using Drive = kutest::BurnTest;

// The parameters a burn does not use (test writes, the first layer of a DL disc, a CD that
// stays open, the link-size quirk); the burns check the others on every medium.
TEST_F(Drive, WriteParametersFollowTheDiscType) {
    const struct {
        int medium; uint8_t discType; bool testWrite, dlNext, quirk; uint8_t byte2, byte3, linkSize;
    } cases[] = {
        {mmcsim::CDR, dtCDR, false, false, false, 0x41, 0xC4, 0},
        {mmcsim::CDRW, dtCDRW, true, false, false, 0x51, 0x04, 0},
        {mmcsim::DVDRW, dtDVDRWSequential, true, false, false, 0x60, 0xC5, 16}, // BUFE set again
        {mmcsim::DVDPlusRDL, dtDVDPlusRDL, false, false, false, 0x62, 0x04, 0},
        {mmcsim::CDR, dtCDR, false, false, true, 0x21, 0x04, 0}, // finalised, quirk's link size
    };
    OpenDevice(false, mmcsim::CDR);
    uint8_t page[52];
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.discType));
        sim->SetMedium(0, c.medium);
        device->FinalizeDisc = device->LinkSizeValidQuirk = c.quirk;
        ASSERT_TRUE(device->SetWriteParameters(c.testWrite, !c.quirk, c.discType, c.dlNext))
            << device->LastError;
        ASSERT_TRUE(sim->WriteParametersPage(0, page));
        EXPECT_EQ(std::make_tuple(page[1], page[2], page[3], page[4], page[5], GetBE16(page + 14)),
                  std::make_tuple(0x32, c.byte2, c.byte3, 8, c.linkSize, 150));
        EXPECT_EQ(std::memcmp(device->WriteParameters, page, 16), 0);
    }
    int selects = sim->CountCommands(0, 0x55);
    EXPECT_TRUE(device->SetWriteParameters(false, true, dtDVDRAM, false));
    EXPECT_EQ(sim->CountCommands(0, 0x55), selects); // nothing is sent for DVD-RAM
}

// The slow drive's own steps and DVD-RAM's polls; the erases wait for other drives and give up.
TEST_F(Drive, WaitUntilReadyTakesTheSlowDrivesStepsAndPollsDvdRamBySense) {
    OpenDevice(false, mmcsim::DVDRW, "DVD-RW  DVR-104 ");
    sim->SetBusyAfterLongOps(0, 2);
    std::vector<uint8_t> data(2048, 0x5A);
    ASSERT_TRUE(device->Write10(0, 1, 0x50, 2048, data.data()));
    ASSERT_TRUE(device->SyncCache(0, true));
    clock.sleeps.clear();
    EXPECT_TRUE(device->WaitUntilReady(30000, 1000));
    ASSERT_FALSE(clock.sleeps.empty());
    EXPECT_EQ(clock.sleeps[0], 1500u);
    EXPECT_LT(clock.Slept(), 30000u);
    // DVD-RAM polls with REQUEST SENSE; a drive neither ready nor busy ends it at the time-out.
    OpenDevice(false, mmcsim::NoMedium);
    CurrentDiscType = dtDVDRAM;
    sim->ClearLog(0);
    EXPECT_FALSE(device->WaitUntilReady(20000, 500));
    int polls = sim->CountCommands(0, 0x03);
    EXPECT_TRUE(polls >= 2 && polls <= 41) << polls;
    EXPECT_GE(clock.sleeps.size(), static_cast<size_t>(polls - 1));
    EXPECT_GE(clock.Slept(), 20000u);
}

// The burn window lists the speeds; the speed chosen there is read back from its text.
TEST(Speeds, AreReadBackFromTheirTexts) {
    const struct { const char* text; uint8_t discType; int kbps; } texts[] = {
        {"Max", dtCDR, 0}, {"", dtDVDPlusR, 0}, {"fast", dtCDR, 0},
        {"24X (4,234 KB/s)", dtCDRW, 4248}, {"4X (706 KB/s)", dtUnknown, 708},
        {"16.0X (22,160 KB/s)", dtDVDPlusR, 22160}, {"2.4X (3,324 KB/s)", dtDVDPlusRW, 3324},
        {"15.5X (21,468 KB/s)", dtDVDR, 21468},
    };
    for (const auto& t : texts)
        EXPECT_EQ(SpeedTextToKBps(t.text, t.discType), t.kbps) << t.text;
}

TEST_F(Drive, WithoutLayerOrDeviceNothingPassesForSuccess) {
    TSCSIDevice device;
    SRB_ExecSCSICmd srb{};
    srb.SRB_Status = SS_PENDING;
    EXPECT_EQ(device.ExecuteSRB(srb, 0), ExecuteNotSent);
    EXPECT_EQ(srb.SRB_Status, SS_NO_ADAPTERS);
    EXPECT_EQ(device.LastError, SNoASPILayer);
    uint8_t block[2048] = {};
    EXPECT_FALSE(device.Write10(0, 1, 0x10, sizeof(block), block));
    EXPECT_FALSE(device.TestUnitReady(0));
    AttachDrive(false, mmcsim::CDR);
    EXPECT_FALSE(device.TestUnitReady(0)); // no device selected yet
    EXPECT_EQ(device.LastError, SNoDeviceSelected);
}

// A failed WRITE (opcode 2Ah) or TEST UNIT READY; hangs, busy drives and medium errors are
// the troubled burns' through both layers.
TEST_F(Drive, DriveAndTransportFaultsBecomeErrorsThatSayWhetherToRetry) {
    const struct { int fault, opcode; const char* error; bool retryable; } cases[] = {
        {mmcsim::FaultTransport, 0x2A, "SELECTION TIMEOUT", false},
        {mmcsim::FaultNotReady, 0, "NOT READY (LOGICAL UNIT IS IN PROCESS OF BECOMING READY)", true},
        {0, 0, "NOT READY (MEDIUM NOT PRESENT - TRAY CLOSED)", false},
    };
    uint8_t block[2048] = {};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        OpenDevice(false, c.fault ? mmcsim::CDR : mmcsim::NoMedium);
        if (c.fault)
            sim->InjectFault(0, c.fault, 1, c.opcode, 0);
        EXPECT_FALSE(c.opcode == 0x2A ? device->Write10(0, 1, 0x50, sizeof(block), block)
                                      : device->TestUnitReady(0));
        EXPECT_EQ(std::make_tuple(device->LastError, device->LastCommandRetryable(),
                                  device->TargetBusy, spti.handles.size()),
                  std::make_tuple(std::string(c.error), c.retryable, false, size_t(0)));
        if (c.fault) { // the next command finds the drive well again
            EXPECT_TRUE(device->TestUnitReady(0));
            EXPECT_EQ(device->LastError + (device->TargetBusy ? "busy" : ""), "");
        }
    }
}

TEST_F(Drive, TimeOutsAreAtLeastTenSecondsAndAHungRequestIsAbortedOrParked) {
    OpenDevice(true, mmcsim::CDR);
    sim->InjectFault(0, mmcsim::FaultHang, 2, 0x00, 0);
    EXPECT_FALSE(device->TestUnitReady(0));
    EXPECT_FALSE(device->TestUnitReady(10001));
    ASSERT_GE(clock.waits.size(), 3u); // the abort's own grace wait between
    EXPECT_EQ(std::make_tuple(clock.waits[0], clock.waits[2], sim->PendingRequests(),
                              ParkedEventCount()), std::make_tuple(10000u, 10001u, 0, 0u));
    // The layer will not let go of the request: its event is kept, not closed under it.
    sim->InjectFault(0, mmcsim::FaultHang, 1, 0x00, 1);
    EXPECT_FALSE(device->TestUnitReady(0));
    EXPECT_EQ(std::make_pair(sim->PendingRequests(), ParkedEventCount()), std::make_pair(1, 1u));
    UnloadASPI();
    EXPECT_EQ(ParkedEventCount(), 0u);
}

TEST_F(Drive, ShortAnswersLeaveZerosAndOverlongLengthsStayInsideTheBuffers) {
    OpenDevice(false, mmcsim::DVDPlusR);
    uint8_t answer[56];
    std::memset(answer, 0xCC, sizeof(answer));
    sim->InjectFault(0, mmcsim::FaultShortAnswer, 1, 0x51, 4);
    EXPECT_TRUE(device->ReadDiscInformation(answer, sizeof(answer)));
    EXPECT_EQ(std::vector<uint8_t>(answer + 4, answer + 56), std::vector<uint8_t>(52, 0))
        << "old bytes kept";
    // Mode pages whose lengths claim 255 bytes are copied only as far as the answer goes.
    sim->InjectFault(0, mmcsim::FaultOverlong, 4, 0x5A, 0);
    EXPECT_TRUE(device->ReadCapabilities());
    EXPECT_EQ(std::make_pair(device->CapabilitiesPage[0], device->CapabilitiesPage[1]),
              std::make_pair(uint8_t(0x2A), uint8_t(0xFF)));
    EXPECT_TRUE(device->SetWriteParameters(false, true, dtCDR, false));
    sim->InjectFault(0, mmcsim::FaultOverlong, 2, 0x46, 0);
    EXPECT_EQ(device->GetDiscType(), dtDVDPlusR);
}

} // namespace
