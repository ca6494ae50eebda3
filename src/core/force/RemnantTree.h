// The check tree of program keys below SOFTWARE that the force scans found but did not list:
// the user ticks keys and values, and the ticked ones become leftover items.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/removal/ValueContentUnit.h"

namespace ku {

enum : int { RemnantImageKey = 0, RemnantImageString = 1, RemnantImageNumber = 2 };
enum : int { RemnantNoCheck = 0, RemnantUnticked = 1, RemnantTicked = 2 };

// One node. Its registry place is kept as data: key names may hold "=" and value names ">",
// so the node text is for showing only.
struct RemnantNode {
    std::string text;
    int image = RemnantImageKey;
    int state = RemnantNoCheck;
    int parent = -1;
    std::vector<int> children;
    HKEY root = nullptr;
    std::string keyPath;   // below the root, without a leading "\"
    std::string valueName; // value nodes only
    bool isValue = false;
};

// The program keys (root name, "\", "SOFTWARE\" and one name) to show for the collected key
// paths: Microsoft, Classes, Clients, ODBC and Wow6432Node paths are left out, duplicates are
// merged ignoring case, and a key that also exists below HKEY_CURRENT_USER is shown there too.
std::vector<std::string> RemnantProgramKeys(const std::vector<std::string>& keys);

class TRemnantTree {
public:
    // Rebuilds the tree from the collected key paths, reading keys and values live.
    void BuildRemnantTree(const std::vector<std::string>& keys);
    // Adds the values and, recursively, the subkeys of Root\KeyPath below Parent.
    void AddRegistryBranch(HKEY root, int parent, const std::string& keyPath);

    // A press on a node's check picture: unticked becomes ticked; ticked becomes unticked
    // unless its parent is ticked. The new state passes to the whole subtree. Returns whether
    // anything changed.
    bool ToggleNode(int index);
    void SetSubtreeState(int index);

    // One item per ticked node, in tree order: a key item for a key node, a value item for a
    // value node.
    void AddCheckedRemnants(TUninstallerContents& list) const;

    const std::vector<RemnantNode>& Nodes() const { return nodes_; }
    // Top nodes in order.
    const std::vector<int>& Roots() const { return roots_; }
    int Find(const std::string& path) const; // by node texts joined with "\", or -1
    void Clear() {
        nodes_.clear();
        roots_.clear();
    }

private:
    int AddNode(int parent, const std::string& text, int image, int state);
    void VisitInOrder(int index, std::vector<int>& order) const;

    std::vector<RemnantNode> nodes_;
    std::vector<int> roots_;
};

} // namespace ku
