// Test support: a real service of the test's own.
#include "support/Services.h"

namespace kutest {

RealService::RealService(const std::string& name, const std::string& binaryPath, DWORD type)
    : name_(name), manager_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
    SC_HANDLE service = CreateServiceA(
        manager_, name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS, type, SERVICE_DEMAND_START,
        SERVICE_ERROR_IGNORE, binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
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
