// The MySQL dialect's registration (MariaDB too): its quoting, extractors, the table data
// comparer's catalog step, the catalog queries of a table and its palette components.
#include <string>
#include <utility>
#include <vector>

#include "Design.h"
#include "Text.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelMySQLDatabaseExtract.h"
#include "qelMySQLExec.h"
#include "qelMySQLQuote.h"
#include "qelMySQLScriptExtract.h"
#include "qelTableDataComparer.h"

namespace qel {

namespace {

bool ReadMySQLFields(TCmpTableOptions& T, TQELQuery& Query) {
  bool Found = false;
  const std::string& Schema = T.GetSchemaName();
  T.RunCatalogQuery(
      Query, {Schema.empty() ? "SHOW TABLES" : "SHOW TABLES FROM " + T.QuoteIdent(Schema)},
      [&](TQELQuery& Q) {
        if (Q.FieldCount() > 0 && SameText(Q.Fields().Fields(0)->AsString(), T.GetTableName()))
          Found = true;
      });
  if (!Found) {
    T.TableNotFound(Query);
    return false;
  }
  T.AddEmptyResultColumns(Query);
  return true;
}

/// The table of the database named, else of the connection's, by its name as written. The
/// names go into the server's literals with its escapes: a backslash in a name is a character
/// of the name, which a literal must escape.
TTableCatalogSQL MySQLTableCatalogSQL(const std::vector<std::string>& Parts,
                                      const std::vector<bool>&) {
  const std::string Schema =
      Parts.size() == 2 ? ScriptQuotedStr(Parts[0], dbMySQL) : std::string("database()");
  const std::string Where =
      "table_schema = " + Schema + " and table_name = " + ScriptQuotedStr(Parts.back(), dbMySQL);
  return {"select count(*) from information_schema.tables where " + Where,
          "select column_name from information_schema.key_column_usage where " + Where +
              " and constraint_name = 'PRIMARY' order by ordinal_position"};
}

}  // namespace

void AddDialects_mysql(TDialectList& List) {
  TDialect D = MakeDialect<TMySQLScriptExtract, TMySQLDBExtract>("mysql", {"mariadb"}, dbMySQL,
                                                                 QuoteName<MySQLQuoteIdent>);
  D.DisplayName = "MySQL";
  D.Lexical.BackslashEscapes = true;
  D.TypeBounds = {65535, 255, 65, 255, 0, 38, true};
  D.IsKeyword = [](std::string_view Word) { return MySQLSymbolByResWord(Word) != kIdentSymbol; };
  D.NameScopes.Constraints = TNameScope::Table;
  D.NameScopes.Indexes = TNameScope::Table;
  D.ReadDataFields = ReadMySQLFields;
  D.TableCatalogSQL = MySQLTableCatalogSQL;
  D.PaletteClasses = ComponentClasses<TMySQLScriptExtract, TMySQLDBExtract, TMySQLExec>;
  D.PalettePlace = 40;
  D.URISchemes = {"mysql", "mariadb"};
  D.ConnectionType = cnMyDAC;
  D.DeleteOneRow = [](const std::string& T, const std::string& Where) {
    return "DELETE FROM " + T + " WHERE " + Where + " LIMIT 1";
  };
  D.TextBytes = [](const std::string& Column) {
    return "CAST(CONVERT(" + Column + " USING utf8mb4) AS BINARY)";
  };
  // The server stores a float -0 as 0.
  SetRowForms(D, TrueFalseLiteral, XQuotedHex, DeclaredTimeDigits);
  List.Add(std::move(D));
}

}  // namespace qel
