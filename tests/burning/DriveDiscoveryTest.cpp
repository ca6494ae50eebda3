// Drive discovery: the device lines through both layers, selection, bad lines and the model
// quirks chosen by the product identification.
#include <cstring>

#include "BurnTestSupport.h"
#include "burning/mbASPI.h"
#include "burning/mbConst.h"
#include "burning/mbDrvLib.h"

using namespace ku;
using kutest::AspiDouble;
using kutest::MakeModel;

namespace {

class DriveDiscovery : public kutest::BurnTest {
protected:
    template <typename Sim>
    static void AddDrives(Sim& sim) {
        sim.Reset();
        sim.AddDrive(MakeModel(0, 1, 'E', "DVDRW SIM-2000"));
        sim.AddDrive(MakeModel(1, 0, 'F', "CDRW SIM-100", false));
        mmcsim::DriveModel worm = MakeModel(1, 2, 'G', "WORM SIM");
        worm.peripheralType = 4;
        sim.AddDrive(worm);
    }
    std::vector<std::string> messages;
    void Capture(TSCSIDevice& device) {
        device.OnDebugMessage = [this](TSCSIDevice*, const std::string& text, uint8_t level) {
            messages.push_back(std::to_string(level) + " " + text);
        };
    }
};

const std::vector<std::string> ExpectedLines = {
    "0:1:0,E: KELVSIM DVDRW SIM-2000  1.00",
    "1:0:0,F: KELVSIM CDRW SIM-100    1.00",
    "1:2:0,G: KELVSIM WORM SIM        1.00 (not supported)",
};

TEST_F(DriveDiscovery, EmulationListsEveryDriveInTheDeviceLineFormat) {
    AddDrives(spti.sim);
    TSCSIDevice device;
    device.DoDebug = true;
    Capture(device);
    ASSERT_TRUE(device.InitializeASPI(true, ""));
    EXPECT_EQ(device.DeviceList, ExpectedLines);
    EXPECT_EQ(device.HaId, NoAddress);
    EXPECT_EQ(device.LastError, "");
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages[0], "1 >>> REZOZI32");
    EXPECT_EQ(messages[1], "1 >>> KELVANE SPTI MGR (SPTI 0)");
}

TEST_F(DriveDiscovery, DoubleListsTheSameDrivesWithLettersFromTheManager) {
    AspiDouble aspi;
    ASSERT_NE(aspi.Control(), nullptr);
    AddDrives(*aspi.Control());
    TSCSIDevice device;
    device.DoDebug = true;
    Capture(device);
    ASSERT_TRUE(device.InitializeASPI(false, AspiDouble::Path()));
    EXPECT_EQ(device.DeviceList, ExpectedLines);
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[0], "1 >>> WNASPI32.DLL");
    EXPECT_EQ(messages[1], "1 >>> ASPI for WIN32   (MMCSIM ADAPTER)");
}

TEST_F(DriveDiscovery, DoubleDriveLetterComesFromThePassThroughAddressFirst) {
    AspiDouble aspi;
    aspi->Reset();
    mmcsim::DriveModel noLetter = MakeModel(0, 1, 0, "NO LETTER");
    aspi->AddDrive(noLetter);
    aspi->AddDrive(MakeModel(0, 4, 'H', "LETTER H"));
    spti.sim.AddDrive(MakeModel(0, 4, 'K', "SAME DRIVE AS K"));
    TSCSIDevice device;
    ASSERT_TRUE(device.InitializeASPI(false, AspiDouble::Path()));
    ASSERT_EQ(device.DeviceList.size(), 2u);
    EXPECT_EQ(device.DeviceList[0].substr(0, 9), "0:1:0,?: ");
    EXPECT_EQ(device.DeviceList[1].substr(0, 9), "0:4:0,K: ");
    EXPECT_EQ(spti.OpenHandles(), 0);
}

TEST_F(DriveDiscovery, CreatingADeviceWithALayerLoadedScansAtOnce) {
    AddDrives(spti.sim);
    ASSERT_TRUE(InitASPI(true, ""));
    TSCSIDevice device;
    EXPECT_EQ(device.AdapterCount, 2);
    EXPECT_EQ(device.DeviceList, ExpectedLines);
}

TEST_F(DriveDiscovery, SelectingALineDescribesTheDrive) {
    AddDrives(spti.sim);
    TSCSIDevice device;
    int changes = 0;
    device.OnDeviceChange = [&changes](TSCSIDevice*) { ++changes; };
    ASSERT_TRUE(device.InitializeASPI(true, ""));
    device.SelectDevice(device.DeviceList[1]);
    EXPECT_EQ(device.HaId, 1);
    EXPECT_EQ(device.Target, 0);
    EXPECT_EQ(device.Lun, 0);
    EXPECT_EQ(device.DeviceLine, ExpectedLines[1]);
    EXPECT_EQ(device.PeripheralType, 5);
    EXPECT_EQ(device.DeviceDescription, "KELVSIM  CDRW SIM-100     1.00");
    EXPECT_EQ(device.GetDriveLetter(), 'F');
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(device.SupportedWriteModes, wmRaw | wmSAO | wmTAO);

    device.SelectDevice(device.DeviceList[2]); // write-once devices can still be selected
    EXPECT_EQ(device.PeripheralType, 4);
    EXPECT_EQ(device.Target, 2);
}

TEST_F(DriveDiscovery, BadLinesAndMissingDevicesDeselect) {
    AddDrives(spti.sim);
    TSCSIDevice device;
    Capture(device);
    ASSERT_TRUE(device.InitializeASPI(true, ""));
    for (const char* line : {"0:1", "10:0:0,E: TEN", "0:5:0,?: NOTHING THERE"}) {
        device.SelectDevice(ExpectedLines[0]);
        ASSERT_EQ(device.Target, 1);
        messages.clear();
        device.SelectDevice(line);
        EXPECT_EQ(device.HaId, NoAddress) << line;
        EXPECT_EQ(device.Target, NoAddress) << line;
        EXPECT_EQ(device.PeripheralType, 0x7F) << line;
        EXPECT_EQ(device.DeviceLine, "") << line;
        EXPECT_EQ(device.DeviceDescription, "") << line;
        EXPECT_NE(std::find(messages.begin(), messages.end(),
                            std::string("0 ") + SInvalidDeviceId),
                  messages.end())
            << line;
    }
}

struct QuirkCase {
    const char* vendor;
    const char* product;
    bool pioneer, extraBlankWait, bufCapability, linkSizeValid, closeImmediate;
};

TEST_F(DriveDiscovery, ModelQuirksFollowTheProductIdentification) {
    const QuirkCase cases[] = {
        {"KELVSIM ", "DVDRW SIM-2000  ", false, false, false, false, true},
        {"PIONEER ", "DVD-RW  DVR-104 ", true, false, false, false, true},
        {"PIONEER ", "DVD-RW  DVR-105 ", false, false, false, false, true},
        {"TDK     ", "CDRW SIM-100    ", false, true, false, false, true},
        {"MATSHITA", "UJDA750 DVD/CDRW", false, true, false, false, true},
        {"SONY    ", "CD-W512EB       ", false, false, true, false, true},
        {"PLEXTOR ", "CRX175E         ", false, false, false, true, true},
        {"LITEON  ", "CDRW321040X     ", false, false, false, false, false},
    };
    for (const QuirkCase& c : cases) {
        ResetLayer();
        spti.sim.Reset();
        mmcsim::DriveModel model = MakeModel(0, 1, 'E', "");
        std::memcpy(model.vendor, c.vendor, 8);
        std::memcpy(model.product, c.product, 16);
        model.underrunProtection = false;
        spti.sim.AddDrive(model);
        TSCSIDevice device;
        ASSERT_TRUE(device.InitializeASPI(true, ""));
        device.SelectDevice(device.DeviceList.at(0));
        EXPECT_EQ(device.PioneerDVRQuirk, c.pioneer) << c.product;
        EXPECT_EQ(ExtraBlankWaitQuirk, c.extraBlankWait) << c.product;
        EXPECT_EQ(device.BufCapabilityQuirk, c.bufCapability) << c.product;
        EXPECT_EQ(device.LinkSizeValidQuirk, c.linkSizeValid) << c.product;
        EXPECT_EQ(CloseSessionImmediate, c.closeImmediate) << c.product;
        // The quirk of a drive that hides its underrun protection turns it on.
        device.ReadCapabilities();
        EXPECT_EQ((device.DeviceCapabilities & capUnderrunProtection) != 0, c.bufCapability)
            << c.product;
    }
}

} // namespace
