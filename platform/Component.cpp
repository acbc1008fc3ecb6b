// TObject, TPersistent and TComponent: class names, Assign, ownership and free notification.
#include "Component.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace qel {

std::string TObject::ClassName() const {
  const char* Mangled = typeid(*this).name();
  int Status = 0;
  std::unique_ptr<char, void (*)(void*)> Demangled(
      abi::__cxa_demangle(Mangled, nullptr, nullptr, &Status), std::free);
  std::string Name = (Status == 0 && Demangled) ? Demangled.get() : Mangled;
  // Only the class's own name: drop namespaces and enclosing classes.
  const auto Pos = Name.rfind("::");
  if (Pos != std::string::npos) Name.erase(0, Pos + 2);
  return Name;
}

void TPersistent::Assign(const TPersistent& Source) {
  Source.AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& Dest) const {
  Dest.AssignError(this);
}

void TPersistent::AssignError(const TPersistent* Source) const {
  const std::string SourceName = Source ? Source->ClassName() : std::string("nil");
  throw EConvertError("Cannot assign a " + SourceName + " to a " + ClassName() + ".");
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  FDestroying = true;
  // Tell every linked component first, while the lists are intact. A partner may remove
  // itself from our list in its Notification, so work on a copy.
  const auto Partners = FFreeNotifies;
  for (const auto& Link : Partners) {
    Link.first->RemoveFreeRef(this);
    Link.first->Notification(this, opRemove);
  }
  FFreeNotifies.clear();
  // Owned components go from the last to the first.
  while (!FComponents.empty()) {
    TComponent* Child = FComponents.back();
    FComponents.pop_back();
    Child->FOwner = nullptr;
    delete Child;
  }
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent) return;
  auto It = std::find(FComponents.begin(), FComponents.end(), AComponent);
  if (It == FComponents.end()) return;
  FComponents.erase(It);
  AComponent->FOwner = nullptr;
  Notification(AComponent, opRemove);
}

void TComponent::AddFreeRef(TComponent* AComponent) {
  for (auto& Link : FFreeNotifies)
    if (Link.first == AComponent) {
      ++Link.second;
      return;
    }
  FFreeNotifies.emplace_back(AComponent, 1);
}

void TComponent::ReleaseFreeRef(TComponent* AComponent) {
  for (auto It = FFreeNotifies.begin(); It != FFreeNotifies.end(); ++It)
    if (It->first == AComponent) {
      if (--It->second == 0) FFreeNotifies.erase(It);
      return;
    }
}

void TComponent::RemoveFreeRef(TComponent* AComponent) {
  for (auto It = FFreeNotifies.begin(); It != FFreeNotifies.end(); ++It)
    if (It->first == AComponent) {
      FFreeNotifies.erase(It);
      return;
    }
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  AddFreeRef(AComponent);
  AComponent->AddFreeRef(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  ReleaseFreeRef(AComponent);
  AComponent->ReleaseFreeRef(this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  // A component that goes away is forgotten entirely, however many links pointed at it.
  if (Operation == opRemove && AComponent) {
    RemoveFreeRef(AComponent);
    AComponent->RemoveFreeRef(this);
  }
  // Pass the notice on, so that components sharing an owner hear of each other's removal.
  for (size_t I = FComponents.size(); I-- > 0;) {
    if (I < FComponents.size() && FComponents[I] != AComponent)
      FComponents[I]->Notification(AComponent, Operation);
  }
}

}  // namespace qel
