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
  TDialect D = MakeDialect<TDB2ScriptExtract, TDB2DBExtract, TDB2Parser, TDB2SQLExec>(
      "db2", {}, dbDB2, QuoteName<DB2QuoteIdent>);
  D.IsKeyword = [](std::string_view Word) { return DB2SymbolByResWord(Word) != kIdentSymbol; };
  List.Add(std::move(D));
}

}  // namespace qel
