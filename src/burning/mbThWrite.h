// The write thread of a burn: prepares the drive for the disc in it, writes the cached blocks,
// flushes, closes the track or session as the disc type needs, restores the drive and raises
// OnWriteDone with the first error (empty on success).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "burning/mbThread.h"

namespace ku {

class TMCDBurner;
class TCacheThread;

class TThWrite : public TBurnThread {
public:
    TThWrite(TMCDBurner& Burner, TCacheThread& Cache, bool ToFile);

    int64_t BytesToWrite = 0; // a built file system's size; an image burn does not use it
    uint32_t CacheSize;
    // Writing the image to a file instead of a disc: no caller of this program asks for it.
    const bool ToFile;

protected:
    void Execute() override;

private:
    void Prepare();
    void SetStreamingFor();
    void PrepareDVDR();
    void WriteDisc();
    bool WriteBlock(uint32_t lba, uint32_t count);
    bool NextBlock(uint32_t& count);
    void EndOfData();
    void CloseDisc();
    bool CloseStep(bool immed, uint8_t function, uint8_t track);
    void Finish();
    void Fail(const std::string& text);
    bool Failed();

    TMCDBurner& burner_;
    TCacheThread& cache_;
    std::vector<uint8_t> buffer_;
    uint8_t discType_ = 0;
    uint8_t track_ = 1;
    bool bufferCapacityWorks_ = false;
};

} // namespace ku
