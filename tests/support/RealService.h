// Test support: a real service of the test's own, created through the service manager with the
// binary path given and deleted at the end (its process ended if it still runs).
#pragma once

#include <windows.h>

#include <string>

#include "core/system/Handles.h"
#include "support/Spawn.h"

namespace kutest {

class RealService {
  public:
    RealService(const std::string& name, const std::string& binaryPath, DWORD type)
        : name_(name), manager_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
        created_ = static_cast<bool>(ku::UniqueService(
            CreateServiceA(manager_.get(), name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS, type,
                           SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binaryPath.c_str(), nullptr,
                           nullptr, nullptr, nullptr, nullptr)));
    }
    ~RealService() {
        if (const ku::UniqueService service = Open(SERVICE_ALL_ACCESS)) {
            SERVICE_STATUS status;
            ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
            DeleteService(service.get());
        }
        if (process_ && WaitForSingleObject(process_.get(), 3000) == WAIT_TIMEOUT)
            TerminateProcess(process_.get(), 0);
    }
    const std::string& Name() const { return name_; }
    bool Created() const { return created_; }
    bool Start() {
        const ku::UniqueService service = Open(SERVICE_ALL_ACCESS);
        // Wine's service manager may keep its database locked for a while after the prefix
        // starts, and may answer a slow start with a time-out and still start the service.
        bool refused = !service;
        const bool started = !refused && WaitFor([&] {
            if (StartServiceA(service.get(), 0, nullptr) || State() == SERVICE_RUNNING)
                return true;
            const DWORD error = GetLastError();
            return refused = error != ERROR_SERVICE_DATABASE_LOCKED &&
                             error != ERROR_SERVICE_REQUEST_TIMEOUT &&
                             error != ERROR_SERVICE_ALREADY_RUNNING;
        }, 240000) && !refused && WaitFor([&] { return State() == SERVICE_RUNNING; }, 30000);
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        if (QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                                 reinterpret_cast<BYTE*>(&status), sizeof status, &needed))
            process_.reset(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId));
        return started;
    }
    DWORD State() const {
        const ku::UniqueService service = Open(SERVICE_QUERY_STATUS);
        SERVICE_STATUS status = {};
        return service && QueryServiceStatus(service.get(), &status) ? status.dwCurrentState : 0;
    }
    // The manager says it has no such service. A manager that does not answer (one Wine is
    // starting again) says nothing yet, and is asked again for a while.
    bool Gone() const {
        bool gone = false;
        WaitFor([&] {
            ku::UniqueService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
            if (!manager)
                return false;
            if (ku::UniqueService(OpenServiceA(manager.get(), name_.c_str(), SERVICE_QUERY_STATUS)))
                return true; // still there: not gone
            gone = GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
            return gone;
        });
        return gone;
    }

  private:
    ku::UniqueService Open(DWORD access) const {
        return ku::UniqueService(OpenServiceA(manager_.get(), name_.c_str(), access));
    }

    std::string name_;
    ku::UniqueService manager_;
    bool created_ = false;
    ku::UniqueHandle process_;
};

} // namespace kutest
