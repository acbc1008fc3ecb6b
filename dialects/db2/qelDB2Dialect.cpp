// The DB2 dialect's registration: its quoting, extractors and palette components (the table
// data comparer has no catalog step for DB2).
#include <string>
#include <utility>
#include <vector>

#include "Design.h"
#include "qelDB2DatabaseExtract.h"
#include "qelDB2Exec.h"
#include "qelDB2Quote.h"
#include "qelDB2ScriptExtract.h"
#include "qelDialects.h"

namespace qel {

void AddDialects_db2(TDialectList& List) {
  TDialect D =
      MakeDialect<TDB2ScriptExtract, TDB2DBExtract>("db2", {}, dbDB2, QuoteName<DB2QuoteIdent>);
  D.DisplayName = "DB2";
  D.TypeBounds = {32672, 255, 31, 53, 0, 31, true};
  D.IsKeyword = [](std::string_view Word) { return DB2SymbolByResWord(Word) != kIdentSymbol; };
  D.NameScopes.Constraints = TNameScope::Table;
  D.PaletteClasses = ComponentClasses<TDB2ScriptExtract, TDB2DBExtract, TDB2SQLExec>;
  D.PalettePlace = 80;
  // A fullselect of one table that fetches one row is deletable.
  D.DeleteOneRow = [](const std::string& T, const std::string& Where) {
    return "DELETE FROM (SELECT * FROM " + T + " WHERE " + Where + " FETCH FIRST 1 ROW ONLY)";
  };
  SetRowForms(
      D, OneZeroLiteral, [](const std::string& Hex) { return "BLOB(X'" + Hex + "')"; },
      EveryTimeDigit);
  List.Add(std::move(D));
}

}  // namespace qel
