// The SQL Anywhere script executor: SQL Anywhere parser for loading, CREATE DATABASE run as a
// statement, connection opened before a run.
#include "qelASASQLExec.h"

#include <exception>

#include "qelASAParser.h"
#include "qelCompObj.h"
#include "qelDBEngine.h"

namespace qel {

TASASQLExec::TASASQLExec(TComponent* AOwner) : TSQLExec(AOwner) {
  DatabaseType = dbSybaseASA;
}

TASASQLExec::~TASASQLExec() = default;

std::unique_ptr<TCustomSQLParser> TASASQLExec::CreateParser(TCustomObjs* Objs) {
  return std::make_unique<TASAParser>(Objs);
}

void TASASQLExec::LoadScript(TStrings& Lines) {
  LoadScriptWithParser(Lines);
}

std::string TASASQLExec::ScriptLoadedText() const {
  return "Script loaded: " + std::to_string(GetStatementsCount()) + " statements";
}

bool TASASQLExec::ExecuteScript() {
  if (GetQELConnection() && !OpenConnection()) return false;
  return TSQLExec::ExecuteScript();
}

bool TASASQLExec::RunCreateDb() {
  TQELCustomConnection* C = GetQELConnection();
  if (!C) return RequireConnection();
  try {
    if (!C->GetConnected() && !OpenConnection()) return false;
    if (C->InTransaction() && !CommitWork()) return false;
  } catch (const std::exception& E) {
    ReportError(E.what());
    return false;
  }
  return RunStatement();
}

}  // namespace qel
