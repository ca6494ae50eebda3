// Service control: each operation opens the local manager and closes every handle it opened.
#include "core/system/ServiceUnit.h"

#include "core/system/DeleteHelpers.h"
#include "core/system/Handles.h"

namespace ku {

namespace {

UniqueService OpenManager() {
    return UniqueService(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

UniqueService OpenNamed(SC_HANDLE manager, const std::string& name, DWORD access) {
    // An empty name would open nothing useful; refuse it before the manager sees it.
    if (!manager || name.empty())
        return UniqueService();
    return UniqueService(OpenServiceA(manager, name.c_str(), access));
}

bool SendStop(SC_HANDLE service) {
    SERVICE_STATUS status = {};
    return ControlService(service, SERVICE_CONTROL_STOP, &status) != FALSE;
}

} // namespace

int QueryServiceState(SC_HANDLE manager, const std::string& name) {
    UniqueService service = OpenNamed(manager, name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status = {};
    if (!service || !QueryServiceStatus(service.get(), &status))
        return 0;
    return static_cast<int>(status.dwCurrentState);
}

bool ServiceNotInstalled(SC_HANDLE manager, const std::string& name) {
    return QueryServiceState(manager, name) == 0;
}

bool ServiceIsStopped(SC_HANDLE manager, const std::string& name) {
    return QueryServiceState(manager, name) == SERVICE_STOPPED;
}

int StopService(const std::string& name) {
    UniqueService manager = OpenManager();
    if (ServiceNotInstalled(manager.get(), name))
        return ServiceMissing;
    if (ServiceIsStopped(manager.get(), name))
        return ServiceAlreadyStopped;
    if (IsProtectedService(name))
        return ServiceStopRefused;
    UniqueService service = OpenNamed(manager.get(), name, SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service)
        return ServiceMissing;
    return SendStop(service.get()) ? ServiceStopAccepted : ServiceStopRefused;
}

int StopAndDeleteService(const std::string& name) {
    UniqueService manager = OpenManager();
    if (ServiceNotInstalled(manager.get(), name))
        return ServiceDeleteMissing;
    if (IsProtectedService(name))
        return ServiceDeleteFailed;
    UniqueService service =
        OpenNamed(manager.get(), name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    if (!service)
        return ServiceDeleteMissing;
    SendStop(service.get());
    return DeleteService(service.get()) ? ServiceDeleted : ServiceDeleteFailed;
}

bool StopServiceByName(const std::string& name) {
    if (IsProtectedService(name))
        return false;
    UniqueService manager = OpenManager();
    UniqueService service = OpenNamed(manager.get(), name, SERVICE_STOP);
    return service && SendStop(service.get());
}

} // namespace ku
