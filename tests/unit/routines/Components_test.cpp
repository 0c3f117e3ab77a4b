#include <gtest/gtest.h>

#include "platform/Component.h"
#include "platform/Exceptions.h"
#include "routines/routines_Components.h"

namespace qlry {
namespace {

TEST(SetUniqueName, TakesTheFirstNameTheOwnerDoesNotHaveYet) {
    TComponent owner(nullptr);
    auto* first = new TComponent(&owner);
    auto* second = new TComponent(&owner);
    auto* third = new TComponent(&owner);
    auto* fourth = new TComponent(&owner);
    SetUniqueName(*first, "Link");
    SetUniqueName(*second, "Link");
    SetUniqueName(*third, "LINK");   // names differ only in case count as taken
    EXPECT_EQ(first->Name(), "Link");
    EXPECT_EQ(second->Name(), "Link1");
    EXPECT_EQ(third->Name(), "LINK2");
    SetUniqueName(*fourth, "Other");
    EXPECT_EQ(fourth->Name(), "Other");
}

TEST(SetUniqueName, InvalidBaseNameRaisesInsteadOfLoopingForever) {
    TComponent owner(nullptr);
    auto* child = new TComponent(&owner);
    EXPECT_THROW(SetUniqueName(*child, "2 words"), EComponentError);
}

} // namespace
} // namespace qlry
