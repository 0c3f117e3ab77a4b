#pragma once
// A list of untyped pointers; the list never owns what they point to.
#include <functional>
#include <vector>

#include "platform/Component.h"

namespace qlry {

class TList : public TObject {
public:
    // Negative when a sorts before b.
    using CompareFunction = std::function<int(void* a, void* b)>;

    int Count() const { return static_cast<int>(items_.size()); }
    void* Items(int index) const;
    void* operator[](int index) const { return Items(index); }
    void Put(int index, void* item);

    int Add(void* item);
    void Insert(int index, void* item);
    void Delete(int index);
    int Remove(void* item);  // the index it had, or -1
    int IndexOf(void* item) const;
    void Clear() { items_.clear(); }
    void Exchange(int index1, int index2);
    void Move(int currentIndex, int newIndex);
    void Sort(const CompareFunction& compare);
    void* First() const { return Items(0); }
    void* Last() const { return Items(Count() - 1); }

private:
    void CheckIndex(int index, int count) const;

    std::vector<void*> items_;
};

} // namespace qlry
