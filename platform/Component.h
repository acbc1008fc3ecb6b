// The persistent component model the library's components are built on: a polymorphic root
// with its class name, persistent objects that copy themselves with Assign, and components
// with an owner, owned components and free notification.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qel {

/// Raised when Assign is asked to copy between two classes that do not know each other.
/// A programming error, never a reaction to user input.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The polymorphic root of every class of the library.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;

  /// The class's own name, without namespace ("TDbObj"); appears in messages.
  std::string ClassName() const;
};

/// An object that can copy its state from another of a compatible class.
class TPersistent : public TObject {
 public:
  /// Copies Source into this object. The base asks Source to assign itself to this object,
  /// and raises EConvertError when neither side knows the other.
  virtual void Assign(const TPersistent& Source);

 protected:
  friend class TPersistentAccess;
  /// Copies this object into Dest; the base raises EConvertError.
  virtual void AssignTo(TPersistent& Dest) const;
  /// Raises the standard assignment error for copying Source into this object.
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

enum TOperation { opInsert, opRemove };

/// A component: owned by another component (or by its creator when it has no owner), owns
/// the components created with it as owner, and tells the components that asked for it
/// (FreeNotification) when it goes away, so that they clear their references.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  /// Tells every component linked by free notification, destroys the owned components and
  /// leaves the owner.
  ~TComponent() override;

  std::string Name;

  TComponent* GetOwner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents.at(static_cast<size_t>(Index)); }

  /// Makes this component the owner of AComponent (which leaves its former owner).
  void InsertComponent(TComponent* AComponent);
  /// Gives up ownership of AComponent; the caller becomes responsible for it.
  void RemoveComponent(TComponent* AComponent);

  /// Links this component and AComponent: when either is destroyed, the other is told
  /// (Notification opRemove). Links are counted, so two references between the same pair
  /// (each side pointing at the other) need two RemoveFreeNotification calls to undo.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  /// Called when AComponent is inserted or removed; the base forgets a removed component and
  /// passes the notice on to the owned components. Overrides clear their references to
  /// AComponent on opRemove and call the base.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

  /// True once destruction has begun.
  bool Destroying() const { return FDestroying; }
  /// True while the host designer edits the component; never set by the library itself.
  bool Designing() const { return FDesigning; }
  void SetDesigning(bool Value) { FDesigning = Value; }

 private:
  void AddFreeRef(TComponent* AComponent);
  void ReleaseFreeRef(TComponent* AComponent);  // one link less
  void RemoveFreeRef(TComponent* AComponent);   // every link gone

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;                    // owned
  std::vector<std::pair<TComponent*, int>> FFreeNotifies;  // partner and link count; not owned
  bool FDestroying = false;
  bool FDesigning = false;
};

}  // namespace qel
