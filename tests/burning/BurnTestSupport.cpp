// Test support of the burning library: virtual clock, fake pass-through transport, ASPI double.
#include "BurnTestSupport.h"

#include <tlhelp32.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

#include "burning/mbASPI.h"
#include "burning/mbDrvLib.h"
#include "support/Sandbox.h"

namespace kutest {

void FakeClock::Sleep(DWORD ms) {
    if (onSleep)
        onSleep(ms);
    std::lock_guard<std::mutex> guard(lock_);
    sleeps.push_back(ms);
    now += ms;
}

DWORD FakeClock::Ticks() {
    std::lock_guard<std::mutex> guard(lock_);
    return now;
}

int FakeClock::SleepsOf(DWORD ms) {
    std::lock_guard<std::mutex> guard(lock_);
    int count = 0;
    for (DWORD sleep : sleeps)
        count += sleep == ms;
    return count;
}

DWORD FakeClock::WaitForEvent(HANDLE event, DWORD ms) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        waits.push_back(ms);
    }
    // A request completed by another thread gets a short real wait; a hung one costs no time.
    if (::WaitForSingleObject(event, ms < 300 ? ms : 300) == WAIT_OBJECT_0)
        return WAIT_OBJECT_0;
    std::lock_guard<std::mutex> guard(lock_);
    now += ms;
    return WAIT_TIMEOUT;
}

UINT FakeSptiTransport::DriveType(const char* rootPath) {
    if (sim.FindByLetter(rootPath[0]) >= 0)
        return DRIVE_CDROM;
    return ::GetDriveTypeA(rootPath) == DRIVE_FIXED ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
}

HANDLE FakeSptiTransport::Open(const char* devicePath, DWORD access, DWORD) {
    openAccess.push_back(access);
    int drive = std::strncmp(devicePath, "\\\\.\\", 4) == 0 && std::strlen(devicePath) == 6
                    ? sim.FindByLetter(devicePath[4])
                    : -1;
    if (drive < 0 || (refuseReadWrite && (access & GENERIC_WRITE))) {
        ::SetLastError(drive < 0 ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = reinterpret_cast<HANDLE>(nextHandle_ += 4);
    handles[handle] = drive;
    ++opens;
    return handle;
}

BOOL FakeSptiTransport::IoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out,
                                  DWORD outSize, DWORD* returned) {
    auto it = handles.find(device);
    if (it == handles.end()) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const mmcsim::DriveModel& model = sim.Model(it->second);
    if (code == 0x41018) { // IOCTL_SCSI_GET_ADDRESS
        if (!model.addressable || outSize < 8) {
            ::SetLastError(ERROR_INVALID_FUNCTION);
            return FALSE;
        }
        uint8_t* address = static_cast<uint8_t*>(out);
        std::memset(address, 0, 8);
        address[0] = 8;
        address[4] = model.haId;
        address[6] = model.target;
        address[7] = model.lun;
        *returned = 8;
        return TRUE;
    }
    // IOCTL_SCSI_PASS_THROUGH_DIRECT, read by the documented offsets of the 32-bit block.
    uint8_t* block = static_cast<uint8_t*>(in);
    if (code != 0x4D014 || inSize < 44 || in != out || block[0] != 44) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ++passThroughCalls;
    uint32_t length, senseOffset;
    uint8_t* data;
    std::memcpy(&length, block + 12, 4);
    std::memcpy(&lastTimeOut, block + 16, 4);
    std::memcpy(&data, block + 20, 4);
    std::memcpy(&senseOffset, block + 24, 4);
    uint8_t direction = block[8];
    mmcsim::Result r = sim.Execute(it->second, block + 28, block[6], data, length,
                                   direction == 1   ? mmcsim::DirIn
                                   : direction == 0 ? mmcsim::DirOut
                                                    : mmcsim::DirNone);
    if (r.hang || r.transportFail) {
        ::SetLastError(r.hang ? ERROR_SEM_TIMEOUT : ERROR_IO_DEVICE);
        return FALSE;
    }
    block[2] = r.scsiStatus;
    if (r.scsiStatus == 2 && senseOffset + block[7] <= inSize)
        std::memcpy(block + senseOffset, r.sense, block[7] < 18 ? block[7] : 18);
    *returned = inSize;
    return TRUE;
}

void FakeSptiTransport::Close(HANDLE device) {
    EXPECT_EQ(handles.erase(device), 1u) << "closing a handle that is not open";
}

mmcsim::DriveModel MakeModel(uint8_t haId, uint8_t target, char letter, const char* product,
                           bool dvdWriter) {
    mmcsim::DriveModel model;
    mmcsim::DefaultDriveModel(model);
    model.haId = haId;
    model.target = target;
    model.letter = letter;
    model.dvdWriter = dvdWriter;
    std::memset(model.product, ' ', 16);
    std::memcpy(model.product, product, std::min<size_t>(std::strlen(product), 16));
    model.product[16] = 0;
    return model;
}

AspiDouble::AspiDouble() {
    module_ = ::LoadLibraryA(Path().c_str());
    EXPECT_TRUE(module_ != nullptr) << "cannot load " << Path();
    if (!module_)
        return;
    auto get = reinterpret_cast<TMmcSimControl>(
        reinterpret_cast<void*>(::GetProcAddress(module_, "MmcSimControl")));
    EXPECT_TRUE(get != nullptr) << "the loaded WNASPI32.DLL is not the double";
    control_ = get ? get() : nullptr;
}

AspiDouble::~AspiDouble() {
    if (module_)
        ::FreeLibrary(module_);
}

std::string AspiDouble::Path() { return std::string(kFixtureDir) + "\\WNASPI32.DLL"; }

std::string AspiDouble::BrokenPath() {
    return std::string(kFixtureDir) + "\\brokenaspi\\WNASPI32.DLL";
}

void BurnTest::ResetLayer() {
    ku::UnloadASPI();
    ku::SPTIDeinit();
    ku::ASPILoaded = false;
    ku::ASPILayerName.clear();
    ku::CloseDriveHandles = true;
    ku::CurrentDiscType = 0;
    ku::ExtraBlankWaitQuirk = false;
    ku::CloseSessionImmediate = true;
    ku::AbortFlag = false;
}

void BurnTest::SetUp() {
    ku::SetBurnClock(&clock);
    ku::SetSPTITransport(&spti);
    ResetLayer();
    spti.sim.Reset();
}

void BurnTest::TearDown() {
    ResetLayer();
    if (sim)
        sim->SetCommandHook(nullptr, nullptr);
    ku::SetSPTITransport(nullptr);
    ku::SetBurnClock(nullptr);
    aspi.reset();
}

mmcsim::ISimControl* BurnTest::AttachDrive(bool viaDouble, int medium) {
    if (viaDouble) {
        aspi = std::make_unique<AspiDouble>();
        sim = aspi->Control();
    } else {
        sim = &spti.sim;
    }
    if (!sim)
        return nullptr;
    sim->Reset();
    sim->AddDrive(MakeModel(0, 1, 'E', "DVDRW SIM-2000"));
    sim->SetMedium(0, medium);
    EXPECT_TRUE(ku::InitASPI(!viaDouble, viaDouble ? AspiDouble::Path() : ""));
    EXPECT_EQ(ku::ASPILayerName, viaDouble ? "WNASPI32.DLL" : "REZOZI32");
    return sim;
}

void* ThreadStartAddress(DWORD threadId) {
    using TQuery = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static auto query = reinterpret_cast<TQuery>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    void* start = nullptr;
    HANDLE thread = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
    if (thread && query)
        query(thread, 9 /* ThreadQuerySetWin32StartAddress */, &start, sizeof(start), nullptr);
    if (thread)
        ::CloseHandle(thread);
    return start;
}

int ThreadsStartingAt(void* start) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == ::GetCurrentProcessId() &&
                 ThreadStartAddress(entry.th32ThreadID) == start;
    ::CloseHandle(snapshot);
    return count;
}

bool LockIsFree(CRITICAL_SECTION* lock) {
    // A lock that is never released keeps the thread waiting; it is left behind then.
    auto taken = std::make_shared<std::atomic<bool>>(false);
    std::thread([lock, taken] {
        ::EnterCriticalSection(lock);
        ::LeaveCriticalSection(lock);
        *taken = true;
    }).detach();
    return WaitUntil([&] { return taken->load(); }, 2000);
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
    DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start >= ms)
            return false;
        ::Sleep(2);
    }
    return true;
}

} // namespace kutest
