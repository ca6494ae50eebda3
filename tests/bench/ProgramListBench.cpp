// Fills COUNT (2,000) Uninstall entries below a key of its own and measures the main window's
// full reload (BuildProgramList, sort, FillProgramListView with icons) against a raw walk that
// opens the same keys once and reads their values in one enumeration each, in the same run;
// the goal is at most 1.5 times the raw walk. The entries name a dozen distinct icon files, so
// the icons are looked up once per file. It checks that both found every entry and value it
// made, and ends with 1 when not or when the goal is missed. Run inside the sandbox:
//   scripts/wine-sandbox up build/sandbox
//   scripts/wine-run build/sandbox build/tests/bench/bench_programlist.exe [COUNT]
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/programs/ProgramListBuilder.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/ui/DataModule.h"
#include "core/ui/main/MainUnit.h"

namespace {

const char* const kBenchKey = "Software\\KelvaneBench\\Uninstall";
// The values FillEntries gives each entry.
const int kValuesPerEntry = 6;
// The filled list may take at most this many times the raw walk.
const double kGoalFactor = 1.5;
// Rounds of each measurement; the fastest counts, as other work on the machine only slows.
const int kRounds = 5;

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void SetText(HKEY key, const char* name, const std::string& text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

void FillEntries(int count) {
    const std::string windows = ku::GetWindowsDir(), system = ku::GetSystemDir();
    const std::vector<std::string> icons = {
        windows + "\\notepad.exe", windows + "\\regedit.exe",  windows + "\\explorer.exe",
        system + "\\msiexec.exe",  system + "\\cmd.exe",       system + "\\calc.exe",
        system + "\\notepad.exe",  system + "\\winver.exe",    system + "\\taskmgr.exe",
        system + "\\control.exe",  system + "\\shell32.dll,3", system + "\\shell32.dll,-4"};
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "BenchProgram%04d", i);
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kBenchKey) + "\\" + name).c_str(), 0,
                        nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr);
        const std::string& icon = icons[static_cast<size_t>(i) % icons.size()];
        SetText(key, "DisplayName",
                std::string("Bench Program ") + std::to_string((i * 7919) % count));
        SetText(key, "UninstallString", "\"C:\\Bench\\" + std::string(name) + "\\unins.exe\" /x");
        SetText(key, "DisplayIcon", icon);
        SetText(key, "DisplayVersion", "1." + std::to_string(i));
        SetText(key, "Publisher", "Publisher " + std::to_string(i % 37));
        SetText(key, "InstallDate", "2020" + std::to_string(1001 + i % 28));
        RegCloseKey(key);
    }
}

// Opens every entry once and reads all its values in one enumeration, as the list does: the
// fastest plain way to have what the list reads.
int RawWalk() {
    HKEY root = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBenchKey, 0, KEY_READ | KEY_WOW64_64KEY, &root) != 0)
        return 0;
    int found = 0;
    char name[256], valueName[16384];
    BYTE data[2048];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(root, index, name, &length, nullptr, nullptr, nullptr, nullptr) != 0)
            break;
        HKEY entry = nullptr;
        if (RegOpenKeyExA(root, name, 0, KEY_READ | KEY_WOW64_64KEY, &entry) != 0)
            continue;
        for (DWORD value = 0;; ++value) {
            DWORD nameLength = sizeof(valueName), size = sizeof(data), type;
            if (RegEnumValueA(entry, value, valueName, &nameLength, nullptr, &type, data, &size) !=
                0)
                break;
            ++found;
        }
        RegCloseKey(entry);
    }
    RegCloseKey(root);
    return found;
}

void RemoveEntries() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\KelvaneBench");
    HKEY software = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                      &software) == 0) {
        RegDeleteTreeA(software, "KelvaneBench");
        RegCloseKey(software);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    RemoveEntries();
    FillEntries(count);
    ku::RegistryView64 = true;

    ku::TDM dataModule;
    ku::TUnInstallForm form;
    form.Places.uninstallKey = std::string("\\") + kBenchKey;
    if (!form.Create(nullptr)) {
        std::printf("cannot create the main window\n");
        RemoveEntries();
        return 2;
    }
    // Warm both paths once, so neither pays the first registry touch alone.
    RawWalk();
    form.RefreshBtnClick();

    double rawSeconds = 1e9, listSeconds = 1e9, buildSeconds = 1e9;
    int values = 0;
    for (int round = 0; round < kRounds; ++round) {
        double start = Now();
        values = RawWalk();
        rawSeconds = std::min(rawSeconds, Now() - start);
        start = Now();
        form.RefreshBtnClick();
        listSeconds = std::min(listSeconds, Now() - start);
        ku::TUninstallContents alone;
        start = Now();
        ku::BuildProgramList(alone, false, form.Places);
        buildSeconds = std::min(buildSeconds, Now() - start);
    }
    const int rows = ListView_GetItemCount(form.ListView());
    const int lookups = form.Icons()->Lookups();
    form.Close();
    RemoveEntries();

    const double factor = rawSeconds > 0 ? listSeconds / rawSeconds : 0;
    std::printf("entries %d, fastest of %d rounds: raw walk %.1f ms (%d values), list with icons "
                "%.1f ms (%d rows, %d icon lookups; the registry part alone %.1f ms), factor "
                "%.2f (goal: at most %.1f)\n",
                count, kRounds, rawSeconds * 1000, values, listSeconds * 1000, rows, lookups,
                buildSeconds * 1000, factor, kGoalFactor);
    const bool found = rows == count && values == count * kValuesPerEntry;
    if (!found)
        std::printf("the walks did not find what was made: %d rows, %d values of %d\n", rows,
                    values, count * kValuesPerEntry);
    return found && factor <= kGoalFactor ? 0 : 1;
}
