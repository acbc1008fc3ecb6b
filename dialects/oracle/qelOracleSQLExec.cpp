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
  for (int I = GetStatementsCount() - 1; I >= 0; --I) Delete(I);
  MsgManager.Clear();
  TObjs Objs;  // throw-away: loading only produces statements
  const std::unique_ptr<TCustomSQLParser> Parser = CreateParser(&Objs);
  Parser->OnProgressUpdate = OnProgressUpdate;
  Parser->OnLogNextLine = OnLogNextLine;
  Parser->OnErrorMessage = OnErrorMessage;
  Parser->ScriptName = ScriptFileName;
  Parser->OnAddStatement = [this](TObject* Sender, const std::string& aText, TStatType aTyp,
                                  const std::string& aObjName, TDbObject aObjType,
                                  TDbOperation aOperation, const std::string& aOwnName,
                                  TObject*& Statement) {
    AddStatement(Sender, aText, aTyp, aObjName, aObjType, aOperation, aOwnName, Statement);
  };
  DoLogNextLine("Loading script...");
  Parser->ParseScript(Lines, &Objs);
  // Only what the script names replaces the host's connection settings.
  const TConnectionOptions& Found = Parser->ConnectionOptions;
  if (!Found.GetDatabaseName().empty())
    GetConnectionOptions().SetDatabaseName(Found.GetDatabaseName());
  if (!Found.UserName.empty()) {
    GetConnectionOptions().UserName = Found.UserName;
    GetConnectionOptions().Password = Found.Password;
  }
  MsgManager.CopyFrom(&Parser->MsgManager);
  DoLogNextLine("Script loaded: " + std::to_string(GetStatementsCount()) + " statements");
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
