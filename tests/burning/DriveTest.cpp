// One drive on the simulated writer: commands without a layer or device, faults as errors,
// time-outs and hung requests, no buffer overruns, quirky drives, speeds.
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

// What a burn does not meet: the link-size quirk of two drives and DVD-RAM, which takes no page.
// The slow drive's own steps come before the readiness polls.
TEST_F(Drive, QuirkyDrivesGetTheirWriteParametersAndWaits) {
    Open(false, mmcsim::CDR, true);
    device->FinalizeDisc = device->LinkSizeValidQuirk = true;
    ASSERT_TRUE(device->SetWriteParameters(false, false, dtCDR, false)) << device->LastError;
    uint8_t page[52];
    ASSERT_TRUE(sim->WriteParametersPage(0, page));
    EXPECT_EQ(std::make_tuple(page[2], page[3], page[5], GetBE16(page + 14)),
              std::make_tuple(0x21, 0x04, 0, 150));
    const int selects = sim->CountCommands(0, 0x55);
    EXPECT_TRUE(device->SetWriteParameters(false, true, dtDVDRAM, false));
    EXPECT_EQ(sim->CountCommands(0, 0x55), selects);

    Open(false, mmcsim::DVDRW, true, "DVD-RW  DVR-104 ");
    sim->SetBusyAfterLongOps(0, 2);
    std::vector<uint8_t> data(2048, 0x5A);
    ASSERT_TRUE(device->Write10(0, 1, 0x50, 2048, data.data()) && device->SyncCache(0, true));
    clock.sleeps.clear();
    EXPECT_TRUE(device->WaitUntilReady(30000, 1000));
    EXPECT_EQ(clock.sleeps.empty() ? 0u : clock.sleeps[0], 1500u);
}

// The burn window lists the speeds; the speed chosen there is read back from its text.
TEST(Speeds, AreReadBackFromTheirTexts) {
    const struct { const char* text; uint8_t discType; int kbps; } texts[] = {
        {"Max", dtCDR, 0}, {"fast", dtCDR, 0}, {"24X (4,234 KB/s)", dtCDRW, 4248},
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
    EXPECT_FALSE(device.Write10(0, 1, 0x10, sizeof(block), block) || device.TestUnitReady(0));
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
        Open(false, c.fault ? mmcsim::CDR : mmcsim::NoMedium, true);
        if (c.fault)
            sim->InjectFault(0, c.fault, 1, c.opcode, 0);
        EXPECT_FALSE(c.opcode == 0x2A ? device->Write10(0, 1, 0x50, sizeof(block), block)
                                      : device->TestUnitReady(0));
        EXPECT_EQ(std::make_tuple(device->LastError, device->LastCommandRetryable(),
                                  device->TargetBusy, spti.handles.size()),
                  std::make_tuple(std::string(c.error), c.retryable, false, size_t(0)));
    }
}

TEST_F(Drive, TimeOutsAreAtLeastTenSecondsAndAHungRequestIsAbortedOrParked) {
    Open(true, mmcsim::CDR, true);
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
    Open(false, mmcsim::DVDPlusR, true);
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
