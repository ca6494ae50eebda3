// The ASPI layer: choosing WNASPI32.DLL or the pass-through emulation, the emulation's drive
// table and its answers to the ASPI requests.
#include <cstring>

#include "BurnTestSupport.h"
#include "burning/mbASPI.h"
#include "support/Sandbox.h"

using namespace ku;
using kutest::AspiDouble;
using kutest::MakeModel;

namespace {

class AspiLayer : public kutest::BurnTest {
protected:
    void AddTwoDrives() {
        spti.sim.AddDrive(MakeModel(0, 1, 'E', "DVDRW SIM-2000"));
        spti.sim.AddDrive(MakeModel(1, 0, 'F', "CDRW SIM-100", false));
    }
};

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST_F(AspiLayer, EmulationBuildsItsTableFromTheCdDrives) {
    AddTwoDrives();
    ASSERT_TRUE(InitASPI(true, ""));
    EXPECT_EQ(ASPILayerName, "REZOZI32");
    EXPECT_EQ(ASPIModule, nullptr);
    EXPECT_EQ(AdapterCount, 2);
    EXPECT_EQ(GetASPI32SupportInfo(), 0x0102u);
    const TSPTIDrive& e = SPTIDrives['E' - 'A'];
    EXPECT_EQ(e.Used, 1);
    EXPECT_EQ(e.HaId, 0);
    EXPECT_EQ(e.Target, 1);
    EXPECT_EQ(e.DriveIndex, 'E' - 'A');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(e.InquiryData + 8), 8), "KELVSIM ");
    EXPECT_EQ(SPTIDrives['F' - 'A'].HaId, 1);
    EXPECT_EQ(SPTIDrives['D' - 'A'].Target, 'x'); // no CD drive at D:
    EXPECT_EQ(SPTIDrives['C' - 'A'].Used, 0);
    EXPECT_EQ(spti.lastTimeOut, 120u);
    EXPECT_EQ(spti.OpenHandles(), 0);
}

TEST_F(AspiLayer, DrivesWithoutAddressShareOneVirtualAdapter) {
    spti.sim.AddDrive(MakeModel(1, 3, 'G', "ADDRESSED"));
    mmcsim::DriveModel h = MakeModel(0, 0, 'H', "NO ADDRESS 1");
    mmcsim::DriveModel i = MakeModel(0, 0, 'I', "NO ADDRESS 2");
    h.addressable = i.addressable = false;
    spti.sim.AddDrive(h);
    spti.sim.AddDrive(i);
    ASSERT_EQ(SPTIInit(), 3);
    EXPECT_EQ(UnaddressedDrives, 2);
    EXPECT_EQ(AdapterCount, 3);
    EXPECT_EQ(SPTIDriveLetter(2, 0, 0), 'H');
    EXPECT_EQ(SPTIDriveLetter(2, 1, 0), 'I');
    EXPECT_EQ(SPTIDriveLetter(1, 3, 0), 'G');
}

TEST_F(AspiLayer, DriveLetterMatchesOnlyUsedEntries) {
    spti.sim.AddDrive(MakeModel(0, 1, 'E', "ONE"));
    ASSERT_EQ(SPTIInit(), 1);
    EXPECT_EQ(SPTIDriveLetter(0, 1, 0), 'E');
    // Unused entries are zero: address 0:0:0 must not name drive A:.
    EXPECT_EQ(SPTIDriveLetter(0, 0, 0), static_cast<char>(0x7F));
    EXPECT_EQ(SPTIInit(), 0); // built once
}

TEST_F(AspiLayer, NoDriveStillReportsOneAdapterButNoDevice) {
    EXPECT_EQ(SPTIInit(), 0);
    EXPECT_EQ(AdapterCount, 1);
    SRB_GDEVBlock type{};
    type.SRB_Cmd = SC_GET_DEV_TYPE;
    EXPECT_EQ(SPTISendCommand(&type), SS_NO_DEVICE);
    EXPECT_EQ(type.SRB_DeviceType, DTYPE_UNKNOWN);
}

TEST_F(AspiLayer, EmulationAnswersHostAdapterAndDeviceTypeRequests) {
    AddTwoDrives();
    ASSERT_EQ(SPTIInit(), 2);
    SRB_HAInquiry ha{};
    ha.SRB_HaId = 1;
    EXPECT_EQ(SPTISendCommand(&ha), SS_COMP);
    EXPECT_EQ(ha.HA_Count, 2);
    EXPECT_EQ(ha.HA_SCSI_ID, 7);
    EXPECT_EQ(std::string(ha.HA_Identifier), "SPTI 1");
    EXPECT_EQ(ha.HA_Unique[0], 7);
    EXPECT_EQ(ha.HA_Unique[3], 8);
    uint32_t maxTransfer;
    std::memcpy(&maxTransfer, ha.HA_Unique + 4, 4);
    EXPECT_EQ(maxTransfer, 16711680u);
    ha.SRB_HaId = 2;
    EXPECT_EQ(SPTISendCommand(&ha), SS_INVALID_HA);

    SRB_GDEVBlock type{};
    type.SRB_Cmd = SC_GET_DEV_TYPE;
    type.SRB_HaId = 0;
    type.SRB_Target = 1;
    EXPECT_EQ(SPTISendCommand(&type), SS_COMP);
    EXPECT_EQ(type.SRB_DeviceType, DTYPE_CDROM);

    SRB_Header other{};
    other.SRB_Cmd = SC_GET_DISK_INFO;
    EXPECT_EQ(SPTISendCommand(&other), SS_ERR);
    EXPECT_EQ(other.SRB_Status, SS_PENDING);
    other.SRB_Cmd = SC_ABORT_SRB;
    EXPECT_EQ(SPTISendCommand(&other), SS_ERR);
    EXPECT_EQ(SPTISendCommand(nullptr), SS_ERR);
}

TEST_F(AspiLayer, InquiryComesFromTheTableAndNeverOverrunsTheBuffer) {
    AddTwoDrives();
    ASSERT_EQ(SPTIInit(), 2);
    int calls = spti.passThroughCalls;
    uint8_t buffer[16];
    std::memset(buffer, 0xAB, sizeof(buffer));
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Target = 1;
    srb.SRB_BufLen = 8;
    srb.SRB_BufPointer = buffer;
    srb.CDBByte[0] = 0x12;
    EXPECT_EQ(SPTISendCommand(&srb), SS_COMP);
    EXPECT_EQ(buffer[0], 5);
    EXPECT_EQ(buffer[8], 0xAB) << "wrote past the 8-byte buffer";
    EXPECT_EQ(spti.passThroughCalls, calls);
}

TEST_F(AspiLayer, ReadOnlyOpenIsTheFallback) {
    AddTwoDrives();
    spti.refuseReadWrite = true;
    EXPECT_EQ(SPTIInit(), 2);
    ASSERT_GE(spti.openAccess.size(), 2u);
    EXPECT_EQ(spti.openAccess[0], static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
    EXPECT_EQ(spti.openAccess[1], static_cast<DWORD>(GENERIC_READ));
}

TEST_F(AspiLayer, DoubleIsLoadedByPathAndIsNotWinesBuiltin) {
    ASSERT_TRUE(InitASPI(false, AspiDouble::Path()));
    EXPECT_EQ(ASPILayerName, "WNASPI32.DLL");
    ASSERT_NE(ASPIModule, nullptr);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(ASPIModule, path, MAX_PATH);
    EXPECT_EQ(Upper(path), Upper(AspiDouble::Path()));
    EXPECT_NE(GetProcAddress(ASPIModule, "MmcSimControl"), nullptr);
    EXPECT_EQ(GetASPI32SupportInfo(), 0x0101u); // its default drive on adapter 0
    EXPECT_TRUE(UnloadASPI());
    EXPECT_FALSE(ASPILoaded);
    EXPECT_EQ(GetModuleHandleA("WNASPI32.DLL"), nullptr);
}

TEST_F(AspiLayer, CurrentFolderIsSearchedBeforeTheSystemPath) {
    char old[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryA(kutest::kFixtureDir));
    bool loaded = InitASPI(false, "");
    SetCurrentDirectoryA(old);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(ASPILayerName, "WNASPI32.DLL");
    char path[MAX_PATH] = {};
    GetModuleFileNameA(ASPIModule, path, MAX_PATH);
    EXPECT_EQ(Upper(path), Upper(AspiDouble::Path()));
}

TEST_F(AspiLayer, MissingManagerFallsBackToTheEmulation) {
    AddTwoDrives();
    ASSERT_TRUE(InitASPI(false, "C:\\kutest\\fixtures\\none\\WNASPI32.DLL"));
    EXPECT_EQ(ASPILayerName, "REZOZI32");
}

TEST_F(AspiLayer, ManagerWithoutBothExportsIsFreedAndTheEmulationUsed) {
    AddTwoDrives();
    ASSERT_TRUE(InitASPI(false, AspiDouble::BrokenPath()));
    EXPECT_EQ(ASPILayerName, "REZOZI32");
    EXPECT_EQ(ASPIModule, nullptr);
    EXPECT_EQ(GetModuleHandleA(AspiDouble::BrokenPath().c_str()), nullptr);
}

TEST_F(AspiLayer, NothingToLoadLeavesTheLayerUnloaded) {
    EXPECT_FALSE(InitASPI(true, ""));
    EXPECT_FALSE(ASPILoaded);
    EXPECT_EQ(ASPILayerName, "");
}

TEST_F(AspiLayer, SecondInitKeepsTheLayerAndReInitReloadsIt) {
    AddTwoDrives();
    ASSERT_TRUE(InitASPI(true, ""));
    int opens = spti.opens;
    EXPECT_TRUE(InitASPI(true, AspiDouble::Path()));
    EXPECT_EQ(ASPILayerName, "REZOZI32");
    EXPECT_EQ(spti.opens, opens);
    EXPECT_TRUE(ReInitASPI());
    EXPECT_TRUE(ASPILoaded);
    EXPECT_EQ(ASPILayerName, "REZOZI32");
    EXPECT_GT(spti.opens, opens); // the table was built again
    EXPECT_TRUE(UnloadASPI());     // nothing to free for the emulation
}

} // namespace
