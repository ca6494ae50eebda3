// ISO images burnt to every simulated medium through both layers: the medium described right, the
// disc byte for byte in blocks of its type, its preparation, write parameters and closes, a clean
// end.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

#include "BurnTestSupport.h"
#include "IsoImage.h"
#include "burning/mbBigEndian.h"

using namespace ku;

namespace {

using Close = std::tuple<int, int, int>; // Immed, close function, track

// writeSpeed: with the drive's default selection; byte2, byte3, linkSize, packetSize: of the
// write parameters page 05h in effect while writing (a DVD-RAM leaves the drive's own); prep:
// the preparation's readiness polls (51h, 00h), MODE SELECT and DVD commands, in order.
struct MediumCase {
    int medium; const char* name; uint8_t discType; bool erasable; uint8_t writeModes;
    uint16_t writeSpeed, blockSectors; uint8_t byte2, byte3, linkSize; uint32_t packetSize;
    bool syncImmediate; std::vector<Close> closes; const char* prep;
};

constexpr uint8_t CD = wmRaw | wmSAO | wmTAO, DVD = wmSAO | wmTAO;
// A recordable DVD gets a performance descriptor, a DVD-R then its own fixed one, a time stamp
// and its track reserved, and a wait for the drive.
const char* const CDPrep = "51 00 55";
const char* const DVDPrep = "51 00 55 B6 51";
const char* const DVDRPrep = "51 00 55 B6 51 B6 BF 53 51 00";
// clang-format off
const MediumCase Media[] = {
    {mmcsim::CDR, "CDR", dtCDR, false, CD, 8467, 27, 0x41, 0x04, 0, 0, false, {{1, 2, 0}}, CDPrep},
    {mmcsim::CDRW, "CDRW", dtCDRW, true, CD, 4234, 27, 0x41, 0x04, 0, 0, false, {{1, 2, 0}},
     CDPrep},
    {mmcsim::DVDR, "DVDR", dtDVDR, false, wmSAO, 22160, 32, 0x60, 0xE5, 16, 16, true,
     {{1, 1, 1}, {1, 1, 2}, {1, 2, 3}}, DVDRPrep},
    {mmcsim::DVDRW, "DVDRW", dtDVDRWSequential, true, wmSAO, 8310, 32, 0x60, 0xC5, 16, 0, true,
     {{1, 2, 0}}, DVDPrep},
    {mmcsim::DVDPlusR, "DVDPlusR", dtDVDPlusR, false, DVD, 22160, 32, 0x62, 0xC4, 0, 16, false,
     {{0, 1, 1}, {0, 2, 0xFF}}, DVDPrep},
    {mmcsim::DVDPlusRW, "DVDPlusRW", dtDVDPlusRW, true, DVD, 11080, 32, 0x62, 0x04, 16, 0, false,
     {{0, 3, 0xFF}}, DVDPrep},
    {mmcsim::DVDPlusRDL, "DVDPlusRDL", dtDVDPlusRDL, false, DVD, 11080, 32, 0x62, 0xC4, 0, 0,
     false, {{0, 1, 1}, {0, 2, 0}}, DVDPrep},
    // Random access: no write parameters, no close; its readiness wait skips the disc polls.
    {mmcsim::DVDRAM, "DVDRAM", dtDVDRAM, true, 0, 6925, 32, 0x01, 0x04, 0, 0, false, {}, "00 00"},
};
// clang-format on

// The burn at 8X read and 4X write: the performance descriptor of a recordable DVD (read and
// write sizes of 1,440.25 sectors per 1X, times of 1,000 ms, up to the image's last sector).
std::vector<uint8_t> PerformanceDescriptor(uint32_t sectors) {
    std::vector<uint8_t> d(28, 0);
    PutBE32(d.data() + 8, sectors);
    PutBE32(d.data() + 12, 11522);
    PutBE32(d.data() + 16, 1000);
    PutBE32(d.data() + 20, 5761);
    PutBE32(d.data() + 24, 1000);
    return d;
}
const std::vector<uint8_t> DVDRDescriptor = {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x23, 0x12, 0x7F,
                                             0, 0, 0xAB, 0xBD, 0, 0, 0x03, 0xE8, 0, 0, 0x05, 0x8A,
                                             0, 0, 0x03, 0xE8};

// Seconds between a "yyyymmddhhnnss" time stamp and the local time now.
double SecondsFromNow(const std::string& stamp) {
    SYSTEMTIME at = {}, now;
    if (std::sscanf(stamp.c_str(), "%4hu%2hu%2hu%2hu%2hu%2hu", &at.wYear, &at.wMonth, &at.wDay,
                    &at.wHour, &at.wMinute, &at.wSecond) != 6)
        return 1e9;
    GetLocalTime(&now);
    FILETIME a, b;
    if (!SystemTimeToFileTime(&at, &a) || !SystemTimeToFileTime(&now, &b))
        return 1e9;
    auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return std::fabs(ticks(b) - ticks(a)) / 1e7;
}

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
                          public ::testing::WithParamInterface<std::tuple<bool, MediumCase>> {
  protected:
    // From the preparation's SET CD SPEED to the first WRITE: the opcodes that wait for the
    // drive, set its write parameters or prepare a DVD.
    std::string Preparation() {
        std::string opcodes;
        bool preparing = false;
        mmcsim::CommandRecord record;
        for (int i = 0; i < sim->LogCount(0) && sim->LogEntry(0, i, &record); ++i) {
            const uint8_t op = record.cdb[0];
            if (op == 0x2A)
                break;
            preparing = preparing || op == 0xBB;
            const uint8_t shown[] = {0x51, 0x00, 0x55, 0xB6, 0xBF, 0x53, 0x54};
            char text[4];
            std::snprintf(text, sizeof(text), "%02X ", op);
            if (preparing && std::find(std::begin(shown), std::end(shown), op) != std::end(shown))
                opcodes += text;
        }
        return opcodes.empty() ? opcodes : opcodes.substr(0, opcodes.size() - 1);
    }
    // The preparation's fields: the streaming descriptors, the DVD-R's time stamp and the track
    // it reserves, rounded up to whole 32-sector blocks.
    void ExpectPreparationFields(const MediumCase& m, uint32_t sectors) {
        std::vector<std::vector<uint8_t>> descriptors, expected;
        for (const auto& r : Commands(0xB6))
            descriptors.emplace_back(r.dataOut, r.dataOut + 28);
        if (std::string(m.prep).find("B6") != std::string::npos)
            expected.push_back(PerformanceDescriptor(sectors));
        if (m.prep == DVDRPrep)
            expected.push_back(DVDRDescriptor);
        EXPECT_EQ(descriptors, expected);
        const auto stamps = Commands(0xBF), reserves = Commands(0x53);
        ASSERT_EQ(std::make_pair(stamps.size(), reserves.size()),
                  m.prep == DVDRPrep ? std::make_pair(size_t(1), size_t(1))
                                     : std::make_pair(size_t(0), size_t(0)));
        if (stamps.empty())
            return;
        const auto& s = stamps[0];
        EXPECT_EQ(std::make_tuple(s.cdb[7], GetBE16(s.cdb + 8), GetBE16(s.dataOut),
                                  std::vector<uint8_t>(s.dataOut + 2, s.dataOut + 8)),
                  std::make_tuple(0x0F, 22, 0x14, std::vector<uint8_t>(6, 0)));
        const std::string stamp(reinterpret_cast<const char*>(s.dataOut + 8), 14);
        EXPECT_LT(SecondsFromNow(stamp), 120.0) << stamp;
        EXPECT_EQ(GetBE32(reserves[0].cdb + 5), (sectors + 31) / 32 * 32);
    }
};

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
    burner->ReadSpeed = 8 * 1385;
    burner->WriteSpeed = 4 * 1385;
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

        EXPECT_EQ(Preparation(), m.prep);
        ExpectPreparationFields(m, sectors);
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
                                 sim->State(0, mmcsim::StateTrayOpen)),
                  std::make_pair(m.closes.empty() ? 0 : 1, 0));
        ExpectCleanEnd();
    }
}

INSTANTIATE_TEST_SUITE_P(BothLayers, BurnToEveryMedium,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(Media)),
                         kutest::LayerAndName<BurnToEveryMedium::ParamType>);

} // namespace
