// Test support of the burning library: a virtual clock, a pass-through transport over simulated
// writers, the WNASPI32.DLL double, and fixtures that watch the drive and burn on one writer.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "MmcSim.h"
#include "burning/mbCDBC.h"
#include "burning/mbClock.h"
#include "burning/mbSPTI.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

namespace kutest {

// Virtual time: sleeps and time-outs pass at once and are recorded (locked: a burn's threads
// share it); onSleep and onWait run first, unlocked, on the sleeping or waiting thread.
class FakeClock : public ku::IBurnClock {
  public:
    void Sleep(DWORD ms) override {
        if (onSleep)
            onSleep(ms);
        std::lock_guard<std::mutex> guard(lock_);
        sleeps.push_back(ms), now += ms;
    }
    DWORD Ticks() override { std::lock_guard<std::mutex> guard(lock_); return now; }
    DWORD WaitForEvent(HANDLE event, DWORD ms) override;
    // A sleep that a stop cuts short (while onSleep runs) takes no time.
    void SleepUnless(DWORD ms, const std::atomic<bool>& stop) override {
        if (stop)
            return;
        if (onSleep)
            onSleep(ms);
        std::lock_guard<std::mutex> guard(lock_);
        sleeps.push_back(ms);
        now += stop ? 0 : ms;
    }

    DWORD now = 1000;
    std::vector<DWORD> sleeps, waits;
    std::function<void(DWORD ms)> onSleep;
    std::function<void(DWORD ms)> onWait;

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

    mmcsim::Simulator sim;
    std::map<HANDLE, int> handles; // open handle -> drive
    bool refuseReadWrite = false;
    std::vector<DWORD> openAccess;

  private:
    uintptr_t nextHandle_ = 0x4000;
};

mmcsim::DriveModel MakeModel(uint8_t haId, uint8_t target, char letter, const char* product,
                             bool dvdWriter = true);

// The WNASPI32.DLL double loaded by the test itself, so its simulator can be set up before
// the library loads the same module.
struct AspiDouble {
    AspiDouble();
    ~AspiDouble() { module ? ::FreeLibrary(module) : 0; }
    static std::string Path() { return Fixture("WNASPI32.DLL"); }

    HMODULE module = nullptr;
    mmcsim::ISimControl* control = nullptr; // its simulator
};

// Every test starts with no layer loaded, the virtual clock and the fake transport.
class BurnTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // The writer E: at 0:1:0 holding the medium, alone behind the fake transport or the
    // WNASPI32.DLL double, watched; with load, that layer loaded. The simulator in use.
    mmcsim::ISimControl* AttachDrive(bool viaDouble, int medium, bool load = true,
                                     const char* product = "DVDRW SIM-2000");
    // That writer selected as the burner's, or (asDevice) as a device of its own.
    void Open(bool viaDouble, int medium, bool asDevice = false,
              const char* product = "DVDRW SIM-2000");
    std::vector<mmcsim::CommandRecord> Commands(uint8_t opcode, bool acceptedOnly = true);
    std::string Image(uint32_t sectors, uint32_t extraBytes = 0); // in the scratch folder
    // Burns and waits for the end: the error text of the one done event.
    std::string Burn(const std::string& path);
    // No thread of the burning library left, the lock free, no cache to poll.
    void ExpectCleanEnd();

    FakeClock clock;
    FakeSptiTransport spti;
    std::unique_ptr<AspiDouble> aspi;
    mmcsim::ISimControl* sim = nullptr;
    std::unique_ptr<ku::TSCSIDevice> device;
    std::unique_ptr<ku::TMCDBurner> burner;
    std::function<void(const uint8_t* cdb)> onCommand; // on the sending thread, before the drive
    ScratchDir dir;
    bool started = false; // what the last BurnISOImage answered
    // Where the library's threads start, learnt from the first WRITE no test thread sent.
    static void* burnThreadStart;

  private:
    static void __cdecl Hook(void* self, int drive, const uint8_t* cdb);
    DWORD testThread_ = 0;
    std::atomic<int> dones_{0};
    std::string lastError_; // written before dones_ counts it
};

// Names a case of a table run through both layers: "Aspi" or "Spti" and the case's name.
template <class Param> std::string LayerAndName(const ::testing::TestParamInfo<Param>& info) {
    return (std::get<0>(info.param) ? "Aspi" : "Spti") + std::string(std::get<1>(info.param).name);
}

int ThreadsStartingAt(void* start);

} // namespace kutest
