// The RegRemain page's check tree: shows a TRemnantTree and passes presses on the check
// pictures to it, so ticking follows the tree's rules, not the control's own.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "core/force/RemnantTree.h"

namespace ku {

class TRemnantTreeView {
public:
    TRemnantTreeView(HWND tree, TRemnantTree& model) : tree_(tree), model_(model) {}

    // Empties the control and adds every node of the model (node index as item data).
    void Fill();
    // Gives every item the check picture of its node's state.
    void Sync() const;
    // A left-button press at a client point of the control: on a node's check picture it
    // toggles the node and answers true.
    bool RegTreeViewMouseDown(POINT clientPoint);
    // The item's check picture pressed (from the keyboard: Space on the selected item).
    bool ToggleItem(HTREEITEM item);

private:
    void AddNode(int index, HTREEITEM parent);

    HWND tree_;
    TRemnantTree& model_;
    std::vector<HTREEITEM> items_;
};

} // namespace ku
