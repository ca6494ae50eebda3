// File streams with 64-bit positions: ReadFile, WriteFile and SetFilePointerEx on one handle.
#include "burning/mbStreamEx.h"

namespace ku {
namespace {

const DWORD ShareModes[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE};

DWORD AccessOf(uint16_t mode) {
    switch (mode & 3) {
    case 0: return GENERIC_READ;
    case 1: return GENERIC_WRITE;
    default: return GENERIC_READ | GENERIC_WRITE;
    }
}

} // namespace

int64_t TStreamEx::Size() {
    int64_t position = Seek(0, soCurrent);
    if (position < 0)
        return -1;
    int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

int32_t THandleStreamEx::Read(void* Buffer, int32_t Count) {
    DWORD done = 0;
    if (Count <= 0 || !::ReadFile(FHandle, Buffer, static_cast<DWORD>(Count), &done, nullptr))
        return 0;
    return static_cast<int32_t>(done);
}

int32_t THandleStreamEx::Write(const void* Buffer, int32_t Count) {
    DWORD done = 0;
    if (Count <= 0 || !::WriteFile(FHandle, Buffer, static_cast<DWORD>(Count), &done, nullptr))
        return 0;
    return static_cast<int32_t>(done);
}

int64_t THandleStreamEx::Seek(int64_t Offset, int Origin) {
    LARGE_INTEGER distance, position;
    distance.QuadPart = Offset;
    if (!::SetFilePointerEx(FHandle, distance, &position, static_cast<DWORD>(Origin)))
        return -1;
    return position.QuadPart;
}

bool THandleStreamEx::SetSize(int64_t NewSize) {
    return Seek(NewSize, soBeginning) == NewSize && ::SetEndOfFile(FHandle);
}

TFileStreamEx::TFileStreamEx(const std::string& FileName, uint16_t Mode)
    : THandleStreamEx(INVALID_HANDLE_VALUE) {
    if (Mode == fmCreate)
        FHandle = ::CreateFileA(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    else
        FHandle = ::CreateFileA(FileName.c_str(), AccessOf(Mode),
                                ShareModes[((Mode & 0xF0) >> 4) % 5], nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
}

TFileStreamEx::~TFileStreamEx() {
    if (FHandle != INVALID_HANDLE_VALUE)
        ::CloseHandle(FHandle);
}

} // namespace ku
