// The Paradox and dBASE registrations (local SQL): their quoting, keywords and the table data
// comparer's catalog step.
#include <string>
#include <utility>

#include "DataSet.h"
#include "Text.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelLocalSQLQuote.h"
#include "qelTableDataComparer.h"

namespace qel {

namespace {

/// An empty result's columns in upper case; they are the key fields too when none are given.
bool ReadLocalSQLFields(TCmpTableOptions& T, TQELQuery& Query) {
  TStringList& Keys = T.GetWorkKeyFields();
  const bool KeysEmpty = Keys.Empty();
  T.RunQuery(Query, "Select * from " + T.GetTableName() + " where 1=0", [&](TQELQuery& Q) {
    for (int I = 0; I < Q.FieldCount(); ++I) {
      const TField* F = Q.Fields().Fields(I);
      T.GetCatalogFields().Add(UpperCase(F->GetFieldName()));
      if (KeysEmpty && !TTableDataComparer::IsBlobType(F->GetDataType()))
        Keys.Add(UpperCase(F->GetFieldName()));
    }
  });
  return true;
}

}  // namespace

void AddDialects_localsql(TDialectList& List) {
  struct TLocal {
    const char* Name;
    TDatabaseType Type;
    const char* DisplayName;
  };
  for (const TLocal& L :
       {TLocal{"paradox", dbParadox, "Paradox"}, TLocal{"dbase", dbDBASE, "dBASE"}}) {
    TDialect D;
    D.Name = L.Name;
    D.DatabaseType = L.Type;
    D.DisplayName = L.DisplayName;
    D.QuoteIdent = QuoteName<LocalSQLQuoteIdent>;
    D.IsKeyword = [](std::string_view Word) {
      return LocalSQLSymbolByResWord(Word) != kIdentSymbol;
    };
    D.ReadDataFields = ReadLocalSQLFields;
    // No statement of the local SQL deletes one of several equal rows.
    SetRowForms(D, MinusOneZeroLiteral, XQuotedHex, EveryTimeDigit);
    List.Add(std::move(D));
  }
}

}  // namespace qel
