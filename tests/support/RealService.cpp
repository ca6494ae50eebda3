// Test support: the start of a real service, which Wine's service manager may keep waiting.
#include "support/RealService.h"

namespace kutest {

bool RealService::Start() {
    const ku::UniqueService service = Open(SERVICE_ALL_ACCESS);
    if (!service)
        return false;
    // Wine's service manager may keep its database locked for a while after the prefix
    // starts, and may answer a slow start with a time-out and still start the service.
    bool started = false;
    for (const DWORD until = GetTickCount() + 240000; GetTickCount() < until; Sleep(200)) {
        if ((started = StartServiceA(service.get(), 0, nullptr) || State() == SERVICE_RUNNING))
            break;
        const DWORD error = GetLastError();
        if (error != ERROR_SERVICE_DATABASE_LOCKED && error != ERROR_SERVICE_REQUEST_TIMEOUT &&
            error != ERROR_SERVICE_ALREADY_RUNNING)
            break;
    }
    for (int i = 0; started && i < 600 && State() != SERVICE_RUNNING; ++i)
        Sleep(50);
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                             reinterpret_cast<BYTE*>(&status), sizeof status, &needed) &&
        status.dwProcessId)
        process_.reset(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId));
    return started && State() == SERVICE_RUNNING;
}

} // namespace kutest
