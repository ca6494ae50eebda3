// The repair sets as data: command templates with <S> (system folder) and <W> (Windows folder).
#include "core/settings/RepairSets.h"

#include "core/system/Launcher.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

struct StepTemplate {
    const char* command; // nullptr: a pause
    int show;
    DWORD pauseMs;
};

struct SetTemplate {
    const char* caption;
    const char* resultLine;
    std::vector<StepTemplate> steps;
};

constexpr int kNormal = SW_SHOWNORMAL;

StepTemplate Run(const char* command, int show = kNormal) {
    return {command, show, 0};
}
StepTemplate Pause(DWORD ms) {
    return {nullptr, kNormal, ms};
}

const std::vector<SetTemplate>& Sets() {
    static const std::vector<SetTemplate> sets = {
        {"Restore script analysis(Link failed on the webpage)",
         "Restore script analysis!",
         {Run("regsvr32 <S>\\actxprxy.dll  /s"), Run("regsvr32 <S>\\shdocvw.dll  /s"),
          Run("regsvr32 <S>\\oleaut32.dll  /s"), Run("regsvr32 <S>\\browseui.dll  /s"),
          Run("regsvr32 <S>\\urlmon.dll  /s"), Run("regsvr32 <S>\\jscript.dll  /s"),
          Run("regsvr32 <S>\\vbscript.dll  /s")}},
        {"Restore winsock (Connection failed)",
         "Restore winsock!",
         {Run("netsh winsock reset", SW_HIDE), Run("netsh firewall reset", SW_HIDE)}},
        // regsvr32 documents "/u" for unregistering; "/uninstall" only works where the
        // first letter is all that is read.
        {"Restore system default association (System icon error)",
         "Restore system default association!",
         {Run("regsvr32 <S>\\shdocvw.dll  /u /s"), Run("regsvr32 <S>\\shell32.dll  /u /s"),
          Pause(2000), Run("rundll32.exe DefaultInstall <W>\\inf\\shell.inf"),
          Run("regsvr32 <S>\\shdocvw.dll  /s"), Run("regsvr32 <S>\\shell32.dll  /s")}},
        {"Restore applicable exe file association (Launch application failed) ",
         "Restore applicable exe file association!",
         {Run("<S>\\cmd.exe /c assoc .exe=exefile")}},
        {"Restore MSI installation (MSI files installation errors)",
         "Restore MSI installation!",
         {Run("<S>\\msiexec.exe /unregserver"), Pause(500), Run("regsvr32 <S>\\msi.dll /s"),
          Run("regsvr32 <S>\\msihnd.dll /s"), Run("regsvr32 <S>\\msimsg.dll /s"),
          Run("regsvr32 <S>\\msisip.dll /s"), Run("<S>\\cmd.exe /c assoc .msi=Msi.Package"),
          Run("<S>\\cmd.exe /c assoc .msp=Msi.Patch"), Pause(500),
          Run("<S>\\msiexec.exe /regserver")}},
        {"Re-register system components(This procession will take a few minutes)",
         "Re-register system components!",
         {Run("<S>\\cmd.exe /c for %1 in (%windir%\\system32\\*.dll) do regsvr32.exe /s %1")}},
    };
    return sets;
}

bool ValidIndex(int index) {
    return index >= 0 && index < kRepairSetCount;
}

} // namespace

const char* RepairSetCaption(int index) {
    return ValidIndex(index) ? Sets()[index].caption : "";
}

const char* RepairSetResultLine(int index) {
    return ValidIndex(index) ? Sets()[index].resultLine : "";
}

std::vector<RepairStep> RepairSetSteps(int index, const std::string& systemDir,
                                       const std::string& windowsDir) {
    std::vector<RepairStep> steps;
    if (!ValidIndex(index))
        return steps;
    for (const StepTemplate& step : Sets()[index].steps) {
        RepairStep made;
        made.show = step.show;
        made.pauseMs = step.pauseMs;
        if (step.command)
            made.commandLine =
                ReplaceAll(ReplaceAll(step.command, "<S>", systemDir), "<W>", windowsDir);
        steps.push_back(made);
    }
    return steps;
}

std::string RunRepairSets(const std::array<bool, kRepairSetCount>& ticked,
                          const std::string& systemDir, const std::string& windowsDir,
                          const RepairSleep& sleep) {
    std::string result;
    for (int index = 0; index < kRepairSetCount; ++index) {
        if (!ticked[index])
            continue;
        for (const RepairStep& step : RepairSetSteps(index, systemDir, windowsDir)) {
            if (step.commandLine.empty())
                sleep ? sleep(step.pauseMs) : Sleep(step.pauseMs);
            else
                RunWinExec(step.commandLine, step.show);
        }
        // The first set's line starts the text; every other set's line begins a new line.
        result += (index == 0 ? "" : "\r") + std::string(RepairSetResultLine(index));
    }
    return result;
}

} // namespace ku
