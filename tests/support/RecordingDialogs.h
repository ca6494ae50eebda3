// Test support: answers every message box with the next scripted answer (IDOK, or IDYES for a
// question, when the script ran out) and records what was shown. Installs itself for its
// lifetime.
#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include "core/system/Dialogs.h"

namespace kutest {

class RecordingDialogs {
  public:
    RecordingDialogs() {
        ku::SetMessageBoxHook([this](const ku::MessageBoxCall& call) {
            std::lock_guard<std::mutex> guard(lock_);
            calls_.push_back(call);
            int answer = (call.type & 0xF) == MB_YESNO ? IDYES : IDOK;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            return answer;
        });
    }
    ~RecordingDialogs() { ku::SetMessageBoxHook(nullptr); }

    std::vector<ku::MessageBoxCall> Calls() {
        std::lock_guard<std::mutex> guard(lock_);
        return calls_;
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const ku::MessageBoxCall& call : Calls())
            texts.push_back(call.text);
        return texts;
    }

    std::deque<int> answers; // set before the boxes come

  private:
    std::mutex lock_;
    std::vector<ku::MessageBoxCall> calls_;
};

} // namespace kutest
