// Drive state for every medium profile through both layers: disc type, erasable state,
// sessions, write modes, capabilities and speeds; write parameters per disc type.
#include <cstring>
#include <memory>

#include "BurnTestSupport.h"
#include "burning/mbASPI.h"
#include "burning/mbDrvLib.h"

using namespace ku;
using kutest::MakeModel;

namespace {

struct MediumCase {
    int medium;
    uint8_t discType;
    bool erasable;
    uint8_t writeModes;
    uint16_t writeSpeed; // current write speed with the drive's default selection
};

const MediumCase Media[] = {
    {mmcsim::NoMedium, dtUnknown, false, 0, 1385},
    {mmcsim::CDR, dtCDR, false, wmRaw | wmSAO | wmTAO, 8467},
    {mmcsim::CDRW, dtCDRW, true, wmRaw | wmSAO | wmTAO, 4234},
    {mmcsim::DVDR, dtDVDR, false, wmSAO, 22160},
    {mmcsim::DVDRW, dtDVDRWSequential, true, wmSAO, 8310},
    {mmcsim::DVDPlusR, dtDVDPlusR, false, wmSAO | wmTAO, 22160},
    {mmcsim::DVDPlusRW, dtDVDPlusRW, true, wmSAO | wmTAO, 11080},
    {mmcsim::DVDPlusRDL, dtDVDPlusRDL, false, wmSAO | wmTAO, 11080},
};

constexpr uint32_t DvdWriterCapabilities =
    capReadCDR | capReadCDRW | capMethod2 | capReadDVDROM | capReadDVDR | capReadDVDRW |
    capReadDVDPlusRW | capReadDVDPlusR | capReadDVDPlusRWFeature | capWriteCDR | capWriteCDRW |
    capTestWrite | capWriteDVDR | capWriteDVDRW | capWriteDVDPlusRW | capWriteDVDPlusR |
    capWriteDVDPlusRWFeature | capUnderrunProtection;

// One simulated DVD writer behind the chosen layer, selected.
class DriveState : public kutest::BurnTest {
protected:
    void Open(bool viaDouble, int medium) {
        ASSERT_NE(AttachDrive(viaDouble, medium), nullptr);
        device = std::make_unique<TSCSIDevice>();
        ASSERT_EQ(device->DeviceList.size(), 1u);
        device->SelectDevice(device->DeviceList[0]);
        ASSERT_EQ(device->Target, 1);
    }
    void TearDown() override {
        device.reset();
        BurnTest::TearDown();
    }
    std::unique_ptr<TSCSIDevice> device;
};

class EveryMedium : public DriveState,
                    public ::testing::WithParamInterface<std::tuple<bool, MediumCase>> {};

TEST_P(EveryMedium, IsDescribedRight) {
    bool viaDouble = std::get<0>(GetParam());
    const MediumCase& m = std::get<1>(GetParam());
    Open(viaDouble, m.medium);
    EXPECT_EQ(device->GetDiscType(), m.discType);
    EXPECT_EQ(device->IsDiscErasable(), m.erasable);
    EXPECT_EQ(device->GetSessionCount(), 0);
    EXPECT_EQ(device->SupportedWriteModes, m.writeModes);
    EXPECT_EQ(device->DeviceCapabilities, DvdWriterCapabilities);
    EXPECT_EQ(device->GetMaxWriteSpeed(), 22160);
    EXPECT_EQ(device->GetMaxReadSpeed(), 22160);
    EXPECT_EQ(device->GetCurrentWriteSpeed(), m.writeSpeed);
    EXPECT_EQ(device->CapabilitiesWord(12), 2048); // buffer size in KB, in host order
}

std::string MediumName(const ::testing::TestParamInfo<EveryMedium::ParamType>& info) {
    static const char* const names[] = {"None",   "CDR",   "CDRW",    "DVDR",
                                        "DVDRW",  "DVDPR", "DVDPRW",  "DVDPRDL"};
    return std::string(std::get<0>(info.param) ? "Aspi" : "Spti") +
           names[std::get<1>(info.param).medium];
}

INSTANTIATE_TEST_SUITE_P(BothLayers, EveryMedium,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(Media)),
                         MediumName);

TEST_F(DriveState, SessionCountFollowsTheDiscStatus) {
    Open(false, mmcsim::CDR);
    sim->SetDiscState(0, 1, false, false); // one closed session, appendable
    EXPECT_EQ(device->GetSessionCount(), 1);
    sim->SetDiscState(0, 2, true, false); // finalised after two
    EXPECT_EQ(device->GetSessionCount(), 2);
    sim->SetDiscState(0, 0, false, true); // first session still open
    EXPECT_EQ(device->GetSessionCount(), 1);
}

TEST_F(DriveState, OldWritersWithoutConfigurationAreTypedByAtipAndDiscInformation) {
    sim = &spti.sim;
    mmcsim::DriveModel model = MakeModel(0, 1, 'E', "OLD CDRW", false);
    model.getConfiguration = false;
    spti.sim.AddDrive(model);
    device = std::make_unique<TSCSIDevice>();
    ASSERT_TRUE(device->InitializeASPI(true, ""));
    device->SelectDevice(device->DeviceList.at(0));
    spti.sim.SetMedium(0, mmcsim::CDRW);
    EXPECT_EQ(device->GetDiscType(), dtCDRW);
    spti.sim.SetMedium(0, mmcsim::CDR);
    EXPECT_EQ(device->GetDiscType(), dtCDR);
    spti.sim.SetMedium(0, mmcsim::DVDPlusRW); // no ATIP: the disc information decides
    EXPECT_EQ(device->GetDiscType(), dtCDRW);
    spti.sim.SetMedium(0, mmcsim::NoMedium);
    EXPECT_EQ(device->GetDiscType(), dtUnknown);
    EXPECT_EQ(device->DeviceCapabilities & (capWriteDVDR | capWriteDVDPlusR), 0u);
}

TEST_F(DriveState, ErasableFallsBackToTheDiscTypeWhenDiscInformationFails) {
    Open(false, mmcsim::DVDPlusRW);
    spti.sim.InjectFault(0, mmcsim::FaultMediumError, 1, 0x51, 0);
    EXPECT_TRUE(device->IsDiscErasable());
    EXPECT_EQ(CurrentDiscType, dtDVDPlusRW);
}

TEST_F(DriveState, ZeroWriteSpeedsReadAsOneTimesDvd) {
    sim = &spti.sim;
    mmcsim::DriveModel model = MakeModel(0, 1, 'E', "ZERO SPEED");
    model.zeroWriteSpeeds = true;
    spti.sim.AddDrive(model);
    device = std::make_unique<TSCSIDevice>();
    ASSERT_TRUE(device->InitializeASPI(true, ""));
    device->SelectDevice(device->DeviceList.at(0));
    EXPECT_EQ(device->GetCurrentWriteSpeed(), 1385);
    EXPECT_EQ(device->GetMaxWriteSpeed(), 1385);
}

TEST_F(DriveState, WriteSpeedIsSentAndKept) {
    Open(true, mmcsim::CDRW);
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

TEST_F(DriveState, BufferCapacityAndABlankLengthOfAllOnes) {
    Open(false, mmcsim::DVDR);
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

struct ParameterCase {
    int medium;
    uint8_t discType;
    bool testWrite;
    bool dlNext;
    uint8_t byte2, byte3, linkSize;
    uint32_t packetSize;
};

TEST_F(DriveState, WriteParametersFollowTheDiscType) {
    const ParameterCase cases[] = {
        {mmcsim::CDR, dtCDR, false, false, 0x41, 0xC4, 0, 0},
        {mmcsim::CDRW, dtCDRW, true, false, 0x51, 0x04, 0, 0},
        {mmcsim::DVDR, dtDVDR, false, false, 0x60, 0xE5, 16, 16},
        {mmcsim::DVDRW, dtDVDRWSequential, true, false, 0x60, 0xC5, 16, 0}, // BUFE set again
        {mmcsim::DVDPlusRW, dtDVDPlusRW, false, false, 0x62, 0x04, 16, 0},
        {mmcsim::DVDPlusR, dtDVDPlusR, false, false, 0x62, 0xC4, 0, 16},
        {mmcsim::DVDPlusRDL, dtDVDPlusRDL, false, true, 0x62, 0xC4, 0, 0},
        {mmcsim::DVDPlusRDL, dtDVDPlusRDL, false, false, 0x62, 0x04, 0, 0},
    };
    Open(false, mmcsim::CDR);
    for (const ParameterCase& c : cases) {
        spti.sim.SetMedium(0, c.medium);
        ASSERT_TRUE(device->SetWriteParameters(c.testWrite, true, c.discType, c.dlNext))
            << int(c.discType) << " " << device->LastError;
        uint8_t page[52];
        ASSERT_TRUE(spti.sim.WriteParametersPage(0, page));
        EXPECT_EQ(page[1], 0x32);
        EXPECT_EQ(page[2], c.byte2) << int(c.discType);
        EXPECT_EQ(page[3], c.byte3) << int(c.discType);
        EXPECT_EQ(page[4], 8);
        EXPECT_EQ(page[5], c.linkSize) << int(c.discType);
        EXPECT_EQ((page[10] << 24) | (page[11] << 16) | (page[12] << 8) | page[13],
                  static_cast<int>(c.packetSize))
            << int(c.discType);
        EXPECT_EQ((page[14] << 8) | page[15], 150);
        EXPECT_EQ(std::memcmp(device->WriteParameters, page, 16), 0);
    }
    int selects = spti.sim.CountCommands(0, 0x55);
    EXPECT_TRUE(device->SetWriteParameters(false, true, dtDVDRAM, false));
    EXPECT_EQ(spti.sim.CountCommands(0, 0x55), selects); // nothing is sent for DVD-RAM
}

TEST_F(DriveState, FinalizeOrLinkSizeQuirkChangeTheCdParameters) {
    Open(false, mmcsim::CDR);
    device->FinalizeDisc = true;
    device->LinkSizeValidQuirk = true;
    ASSERT_TRUE(device->SetWriteParameters(false, false, dtCDR, false));
    uint8_t page[52];
    spti.sim.WriteParametersPage(0, page);
    EXPECT_EQ(page[2], 0x21);
    EXPECT_EQ(page[3], 0x04);
}

} // namespace
