// Real services run by the prefix's service manager: query, stop, stop and delete.
#include <gtest/gtest.h>

#include "core/system/Handles.h"
#include "core/system/ServiceUnit.h"
#include "support/RealService.h"
#include "support/Spawn.h"

using namespace ku;

namespace {

std::string Unique(const std::string& name) {
    return "KuTest" + name + std::to_string(GetCurrentProcessId());
}

// A started service of its own; "nostop" makes the fixture refuse stop requests.
struct Started {
    explicit Started(const std::string& name, bool acceptsStop = true)
        : service(Unique(name),
                  kutest::Fixture("kusvc.exe") + " " + Unique(name) +
                      (acceptsStop ? "" : " nostop"),
                  SERVICE_WIN32_OWN_PROCESS) {}
    kutest::RealService service;
};

} // namespace

TEST(Services, UnknownNameIsNotInstalledEverywhere) {
    const std::string name = Unique("NoSuchService");
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
    // On a fresh prefix RpcSs may still be starting: wait until it has settled.
    ASSERT_TRUE(kutest::WaitFor(
        [&] {
            const int state = QueryServiceState(manager.get(), "RpcSs");
            return state == SERVICE_RUNNING || state == SERVICE_STOPPED;
        },
        120000));
    const int before = QueryServiceState(manager.get(), "RpcSs");
    EXPECT_EQ(StopService("rpcss"),
              before == SERVICE_STOPPED ? ServiceAlreadyStopped : ServiceStopRefused);
    EXPECT_FALSE(StopServiceByName("RpcSs"));
    EXPECT_EQ(StopAndDeleteService("RpcSs"), ServiceDeleteFailed);
    EXPECT_EQ(QueryServiceState(manager.get(), "RpcSs"), before);
    EXPECT_FALSE(ServiceNotInstalled(manager.get(), "RpcSs"));
}

TEST(Services, StopServiceReportsStoppedRunningAndAcceptedStates) {
    Started s("Stop");
    ASSERT_TRUE(s.service.Created());
    UniqueService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    EXPECT_TRUE(ServiceIsStopped(manager.get(), s.service.Name()));
    EXPECT_EQ(StopService(s.service.Name()), ServiceAlreadyStopped);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(s.service.Start());
        EXPECT_FALSE(ServiceIsStopped(manager.get(), s.service.Name()));
        if (round == 0)
            EXPECT_EQ(StopService(s.service.Name()), ServiceStopAccepted);
        else
            EXPECT_TRUE(StopServiceByName(s.service.Name()));
        EXPECT_TRUE(kutest::WaitFor([&] { return s.service.State() == SERVICE_STOPPED; }));
    }
}

TEST(Services, RefusedStopIsReportedAndStopAndDeleteStillDeletes) {
    for (const bool acceptsStop : {false, true}) {
        SCOPED_TRACE(acceptsStop ? "stops" : "refuses to stop");
        Started s(acceptsStop ? "Delete" : "NoStop", acceptsStop);
        ASSERT_TRUE(s.service.Created());
        ASSERT_TRUE(s.service.Start());
        if (!acceptsStop) {
            EXPECT_EQ(StopService(s.service.Name()), ServiceStopRefused);
            EXPECT_FALSE(StopServiceByName(s.service.Name()));
            EXPECT_EQ(s.service.State(), DWORD(SERVICE_RUNNING));
        }
        EXPECT_EQ(StopAndDeleteService(s.service.Name()), ServiceDeleted);
        if (acceptsStop)
            EXPECT_TRUE(kutest::WaitFor([&] { return s.service.Gone(); }, 20000));
    }
}
