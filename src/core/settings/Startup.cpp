// Start-up decisions: argument, updater swap, profile unpacking, single instance.
#include "core/settings/Startup.h"
#include "core/system/FileSystem.h"

#include <shellapi.h>

#include "core/system/ExactNames.h"
#include "core/system/Launcher.h"
#include "core/system/StrUtil.h"

namespace ku {

bool IsAutoRunSwitch(const std::string& argument) {
    std::string text = Trim(argument);
    if (!text.empty() && (text[0] == '-' || text[0] == '/'))
        text.erase(0, 1);
    return SameText(text, "AUTORUN");
}

StartRequest ParseStartArgument(const std::string& argument) {
    StartRequest request;
    if (IsAutoRunSwitch(argument)) {
        request.mode = StartMode::AutoRun;
        return request;
    }
    if (argument.empty())
        return request;
    if (FileExists(argument))
        request.startFile = argument;
    if (DirectoryExists(argument))
        request.startFolder = argument;
    return request;
}

std::string FirstCommandLineArgument(std::string* inexact) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments)
        return std::string();
    std::string first;
    // A path the code page cannot hold is not taken: its best-fit form names another file.
    if (count > 1 && !ExactAnsi(arguments[1], wcslen(arguments[1]), first)) {
        if (inexact)
            *inexact = first;
        first.clear();
    }
    LocalFree(arguments);
    return first;
}

bool SwapUpdater(const std::string& programDir) {
    const std::string fresh = JoinPath(programDir, "New_kuUpdate.exe");
    const std::string current = JoinPath(programDir, "kuUpdate.exe");
    if (!FileExists(fresh))
        return false;
    DeleteFileA(current.c_str()); // may be missing: the rename below decides
    return MoveFileA(fresh.c_str(), current.c_str()) != FALSE;
}

std::vector<std::string> ProfileUnpackCommands(const std::string& programDir) {
    std::vector<std::string> commands;
    const std::string unpacker = JoinPath(programDir, "UnRAR.exe");
    if (!FileExists(unpacker))
        return commands;
    for (const char* letter : {"A", "B", "C"}) {
        const std::string archive = std::string("Code") + letter + ".rar";
        const std::string data = std::string("Code") + letter + ".dat";
        if (FileExists(JoinPath(programDir, archive)) && !FileExists(JoinPath(programDir, data)))
            commands.push_back("\"" + unpacker + "\" e " + archive);
    }
    return commands;
}

int UnpackProfileArchives(const std::string& programDir) {
    int started = 0;
    // The archive is named without a folder, so the unpacker must run in the program folder
    // for the data files to land where they are read.
    for (const std::string& command : ProfileUnpackCommands(programDir)) {
        LaunchRequest request;
        request.kind = LaunchRequest::Kind::Process;
        request.commandLine = command;
        request.directory = programDir;
        request.show = SW_SHOWNORMAL;
        if (Launch(request).ok)
            ++started;
    }
    return started;
}

SingleInstance::SingleInstance(const std::string& name) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    const DWORD error = GetLastError();
    mutex_.reset(mutex);
    // A mutex of another user's session cannot be opened at all: that is an instance too.
    first_ = mutex ? error != ERROR_ALREADY_EXISTS : error != ERROR_ACCESS_DENIED;
}

} // namespace ku
