// Work that would hold a window up runs on a thread of its own while the window thread goes on
// answering its messages; the worker never touches a window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/system/PublicFunctionUnit.h"

namespace ku {

// Runs work on a new thread and lets the calling thread's window messages through until it
// has ended; tick runs on the calling thread about every 100 ms meanwhile (a progress display).
// An exception of work is raised again here, once it has ended.
void RunOffWindowThread(const std::function<void()>& work, const std::function<void()>& tick);

// What the label says while the export into file is written: how much of it there is so far.
std::string BackupProgressText(const std::string& file);

// Waits for the registry export that way, showing its progress in label; the label's own text
// comes back afterwards.
ExportWait ExportWaitShownIn(HWND label);

} // namespace ku
