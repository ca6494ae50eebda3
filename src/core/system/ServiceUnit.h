// Querying, stopping and deleting Windows services through the Service Control Manager.
#pragma once

#include <windows.h>

#include <string>

namespace ku {

// Results of StopService.
enum : int {
    ServiceMissing = 0, // not installed, or it cannot be opened
    ServiceAlreadyStopped = 1,
    ServiceStopAccepted = 2, // the stop request was accepted; the service may still be stopping
    ServiceStopRefused = 3,
};
// Results of StopAndDeleteService.
enum : int {
    ServiceDeleteMissing = 0,
    ServiceDeleteFailed = 1,
    ServiceDeleted = 2, // marked for deletion; it goes once stopped and no handle is open
};

// The current state (SERVICE_STOPPED 1, SERVICE_RUNNING 4 ...); 0 when there is no manager,
// the service cannot be opened or the query fails.
int QueryServiceState(SC_HANDLE manager, const std::string& name);
bool ServiceNotInstalled(SC_HANDLE manager, const std::string& name);
bool ServiceIsStopped(SC_HANDLE manager, const std::string& name);

// Windows' own services (IsProtectedService: the core ones, those run by svchost.exe or by an
// .exe in the Windows folder) are never stopped or deleted: the stop counts as refused, the
// deletion as failed.
// Sends one stop request; does not wait for the service to stop.
int StopService(const std::string& name);
// Sends a stop request (its outcome does not count) and marks the service for deletion.
int StopAndDeleteService(const std::string& name);
// True when the stop request was accepted.
bool StopServiceByName(const std::string& name);

} // namespace ku
