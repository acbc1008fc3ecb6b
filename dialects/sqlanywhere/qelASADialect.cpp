// The SQL Anywhere dialect's registration: its quoting, extractors, the table data comparer's
// catalog step and its palette components.
#include <string>
#include <utility>
#include <vector>

#include "Design.h"
#include "Text.h"
#include "qelASADatabaseExtract.h"
#include "qelASAQuote.h"
#include "qelASASQLExec.h"
#include "qelASAScriptExtract.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelTableDataComparer.h"

namespace qel {

namespace {

bool ReadASAFields(TCmpTableOptions& T, TQELQuery& Query) {
  const std::string Id = T.FindTableId(Query,
                                       {"Select table_name, table_id", "from SYS.SYSTABLE",
                                        "where table_name = " + QuotedStr(T.GetTableName())},
                                       "TABLE_NAME", "TABLE_ID");
  if (Id.empty()) return false;
  T.AddCatalogColumns(Query,
                      {"Select c.column_id, c.column_name", "from SYS.SYSCOLUMN c",
                       "where c.table_id = " + Id, "order by c.column_id, c.column_name"},
                      "COLUMN_NAME", true);
  return true;
}

}  // namespace

void AddDialects_sqlanywhere(TDialectList& List) {
  TDialect D = MakeDialect<TASAScriptExtract, TASADBExtract>(
      "sqlanywhere", {}, dbSybaseASA,
      [](const std::string& S, TIBSQLServerVersionType, std::int8_t) {
        return ASAQuoteIdent(S, st_ASA9);
      });
  D.DisplayName = "SQL Anywhere";
  D.Lexical.BracketQuotes = true;
  D.TypeBounds = {32767, 32767, 127, 127, 0, 127, true};
  D.IsKeyword = [](std::string_view Word) {
    return ASASymbolByResWord(Word, st_ASA9) != kIdentSymbol;
  };
  // Foreign keys (role names), checks and indexes are named per table; triggers per database.
  D.NameScopes.Constraints = TNameScope::Table;
  D.NameScopes.Indexes = TNameScope::Table;
  D.ReadDataFields = ReadASAFields;
  D.PaletteClasses = ComponentClasses<TASAScriptExtract, TASADBExtract, TASASQLExec>;
  D.PalettePlace = 20;
  D.DeleteOneRow = [](const std::string& T, const std::string& Where) {
    return "DELETE TOP 1 FROM " + T + " WHERE " + Where;
  };
  SetRowForms(D, OneZeroLiteral, ZeroXHex, EveryTimeDigit);
  List.Add(std::move(D));
}

}  // namespace qel
