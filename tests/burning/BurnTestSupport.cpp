// Test support of the burning library: virtual clock, fake pass-through transport, ASPI double,
// and the burner on one simulated writer.
#include "BurnTestSupport.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

#include "IsoImage.h"
#include "burning/mbASPI.h"
#include "burning/mbDrvLib.h"

namespace kutest {
namespace {

// Where a thread of this process started.
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

void ResetLayer() {
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

BOOL Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

} // namespace

DWORD FakeClock::WaitForEvent(HANDLE event, DWORD ms) {
    if (onWait)
        onWait(ms);
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
    return handle;
}

BOOL FakeSptiTransport::IoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out,
                                  DWORD outSize, DWORD* returned) {
    auto it = handles.find(device);
    if (it == handles.end())
        return Fail(ERROR_INVALID_HANDLE);
    const mmcsim::DriveModel& model = sim.Model(it->second);
    if (code == 0x41018) { // IOCTL_SCSI_GET_ADDRESS
        if (!model.addressable || outSize < 8)
            return Fail(ERROR_INVALID_FUNCTION);
        const uint8_t address[8] = {8, 0, 0, 0, model.haId, 0, model.target, model.lun};
        std::memcpy(out, address, 8);
        *returned = 8;
        return TRUE;
    }
    // IOCTL_SCSI_PASS_THROUGH_DIRECT, read by the documented offsets of the 32-bit block.
    uint8_t* block = static_cast<uint8_t*>(in);
    if (code != 0x4D014 || inSize < 44 || in != out || block[0] != 44)
        return Fail(ERROR_INVALID_PARAMETER);
    const uint32_t senseOffset = *reinterpret_cast<uint32_t*>(block + 24);
    const mmcsim::Direction direction[] = {mmcsim::DirOut, mmcsim::DirIn, mmcsim::DirNone};
    mmcsim::Result r = sim.Execute(it->second, block + 28, block[6],
                                   *reinterpret_cast<uint8_t**>(block + 20),
                                   *reinterpret_cast<uint32_t*>(block + 12),
                                   direction[block[8] < 2 ? block[8] : 2]);
    if (r.hang || r.transportFail)
        return Fail(r.hang ? ERROR_SEM_TIMEOUT : ERROR_IO_DEVICE);
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
    std::snprintf(model.product, sizeof(model.product), "%-16.16s", product); // blank-padded
    return model;
}

AspiDouble::AspiDouble() : module(::LoadLibraryA(Path().c_str())) {
    auto get = reinterpret_cast<TMmcSimControl>(reinterpret_cast<void*>(
        module ? ::GetProcAddress(module, "MmcSimControl") : nullptr));
    EXPECT_TRUE(get != nullptr) << "the double " << Path() << " did not load";
    control = get ? get() : nullptr;
}

void* BurnTest::burnThreadStart = nullptr;

void BurnTest::SetUp() {
    testThread_ = ::GetCurrentThreadId();
    ku::SetBurnClock(&clock);
    ku::SetSPTITransport(&spti);
    ResetLayer();
    spti.sim.Reset();
}

void BurnTest::TearDown() {
    if (sim) // the burner's end must not meet a test's hook
        sim->SetCommandHook(nullptr, nullptr);
    clock.onSleep = nullptr;
    clock.onWait = nullptr;
    burner.reset();
    device.reset();
    ResetLayer();
    ku::SetSPTITransport(nullptr);
    ku::SetBurnClock(nullptr);
    aspi.reset();
}

void __cdecl BurnTest::Hook(void* self, int, const uint8_t* cdb) {
    auto* test = static_cast<BurnTest*>(self);
    if (cdb[0] == 0x2A && !burnThreadStart && ::GetCurrentThreadId() != test->testThread_)
        burnThreadStart = ThreadStartAddress(::GetCurrentThreadId());
    if (test->onCommand)
        test->onCommand(cdb);
}

mmcsim::ISimControl* BurnTest::AttachDrive(bool viaDouble, int medium, bool load,
                                           const char* product) {
    device.reset();
    ResetLayer();
    if (viaDouble)
        aspi = std::make_unique<AspiDouble>();
    sim = viaDouble ? aspi->control : &spti.sim;
    if (!sim)
        return nullptr;
    sim->Reset();
    sim->AddDrive(MakeModel(0, 1, 'E', product));
    sim->SetMedium(0, medium);
    sim->SetCommandHook(&BurnTest::Hook, this);
    if (load) {
        EXPECT_TRUE(ku::InitASPI(!viaDouble, viaDouble ? AspiDouble::Path() : ""));
        EXPECT_EQ(ku::ASPILayerName, viaDouble ? "WNASPI32.DLL" : "REZOZI32");
    }
    return sim;
}

std::vector<mmcsim::CommandRecord> BurnTest::Commands(uint8_t opcode, bool acceptedOnly) {
    std::vector<mmcsim::CommandRecord> found;
    mmcsim::CommandRecord record;
    for (int i = 0; i < sim->LogCount(0); ++i)
        if (sim->LogEntry(0, i, &record) && record.cdb[0] == opcode &&
            (!acceptedOnly || record.scsiStatus == 0))
            found.push_back(record);
    return found;
}

void BurnTest::Open(bool viaDouble, int medium, bool asDevice, const char* product) {
    ASSERT_NE(AttachDrive(viaDouble, medium, true, product), nullptr);
    ku::TSCSIDevice* chosen = asDevice ? (device = std::make_unique<ku::TSCSIDevice>()).get()
                                       : (burner = std::make_unique<ku::TMCDBurner>()).get();
    ASSERT_EQ(chosen->DeviceList.size(), 1u);
    chosen->SelectDevice(chosen->DeviceList[0]);
    clock.sleeps.clear();
    clock.waits.clear();
    if (asDevice)
        return;
    burner->OnWriteDone = [this](ku::TMCDBurner*, const std::string& error) {
        lastError_ = error;
        ++dones_;
    };
    if (!burnThreadStart) { // a first burn shows where the library's threads start
        Burn(Image(1));
        sim->SetMedium(0, medium);
        sim->ClearLog(0);
        ASSERT_NE(burnThreadStart, nullptr);
    }
}

std::string BurnTest::Image(uint32_t sectors, uint32_t extraBytes) {
    std::string path =
        dir.File("image" + std::to_string(sectors) + "_" + std::to_string(extraBytes) + ".iso");
    EXPECT_TRUE(mmcsim::MakeIsoImage(path, sectors, extraBytes));
    return path;
}

std::string BurnTest::Burn(const std::string& path) {
    const int before = dones_;
    started = burner->BurnISOImage(path);
    EXPECT_TRUE(WaitFor([&] { return dones_ > before; }, 60000)) << "no done event";
    burner->WaitForBurn();
    EXPECT_EQ(dones_, before + 1) << "one done event per burn";
    return dones_ > before ? lastError_ : "(none)";
}

void BurnTest::ExpectCleanEnd() {
    EXPECT_FALSE(burner->WriteRunning());
    // A thread that has just ended may still be listed for a moment.
    EXPECT_TRUE(WaitFor([&] { return ThreadsStartingAt(burnThreadStart) == 0; }, 3000))
        << ThreadsStartingAt(burnThreadStart) << " threads of the burning library left";
    EXPECT_EQ(burner->LockSection()->OwningThread, nullptr) << "the lock is held";
    EXPECT_EQ(burner->GetCacheFillPercent(), 0);
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

} // namespace kutest
