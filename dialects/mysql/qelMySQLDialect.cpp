// The MySQL dialect's registration (MariaDB too): its quoting, extractors, parser, executor
// and the table data comparer's catalog step.
#include <string>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelMySQLDatabaseExtract.h"
#include "qelMySQLExec.h"
#include "qelMySQLParser.h"
#include "qelMySQLQuote.h"
#include "qelMySQLScriptExtract.h"
#include "qelTableDataComparer.h"

namespace qel {

namespace {

bool ReadMySQLFields(TCmpTableOptions& T, TQELQuery& Query) {
  bool Found = false;
  T.RunCatalogQuery(Query, {"SHOW TABLES"}, [&](TQELQuery& Q) {
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

void AddMySQLDialect(TDialectList& List) {
  TDialect D;
  D.Name = "mysql";
  D.Aliases = {"mariadb"};
  D.DatabaseType = dbMySQL;
  D.QuoteIdent = [](const std::string& S, TIBSQLServerVersionType, std::int8_t) {
    return MySQLQuoteIdent(S);
  };
  D.IsKeyword = [](std::string_view Word) { return MySQLSymbolByResWord(Word) != kIdentSymbol; };
  D.MakeScriptExtractor = Factory<TCustomScriptExtract, TMySQLScriptExtract, TComponent*>();
  D.MakeCatalogExtractor = Factory<TCustomDBExtract, TMySQLDBExtract, TComponent*>();
  D.MakeParser = Factory<TCustomSQLParser, TMySQLParser, TCustomObjs*>();
  D.MakeExecutor = Factory<TSQLExec, TMySQLExec, TComponent*>();
  D.ReadDataFields = ReadMySQLFields;
  List.Add(std::move(D));
}

}  // namespace qel
