// Command execution: no layer or device, time-outs and aborts, host errors, busy targets,
// sense data, the first-command error report and buffers that answers must not overrun.
#include <cstring>

#include "BurnTestSupport.h"
#include "burning/mbASPI.h"
#include "burning/mbConst.h"
#include "burning/mbDrvLib.h"

using namespace ku;
using kutest::AspiDouble;
using kutest::MakeModel;

namespace {

class ExecuteSrb : public kutest::BurnTest {
protected:
    // A device selected through the pass-through emulation.
    void SelectSpti(TSCSIDevice& device) {
        spti.sim.AddDrive(MakeModel(0, 1, 'E', "DVDRW SIM-2000"));
        ASSERT_TRUE(device.InitializeASPI(true, ""));
        ASSERT_EQ(device.DeviceList.size(), 1u);
        device.SelectDevice(device.DeviceList[0]);
        ASSERT_EQ(device.HaId, 0);
    }
    // A device selected through the WNASPI32.DLL double.
    void SelectDouble(AspiDouble& aspi, TSCSIDevice& device) {
        ASSERT_NE(aspi.Control(), nullptr);
        ASSERT_TRUE(device.InitializeASPI(false, AspiDouble::Path()));
        ASSERT_EQ(ASPILayerName, "WNASPI32.DLL");
        ASSERT_EQ(device.DeviceList.size(), 1u);
        device.SelectDevice(device.DeviceList[0]);
        ASSERT_EQ(device.Target, 1);
    }
};

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

    spti.sim.AddDrive(MakeModel(0, 1, 'E', "DVDRW SIM-2000"));
    ASSERT_TRUE(InitASPI(true, ""));
    EXPECT_FALSE(device.TestUnitReady(0)); // no device selected yet
    EXPECT_EQ(device.LastError, SNoDeviceSelected);
}

TEST_F(ExecuteSrb, TimeOutsAreAtLeastTenSecondsAndEndInAnAbortedCommandTimeout) {
    AspiDouble aspi;
    TSCSIDevice device;
    SelectDouble(aspi, device);
    aspi->InjectFault(0, mmcsim::FaultHang, 2, 0x00, 0);
    clock.waits.clear();
    EXPECT_FALSE(device.TestUnitReady(0));
    EXPECT_EQ(device.LastError, "COMMAND TIMEOUT");
    EXPECT_FALSE(device.TestUnitReady(10001));
    ASSERT_GE(clock.waits.size(), 2u);
    EXPECT_EQ(clock.waits[0], 10000u);
    EXPECT_EQ(clock.waits[2], 10001u); // after the abort's own grace wait
    EXPECT_EQ(aspi->PendingRequests(), 0) << "the request was not aborted";
    EXPECT_EQ(ParkedEventCount(), 0u);
    EXPECT_FALSE(device.LastCommandRetryable());
}

TEST_F(ExecuteSrb, EventOfARequestTheLayerWillNotLetGoIsNotClosed) {
    AspiDouble aspi;
    TSCSIDevice device;
    SelectDouble(aspi, device);
    aspi->InjectFault(0, mmcsim::FaultHang, 1, 0x00, 1); // the abort is refused too
    EXPECT_FALSE(device.TestUnitReady(0));
    EXPECT_EQ(device.LastError, "COMMAND TIMEOUT");
    EXPECT_EQ(aspi->PendingRequests(), 1);
    EXPECT_EQ(ParkedEventCount(), 1u);
    UnloadASPI();
    EXPECT_EQ(ParkedEventCount(), 0u);
}

TEST_F(ExecuteSrb, RequestCompletedLaterIsWaitedFor) {
    AspiDouble aspi;
    TSCSIDevice device;
    SelectDouble(aspi, device);
    aspi->InjectFault(0, mmcsim::FaultDelayed, 1, 0x00, 50);
    clock.waits.clear();
    EXPECT_TRUE(device.TestUnitReady(0));
    EXPECT_EQ(device.LastError, "");
    EXPECT_EQ(clock.waits.size(), 1u);
}

TEST_F(ExecuteSrb, FailedTransportIsAHostErrorNotABusyTarget) {
    TSCSIDevice device;
    SelectSpti(device);
    spti.sim.InjectFault(0, mmcsim::FaultTransport, 1, 0x2A, 0);
    uint8_t block[2048] = {};
    EXPECT_FALSE(device.Write10(0, 1, 0x50, sizeof(block), block));
    EXPECT_EQ(device.LastError, "SELECTION TIMEOUT");
    EXPECT_FALSE(device.TargetBusy);
    EXPECT_FALSE(device.LastCommandRetryable());

    spti.sim.InjectFault(0, mmcsim::FaultHang, 1, 0x00, 0);
    EXPECT_FALSE(device.TestUnitReady(0));
    EXPECT_EQ(device.LastError, "COMMAND TIMEOUT");
    EXPECT_EQ(spti.OpenHandles(), 0);
}

TEST_F(ExecuteSrb, BusyTargetIsRetryableAndClearedByTheNextCommand) {
    TSCSIDevice device;
    SelectSpti(device);
    spti.sim.InjectFault(0, mmcsim::FaultBusy, 1, -1, 0);
    EXPECT_FALSE(device.TestUnitReady(0));
    EXPECT_EQ(device.LastError, "TARGET BUSY");
    EXPECT_TRUE(device.TargetBusy);
    EXPECT_TRUE(device.LastCommandRetryable());
    EXPECT_TRUE(device.TestUnitReady(0));
    EXPECT_FALSE(device.TargetBusy);
    EXPECT_EQ(device.LastError, "");
}

TEST_F(ExecuteSrb, CheckConditionReadsAsSenseKeyAndAdditionalSense) {
    TSCSIDevice device;
    SelectSpti(device);
    spti.sim.InjectFault(0, mmcsim::FaultMediumError, 1, 0x2A, 0);
    uint8_t block[2048] = {};
    EXPECT_FALSE(device.Write10(0, 1, 0x50, sizeof(block), block));
    EXPECT_EQ(device.LastError, "MEDIUM ERROR (WRITE ERROR)");
    EXPECT_EQ(device.LastSense[2], 3);
    EXPECT_FALSE(device.LastCommandRetryable());

    spti.sim.InjectFault(0, mmcsim::FaultNotReady, 1, 0x00, 0);
    EXPECT_FALSE(device.TestUnitReady(0));
    EXPECT_EQ(device.LastError, "NOT READY (LOGICAL UNIT IS IN PROCESS OF BECOMING READY)");
    EXPECT_TRUE(device.LastCommandRetryable());

    spti.sim.SetMedium(0, mmcsim::NoMedium);
    EXPECT_FALSE(device.TestUnitReady(0));
    EXPECT_EQ(device.LastError, "NOT READY (MEDIUM NOT PRESENT - TRAY CLOSED)");
}

TEST_F(ExecuteSrb, LogicalUnitTravelsInTheTopBitsOfCdbByteOne) {
    mmcsim::DriveModel model = MakeModel(0, 2, 'E', "LUN DRIVE");
    model.lun = 3;
    spti.sim.AddDrive(model);
    TSCSIDevice device;
    ASSERT_TRUE(device.InitializeASPI(true, ""));
    ASSERT_EQ(device.DeviceList.size(), 1u);
    EXPECT_EQ(device.DeviceList[0].substr(0, 9), "0:2:3,E: ");
    device.SelectDevice(device.DeviceList[0]);
    spti.sim.ClearLog(0);
    EXPECT_TRUE(device.SyncCache(0, true));
    mmcsim::CommandRecord record;
    ASSERT_TRUE(spti.sim.LogEntry(0, 0, &record));
    EXPECT_EQ(record.cdb[1], 0x60 | 0x02);
}

TEST_F(ExecuteSrb, ShortAnswersLeaveZerosAndOverlongLengthsStayInsideTheBuffers) {
    TSCSIDevice device;
    SelectSpti(device);
    uint8_t answer[56];
    std::memset(answer, 0xCC, sizeof(answer));
    spti.sim.InjectFault(0, mmcsim::FaultShortAnswer, 1, 0x51, 4);
    EXPECT_TRUE(device.ReadDiscInformation(answer, sizeof(answer)));
    for (size_t i = 4; i < sizeof(answer); ++i)
        ASSERT_EQ(answer[i], 0) << "byte " << i << " kept an old value";

    // Mode pages whose lengths claim 255 bytes are copied only as far as the answer goes.
    spti.sim.InjectFault(0, mmcsim::FaultOverlong, 4, 0x5A, 0);
    EXPECT_TRUE(device.ReadCapabilities());
    EXPECT_EQ(device.CapabilitiesPage[0], 0x2A);
    EXPECT_EQ(device.CapabilitiesPage[1], 0xFF);
    EXPECT_TRUE(device.SetWriteParameters(false, true, dtCDR, false));
    spti.sim.InjectFault(0, mmcsim::FaultOverlong, 2, 0x46, 0);
    EXPECT_EQ(device.GetDiscType(), dtDVDPlusR);
}

TEST_F(ExecuteSrb, OnlyTheFirstCommandOfADeviceCanBeReportedAndRoutineFailuresAreNot) {
    spti.sim.AddDrive(MakeModel(0, 1, 'E', "DVDRW SIM-2000"));
    spti.sim.SetMedium(0, mmcsim::NoMedium);
    ASSERT_TRUE(InitASPI(true, ""));
    std::vector<std::string> reports;
    auto capture = [&reports](TSCSIDevice*, const std::string& text, uint8_t level) {
        if (level == 0)
            reports.push_back(text);
    };
    {
        TSCSIDevice quiet; // created with a layer: its device scan used up the report
        quiet.OnDebugMessage = capture;
        quiet.HaId = 0, quiet.Target = 1, quiet.Lun = 0;
        EXPECT_FALSE(quiet.SendOPC());
        EXPECT_TRUE(reports.empty());
    }
    ASPILoaded = false;
    TSCSIDevice device;
    ASPILoaded = true;
    device.OnDebugMessage = capture;
    device.HaId = 0, device.Target = 1, device.Lun = 0;
    EXPECT_FALSE(device.SendOPC());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0],
              "<<< SEND OPC INFORMATION   (54) {40|0A} - 0:1:0 <04> [00000]"
              "01 00 00 00 00 00 00 00 00 00 00 00 00 00 00  |= 00 02 70 02 ASC:3A,ASQ:01 "
              "NOT READY (MEDIUM NOT PRESENT - TRAY CLOSED)");
    EXPECT_FALSE(device.SendOPC());
    EXPECT_EQ(reports.size(), 1u);

    ASPILoaded = false;
    TSCSIDevice routine;
    ASPILoaded = true;
    routine.OnDebugMessage = capture;
    routine.HaId = 0, routine.Target = 1, routine.Lun = 0;
    EXPECT_FALSE(routine.TestUnitReady(0));
    EXPECT_NE(routine.LastError, "");
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(ExecuteSrb, UnalignedBufferIsReportedAndCommandsAlignTheirOwn) {
    spti.sim.AddDrive(MakeModel(0, 1, 'E', "DVDRW SIM-2000"));
    ASSERT_TRUE(InitASPI(true, ""));
    TSCSIDevice device;
    device.HaId = 0, device.Target = 1, device.Lun = 0;
    std::string message;
    device.OnDebugMessage = [&message](TSCSIDevice*, const std::string& text, uint8_t) {
        message = text;
    };
    alignas(8) uint8_t buffer[40] = {};
    EXPECT_TRUE(device.RequestSense(buffer + 1, 18));
    EXPECT_EQ(message, "") << "a command moves its data through an aligned buffer";
    EXPECT_EQ(buffer[1], 0x70);
    SRB_ExecSCSICmd srb{};
    srb.SRB_Flags = SRB_DIR_IN;
    srb.SRB_BufLen = 18;
    srb.SRB_BufPointer = buffer + 1;
    srb.SRB_CDBLen = 6;
    srb.CDBByte[0] = 0x03;
    srb.CDBByte[4] = 18;
    device.ExecuteSRB(srb, 0);
    EXPECT_EQ(message, "aaaa" + std::to_string(reinterpret_cast<uintptr_t>(buffer + 1)));
}

} // namespace
