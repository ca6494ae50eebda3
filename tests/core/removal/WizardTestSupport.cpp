// Helpers of the wizard tests.
#include "WizardTestSupport.h"

namespace kutest {

void AddKeyItem(ku::TUninstallerContents& list, const std::string& type, const std::string& root,
                const std::string& path, const std::string& value, const std::string& view) {
    ku::TContent& item = list.GetItem(list.AddItem()).Content;
    item.ItemType = type;
    item.RootKeyName = root;
    item.KeyPath = path;
    item.ValueName = value;
    item.Extra = view;
}

void AddFileItem(ku::TUninstallerContents& list, const std::string& path) {
    ku::TContent& item = list.GetItem(list.AddItem()).Content;
    item.ItemType = ku::kItemFile;
    item.FilePath = path;
}

void RecordingHost::Note(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(line);
}

std::vector<std::string> RecordingHost::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<std::string> RecordingHost::Questions() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return questions_;
}

void RecordingHost::SetFinishTexts(const std::string& title, const std::string& message) {
    Note("texts " + title + " / " + message);
}
void RecordingHost::ShowProgress(bool visible) { Note(visible ? "progress shown" : "progress hidden"); }
void RecordingHost::SetProgressRange(int, int) {}
void RecordingHost::SetProgress(int) {}
void RecordingHost::EnableButtons(bool step, bool cancel) {
    Note(std::string("buttons ") + (step ? "1" : "0") + (cancel ? "1" : "0"));
}

int RecordingHost::Ask(const std::string& text, const std::string& caption, UINT) {
    std::lock_guard<std::mutex> lock(mutex_);
    questions_.push_back(caption + ": " + text);
    calls_.push_back("ask " + caption);
    return next_ < answers.size() ? answers[next_++] : IDYES;
}

} // namespace kutest
