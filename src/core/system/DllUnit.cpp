// Calls into the companion library, loaded for each call and freed after it.
#include "core/system/DllUnit.h"

#include <mutex>

#include "core/system/DeleteHelpers.h"
#include "core/system/Handles.h"
#include "core/system/ProcessUnit.h"
#include "core/system/PublicFunctionUnit.h"

namespace ku {

namespace {

std::mutex pathLock;
std::string overridePath;

// Both exports take one 32-bit argument. The result is read from its low byte only: a
// library may answer with a one-byte Boolean and leave the rest of the register as it was.
using CompanionFn = DWORD(WINAPI*)(DWORD);

bool CallCompanion(const char* exportName, DWORD argument) {
    const std::string path = CompanionLibraryPath();
    // Loaded by full path only, so no other folder can slip in a library of the same name.
    UniqueModule library(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library)
        return false;
    auto fn = reinterpret_cast<CompanionFn>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), exportName)));
    if (!fn)
        return false;
    return (fn(argument) & 0xFF) != 0;
}

} // namespace

std::string CompanionLibraryPath() {
    std::lock_guard<std::mutex> lock(pathLock);
    return overridePath.empty() ? ProgramDir() + "Win32API.dll" : overridePath;
}

void SetCompanionLibraryPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(pathLock);
    overridePath = path;
}

bool DllKillProcess(DWORD processId) {
    for (const ProcessEntry& process : TakeProcessSnapshot())
        if (process.processId == processId)
            return !IsUntouchableProcess(process) && DllKillCheckedProcess(processId);
    return false;
}

bool DllKillCheckedProcess(DWORD processId) {
    if (processId == 0 || processId == GetCurrentProcessId())
        return false;
    return CallCompanion("FKillPro", processId);
}

bool DllDeleteFile(const std::string& path) {
    const std::string canonical = CanonicalDeletePath(path);
    if (canonical.empty() || IsProtectedPath(canonical))
        return false;
    return CallCompanion("FDelFile",
                         static_cast<DWORD>(reinterpret_cast<UINT_PTR>(canonical.c_str())));
}

} // namespace ku
