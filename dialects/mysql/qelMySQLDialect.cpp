// The MySQL dialect's registration (MariaDB too): its quoting, extractors and the table data
// comparer's catalog step.
#include <string>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelMySQLDatabaseExtract.h"
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

}  // namespace

void AddDialects_mysql(TDialectList& List) {
  TDialect D = MakeDialect<TMySQLScriptExtract, TMySQLDBExtract>("mysql", {"mariadb"}, dbMySQL,
                                                                 QuoteName<MySQLQuoteIdent>);
  D.IsKeyword = [](std::string_view Word) { return MySQLSymbolByResWord(Word) != kIdentSymbol; };
  D.ReadDataFields = ReadMySQLFields;
  D.URISchemes = {"mysql", "mariadb"};
  D.ConnectionType = cnMyDAC;
  List.Add(std::move(D));
}

}  // namespace qel
