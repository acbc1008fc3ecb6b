// The Oracle script executor: Oracle parser for loading, CONNECT user/password, CREATE DATABASE
// run as a statement, connection opened before a run.
#include "qelOracleSQLExec.h"

#include <exception>

#include "qelCompObj.h"
#include "qelDBEngine.h"
#include "qelOracleParser.h"

namespace qel {

TOracleSQLExec::TOracleSQLExec(TComponent* AOwner) : TSQLExec(AOwner) {
  DatabaseType = dbOracle;
}

TOracleSQLExec::~TOracleSQLExec() = default;

std::unique_ptr<TCustomSQLParser> TOracleSQLExec::CreateParser(TCustomObjs* Objs) {
  return std::make_unique<TOracleParser>(Objs);
}

void TOracleSQLExec::LoadScript(TStrings& Lines) {
  LoadScriptWithParser(Lines);
}

void TOracleSQLExec::TakeScriptConnection(const TConnectionOptions& Found) {
  // A CONNECT of the script names its user and password too.
  TSQLExec::TakeScriptConnection(Found);
  if (!Found.UserName.empty()) {
    GetConnectionOptions().UserName = Found.UserName;
    GetConnectionOptions().Password = Found.Password;
  }
}

std::string TOracleSQLExec::ScriptLoadedText() const {
  return "Script loaded: " + std::to_string(GetStatementsCount()) + " statements";
}

bool TOracleSQLExec::ExecuteScript() {
  if (GetQELConnection() && !OpenConnection()) return false;
  return TSQLExec::ExecuteScript();
}

void TOracleSQLExec::ParseConnect(const std::string& /*aText*/) {
  // The parser has read the statement already: its user is the object name, its password the
  // owner name (taken as written, case and all).
  const TStatement* S = GetCurrentStatement();
  if (!S) return;
  GetConnectionOptions().UserName = S->ObjName;
  GetConnectionOptions().Password = S->OwnName;
}

bool TOracleSQLExec::RunConnect() {
  return TSQLExec::RunConnect();
}

bool TOracleSQLExec::RunCreateDb() {
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
