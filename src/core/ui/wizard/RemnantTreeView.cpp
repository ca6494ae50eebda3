// The RegRemain check tree control bound to its model; the window gives the control its key and
// value pictures and its check pictures (state 1 unticked, 2 ticked).
#include "core/ui/wizard/RemnantTreeView.h"

#include <commctrl.h>

namespace ku {

void TRemnantTreeView::Fill() {
    SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(tree_);
    items_.assign(model_.Nodes().size(), nullptr);
    for (int root : model_.Roots())
        AddNode(root, TVI_ROOT);
    for (HTREEITEM item : items_)
        if (item)
            TreeView_Expand(tree_, item, TVE_EXPAND);
    SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
    Sync();
}

void TRemnantTreeView::AddNode(int index, HTREEITEM parent) {
    const RemnantNode& node = model_.Nodes()[index];
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(node.text.c_str());
    insert.item.lParam = index;
    insert.item.iImage = insert.item.iSelectedImage = node.image; // key, string or number
    items_[index] = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    for (int child : node.children)
        AddNode(child, items_[index]);
}

void TRemnantTreeView::Sync() const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!items_[i])
            continue;
        TVITEMA item = {};
        item.mask = TVIF_STATE;
        item.hItem = items_[i];
        item.stateMask = TVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(model_.Nodes()[i].state);
        SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

bool TRemnantTreeView::RegTreeViewMouseDown(POINT clientPoint) {
    TVHITTESTINFO hit = {};
    hit.pt = clientPoint;
    TreeView_HitTest(tree_, &hit);
    return hit.hItem && (hit.flags & TVHT_ONITEMSTATEICON) && ToggleItem(hit.hItem);
}

bool TRemnantTreeView::ToggleItem(HTREEITEM handle) {
    TVITEMA item = {};
    item.mask = TVIF_PARAM;
    item.hItem = handle;
    // exact-text: its number, picture or data only, no text
    if (!handle || !SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return false;
    model_.ToggleNode(static_cast<int>(item.lParam));
    Sync();
    return true;
}

} // namespace ku
