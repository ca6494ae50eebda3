// The main window's hand-over, Winlogon repair and program path.
#include "core/programs/MainWindowLogic.h"

#include <algorithm>

#include <windows.h>

#include "core/system/ExactNames.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

UninstallWizardRequest MakeNormalUninstallRequest(const UninstallItemUnit::TContent& record,
                                                  const std::string& rowCaption, int imageIndex) {
    UninstallWizardRequest request;
    request.Caption = "Uninstall Wizard";
    request.ImageIndex = imageIndex;
    request.ProgramName = rowCaption;
    request.Version = record.DisplayVersion;
    request.InstallDate = FormatInstallDate(record.InstallDate); // as the main window shows it
    request.InstallLocation = record.InstallLocation;
    request.HelpLink = record.HelpLink;
    request.Publisher = record.Publisher;
    request.HomePage = record.URLInfoAbout;
    request.UpdateLink = record.URLUpdateInfo;
    request.DisplayName = record.DisplayName;
    request.UninstallKeyName = record.SubKeyName;
    request.Inexact = record.Inexact;
    const std::string modifyPath = Trim(record.ModifyPath);
    if (IsNortonOrSymantec(record.DisplayName) && !modifyPath.empty() &&
        record.ModifyPath != kNotAvailable) {
        request.UninstallCommand = record.ModifyPath;
        request.NortonFlag = "1";
    } else {
        request.UninstallCommand = NormalizeUninstallCommand(record.UninstallString);
    }
    return request;
}

int RepairWinlogon(const std::string& systemFolder, const std::string& keyPath) {
    TRegistry registry(kKeyAllAccessView64);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(keyPath, false))
        return 0;
    auto current = [&registry](const char* name) {
        try {
            return registry.ValueExists(name) ? registry.ReadString(name) : std::string();
        } catch (const std::exception&) {
            return std::string();
        }
    };
    int written = 0;
    try {
        // Without a real system folder there is nothing safe to write: a Userinit of
        // "\userinit.exe," would stop every logon.
        const std::string userinit = systemFolder + "\\userinit.exe,";
        if (!Trim(systemFolder).empty() && UpperCase(current("Userinit")) != UpperCase(userinit)) {
            registry.WriteString("Userinit", userinit);
            ++written;
        }
        if (UpperCase(current("Shell")) != "EXPLORER.EXE") {
            registry.WriteString("Shell", "Explorer.exe");
            ++written;
        }
    } catch (const std::exception&) {
    }
    return written;
}

ListColumnWidths FitListColumnWidths(int clientWidth, int dateText, int publisherText) {
    const int dateMin = 80, publisherMin = 100, scrollBar = 20;
    // The names are what the user picks by: one long publisher never takes their room.
    const int nameMin = std::max(120, clientWidth - (dateMin + publisherMin + scrollBar));
    ListColumnWidths widths;
    // A date is short and always shown whole; a publisher only as far as the names keep theirs.
    widths.date = std::max(dateMin, dateText);
    widths.publisher = std::max(
        publisherMin, std::min(publisherText, clientWidth - scrollBar - nameMin - widths.date));
    widths.name = std::max(120, clientWidth - scrollBar - widths.date - widths.publisher);
    return widths;
}

bool WriteMainProgram(const std::string& exePath, const std::string& keyPath) {
    TRegistry registry(kKeyAllAccessView64);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(keyPath, false))
        return false;
    std::string value;
    if (ExactShortPath(exePath, value) != ERROR_SUCCESS)
        value = exePath;
    try {
        registry.WriteString("MainProgram", value);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace ku
