#include "qelMySQLExec.h"

#include "qelCompObj.h"
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
  // The statements go; the options the host set (connection, server) stay.
  for (int I = GetStatementsCount() - 1; I >= 0; --I) Delete(I);
  MsgManager.Clear();

  TObjs Objs;  // throw-away: loading only produces statements
  const std::unique_ptr<TCustomSQLParser> Parser = CreateParser(&Objs);
  // The statements the parser reads but does not carry are listed, not dropped silently.
  if (auto* My = dynamic_cast<TMySQLParser*>(Parser.get())) My->ReportUncarried = true;
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
  // Only what the script names (a database in a USE statement) replaces the executor's
  // connection settings; a script that names none leaves the host's user and password alone.
  if (!Parser->ConnectionOptions.GetDatabaseName().empty())
    GetConnectionOptions().SetDatabaseName(Parser->ConnectionOptions.GetDatabaseName());
  MsgManager.CopyFrom(&Parser->MsgManager);
  DoLogNextLine("Script loaded.");
}

void TMySQLExec::AddStatement(TObject* /*Sender*/, const std::string& aText, TStatType aTyp,
                              const std::string& aObjName, TDbObject aObjType,
                              TDbOperation aOperation, const std::string& aOwnName,
                              TObject*& Statement) {
  Statement = Add(aText, aTyp, aObjName, aObjType, aOperation, aOwnName, "");
}

bool TMySQLExec::ExecuteScript() {
  if (GetQELConnection() && !OpenConnection()) return false;
  return TSQLExec::ExecuteScript();
}

}  // namespace qel
