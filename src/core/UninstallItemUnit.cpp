// The installed-program list model.
#include "core/UninstallItemUnit.h"

#include <stdexcept>
#include <utility>

#include "core/StrUtil.h"

namespace ku {

TUninstallContents* ProgramList = nullptr;
uint8_t SortColumn = SortByName;
uint8_t SortDirection = SortAscending;

int TUninstallContents::Add() {
    items_.emplace_back();
    return Count() - 1;
}

bool TUninstallContents::Delete(int index) {
    if (index < 0 || index >= Count())
        return false;
    items_.erase(items_.begin() + index);
    return true;
}

TUninstallContentItem& TUninstallContents::GetItem(int index) {
    if (index < 0 || index >= Count())
        throw std::out_of_range("TUninstallContents: index out of range");
    return items_[static_cast<size_t>(index)];
}

const TUninstallContentItem& TUninstallContents::GetItem(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("TUninstallContents: index out of range");
    return items_[static_cast<size_t>(index)];
}

void TUninstallContents::SortBy(int column, int direction) {
    if (column < SortByName || column > SortByPublisher)
        return;
    // The keys are made once; they travel with their records through the swaps.
    std::vector<std::string> keys;
    keys.reserve(items_.size());
    for (const TUninstallContentItem& item : items_) {
        const UninstallItemUnit::TContent& c = item.Content;
        keys.push_back(column == SortByName          ? Trim(c.DisplayName)
                       : column == SortByInstallDate ? c.InstallDate
                                                     : c.Publisher);
    }
    const size_t count = items_.size();
    for (size_t i = 0; i < count; ++i) {
        for (size_t j = i; j < count; ++j) {
            const int order = keys[i].compare(keys[j]);
            if ((direction == SortAscending && order > 0) ||
                (direction == SortDescending && order < 0)) {
                std::swap(keys[i], keys[j]);
                std::swap(items_[i], items_[j]);
            }
        }
    }
}

} // namespace ku
