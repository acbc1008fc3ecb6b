// The table data comparer: the component, the side options, the run up to the merge, field
// discovery through each dialect's catalog and the ordered SELECT of a side.
#include "qelTableDataComparer.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

#include "Text.h"
#include "qelClasses.h"
#include "qelComp_Tbl.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelMsg.h"
#include "qelResWords.h"
#include "qelSQL_Exec.h"
#include "qelTableDataComparer_Int.h"

namespace qel {

namespace {

/// The folder of the running program, with a trailing "/"; empty when it cannot be told.
std::string ProgramFolder() {
  std::error_code Ec;
  const std::filesystem::path Exe = std::filesystem::read_symlink("/proc/self/exe", Ec);
  if (Ec) return std::string();
  return IncludeTrailingPathDelimiter(Exe.parent_path().string());
}

/// Every entry trimmed; empty entries dropped (an empty name would break the statement text).
void TrimEntries(TStrings& List) {
  TStringList Kept;
  for (const std::string& S : List) {
    std::string T = Trim(S);
    if (!T.empty()) Kept.Add(std::move(T));
  }
  if (!Kept.Equals(List)) List.Assign(Kept);
}

/// Adds to Into each entry of Fields that names the column Name a catalog gave.
void AddEntriesNaming(const TStrings& Fields, const std::string& Name, TStrings& Into) {
  for (const std::string& F : Fields)
    if (TCmpTableOptions::FieldNameOf(F) == Name || SameText(F, Name)) Into.Add(F);
}

/// Source without the names found in Excluded (ignoring case); each name as the entry that
/// names it exactly.
void CopyWithout(const TStrings& Source, const TStrings& Excluded, TStrings& Dest) {
  Dest.Clear();
  for (const std::string& Name : Source) {
    bool Skip = false;
    for (const std::string& E : Excluded)
      if (SameText(Name, TCmpTableOptions::FieldNameOf(E)) || SameText(Name, E)) Skip = true;
    if (!Skip) Dest.Add(TCmpTableOptions::EntryOf(Name));
  }
}

void LowerCaseEntries(TStrings& List) {
  for (int I = 0; I < List.Count(); ++I)
    if (!StartsStr("\"", List[I])) List.Put(I, LowerCase(List[I]));
}

std::string JoinNames(const TStrings& List, const char* Separator) {
  std::string S;
  for (int I = 0; I < List.Count(); ++I) {
    if (I > 0) S += Separator;
    S += List[I];
  }
  return S;
}

bool IsFirebird15Up(TIBSQLServerVersionType V) {
  return V == st_FireBird_15 || V == st_Firebird_20 || V == st_Firebird_21 || V == st_Firebird_25;
}

/// Connects C when it is not connected. A connection that does not open ends the run (an
/// exception): nothing is compared against a side that is not there.
void ConnectSide(TTableDataComparer& Cmp, TQELCustomConnection* C, const char* Which) {
  if (!C->GetConnected()) {
    Cmp.DoLogNextLine(std::string("Connecting to ") + Which +
                      "-database...: " + C->GetConnectionOptions().GetDatabaseName());
    // The comparer reports a refusal itself: the connection's own report (a message box
    // without a handler) is held back, so that it is written once.
    std::string Refused;
    TErrorMessageEvent Own = std::move(C->OnErrorMessage);
    C->OnErrorMessage = [&Refused](TObject*, const std::string& Text) { Refused = Text; };
    try {
      C->SetConnected(true);
    } catch (...) {
      C->OnErrorMessage = std::move(Own);
      throw;
    }
    C->OnErrorMessage = std::move(Own);
    if (C->GetConnected() && !Refused.empty()) {
      // Opened after all: what went wrong on the way is the connection's to report.
      if (C->OnErrorMessage)
        C->OnErrorMessage(C, Refused);
      else
        ShowMessage(Refused);
    }
    if (!C->GetConnected()) {
      std::string Reason = Refused.empty() ? C->GetLastError() : Refused;
      if (Reason.empty())
        Reason = std::string("Cannot connect to the ") + Which + " database " +
                 C->GetConnectionOptions().GetDatabaseName() + ".";
      throw EDatabaseError(Reason);
    }
    Cmp.DoLogNextLine("Connecting: Successfull...");
  }
}

/// A query of C; raises EDatabaseError when C makes none.
std::unique_ptr<TQELQuery> MakeQuery(TQELCustomConnection* C) {
  std::unique_ptr<TQELQuery> Q(C->CreateQuery(nullptr));
  if (!Q) throw EDatabaseError("The connection cannot create a query.");
  return Q;
}

}  // namespace

// =============================================================================================
// TCmpTableOptions

TCmpTableOptions::TCmpTableOptions(TTableDataComparer* AOwner) : FComparer(AOwner) {}

TCmpTableOptions::~TCmpTableOptions() = default;

void TCmpTableOptions::Assign(const TPersistent& Source) {
  const auto* S = dynamic_cast<const TCmpTableOptions*>(&Source);
  if (!S) {
    TPersistent::Assign(Source);
    return;
  }
  if (S == this) return;
  FTableName = S->FTableName;
  FSchemaName = S->FSchemaName;
  FNameSplit = S->FNameSplit;
  FCatalogFields.Assign(S->FCatalogFields);
  FWorkDataFields.Assign(S->FWorkDataFields);
  FWorkKeyFields.Assign(S->FWorkKeyFields);
  FKeyFields.Assign(S->FKeyFields);
  FDataFields.Assign(S->FDataFields);
  FExcludeFields.Assign(S->FExcludeFields);
}

void TCmpTableOptions::AssignTo(TPersistent& Dest) const {
  if (auto* D = dynamic_cast<TCmpTableOptions*>(&Dest)) {
    D->Assign(*this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

std::string TCmpTableOptions::FieldNameOf(const std::string& Entry) {
  if (Entry.size() >= 2 && Entry.front() == '"' && Entry.back() == '"') {
    std::string Name;
    for (std::size_t I = 1; I + 1 < Entry.size(); ++I) {
      Name += Entry[I];
      if (Entry[I] == '"' && I + 2 < Entry.size() && Entry[I + 1] == '"') ++I;
    }
    return Name;
  }
  return Entry;
}

std::string TCmpTableOptions::EntryOf(const std::string& Name, bool Folded) {
  const bool Quoted = Name.size() >= 2 && Name.front() == '"' && Name.back() == '"';
  if (!Quoted && !(Folded && LowerCase(Name) != Name)) return Name;
  return EncloseIdent(Name, '"', '"');
}

TDatabaseType TCmpTableOptions::GetDatabaseType() const {
  return FConnection ? FConnection->GetDatabaseType() : dbAbstract;
}

std::string TCmpTableOptions::QuoteIdent(const std::string& Name) const {
  if (!FConnection) return Name;
  const TIBServerOptions& IB = FConnection->GetIBServerOptions();
  return Quote_Ident(Name, FConnection->GetDatabaseType(), IB.SQLServerVersion,
                     static_cast<std::int8_t>(IB.GetSQLDialect()));
}

std::string TCmpTableOptions::QuoteField(const std::string& Name) const {
  const TDatabaseType Db = GetDatabaseType();
  if (Db == dbParadox || Db == dbDBASE) {
    const TDialect* D = FindDialect(Db);
    if (D && D->IsKeyword && D->IsKeyword(Name))
      return FTableName + "." + EncloseIdent(Name, '"', '"');
    return Name;
  }
  return QuoteIdent(Name);
}

std::string TCmpTableOptions::FldsSeq(const TStrings& List) const {
  std::string S;
  for (int I = 0; I < List.Count(); ++I) {
    if (I > 0) S += ", ";
    S += FieldSQL(List[I]);
  }
  return S;
}

std::string TCmpTableOptions::FieldSQL(const std::string& Entry) const {
  // An entry in double quotes is written as such only where double quotes make a name: MySQL
  // reads "x" as a string, and a name holding double quotes of its own must keep them.
  const TDatabaseType Db = GetDatabaseType();
  if (Entry.empty() || Entry.front() != '"' || !FConnection || Db == dbParadox || Db == dbDBASE)
    return Entry.empty() || Entry.front() == '"' ? Entry : QuoteField(Entry);
  return QuoteIdent(FieldNameOf(Entry));
}

std::string TCmpTableOptions::OrderItem(const std::string& Name) const {
  const std::string Q = FieldSQL(Name);
  const bool ByteOrder = FByteOrderFields.IndexOf(Name) >= 0;
  // The merge orders null after every value and text by its bytes; each server is told to
  // order the same way, since its default (nulls first, a linguistic collation) would make the
  // merge pair the wrong rows.
  switch (GetDatabaseType()) {
    case dbPostgreSQL:
      return ByteOrder ? Q + " COLLATE \"C\"" : Q;
    case dbMySQL: {
      // "c IS NULL" puts nulls last but is an expression: the server sorts the whole table
      // for it instead of reading the key in order. A NOT NULL column has no null to move.
      const std::string Value = ByteOrder ? "CAST(CONVERT(" + Q + " USING utf8mb4) AS BINARY)" : Q;
      return FNotNullFields.IndexOf(Name) >= 0 ? Value : Q + " IS NULL, " + Value;
    }
    case dbInterBase:
      if (FConnection && IsFirebird15Up(FConnection->GetIBServerOptions().SQLServerVersion))
        return Q + " NULLS LAST";
      return Q;
    default:
      return Q;
  }
}

std::string TCmpTableOptions::SelectSQL() const {
  const TStrings& Order =
      (FComparer && FComparer->GetKeyFldsCount() == 0) ? FWorkDataFields : FWorkKeyFields;
  std::string OrderClause;
  // An Access side is sorted here (SortUnordered).
  if (Order.Count() > 0 && !SortedHere()) {
    OrderClause = " Order by ";
    for (int I = 0; I < Order.Count(); ++I) {
      if (I > 0) OrderClause += ", ";
      OrderClause += OrderItem(Order[I]);
    }
  }
  if (FWorkDataFields.Empty())
    return std::string("select *") + CrLf + " from " + QualifiedName() + CrLf + OrderClause;
  std::string Items = FldsSeq(FWorkDataFields);
  if (!FFloat4Fields.Empty() || !FPaddedFields.Empty() || !FUtcFields.Empty()) {
    Items.clear();
    for (int I = 0; I < FWorkDataFields.Count(); ++I)
      Items += (I > 0 ? ", " : "") + SelectItem(FWorkDataFields[I]);
  }
  return "select " + Items + CrLf + "from " + QualifiedName() + CrLf + OrderClause;
}

std::string TCmpTableOptions::SelectItem(const std::string& Name) const {
  const std::string Q = FieldSQL(Name);
  // Read under their own names (see FFloat4Fields and FPaddedFields).
  if (FFloat4Fields.IndexOf(Name) >= 0) return "CAST(" + Q + " AS DOUBLE) AS " + Q;
  const TDialect* D = FindDialect(GetDatabaseType());
  if (FPaddedFields.IndexOf(Name) >= 0 && D && D->UnpaddedText)
    return D->UnpaddedText(Q) + " AS " + Q;
  if (const int I = FUtcFields.IndexOf(Name); I >= 0 && D && D->UtcTime)
    return D->UtcTime(Q, FUtcDigits[static_cast<std::size_t>(I)]) + " AS " + Q;
  return Q;
}

std::vector<std::string> TCmpTableOptions::SplitTableName(const std::string& Name,
                                                          std::vector<bool>* Quoted) {
  std::vector<std::string> Parts(1);
  std::vector<bool> InQuotes(1, false);
  for (std::size_t I = 0; I < Name.size(); ++I) {
    const char C = Name[I];
    if ((C == '"' || C == '`') && Parts.back().empty() && !InQuotes.back()) {
      const std::size_t End = Name.find(C, I + 1);
      if (End == std::string::npos || End == I + 1) return {};
      // A doubled quote inside stands for one.
      std::size_t E = End;
      std::string Part = Name.substr(I + 1, E - I - 1);
      while (E + 1 < Name.size() && Name[E + 1] == C) {
        const std::size_t Next = Name.find(C, E + 2);
        if (Next == std::string::npos) return {};
        Part += C + Name.substr(E + 2, Next - E - 2);
        E = Next;
      }
      Parts.back() = Part;
      InQuotes.back() = true;
      I = E;
      if (I + 1 < Name.size() && Name[I + 1] != '.') return {};
    } else if (C == '.') {
      if (Parts.back().empty()) return {};
      Parts.emplace_back();
      InQuotes.push_back(false);
    } else if (InQuotes.back()) {
      return {};
    } else {
      Parts.back() += C;
    }
  }
  if (Parts.back().empty() || Parts.size() > 2) return {};
  if (Quoted) *Quoted = InQuotes;
  return Parts;
}

std::string TCmpTableOptions::StoredName(const std::string& Name) const {
  switch (GetDatabaseType()) {
    case dbInterBase: {
      // A mixed-case name, or one that needs quotes whatever its case, was created quoted.
      const bool Lower = Name.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos;
      const bool Upper = Name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos;
      const auto Version =
          FComparer ? FComparer->GetIBServerOptions().SQLServerVersion : st_FireBird_15;
      const std::string UpperName = UpperCase(Name);
      return !(Lower && Upper) && Quote_Ident(UpperName, dbInterBase, Version, 3) == UpperName
                 ? UpperName
                 : Name;
    }
    case dbMySQL:
    case dbAbstract:
    case dbMSAccess:
    case dbCustomOLEDB:
      // MySQL as given; OLE DB names are matched against the columns rowset, the source's own.
      return Name;
    case dbPostgreSQL:
      return LowerCase(Name);
    default:
      return UpperCase(Name);
  }
}

void TCmpTableOptions::NormaliseTableName() {
  // The name is looked up the way the server stores it, and stays so for the run, so that
  // every statement and the row count name the same table.
  if (FNameSplit) return;
  FNameSplit = true;
  std::vector<bool> Quoted;
  const std::vector<std::string> Parts = SplitTableName(FTableName, &Quoted);
  // InterBase and Firebird have no schemas: there a qualified name names no table.
  if (Parts.empty() || (Parts.size() == 2 && GetDatabaseType() == dbInterBase)) {
    // Not a name in parts: looked up as it stands, which finds nothing unless the table is
    // named so.
    FTableName = StoredName(FTableName);
    return;
  }
  auto Stored = [&](std::size_t I) { return Quoted[I] ? Parts[I] : StoredName(Parts[I]); };
  FTableName = Stored(Parts.size() - 1);
  if (Parts.size() == 2) FSchemaName = Stored(0);
}

std::string TCmpTableOptions::QualifiedName() const {
  return FSchemaName.empty() ? QuoteIdent(FTableName)
                             : QuoteIdent(FSchemaName) + "." + QuoteIdent(FTableName);
}

bool TCmpTableOptions::PrepareFields(TQELQuery* Query) {
  FCatalogFields.Clear();
  if (Query) NormaliseTableName();
  FByteOrderFields.Clear();
  FNotNullFields.Clear();
  FFloat4Fields.Clear();
  FPaddedFields.Clear();
  FUtcFields.Clear();
  FUtcDigits.clear();
  if (FWorkDataFields.Empty())
    FWorkDataFields.Assign(!FDataFields.Empty() || !FComparer
                               ? static_cast<const TStrings&>(FDataFields)
                               : static_cast<const TStrings&>(FComparer->GetCustomDataFields()));
  if (FWorkKeyFields.Empty())
    FWorkKeyFields.Assign(!FKeyFields.Empty() || !FComparer
                              ? static_cast<const TStrings&>(FKeyFields)
                              : static_cast<const TStrings&>(FComparer->GetCustomKeyFields()));
  if (FWorkExcludeFields.Empty())
    FWorkExcludeFields.Assign(
        !FExcludeFields.Empty() || !FComparer
            ? static_cast<const TStrings&>(FExcludeFields)
            : static_cast<const TStrings&>(FComparer->GetExcludeDataFields()));
  TrimEntries(FWorkDataFields);
  TrimEntries(FWorkKeyFields);
  TrimEntries(FWorkExcludeFields);

  // PostgreSQL folds bare names to lower case: names the caller gave are folded the same way.
  // Names read from the catalog are the exact names already and stay as they are.
  if (GetDatabaseType() == dbPostgreSQL) {
    LowerCaseEntries(FWorkDataFields);
    LowerCaseEntries(FWorkKeyFields);
  }

  FDataFromCatalog = FWorkDataFields.Empty();
  FKeysFromCatalog = FWorkKeyFields.Empty();
  bool Result = true;
  if (FDataFromCatalog) {
    Result = GetDBFields(Query);
    if (!Result) return false;
    CopyWithout(FCatalogFields, FWorkExcludeFields, FWorkDataFields);
  }
  if (FKeysFromCatalog) {
    if (FCatalogFields.Empty()) {
      Result = GetDBFields(Query);
      if (!Result) return false;
    }
    CopyWithout(FCatalogFields, FWorkExcludeFields, FWorkKeyFields);
  }
  // A key the caller named must be a column of the table: the SELECT ordered by it would fail
  // with the server's own text only.
  if (Query && FComparer && !FKeysFromCatalog && !FCatalogFields.Empty()) {
    for (const std::string& Key : FWorkKeyFields) {
      if (!HasCatalogField(Key)) {
        FComparer->DoErrMsg("Key field " + Key + " is not a column of table " + FTableName + ".");
        Result = false;
      }
    }
    if (!Result) return false;
  }
  if (Query && FComparer) {
    const std::string Where =
        FTableName + " Database: " +
        (FConnection ? FConnection->GetConnectionOptions().GetDatabaseName() : std::string());
    if (FWorkDataFields.Empty()) {
      FComparer->DoErrMsg("There are no data-fields for comparison. Table: " + Where);
      Result = false;
    }
    if (FWorkKeyFields.Empty()) {
      FComparer->DoErrMsg("There are no key-fields for comparison. Table: " + Where);
      Result = false;
    }
  }
  return Result;
}

bool TCmpTableOptions::SortedHere() const {
  return GetDatabaseType() == dbMSAccess;
}

bool TCmpTableOptions::HasCatalogField(const std::string& Entry) const {
  for (const std::string& Column : FCatalogFields)
    if (NamesColumn(Entry, Column)) return true;
  return false;
}

bool TCmpTableOptions::NamesColumn(const std::string& Entry, const std::string& Column) const {
  const TDatabaseType Db = GetDatabaseType();
  const bool Exact = Db == dbPostgreSQL || Db == dbInterBase;
  std::string Name = FieldNameOf(Entry);
  if (Db == dbPostgreSQL && !StartsStr("\"", Entry)) Name = LowerCase(Name);
  return Column == Name || (!Exact && SameText(Column, Name));
}

void TCmpTableOptions::RunCatalogQuery(TQELQuery& Query, const std::vector<std::string>& Lines,
                                       const std::function<void(TQELQuery&)>& Row) {
  std::string Text;
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    if (I > 0) Text += CrLf;
    Text += Lines[I];
  }
  RunQuery(Query, Text, [&Row](TQELQuery& Q) {
    while (!Q.GetEof()) {
      Row(Q);
      Q.Next();
    }
  });
}

void TCmpTableOptions::RunQuery(TQELQuery& Query, const std::string& Text,
                                const std::function<void(TQELQuery&)>& Opened) {
  Query.Close();
  Query.SetParamCheck(false);
  Query.SetSQLText(Text);
  Query.Open();
  Opened(Query);
  Query.Close();
  if (TStrings* SQL = Query.GetSQL()) SQL->Clear();
  Query.SetParamCheck(true);
}

void TCmpTableOptions::TableNotFound(TQELQuery& Query) {
  const TQELCustomConnection* C = Query.GetConnection() ? Query.GetConnection() : FConnection;
  FComparer->DoErrMsg("Table: " + FTableName + " not exists." + CrLf + "Database: " +
                      (C ? C->GetConnectionOptions().GetDatabaseName() : std::string()));
}

bool TCmpTableOptions::GetDBFields(TQELQuery* Query) {
  if (!Query || !FComparer) return true;
  Query->Close();
  if (TStrings* SQL = Query->GetSQL()) SQL->Clear();
  TDatabaseType Db = GetDatabaseType();
  if (Db == dbAbstract && Query->GetConnection()) Db = Query->GetConnection()->GetDatabaseType();
  NormaliseTableName();

  bool Result = true;
  try {
    Result = ReadCatalogFields(*Query, Db);
    if (Result && !FComparer->IncludeBlobs && !FTableName.empty()) {
      // Large-value columns are left out: their types are read from an empty result.
      RunQuery(*Query, "select * from " + QualifiedName() + " where 1=0", [this](TQELQuery& Q) {
        for (int I = 0; I < Q.FieldCount(); ++I) {
          const TField* F = Q.Fields().Fields(I);
          if (!TTableDataComparer::IsBlobType(F->GetDataType())) continue;
          for (int J = FCatalogFields.Count() - 1; J >= 0; --J)
            if (SameText(FCatalogFields[J], F->GetFieldName())) FCatalogFields.Delete(J);
        }
      });
    }
  } catch (const std::exception& E) {
    FComparer->DoErrMsg(E.what());
    Query->Close();
    if (TStrings* SQL = Query->GetSQL()) SQL->Clear();
    Query->SetParamCheck(true);
    return false;
  }
  if (Result) FComparer->DoLogNextLine(FTableName + ": " + JoinNames(FCatalogFields, " "));
  return Result;
}

bool TCmpTableOptions::ReadCatalogFields(TQELQuery& Query, TDatabaseType Db) {
  if (const TDialect* D = FindDialect(Db); D && D->ReadDataFields)
    return D->ReadDataFields(*this, Query);
  if (Db == dbPervasiveSQL)
    AddCatalogColumns(Query, {"call psp_columns (null, " + QuotedStr(FTableName) + ", null)"},
                      "COLUMN_NAME", false);
  // DB2 and dbAbstract have no catalog step
  return true;
}

std::string TCmpTableOptions::FindTableId(TQELQuery& Query, const std::vector<std::string>& Lines,
                                          const char* NameField, const char* IdField) {
  std::string Id;
  RunCatalogQuery(Query, Lines, [&](TQELQuery& Q) {
    if (Id.empty() && !Q.FieldByName(NameField)->AsString().empty())
      Id = Q.FieldByName(IdField)->AsString();
  });
  if (Id.empty()) TableNotFound(Query);
  return Id;
}

void TCmpTableOptions::AddCatalogColumns(TQELQuery& Query, const std::vector<std::string>& Lines,
                                         const char* Field, bool Trimmed) {
  RunCatalogQuery(Query, Lines, [&](TQELQuery& Q) {
    const std::string& Name = Q.FieldByName(Field)->AsString();
    FCatalogFields.Add(Trimmed ? Trim(Name) : Name);
  });
}

void TCmpTableOptions::AddEmptyResultColumns(TQELQuery& Query) {
  // The name is quoted, so that a reserved word or a name with blanks cannot change the
  // statement.
  RunQuery(Query, "Select * from " + QualifiedName() + " where 1=0", [&](TQELQuery& Q) {
    for (int I = 0; I < Q.FieldCount(); ++I)
      FCatalogFields.Add(Q.Fields().Fields(I)->GetFieldName());
  });
}

// =============================================================================================
// TTableDataComparer: the component

TTableDataComparer::TTableDataComparer(TComponent* AOwner)
    : TComponent(AOwner),
      FTableOptionsMaster(std::make_unique<TCmpTableOptions>(this)),
      FTableOptionsTarget(std::make_unique<TCmpTableOptions>(this)),
      FOutputs(std::make_unique<TComparerOutputs>(*this)) {
  SetScriptFileName(ProgramFolder() + "Result.SQL");
}

TTableDataComparer::~TTableDataComparer() {
  ClearRunState();
  SetQELConnectionMaster(nullptr);
  SetQELConnectionTarget(nullptr);
  SetSQLExec(nullptr);
}

void TTableDataComparer::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) {
    if (AComponent == FQELConnectionMaster) {
      FQELConnectionMaster = nullptr;
      FTableOptionsMaster->SetConnection(nullptr);
    }
    if (AComponent == FQELConnectionTarget) {
      FQELConnectionTarget = nullptr;
      FTableOptionsTarget->SetConnection(nullptr);
    }
    if (FTableOptionsMaster->GetConnection() == AComponent)
      FTableOptionsMaster->SetConnection(nullptr);
    if (FTableOptionsTarget->GetConnection() == AComponent)
      FTableOptionsTarget->SetConnection(nullptr);
    if (AComponent == FSQLExec) FSQLExec = nullptr;
  }
  TComponent::Notification(AComponent, Operation);
}

void TTableDataComparer::SetTableNameMaster(const std::string& Value) {
  FTableNameMaster = Value;
  FTableOptionsMaster->SetTableName(Value);
}

void TTableDataComparer::SetTableNameTarget(const std::string& Value) {
  FTableNameTarget = Value;
  FTableOptionsTarget->SetTableName(Value);
}

void TTableDataComparer::SetUpdateImmediately(bool Value) {
  FUpdateImmediately = Value;
  FScriptOptions.GenerateScript = !Value;
}

void TTableDataComparer::SetQELConnectionMaster(TQELCustomConnection* Value) {
  if (FQELConnectionMaster) RemoveFreeNotification(FQELConnectionMaster);
  FQELConnectionMaster = Value;
  if (Value) FreeNotification(Value);
  FTableOptionsMaster->SetConnection(Value);
}

void TTableDataComparer::SetQELConnectionTarget(TQELCustomConnection* Value) {
  if (FQELConnectionTarget) RemoveFreeNotification(FQELConnectionTarget);
  FQELConnectionTarget = Value;
  if (Value) FreeNotification(Value);
  FTableOptionsTarget->SetConnection(Value);
}

void TTableDataComparer::SetSQLExec(TCustomSQLExec* Value) {
  if (FSQLExec) RemoveFreeNotification(FSQLExec);
  FSQLExec = Value;
  if (Value) FreeNotification(Value);
}

void TTableDataComparer::SetScriptFileName(const std::string& Value) {
  FScriptFileName = Value;
  BlobFileName = Value.empty() ? std::string() : ChangeFileExt(Value, ".LOB");
}

TDatabaseType TTableDataComparer::GetDatabaseType() const {
  if (FQELConnectionTarget) return FQELConnectionTarget->GetDatabaseType();
  if (FQELConnectionMaster) return FQELConnectionMaster->GetDatabaseType();
  return dbAbstract;
}

void TTableDataComparer::DoLogNextLine(const std::string& Text) {
  if (OnLogNextLine) OnLogNextLine(this, Text);
  MsgManager.AddMsg(Text, mt_Inf);
}

void TTableDataComparer::DoErrMsg(const std::string& Text) {
  ++FErrorCount;
  if (OnErrorMessage)
    OnErrorMessage(this, "Error: " + Text);
  else
    ShowMessage("Error: " + Text);
  MsgManager.AddMsg(Text, mt_Err);
}

int TTableDataComparer::GetKeyFldsCount() const {
  return std::min(FTableOptionsMaster->GetWorkKeyFields().Count(),
                  FTableOptionsTarget->GetWorkKeyFields().Count());
}

int TTableDataComparer::GetDataFldsCount() const {
  return std::min(FTableOptionsMaster->GetWorkDataFields().Count(),
                  FTableOptionsTarget->GetWorkDataFields().Count());
}

std::string TTableDataComparer::StatisticsText() const {
  // Row changes that met no row are counted apart (only where the server said so): the
  // text of a run without them stays as it was.
  return "Equal: " + IntToStr(FEqual) + ", " + "Inserted: " + IntToStr(FInserted) + ", " +
         "Updated: " + IntToStr(FUpdated) + ", " + "Deleted: " + IntToStr(FDeleted) + ", " +
         (FUnmade > 0 ? "Met no row: " + IntToStr(FUnmade) + ", " : std::string()) + "All: " +
         IntToStr(static_cast<std::int64_t>(FEqual) + FInserted + FUpdated + FDeleted + FUnmade) +
         ".";
}

int TTableDataComparer::GetAppliedCount() const {
  return FOutputs->Execute.Applied();
}

int TTableDataComparer::GetUnknownCount() const {
  return FOutputs->Execute.InFlight();
}

bool TTableDataComparer::GetWriteConnectionLost() const {
  return FOutputs->Execute.ConnectionLost();
}

bool TTableDataComparer::GetCommitRefused() const {
  return FOutputs->Execute.CommitRefused();
}

// =============================================================================================
// The run

void TTableDataComparer::ClearRunState() {
  CloseSideFile();
  FOutputs->End(false);
  FOutputs->Execute.Close();
  FQueryTarget.reset();
  FQueryMaster.reset();
  FParamFields.clear();
  FFloat4.clear();
  FWrite4.clear();
}

bool TTableDataComparer::FieldListsMatch() {
  const TCmpTableOptions& M = *FTableOptionsMaster;
  const TCmpTableOptions& T = *FTableOptionsTarget;
  if (M.GetDataFields().Count() != T.GetDataFields().Count()) {
    DoErrMsg(std::string("The number of data fields in Master and Target do not match.") + CrLf +
             "Please correct: TableOptionsMaster.DataFields, TableOptionsTarget.DataFields "
             "properties.");
    return false;
  }
  if (M.GetKeyFields().Count() != T.GetKeyFields().Count()) {
    DoErrMsg(std::string("The number of key fields in Master and Target do not match.") + CrLf +
             "Please correct: TableOptionsMaster.KeyFields, TableOptionsTarget.KeyFields "
             "properties.");
    return false;
  }
  if (M.GetExcludeFields().Count() != T.GetExcludeFields().Count()) {
    DoErrMsg(std::string("The number of exclude fields in Master and Target do not match.") + CrLf +
             "Please correct: TableOptionsMaster.ExcludeFields, TableOptionsTarget.ExcludeFields "
             "properties.");
    return false;
  }
  return true;
}

bool TTableDataComparer::CompareData() {
  ResetRun();
  if (!FQELConnectionMaster) {
    DoErrMsg("TTableDataComparer: Master connection not assigned...");
    return false;
  }
  if (!FTableNameTarget.empty() && !FQELConnectionTarget) {
    DoErrMsg("TTableDataComparer: Target connection not assigned...");
    return false;
  }
  if (!FieldListsMatch()) return false;

  FMasterWasConnected = FQELConnectionMaster->GetConnected();
  FTargetWasConnected = FQELConnectionTarget && FQELConnectionTarget->GetConnected();

  if (!OpenSides()) return false;

  CompareTables();

  CloseSides();
  if (FErrorCount != 0) DoLogNextLine("Errors: " + IntToStr(FErrorCount));
  return true;
}

void TTableDataComparer::ResetRun() {
  FInserted = FUpdated = FDeleted = FEqual = 0;
  FUnmade = 0;
  FCancelled = false;
  FOutputs->Execute.Reset();
  FStopText.clear();
  FBlobFailed = FRowsByValue = false;
  FValueTooLarge = false;
  FErrorCount = 0;
  MsgManager.Clear();
  FTableOptionsMaster->GetCatalogFields().Clear();
  FTableOptionsTarget->GetCatalogFields().Clear();
  if (FSQLExec) FSQLExec->Clear();
}

bool TTableDataComparer::OpenSides() {
  try {
    if (FQELConnectionTarget) {
      ConnectSide(*this, FQELConnectionTarget, "target");
      FQueryTarget = MakeQuery(FQELConnectionTarget);
      // A MariaDB connection that streams the target's rows runs no other statement until it
      // has read them all (into memory): the rows written at once go through a connection of
      // their own, so that memory stays flat however many rows there are.
      if (FUpdateImmediately && FQELConnectionTarget->GetDatabaseType() == dbMySQL &&
          FQELConnectionTarget->GetConnectionType() != cnADO) {
        auto Own = std::make_unique<TQELConnection>(nullptr);
        Own->Assign(*FQELConnectionTarget);
        Own->OnErrorMessage = [](TObject*, const std::string&) {};
        ConnectSide(*this, FOutputs->Execute.OwnConnection(std::move(Own)), "target");
      }
      FOutputs->Execute.SetQuery(MakeQuery(FOutputs->Execute.Connection()));
    }
  } catch (const std::exception& E) {
    DoErrMsg(E.what());
    ClearRunState();
    return false;
  }
  try {
    ConnectSide(*this, FQELConnectionMaster, "master");
    FQueryMaster = MakeQuery(FQELConnectionMaster);
  } catch (const std::exception& E) {
    DoErrMsg(E.what());
    ClearRunState();
    if (FQELConnectionTarget && !FTargetWasConnected) FQELConnectionTarget->SetConnected(false);
    return false;
  }
  return true;
}

void TTableDataComparer::CloseSides() {
  // The queries go before the connections they read through.
  ClearRunState();
  if (FQELConnectionTarget && !FTargetWasConnected && FQELConnectionTarget->GetConnected()) {
    FQELConnectionTarget->SetConnected(false);
    DoLogNextLine("Disconnecting from target database: Ok.");
  }
  if (!FMasterWasConnected && FQELConnectionMaster && FQELConnectionMaster->GetConnected()) {
    FQELConnectionMaster->SetConnected(false);
    DoLogNextLine("Disconnecting from master database: Ok.");
  }
}

void TTableDataComparer::CompareTables() {
  TQELCustomConnection* From = FQELConnectionTarget ? FQELConnectionTarget : FQELConnectionMaster;
  FConnectionOptions.Assign(From->GetConnectionOptions());
  FIBServerOptions.Assign(From->GetIBServerOptions());
  FMSSQLServerOptions.Assign(From->GetMSSQLServerOptions());
  FMySQLServerOptions.Assign(From->GetMySQLServerOptions());
  if (auto* Exec = dynamic_cast<TSQLExec*>(FSQLExec)) {
    Exec->SetConnectionOptions(FConnectionOptions);
    Exec->SetIBServerOptions(FIBServerOptions);
    Exec->SetMSSQLServerOptions(FMSSQLServerOptions);
    Exec->SetMySQLServerOptions(FMySQLServerOptions);
    Exec->ScriptFileName = FScriptFileName;
    Exec->BlobFileName = BlobFileName;
  }

  TCmpTableOptions& M = *FTableOptionsMaster;
  TCmpTableOptions& T = *FTableOptionsTarget;
  for (TCmpTableOptions* O : {&M, &T}) {
    O->GetWorkDataFields().Clear();
    O->GetWorkKeyFields().Clear();
    O->GetWorkExcludeFields().Clear();
  }
  M.SetTableName(FTableNameMaster);
  T.SetTableName(FTableNameTarget);
  if (OnGetDataFields) OnGetDataFields(this, M.GetWorkDataFields(), T.GetWorkDataFields());
  if (OnGetKeyFields) OnGetKeyFields(this, M.GetWorkKeyFields(), T.GetWorkKeyFields());
  if (OnGetExcludeFields)
    OnGetExcludeFields(this, M.GetWorkExcludeFields(), T.GetWorkExcludeFields());

  if (T.PrepareFields(FQueryTarget.get()) && M.PrepareFields(FQueryMaster.get())) {
    if (!FQueryTarget) {
      // No target table: every master row becomes an INSERT into the master's table.
      T.SetTableName(M.GetTableName());
      T.GetWorkDataFields().Assign(M.GetWorkDataFields());
    }
    if (!MsgManager.GetIsErr()) PairFields();
    if (!MsgManager.GetIsErr() && FOutputs->Begin()) {
      try {
        Compare();
      } catch (const std::exception& E) {
        DoErrMsg(E.what());
        if (FQueryMaster) FQueryMaster->Close();
        if (FQueryTarget) FQueryTarget->Close();
      }
      FOutputs->Execute.SettleApplied();
    }
    CloseSideFile();
    FOutputs->End(!MsgManager.GetIsErr());
  }
  for (TCmpTableOptions* O : {&M, &T}) {
    O->GetWorkDataFields().Clear();
    O->GetWorkKeyFields().Clear();
    O->GetWorkExcludeFields().Clear();
  }
}

bool TTableDataComparer::PairFields() {
  if (!FQueryTarget) return true;
  TCmpTableOptions& M = *FTableOptionsMaster;
  TCmpTableOptions& T = *FTableOptionsTarget;
  // Lists read from both catalogs pair by name: the servers may keep the columns in different
  // orders, and pairing them by position would write one column's values into another.
  auto Pair = [this](TStringList& ListM, TStringList& ListT, bool FromCatalog, const char* What) {
    if (FromCatalog) {
      TStringList Paired, OnlyM, OnlyT;
      for (const std::string& Name : ListM) {
        const int I = ListT.IndexOf(Name);  // case-insensitive list
        if (I < 0)
          OnlyM.Add(Name);
        else
          Paired.Add(ListT[I]);
      }
      for (const std::string& Name : ListT)
        if (ListM.IndexOf(Name) < 0) OnlyT.Add(Name);
      if (OnlyM.Empty() && OnlyT.Empty()) {
        ListT.Assign(Paired);
        return true;
      }
      std::string Text = std::string("The ") + What +
                         " fields of the master and target tables do not match (exclude the "
                         "fields, or give the field lists).";
      if (!OnlyM.Empty()) Text += std::string(CrLf) + "Only in master: " + JoinNames(OnlyM, ", ");
      if (!OnlyT.Empty()) Text += std::string(CrLf) + "Only in target: " + JoinNames(OnlyT, ", ");
      DoErrMsg(Text);
      return false;
    }
    if (ListM.Count() == ListT.Count()) return true;
    DoErrMsg(std::string("The number of ") + What + " fields in Master and Target do not match." +
             CrLf + "Master: " + JoinNames(ListM, ", ") + CrLf +
             "Target: " + JoinNames(ListT, ", "));
    return false;
  };
  const bool Both = M.GetDataFromCatalog() && T.GetDataFromCatalog();
  if (!Pair(M.GetWorkDataFields(), T.GetWorkDataFields(), Both, "data")) return false;
  const bool BothKeys = M.GetKeysFromCatalog() && T.GetKeysFromCatalog();
  return Pair(M.GetWorkKeyFields(), T.GetWorkKeyFields(), BothKeys, "key");
}

void TTableDataComparer::FindByteOrderFields(TCmpTableOptions& Options, TQELQuery* Query) {
  Options.FByteOrderFields.Clear();
  Options.FNotNullFields.Clear();
  if (!Query) return;
  const TStrings& Keys =
      GetKeyFldsCount() == 0 ? Options.GetWorkDataFields() : Options.GetWorkKeyFields();
  if (Keys.Empty()) return;
  switch (Options.GetDatabaseType()) {
    case dbPostgreSQL: {
      // Collated text columns whose collation is not byte order already (the database default
      // being "C" or "POSIX" counts as byte order).
      const std::string Table = ScriptQuotedStr(Options.QualifiedName(), dbPostgreSQL);
      Options.RunCatalogQuery(
          *Query,
          {"select a.attname from pg_catalog.pg_attribute a",
           "left join pg_catalog.pg_collation co on co.oid = a.attcollation",
           "where a.attrelid = pg_catalog.to_regclass(" + Table + ")",
           "and a.attnum > 0 and not a.attisdropped and a.attcollation <> 0",
           "and coalesce(co.collname, '') not in ('C', 'POSIX')",
           "and not (co.collname = 'default' and (select d.datcollate from pg_catalog.pg_database "
           "d where d.datname = pg_catalog.current_database()) in ('C', 'POSIX'))"},
          [&](TQELQuery& Q) {
            AddEntriesNaming(Keys, Q.Fields().Fields(0)->AsString(), Options.FByteOrderFields);
          });
      break;
    }
    case dbMySQL: {
      // Text columns: MySQL collations ignore case and trailing blanks.
      const std::string Text =
          "select " + Options.FldsSeq(Keys) + " from " + Options.QualifiedName() + " where 1=0";
      TCmpTableOptions::RunQuery(*Query, Text, [&](TQELQuery& Q) {
        for (int I = 0; I < Q.FieldCount() && I < Keys.Count(); ++I) {
          const TFieldType Ty = Q.Fields().Fields(I)->GetDataType();
          if (Ty == ftString || Ty == ftMemo) Options.FByteOrderFields.Add(Keys[I]);
        }
      });
      // SHOW COLUMNS gives each column's name (Field) and whether it takes NULL (Null).
      Options.RunCatalogQuery(
          *Query, {"SHOW COLUMNS FROM " + Options.QualifiedName()}, [&](TQELQuery& Q) {
            if (Q.FieldCount() < 3 || !SameText(Q.Fields().Fields(2)->AsString(), "NO")) return;
            AddEntriesNaming(Keys, Q.Fields().Fields(0)->AsString(), Options.FNotNullFields);
          });
      break;
    }
    default:
      break;
  }
}

void TTableDataComparer::FindFloat4Fields(TCmpTableOptions& Options, TQELQuery* Query) {
  Options.FFloat4Fields.Clear();
  const TStrings& Data = Options.GetWorkDataFields();
  if (!Query || Data.Empty() || Options.GetDatabaseType() != dbMySQL) return;
  const std::string Text =
      "select " + Options.FldsSeq(Data) + " from " + Options.QualifiedName() + " where 1=0";
  TCmpTableOptions::RunQuery(*Query, Text, [&](TQELQuery& Q) {
    for (int I = 0; I < Q.FieldCount() && I < Data.Count(); ++I) {
      const TField* F = Q.Fields().Fields(I);
      if (F->GetDataType() == ftFloat && F->GetSize() == 4) Options.FFloat4Fields.Add(Data[I]);
    }
  });
}

void TTableDataComparer::FindPaddedFields(TCmpTableOptions& Options, TQELQuery* Query) {
  Options.FPaddedFields.Clear();
  Options.FUtcFields.Clear();
  Options.FUtcDigits.clear();
  const TStrings& Data = Options.GetWorkDataFields();
  const TDialect* D = FindDialect(Options.GetDatabaseType());
  if (!Query || Data.Empty() || !D || !D->ReadFormsSQL) return;
  Options.RunCatalogQuery(
      *Query, {D->ReadFormsSQL(Options.QualifiedName(), Options.GetTableName())},
      [&](TQELQuery& Q) {
        const std::string Name = Trim(Q.Fields().Fields(0)->AsString());
        if (Q.Fields().Fields(1)->AsInteger() == 0) {
          AddEntriesNaming(Data, Name, Options.FPaddedFields);
          return;
        }
        AddEntriesNaming(Data, Name, Options.FUtcFields);
        Options.FUtcDigits.resize(static_cast<std::size_t>(Options.FUtcFields.Count()),
                                  Q.Fields().Fields(2)->AsInteger());
      });
}

}  // namespace qel
