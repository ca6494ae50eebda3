// Burn throughput against raw reading, in the sandbox:
//   scripts/wine-sandbox up build/sandbox
//   scripts/wine-run build/sandbox build/tests/bench/bench_burn_speed.exe [MIB]
// Burns a generated image (default 512 MiB) to a simulated DVD writer kept in memory, without
// pacing, five times, and prints the rate from the first WRITE to the flush after the last one
// beside the rate of reading the same file with ReadFile in 64 KiB pieces, and the medians.
// Targets: at least half the raw read rate and at least 4x 24X DVD (133 MB/s). A second set
// of runs lets the drive keep no data, which shows the host side alone.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BurnBenchSupport.h"

namespace {

// MB/s of reading the whole file in 64 KiB pieces.
double RawReadRate(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    std::vector<char> buffer(65536);
    double start = kubench::Now();
    unsigned long long total = 0;
    DWORD got = 0;
    while (ReadFile(file, buffer.data(), 65536, &got, nullptr) && got > 0)
        total += got;
    double seconds = kubench::Now() - start;
    CloseHandle(file);
    return total / 1e6 / seconds;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Timed burns to new blank discs, each between raw reads; the median rates.
struct Rates {
    double raw, burn;
    bool exact;
};

Rates TimedBurns(kubench::BurnBench& bench, int runs, bool keepData) {
    std::vector<double> raws, burns;
    bool exact = true;
    bench.spti.sim.SetKeepData(0, keepData);
    for (int run = 0; run < runs; ++run) {
        bench.spti.sim.SetMedium(0, mmcsim::DVDPlusR);
        raws.push_back(RawReadRate(bench.image));
        std::string error = bench.Burn();
        burns.push_back(bench.WriteRate());
        exact = exact && error.empty() && (!keepData || bench.DiscHoldsImage());
        std::printf("  raw ReadFile 64 KiB %5.0f MB/s, burn first to last WRITE %5.0f MB/s "
                    "(%.2f s) %s\n",
                    raws.back(), burns.back(), bench.WriteSeconds(), error.c_str());
    }
    raws.push_back(RawReadRate(bench.image));
    return {Median(raws), Median(burns), exact};
}

} // namespace

int main(int argc, char** argv) {
    uint32_t mib = argc > 1 ? static_cast<uint32_t>(std::atoi(argv[1])) : 512;
    const int runs = 5;
    const double dvd24x = 24 * 1.385; // MB/s
    kubench::BurnBench bench(mib);
    // A first burn brings the file into the system cache and gives the simulated drive its
    // memory.
    std::string warmUp = bench.Burn();
    std::printf("image %u MiB, first burn \"%s\"\n", mib, warmUp.c_str());
    const char* modes[] = {"the drive keeps every sector in memory",
                           "the drive keeps nothing (the host side alone)"};
    for (int keep = 1; keep >= 0; --keep) {
        std::printf("%s:\n", modes[1 - keep]);
        Rates rates = TimedBurns(bench, runs, keep == 1);
        std::printf("  median: raw %.0f MB/s, burn %.0f MB/s = %.2f of raw, %.0fx 24X DVD; "
                    "burns good%s: %s\n",
                    rates.raw, rates.burn, rates.burn / rates.raw, rates.burn / dvd24x,
                    keep ? " and discs exact" : "", rates.exact ? "yes" : "NO");
    }
    return 0;
}
