// The MySQL script executor: MySQL parser for loading, connection opened before a run.
#include "qelMySQLExec.h"

#include "qelMySQLParser.h"

namespace qel {

TMySQLExec::TMySQLExec(TComponent* AOwner) : TSQLExec(AOwner) {
  DatabaseType = dbMySQL;
}

TMySQLExec::~TMySQLExec() = default;

std::unique_ptr<TCustomSQLParser> TMySQLExec::CreateParser(TCustomObjs* Objs) {
  return std::make_unique<TMySQLParser>(Objs);
}

void TMySQLExec::LoadScript(TStrings& Lines) {
  // The statements the parser reads but does not carry are listed, not dropped silently.
  LoadScriptWithParser(Lines, [](TCustomSQLParser& Parser) {
    if (auto* My = dynamic_cast<TMySQLParser*>(&Parser)) My->ReportUncarried = true;
  });
}

bool TMySQLExec::ExecuteScript() {
  if (GetQELConnection() && !OpenConnection()) return false;
  return TSQLExec::ExecuteScript();
}

}  // namespace qel
