#include "platform/Lists.h"

#include <algorithm>

#include "platform/Exceptions.h"

namespace qlry {

void TList::CheckIndex(int index, int count) const {
    if (index < 0 || index >= count) throw EListError("List index out of bounds (%d)", {index});
}

void* TList::Items(int index) const {
    CheckIndex(index, Count());
    return items_[index];
}

void TList::Put(int index, void* item) {
    CheckIndex(index, Count());
    items_[index] = item;
}

int TList::Add(void* item) {
    items_.push_back(item);
    return Count() - 1;
}

void TList::Insert(int index, void* item) {
    CheckIndex(index, Count() + 1);
    items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index) {
    CheckIndex(index, Count());
    items_.erase(items_.begin() + index);
}

int TList::Remove(void* item) {
    int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

int TList::IndexOf(void* item) const {
    auto found = std::find(items_.begin(), items_.end(), item);
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TList::Exchange(int index1, int index2) {
    CheckIndex(index1, Count());
    CheckIndex(index2, Count());
    std::swap(items_[index1], items_[index2]);
}

void TList::Move(int currentIndex, int newIndex) {
    if (currentIndex == newIndex) return;
    CheckIndex(newIndex, Count());
    void* item = Items(currentIndex);
    items_.erase(items_.begin() + currentIndex);
    items_.insert(items_.begin() + newIndex, item);
}

void TList::Sort(const CompareFunction& compare) {
    std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

} // namespace qlry
