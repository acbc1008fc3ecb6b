// The Oracle dialect's registration: its quoting, extractors, the table data comparer's catalog
// step and its palette components.
#include <string>
#include <utility>
#include <vector>

#include "Design.h"
#include "Text.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelOracleDatabaseExtract.h"
#include "qelOracleQuote.h"
#include "qelOracleSQLExec.h"
#include "qelOracleScriptExtract.h"
#include "qelTableDataComparer.h"

namespace qel {

namespace {

bool ReadOracleFields(TCmpTableOptions& T, TQELQuery& Query) {
  const std::string QName = QuotedStr(T.GetTableName());
  if (T.FindTableId(Query,
                    {"Select t.table_name as name, t.tablespace_name", "from user_tables t",
                     "where t.table_name = " + QName},
                    "NAME", "NAME")
          .empty())
    return false;
  T.AddCatalogColumns(
      Query,
      {"select c.column_name, c.data_type, c.data_length,",
       "c.data_precision, c.data_scale, c.column_id,",
       "c.character_set_name, c.char_col_decl_length,", "c.char_length, c.Nullable",
       "from user_tab_columns c", "where c.table_name = " + QName, "order by c.column_id"},
      "COLUMN_NAME", false);
  return true;
}

}  // namespace

void AddDialects_oracle(TDialectList& List) {
  TDialect D = MakeDialect<TOracleScriptExtract, TOracleDBExtract>("oracle", {}, dbOracle,
                                                                   QuoteName<OracleQuoteIdent>);
  D.DisplayName = "Oracle";
  D.TypeBounds = {32767, 2000, 38, 126, -84, 127, false};
  D.IsKeyword = [](std::string_view Word) { return OracleSymbolByResWord(Word) != kIdentSymbol; };
  D.ReadDataFields = ReadOracleFields;
  D.PaletteClasses = ComponentClasses<TOracleScriptExtract, TOracleDBExtract, TOracleSQLExec>;
  D.PalettePlace = 60;
  D.DeleteOneRow = [](const std::string& T, const std::string& Where) {
    return "DELETE FROM " + T + " WHERE " + Where + " and ROWNUM = 1";
  };
  SetRowForms(
      D, OneZeroLiteral, [](const std::string& Hex) { return "HEXTORAW('" + Hex + "')"; },
      EveryTimeDigit);
  List.Add(std::move(D));
}

}  // namespace qel
