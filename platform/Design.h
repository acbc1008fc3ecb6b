// Our own stand-in for the design-time host: the palette registry that records what a
// design-time package registers, the class references it receives and the component-editor
// base whose verbs make up a component's context menu. Nothing here runs in a program; only
// design-time code (the design/ units and their tests) uses it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "Component.h"

namespace qel {

/// The class's own name, without namespace, as TObject::ClassName gives it for an instance.
std::string ClassNameOf(const std::type_info& Type);

/// A reference to a component class, as the host receives it when the class is registered.
class TComponentClass {
 public:
  /// The reference to class T.
  template <class T>
  static TComponentClass Of() {
    static_assert(std::is_base_of_v<TComponent, T>, "only component classes are registered");
    return TComponentClass(ClassNameOf(typeid(T)));
  }

  const std::string& ClassName() const { return FClassName; }
  bool operator==(const TComponentClass& Other) const = default;

 private:
  explicit TComponentClass(std::string AClassName) : FClassName(std::move(AClassName)) {}
  std::string FClassName;
};

/// The references to classes T, in that order.
template <class... T>
std::vector<TComponentClass> ComponentClasses() {
  return {TComponentClass::Of<T>()...};
}

/// The base of the editors the host opens for a component on its form: the verbs of the
/// component's context menu. The base has none.
class TComponentEditor : public TObject {
 public:
  explicit TComponentEditor(TComponent* AComponent) : FComponent(AComponent) {}

  /// The component being edited; not owned.
  TComponent* GetComponent() const { return FComponent; }

  /// How many verbs the context menu shows.
  virtual int GetVerbCount() const { return 0; }
  /// The caption of verb Index (0-based); empty for an index that is no verb.
  virtual std::string GetVerb(int Index) const;
  /// Carries out verb Index; an index that is no verb does nothing.
  virtual void ExecuteVerb(int Index);

 private:
  TComponent* FComponent;
};

/// A reference to a component-editor class: its name and how the host creates an editor of
/// that class for a component.
class TComponentEditorClass {
 public:
  using TFactory = std::function<std::unique_ptr<TComponentEditor>(TComponent* AComponent)>;

  /// The reference to editor class T.
  template <class T>
  static TComponentEditorClass Of() {
    static_assert(std::is_base_of_v<TComponentEditor, T>, "only editor classes are registered");
    return TComponentEditorClass(ClassNameOf(typeid(T)), [](TComponent* AComponent) {
      return std::unique_ptr<TComponentEditor>(std::make_unique<T>(AComponent));
    });
  }

  const std::string& ClassName() const { return FClassName; }
  /// A new editor of this class for AComponent.
  std::unique_ptr<TComponentEditor> Create(TComponent* AComponent) const {
    return FFactory(AComponent);
  }

 private:
  TComponentEditorClass(std::string AClassName, TFactory AFactory)
      : FClassName(std::move(AClassName)), FFactory(std::move(AFactory)) {}
  std::string FClassName;
  TFactory FFactory;
};

/// What the host has been given: every RegisterComponents call in order, with its page and
/// classes, and every RegisterComponentEditor call in order.
struct TDesignRegistry {
  struct TPaletteCall {
    std::string Page;
    std::vector<TComponentClass> Classes;
  };
  struct TEditorEntry {
    TComponentClass ComponentClass;
    TComponentEditorClass EditorClass;
  };

  std::vector<TPaletteCall> PaletteCalls;
  std::vector<TEditorEntry> Editors;

  void Clear() {
    PaletteCalls.clear();
    Editors.clear();
  }
};

/// The host's registry; a design-time package's Register fills it.
TDesignRegistry& DesignRegistry();

/// Puts Classes on the palette page Page, in the order given.
void RegisterComponents(const std::string& Page, const std::vector<TComponentClass>& Classes);
/// Makes the host open an editor of EditorClass for every component of ComponentClass.
void RegisterComponentEditor(const TComponentClass& ComponentClass,
                             const TComponentEditorClass& EditorClass);

}  // namespace qel
