#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/Exceptions.h"

using namespace qlry;

namespace {

// Keeps a reference to another component and clears it when told of its removal.
class TWatcher : public TComponent {
public:
    using TComponent::TComponent;
    TComponent* watched = nullptr;
    int removals = 0;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove) {
            ++removals;
            if (component == watched) watched = nullptr;
        }
    }
};

class TCounted : public TComponent {
public:
    explicit TCounted(TComponent* owner, int* alive) : TComponent(owner), alive_(alive) { ++*alive_; }
    ~TCounted() override { --*alive_; }

private:
    int* alive_;
};

} // namespace

TEST(ComponentModel, OwnerFreesItsComponentsAndTheyLeaveTheOwner) {
    int alive = 0;
    auto owner = std::make_unique<TComponent>(nullptr);
    new TCounted(owner.get(), &alive);
    TComponent* second = new TCounted(owner.get(), &alive);
    ASSERT_EQ(owner->ComponentCount(), 2);
    second->Free();
    EXPECT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(alive, 1);
    owner.reset();
    EXPECT_EQ(alive, 0);
}

TEST(ComponentModel, NamesAreUniqueAmongTheOwnersComponentsWithoutCase) {
    TComponent owner(nullptr);
    auto* first = new TComponent(&owner);
    auto* second = new TComponent(&owner);
    first->SetName("Install1");
    try {
        second->SetName("INSTALL1");
        FAIL() << "a duplicate name was accepted";
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "A component named INSTALL1 already exists");
    }
    EXPECT_EQ(second->Name(), "");
    first->SetName("install1");  // renaming to itself in another case is allowed
    EXPECT_EQ(owner.FindComponent("INSTALL1"), first);
    EXPECT_THROW(second->SetName("1abc"), EComponentError);
    EXPECT_THROW(second->SetName("a b"), EComponentError);
    second->SetName("_Group_2");
    EXPECT_EQ(owner.FindComponent("_group_2"), second);
}

TEST(ComponentModel, RemovalIsToldToSiblingsAndFreeNotificationClients) {
    TComponent form(nullptr);
    auto* sibling = new TWatcher(&form);
    auto* target = new TComponent(&form);
    sibling->watched = target;

    TComponent otherOwner(nullptr);
    auto* stranger = new TWatcher(&otherOwner);
    stranger->watched = target;
    stranger->FreeNotification(target);

    target->Free();
    EXPECT_EQ(sibling->watched, nullptr);
    EXPECT_EQ(stranger->watched, nullptr);

    // A client that goes first is forgotten: the later removal must not reach it.
    auto* other = new TComponent(&form);
    auto* client = new TWatcher(&otherOwner);
    client->FreeNotification(other);
    client->Free();
    other->Free();
}

TEST(ComponentModel, OwnedComponentsAreMarkedDestroyingBeforeTheyGo) {
    struct TProbe : TComponent {
        using TComponent::TComponent;
        bool* sawDestroying = nullptr;
        ~TProbe() override { *sawDestroying = IsDestroying(); }
    };
    bool sawDestroying = false;
    auto* owner = new TComponent(nullptr);
    (new TProbe(owner))->sawDestroying = &sawDestroying;
    owner->Free();
    EXPECT_TRUE(sawDestroying);
}

TEST(ComponentModel, BeforeDestructionRunsOnceWhileTheComponentIsWhole) {
    struct TProbe : TComponent {
        using TComponent::TComponent;
        std::vector<std::string>* log = nullptr;
        void BeforeDestruction() override { log->push_back(IsDestroying() ? "before" : "before, not destroying"); }
        ~TProbe() override { log->push_back("destroyed"); }
    };
    std::vector<std::string> log;
    auto* owner = new TComponent(nullptr);
    (new TProbe(owner))->log = &log;
    auto* freed = new TProbe(nullptr);
    freed->log = &log;
    freed->Free();
    owner->Free();
    EXPECT_EQ(log, (std::vector<std::string>{"before", "destroyed", "before", "destroyed"}));
}
