// Shared set-up of the burn benchmarks.
#include "BurnBenchSupport.h"

#include <cstring>
#include <vector>

#include "IsoImage.h"
#include "burning/mbASPI.h"
#include "burning/mbSPTI.h"

namespace kubench {

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

BurnBench::BurnBench(uint32_t imageMiB) : sectors(imageMiB * 512) {
    CreateDirectoryA("C:\\kutest", nullptr);
    CreateDirectoryA("C:\\kutest\\scratch", nullptr);
    image = "C:\\kutest\\scratch\\bench_burn.iso";
    if (!mmcsim::MakeIsoImage(image, sectors))
        std::printf("cannot write %s\n", image.c_str());
    ku::SetSPTITransport(&spti);
    spti.sim.Reset();
    spti.sim.AddDrive(kutest::MakeModel(0, 1, 'E', "DVDRW SIM-2000"));
    spti.sim.SetMedium(0, mmcsim::DVDPlusR);
    spti.sim.SetCommandHook(&BurnBench::Hook, this);
    burner = std::make_unique<ku::TMCDBurner>();
    if (burner->InitializeASPI(true, "") && !burner->DeviceList.empty())
        burner->SelectDevice(burner->DeviceList[0]);
}

BurnBench::~BurnBench() {
    burner.reset();
    spti.sim.SetCommandHook(nullptr, nullptr);
    ku::SPTIDeinit();
    ku::ASPILoaded = false;
    ku::SetSPTITransport(nullptr);
    DeleteFileA(image.c_str());
}

void __cdecl BurnBench::Hook(void* self, int, const uint8_t* cdb) {
    auto* bench = static_cast<BurnBench*>(self);
    if (cdb[0] == 0x2A && bench->firstWriteAt_ == 0)
        bench->firstWriteAt_ = Now();
    if (cdb[0] == 0x35 && bench->flushAt_ == 0)
        bench->flushAt_ = Now();
}

std::string BurnBench::Burn() {
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::string error = "(no done event)";
    burner->OnWriteDone = [&](ku::TMCDBurner*, const std::string& text) {
        error = text;
        SetEvent(done);
    };
    firstWriteAt_ = flushAt_ = 0;
    burner->BurnISOImage(image);
    WaitForSingleObject(done, INFINITE);
    burner->WaitForBurn();
    CloseHandle(done);
    return error;
}

double BurnBench::WriteRate() const {
    return static_cast<double>(sectors) * 2048 / 1e6 / WriteSeconds();
}

bool BurnBench::DiscHoldsImage() {
    std::vector<uint8_t> disc(2048), expected(2048);
    for (uint32_t lba = 0; lba < sectors; lba += lba + 97 < sectors ? 97 : sectors - 1 - lba) {
        spti.sim.ReadWritten(0, lba, disc.data(), 1);
        mmcsim::IsoSector(lba, sectors, 1, expected.data());
        if (disc != expected)
            return false;
        if (lba == sectors - 1)
            break;
    }
    return spti.sim.State(0, mmcsim::StateHighestWritten) == static_cast<int>(sectors);
}

} // namespace kubench
