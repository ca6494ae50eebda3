// TMCDBurner: the burner component, a drive that burns an existing ISO-9660 image file as one
// data track. BurnISOImage measures the image, fills the read-ahead cache and starts the write
// thread, which prepares the drive, writes, closes and restores it and raises OnWriteDone.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "burning/mbDrvLib.h"
#include "burning/mbISOLib.h"

namespace ku {

class TMCDBurner;
class TCacheThread;
class TThWrite;

// Error is empty on success. OnWriteDone and OnFinalizingTrack are raised on the write thread
// (OnWriteDone on the caller's thread when BurnISOImage fails before the write thread): a
// window hands them to its own thread.
using TWriteDoneEvent = std::function<void(TMCDBurner* Sender, const std::string& Error)>;
using TNotifyEvent = std::function<void(TMCDBurner* Sender)>;
using TAddFileEvent = std::function<void(TMCDBurner* Sender, const std::string& FileName)>;
using TAddDirEvent = std::function<void(TMCDBurner* Sender, const std::string& DirName)>;

constexpr uint32_t DefaultCacheSize = 4194304;
constexpr uint32_t MinimumCacheSize = 2097152;

class TMCDBurner : public TSCSIDevice {
public:
    TMCDBurner();
    // A burn still running is aborted and waited for.
    ~TMCDBurner() override;

    // True when the write thread was started; otherwise OnWriteDone has carried the error
    // (unless a burn or an erase is already running: then false and no event).
    bool BurnISOImage(const std::string& FileName);
    void Abort();
    // The image's sectors, at least 300 when WritePostGap is set.
    int64_t GetImageSectors() const;
    // How full the read-ahead cache is (0-100) while the write thread runs, else 0.
    int GetCacheFillPercent();
    void ClearAll(int MaxFiles, int MaxDirs);
    int AddDir(const std::string& Name, const std::string& LongName, const std::string& Path,
               int Parent);
    void ClearArchiveAttributes();
    // Starts the write thread on the primed cache. Writing to a file (ToFile) instead of a
    // disc is not offered: false.
    bool StartWriteThread(bool ToFile);
    // Waits until a started burn has ended and its OnWriteDone was raised.
    void WaitForBurn();
    // From the start of the write thread until just before its OnWriteDone.
    bool WriteRunning() const { return writeRunning_; }

    bool ASPIInitialized() const { return ASPILoaded; }
    uint32_t CacheSize() const { return cacheSize_; }
    // At least 2 MiB, rounded down to whole sectors.
    void SetCacheSize(uint32_t Value);
    const std::string& Version() const { return version_; }
    void SetVersion(const std::string&) {} // the version is the library's own

    bool FinalizeTrack = true;
    bool PerformOPC = false;
    bool JolietFileSystem = true;
    bool WritePostGap = true;
    bool ReplaceFile = false;
    std::string ISOFileName;
    // Identity of a file system the burner could build; not used when burning an image.
    std::string IdVolume, IdSystem, IdVolumeSet, IdPublisher, IdPreparer, IdApplication;
    std::string FileCopyright, FileAbstract, FileBibliographic;
    SYSTEMTIME DateCreation{}, DateModification{}, DateEffective{}, DateExpiration{};

    TWriteDoneEvent OnWriteDone;
    TNotifyEvent OnFinalizingTrack;
    TAddFileEvent OnAddFile;
    TAddDirEvent OnAddDir;

    int64_t ImageSectors = 0;
    std::atomic<int64_t> BytesWritten{0};
    int StartLBA = 0;
    std::string WriteError;
    std::string CurrentFileName;
    std::atomic<bool> AbortRequested{false};
    std::vector<uint8_t> HeaderStream;
    TISOTables Tables;

private:
    friend class TThWrite;
    bool EndBeforeWriting(const std::string& Error);
    std::string WaitForPrimedCache();
    void FreeCache();

    uint32_t cacheSize_ = DefaultCacheSize;
    std::string version_ = "1.23";
    // Changed under the device lock, so the window's polls never see a freed cache.
    std::unique_ptr<TCacheThread> CacheThread;
    std::unique_ptr<TThWrite> WriteThread;
    std::atomic<bool> writeRunning_{false};
};

} // namespace ku
