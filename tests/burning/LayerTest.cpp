// The ASPI layer and drive discovery: a broken WNASPI32.DLL, the pass-through emulation's drive
// table and answers, the device lines through both layers, selection and bad lines.
#include <cstring>

#include "BurnTestSupport.h"
#include "burning/mbASPI.h"
#include "burning/mbConst.h"
#include "burning/mbDrvLib.h"

using namespace ku;
using kutest::AspiDouble;

namespace {

class Layer : public kutest::BurnTest {
  protected:
    // The writer E:, a CD writer F: and a write-once drive G:, no layer loaded.
    void AddDrives(bool viaDouble) {
        AttachDrive(viaDouble, mmcsim::NoMedium, false);
        sim->AddDrive(kutest::MakeModel(1, 0, 'F', "CDRW SIM-100", false));
        mmcsim::DriveModel worm = kutest::MakeModel(1, 2, 'G', "WORM SIM");
        worm.peripheralType = 4;
        sim->AddDrive(worm);
    }
};

const std::vector<std::string> Lines = {
    "0:1:0,E: KELVSIM DVDRW SIM-2000  1.00",
    "1:0:0,F: KELVSIM CDRW SIM-100    1.00",
    "1:2:0,G: KELVSIM WORM SIM        1.00 (not supported)",
};

// A manager the layer cannot use is let go for the emulation (the burns take the others; with
// nothing to load at all, the burn window says so).
TEST_F(Layer, ABrokenManagerGivesWayToTheEmulation) {
    AddDrives(false);
    EXPECT_TRUE(InitASPI(false, kutest::Fixture("brokenaspi\\WNASPI32.DLL")));
    EXPECT_EQ(std::make_tuple(ASPILayerName, ASPIModule, GetASPI32SupportInfo()),
              std::make_tuple(std::string("REZOZI32"), HMODULE(nullptr), 0x0102u));
    EXPECT_EQ(GetModuleHandleA("WNASPI32.DLL"), nullptr) << "the broken manager stays loaded";
}

TEST_F(Layer, EmulationOpensReadOnlyWhenItMustAndNeverOverrunsAnInquiryBuffer) {
    SRB_GDEVBlock type{};
    type.SRB_Cmd = SC_GET_DEV_TYPE;
    ASSERT_EQ(SPTIInit(), 0);
    EXPECT_EQ(AdapterCount, 1) << "one adapter even without a drive";
    EXPECT_EQ(std::make_pair(SPTISendCommand(&type), SPTISendCommand(nullptr)),
              std::make_pair(DWORD(SS_NO_DEVICE), DWORD(SS_ERR)));

    AddDrives(false);
    spti.refuseReadWrite = true;
    ASSERT_EQ(SPTIInit(), 3);
    EXPECT_EQ(std::vector<DWORD>(spti.openAccess.begin(), spti.openAccess.begin() + 2),
              (std::vector<DWORD>{GENERIC_READ | GENERIC_WRITE, GENERIC_READ}));
    SRB_HAInquiry ha{};
    ha.SRB_HaId = 2;
    EXPECT_EQ(SPTISendCommand(&ha), SS_INVALID_HA);
    // INQUIRY comes from the table, never past the caller's buffer.
    sim->ClearLog(0);
    uint8_t buffer[16];
    std::memset(buffer, 0xAB, sizeof(buffer));
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Target = 1;
    srb.SRB_BufLen = 8;
    srb.SRB_BufPointer = buffer;
    srb.CDBByte[0] = 0x12;
    EXPECT_EQ(SPTISendCommand(&srb), SS_COMP);
    EXPECT_EQ(std::make_tuple(buffer[0], buffer[8], sim->CountCommands(0, 0x12)),
              std::make_tuple(uint8_t(5), uint8_t(0xAB), 0)) << "wrote past the 8-byte buffer";
}

TEST_F(Layer, ListsEveryDriveThroughBothLayersAndABadLineDeselects) {
    for (bool viaDouble : {false, true}) {
        SCOPED_TRACE(viaDouble ? "WNASPI32.DLL" : "emulation");
        AddDrives(viaDouble);
        device = std::make_unique<TSCSIDevice>();
        ASSERT_TRUE(device->InitializeASPI(!viaDouble, viaDouble ? AspiDouble::Path() : ""));
        EXPECT_EQ(std::make_pair(device->DeviceList, device->HaId),
                  std::make_pair(Lines, NoAddress));
    }
    TSCSIDevice& device = *this->device;
    int changes = 0;
    device.OnDeviceChange = [&changes](TSCSIDevice*) { ++changes; };
    device.SelectDevice(device.DeviceList[1]);
    EXPECT_EQ(std::make_tuple(device.HaId, device.Target, device.Lun, device.PeripheralType,
                              device.DeviceLine, device.DeviceDescription,
                              device.GetDriveLetter(), changes, int(device.SupportedWriteModes)),
              std::make_tuple(1, 0, 0, 5, Lines[1], std::string("KELVSIM  CDRW SIM-100     1.00"),
                              'F', 1, wmRaw | wmSAO | wmTAO));

    for (const char* line : {"0:1", "10:0:0,E: TEN", "0:5:0,?: NOTHING THERE"}) {
        SCOPED_TRACE(line);
        device.SelectDevice(Lines[0]);
        device.SelectDevice(line);
        EXPECT_EQ(std::make_tuple(device.HaId, device.Target, device.PeripheralType,
                                  device.DeviceLine + device.DeviceDescription),
                  std::make_tuple(NoAddress, NoAddress, 0x7F, std::string()));
    }
}

} // namespace

// Managers that leave requests pending: no drive is found, and discovery gives up at the first
// INQUIRY that timed out instead of waiting for every address of every adapter claimed.
TEST_F(Layer, DiscoveryEndsAtOnceWhenTheManagerHasNoAdaptersOrStopsAnswering) {
    const struct { const char* manager; uint8_t adapters; size_t timedOut; } managers[] = {
        {"noadapters", 0, 0}, {"unanswered", 1, 0}, {"hung", 1, 1}};
    for (const auto& m : managers) {
        SCOPED_TRACE(m.manager);
        AttachDrive(false, mmcsim::NoMedium, false);
        sim->Reset(); // no drive for the emulation either
        clock.waits.clear();
        // A scan that does not give up is cut short by unloading the layer under it.
        clock.onWait = [&](DWORD) { clock.waits.size() > 4 ? void(ASPILoaded = false) : void(); };
        device = std::make_unique<TSCSIDevice>();
        const std::string path = kutest::Fixture("silentaspi\\" + std::string(m.manager)) +
                                 "\\WNASPI32.DLL";
        ASSERT_TRUE(device->InitializeASPI(false, path));
        EXPECT_EQ(std::make_tuple(ASPILayerName, ASPIAdapterCount, device->DeviceList.size(),
                                  clock.waits.size()),
                  std::make_tuple(std::string("WNASPI32.DLL"), m.adapters, size_t(0), m.timedOut));
        clock.onWait = nullptr;
        device.reset();
    }
}
