// The fixed list of known applications the special-uninstall wizard offers: one entry per
// row, a caption shown to the user and the key that decides what the wizard does.
#pragma once

#include <string>
#include <vector>

namespace ku {

// The 119 entries "caption|key", in the order shown.
const std::vector<std::string>& ApplicationList();

struct ApplicationEntry {
    std::string caption; // the text before the first "|"
    std::string key;     // the text after it
};
ApplicationEntry SplitApplicationEntry(const std::string& entry);

} // namespace ku
