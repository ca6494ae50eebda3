// Test support of the burning library: a virtual clock, a pass-through transport over the
// simulated writers, the WNASPI32.DLL double, and a fixture that resets the process-wide layer.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "MmcSim.h"
#include "burning/mbClock.h"
#include "burning/mbSPTI.h"

namespace kutest {

// Virtual time: sleeps and time-outs pass at once and are recorded. The worker threads of a
// burn share it, so it is locked; onSleep runs (unlocked) on the sleeping thread first.
class FakeClock : public ku::IBurnClock {
public:
    void Sleep(DWORD ms) override;
    DWORD Ticks() override;
    DWORD WaitForEvent(HANDLE event, DWORD ms) override;
    int SleepsOf(DWORD ms);

    DWORD now = 1000;
    std::vector<DWORD> sleeps;
    std::vector<DWORD> waits;
    std::function<void(DWORD ms)> onSleep;

private:
    std::mutex lock_;
};

// The pass-through interface of Windows, answered by simulated drives with drive letters.
class FakeSptiTransport : public ku::ISPTITransport {
public:
    UINT DriveType(const char* rootPath) override;
    HANDLE Open(const char* devicePath, DWORD access, DWORD share) override;
    BOOL IoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                   DWORD* returned) override;
    void Close(HANDLE device) override;

    int OpenHandles() const { return static_cast<int>(handles.size()); }

    mmcsim::Simulator sim;
    std::map<HANDLE, int> handles; // open handle -> drive
    int opens = 0;
    int passThroughCalls = 0;
    uint32_t lastTimeOut = 0;
    bool refuseReadWrite = false; // only read access opens a drive
    std::vector<DWORD> openAccess;

private:
    uintptr_t nextHandle_ = 0x4000;
};

// A drive model with the given address, letter and name.
mmcsim::DriveModel MakeModel(uint8_t haId, uint8_t target, char letter, const char* product,
                           bool dvdWriter = true);

// The WNASPI32.DLL double loaded by the test itself, so its simulator can be set up before
// the library loads the same module.
class AspiDouble {
public:
    AspiDouble();
    ~AspiDouble();
    mmcsim::ISimControl* operator->() const { return control_; }
    mmcsim::ISimControl* Control() const { return control_; }
    static std::string Path();
    static std::string BrokenPath();

private:
    HMODULE module_ = nullptr;
    mmcsim::ISimControl* control_ = nullptr;
};

// Every test starts with no layer loaded, the virtual clock and the fake transport.
class BurnTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    static void ResetLayer();
    // One simulated DVD writer E: at 0:1:0 with the medium, behind the pass-through emulation
    // (the fake transport) or the WNASPI32.DLL double; loads that layer. The simulator in use.
    mmcsim::ISimControl* AttachDrive(bool viaDouble, int medium);

    FakeClock clock;
    FakeSptiTransport spti;
    std::unique_ptr<AspiDouble> aspi;
    mmcsim::ISimControl* sim = nullptr;
};

// Where a thread of this process started, and how many of its threads started there.
void* ThreadStartAddress(DWORD threadId);
int ThreadsStartingAt(void* start);
// True when another thread can take the device's lock within two seconds.
bool LockIsFree(CRITICAL_SECTION* lock);
// Waits, letting nothing else run on this thread, until done() or ms pass.
bool WaitUntil(const std::function<bool()>& done, DWORD ms);

} // namespace kutest
