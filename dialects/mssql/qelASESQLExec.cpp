// The Sybase ASE script executor.
#include "qelASESQLExec.h"

#include "qelASEParser.h"
#include "qelMSSQLExec.h"

namespace qel {

TASESQLExec::TASESQLExec(TComponent* AOwner) : TSQLExec(AOwner) {
  DatabaseType = dbSybaseASE;
}

TASESQLExec::~TASESQLExec() = default;

std::unique_ptr<TCustomSQLParser> TASESQLExec::CreateParser(TCustomObjs* Objs) {
  return std::make_unique<TASEParser>(Objs);
}

void TASESQLExec::LoadScript(TStrings& Lines) {
  LoadTransactSQLScript(*this, Lines);
}

bool TASESQLExec::ExecuteScript() {
  if (GetQELConnection() && !OpenConnection()) return false;
  return TSQLExec::ExecuteScript();
}

}  // namespace qel
