// The burner component: measuring the image, the read-ahead cache, starting the write thread,
// the fill gauge and the file-system tables.
#include "burning/mbCDBC.h"

#include <cmath>
#include <cstdio>

#include "burning/mbCache.h"
#include "burning/mbConst.h"
#include "burning/mbStreamEx.h"
#include "burning/mbThWrite.h"

namespace ku {

TMCDBurner::TMCDBurner() { ClearAll(65535, 8191); }

TMCDBurner::~TMCDBurner() {
    if (writeRunning_)
        Abort();
    WaitForBurn();
    FreeCache();
}

void TMCDBurner::SetCacheSize(uint32_t Value) {
    if (Value < MinimumCacheSize)
        Value = MinimumCacheSize;
    cacheSize_ = Value / SectorBytes * SectorBytes;
}

void TMCDBurner::Abort() {
    AbortFlag = true;
    AbortRequested = true;
}

int64_t TMCDBurner::GetImageSectors() const {
    return WritePostGap && ImageSectors < 300 ? 300 : ImageSectors;
}

int TMCDBurner::GetCacheFillPercent() {
    Enter();
    int percent = 0;
    if (writeRunning_ && CacheThread)
        percent = static_cast<int>(std::lround(CacheThread->BytesHeld() * 100.0 / cacheSize_));
    Leave();
    return percent;
}

bool TMCDBurner::BurnISOImage(const std::string& FileName) {
    if (writeRunning_ || Erasing)
        return false;
    WaitForBurn();
    // A stale abort of an earlier burn must not end this one.
    AbortFlag = false;
    AbortRequested = false;
    BytesWritten = 0;
    uint8_t type = GetDiscType();
    int64_t size = -1;
    {
        TFileStreamEx image(FileName, fmOpenRead | fmShareDenyNone);
        if (image.Opened())
            size = image.Size();
    }
    ImageSectors = SectorsOf(size);
    // Nothing to burn is never a success, and an unreadable file never an endless wait.
    if (size <= 0)
        return EndBeforeWriting(size == 0 ? SImageEmpty : SImageUnreadable);
    uint32_t blockSize = type == dtCDR || type == dtCDRW ? CDBlockBytes : DVDBlockBytes;
    auto cache = std::make_unique<TCacheThread>(cacheSize_, LockSection(), blockSize,
                                                WritePostGap, FileName,
                                                ImageSectors * SectorBytes);
    Enter();
    CacheThread = std::move(cache);
    Leave();
    if (!CacheThread->Start(THREAD_PRIORITY_BELOW_NORMAL))
        return EndBeforeWriting(SImageUnreadable);
    std::string error = WaitForPrimedCache();
    if (!error.empty())
        return EndBeforeWriting(error);
    return StartWriteThread(false);
}

// Waits until the cache is primed; an abort stops it. The cache's error text, if any.
std::string TMCDBurner::WaitForPrimedCache() {
    TCacheThread& cache = *CacheThread;
    cache.Lock();
    for (;;) {
        if (AbortFlag)
            cache.Stop(); // the cache ends with "OPERATION ABORTED BY USER"
        if (!cache.ErrorText().empty() || cache.Primed() || cache.Finished())
            break;
        cache.WaitForChange(100);
    }
    std::string error = cache.ErrorText();
    cache.Unlock();
    return error;
}

bool TMCDBurner::EndBeforeWriting(const std::string& Error) {
    Enter();
    CurrentFileName = CacheThread ? CacheThread->CurrentFile() : "";
    Leave();
    FreeCache();
    CurrentFileName.clear();
    WriteError = Error;
    if (OnWriteDone)
        OnWriteDone(this, Error);
    return false;
}

void TMCDBurner::FreeCache() {
    Enter();
    std::unique_ptr<TCacheThread> cache = std::move(CacheThread);
    Leave();
    if (!cache)
        return;
    cache->Stop();
    cache->WaitFor();
}

bool TMCDBurner::StartWriteThread(bool ToFile) {
    if (!CacheThread || writeRunning_ || ToFile)
        return false;
    WriteThread = std::make_unique<TThWrite>(*this, *CacheThread, ToFile);
    WriteThread->CacheSize = cacheSize_;
    writeRunning_ = true;
    if (WriteThread->Start(THREAD_PRIORITY_TIME_CRITICAL))
        return true;
    writeRunning_ = false;
    WriteThread.reset();
    return EndBeforeWriting(SImageUnreadable);
}

void TMCDBurner::WaitForBurn() {
    if (!WriteThread)
        return;
    WriteThread->WaitFor();
    WriteThread.reset();
}

void TMCDBurner::ClearAll(int MaxFiles, int MaxDirs) {
    HeaderStream.clear();
    Tables.Clear(MaxFiles, MaxDirs);
}

int TMCDBurner::AddDir(const std::string& Name, const std::string& LongName,
                       const std::string& Path, int Parent) {
    int index = Tables.AddDir(Name, LongName, Path, Parent);
    if (index < 0) {
        char text[96];
        std::snprintf(text, sizeof(text), SMaxDirectories, Tables.MaxDirs);
        DoDebugMessage(std::string(">>> ") + text, 3);
    }
    return index;
}

void TMCDBurner::ClearArchiveAttributes() {
    for (const TFileEntry& file : Tables.Files) {
        bool archive = (file.Attributes & FILE_ATTRIBUTE_ARCHIVE) != 0;
        if ((file.Attributes & FILE_ATTRIBUTE_DIRECTORY) || !archive || !file.Flag)
            continue;
        ::SetFileAttributesA(file.SourcePath.c_str(), file.Attributes & ~FILE_ATTRIBUTE_ARCHIVE);
    }
}

} // namespace ku
