// The read-ahead cache: reads the image in blocks ahead of the drive. Every change of the block
// list happens under the burner's lock, and waiting sides sleep on one condition variable.
#include "burning/mbCache.h"

#include <algorithm>
#include <cstring>

#include "burning/mbConst.h"
#include "burning/mbStreamEx.h"

namespace ku {
namespace {

// Blocks kept for reuse, so a long burn does not allocate a block per piece.
constexpr size_t SpareBlocks = 4;
// A full cache reads again once the writer has taken this many blocks, rather than waking
// for every block.
constexpr size_t RefillBatch = 8;

// Reads until Count bytes arrived or the file gives no more.
int32_t ReadFully(TStreamEx& stream, uint8_t* buffer, int32_t count) {
    int32_t got = 0;
    while (got < count) {
        int32_t piece = stream.Read(buffer + got, count - got);
        if (piece <= 0)
            break;
        got += piece;
    }
    return got;
}

uint32_t RoundUpToSector(uint32_t bytes) {
    return (bytes + SectorBytes - 1) / SectorBytes * SectorBytes;
}

} // namespace

TCacheThread::TCacheThread(uint32_t CacheSize_, CRITICAL_SECTION* Lock_, uint32_t BlockSize_,
                           bool PostGap, const std::string& ImageFileName_, int64_t BytesTotal_)
    : CacheSize(CacheSize_), BlockSize(BlockSize_),
      BlockCount(std::max<uint32_t>(CacheSize_ / BlockSize_, 2)), BytesTotal(BytesTotal_),
      ImageFileName(ImageFileName_), PadPostGap(PostGap && BytesTotal_ < PostGapBytes),
      lock_(Lock_), bytesLeft_(BytesTotal_) {
    ::InitializeConditionVariable(&changed_);
}

int TCacheThread::GetBlock(std::vector<uint8_t>& Buffer) {
    // A stop or a failure never keeps the writer waiting: no block will come.
    if (stopRequested_ || !errorText_.empty())
        return 0;
    if (blocks_.empty())
        return finished_ ? 0 : -1;
    TBlock& block = blocks_.front();
    std::swap(Buffer, block.data);
    if (spare_.size() < SpareBlocks && block.data.capacity() >= BlockSize)
        spare_.push_back(std::move(block.data));
    int count = static_cast<int>(block.count);
    bytesHeld_ -= count;
    bytesLeft_ -= count; // the one place where handed-out bytes are counted
    blocks_.pop_front();
    if (readerWaiting_ && blocks_.size() <= RefillLevel())
        ::WakeAllConditionVariable(&changed_);
    return count;
}

void TCacheThread::WaitForChange(DWORD Ms) {
    ++waiters_;
    ::SleepConditionVariableCS(&changed_, lock_, Ms);
    --waiters_;
}

size_t TCacheThread::RefillLevel() const {
    size_t full = BlockCount - 1;
    return full - std::min(RefillBatch, full / 2);
}

void TCacheThread::Stop() { Fail(SOperationAborted); }

void TCacheThread::Fail(const std::string& Text) {
    Lock();
    if (errorText_.empty())
        errorText_ = Text;
    stopRequested_ = true;
    // A reader that already finished drops nothing more itself.
    if (finished_)
        DropBlocks();
    ::WakeAllConditionVariable(&changed_);
    Unlock();
}

void TCacheThread::DropBlocks() {
    blocks_.clear();
    spare_.clear();
    bytesHeld_ = 0;
}

void TCacheThread::Execute() {
    ::SetThreadPriority(::GetCurrentThread(), currentPriority_);
    if (ReadImage()) {
        Lock();
        primed_ = true; // a short image starts the writer too
        finished_ = true;
        ::WakeAllConditionVariable(&changed_);
        Unlock();
        return;
    }
    EndStopped();
}

// Reads the whole image into blocks; false when it stopped or failed.
bool TCacheThread::ReadImage() {
    TFileStreamEx image(ImageFileName, fmOpenRead | fmShareDenyNone);
    Lock();
    currentFile_ = ImageFileName;
    Unlock();
    if (!image.Opened()) {
        Fail(SImageUnreadable);
        return false;
    }
    int64_t read = 0;
    while (read < BytesTotal) {
        if (stopRequested_)
            return false;
        uint32_t piece = static_cast<uint32_t>(std::min<int64_t>(BlockSize, BytesTotal - read));
        std::vector<uint8_t> data;
        Lock();
        if (!spare_.empty()) {
            data = std::move(spare_.back());
            spare_.pop_back();
        }
        Unlock();
        data.resize(BlockSize);
        uint32_t got = static_cast<uint32_t>(
            ReadFully(image, data.data(), static_cast<int32_t>(piece)));
        uint32_t count = RoundUpToSector(got);
        // Only the image's last sector may come short; anything less means the file changed
        // or cannot be read, and a burn of it would not be the image.
        if (got == 0 || (read + count < BytesTotal && got < piece)) {
            bool shrunk = image.Size() >= 0 && image.Size() < BytesTotal - (SectorBytes - 1);
            Fail(shrunk ? SImageShrunk : SImageUnreadable);
            return false;
        }
        std::memset(data.data() + got, 0, count - got);
        read += count;
        AddBlock(std::move(data), count);
    }
    return !stopRequested_;
}

void TCacheThread::AddBlock(std::vector<uint8_t>&& data, uint32_t count) {
    Lock();
    blocks_.push_back({std::move(data), count});
    bytesHeld_ += count;
    size_t full = BlockCount - 1;
    if (blocks_.size() >= full)
        primed_ = true;
    if (waiters_ > 0)
        ::WakeAllConditionVariable(&changed_);
    if (blocks_.size() >= full) {
        SetLadderPriority(blocks_.size());
        // Full: wait for the writer to take blocks, or for a stop.
        readerWaiting_ = true;
        while (blocks_.size() > RefillLevel() && !stopRequested_)
            ::SleepConditionVariableCS(&changed_, lock_, 100);
        readerWaiting_ = false;
    }
    size_t held = blocks_.size();
    Unlock();
    SetLadderPriority(held);
}

// Reads fast while the cache is low and yields the processor while it is full. A full cache
// stays idle until it is down to half, rather than switching at every block the writer takes.
void TCacheThread::SetLadderPriority(size_t held) {
    int priority = THREAD_PRIORITY_LOWEST;
    if (held >= BlockCount - 1 ||
        (currentPriority_ == THREAD_PRIORITY_IDLE && held >= BlockCount / 2))
        priority = THREAD_PRIORITY_IDLE;
    else if (held < BlockCount / 4)
        priority = THREAD_PRIORITY_NORMAL;
    else if (held < BlockCount / 2)
        priority = THREAD_PRIORITY_BELOW_NORMAL;
    if (priority != currentPriority_) {
        currentPriority_ = priority;
        ::SetThreadPriority(::GetCurrentThread(), priority);
    }
}

void TCacheThread::EndStopped() {
    Lock();
    DropBlocks();
    if (errorText_.empty())
        errorText_ = SOperationAborted;
    finished_ = true;
    ::WakeAllConditionVariable(&changed_);
    Unlock();
}

} // namespace ku
