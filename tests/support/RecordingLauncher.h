// Test support: a launcher that records every start request, optionally starting it for real.
#pragma once

#include <mutex>
#include <vector>

#include "core/system/Launcher.h"

namespace kutest {

// Installs itself for its lifetime. Answers `ok` without starting anything, unless `forward`
// is set, when the real launcher starts the program.
class RecordingLauncher : public ku::ICommandLauncher {
  public:
    RecordingLauncher() { ku::SetCommandLauncher(this); }
    ~RecordingLauncher() override { ku::SetCommandLauncher(nullptr); }

    ku::LaunchResult Launch(const ku::LaunchRequest& request) override {
        {
            std::lock_guard<std::mutex> guard(lock_);
            requests_.push_back(request);
        }
        if (forward)
            return ku::RealLauncher().Launch(request);
        ku::LaunchResult result;
        result.ok = ok;
        return result;
    }

    std::vector<ku::LaunchRequest> Requests() {
        std::lock_guard<std::mutex> guard(lock_);
        return requests_;
    }

    bool ok = true;
    bool forward = false;

  private:
    std::mutex lock_;
    std::vector<ku::LaunchRequest> requests_;
};

} // namespace kutest
