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

// A service of its own; "nostop" makes the fixture refuse stop requests.
struct Own : kutest::RealService {
    explicit Own(const std::string& name, bool acceptsStop = true)
        : RealService(Unique(name),
                      kutest::Fixture("kusvc.exe") + " " + Unique(name) +
                          (acceptsStop ? "" : " nostop"),
                      SERVICE_WIN32_OWN_PROCESS) {}
};

} // namespace

TEST(Services, UnknownNamesAreMissingAndServicesWindowsNeedsAreNeverStoppedNorDeleted) {
    const std::string name = Unique("NoSuchService");
    UniqueService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    EXPECT_EQ(QueryServiceState(manager.get(), name) + QueryServiceState(nullptr, name), 0);
    EXPECT_TRUE(ServiceNotInstalled(manager.get(), name) && !StopServiceByName(name));
    EXPECT_EQ(StopService(name) + StopService(""), 2 * ServiceMissing);
    EXPECT_EQ(StopAndDeleteService(name), ServiceDeleteMissing);

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

TEST(Services, StopReportsEachStateAndStopAndDeleteDeletesEvenARefusingService) {
    UniqueService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    for (const bool accepts : {true, false}) {
        SCOPED_TRACE(accepts ? "stops" : "refuses to stop");
        Own s(accepts ? "Stop" : "NoStop", accepts);
        const auto stopped = [&] {
            return kutest::WaitFor([&] { return s.State() == SERVICE_STOPPED; });
        };
        ASSERT_TRUE(s.Created());
        EXPECT_TRUE(ServiceIsStopped(manager.get(), s.Name()));
        EXPECT_EQ(StopService(s.Name()), ServiceAlreadyStopped);
        ASSERT_TRUE(s.Start());
        EXPECT_FALSE(ServiceIsStopped(manager.get(), s.Name()));
        EXPECT_EQ(StopService(s.Name()), accepts ? ServiceStopAccepted : ServiceStopRefused);
        EXPECT_TRUE(!accepts || (stopped() && s.Start()));
        EXPECT_EQ(StopServiceByName(s.Name()), accepts);
        EXPECT_TRUE(accepts ? stopped() && s.Start() : s.State() == SERVICE_RUNNING);
        EXPECT_EQ(StopAndDeleteService(s.Name()), ServiceDeleted);
        EXPECT_TRUE(!accepts || kutest::WaitFor([&] { return s.Gone(); }, 20000));
    }
}
