// Force-scan benchmarks on generated registry data in the sandbox (removed afterwards):
//  1. the folder walk and the walks of 10 program files over a 200,000-key tree, against one
//     raw walk of the same keys (enumerate, open, read every value), and the ten program-file
//     walks done one by one against the shared pass;
//  2. the Installer component scan over 100,000 generated component keys.
// Run inside the sandbox:
//   scripts/wine-sandbox up build/sandbox
//   scripts/wine-run build/sandbox build/tests/bench/bench_force.exe [KEYS] [COMPONENTS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/force/ForceRegistryScan.h"
#include "core/force/InstallerScans.h"
#include "core/scan/LeftoverEngine.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"

using namespace ku;

namespace {

const char kTree[] = "Software\\KelvaneBench\\ForceTree";
const char kFolder[] = "C:\\Program Files\\Bench Foo";

double Now() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void SetText(HKEY key, const char* name, const std::string& text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

// Vendors, products and settings keys; one key in 1,000 names the folder or a program file.
void Generate(HKEY root, int keys) {
    const int perProduct = 10, perVendor = 100;
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
                if (made % 1000 == 0)
                    SetText(key, "Path", std::string(kFolder) + "\\tool" +
                                             std::to_string(made / 1000 % 10) + ".exe");
                RegCloseKey(key);
            }
}

long RawWalk(HKEY key) {
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
        if (RegOpenKeyExA(key, name, 0, KEY_READ | ScanRegistryView(), &child) == ERROR_SUCCESS) {
            visited += RawWalk(child);
            RegCloseKey(child);
        }
    }
    return visited;
}

void BenchWalks(int keys) {
    std::printf("generating %d keys ...\n", keys);
    double start = Now();
    Generate(HKEY_CURRENT_USER, keys);
    std::printf("generated in %.1f s\n", Now() - start);
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i)
        files.push_back(std::string(kFolder) + "\\tool" + std::to_string(i) + ".exe");

    HKEY tree;
    RegOpenKeyExA(HKEY_CURRENT_USER, kTree, 0, KEY_READ | ScanRegistryView(), &tree);
    start = Now();
    const long visited = RawWalk(tree);
    const double raw = Now() - start;
    RegCloseKey(tree);

    TWizardState state;
    ForceRemovalPlan plan;
    start = Now();
    ScanRegistryForceWalk(state, HKEY_CURRENT_USER, kTree, nullptr, state.LeftoverList, kFolder,
                          plan);
    const double folder = Now() - start;
    TUninstallerContents one;
    start = Now();
    ScanRegistryByProgramsWalk(state, HKEY_CURRENT_USER, kTree, nullptr, one, files, "");
    const double shared = Now() - start;
    TUninstallerContents each;
    start = Now();
    for (const std::string& file : files)
        ScanRegistryByProgramWalk(state, HKEY_CURRENT_USER, kTree, nullptr, each, file, "");
    const double separate = Now() - start;
    std::printf("raw walk: %ld keys in %.2f s\n", visited, raw);
    std::printf("folder walk: %.2f s = %.2f x raw (%d items)\n", folder, folder / raw,
                state.LeftoverList.Count());
    std::printf("10 program files, one shared pass: %.2f s = %.2f x raw (%d items)\n", shared,
                shared / raw, one.Count());
    std::printf("10 program files, one walk each: %.2f s = %.2f x raw (%d items)\n", separate,
                separate / raw, each.Count());
    std::printf("force scan (folder + shared pass): %.2f x raw\n", (folder + shared) / raw);
    start = Now();
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KelvaneBench");
    std::printf("removed in %.1f s\n", Now() - start);
}

void BenchComponents(int count) {
    const std::string base = std::string(kInstallerComponentsPath) + "\\KUBENCH";
    std::printf("generating %d component keys ...\n", count);
    double start = Now();
    for (int i = 0; i < count; ++i) {
        HKEY key;
        const std::string path = base + std::to_string(i);
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            continue;
        SetText(key, "BENCH000000000000000000000000001",
                "C:\\Program Files\\Bench Other\\f" + std::to_string(i) + ".dll");
        RegCloseKey(key);
    }
    std::printf("generated in %.1f s\n", Now() - start);
    HKEY components;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallerComponentsPath, 0, KEY_READ | ScanRegistryView(),
                  &components);
    start = Now();
    const long visited = RawWalk(components);
    const double raw = Now() - start;
    RegCloseKey(components);
    TWizardState state;
    ForceRemovalPlan plan;
    start = Now();
    ScanInstallerLeftovers(state, kFolder, state.LeftoverList, false, nullptr, plan);
    const double scan = Now() - start;
    std::printf("raw walk of the components: %ld keys in %.2f s\n", visited, raw);
    std::printf("force Installer scan: %.2f s = %.2f x raw\n", scan, scan / raw);
    start = Now();
    for (int i = 0; i < count; ++i)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (base + std::to_string(i)).c_str());
    std::printf("removed in %.1f s\n", Now() - start);
}

} // namespace

int main(int argc, char** argv) {
    const int keys = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int components = argc > 2 ? std::atoi(argv[2]) : 100000;
    ScanState = ScanRun;
    BenchWalks(keys);
    BenchComponents(components);
    return 0;
}
