// Benchmarks of the uninstall wizard's scans against raw walks of the same data, in the sandbox:
//   scripts/wine-sandbox up build/sandbox
//   scripts/wine-run build/sandbox build/tests/bench/bench_scans.exe registry [KEYS VALUES]
//   scripts/wine-run build/sandbox build/tests/bench/bench_scans.exe files [FILES [ROUNDS]]
//   scripts/wine-run build/sandbox build/tests/bench/bench_scans.exe hive   (whole HKLM and HKCU)
//   scripts/wine-run build/sandbox build/tests/bench/bench_scans.exe others [PRODUCTS COMPONENTS]
// "registry" imports a generated .reg (default 200000 keys, 1000000 values) below
// HKLM\Software\KuBench, "files" makes a tree (default 500000 files) below
// C:\kutest\scratch\bench_files; both are removed afterwards (KU_BENCH_KEEP_TREE=1 keeps the
// tree, and takes one already there). The file scan runs beside 200 other installed programs'
// entries, read as the wizard reads them. The scans run with the window's own progress object
// (message pump and caption label, paced by time) and a skip message posted while they run;
// the program prints times, the ratio to the raw walk with its goal (each round and their
// median in wall and processor time; for the files also the raw walk through the exact
// layer), peak memory, the longest stretch
// in which the file scan did not look at the skip, and the skip button's reaction time. "files"
// checks that both walks found what was made and ends with 1 when they did not or a goal was
// missed. "others" times the reading of the other installed programs (200 entries and default
// 100 Installer products without a folder, with 20000 components listed by their features, and
// once more without the features) and one folder look-up.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "core/scan/FileScan.h"
#include "core/scan/RegistryScan.h"
#include "core/system/ExactNames.h"
#include "core/system/Reg32vs64.h"
#include "core/system/SharedState.h"
#include "core/ui/wizard/WizardBridge.h"

using namespace ku;
using kubench::CpuNow;
using kubench::Median;
using kubench::Now;

namespace {

const char* const kBenchKey = "Software\\KuBench";
const char* const kBenchFolder = "C:\\kutest\\scratch\\bench_files";
const UINT kSkipMessage = WM_APP + 7;
// The file tree: files in folders of 500, the folders spread over 100 vendor folders; the
// word names one vendor, so a hundredth of the files are leftovers.
const int kFilesPerFolder = 500;
const int kVendors = 100;
const int kWordVendor = 17;
const char* const kFileWord = "Vendor017";
// The file scan may take at most this many times the raw walk of the same tree; the skip is
// looked at (and answered) within this many milliseconds.
const double kFileGoal = 1.2;
const double kSkipGoalMs = 100;

double PeakMb() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// ---- raw walks: the same enumeration calls, no matching ------------------------------------

long long rawKeys = 0, rawValues = 0;

void RawRegistryWalk(HKEY key) {
    std::vector<char> name(16384);
    std::vector<BYTE> data(4096);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataLength = static_cast<DWORD>(data.size()), type;
        LONG result = RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
        if (result == ERROR_MORE_DATA) {
            data.resize(dataLength + 2);
            nameLength = static_cast<DWORD>(name.size());
            dataLength = static_cast<DWORD>(data.size());
            result = RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
        }
        if (result != ERROR_SUCCESS)
            break;
        ++rawValues;
    }
    char sub[1000];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof sub;
        if (RegEnumKeyExA(key, i, sub, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        ++rawKeys;
        HKEY child;
        if (RegOpenKeyExA(key, sub, 0, KEY_READ | ScanRegistryView(), &child) == ERROR_SUCCESS) {
            RawRegistryWalk(child);
            RegCloseKey(child);
        }
    }
}

long long rawFiles = 0;

void RawFileWalk(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (data.cFileName[0] == '.' && (!data.cFileName[1] || (data.cFileName[1] == '.' && !data.cFileName[2])))
            continue;
        const std::string full = folder + "\\" + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RawFileWalk(full);
        else
            ++rawFiles;
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

// ---- the window side: a hidden label for captions and a window that takes the skip ----------

double skipPosted = 0;

LRESULT CALLBACK SkipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kSkipMessage) {
        ScanState = static_cast<uint8_t>(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Window {
    HWND skip, label;
    Window() {
        WNDCLASSA type = {};
        type.lpfnWndProc = SkipProc;
        type.lpszClassName = "KuBenchSkip";
        RegisterClassA(&type);
        skip = CreateWindowA("KuBenchSkip", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        label = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 400, 16, skip, nullptr, nullptr, nullptr);
    }
};

struct SkipLater {
    HWND window;
    DWORD afterMs;
    uint8_t value;
};

DWORD WINAPI PostSkip(void* data) {
    const SkipLater* later = static_cast<SkipLater*>(data);
    Sleep(later->afterMs);
    skipPosted = Now();
    PostMessageA(later->window, kSkipMessage, later->value, 0);
    return 0;
}

// Passes every call on to the window's progress and notes the longest stretch without one,
// from the scan's start to its end: the scans look at the skip right before each pump.
class StretchProgress : public IScanProgress {
public:
    explicit StretchProgress(IScanProgress& window) : window_(window), last_(Now()) {}
    void Pump() override {
        Note();
        window_.Pump();
    }
    void Caption(const std::string& text) override { window_.Caption(text); }
    // Call when the scan has returned.
    double LongestMs() {
        Note();
        return longest_ * 1000.0;
    }

private:
    void Note() {
        const double now = Now();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }
    IScanProgress& window_;
    double last_;
    double longest_ = 0;
};

// Posts the skip a third into a scan as long as the measured one and times until the scan ends.
double SkipReaction(const Window& window, uint8_t value, void (*scan)(IScanProgress&),
                    double scanSeconds) {
    SkipLater later{window.skip, static_cast<DWORD>(scanSeconds * 1000.0 / 3.0), value};
    ScanState = ScanRun;
    skipPosted = 0;
    HANDLE thread = CreateThread(nullptr, 0, PostSkip, &later, 0, nullptr);
    WindowScanProgress progress(window.label);
    scan(progress);
    const double end = Now();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    ScanState = ScanRun;
    // A skip posted after the scan's end found nothing to stop.
    return skipPosted > 0 && skipPosted <= end ? (end - skipPosted) * 1000.0 : -1;
}

void PrintSkipReaction(double ms) {
    if (ms < 0)
        std::printf("skip reaction: none, the scan ended before the skip\n");
    else
        std::printf("skip reaction: %.1f ms (goal: under %.0f)\n", ms, kSkipGoalMs);
}

// ---- registry ----------------------------------------------------------------------------

void WriteRegFile(const std::string& path, int keys, int values) {
    FILE* out = std::fopen(path.c_str(), "wb");
    std::fputs("REGEDIT4\r\n\r\n", out);
    const int perKey = values / keys, extra = values % keys;
    for (int k = 0; k < keys; ++k) {
        // 200 vendors, each with products and nested settings keys.
        std::fprintf(out, "[HKEY_LOCAL_MACHINE\\%s\\Vendor%03d\\Product%04d\\Settings%d]\r\n", kBenchKey,
                     k % 200, k / 200 % 1000, k);
        for (int v = 0; v < perKey + (k < extra ? 1 : 0); ++v)
            std::fprintf(out, "\"Value%d\"=\"C:\\\\Program Files\\\\Vendor%03d\\\\file%d.dll\"\r\n", v,
                         k % 200, v);
        std::fputs("\r\n", out);
    }
    std::fclose(out);
}

HKEY OpenBench() {
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBenchKey, 0, KEY_READ | ScanRegistryView(), &key);
    return key;
}

void RegistryScan(IScanProgress& progress) {
    TWizardState state;
    ScanRegistryNormalWalk(state, HKEY_LOCAL_MACHINE, kBenchKey, &progress, state.LeftoverList,
                           "Vendor017", "", "C:\\Program Files\\Vendor099\\uninst.exe");
}

int RunRegistry(int keys, int values) {
    RegistryView64 = true;
    const std::string reg = "C:\\kutest\\scratch\\bench.reg";
    CreateDirectoryA("C:\\kutest\\scratch", nullptr);
    WriteRegFile(reg, keys, values);
    RegistryView64 = true;
    double t = Now();
    char command[512];
    std::snprintf(command, sizeof command, "regedit /S %s", reg.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return 1;
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    std::printf("import of %d keys, %d values: %.1f s\n", keys, values, Now() - t);
    // regedit writes into its own view, which depends on the prefix: walk the one that has it.
    HKEY bench = OpenBench();
    if (!bench) {
        RegistryView64 = false;
        bench = OpenBench();
    }
    if (!bench) {
        std::printf("the import did not arrive\n");
        return 1;
    }
    Window window;
    // Each round: the raw walk before and after the scan, the faster counting, so the scan
    // gets no help from a cache the raw walk warmed; the rounds' medians are printed.
    std::vector<double> ratios, cpuRatios;
    double scan = 0;
    for (int round = 1; round <= 3; ++round) {
        rawKeys = rawValues = 0;
        double t0 = Now(), cpu0 = CpuNow();
        RawRegistryWalk(bench);
        double raw = Now() - t0, rawCpu = CpuNow() - cpu0;
        TWizardState state;
        WindowScanProgress progress(window.label);
        ScanState = ScanRun;
        t0 = Now();
        cpu0 = CpuNow();
        ScanRegistryNormalWalk(state, HKEY_LOCAL_MACHINE, kBenchKey, &progress,
                               state.LeftoverList, "Vendor017", "",
                               "C:\\Program Files\\Vendor099\\uninst.exe");
        scan = Now() - t0;
        const double scanCpu = CpuNow() - cpu0;
        rawKeys = rawValues = 0;
        t0 = Now();
        cpu0 = CpuNow();
        RawRegistryWalk(bench);
        raw = std::min(raw, Now() - t0);
        rawCpu = std::min(rawCpu, CpuNow() - cpu0);
        ratios.push_back(scan / raw);
        cpuRatios.push_back(scanCpu / rawCpu);
        std::printf("round %d: raw walk %lld keys, %lld values in %.2f s (processor %.2f s); "
                    "normal-mode scan %d keys, %d leftovers in %.2f s = %.2f x raw (processor "
                    "%.2f x)\n",
                    round, rawKeys, rawValues, raw, rawCpu, state.ScanKeyCounter,
                    state.LeftoverList.Count(), scan, scan / raw, scanCpu / rawCpu);
    }
    RegCloseKey(bench);
    std::printf("registry ratio scan/raw, median of 3 rounds: %.2f (processor %.2f), peak "
                "working set %.1f MB\n",
                Median(ratios), Median(cpuRatios), PeakMb());
    PrintSkipReaction(SkipReaction(window, ScanSkipRegistry, RegistryScan, scan));
    HKEY software;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | ScanRegistryView(),
                      &software) == ERROR_SUCCESS) {
        RegDeleteTreeA(software, "KuBench");
        RegCloseKey(software);
    }
    DeleteFileA(reg.c_str());
    return 0;
}

// ---- files -------------------------------------------------------------------------------

void MakeTree(int files) {
    CreateDirectoryA("C:\\kutest\\scratch", nullptr);
    CreateDirectoryA(kBenchFolder, nullptr);
    for (int f = 0; f < files; ++f) {
        char path[MAX_PATH];
        const int folder = f / kFilesPerFolder;
        std::snprintf(path, sizeof path, "%s\\Vendor%03d", kBenchFolder, folder % kVendors);
        if (f % kFilesPerFolder == 0) {
            CreateDirectoryA(path, nullptr);
            std::snprintf(path, sizeof path, "%s\\Vendor%03d\\Part%04d", kBenchFolder,
                          folder % kVendors, folder);
            CreateDirectoryA(path, nullptr);
        }
        std::snprintf(path, sizeof path, "%s\\Vendor%03d\\Part%04d\\file%06d.dat", kBenchFolder,
                      folder % kVendors, folder, f);
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string full = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// Installed programs beside the one the scan is for, as the wizard reads them before its scans:
// entries of the user's store whose folders the walk must keep out of.
const int kOtherPrograms = 200;
const char* const kBenchUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void PlantOtherPrograms() {
    for (int i = 0; i < kOtherPrograms; ++i) {
        char name[64], folder[MAX_PATH], text[MAX_PATH + 32];
        std::snprintf(name, sizeof name, "%s\\KuBenchOther%03d", kBenchUninstall, i);
        std::snprintf(folder, sizeof folder, "C:\\Program Files\\KuBench Other %03d", i);
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            continue;
        auto set = [&](const char* value, const std::string& data, DWORD type) {
            RegSetValueExA(key, value, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>(data.size() + 1));
        };
        set("DisplayName", name + std::strlen(kBenchUninstall) + 1, REG_SZ);
        set("InstallLocation", folder, i % 4 == 0 ? REG_EXPAND_SZ : REG_SZ);
        std::snprintf(text, sizeof text, "\"%s\\Setup\\uninst.exe\" /S", folder);
        set("UninstallString", text, REG_SZ);
        std::snprintf(text, sizeof text, "%s\\Icons\\app.exe,0", folder);
        set("DisplayIcon", text, REG_SZ);
        RegCloseKey(key);
    }
}

void RemoveOtherPrograms() {
    for (int i = 0; i < kOtherPrograms; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s\\KuBenchOther%03d", kBenchUninstall, i);
        RegDeleteKeyA(HKEY_CURRENT_USER, name);
    }
}

// The other programs as the wizard reads them, timed.
OtherInstalledPrograms ReadOtherPrograms(double& seconds) {
    const double t = Now();
    OtherInstalledPrograms programs = OtherInstalledPrograms::Read(OwnEntry{kFileWord});
    seconds = Now() - t;
    return programs;
}

const OtherInstalledPrograms* benchOthers = nullptr;

void FileScan(IScanProgress& progress) {
    TWizardState state;
    if (benchOthers)
        state.OtherPrograms = *benchOthers;
    ScanFolderFiles(state, kBenchFolder, 0, &progress, state.LeftoverList, kFileWord);
}

// The files MakeTree puts below the vendor folder the word names.
int FilesOfWord(int files) {
    int count = 0;
    for (int f = 0; f < files; ++f)
        count += f / kFilesPerFolder % kVendors == kWordVendor;
    return count;
}

// The raw walk through the exact layer's enumeration: what the layer alone costs.
void ExactFileWalk(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstExactFile(folder + "\\*.*", data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (data.cFileName[0] == '.' &&
            (!data.cFileName[1] || (data.cFileName[1] == '.' && !data.cFileName[2])))
            continue;
        const std::string full = folder + "\\" + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ExactFileWalk(full);
        else
            ++rawFiles;
    } while (FindNextExactFile(find, data));
    FindClose(find);
}

double lastCpu = 0; // the processor time of the last timed walk

double Timed(void (*walk)(const std::string&)) {
    rawFiles = 0;
    const double t = Now(), cpu = CpuNow();
    walk(kBenchFolder);
    lastCpu = CpuNow() - cpu;
    return Now() - t;
}

// KU_BENCH_KEEP_TREE=1 keeps the tree for the next run and takes one that is already there,
// so that builds can be compared turn about without making 500,000 files each time.
bool KeepTree() { return kubench::Switched("KU_BENCH_KEEP_TREE"); }

// Each round times a raw walk, the scan (with the window's own progress, as the wizard runs
// it), another raw walk (the faster raw walk counts) and the exact layer's walk; the rounds'
// median ratios are judged. The longest stretch without a look at the skip is measured in a
// scan of its own, whose clock readings at every look would otherwise count as scan time.
int RunFiles(int files, int rounds) {
    double t = Now();
    if (KeepTree() && (Timed(RawFileWalk), rawFiles == files)) {
        std::printf("took the %d files already there\n", files);
    } else {
        RemoveTree(kBenchFolder);
        MakeTree(files);
        std::printf("made %d files: %.1f s\n", files, Now() - t);
    }
    PlantOtherPrograms();
    double readSeconds = 0;
    const OtherInstalledPrograms others = ReadOtherPrograms(readSeconds);
    benchOthers = &others;
    std::printf("other installed programs read in %.1f ms\n", readSeconds * 1000.0);
    Window window;
    Timed(RawFileWalk); // warms the caches for every round alike
    std::vector<double> ratios, exactRatios, cpuRatios, exactCpuRatios;
    int found = -1;
    long long walked = 0;
    for (int round = 1; round <= rounds; ++round) {
        double raw = Timed(RawFileWalk);
        double rawCpu = lastCpu;
        walked = rawFiles;
        TWizardState state;
        state.OtherPrograms = others;
        WindowScanProgress progress(window.label);
        ScanState = ScanRun;
        t = Now();
        const double cpu = CpuNow();
        ScanFolderFiles(state, kBenchFolder, 0, &progress, state.LeftoverList, kFileWord);
        const double scanCpu = CpuNow() - cpu;
        const double scan = Now() - t;
        found = state.LeftoverList.Count();
        raw = std::min(raw, Timed(RawFileWalk));
        rawCpu = std::min(rawCpu, lastCpu);
        const double exact = Timed(ExactFileWalk);
        ratios.push_back(scan / raw);
        exactRatios.push_back(exact / raw);
        cpuRatios.push_back(scanCpu / rawCpu);
        exactCpuRatios.push_back(lastCpu / rawCpu);
        std::printf("round %d: raw walk %.2f s, file scan %.2f s = %.2f x raw, exact-layer walk "
                    "%.2f s = %.2f x raw; processor time: raw %.2f s, scan %.2f x, exact %.2f x\n",
                    round, raw, scan, scan / raw, exact, exact / raw, rawCpu, scanCpu / rawCpu,
                    lastCpu / rawCpu);
    }
    const int expected = FilesOfWord(files);
    WindowScanProgress windowProgress(window.label);
    StretchProgress stretchProgress(windowProgress);
    ScanState = ScanRun;
    t = Now();
    FileScan(stretchProgress);
    const double stretchScan = Now() - t;
    const double stretch = stretchProgress.LongestMs();
    const double ratio = Median(ratios);
    std::printf("raw walk: %lld files\n", walked);
    std::printf("file scan: %d leftovers (%d made), peak working set %.1f MB\n", found, expected,
                PeakMb());
    std::printf("file ratio scan/raw, median of %d rounds: %.2f (goal: at most %.1f)\n", rounds,
                ratio, kFileGoal);
    std::printf("exact-layer walk/raw, median: %.2f\n", Median(exactRatios));
    std::printf("processor time, median: scan %.2f x raw, exact-layer walk %.2f x raw\n",
                Median(cpuRatios), Median(exactCpuRatios));
    std::printf("longest stretch without a look at the skip: %.1f ms (goal: under %.0f)\n",
                stretch, kSkipGoalMs);
    PrintSkipReaction(SkipReaction(window, ScanSkipFiles, FileScan, stretchScan));
    RemoveOtherPrograms();
    if (!KeepTree()) {
        t = Now();
        RemoveTree(kBenchFolder);
        std::printf("removed the tree: %.1f s\n", Now() - t);
    }
    const bool ok = walked == files && found == expected;
    if (!ok)
        std::printf("the walks did not find what was made\n");
    return ok && ratio <= kFileGoal && stretch < kSkipGoalMs ? 0 : 1;
}

// ---- the other installed programs: reading them, with Windows Installer products ----------

// Installer products whose entries name no folder (their uninstaller is "MsiExec.exe /X{...}"),
// each with components in the Installer's own store, as a machine with many packages has them.
const char* const kBenchUserData =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18";

std::string BenchProductCode(int i) {
    char code[40];
    std::snprintf(code, sizeof code, "{5EB0C0DE-0000-4000-8000-%012d}", i);
    return code;
}

// The code as the Installer keeps it below its own keys: the first three groups backwards, the
// rest pair by pair with each pair turned.
std::string PackedCode(const std::string& braced) {
    std::string hex;
    for (char c : braced)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            hex += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string packed(hex.rbegin() + 24, hex.rend());
    packed += std::string(hex.rbegin() + 20, hex.rbegin() + 24);
    packed += std::string(hex.rbegin() + 16, hex.rbegin() + 20);
    for (size_t i = 16; i + 1 < hex.size(); i += 2)
        packed += std::string{hex[i + 1], hex[i]};
    return packed;
}

REGSAM NativeView() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 ? KEY_WOW64_64KEY : 0;
}

std::string BenchComponentCode(int c) {
    char code[40];
    std::snprintf(code, sizeof code, "{5EB0C0DE-0001-4000-8000-%012d}", c);
    return code;
}

// The code in the compressed form a feature lists its components in: the GUID's four 32-bit
// numbers, five base-85 digits each, the lowest first.
std::string CompressedCode(const std::string& braced) {
    static const char digits[] =
        "!$%&'()*+,-.0123456789=?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`abcdefghijklmnopqrstuvwxyz{}~";
    unsigned a = 0, b = 0, c = 0, d[8] = {};
    std::sscanf(braced.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &a, &b, &c, &d[0],
                &d[1], &d[2], &d[3], &d[4], &d[5], &d[6], &d[7]);
    const unsigned long long parts[4] = {a, b | (static_cast<unsigned long long>(c) << 16),
                                         d[0] | d[1] << 8 | d[2] << 16 | (0ull + d[3]) << 24,
                                         d[4] | d[5] << 8 | d[6] << 16 | (0ull + d[7]) << 24};
    std::string text;
    for (unsigned long long part : parts)
        for (int digit = 0; digit < 5; ++digit, part /= 85)
            text += digits[part % 85];
    return text;
}

std::string ProductKey(int product) {
    return std::string(kBenchUserData) + "\\Products\\" + PackedCode(BenchProductCode(product));
}

void SetNativeString(const std::string& path, const std::string& name, const std::string& text) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS | NativeView(), nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

// Each product's components hold one file of its folder, and its one feature lists them.
void PlantInstallerProducts(int products, int components) {
    for (int i = 0; i < products; ++i) {
        HKEY key;
        const std::string entry = std::string(kBenchUninstall) + "\\" + BenchProductCode(i);
        if (RegCreateKeyExA(HKEY_CURRENT_USER, entry.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            continue;
        const std::string command = "MsiExec.exe /X" + BenchProductCode(i);
        RegSetValueExA(key, "UninstallString", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
        RegCloseKey(key);
    }
    std::vector<std::string> features(static_cast<size_t>(products));
    for (int c = 0; c < components; ++c) {
        char folder[MAX_PATH];
        const int product = c % products;
        std::snprintf(folder, sizeof folder, "C:\\Program Files\\KuBench Msi %03d\\bin\\f%06d.dll",
                      product, c);
        SetNativeString(std::string(kBenchUserData) + "\\Components\\" +
                            PackedCode(BenchComponentCode(c)),
                        PackedCode(BenchProductCode(product)), folder);
        features[static_cast<size_t>(product)] += CompressedCode(BenchComponentCode(c));
    }
    for (int i = 0; i < products; ++i)
        SetNativeString(ProductKey(i) + "\\Features", "Complete", features[static_cast<size_t>(i)]);
}

void RemoveFeatures(int products) {
    for (int i = 0; i < products; ++i) {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (ProductKey(i) + "\\Features").c_str(), NativeView(),
                        0);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, ProductKey(i).c_str(), NativeView(), 0);
    }
}

void RemoveInstallerProducts(int products, int components) {
    for (int i = 0; i < products; ++i)
        RegDeleteKeyA(HKEY_CURRENT_USER,
                      (std::string(kBenchUninstall) + "\\" + BenchProductCode(i)).c_str());
    RemoveFeatures(products);
    for (int c = 0; c < components; ++c)
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE,
                        (std::string(kBenchUserData) + "\\Components\\" +
                         PackedCode(BenchComponentCode(c)))
                            .c_str(),
                        NativeView(), 0);
}

// How long the wizards take to read the other programs (once before the scans, once more
// before the files go), and what one look-up of a folder costs the file scan per folder.
int RunOthers(int products, int components) {
    double t = Now();
    PlantOtherPrograms();
    PlantInstallerProducts(products, components);
    std::printf("planted %d entries, %d Installer products with %d components: %.1f s\n",
                kOtherPrograms, products, components, Now() - t);
    OtherInstalledPrograms others;
    for (int round = 1; round <= 3; ++round) {
        double seconds = 0;
        others = ReadOtherPrograms(seconds);
        std::printf("round %d: read in %.1f ms\n", round, seconds * 1000.0);
    }
    // The products as an Installer that keeps no feature lists would leave them: every
    // component registration is read.
    RemoveFeatures(products);
    double seconds = 0;
    const OtherInstalledPrograms unlisted = ReadOtherPrograms(seconds);
    std::printf("without the products' features: read in %.1f ms\n", seconds * 1000.0);
    const int lookups = 1000000;
    int held = 0;
    t = Now();
    for (int i = 0; i < lookups; ++i)
        held +=
            others.HoldsUpperPath(i % 2 ? "C:\\KUTEST\\SCRATCH\\BENCH_FILES\\VENDOR017\\PART0017"
                                        : "C:\\PROGRAM FILES\\KUBENCH MSI 007\\BIN\\SUB");
    std::printf("folder look-up: %.3f us each (%d of %d held)\n", (Now() - t) * 1e6 / lookups, held,
                lookups);
    t = Now();
    RemoveInstallerProducts(products, components);
    RemoveOtherPrograms();
    std::printf("removed: %.1f s\n", Now() - t);
    return held == lookups / 2 &&
                   unlisted.HoldsUpperPath("C:\\PROGRAM FILES\\KUBENCH MSI 007\\BIN\\SUB")
               ? 0
               : 1;
}

// ---- the real hives, for a feel of a whole scan --------------------------------------------

int RunHives() {
    RegistryView64 = true;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        TWizardState state;
        const double t = Now();
        ScanRegistryNormalWalk(state, root, "", nullptr, state.LeftoverList, "KuNothingHere", "", "");
        std::printf("%s: %d keys in %.2f s\n", root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU",
                    state.ScanKeyCounter, Now() - t);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "registry")
        return RunRegistry(argc > 2 ? std::atoi(argv[2]) : 200000, argc > 3 ? std::atoi(argv[3]) : 1000000);
    if (mode == "files")
        return RunFiles(argc > 2 ? std::atoi(argv[2]) : 500000, argc > 3 ? std::atoi(argv[3]) : 3);
    if (mode == "hive")
        return RunHives();
    if (mode == "others")
        return RunOthers(argc > 2 ? std::atoi(argv[2]) : 100,
                         argc > 3 ? std::atoi(argv[3]) : 20000);
    std::fprintf(stderr, "usage: bench_scans registry [KEYS VALUES] | files [FILES [ROUNDS]] | "
                         "hive | others [PRODUCTS COMPONENTS]\n");
    return 2;
}
