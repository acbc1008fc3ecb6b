// The design-time host stand-in: class names of class references, the editor base's empty
// verb list and the recording palette registry.
#include "Design.h"

#include <cxxabi.h>

#include <cstdlib>

namespace qel {

std::string ClassNameOf(const std::type_info& Type) {
  int Status = 0;
  std::unique_ptr<char, void (*)(void*)> Demangled(
      abi::__cxa_demangle(Type.name(), nullptr, nullptr, &Status), std::free);
  std::string Name = (Status == 0 && Demangled) ? Demangled.get() : Type.name();
  // Only the class's own name: drop namespaces, enclosing classes and anonymous namespaces.
  const auto Pos = Name.rfind("::");
  if (Pos != std::string::npos) Name.erase(0, Pos + 2);
  return Name;
}

std::string TComponentEditor::GetVerb(int /*Index*/) const {
  return std::string();
}

void TComponentEditor::ExecuteVerb(int /*Index*/) {}

TDesignRegistry& DesignRegistry() {
  static TDesignRegistry Registry;
  return Registry;
}

void RegisterComponents(const std::string& Page, const std::vector<TComponentClass>& Classes) {
  DesignRegistry().PaletteCalls.push_back({Page, Classes});
}

void RegisterComponentEditor(const TComponentClass& ComponentClass,
                             const TComponentEditorClass& EditorClass) {
  DesignRegistry().Editors.push_back({ComponentClass, EditorClass});
}

}  // namespace qel
