// The update check over WinINet.
#include "core/settings/UpdateCheck.h"

#include <wininet.h>

#include <vector>

#include "core/system/Dialogs.h"
#include "core/system/Handles.h"
#include "core/system/Launcher.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

using UniqueInternet =
    UniqueAny<Traits<HINTERNET, decltype(&::InternetCloseHandle), &::InternetCloseHandle>>;

const char* const kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
const DWORD kReadTimeoutMs = 5000;
// The descriptor is a few lines; anything this large is not one.
const size_t kMaxBody = 4 * 1024 * 1024;

struct UrlParts {
    std::string host;
    std::string object;
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
    bool secure = false;
};

bool SplitUrl(const std::string& url, UrlParts& parts) {
    char host[256] = {};
    char object[2048] = {};
    URL_COMPONENTSA components = {};
    components.dwStructSize = sizeof(components);
    components.lpszHostName = host;
    components.dwHostNameLength = sizeof(host);
    components.lpszUrlPath = object;
    components.dwUrlPathLength = sizeof(object);
    // exact-text: splits the program's own address
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &components))
        return false;
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    parts.host = host;
    parts.object = object[0] ? object : "/";
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return !parts.host.empty();
}

bool IsLoopback(const std::string& host) {
    return SameText(host, "localhost") || StartsText(host, "127.");
}

void SetTimeouts(HINTERNET handle) {
    DWORD timeout = kReadTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_CONNECT_TIMEOUT})
        InternetSetOptionA(handle, option, &timeout, sizeof(timeout));
}

bool StatusIsSuccess(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    // exact-text: asks for the status as a number
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr))
        return false;
    return status >= 200 && status < 300;
}

bool ReadBody(HINTERNET request, std::string& body) {
    char block[4096];
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request, block, sizeof(block), &read))
            return false;
        if (read == 0)
            return true;
        body.append(block, read);
        if (body.size() > kMaxBody)
            return false;
    }
}

bool HttpGet(const std::string& url, std::string& body) {
    UrlParts parts;
    if (!SplitUrl(url, parts))
        return false;
    // A local address never goes through a proxy.
    DWORD access =
        IsLoopback(parts.host) ? INTERNET_OPEN_TYPE_DIRECT : INTERNET_OPEN_TYPE_PRECONFIG;
    UniqueInternet session(InternetOpenA(kUserAgent, access, nullptr, nullptr, 0));
    if (!session)
        return false;
    SetTimeouts(session.get());
    UniqueInternet connection(InternetConnectA(session.get(), parts.host.c_str(), parts.port,
                                               nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return false;
    const char* accept[] = {"text/html", "*/*", nullptr};
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                  (parts.secure ? INTERNET_FLAG_SECURE : 0);
    UniqueInternet request(HttpOpenRequestA(connection.get(), "GET", parts.object.c_str(), nullptr,
                                            nullptr, accept, flags, 0));
    if (!request)
        return false;
    SetTimeouts(request.get());
    const char* headers = "Content-Type: text/html\r\n";
    // WinINet follows redirects itself unless INTERNET_FLAG_NO_AUTO_REDIRECT is given.
    if (!HttpSendRequestA(request.get(), headers, static_cast<DWORD>(-1), nullptr, 0))
        return false;
    return StatusIsSuccess(request.get()) && ReadBody(request.get(), body);
}

bool WriteWholeFile(const std::string& fileName, const std::string& body) {
    UniqueFile file(CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), body.data(), static_cast<DWORD>(body.size()), &written, nullptr) &&
           written == body.size();
}

} // namespace

bool DownloadFile(const std::string& url, const std::string& fileName) {
    std::string body;
    // The whole body is fetched first, so a failed download never leaves half a file.
    if (!HttpGet(url, body))
        return false;
    return WriteWholeFile(fileName, body);
}

std::string GetInstalledVersion(const std::string& keyPath) {
    TRegistry reg(IsWow64() ? kKeyAllAccessView64 : kKeyAllAccess);
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKey(keyPath, true) || !reg.ValueExists("Version"))
        return std::string();
    try {
        return reg.ReadString("Version");
    } catch (const ERegistryException&) {
        return std::string();
    }
}

bool IsVersionNewer(const std::string& offered, const std::string& installed) {
    return offered.compare(installed) > 0;
}

bool IsNewerVersionAvailable(const std::string& programDir, const std::string& keyPath) {
    const std::string iniFile = JoinPath(programDir, "Update.ini");
    if (!DownloadFile(MakerUrl(kUpdateDescriptorPath), iniFile))
        return false;
    char version[256] = {};
    // exact-text: a version text, only compared with another; never a name acted on
    GetPrivateProfileStringA("Version", "Ver", "", version, sizeof(version), iniFile.c_str());
    return IsVersionNewer(version, GetInstalledVersion(keyPath));
}

bool CheckForUpdate(bool interactive, IUpdateWaitWindow* wait, const UpdateCheckPlaces& places) {
    const bool showWait = interactive && wait != nullptr;
    if (showWait)
        wait->Show();
    const bool newer = IsNewerVersionAvailable(places.programDir, places.keyPath);
    if (showWait)
        wait->Close();
    if (newer) {
        if (ShowMessageBox(places.owner, kUpdateQuestion, kAppCaption,
                           MB_YESNO | MB_ICONINFORMATION) != IDYES)
            return false;
        RunShellExecute(places.owner, "open", JoinPath(places.programDir, "Update.exe"), "", "",
                        SW_SHOW);
        return true;
    }
    if (interactive)
        ShowMessageBox(places.owner, kNoUpdateMessage, kAppCaption, MB_OK | MB_ICONINFORMATION);
    return false;
}

} // namespace ku
