#include "TestComponents.h"

#include <gtest/gtest.h>

namespace {

class TCounted : public TComponent {
public:
    TCounted(TComponent* owner, int* freed) : TComponent(owner), freed_(freed) {}
    ~TCounted() override { ++*freed_; }

private:
    int* freed_;
};

TEST(Components, OwnerFreesWhatItOwnsWithTheirChildren) {
    int freed = 0;
    auto* owner = new TComponent(nullptr);
    auto* child = new TCounted(owner, &freed);
    new TCounted(child, &freed);
    new TCounted(owner, &freed);
    EXPECT_EQ(owner->ComponentCount(), 2);
    delete owner;
    EXPECT_EQ(freed, 3);
}

TEST(Components, FreedComponentLeavesItsOwner) {
    TComponent owner(nullptr);
    int freed = 0;
    auto* a = new TCounted(&owner, &freed);
    a->SetName("A");
    new TCounted(&owner, &freed);
    delete a;
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.FindComponent("A"), nullptr);
}

TEST(Components, FreeingTheTargetClearsReferencesToIt) {
    TComponent ownerA(nullptr), ownerB(nullptr);
    auto* link = new TTestLink(&ownerA);
    auto* target = new TComponent(&ownerB);
    link->SetTarget(target);
    delete target;
    EXPECT_EQ(link->Target(), nullptr);
}

TEST(Components, FreeingTheHolderFirstLeavesTheTargetSafe) {
    TComponent owner(nullptr);
    auto* target = new TComponent(&owner);
    auto* link = new TTestLink(&owner);
    link->SetTarget(target);
    delete link;
    auto* other = new TTestLink(&owner);
    other->SetTarget(target);
    delete target; // must tell only the living holder
    EXPECT_EQ(other->Target(), nullptr);
}

TEST(Components, NamesAreUniquePerOwnerWithoutRegardToCase) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    a->SetName("Image1");
    auto* b = new TComponent(&owner);
    try {
        b->SetName("IMAGE1");
        FAIL() << "duplicate name accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "A component named IMAGE1 already exists");
    }
    EXPECT_EQ(owner.FindComponent("image1"), a);
    TComponent otherOwner(nullptr);
    auto* c = new TComponent(&otherOwner);
    EXPECT_NO_THROW(c->SetName("Image1"));
}

TEST(Components, AssigningUnrelatedObjectsIsRefused) {
    TFont font;
    TPicture picture;
    try {
        font.Assign(&picture);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TPicture to a TFont");
    }
}

} // namespace
