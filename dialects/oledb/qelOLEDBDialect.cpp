// The OLE DB and Access registrations: their catalog extractors and the table data comparer's
// catalog step (the columns rowset of ADO).
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Ado.h"
#include "Text.h"
#include "qelAccessQuote.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelOLEDBDatabaseExtract.h"
#include "qelTableDataComparer.h"

namespace qel {

namespace {

/// The columns of Table from the columns schema rowset of ADO, in the rowset's order: the rows
/// whose TABLE_NAME equals Table exactly, else those of the one table whose name differs from
/// it only in case (Table then takes that spelling); False when there is no such table. A name
/// found in several schemas gives the columns of the first one, never a mix of both.
bool ReadOLEDBColumns(TADOConnection& ADO, std::string& Table, std::vector<std::string>& Names) {
  TADODataSet Rows(nullptr);
  ADO.OpenSchema(siColumns, Rows);
  const TField* Name = Rows.FieldByName("TABLE_NAME");
  const TField* Column = Rows.FieldByName("COLUMN_NAME");
  // ODBC names the owner columns TABLE_CAT and TABLE_SCHEM, OLE DB TABLE_CATALOG and TABLE_SCHEMA.
  auto Either = [&Rows](const char* OdbcName, const char* OleDbName) {
    const TField* F = Rows.FindField(OdbcName);
    return F ? F : Rows.FindField(OleDbName);
  };
  const TField* Cat = Either("TABLE_CAT", "TABLE_CATALOG");
  const TField* Sch = Either("TABLE_SCHEM", "TABLE_SCHEMA");
  auto Owner = [&] {
    return (Cat ? Cat->AsString() : std::string()) + '\0' + (Sch ? Sch->AsString() : std::string());
  };
  bool Exact = false;
  std::vector<std::string> Spellings;
  for (Rows.First(); !Rows.GetEof(); Rows.Next()) {
    const std::string& T = Name->AsString();
    if (T == Table) {
      Exact = true;
      break;
    }
    if (SameText(T, Table) && std::find(Spellings.begin(), Spellings.end(), T) == Spellings.end())
      Spellings.push_back(T);
  }
  if (!Exact) {
    if (Spellings.size() != 1) return false;
    Table = Spellings.front();
  }
  std::string FirstOwner;
  bool Found = false;
  for (Rows.First(); !Rows.GetEof(); Rows.Next()) {
    if (Name->AsString() != Table) continue;
    if (!Found) FirstOwner = Owner();
    Found = true;
    if (Owner() == FirstOwner) Names.push_back(Column->AsString());
  }
  return Found;
}

/// Access and other OLE DB sources: the columns rowset of ADO, else an empty result's columns.
bool ReadOLEDBFields(TCmpTableOptions& T, TQELQuery& Query) {
  TADOConnection* ADO =
      FindADOConnection(Query.GetConnection() ? Query.GetConnection() : T.GetConnection());
  if (!ADO) {
    // An OLE DB side through another adapter: an empty result's columns.
    T.AddEmptyResultColumns(Query);
    return true;
  }
  std::string Table = T.GetTableName();
  std::vector<std::string> Names;
  const bool Found = ReadOLEDBColumns(*ADO, Table, Names);
  T.SpellTableName(Table);
  if (!Found) {
    T.TableNotFound(Query);
    return false;
  }
  for (const std::string& Name : Names) T.GetCatalogFields().Add(Name);
  return true;
}

}  // namespace

void AddDialects_oledb(TDialectList& List) {
  TDialect D;
  D.Name = "oledb";
  D.DatabaseType = dbCustomOLEDB;
  D.DisplayName = "OLE DB";
  D.ConnectionType = cnADO;  // an ODBC source, reached through the ADO adapter
  D.MakeCatalogExtractor = Factory<TCustomDBExtract, TOLEDBExtract, TComponent*>();
  D.ReadDataFields = ReadOLEDBFields;
  // Whatever the driver reaches: no statement deletes one of several equal rows in every one.
  SetRowForms(D, MinusOneZeroLiteral, XQuotedHex, EveryTimeDigit);
  List.Add(std::move(D));
  TDialect A;
  A.Name = "msaccess";
  A.Aliases = {"access"};
  A.DatabaseType = dbMSAccess;
  A.DisplayName = "MS Access";
  A.ConnectionType = cnADO;
  A.QuoteIdent = QuoteName<AccessQuoteIdent>;
  A.MakeCatalogExtractor = Factory<TCustomDBExtract, TMSAccessDBExtract, TComponent*>();
  A.ReadDataFields = ReadOLEDBFields;
  // Access SQL deletes every row a condition selects (TOP does not limit a DELETE).
  SetRowForms(A, MinusOneZeroLiteral, XQuotedHex, EveryTimeDigit);
  List.Add(std::move(A));
}

}  // namespace qel
