// The palette registration and the component editor the host shows for every component of the
// library: a context menu with the library's home page (which opens it) and its version.
#include "qelComparerReg.h"

#include <algorithm>
#include <string>
#include <vector>

#include "Design.h"
#include "Host.h"
#include "qelDBEngine.h"
#include "qelDBStructure.h"
#include "qelDialects.h"
#include "qelTableDataComparer.h"
#include "qelVarnel.h"

#ifndef QEL_HOME_PAGE
#error "QEL_HOME_PAGE (the library's home page) is set by the build"
#endif

namespace qel {

namespace {

/// The editor of every component of the library: verb 0 shows the home page and opens it in
/// the browser, verb 1 shows the version and does nothing.
class TkvBaseEditor : public TComponentEditor {
 public:
  using TComponentEditor::TComponentEditor;

  int GetVerbCount() const override { return 2; }

  std::string GetVerb(int Index) const override {
    switch (Index) {
      case 0:
        return QEL_HOME_PAGE;
      case 1:
        return "Version 3.2";
      default:
        return std::string();
    }
  }

  void ExecuteVerb(int Index) override {
    if (Index == 0) HostShellExecute("open", QEL_HOME_PAGE, SW_SHOW);
  }
};

template <class T>
TComponentClass C() {
  return TComponentClass::Of<T>();
}

/// The palette page's components: one RegisterComponents call per group, in this order. The
/// dialects' groups stand between the comparer's and the data comparer's, each where its
/// registration places it.
std::vector<std::vector<TComponentClass>> PaletteGroups() {
  std::vector<const TDialect*> OnPalette;
  for (const TDialect* D : Dialects().All())
    if (D->PaletteClasses) OnPalette.push_back(D);
  std::stable_sort(OnPalette.begin(), OnPalette.end(), [](const TDialect* A, const TDialect* B) {
    return A->PalettePlace < B->PalettePlace;
  });
  std::vector<std::vector<TComponentClass>> Groups{{C<TVarnel>(), C<TDBStructure>()}};
  for (const TDialect* D : OnPalette) Groups.push_back(D->PaletteClasses());
  Groups.push_back({C<TTableDataComparer>()});
  Groups.push_back({C<TQELConnection>()});
  return Groups;
}

}  // namespace

void Register() {
  const auto Groups = PaletteGroups();
  for (const auto& Group : Groups) RegisterComponents("Varnel", Group);
  // Then the same classes, in the same order, each with the library's editor.
  const auto Editor = TComponentEditorClass::Of<TkvBaseEditor>();
  for (const auto& Group : Groups)
    for (const auto& Class : Group) RegisterComponentEditor(Class, Editor);
}

}  // namespace qel
