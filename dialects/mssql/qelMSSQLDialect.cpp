// The SQL Server and Sybase ASE dialects' registrations: their quoting, extractors, the table
// data comparer's catalog step and their palette components.
#include <string>
#include <utility>
#include <vector>

#include "Design.h"
#include "Text.h"
#include "qelASEDatabaseExtract.h"
#include "qelASEQuote.h"
#include "qelASESQLExec.h"
#include "qelASEScriptExtract.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelMSSQLDatabaseExtract.h"
#include "qelMSSQLExec.h"
#include "qelMSSQLQuote.h"
#include "qelMSSQLScriptExtract.h"
#include "qelTableDataComparer.h"

namespace qel {

namespace {

/// SQL Server and ASE (Db): the table from sysobjects, its columns from syscolumns.
bool ReadSysObjectsFields(TCmpTableOptions& T, TQELQuery& Query, TDatabaseType Db) {
  const std::string QName = QuotedStr(T.GetTableName());
  std::vector<std::string> Lines;
  if (Db == dbMSSQL) {
    Lines = {"Select o.id, o.name,",
             "objectproperty(o.id, " + QuotedStr("ExecIsQuotedIdentOn") + ") QI,",
             "objectproperty(o.id, " + QuotedStr("ExecIsAnsiNullsOn") + ") AN",
             "from sysobjects o",
             "where o.xtype = " + QuotedStr("U "),
             "and isnull(objectproperty(o.id, " + QuotedStr("ISMSShipped") + "), 1) <> 1",
             "and o.name = " + QName};
  } else {
    Lines = {"Select o.id, o.name", "from sysobjects o", "where o.type = " + QuotedStr("U "),
             "and o.name = " + QName};
  }
  const std::string Id = T.FindTableId(Query, Lines, "NAME", "ID");
  if (Id.empty()) return false;
  T.AddCatalogColumns(Query,
                      {"select c.name COLUMN_NAME", "from syscolumns c", "where c.id = " + Id,
                       Db == dbMSSQL ? "order by c.colorder" : "order by c.colid"},
                      "COLUMN_NAME", false);
  return true;
}

/// Transact-SQL quotes names in brackets as well as in double quotes, which may also quote a
/// string, and lets blanks stand inside an operator.
TLexicalRules TransactSQLLexical() {
  TLexicalRules L;
  L.BracketQuotes = true;
  L.DoubleQuotedStrings = true;
  L.BlanksInOperators = true;
  return L;
}

void AddMSSQLDialect(TDialectList& List) {
  TDialect D = MakeDialect<TMSSQLScriptExtract, TMSSQLDBExtract>("mssql", {"sqlserver"}, dbMSSQL,
                                                                 QuoteName<MSSQLQuoteIdent>);
  D.DisplayName = "MS SQL Server";
  D.Lexical = TransactSQLLexical();
  D.TypeBounds = {8000, 8000, 38, 53, 0, 38, true};
  // Constraints and triggers are objects of their schema; an index is its table's.
  D.NameScopes.Indexes = TNameScope::Table;
  D.ReadDataFields = [](TCmpTableOptions& T, TQELQuery& Q) {
    return ReadSysObjectsFields(T, Q, dbMSSQL);
  };
  D.PaletteClasses = ComponentClasses<TMSSQLScriptExtract, TMSSQLDBExtract, TMSSQLExec>;
  D.PalettePlace = 50;
  D.DeleteOneRow = [](const std::string& T, const std::string& Where) {
    return "DELETE TOP (1) FROM " + T + " WHERE " + Where;
  };
  SetRowForms(D, OneZeroLiteral, ZeroXHex, EveryTimeDigit);
  List.Add(std::move(D));
}

void AddASEDialect(TDialectList& List) {
  TDialect D = MakeDialect<TASEScriptExtract, TASEDBExtract>("ase", {}, dbSybaseASE,
                                                             QuoteName<ASEQuoteIdent>);
  D.DisplayName = "Sybase ASE";
  D.Lexical = TransactSQLLexical();
  D.TypeBounds = {16384, 16384, 38, 53, 0, 38, true};
  D.NameScopes.Indexes = TNameScope::Table;
  D.ReadDataFields = [](TCmpTableOptions& T, TQELQuery& Q) {
    return ReadSysObjectsFields(T, Q, dbSybaseASE);
  };
  D.PaletteClasses = ComponentClasses<TASEScriptExtract, TASEDBExtract, TASESQLExec>;
  D.PalettePlace = 30;
  // The row count limits the DELETE alone: it is set back in the same batch.
  D.DeleteOneRow = [](const std::string& T, const std::string& Where) {
    return "SET ROWCOUNT 1\r\nDELETE FROM " + T + " WHERE " + Where + "\r\nSET ROWCOUNT 0";
  };
  SetRowForms(D, OneZeroLiteral, ZeroXHex, EveryTimeDigit);
  List.Add(std::move(D));
}

}  // namespace

void AddDialects_mssql(TDialectList& List) {
  AddMSSQLDialect(List);
  AddASEDialect(List);
}

}  // namespace qel
