// Command execution: no layer or device, drive and transport faults as errors, time-outs and
// aborts, the first-command error report and buffers that answers must not overrun.
#include <cstring>

#include "BurnTestSupport.h"
#include "burning/mbASPI.h"
#include "burning/mbConst.h"
#include "burning/mbDrvLib.h"

using namespace ku;
using kutest::MakeModel;

namespace {

using ExecuteSrb = kutest::BurnTest;

TEST_F(ExecuteSrb, WithoutLayerOrDeviceNothingPassesForSuccess) {
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

TEST_F(ExecuteSrb, DriveAndTransportFaultsBecomeErrorsThatSayWhetherToRetry) {
    const struct {
        bool viaDouble;
        int fault, opcode; // opcode 0x2A: a WRITE fails, else TEST UNIT READY
        const char* error;
        bool retryable, busy;
    } cases[] = {
        {false, mmcsim::FaultTransport, 0x2A, "SELECTION TIMEOUT", false, false},
        {false, mmcsim::FaultHang, 0x00, "COMMAND TIMEOUT", false, false},
        {true, mmcsim::FaultHang, 0x00, "COMMAND TIMEOUT", false, false},
        {false, mmcsim::FaultBusy, 0x00, "TARGET BUSY", true, true},
        {false, mmcsim::FaultMediumError, 0x2A, "MEDIUM ERROR (WRITE ERROR)", false, false},
        {false, mmcsim::FaultNotReady, 0x00,
         "NOT READY (LOGICAL UNIT IS IN PROCESS OF BECOMING READY)", true, false},
        {false, 0, 0x00, "NOT READY (MEDIUM NOT PRESENT - TRAY CLOSED)", false, false},
    };
    uint8_t block[2048] = {};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        ResetLayer();
        OpenDevice(c.viaDouble, c.fault ? mmcsim::CDR : mmcsim::NoMedium);
        ASSERT_FALSE(HasFatalFailure());
        if (c.fault)
            sim->InjectFault(0, c.fault, 1, c.opcode, 0);
        EXPECT_FALSE(c.opcode == 0x2A ? device->Write10(0, 1, 0x50, sizeof(block), block)
                                      : device->TestUnitReady(0));
        EXPECT_EQ(device->LastError, c.error);
        EXPECT_EQ(device->LastCommandRetryable(), c.retryable);
        EXPECT_EQ(device->TargetBusy, c.busy);
        EXPECT_EQ(c.viaDouble ? aspi->Control()->PendingRequests() : spti.OpenHandles(), 0);
        if (c.fault) { // the next command finds the drive well again
            EXPECT_TRUE(device->TestUnitReady(0));
            EXPECT_EQ(device->LastError + (device->TargetBusy ? "busy" : ""), "");
        }
    }
}

TEST_F(ExecuteSrb, TimeOutsAreAtLeastTenSecondsAndAHungRequestIsAbortedOrParked) {
    OpenDevice(true, mmcsim::CDR);
    sim->InjectFault(0, mmcsim::FaultHang, 2, 0x00, 0);
    EXPECT_FALSE(device->TestUnitReady(0));
    EXPECT_FALSE(device->TestUnitReady(10001));
    ASSERT_GE(clock.waits.size(), 3u);
    EXPECT_EQ(clock.waits[0], 10000u);
    EXPECT_EQ(clock.waits[2], 10001u); // after the abort's own grace wait
    EXPECT_EQ(sim->PendingRequests(), 0) << "the request was not aborted";
    EXPECT_EQ(ParkedEventCount(), 0u);

    // The layer will not let go of the request: its event is kept, not closed under it.
    sim->InjectFault(0, mmcsim::FaultHang, 1, 0x00, 1);
    EXPECT_FALSE(device->TestUnitReady(0));
    EXPECT_EQ(sim->PendingRequests(), 1);
    EXPECT_EQ(ParkedEventCount(), 1u);
    UnloadASPI();
    EXPECT_EQ(ParkedEventCount(), 0u);
}

TEST_F(ExecuteSrb, RequestCompletedLaterIsWaitedFor) {
    OpenDevice(true, mmcsim::CDR);
    sim->InjectFault(0, mmcsim::FaultDelayed, 1, 0x00, 50);
    EXPECT_TRUE(device->TestUnitReady(0));
    EXPECT_EQ(device->LastError, "");
    EXPECT_EQ(clock.waits.size(), 1u);
}

TEST_F(ExecuteSrb, LogicalUnitTravelsInTheTopBitsOfCdbByteOne) {
    mmcsim::DriveModel model = MakeModel(0, 2, 'E', "LUN DRIVE");
    model.lun = 3;
    spti.sim.AddDrive(model);
    TSCSIDevice lun;
    ASSERT_TRUE(lun.InitializeASPI(true, ""));
    ASSERT_EQ(lun.DeviceList.size(), 1u);
    EXPECT_EQ(lun.DeviceList[0].substr(0, 9), "0:2:3,E: ");
    lun.SelectDevice(lun.DeviceList[0]);
    spti.sim.ClearLog(0);
    EXPECT_TRUE(lun.SyncCache(0, true));
    mmcsim::CommandRecord record;
    ASSERT_TRUE(spti.sim.LogEntry(0, 0, &record));
    EXPECT_EQ(record.cdb[1], 0x60 | 0x02);
}

TEST_F(ExecuteSrb, ShortAnswersLeaveZerosAndOverlongLengthsStayInsideTheBuffers) {
    OpenDevice(false, mmcsim::DVDPlusR);
    uint8_t answer[56];
    std::memset(answer, 0xCC, sizeof(answer));
    spti.sim.InjectFault(0, mmcsim::FaultShortAnswer, 1, 0x51, 4);
    EXPECT_TRUE(device->ReadDiscInformation(answer, sizeof(answer)));
    for (size_t i = 4; i < sizeof(answer); ++i)
        ASSERT_EQ(answer[i], 0) << "byte " << i << " kept an old value";

    // Mode pages whose lengths claim 255 bytes are copied only as far as the answer goes.
    spti.sim.InjectFault(0, mmcsim::FaultOverlong, 4, 0x5A, 0);
    EXPECT_TRUE(device->ReadCapabilities());
    EXPECT_EQ(device->CapabilitiesPage[0], 0x2A);
    EXPECT_EQ(device->CapabilitiesPage[1], 0xFF);
    EXPECT_TRUE(device->SetWriteParameters(false, true, dtCDR, false));
    spti.sim.InjectFault(0, mmcsim::FaultOverlong, 2, 0x46, 0);
    EXPECT_EQ(device->GetDiscType(), dtDVDPlusR);
}

TEST_F(ExecuteSrb, OnlyTheFirstCommandOfADeviceCanBeReportedAndRoutineFailuresAreNot) {
    AttachDrive(false, mmcsim::NoMedium);
    std::vector<std::string> reports;
    const auto make = [&reports](bool withLayer) {
        ASPILoaded = withLayer; // a device made with a layer used its report on its scan
        auto made = std::make_unique<TSCSIDevice>();
        ASPILoaded = true;
        made->OnDebugMessage = [&reports](TSCSIDevice*, const std::string& text, uint8_t level) {
            if (level == 0)
                reports.push_back(text);
        };
        made->HaId = 0, made->Target = 1, made->Lun = 0;
        return made;
    };
    EXPECT_FALSE(make(true)->SendOPC());
    EXPECT_TRUE(reports.empty());
    auto fresh = make(false);
    EXPECT_FALSE(fresh->SendOPC());
    EXPECT_FALSE(fresh->SendOPC());
    EXPECT_EQ(reports, std::vector<std::string>{
                           "<<< SEND OPC INFORMATION   (54) {40|0A} - 0:1:0 <04> [00000]"
                           "01 00 00 00 00 00 00 00 00 00 00 00 00 00 00  |= 00 02 70 02 "
                           "ASC:3A,ASQ:01 NOT READY (MEDIUM NOT PRESENT - TRAY CLOSED)"});
    auto routine = make(false);
    EXPECT_FALSE(routine->TestUnitReady(0));
    EXPECT_NE(routine->LastError, "");
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(ExecuteSrb, UnalignedBufferIsReportedAndCommandsAlignTheirOwn) {
    AttachDrive(false, mmcsim::CDR);
    TSCSIDevice unaligned;
    unaligned.HaId = 0, unaligned.Target = 1, unaligned.Lun = 0;
    std::string message;
    unaligned.OnDebugMessage = [&message](TSCSIDevice*, const std::string& text, uint8_t) {
        message = text;
    };
    alignas(8) uint8_t buffer[40] = {};
    EXPECT_TRUE(unaligned.RequestSense(buffer + 1, 18));
    EXPECT_EQ(message, "") << "a command moves its data through an aligned buffer";
    EXPECT_EQ(buffer[1], 0x70);
    SRB_ExecSCSICmd srb{};
    srb.SRB_Flags = SRB_DIR_IN;
    srb.SRB_BufLen = 18;
    srb.SRB_BufPointer = buffer + 1;
    srb.SRB_CDBLen = 6;
    srb.CDBByte[0] = 0x03;
    srb.CDBByte[4] = 18;
    unaligned.ExecuteSRB(srb, 0);
    EXPECT_EQ(message, "aaaa" + std::to_string(reinterpret_cast<uintptr_t>(buffer + 1)));
}

} // namespace
