// A burner on one simulated writer, with its done events collected, a command hook that can
// abort at the n-th command of a kind, and the checks every burn ends with.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "BurnTestSupport.h"
#include "burning/mbCDBC.h"
#include "support/Sandbox.h"

namespace kutest {

class BurnerTest : public BurnTest {
protected:
    void TearDown() override;
    // The drive behind the chosen layer, the burner selected on it.
    void Open(bool viaDouble, int medium);
    // Writes an image into the scratch folder; its path.
    std::string Image(uint32_t sectors, uint32_t extraBytes = 0, uint32_t seed = 1);
    // Burns and waits for the end: the error text of the one done event.
    std::string Burn(const std::string& path);
    // No thread of the burning library left, the lock free, no cache to poll.
    void ExpectCleanEnd();
    // The commands of one operation code the drive accepted (or all of them).
    std::vector<mmcsim::CommandRecord> Commands(uint8_t opcode, bool acceptedOnly = true);

    ScratchDir dir;
    std::unique_ptr<ku::TMCDBurner> burner;
    std::vector<std::string> doneErrors;
    bool started = false; // what the last BurnISOImage answered
    // Aborts the burn when the drive receives command abortOpcode for the abortAt-th time;
    // onCommand runs for every command first (on the thread that sends it).
    int abortOpcode = -1;
    int abortAt = 0;
    std::function<void(const uint8_t* cdb)> onCommand;

private:
    static void __cdecl Hook(void* self, int drive, const uint8_t* cdb);
    size_t DoneCount();
    std::mutex lock_;
    std::atomic<int> seen_{0};
    // Where the library's threads start, learnt from the write thread of the first burn.
    static void* burnThreadStart_;
};

} // namespace kutest
