// File streams with 64-bit positions and sizes, over an operating-system file handle.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ku {

enum TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// Open modes: the low two bits are the access (0 read, 1 write, 2 both), the next four the
// sharing (10h exclusive, 20h deny write, 30h deny read, 40h deny none); FFFFh creates.
constexpr uint16_t fmCreate = 0xFFFF;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TStreamEx {
public:
    virtual ~TStreamEx() = default;
    // Bytes moved; 0 when nothing could be moved.
    virtual int32_t Read(void* Buffer, int32_t Count) = 0;
    virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
    // The new position, or -1 when the seek failed.
    virtual int64_t Seek(int64_t Offset, int Origin) = 0;
    // False when the size could not be set.
    virtual bool SetSize(int64_t NewSize) = 0;
    // The size, found by seeking to the end and back; -1 when the stream cannot seek.
    int64_t Size();
};

class THandleStreamEx : public TStreamEx {
public:
    explicit THandleStreamEx(HANDLE Handle) : FHandle(Handle) {}
    int32_t Read(void* Buffer, int32_t Count) override;
    int32_t Write(const void* Buffer, int32_t Count) override;
    int64_t Seek(int64_t Offset, int Origin) override;
    bool SetSize(int64_t NewSize) override;
    HANDLE Handle() const { return FHandle; }
    bool Opened() const { return FHandle != INVALID_HANDLE_VALUE; }

protected:
    HANDLE FHandle;
};

// A named file. A file that cannot be opened leaves the handle invalid (reads give 0).
class TFileStreamEx : public THandleStreamEx {
public:
    TFileStreamEx(const std::string& FileName, uint16_t Mode);
    ~TFileStreamEx() override;
    TFileStreamEx(const TFileStreamEx&) = delete;
    TFileStreamEx& operator=(const TFileStreamEx&) = delete;
};

} // namespace ku
