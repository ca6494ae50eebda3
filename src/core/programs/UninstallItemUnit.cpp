// The installed-program list model.
#include "core/programs/UninstallItemUnit.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "core/system/StrUtil.h"

namespace ku {

std::string UninstallItemUnit::RowCaption(const TContent& record) {
    return record.ShowsInexactText && !record.Inexact ? record.DisplayName + kInexactNote
                                                      : record.DisplayName;
}

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
    if (column < SortByName || column > SortByPublisher ||
        (direction != SortAscending && direction != SortDescending))
        return;
    // The keys are made once. A stable sort keeps records with equal keys in the order they
    // had, which an exchange sort does not always do, and takes n log n steps where an
    // exchange sort over a long list takes a noticeable moment.
    std::vector<std::string> keys;
    keys.reserve(items_.size());
    for (const TUninstallContentItem& item : items_) {
        const UninstallItemUnit::TContent& c = item.Content;
        keys.push_back(column == SortByName          ? Trim(c.DisplayName)
                       : column == SortByInstallDate ? c.InstallDate
                                                     : c.Publisher);
    }
    std::vector<size_t> order(items_.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int compared = keys[a].compare(keys[b]);
        return direction == SortAscending ? compared < 0 : compared > 0;
    });
    std::vector<TUninstallContentItem> sorted;
    sorted.reserve(items_.size());
    for (size_t index : order)
        sorted.push_back(std::move(items_[index]));
    items_ = std::move(sorted);
}

} // namespace ku
