// The write speeds the burn window lists for a disc and the speed read back from a listed text.
#include <memory>

#include "BurnTestSupport.h"
#include "burning/mbCDBC.h"
#include "burning/mbSpeeds.h"

using namespace ku;

namespace {

TEST(SpeedTexts, AreReadBackAs177Or1385TimesTheFactor) {
    const struct {
        const char* text;
        uint8_t discType;
        int kbps;
    } rows[] = {
        {"Max", dtCDR, 0},
        {"", dtDVDPlusR, 0},
        {"24X (4,234 KB/s)", dtCDRW, 4248},
        {"4X (706 KB/s)", dtUnknown, 708},
        {"16.0X (22,160 KB/s)", dtDVDPlusR, 22160},
        {"2.4X (3,324 KB/s)", dtDVDPlusRW, 3324},
        {"15.5X (21,468 KB/s)", dtDVDR, 21468},
        {"fast", dtCDR, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SpeedTextToKBps(row.text, row.discType), row.kbps) << row.text;
}

class SpeedList : public kutest::BurnTest {};

TEST_F(SpeedList, OffersEachSpeedTheDriveSettlesOnOnce) {
    const struct {
        int medium;
        uint8_t discType;
        std::vector<std::string> speeds;
    } rows[] = {
        {mmcsim::CDRW,
         dtCDRW,
         {"24X (4,234 KB/s)", "16X (2,822 KB/s)", "10X (1,764 KB/s)", "8X (1,411 KB/s)",
          "4X (706 KB/s)"}},
        {mmcsim::DVDPlusR,
         dtDVDPlusR,
         {"16.0X (22,160 KB/s)", "12.0X (16,620 KB/s)", "8.0X (11,080 KB/s)",
          "6.0X (8,310 KB/s)", "4.0X (5,540 KB/s)", "2.4X (3,324 KB/s)"}},
    };
    for (const auto& row : rows) {
        ASSERT_NE(AttachDrive(false, row.medium), nullptr);
        auto device = std::make_unique<TMCDBurner>();
        device->SelectDevice(device->DeviceList.at(0));
        EXPECT_EQ(ListWriteSpeeds(*device, device->GetDiscType()), row.speeds);
        ResetLayer();
    }
}

} // namespace
