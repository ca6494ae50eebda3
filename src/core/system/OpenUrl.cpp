// Opening a web address: Internet Explorer by automation (mode 1) or the shell's handler.
#include "core/system/OpenUrl.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include "core/system/ExactNames.h"
#include "core/system/Launcher.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

std::string StripOneQuotePair(std::string text) {
    if (!text.empty() && text.front() == '"')
        text.erase(0, 1);
    if (!text.empty() && text.back() == '"')
        text.pop_back();
    return text;
}

std::string ShortPath(const std::string& path) {
    std::string shortPath;
    return ExactShortPath(path, shortPath) == ERROR_SUCCESS && shortPath.size() < MAX_PATH
               ? shortPath
               : path;
}

std::string ExplorerLocalServer() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"InternetExplorer.Application", &clsid)))
        return std::string();
    wchar_t wide[64] = {};
    StringFromGUID2(clsid, wide, 64);
    char id[64] = {};
    // exact-text: a class id is hex digits, dashes and braces
    WideCharToMultiByte(CP_ACP, 0, wide, -1, id, sizeof(id), nullptr, nullptr);
    TRegistry reg(kKeyAllAccessView64);
    reg.SetRootKey(HKEY_CLASSES_ROOT);
    if (!reg.OpenKeyReadOnly(std::string("CLSID\\") + id + "\\LocalServer32", true) ||
        !reg.ValueExists(""))
        return std::string();
    return Trim(reg.ReadString(""));
}

// The shell's command for http, repaired from Internet Explorer's server when it is empty.
std::string BrowserCommand() {
    TRegistry reg(kKeyAllAccessView64);
    reg.SetRootKey(HKEY_CLASSES_ROOT);
    if (!reg.OpenKey("http\\shell\\open\\command", true, true))
        return std::string();
    std::string command = reg.ValueExists("") ? Trim(reg.ReadString("")) : std::string();
    if (!command.empty())
        return command;
    std::string server = ExplorerLocalServer();
    if (server.empty())
        return std::string();
    command = BrowserCommandFromLocalServer(server, GetProgramFilesDir());
    reg.WriteString("", command);
    return command;
}

void SetProperty(IDispatch* object, const wchar_t* name, VARIANT value) {
    DISPID id;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &named, 1, 1};
    object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                   nullptr, nullptr);
}

VARIANT IntVariant(int number) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = number;
    return value;
}

// Internet Explorer by automation, over the whole screen but the task bar.
bool OpenInExplorerWindow(const std::string& url) {
    CoInitialize(nullptr);
    CLSID clsid;
    IDispatch* explorer = nullptr;
    if (FAILED(CLSIDFromProgID(L"InternetExplorer.Application", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&explorer))))
        return false;
    SetProperty(explorer, L"Left", IntVariant(0));
    SetProperty(explorer, L"Width", IntVariant(GetSystemMetrics(SM_CXSCREEN)));
    SetProperty(explorer, L"Top", IntVariant(0));
    SetProperty(explorer, L"Height", IntVariant(GetSystemMetrics(SM_CYSCREEN) - 30));
    VARIANT visible;
    VariantInit(&visible);
    visible.vt = VT_BOOL;
    visible.boolVal = VARIANT_TRUE;
    SetProperty(explorer, L"Visible", visible);
    DISPID id;
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Navigate")};
    if (SUCCEEDED(explorer->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
        int size = MultiByteToWideChar(CP_ACP, 0, url.c_str(), -1, nullptr, 0);
        std::wstring wide(size, L'\0');
        MultiByteToWideChar(CP_ACP, 0, url.c_str(), -1, &wide[0], size);
        VARIANT address;
        VariantInit(&address);
        address.vt = VT_BSTR;
        address.bstrVal = SysAllocString(wide.c_str());
        DISPPARAMS params = {&address, nullptr, 1, 0};
        explorer->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                         nullptr, nullptr);
        VariantClear(&address);
    }
    explorer->Release();
    return true;
}

} // namespace

bool IsBrowserAddress(const std::string& url) {
    const std::string text = Trim(url);
    return StartsText(text, "http://") || StartsText(text, "https://") ||
           StartsText(text, "mailto:");
}

std::string BrowserCommandFromLocalServer(const std::string& localServer,
                                          const std::string& programFilesDir) {
    std::string path = StripOneQuotePair(Trim(localServer));
    const std::string marker = "%PROGRAMFILES%";
    size_t at = UpperCase(path).find(marker);
    if (at != std::string::npos)
        path = programFilesDir + path.erase(at, marker.size());
    return "\"" + path + "\" -nohome";
}

std::string BrowserExecutable(const std::string& command) {
    std::string text = StripOneQuotePair(command);
    size_t at = UpperCase(text).find(".EXE");
    if (at != std::string::npos)
        text.resize(at + 4);
    return Trim(text);
}

void OpenURL(int mode, const std::string& url) {
    if (!IsBrowserAddress(url))
        return;
    if (mode == 1 && OpenInExplorerWindow(url))
        return;
    std::string command;
    try {
        command = BrowserCommand();
    } catch (const ERegistryException&) {
        // a handler value of another type: the shell alone decides
    }
    if (RunShellExecute(nullptr, "open", url, "", "", SW_SHOWNORMAL))
        return;
    if (!command.empty())
        command = ShortPath(BrowserExecutable(command));
    if (ContainsText(url, "HTTP") && !command.empty())
        RunWinExec(command + " " + url, SW_SHOWMAXIMIZED);
}

} // namespace ku
