// The DB2 script executor: DB2 parser for loading, CONNECT TO read into the connection options,
// connection opened before a run.
#include "qelDB2Exec.h"

#include "Text.h"

namespace qel {

void TDB2SQLExec::ParseConnect(const std::string& aText) {
  // Read with the parser's own scanner, so that quoted names and comments count as in a script.
  TDB2Parser Parser(nullptr);
  Parser.AssignTxt(aText);
  Parser.GetSy();
  if (Parser.Sy != db2CONNECT) return;
  Parser.GetSy();
  if (Parser.Sy != db2TO) return;
  Parser.GetSy();
  if (Parser.Sy != syIdent) return;
  GetConnectionOptions().SetDatabaseName(Parser.Ident);
  Parser.GetSy();
  if (Parser.Sy != db2USER) return;
  Parser.GetSy();
  if (Parser.Sy != syIdent) return;
  GetConnectionOptions().UserName = Parser.Ident;
  Parser.GetSy();
  if (Parser.Sy != db2USING) return;
  Parser.GetSy();
  // A password is case-sensitive: it is taken as written, up to the terminator.
  std::string Password = Trim(Parser.CopyTxt(Parser.SyPos, Parser.LengthTxt()));
  if (!Password.empty() && Password.back() == ';') Password.pop_back();
  GetConnectionOptions().Password = Trim(Password);
}

}  // namespace qel
