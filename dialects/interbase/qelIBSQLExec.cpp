// The InterBase/Firebird script executor.
#include "qelIBSQLExec.h"

#include "Text.h"

namespace qel {

bool TIBSQLExec::ExecuteScript() {
  bool Connects = false;
  for (int I = 0; I < GetStatementsCount(); ++I) {
    const TStatement* S = GetStatement(I);
    if (!S || S->Skip || S->StatType == stComment) continue;
    Connects = S->StatType == stConnect || S->StatType == stCreateDb;
    break;
  }
  if (GetQELConnection() && !Connects && !GetQELConnection()->GetConnected() && !OpenConnection())
    return false;
  return TSQLExec::ExecuteScript();
}

void TIBSQLExec::ParseConnect(const std::string& aText) {
  TIbExParser Parser(nullptr);
  Parser.AssignTxt(aText);
  Parser.GetSy();
  if (Parser.Sy != ibCONNECT) return;
  Parser.GetSy();
  if (Parser.Sy != syString) return;
  TConnectionOptions& O = GetConnectionOptions();
  O.SetDatabaseName(Parser.StrValue);
  Parser.GetSy();
  while (Parser.Sy == syIdent) {
    const std::string Word = UpperCase(Parser.Ident);
    Parser.GetSy();
    if (Parser.Sy != syString) return;
    if (Word == "USER")
      O.UserName = Parser.StrValue;
    else if (Word == "PASSWORD")
      O.Password = Parser.StrValue;
    else if (Word == "ROLE")
      O.RoleName = Parser.StrValue;
    Parser.GetSy();
  }
}

void TIBSQLExec::ConnectToDatabase() {
  if (!RequireConnection()) return;
  AssignOptionsToConnection(true);
  OpenConnection();
}

void TIBSQLExec::DisconnectFromDatabase() {
  if (!GetQELConnection() || !GetQELConnection()->GetConnected()) return;
  CommitWork();
  CloseConnection();
}

void TIBSQLExec::ExecuteStatement(TStatement* Statement) {
  TSQLExec::ExecuteStatement(Statement);
}

bool TIBSQLExec::UpdateDescription() {
  return RunStatement();
}

}  // namespace qel
