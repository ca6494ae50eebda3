// The ASPI layer loader: picks "WNASPI32.DLL" or the pass-through emulation once, and reloads.
#include "burning/mbASPI.h"

#include <vector>

#include "burning/mbSPTI.h"

namespace ku {

const char* const ASPIDllName = "WNASPI32.DLL";
const char* const ASPIEmulationName = "REZOZI32";

bool ASPILoaded = false;
std::string ASPILayerName;
HMODULE ASPIModule = nullptr;
TGetASPI32SupportInfo GetASPI32SupportInfo = nullptr;
TSendASPI32Command SendASPI32Command = nullptr;
bool UseSPTIRequested = false;
uint8_t ASPIAdapterCount = 0;

namespace {

// The support word: the status in bits 8-15, the adapter count in bits 0-7.
uint8_t AdaptersOfSupportInfo(DWORD info) {
    return ((info >> 8) & 0xFF) == SS_COMP ? static_cast<uint8_t>(info & 0xFF) : 0;
}

std::vector<HANDLE>& ParkedEvents() {
    static std::vector<HANDLE> events;
    return events;
}

void CloseParkedEvents() {
    for (HANDLE event : ParkedEvents())
        ::CloseHandle(event);
    ParkedEvents().clear();
}

bool InstallEmulation() {
    if (SPTIInit() <= 0)
        return false;
    GetASPI32SupportInfo = &SPTIGetSupportInfo;
    SendASPI32Command = &SPTISendCommand;
    ASPIModule = nullptr;
    ASPILayerName = ASPIEmulationName;
    ASPILoaded = true;
    return true;
}

// A manager without both entry points is no manager: it is freed and the search goes on.
bool TakeManager(HMODULE module) {
    auto support = reinterpret_cast<TGetASPI32SupportInfo>(
        reinterpret_cast<void*>(::GetProcAddress(module, "GetASPI32SupportInfo")));
    auto send = reinterpret_cast<TSendASPI32Command>(
        reinterpret_cast<void*>(::GetProcAddress(module, "SendASPI32Command")));
    if (!support || !send) {
        ::FreeLibrary(module);
        return false;
    }
    ASPIModule = module;
    GetASPI32SupportInfo = support;
    SendASPI32Command = send;
    ASPILayerName = ASPIDllName;
    ASPILoaded = true;
    return true;
}

// The given path first, then the current folder, then the system's search order. Loaded by
// the wide names: a current folder the code page cannot hold is loaded from as it is, never
// by its best-fit name, which would load another folder's library.
bool LoadManager(const std::string& DLLPath) {
    const auto wide = [](const std::string& text) {
        std::wstring result(text.size() + 1, L'\0');
        const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &result[0],
                                               static_cast<int>(result.size()));
        result.resize(length > 0 ? static_cast<size_t>(length) - 1 : 0);
        return result;
    };
    std::vector<std::wstring> candidates;
    if (!DLLPath.empty())
        candidates.push_back(wide(DLLPath));
    // ".\" means the current folder; spelt out in full, since not every loader resolves a
    // relative path with a folder part the same way.
    wchar_t current[MAX_PATH + 1] = {};
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH + 1, current);
    if (length > 0 && length <= MAX_PATH) {
        std::wstring folder(current, length);
        if (folder.back() != L'\\')
            folder += L'\\';
        candidates.push_back(folder + wide(ASPIDllName));
    }
    candidates.push_back(wide(ASPIDllName));
    for (const std::wstring& name : candidates) {
        HMODULE module = ::LoadLibraryW(name.c_str());
        if (module && TakeManager(module))
            return true;
    }
    return false;
}

// Unloads the layer when the program ends. It makes the parked-event list first, so that
// the list outlives it.
struct TLayerFinalizer {
    TLayerFinalizer() { ParkedEvents(); }
    ~TLayerFinalizer() {
        SPTIDeinit();
        if (ASPIModule)
            ::FreeLibrary(ASPIModule);
        ASPIModule = nullptr;
        ASPILoaded = false;
        ASPIAdapterCount = 0;
        ASPILayerName.clear();
        CloseParkedEvents();
    }
} layerFinalizer;

} // namespace

bool InitASPI(bool UseSPTI, const std::string& DLLPath) {
    // No system box asking for a disc while drives are probed.
    UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    if (UseSPTI && !ASPILoaded)
        InstallEmulation();
    if (!ASPILoaded)
        LoadManager(DLLPath);
    if (!ASPILoaded)
        InstallEmulation();
    // Discovery asks only the adapters the layer says it has: a manager without any (Wine's
    // own on a machine without drives) leaves every later request pending for good.
    ASPIAdapterCount =
        ASPILoaded && GetASPI32SupportInfo ? AdaptersOfSupportInfo(GetASPI32SupportInfo()) : 0;
    UseSPTIRequested = UseSPTI;
    ::SetErrorMode(oldMode);
    return ASPILoaded;
}

bool ReInitASPI() {
    ASPIAdapterCount = 0;
    if (ASPILayerName == ASPIEmulationName) {
        ASPILoaded = false;
        SPTIDeinit();
    } else {
        UnloadASPI();
    }
    InitASPI(UseSPTIRequested, "");
    return true;
}

bool UnloadASPI() {
    if (!ASPILoaded || !ASPIModule)
        return true;
    ASPILoaded = false;
    ASPIAdapterCount = 0;
    GetASPI32SupportInfo = nullptr;
    SendASPI32Command = nullptr;
    BOOL freed = ::FreeLibrary(ASPIModule);
    ASPIModule = nullptr;
    // The manager is gone: nothing can signal the events of its abandoned requests any more.
    CloseParkedEvents();
    return freed != FALSE;
}

void ParkPendingEvent(HANDLE event) {
    if (event)
        ParkedEvents().push_back(event);
}

size_t ParkedEventCount() { return ParkedEvents().size(); }

} // namespace ku
