// Test support: a launcher under which the whole-registry export takes as long as the test
// wants. Regedit's "/E" file gets an export's first line at once and grows until `finish` is
// set (or half a minute has passed); nothing else is started. The file goes at the end.
#pragma once

#include <windows.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <string>

#include "core/system/Launcher.h"

namespace kutest {

class SlowExport : public ku::ICommandLauncher {
  public:
    SlowExport() { ku::SetCommandLauncher(this); }
    ~SlowExport() override {
        finish = true;
        ku::SetCommandLauncher(nullptr);
        std::lock_guard<std::mutex> guard(lock_);
        if (!file_.empty())
            DeleteFileA(file_.c_str());
    }
    SlowExport(const SlowExport&) = delete;
    SlowExport& operator=(const SlowExport&) = delete;

    ku::LaunchResult Launch(const ku::LaunchRequest& request) override {
        ku::LaunchResult result;
        result.ok = true;
        const std::string& line = request.commandLine;
        const size_t at = line.find("/E \""); // the file, quoted, ends the line
        if (at == std::string::npos)
            return result;
        const std::string file = line.substr(at + 4, line.size() - at - 5);
        {
            std::lock_guard<std::mutex> guard(lock_);
            file_ = file;
        }
        {
            std::ofstream out(file, std::ios::binary);
            out << "REGEDIT4\r\n";
            out.flush();
            started = true;
            const std::string block(64 * 1024, ';');
            for (const DWORD begin = GetTickCount(); !finish && GetTickCount() - begin < 30000;
                 Sleep(20)) {
                out << block;
                out.flush();
            }
        }
        result.exited = true;
        return result;
    }

    std::atomic<bool> started{false}, finish{false};

  private:
    std::mutex lock_;
    std::string file_;
};

} // namespace kutest
