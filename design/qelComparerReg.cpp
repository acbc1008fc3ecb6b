// The palette registration and the component editor the host shows for every component of the
// library: a context menu with the library's home page (which opens it) and its version.
#include "qelComparerReg.h"

#include <string>
#include <vector>

#include "Design.h"
#include "Host.h"
#include "qelASADatabaseExtract.h"
#include "qelASASQLExec.h"
#include "qelASAScriptExtract.h"
#include "qelASEDatabaseExtract.h"
#include "qelASESQLExec.h"
#include "qelASEScriptExtract.h"
#include "qelDB2DatabaseExtract.h"
#include "qelDB2Exec.h"
#include "qelDB2ScriptExtract.h"
#include "qelDBEngine.h"
#include "qelDBStructure.h"
#include "qelIBDatabaseExtract.h"
#include "qelIBSQLExec.h"
#include "qelIBScriptExtract.h"
#include "qelMSSQLDatabaseExtract.h"
#include "qelMSSQLExec.h"
#include "qelMSSQLScriptExtract.h"
#include "qelMySQLDatabaseExtract.h"
#include "qelMySQLExec.h"
#include "qelMySQLScriptExtract.h"
#include "qelOracleDatabaseExtract.h"
#include "qelOracleSQLExec.h"
#include "qelOracleScriptExtract.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGSQLExec.h"
#include "qelPGScriptExtract.h"
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

/// The palette page's components: one RegisterComponents call per group, in this order.
std::vector<std::vector<TComponentClass>> PaletteGroups() {
  return {
      {C<TVarnel>(), C<TDBStructure>()},
      {C<TIBScriptExtract>(), C<TIBDBExtract>(), C<TIBSQLExec>()},
      {C<TASAScriptExtract>(), C<TASADBExtract>(), C<TASASQLExec>()},
      {C<TASEScriptExtract>(), C<TASEDBExtract>(), C<TASESQLExec>()},
      {C<TMySQLScriptExtract>(), C<TMySQLDBExtract>(), C<TMySQLExec>()},
      {C<TMSSQLScriptExtract>(), C<TMSSQLDBExtract>(), C<TMSSQLExec>()},
      {C<TOracleScriptExtract>(), C<TOracleDBExtract>(), C<TOracleSQLExec>()},
      {C<TPGScriptExtract>(), C<TPGDBExtract>(), C<TPGSQLExec>()},
      {C<TDB2ScriptExtract>(), C<TDB2DBExtract>(), C<TDB2SQLExec>()},
      {C<TTableDataComparer>()},
      {C<TQELConnection>()},
  };
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
