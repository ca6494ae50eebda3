// Test support of the burning library: a virtual clock, a pass-through transport over the
// simulated writers, the WNASPI32.DLL double, and a fixture that resets the process-wide layer.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "MmcSim.h"
#include "burning/mbClock.h"
#include "burning/mbSPTI.h"

namespace kutest {

// Virtual time: sleeps and time-outs pass at once and are recorded.
class FakeClock : public ku::IBurnClock {
public:
    void Sleep(DWORD ms) override;
    DWORD Ticks() override { return now; }
    DWORD WaitForEvent(HANDLE event, DWORD ms) override;

    DWORD now = 1000;
    std::vector<DWORD> sleeps;
    std::vector<DWORD> waits;
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

    FakeClock clock;
    FakeSptiTransport spti;
};

} // namespace kutest
