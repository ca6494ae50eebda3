// A burn at the pace of a real 16X DVD writer, in the sandbox:
//   scripts/wine-sandbox up build/sandbox
//   scripts/wine-run build/sandbox build/tests/bench/bench_burn_paced.exe [MIB]
// The simulated drive empties a 2 MiB buffer at 22,160 KB/s in real time and holds each WRITE
// until its data fits. The program burns a generated image (default 200 MiB), samples the
// read-ahead cache every 100 ms as the window's gauge does, and prints the underruns, the
// effective rate (from the first WRITE until the drive's buffer ran empty at the flush) against
// the set rate and the cache fill in the steady state (the middle 80% of the writing).
// Targets: no underrun, at least 98% of the set rate, cache fill at least 80%.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "BurnBenchSupport.h"

int main(int argc, char** argv) {
    uint32_t mib = argc > 1 ? static_cast<uint32_t>(std::atoi(argv[1])) : 200;
    const int speed = 16 * 1385; // KB/s, 1 KB being 1,000 bytes
    kubench::BurnBench bench(mib);
    bench.spti.sim.SetPacing(0, true, 2 * 1024 * 1024);
    bench.burner->SetWriteSpeed(static_cast<uint16_t>(speed));

    std::atomic<bool> sampling{true};
    std::vector<std::pair<double, int>> samples;
    std::thread sampler([&] {
        while (sampling) {
            if (bench.burner->WriteRunning())
                samples.push_back({kubench::Now(), bench.burner->GetCacheFillPercent()});
            Sleep(100);
        }
    });
    std::string error = bench.Burn();
    sampling = false;
    sampler.join();

    double seconds = bench.spti.sim.State(0, mmcsim::StatePacedMillis) / 1000.0;
    double rate = bench.sectors * 2048.0 / seconds / 1000.0; // KB/s
    std::vector<int> steady;
    // The steady state: the middle 80% of the time from the first WRITE to the flush.
    double first = bench.FirstWriteAt(), span = bench.WriteSeconds();
    for (const auto& sample : samples)
        if (sample.first >= first + span * 0.1 && sample.first <= first + span * 0.9)
            steady.push_back(sample.second);
    double average = 0;
    for (int fill : steady)
        average += fill;
    average = steady.empty() ? 0 : average / steady.size();
    int lowest = steady.empty() ? 0 : *std::min_element(steady.begin(), steady.end());
    std::printf("image %u MiB, burn result \"%s\", disc holds the image: %s\n", mib,
                error.c_str(), bench.DiscHoldsImage() ? "yes" : "NO");
    std::printf("underruns: %d\n", bench.spti.sim.State(0, mmcsim::StateUnderruns));
    std::printf("effective rate %.0f KB/s in %.2f s = %.2f%% of the set %d KB/s\n", rate,
                seconds, rate * 100 / speed, speed);
    std::printf("cache fill in the steady state: %.1f%% on average, %d%% lowest (%zu samples)\n",
                average, lowest, steady.size());
    return error.empty() ? 0 : 1;
}
