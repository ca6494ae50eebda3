// Test helpers of the force-mode tests.
#include "ForceSupport.h"

#include <algorithm>

namespace kutest {

OwnKey::OwnKey(HKEY root, const std::string& path) : root_(root), path_(path) {
    RawDeleteTree(root_, path_);
    RawCreateKey(root_, path_);
}

OwnKey::~OwnKey() {
    RawDeleteTree(root_, path_);
}

void OwnKey::SetString(const std::string& sub, const std::string& name, const std::string& value,
                       DWORD type) const {
    RawSetString(root_, Sub(sub), name, value, 0, type);
}

void OwnKey::SetBinary(const std::string& sub, const std::string& name,
                       const std::string& bytes) const {
    RawSetValue(root_, Sub(sub), name, REG_BINARY, bytes);
}

void OwnKey::SetDword(const std::string& sub, const std::string& name, DWORD value) const {
    RawSetDword(root_, Sub(sub), name, value);
}

std::string ItemText(const char* type, const std::string& root, const std::string& key,
                     const std::string& value, const std::string& file) {
    return std::string(type) + "|" + root + "|" + key + "|" + value + "|" + file;
}

std::vector<std::string> ItemTexts(const ku::TUninstallerContents& list) {
    std::vector<std::string> texts;
    for (int i = 0; i < list.Count(); ++i) {
        const ku::TContent& c = list.GetItem(i).Content;
        texts.push_back(ItemText(c.ItemType.c_str(), c.RootKeyName, c.KeyPath, c.ValueName,
                                 c.FilePath));
    }
    return texts;
}

bool HasItem(const ku::TUninstallerContents& list, const std::string& text) {
    const std::vector<std::string> texts = ItemTexts(list);
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return _stricmp(t.c_str(), text.c_str()) == 0; });
}

int CountItems(const ku::TUninstallerContents& list, const std::string& part) {
    int count = 0;
    for (const std::string& text : ItemTexts(list))
        if (text.find(part) != std::string::npos)
            ++count;
    return count;
}

std::string UniqueTag(const std::string& prefix) {
    static int counter = 0;
    return prefix + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(++counter);
}

} // namespace kutest

namespace kutest {

RealService::RealService(const std::string& name, const std::string& binaryPath, DWORD type)
    : name_(name), manager_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
    SC_HANDLE service = CreateServiceA(manager_, name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                                       type, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                       binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr,
                                       nullptr);
    created_ = service != nullptr;
    if (service)
        CloseServiceHandle(service);
}

RealService::~RealService() {
    SC_HANDLE service = OpenServiceA(manager_, name_.c_str(), SERVICE_ALL_ACCESS);
    if (service) {
        SERVICE_STATUS status;
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        DeleteService(service);
        CloseServiceHandle(service);
    }
    if (process_) {
        if (WaitForSingleObject(process_, 3000) == WAIT_TIMEOUT)
            TerminateProcess(process_, 0);
        CloseHandle(process_);
    }
    CloseServiceHandle(manager_);
}

bool RealService::Start() {
    SC_HANDLE service = OpenServiceA(manager_, name_.c_str(), SERVICE_ALL_ACCESS);
    if (!service)
        return false;
    // Wine's service manager may keep its database locked for a while after the prefix
    // starts, and may answer a slow start with a time-out and still start the service.
    const DWORD until = GetTickCount() + 240000;
    bool started = false;
    while (!started && GetTickCount() < until) {
        if (StartServiceA(service, 0, nullptr) || State() == SERVICE_RUNNING) {
            started = true;
            break;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_SERVICE_DATABASE_LOCKED && error != ERROR_SERVICE_REQUEST_TIMEOUT &&
            error != ERROR_SERVICE_ALREADY_RUNNING)
            break;
        Sleep(200);
    }
    for (int i = 0; started && i < 600 && State() != SERVICE_RUNNING; ++i)
        Sleep(50);
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                             sizeof status, &needed) &&
        status.dwProcessId)
        process_ = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId);
    CloseServiceHandle(service);
    return started && State() == SERVICE_RUNNING;
}

DWORD RealService::State() const {
    SC_HANDLE service = OpenServiceA(manager_, name_.c_str(), SERVICE_QUERY_STATUS);
    if (!service)
        return 0;
    SERVICE_STATUS status = {};
    const DWORD state = QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
    CloseServiceHandle(service);
    return state;
}

bool RealService::Gone() const {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, name_.c_str(), SERVICE_QUERY_STATUS);
    const bool gone = service == nullptr;
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return gone;
}

} // namespace kutest
