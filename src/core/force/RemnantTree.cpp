// Remnant key tree: program keys below SOFTWARE read live, ticked entries become items.
#include "core/force/RemnantTree.h"

#include <algorithm>

#include "core/scan/RegValueList.h"
#include "core/system/FileSystem.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

const char* const kLeftOut[] = {"SOFTWARE\\Microsoft", "SOFTWARE\\Classes", "SOFTWARE\\Clients",
                                "SOFTWARE\\ODBC", "Wow6432Node"};

std::string DropPrefix(const std::string& text, const std::string& prefix) {
    return StartsText(text, prefix) ? text.substr(prefix.size()) : text;
}

// "SOFTWARE\Name" of a collected path, or empty when it names no program key.
std::string ProgramKeyOf(const std::string& entry) {
    std::string rest = DropPrefix(entry, "\\");
    rest = DropPrefix(rest, "HKEY_LOCAL_MACHINE\\");
    rest = DropPrefix(rest, "HKEY_CURRENT_USER\\");
    rest = DropPrefix(rest, "\\");
    const size_t at = UpperCase(rest).find("SOFTWARE\\");
    if (at == std::string::npos)
        return std::string();
    const size_t nameStart = at + 9;
    const size_t nameEnd = rest.find('\\', nameStart);
    const std::string name = rest.substr(nameStart, nameEnd == std::string::npos
                                                        ? std::string::npos
                                                        : nameEnd - nameStart);
    if (Trim(name).empty())
        return std::string();
    return rest.substr(0, nameStart) + name;
}

bool HasText(const std::vector<std::string>& list, const std::string& text) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& entry) { return SameText(entry, text); });
}

} // namespace

std::vector<std::string> RemnantProgramKeys(const std::vector<std::string>& keys) {
    std::vector<std::string> work;
    for (const std::string& entry : keys) {
        if (std::any_of(std::begin(kLeftOut), std::end(kLeftOut),
                        [&](const char* part) { return ContainsText(entry, part); }))
            continue;
        const std::string key = ProgramKeyOf(entry);
        if (!key.empty() && !HasText(work, key))
            work.push_back(key);
    }
    const size_t machineCount = work.size();
    for (size_t i = 0; i < machineCount; ++i) {
        if (ScanKeyExists(HKEY_CURRENT_USER, work[i]))
            work.push_back("HKEY_CURRENT_USER\\" + work[i]);
        work[i] = "HKEY_LOCAL_MACHINE\\" + work[i];
    }
    return work;
}

int TRemnantTree::AddNode(int parent, const std::string& text, int image, int state) {
    RemnantNode node;
    node.text = text;
    node.image = image;
    node.state = state;
    node.parent = parent;
    nodes_.push_back(std::move(node));
    const int index = static_cast<int>(nodes_.size()) - 1;
    if (parent >= 0)
        nodes_[parent].children.push_back(index);
    else
        roots_.push_back(index);
    return index;
}

void TRemnantTree::BuildRemnantTree(const std::vector<std::string>& keys) {
    Clear();
    int softwareOf[2] = {-1, -1}; // below HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER
    for (const std::string& entry : RemnantProgramKeys(keys)) {
        const size_t first = entry.find('\\');
        const size_t second = first == std::string::npos ? first : entry.find('\\', first + 1);
        if (second == std::string::npos)
            continue;
        const std::string rootName = entry.substr(0, first);
        const std::string middle = entry.substr(first + 1, second - first - 1);
        const std::string name = entry.substr(second + 1);
        const int slot = rootName == "HKEY_LOCAL_MACHINE" ? 0
                         : rootName == "HKEY_CURRENT_USER" ? 1
                                                           : -1;
        if (slot < 0 || middle.empty() || name.empty())
            continue;
        const HKEY root = NameToRootKey(rootName);
        if (softwareOf[slot] < 0) {
            const int top = AddNode(-1, rootName, RemnantImageKey, RemnantNoCheck);
            nodes_[top].root = root;
            softwareOf[slot] = AddNode(top, "SOFTWARE", RemnantImageKey, RemnantNoCheck);
            nodes_[softwareOf[slot]].root = root;
            nodes_[softwareOf[slot]].keyPath = middle;
        }
        const int node = AddNode(softwareOf[slot], name, RemnantImageKey, RemnantUnticked);
        nodes_[node].root = root;
        nodes_[node].keyPath = middle + "\\" + name;
        AddRegistryBranch(root, node, middle + "\\" + name);
    }
}

void TRemnantTree::AddRegistryBranch(HKEY root, int parent, const std::string& keyPath) {
    UniqueKey key;
    if (!OpenScanKey(root, keyPath, key.put()))
        return;
    for (const RegValueEntry& value : ReadValues(key.get())) {
        std::string text;
        int image = RemnantImageString;
        if (IsStringValue(value)) {
            // A path stored in short (8.3) form is shown as a user knows it.
            text = value.name + ">" + LongPathName(ValueText(value));
        } else if (value.type == REG_DWORD && value.data.size() >= 4) {
            DWORD number = 0;
            std::copy_n(value.data.data(), 4, reinterpret_cast<char*>(&number));
            text = value.name + ">" + std::to_string(number);
            image = RemnantImageNumber;
        } else if (value.type == REG_BINARY) {
            text = value.name;
            image = RemnantImageNumber;
        } else {
            continue;
        }
        if (Trim(text) == ">")
            continue;
        const int node = AddNode(parent, text, image, RemnantUnticked);
        nodes_[node].root = root;
        nodes_[node].keyPath = keyPath;
        nodes_[node].valueName = value.name;
        nodes_[node].isValue = true;
    }
    for (const std::string& name : ReadSubkeyNames(key.get())) {
        const int node = AddNode(parent, name, RemnantImageKey, RemnantUnticked);
        const std::string path = keyPath.empty() ? name : keyPath + "\\" + name;
        nodes_[node].root = root;
        nodes_[node].keyPath = path;
        AddRegistryBranch(root, node, path);
    }
}

bool TRemnantTree::ToggleNode(int index) {
    if (index < 0 || index >= static_cast<int>(nodes_.size()))
        return false;
    RemnantNode& node = nodes_[index];
    if (node.state == RemnantUnticked) {
        node.state = RemnantTicked;
    } else if (node.state == RemnantTicked) {
        if (node.parent >= 0 && nodes_[node.parent].state == RemnantTicked)
            return false; // stays ticked while its key is ticked
        node.state = RemnantUnticked;
    } else {
        return false;
    }
    SetSubtreeState(index);
    return true;
}

void TRemnantTree::SetSubtreeState(int index) {
    for (int child : nodes_[index].children) {
        nodes_[child].state = nodes_[index].state;
        SetSubtreeState(child);
    }
}

void TRemnantTree::VisitInOrder(int index, std::vector<int>& order) const {
    order.push_back(index);
    for (int child : nodes_[index].children)
        VisitInOrder(child, order);
}

void TRemnantTree::AddCheckedRemnants(TUninstallerContents& list) const {
    std::vector<int> order;
    for (int top : roots_)
        VisitInOrder(top, order);
    for (int index : order) {
        const RemnantNode& node = nodes_[index];
        if (node.state != RemnantTicked || node.keyPath.empty())
            continue;
        TContent& item = list.GetItem(list.AddItem()).Content;
        item.RootKeyName = RootKeyToName(node.root);
        item.KeyPath = node.keyPath;
        item.ValueName = node.isValue ? node.valueName : std::string();
        item.ItemType = node.isValue ? kItemRegistryValue : kItemRegistryKey;
        item.Extra = ScanViewMarker();
    }
}

int TRemnantTree::Find(const std::string& path) const {
    const std::vector<std::string> parts = SplitString(path, '\\');
    const std::vector<int>* level = &roots_;
    int found = -1;
    for (const std::string& part : parts) {
        found = -1;
        for (int index : *level)
            if (nodes_[index].text == part) {
                found = index;
                break;
            }
        if (found < 0)
            return -1;
        level = &nodes_[found].children;
    }
    return found;
}

} // namespace ku
