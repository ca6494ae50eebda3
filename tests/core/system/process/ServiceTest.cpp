// Real services run by the prefix's service manager: query, stop, stop and delete.
#include <gtest/gtest.h>

#include "core/system/Handles.h"
#include "core/system/ServiceUnit.h"
#include "support/Spawn.h"

using namespace ku;

namespace {

// A service of its own for one test, created and started with the raw API and always
// deleted (and its process ended) at the end.
class TestService {
public:
    explicit TestService(const std::string& suffix, bool acceptsStop = true)
        : name_("KuTest" + suffix + std::to_string(GetCurrentProcessId())),
          manager_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
        std::string binary =
            kutest::Fixture("kusvc.exe") + " " + name_ + (acceptsStop ? "" : " nostop");
        UniqueService created(
            CreateServiceA(manager_.get(), name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                           binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        created_ = static_cast<bool>(created);
    }
    ~TestService() {
        UniqueService service(OpenServiceA(manager_.get(), name_.c_str(), SERVICE_ALL_ACCESS));
        if (service)
            DeleteService(service.get());
        // Kept from the start: a service that refuses to stop is ended from outside.
        if (process_) {
            TerminateProcess(process_.get(), 0);
            WaitForSingleObject(process_.get(), 5000);
        }
    }
    const std::string& Name() const { return name_; }
    SC_HANDLE Manager() const { return manager_.get(); }
    bool Created() const { return created_; }
    bool Start() {
        UniqueService service(OpenServiceA(manager_.get(), name_.c_str(), SERVICE_ALL_ACCESS));
        if (!service)
            return false;
        // Right after the prefix boots, Wine's service manager keeps its database locked
        // for up to a minute while its own drivers start, and may answer a slow start with a
        // time-out and still start the service; both are waited out.
        const bool started = kutest::WaitFor(
            [&] {
                if (StartServiceA(service.get(), 0, nullptr) || State() == SERVICE_RUNNING)
                    return true;
                const DWORD error = GetLastError();
                return error != ERROR_SERVICE_DATABASE_LOCKED &&
                       error != ERROR_SERVICE_REQUEST_TIMEOUT &&
                       error != ERROR_SERVICE_ALREADY_RUNNING;
            },
            120000);
        if (!started || !kutest::WaitFor([&] { return State() == SERVICE_RUNNING; }, 30000))
            return false;
        KeepProcess(service.get());
        return true;
    }
    int State() const { return QueryServiceState(manager_.get(), name_); }
    bool Gone() const {
        // Deleted services vanish once stopped and no handle to them is left.
        UniqueService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        UniqueService service(OpenServiceA(manager.get(), name_.c_str(), SERVICE_QUERY_STATUS));
        return !service;
    }

private:
    void KeepProcess(SC_HANDLE service) {
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                 sizeof(status), &needed) &&
            status.dwProcessId != 0)
            process_.reset(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId));
    }

    std::string name_;
    UniqueService manager_;
    bool created_ = false;
    UniqueHandle process_;
};

} // namespace

TEST(Services, UnknownNameIsNotInstalledEverywhere) {
    const std::string name = "KuTestNoSuchService" + std::to_string(GetCurrentProcessId());
    UniqueService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    EXPECT_EQ(QueryServiceState(manager.get(), name), 0);
    EXPECT_EQ(QueryServiceState(nullptr, name), 0);
    EXPECT_TRUE(ServiceNotInstalled(manager.get(), name));
    EXPECT_EQ(StopService(name), ServiceMissing);
    EXPECT_EQ(StopAndDeleteService(name), ServiceDeleteMissing);
    EXPECT_FALSE(StopServiceByName(name));
    EXPECT_EQ(StopService(""), ServiceMissing);
}

TEST(Services, ServicesWindowsNeedsAreNeverStoppedNorDeleted) {
    UniqueService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_FALSE(ServiceNotInstalled(manager.get(), "RpcSs"));
    const int before = QueryServiceState(manager.get(), "RpcSs");
    EXPECT_EQ(StopService("rpcss"), before == SERVICE_STOPPED ? ServiceAlreadyStopped
                                                               : ServiceStopRefused);
    EXPECT_FALSE(StopServiceByName("RpcSs"));
    EXPECT_EQ(StopAndDeleteService("RpcSs"), ServiceDeleteFailed);
    EXPECT_EQ(QueryServiceState(manager.get(), "RpcSs"), before);
}

TEST(Services, StopServiceReportsStoppedRunningAndAcceptedStates) {
    TestService service("Stop");
    ASSERT_TRUE(service.Created());
    EXPECT_TRUE(ServiceIsStopped(service.Manager(), service.Name()));
    EXPECT_EQ(StopService(service.Name()), ServiceAlreadyStopped);

    ASSERT_TRUE(service.Start());
    EXPECT_FALSE(ServiceIsStopped(service.Manager(), service.Name()));
    EXPECT_EQ(StopService(service.Name()), ServiceStopAccepted);
    EXPECT_TRUE(kutest::WaitFor([&] { return service.State() == SERVICE_STOPPED; }));

    ASSERT_TRUE(service.Start());
    EXPECT_TRUE(StopServiceByName(service.Name()));
    EXPECT_TRUE(kutest::WaitFor([&] { return service.State() == SERVICE_STOPPED; }));
}

TEST(Services, ServiceThatRefusesToStopIsReported) {
    TestService service("NoStop", false);
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.Start());
    EXPECT_EQ(StopService(service.Name()), ServiceStopRefused);
    EXPECT_FALSE(StopServiceByName(service.Name()));
    EXPECT_EQ(service.State(), SERVICE_RUNNING);
}

TEST(Services, StopAndDeleteRemovesARunningService) {
    TestService service("Delete");
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.Start());
    EXPECT_EQ(StopAndDeleteService(service.Name()), ServiceDeleted);
    EXPECT_TRUE(kutest::WaitFor([&] { return service.Gone(); }, 20000));
}

TEST(Services, StopAndDeleteDeletesEvenWhenTheStopIsRefused) {
    TestService service("DeleteNoStop", false);
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.Start());
    EXPECT_EQ(StopAndDeleteService(service.Name()), ServiceDeleted);
}
