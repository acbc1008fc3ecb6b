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
  if (!Parser->ConnectionOptions.GetDatabaseName().empty())
    GetConnectionOptions().SetDatabaseName(Parser->ConnectionOptions.GetDatabaseName());
  MsgManager.CopyFrom(&Parser->MsgManager);
  DoLogNextLine("Script loaded: " + std::to_string(GetStatementsCount()) + " statements");
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
