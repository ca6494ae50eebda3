// The leftover list: ordered items of nine strings each.
#include "core/removal/ValueContentUnit.h"

#include "core/system/StrUtil.h"

namespace ku {

int TUninstallerContents::AddItem() {
    items_.emplace_back();
    return static_cast<int>(items_.size()) - 1;
}

static void CheckIndex(int index, size_t count) {
    if (index < 0 || static_cast<size_t>(index) >= count)
        throw std::out_of_range(Format("List index out of bounds (%d)", index));
}

TUninstallerContentItem& TUninstallerContents::GetItem(int index) {
    CheckIndex(index, items_.size());
    return items_[static_cast<size_t>(index)];
}

const TUninstallerContentItem& TUninstallerContents::GetItem(int index) const {
    CheckIndex(index, items_.size());
    return items_[static_cast<size_t>(index)];
}

void TUninstallerContents::Delete(int index) {
    CheckIndex(index, items_.size());
    items_.erase(items_.begin() + index);
}

} // namespace ku
