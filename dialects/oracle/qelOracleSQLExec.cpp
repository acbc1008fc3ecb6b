// The Oracle script executor: Oracle parser for loading, CONNECT user/password, CREATE DATABASE
// run as a statement, connection opened before a run.
#include "qelOracleSQLExec.h"

#include <exception>

#include "qelDBEngine.h"
#include "qelOracleParser.h"

namespace qel {

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

}  // namespace qel
