// The read-ahead cache of a burn: a reader thread that keeps a bounded list of filled blocks of
// the image and hands them to the write thread one at a time, under the burner's lock.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "burning/mbThread.h"

namespace ku {

constexpr uint32_t SectorBytes = 2048;
constexpr uint32_t CDBlockBytes = 27 * SectorBytes;  // 55,296
constexpr uint32_t DVDBlockBytes = 32 * SectorBytes; // 65,536
constexpr int64_t PostGapBytes = 300 * SectorBytes;  // 614,400

class TCacheThread : public TBurnThread {
public:
    // BytesTotal is the image's size rounded up to whole sectors. The lock is the burner's and
    // stays its owner's. Start() sets the thread going.
    TCacheThread(uint32_t CacheSize, CRITICAL_SECTION* Lock, uint32_t BlockSize, bool PostGap,
                 const std::string& ImageFileName, int64_t BytesTotal);

    void Lock() { ::EnterCriticalSection(lock_); }
    void Unlock() { ::LeaveCriticalSection(lock_); }

    // The caller holds the lock. Moves the oldest block into Buffer (which may grow) and
    // answers its byte count; -1 while the list is empty and reading goes on; 0 when no block
    // will come any more (read to the end, stopped, or failed).
    int GetBlock(std::vector<uint8_t>& Buffer);
    // The caller holds the lock; gives it up while it waits at most Ms for any change (a new
    // block, priming, the end of reading), and holds it again on return.
    void WaitForChange(DWORD Ms);
    // Asks the reader to stop; the blocks held are dropped and, unless an error was given
    // first, the error text becomes "OPERATION ABORTED BY USER".
    void Stop();
    // Stops with an error; the first text given is the one kept.
    void Fail(const std::string& Text);

    // Read under the lock.
    bool Primed() const { return primed_; }
    bool Finished() const { return finished_; }
    const std::string& ErrorText() const { return errorText_; }
    const std::string& CurrentFile() const { return currentFile_; }
    int64_t BytesHeld() const { return bytesHeld_; }
    int64_t BytesLeft() const { return bytesLeft_; }

    const uint32_t CacheSize;
    const uint32_t BlockSize;
    const uint32_t BlockCount;
    const int64_t BytesTotal;
    const std::string ImageFileName;
    // Zero blocks after a short built file system; an image file is never padded, and this
    // program streams image files only.
    const bool PadPostGap;

protected:
    void Execute() override;

private:
    struct TBlock {
        std::vector<uint8_t> data;
        uint32_t count;
    };
    bool ReadImage();
    void AddBlock(std::vector<uint8_t>&& data, uint32_t count);
    void SetLadderPriority(size_t held);
    void EndStopped();
    void DropBlocks();
    size_t RefillLevel() const;

    CRITICAL_SECTION* lock_;
    CONDITION_VARIABLE changed_;
    std::deque<TBlock> blocks_;
    std::vector<std::vector<uint8_t>> spare_;
    std::atomic<bool> stopRequested_{false};
    bool primed_ = false;
    bool readerWaiting_ = false;
    int waiters_ = 0;
    bool finished_ = false;
    std::string errorText_;
    std::string currentFile_;
    int64_t bytesHeld_ = 0;
    int64_t bytesLeft_;
    int currentPriority_ = THREAD_PRIORITY_BELOW_NORMAL;
};

} // namespace ku
