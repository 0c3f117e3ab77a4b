#include <gtest/gtest.h>

#include <vector>

#include "platform/Exceptions.h"
#include "platform/Lists.h"

namespace qlry {
namespace {

TEST(List, KeepsPointersInTheOrderAskedAndRejectsBadIndexes) {
    int values[] = {0, 1, 2, 3};
    TList list;
    list.Add(&values[2]);
    list.Add(&values[0]);
    list.Insert(1, &values[3]);  // 2 3 0
    list.Move(0, 2);             // 3 0 2
    list.Exchange(0, 1);         // 0 3 2
    EXPECT_EQ(list.Remove(&values[3]), 1);
    EXPECT_EQ(list.Remove(&values[1]), -1);
    list.Add(&values[1]);  // 0 2 1
    list.Sort([](void* a, void* b) { return *static_cast<int*>(a) - *static_cast<int*>(b); });
    std::vector<int> order;
    for (int i = 0; i < list.Count(); ++i) order.push_back(*static_cast<int*>(list[i]));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));

    try {
        list.Items(3);
        FAIL() << "no exception";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (3)");
    }
    EXPECT_THROW(list.Insert(4, nullptr), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
}

} // namespace
} // namespace qlry
