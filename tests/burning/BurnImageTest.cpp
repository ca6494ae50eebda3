// ISO images burnt to every simulated medium through both layers: the medium described right, the
// disc byte for byte in blocks of its type, its write parameters and closes, a clean end.
#include <thread>

#include "BurnTestSupport.h"
#include "IsoImage.h"
#include "burning/mbBigEndian.h"

using namespace ku;

namespace {

using Close = std::tuple<int, int, int>; // Immed, close function, track

// writeSpeed: with the drive's default selection; byte2, byte3, linkSize, packetSize: of the
// write parameters page 05h in effect while writing.
struct MediumCase {
    int medium; const char* name; uint8_t discType; bool erasable; uint8_t writeModes;
    uint16_t writeSpeed, blockSectors; uint8_t byte2, byte3, linkSize; uint32_t packetSize;
    bool syncImmediate; std::vector<Close> closes;
};

constexpr uint8_t CD = wmRaw | wmSAO | wmTAO, DVD = wmSAO | wmTAO;
// clang-format off
const MediumCase Media[] = {
    {mmcsim::CDR, "CDR", dtCDR, false, CD, 8467, 27, 0x41, 0x04, 0, 0, false, {{1, 2, 0}}},
    {mmcsim::CDRW, "CDRW", dtCDRW, true, CD, 4234, 27, 0x41, 0x04, 0, 0, false, {{1, 2, 0}}},
    {mmcsim::DVDR, "DVDR", dtDVDR, false, wmSAO, 22160, 32, 0x60, 0xE5, 16, 16, true,
     {{1, 1, 1}, {1, 1, 2}, {1, 2, 3}}},
    {mmcsim::DVDRW, "DVDRW", dtDVDRWSequential, true, wmSAO, 8310, 32, 0x60, 0xC5, 16, 0, true,
     {{1, 2, 0}}},
    {mmcsim::DVDPlusR, "DVDPlusR", dtDVDPlusR, false, DVD, 22160, 32, 0x62, 0xC4, 0, 16, false,
     {{0, 1, 1}, {0, 2, 0xFF}}},
    {mmcsim::DVDPlusRW, "DVDPlusRW", dtDVDPlusRW, true, DVD, 11080, 32, 0x62, 0x04, 16, 0, false,
     {{0, 3, 0xFF}}},
    {mmcsim::DVDPlusRDL, "DVDPlusRDL", dtDVDPlusRDL, false, DVD, 11080, 32, 0x62, 0xC4, 0, 0,
     false, {{0, 1, 1}, {0, 2, 0}}},
};
// clang-format on

// Whole sectors and the bytes of a last, short one: tiny, a multiple of both block sizes,
// and neither.
const uint32_t Sizes[][2] = {{5, 100}, {864, 0}, {1000, 1}};

// The window polls the fill gauge all the time; it must never meet a freed cache.
struct GaugePoller {
    explicit GaugePoller(TMCDBurner& burner)
        : thread([this, &burner] { for (; polling; Sleep(1)) burner.GetCacheFillPercent(); }) {}
    ~GaugePoller() { polling = false, thread.join(); }
    std::atomic<bool> polling{true};
    std::thread thread;
};

class BurnToEveryMedium : public kutest::BurnTest,
                          public ::testing::WithParamInterface<std::tuple<bool, MediumCase>> {};

TEST_P(BurnToEveryMedium, HoldsTheImageExactly) {
    const MediumCase& m = std::get<1>(GetParam());
    Open(std::get<0>(GetParam()), m.medium);
    EXPECT_EQ(std::make_tuple(burner->GetDiscType(), burner->IsDiscErasable(),
                              burner->GetSessionCount(), burner->SupportedWriteModes),
              std::make_tuple(m.discType, m.erasable, 0, m.writeModes));
    EXPECT_EQ(std::make_tuple(burner->GetMaxWriteSpeed(), burner->GetMaxReadSpeed(),
                              burner->GetCurrentWriteSpeed(), burner->CapabilitiesWord(12)),
              std::make_tuple(22160, 22160, m.writeSpeed, 2048)); // buffer KB in host order
    uint8_t page[52] = {};
    bool pageTaken = false;
    onCommand = [&](const uint8_t* cdb) {
        if (cdb[0] == 0x2A && !pageTaken)
            pageTaken = sim->WriteParametersPage(0, page);
    };
    GaugePoller poller(*burner);
    for (const auto& size : Sizes) {
        SCOPED_TRACE(std::to_string(size[0]) + " sectors + " + std::to_string(size[1]));
        sim->SetMedium(0, m.medium);
        sim->ClearLog(0);
        pageTaken = false;
        uint32_t sectors = size[0] + (size[1] ? 1 : 0);
        EXPECT_EQ(Burn(Image(size[0], size[1])), "");
        EXPECT_TRUE(started);

        std::vector<uint8_t> disc(static_cast<size_t>(sectors) * 2048);
        sim->ReadWritten(0, 0, disc.data(), sectors);
        EXPECT_TRUE(disc == mmcsim::IsoImageSectors(size[0], size[1])) << "the disc differs";
        EXPECT_EQ(sim->State(0, mmcsim::StateHighestWritten), static_cast<int>(sectors));
        std::vector<std::pair<uint32_t, uint32_t>> blocks, expected; // first sector, count
        for (const auto& w : Commands(0x2A))
            blocks.emplace_back(GetBE32(w.cdb + 2), GetBE16(w.cdb + 7));
        for (uint32_t lba = 0; lba < sectors; lba += m.blockSectors)
            expected.emplace_back(lba, std::min<uint32_t>(m.blockSectors, sectors - lba));
        EXPECT_EQ(blocks, expected) << "WRITEs in whole blocks of the disc type";

        EXPECT_EQ(std::make_tuple(pageTaken, page[2], page[3], page[5], GetBE32(page + 10)),
                  std::make_tuple(true, m.byte2, m.byte3, m.linkSize, m.packetSize));
        std::vector<bool> syncs; // their Immed bits
        for (const auto& record : Commands(0x35))
            syncs.push_back(record.cdb[1] & 0x02);
        std::vector<Close> closes;
        for (const auto& record : Commands(0x5B))
            closes.emplace_back(record.cdb[1] & 1, record.cdb[2] & 7, record.cdb[5]);
        EXPECT_EQ(syncs, std::vector<bool>{m.syncImmediate});
        EXPECT_TRUE(closes == m.closes) << "closes as the disc type needs";
        EXPECT_EQ(std::make_pair(sim->State(0, mmcsim::StateSessions),
                                 sim->State(0, mmcsim::StateTrayOpen)), std::make_pair(1, 0));
        ExpectCleanEnd();
    }
}

INSTANTIATE_TEST_SUITE_P(BothLayers, BurnToEveryMedium,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(Media)),
                         kutest::LayerAndName<BurnToEveryMedium::ParamType>);

} // namespace
