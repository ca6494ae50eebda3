// Force-scan benchmarks on generated registry data in the sandbox (removed afterwards):
//  1. the folder walk and the walks of 10 program files over a 200,000-key tree, against one
//     raw walk of the same keys (enumerate, open, read every value), in wall and processor
//     time, round after round (default 3), and the ten program-file walks done one by one;
//  2. the Installer component scan over 100,000 generated component keys (one in 100 of a
//     product installed into the folder) against a raw walk of the component keys, both in
//     the view the Installer keeps its keys in.
// Each part checks that the scans found what it made, and the program ends with 1 when not.
// Run inside the sandbox:
//   scripts/wine-sandbox up build/sandbox
//   scripts/wine-run build/sandbox build/tests/bench/bench_force.exe [KEYS] [COMPONENTS] [ROUNDS]
// With KU_BENCH_ROUNDS_ONLY=1 only the rounds of part 1 run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "core/force/ForceRegistryScan.h"
#include "core/force/InstallerScans.h"
#include "core/scan/LeftoverEngine.h"
#include "core/scan/RegValueList.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"

using namespace ku;
using kubench::CpuNow;
using kubench::Median;
using kubench::Now;

namespace {

const char kTree[] = "Software\\KelvaneBench\\ForceTree";
const char kFolder[] = "C:\\Program Files\\Bench Foo";
// The generated Installer product installed into kFolder (a packed product code).
const char kBenchProduct[] = "BENCH0000000000000000000000000F0";
const int kNamingEvery = 1000;
const int kOwnComponentEvery = 100;

std::string ComponentPath(int i) {
    return std::string(kInstallerComponentsPath) + "\\KUBENCH" + std::to_string(i);
}

void SetText(HKEY key, const char* name, const std::string& text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

bool RoundsOnly() { return kubench::Switched("KU_BENCH_ROUNDS_ONLY"); }

// Vendors, products and settings keys; one key in 1,000 names the folder through a program file.
const int kPerProduct = 10, kPerVendor = 100;

void Generate(HKEY root, int keys) {
    const int perProduct = kPerProduct, perVendor = kPerVendor;
    int made = 0;
    for (int vendor = 0; made < keys; ++vendor)
        for (int product = 0; product < perVendor && made < keys; ++product)
            for (int sub = 0; sub < perProduct && made < keys; ++sub, ++made) {
                char path[256];
                snprintf(path, sizeof path, "%s\\Vendor%03d\\Product%03d\\Key%02d", kTree, vendor,
                         product, sub);
                HKEY key;
                if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr) != ERROR_SUCCESS)
                    continue;
                SetText(key, "InstallDir", "C:\\Program Files\\Vendor" + std::to_string(vendor));
                SetText(key, "Size", std::to_string(made));
                if (made % kNamingEvery == 0)
                    SetText(key, "Path", std::string(kFolder) + "\\tool" +
                                             std::to_string(made / kNamingEvery % 10) + ".exe");
                RegCloseKey(key);
            }
}

// The keys Generate makes, with the vendor and product keys and the tree's own.
long TreeKeys(int keys) {
    const long products = (keys + kPerProduct - 1) / kPerProduct;
    return 1 + (products + kPerVendor - 1) / kPerVendor + products + keys;
}

// The fastest plain reading of a tree: every value of every key, every key opened once, in the
// given view.
long RawWalk(HKEY key, REGSAM view) {
    long visited = 1;
    char name[1024];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name, dataLength = sizeof data, type;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataLength) !=
            ERROR_SUCCESS)
            break;
    }
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        HKEY child;
        if (RegOpenKeyExA(key, name, 0, KEY_READ | view, &child) == ERROR_SUCCESS) {
            visited += RawWalk(child, view);
            RegCloseKey(child);
        }
    }
    return visited;
}

// Different keys of the list below Path: what a scan found there, each key once.
size_t KeysBelow(const TUninstallerContents& list, const std::string& path) {
    std::set<std::string> keys;
    for (int i = 0; i < list.Count(); ++i) {
        const std::string& key = list.GetItem(i).Content.KeyPath;
        if (key.compare(0, path.size(), path) == 0)
            keys.insert(key);
    }
    return keys.size();
}

bool Check(const char* what, size_t found, size_t made) {
    if (found != made)
        std::printf("%s: found %u of the %u made\n", what, static_cast<unsigned>(found),
                    static_cast<unsigned>(made));
    return found == made;
}

// A span of wall time and of this thread's processor time.
struct Span {
    double wall = 0, cpu = 0;
};

template <typename Walk> Span Time(Walk walk) {
    const double wall = Now(), cpu = CpuNow();
    walk();
    return {Now() - wall, CpuNow() - cpu};
}

// Each round: a raw walk, the folder walk, the shared pass of the ten program files and a raw
// walk again (the faster raw walk counts); the rounds' medians are printed. The ten walks one
// by one run once, after the rounds.
bool BenchWalks(int keys, int rounds) {
    std::printf("generating %d keys ...\n", keys);
    double start = Now();
    Generate(HKEY_CURRENT_USER, keys);
    std::printf("generated in %.1f s\n", Now() - start);
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i)
        files.push_back(std::string(kFolder) + "\\tool" + std::to_string(i) + ".exe");

    HKEY tree;
    RegOpenKeyExA(HKEY_CURRENT_USER, kTree, 0, KEY_READ | ScanRegistryView(), &tree);
    long visited = 0;
    const auto rawWalk = [&] { visited = RawWalk(tree, ScanRegistryView()); };
    std::vector<double> folderRatios, sharedRatios, forceRatios, folderCpu, sharedCpu;
    TWizardState state;
    TUninstallerContents one;
    for (int round = 1; round <= rounds; ++round) {
        Span raw = Time(rawWalk);
        state = TWizardState();
        ForceRemovalPlan plan;
        const Span folder = Time([&] {
            ScanRegistryForceWalk(state, HKEY_CURRENT_USER, kTree, nullptr, state.LeftoverList,
                                  kFolder, plan);
        });
        one = TUninstallerContents();
        const Span shared = Time([&] {
            ScanRegistryByProgramsWalk(state, HKEY_CURRENT_USER, kTree, nullptr, one, files, "");
        });
        const Span again = Time(rawWalk);
        raw.wall = std::min(raw.wall, again.wall);
        raw.cpu = std::min(raw.cpu, again.cpu);
        folderRatios.push_back(folder.wall / raw.wall);
        sharedRatios.push_back(shared.wall / raw.wall);
        forceRatios.push_back((folder.wall + shared.wall) / raw.wall);
        folderCpu.push_back(folder.cpu / raw.cpu);
        sharedCpu.push_back(shared.cpu / raw.cpu);
        std::printf(
            "round %d: raw walk %ld keys in %.2f s (processor %.2f s); folder walk %.2f s = "
            "%.2f x raw (processor %.2f x); shared pass %.2f s = %.2f x raw (processor "
            "%.2f x)\n",
            round, visited, raw.wall, raw.cpu, folder.wall, folder.wall / raw.wall,
            folder.cpu / raw.cpu, shared.wall, shared.wall / raw.wall, shared.cpu / raw.cpu);
    }
    RegCloseKey(tree);
    // The ten walks one by one take ten times a round: left out when only the rounds are run.
    const bool separately = !RoundsOnly();
    TUninstallerContents each;
    const Span separate = Time([&] {
        if (separately)
            for (const std::string& file : files)
                ScanRegistryByProgramWalk(state, HKEY_CURRENT_USER, kTree, nullptr, each, file,
                                          "");
    });
    std::printf("medians of %d rounds: folder walk %.2f x raw (processor %.2f x), 10 program "
                "files in one shared pass %.2f x raw (processor %.2f x)\n",
                rounds, Median(folderRatios), Median(folderCpu), Median(sharedRatios),
                Median(sharedCpu));
    if (separately)
        std::printf("10 program files, one walk each: %.2f s (%d items)\n", separate.wall,
                    each.Count());
    std::printf("force scan (folder + shared pass): %.2f x raw\n", Median(forceRatios));
    start = Now();
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KelvaneBench");
    std::printf("removed in %.1f s\n", Now() - start);
    // One key in 1,000 names the folder, through one of the program files.
    const size_t naming = static_cast<size_t>((keys + kNamingEvery - 1) / kNamingEvery);
    bool found = Check("raw walk", static_cast<size_t>(visited), static_cast<size_t>(TreeKeys(keys)));
    found = Check("folder walk", KeysBelow(state.LeftoverList, kTree), naming) && found;
    found = Check("shared pass", KeysBelow(one, kTree), naming) && found;
    return (!separately || Check("one walk each", KeysBelow(each, kTree), naming)) && found;
}

// A product installed into the folder, and components of which one in 100 belongs to it; all
// in the view the Installer keeps its keys in, which the scan reads.
void GenerateInstallerData(int count) {
    const REGSAM view = InstallerReadView();
    HKEY key;
    const std::string product = std::string(kInstallerProductsPath) + "\\" + kBenchProduct;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (product + "\\InstallProperties").c_str(), 0, nullptr,
                        0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        SetText(key, "InstallLocation", kFolder);
        RegCloseKey(key);
    }
    for (int i = 0; i < count; ++i) {
        const std::string path = ComponentPath(i);
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            continue;
        if (i % kOwnComponentEvery == 0)
            SetText(key, kBenchProduct, std::string(kFolder) + "\\f" + std::to_string(i) + ".dll");
        else
            SetText(key, "BENCH000000000000000000000000001",
                    "C:\\Program Files\\Bench Other\\f" + std::to_string(i) + ".dll");
        RegCloseKey(key);
    }
}

void RemoveInstallerData(int count) {
    const REGSAM view = InstallerReadView();
    for (int i = 0; i < count; ++i)
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, ComponentPath(i).c_str(), view, 0);
    const std::string product = std::string(kInstallerProductsPath) + "\\" + kBenchProduct;
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (product + "\\InstallProperties").c_str(), view, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, product.c_str(), view, 0);
}

bool BenchComponents(int count) {
    std::printf("generating %d component keys ...\n", count);
    double start = Now();
    GenerateInstallerData(count);
    std::printf("generated in %.1f s\n", Now() - start);
    HKEY components = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallerComponentsPath, 0, KEY_READ | InstallerReadView(),
                  &components);
    start = Now();
    const long visited = components ? RawWalk(components, InstallerReadView()) : 0;
    const double raw = Now() - start;
    if (components)
        RegCloseKey(components);
    TWizardState state;
    ForceRemovalPlan plan;
    start = Now();
    ScanInstallerLeftovers(state, kFolder, state.LeftoverList, false, nullptr, plan);
    const double scan = Now() - start;
    std::printf("raw walk of the components: %ld keys in %.2f s\n", visited, raw);
    std::printf("force Installer scan: %.2f s = %.2f x raw (%d items)\n", scan, scan / raw,
                state.LeftoverList.Count());
    start = Now();
    RemoveInstallerData(count);
    std::printf("removed in %.1f s\n", Now() - start);
    // The raw walk also meets the components Windows has; the scan lists the product's keys
    // and each of its components.
    const int own = (count + kOwnComponentEvery - 1) / kOwnComponentEvery;
    const bool walked = visited > count;
    if (!walked)
        std::printf("raw walk: met %ld keys, fewer than the %d made\n", visited, count);
    return Check("force Installer scan: component keys",
                 KeysBelow(state.LeftoverList, std::string(kInstallerComponentsPath) + "\\KUBENCH"),
                 static_cast<size_t>(own)) &&
           Check("force Installer scan: product keys",
                 static_cast<size_t>(state.LeftoverList.Count()) - static_cast<size_t>(own), 5) &&
           walked;
}

} // namespace

int main(int argc, char** argv) {
    const int keys = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int components = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    ScanState = ScanRun;
    const bool walks = BenchWalks(keys, rounds);
    const bool installer = RoundsOnly() || BenchComponents(components);
    if (!walks || !installer)
        std::printf("a scan did not find what was made\n");
    return walks && installer ? 0 : 1;
}
