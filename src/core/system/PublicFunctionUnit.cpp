// Small system services: cmd.exe quoting, dates, version names, child processes.
#include "core/system/PublicFunctionUnit.h"

#include "core/system/DeleteHelpers.h"
#include "core/system/Launcher.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

const char* const kMonthNames[12] = {"Jan.",  "Feb.", "Mar.",  "Apr.", "May.", "June.",
                                     "July.", "Aug.", "Sept.", "Oct.", "Nov.", "Dec."};

// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar.
long long DaysFromCivil(int year, unsigned month, unsigned day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

constexpr long long kDaysFrom1899To1970 = 25569;

void ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace

std::string QuoteSpacesForCmd(const std::string& path) {
    // The whole path goes in double quotes, so blanks, "&", "|", "<", ">", "(", ")" and "^"
    // stay part of it. cmd.exe expands "%NAME%" even inside quotes, but leaves a name it does
    // not know alone: an empty pair of quotes after each "%" puts a quote into every name that
    // could form, and the argument still reads as one word. A quote cannot be part of a file
    // name.
    std::string quoted = "\"";
    for (char c : Trim(path)) {
        if (c == '"')
            continue;
        quoted += c;
        if (c == '%')
            quoted += "\"\"";
    }
    return quoted + "\"";
}

TDateTime FileTimeToDateTime(const FILETIME& fileTime) {
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&fileTime, &local) || !FileTimeToSystemTime(&local, &st))
        return 0;
    const double days =
        static_cast<double>(DaysFromCivil(st.wYear, st.wMonth, st.wDay) + kDaysFrom1899To1970);
    const double seconds =
        st.wHour * 3600.0 + st.wMinute * 60.0 + st.wSecond + st.wMilliseconds / 1000.0;
    return days + seconds / 86400.0;
}

bool DeleteFileInWindowsDir(const std::string& fileName) {
    return DeleteNamedSystemFile(GetWindowsDir(), fileName);
}

bool DeleteFileInSystemDir(const std::string& fileName) {
    return DeleteNamedSystemFile(GetSystemDir(), fileName);
}

std::string WindowsVersionName(DWORD platform, DWORD major, DWORD minor, bool wow64) {
    const std::string bits = wow64 ? "64" : "32";
    if (platform == VER_PLATFORM_WIN32s)
        return "WIN32s";
    if (platform == VER_PLATFORM_WIN32_WINDOWS) {
        switch (minor) {
        case 0:
            return "WIN95";
        case 10:
            return "WIN98";
        case 90:
            return "WINMe";
        default:
            return std::string();
        }
    }
    if (platform != VER_PLATFORM_WIN32_NT)
        return std::string();
    if (major < 5)
        return "WINNT";
    if (major == 5 && minor <= 2)
        return minor == 0 ? "WIN2000" : minor == 1 ? "WINXP" : "WIN2003";
    if (major == 6 && minor == 0)
        return "WINVISTA(" + bits + ")";
    if (major == 6 && minor == 1)
        return "WIN7(" + bits + ")";
    return std::string();
}

std::string GetWindowsVersionName() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    // exact-text: reads the version numbers only
    if (!GetVersionExA(&info))
        return std::string();
#pragma GCC diagnostic pop
    // Only the Vista and 7 names carry the bitness; nothing else asks for it.
    const bool needsBits = info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion == 6 &&
                           info.dwMinorVersion <= 1;
    return WindowsVersionName(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                              needsBits && IsWow64());
}

bool IsNortonOrSymantec(const std::string& name) {
    return name.find("Norton") != std::string::npos || name.find("Symantec") != std::string::npos;
}

std::string FormatInstallDate(const std::string& text) {
    const std::string date = Trim(text);
    if (date.size() != 8)
        return kNotAvailable;
    const std::string month = date.substr(4, 2);
    if (month.find_first_not_of("0123456789") != std::string::npos)
        return kNotAvailable;
    const int number = std::stoi(month);
    if (number < 1 || number > 12)
        return kNotAvailable;
    return Format("%s %s, %s", kMonthNames[number - 1], date.substr(6, 2).c_str(),
                  date.substr(0, 4).c_str());
}

int RunProcessAndWait(const std::string& commandLine, int showMode) {
    LaunchRequest request;
    request.kind = LaunchRequest::Kind::Process;
    request.commandLine = commandLine;
    request.directory = ProgramDir();
    request.show = showMode;
    request.captureOutput = true;
    request.waitForExit = true;
    request.afterOutput = ProcessPendingMessages;
    LaunchResult result = Launch(request);
    if (!result.ok || !result.exited)
        return -1;
    return static_cast<int>(result.exitCode);
}

void ReRegisterScriptEngines() {
    const std::string system = GetSystemDir();
    RunWinExec("regsvr32 " + system + "\\jscript.dll  /s", SW_SHOWNORMAL);
    RunWinExec("regsvr32 " + system + "\\vbscript.dll  /s", SW_SHOWNORMAL);
}

} // namespace ku
