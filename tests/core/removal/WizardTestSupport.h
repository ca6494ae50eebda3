// Helpers of the wizard tests: writing leftover lists, a progress recorder, a removal host.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/removal/Removal.h"
#include "core/removal/ValueContentUnit.h"
#include "core/removal/WizardState.h"

namespace kutest {

// Appends a key ("1") or value ("2") item found in the view ("32", "64" or "").
void AddKeyItem(ku::TUninstallerContents& list, const std::string& type, const std::string& root,
                const std::string& path, const std::string& value = "",
                const std::string& view = "");
void AddFileItem(ku::TUninstallerContents& list, const std::string& path);

struct CountingProgress : ku::IScanProgress {
    int pumps = 0;
    std::vector<std::string> captions;
    std::function<void(int)> onPump; // called with the pump count
    void Pump() override {
        ++pumps;
        if (onPump)
            onPump(pumps);
    }
    void Caption(const std::string& text) override { captions.push_back(text); }
};

// Answers every question with the next scripted answer (IDYES when the script ran out) and
// records what the removal showed.
class RecordingHost : public ku::IRemovalHost {
public:
    std::vector<int> answers;
    std::vector<std::string> Calls() const;
    std::vector<std::string> Questions() const;

    void SetFinishTexts(const std::string& title, const std::string& message) override;
    void ShowProgress(bool visible) override;
    void SetProgressRange(int minimum, int maximum) override;
    void SetProgress(int position) override;
    void EnableButtons(bool step, bool cancel) override;
    int Ask(const std::string& text, const std::string& caption, UINT type) override;

private:
    void Note(const std::string& line);
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::vector<std::string> questions_;
    size_t next_ = 0;
};

} // namespace kutest
