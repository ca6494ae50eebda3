// Test support: the launcher seam with Wine's stub netsh replaced by the fake one of the
// fixtures. Command-interpreter runs are started for real with "netsh" pointing at the fake;
// anything else (Notepad ...) is only recorded.
#pragma once

#include <string>

#include "core/system/StrUtil.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"

namespace kutest {

inline const std::string kFakeNetsh = std::string(kFixtureDir) + "\\FakeNetsh.exe";

class NetshLauncher : public RecordingLauncher {
  public:
    ku::LaunchResult Launch(const ku::LaunchRequest& request) override {
        ku::LaunchRequest changed = request;
        const bool viaCmd = ku::StartsText(request.commandLine, "cmd.exe ");
        if (viaCmd)
            changed.commandLine =
                ku::ReplaceAll(request.commandLine, " netsh ", " " + kFakeNetsh + " ");
        forward = viaCmd && ok;
        return RecordingLauncher::Launch(changed);
    }
};

} // namespace kutest
