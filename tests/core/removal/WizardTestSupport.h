// Helpers of the wizard tests: leftover items, a progress recorder, a removal host that records
// what it was told, and the fixture that leaves the shared scan state as it found it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/force/ForceSupport.h"
#include "core/removal/Removal.h"
#include "core/removal/ValueContentUnit.h"
#include "core/removal/WizardState.h"
#include "core/system/SharedState.h"

namespace kutest {

// Appends a key ("1") or value ("2") item found in the view ("32", "64" or "").
inline void AddKeyItem(ku::TUninstallerContents& list, const std::string& type,
                       const std::string& root, const std::string& path,
                       const std::string& value = "", const std::string& view = "") {
    ku::TContent& item = list.GetItem(list.AddItem()).Content;
    item.ItemType = type, item.RootKeyName = root, item.KeyPath = path;
    item.ValueName = value, item.Extra = view;
}
inline void AddFileItem(ku::TUninstallerContents& list, const std::string& path) {
    ku::TContent& item = list.GetItem(list.AddItem()).Content;
    item.ItemType = ku::kItemFile, item.FilePath = path;
}

// Each test starts with the scan running in the process's own view and leaves it so.
class WizardTest : public ::testing::Test {
protected:
    void SetUp() override { ku::ScanState = ku::ScanRun, ku::RegistryView64 = false; }
    void TearDown() override { SetUp(); }
};

struct CountingProgress : ku::IScanProgress {
    int pumps = 0;
    std::function<void(int)> onPump; // called with the pump count
    void Pump() override {
        ++pumps;
        if (onPump)
            onPump(pumps);
    }
    void Caption(const std::string&) override {}
};

// Answers every question with the next scripted answer (IDYES when the script ran out),
// records what the removal showed and asked, and stops it at item `stopAt` as the Cancel
// button does.
class RecordingHost : public ku::IRemovalHost {
public:
    std::vector<int> answers;
    int stopAt = -1;
    std::vector<std::string> Calls() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    void SetFinishTexts(const std::string& title, const std::string& message) override {
        Note("texts " + title + " / " + message);
    }
    void ShowProgress(bool shown) override { Note(shown ? "progress shown" : "progress hidden"); }
    void SetProgressRange(int, int) override {}
    void SetProgress(int position) override {
        if (position == stopAt)
            ku::ScanState = ku::ScanStopRemoving;
    }
    void EnableButtons(bool step, bool cancel) override {
        Note(std::string("buttons ") + (step ? "1" : "0") + (cancel ? "1" : "0"));
    }
    int Ask(const std::string&, const std::string& caption, UINT) override {
        Note("ask " + caption);
        std::lock_guard<std::mutex> lock(mutex_);
        return next_ < answers.size() ? answers[next_++] : IDYES;
    }

private:
    void Note(const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(line);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    size_t next_ = 0;
};

} // namespace kutest
