// Component model tests: class names, Assign errors, ownership, free notification, host hooks.
#include <gtest/gtest.h>

#include <memory>

#include "Component.h"
#include "Host.h"

using namespace qel;

namespace {

/// A component holding a reference to another, cleared by free notification.
class TLinker : public TComponent {
 public:
  using TComponent::TComponent;
  ~TLinker() override { SetPeer(nullptr); }
  TComponent* Peer = nullptr;
  int Removals = 0;
  void SetPeer(TComponent* Value) {
    if (Peer) RemoveFreeNotification(Peer);
    Peer = Value;
    if (Peer) FreeNotification(Peer);
  }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == Peer) {
      Peer = nullptr;
      ++Removals;
    }
  }
};

class TOther : public TPersistent {};

}  // namespace

TEST(Component, ClassNameIsTheClassOwnName) {
  TLinker L(nullptr);
  EXPECT_EQ(L.ClassName(), "TLinker");
  TComponent C(nullptr);
  EXPECT_EQ(C.ClassName(), "TComponent");
}

TEST(Component, AssignBetweenUnrelatedClassesRaisesConvertError) {
  TOther A, B;
  EXPECT_THROW(A.Assign(B), EConvertError);
  try {
    A.Assign(B);
  } catch (const EConvertError& E) {
    EXPECT_STREQ(E.what(), "Cannot assign a TOther to a TOther.");
  }
}

TEST(Component, FreeNotificationClearsReferencesInEitherOrder) {
  {
    auto A = std::make_unique<TLinker>(nullptr);
    auto B = std::make_unique<TLinker>(nullptr);
    A->SetPeer(B.get());
    B->SetPeer(A.get());
    B.reset();
    EXPECT_EQ(A->Peer, nullptr);
    EXPECT_EQ(A->Removals, 1);
  }
  {
    auto A = std::make_unique<TLinker>(nullptr);
    auto B = std::make_unique<TLinker>(nullptr);
    A->SetPeer(B.get());
    B->SetPeer(A.get());
    A.reset();
    EXPECT_EQ(B->Peer, nullptr);
  }
}

TEST(Component, OwnerDestroysOwnedAndSiblingsHearOfEachOther) {
  auto Owner = std::make_unique<TComponent>(nullptr);
  auto* A = new TLinker(Owner.get());
  auto* B = new TLinker(Owner.get());
  A->SetPeer(B);
  B->SetPeer(A);
  EXPECT_EQ(Owner->ComponentCount(), 2);
  delete B;  // an owned component may still be destroyed on its own
  EXPECT_EQ(Owner->ComponentCount(), 1);
  EXPECT_EQ(A->Peer, nullptr);
  // The owner takes the rest with it; the sanitizer build proves nothing is touched after.
  Owner.reset();
}

TEST(Component, OwnedComponentLinkedToOutsiderIsUnlinkedWhenOwnerGoes) {
  auto Outsider = std::make_unique<TLinker>(nullptr);
  {
    TComponent Owner(nullptr);
    auto* Inner = new TLinker(&Owner);
    Outsider->SetPeer(Inner);
    Inner->SetPeer(Outsider.get());
  }
  EXPECT_EQ(Outsider->Peer, nullptr);
}

TEST(Component, RemoveComponentHandsOwnershipBack) {
  TComponent Owner(nullptr);
  auto* C = new TComponent(&Owner);
  Owner.RemoveComponent(C);
  EXPECT_EQ(C->GetOwner(), nullptr);
  EXPECT_EQ(Owner.ComponentCount(), 0);
  std::unique_ptr<TComponent> Held(C);
}

TEST(Host, ShowMessageHandlerIsReplaceable) {
  std::string Seen;
  auto Old = SetShowMessageHandler([&Seen](const std::string& T) { Seen = T; });
  HostShowMessage("hello");
  SetShowMessageHandler(Old);
  EXPECT_EQ(Seen, "hello");
  int Pumps = 0;
  auto OldPump = SetProcessMessagesHandler([&Pumps] { ++Pumps; });
  HostProcessMessages();
  SetProcessMessagesHandler(OldPump);
  HostProcessMessages();
  EXPECT_EQ(Pumps, 1);
}
