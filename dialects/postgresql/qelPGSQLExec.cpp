// The PostgreSQL script executor: PostgreSQL parser for loading, connection opened before a run.
#include "qelPGSQLExec.h"

#include "qelPGSQLParser.h"

namespace qel {

TPGSQLExec::TPGSQLExec(TComponent* AOwner) : TSQLExec(AOwner) {
  DatabaseType = dbPostgreSQL;
}

TPGSQLExec::~TPGSQLExec() = default;

std::unique_ptr<TCustomSQLParser> TPGSQLExec::CreateParser(TCustomObjs* Objs) {
  return std::make_unique<TPGSQLParser>(Objs);
}

void TPGSQLExec::LoadScript(TStrings& Lines) {
  LoadScriptWithParser(Lines);
}

bool TPGSQLExec::ExecuteScript() {
  if (GetQELConnection() && !OpenConnection()) return false;
  return TSQLExec::ExecuteScript();
}

}  // namespace qel
