// The DB2 dialect's registration: its quoting, extractors, parser and executor (the table data
// comparer has no catalog step for DB2).
#include <string>
#include <utility>
#include <vector>

#include "qelDB2DatabaseExtract.h"
#include "qelDB2Exec.h"
#include "qelDB2Parser.h"
#include "qelDB2Quote.h"
#include "qelDB2ScriptExtract.h"
#include "qelDialects.h"

namespace qel {

void AddDB2Dialect(TDialectList& List) {
  TDialect D;
  D.Name = "db2";
  D.DatabaseType = dbDB2;
  D.QuoteIdent = [](const std::string& S, TIBSQLServerVersionType, std::int8_t) {
    return DB2QuoteIdent(S);
  };
  D.IsKeyword = [](std::string_view Word) { return DB2SymbolByResWord(Word) != kIdentSymbol; };
  D.MakeScriptExtractor = Factory<TCustomScriptExtract, TDB2ScriptExtract, TComponent*>();
  D.MakeCatalogExtractor = Factory<TCustomDBExtract, TDB2DBExtract, TComponent*>();
  D.MakeParser = Factory<TCustomSQLParser, TDB2Parser, TCustomObjs*>();
  D.MakeExecutor = Factory<TSQLExec, TDB2SQLExec, TComponent*>();
  List.Add(std::move(D));
}

}  // namespace qel
