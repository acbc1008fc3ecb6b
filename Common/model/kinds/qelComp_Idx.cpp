// Indexes: texts per dialect, keys, their part of the cascade and the index passes.
#include "qelComp_Idx.h"

#include <utility>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Tbl.h"
#include "qelComp_Tbl_Int.h"
#include "qelDialects.h"

namespace qel {

TIdxExtra::TIdxExtra() {
  IncludeFlds.SetCaseSensitive(true);
  IncludeFlds.OwnsObjects = true;
}

TIdxExtra::~TIdxExtra() = default;

TIdxData::TIdxData(TCustomObjs* aOwner) : TDbObjWith(aOwner) {
  Kind = kindIndex;
  Flds.SetCaseSensitive(true);
  Flds.OwnsObjects = true;
}

TIdxData::~TIdxData() {
  ClearFlds();
}

TIdxFldData* TIdxData::AddFld(const std::string& Name, std::int32_t SortOrder, std::int32_t Size) {
  auto* F = new TIdxFldData(Owner);
  F->SetObjName(Name);
  F->TableName = TableName;
  F->SortOrder = SortOrder;
  F->Size = Size;
  Flds.AddObject(Name, F);
  return F;
}

void TIdxData::ClearFlds() {
  Flds.Clear();
  if (FExtra) EditExtra().IncludeFlds.Clear();
}

void TIdxData::SetScriptActive(bool Value) {
  if (!FActiveReplaced) {
    FActiveAsRead = Active;
    FActiveReplaced = true;
  }
  Active = Value;
}

void TIdxData::ResetGeneration() {
  TDbObj::ResetGeneration();
  SetExtra(&TObjExtra::CurrentDef, std::string());
  if (FActiveReplaced) Active = FActiveAsRead;
  FActiveReplaced = false;
}

std::string TIdxData::ObjKeyDef() const {
  const std::string Key = TDbObj::ObjKeyDef();
  // Where the server keeps index names per table, two tables may each have an index "ix_1".
  if (NameScopesOf(GetDatabaseType()).Indexes == TNameScope::Table && !TableName.empty())
    return Key + " ON " + TableName;
  return Key;
}

std::string TIdxData::GetFlds() const {
  const bool MySQL = GetDatabaseType() == dbMySQL;
  std::string R;
  for (int I = 0; I < Flds.Count(); ++I) {
    std::string Col = QuoteIdent(Flds[I]);
    if (const auto* F = dynamic_cast<const TFldData*>(Flds.Objects(I))) {
      // The prefix length belongs to the column, the direction comes after it: a(10) DESC.
      if (MySQL && F->Size > 0) Col.append("(").append(std::to_string(F->Size)).append(")");
      const auto* IF = dynamic_cast<const TIdxFldData*>(F);
      // The operator class stands between the column and its direction: a text_pattern_ops.
      if (IF && !IF->OpClass.empty()) {
        Col += " ";
        if (!IF->OpClassSchema.empty()) Col.append(QuoteIdent(IF->OpClassSchema)).append(".");
        Col += QuoteIdent(IF->OpClass);
      }
      if (IF && IF->SortOrder == 2) Col += " DESC";
    }
    if (!R.empty()) R += ", ";
    R += Col;
  }
  return R;
}

std::string TIdxData::GetIncludeCols() const {
  return tbl_detail::QuotedList(*this, Extra().IncludeFlds);
}

std::string TIdxData::SchemaTable() const {
  if (GetDatabaseType() == dbSybaseASA)
    return tbl_detail::ASAOwnerPrefix(*this) + QuoteIdent(TableName);
  return SchemaQualified(TableSchema.empty() ? GetSchema() : TableSchema.str(), TableName);
}

std::string TIdxData::Def() const {
  const TDatabaseType DB = GetDatabaseType();
  const std::string Name = QuoteIdent(GetObjName());
  std::string R = "CREATE ";
  if (Unique) R += "UNIQUE ";
  if (DB == dbMSSQL) {
    if (Clustered) R += "CLUSTERED ";
    if (PrimaryXML) R += "PRIMARY ";
    if (XML) R += "XML ";
  }
  if (FullText) R += "FULLTEXT ";
  if (Spatial) R += "SPATIAL ";
  if (Descending) R += "DESC ";

  // Oracle and DB2 file an index in a schema of its own; the other servers keep it with its
  // table and take the bare name.
  R.append("INDEX ")
      .append(DB == dbOracle || DB == dbDB2 ? GetObjFullName() : Name)
      .append(" ON ")
      .append(SchemaTable());

  // PostgreSQL keeps the access method of a non-btree index in IndexType; without it the
  // index would come back as a btree.
  if (DB == dbPostgreSQL && !Extra().IndexType.empty()) R += " USING " + Extra().IndexType;

  if (Extra().Body.empty())
    R.append("(").append(GetFlds()).append(")");
  else if (DB == dbOracle)
    R += Extra().Body;
  else
    R += " COMPUTED BY" + Extra().Body;
  // MySQL names the index algorithm after the columns; the server keeps what was asked for.
  if (DB == dbMySQL && !Extra().IndexType.empty()) R += " USING " + Extra().IndexType;
  // A MySQL index keeps its comment in its definition; no statement changes it alone.
  if (DB == dbMySQL && !Extra().Description.empty())
    R += " COMMENT " + ScriptQuotedStr(Extra().Description, dbMySQL);

  if (!Extra().IncludeFlds.Empty()) R += "\r\n  INCLUDE (" + GetIncludeCols() + ")";
  if (DB == dbMSSQL) {
    if (!Extra().OptionText.empty()) R += "\r\n   " + Extra().OptionText;
    if (!Extra().FileGroup.empty()) R += "\r\nON " + QuoteIdent(Extra().FileGroup);
  }
  if (DB == dbOracle) {
    if (!Extra().IndexType.empty()) R += "\r\n   INDEXTYPE IS " + Extra().IndexType;
    if (!Extra().Parameters.empty()) R += "\r\n   PARAMETERS " + Extra().Parameters;
    if (Compress) R += "\r\nCOMPRESS";
    if (NoCompress) R += "\r\nNOCOMPRESS";
    if (NoLogging) R += "\r\nNOLOGGING";
    if (!Extra().TablespaceName.empty()) R += "\r\nTABLESPACE " + Extra().TablespaceName;
  }
  const std::string Storage = Extra().TableSpace.Def();
  if (!Storage.empty()) R += "\r\n" + Storage;
  if (DB == dbDB2 && AllowReverseScans) R += "\r\n  ALLOW REVERSE SCANS";
  return R;
}

std::string TIdxData::DropDef() const {
  const std::string Name = QuoteIdent(GetObjName());
  const std::string Table = QuoteIdent(TableName);
  switch (GetDatabaseType()) {
    case dbMSSQL:
    case dbSybaseASA:
      return "DROP INDEX " + SchemaTable() + "." + Name;
    case dbSybaseASE:
      return "DROP INDEX " + Table + "." + Name;
    case dbMySQL: {
      // An index an AUTO_INCREMENT column rests on is dropped by ALTER TABLE, which can give
      // the column its next key in the same statement.
      const auto* Objs = dynamic_cast<const TObjs*>(Owner);
      TTblData* Tbl = Objs && Flds.Count() > 0 ? Objs->GetTable(TableName) : nullptr;
      const std::string Drop = " DROP INDEX " + Name;
      const std::string Text =
          Tbl ? Tbl->MySQLKeyDrop(Flds[0], Drop, *this, FReplacedByDrop) : Drop;
      if (Text != Drop) return "ALTER TABLE " + Table + Text;
      return "DROP INDEX " + Name + " ON " + Table;
    }
    case dbPostgreSQL:
      return "DROP INDEX " + GetObjFullName();
    default:
      return TDbObj::DropDef();
  }
}

void TIdxData::DoBeforeDrop() {
  TDbObj::DoBeforeDrop();
  // InterBase only lets an index go once no open statement uses its table.
  if (TCustomSQLExec* Exec = GetSQLExec(); Exec && GetDatabaseType() == dbInterBase)
    Exec->AddReConnect();
}

void TIdxData::DoAfterDrop() {
  TDbObj::DoAfterDrop();
  if (std::exchange(FReplacedByDrop, false)) SetObjCreated(true);
}

void TIdxData::DoAfterCreate() {
  TDbObj::DoAfterCreate();
  // An index an earlier step dropped (with its column or table) and the create pass wrote
  // again is the master's now; the alter pass must not build it a second time.
  // The passes switch a new index off right after its creation when the master's is off.
  if (auto* T = dynamic_cast<TIdxData*>(GetRefObj())) {
    T->SetExtra(&TObjExtra::CurrentDef, Def());
    T->SetScriptActive(Active);
  }
}

// ---------------------------------------------------------------------------------------------
// Passes

namespace {

template <class F>
void ForEachIndex(const TDbObjList& List, F Fn) {
  for (int I = 0; I < List.Count(); ++I)
    if (auto* Idx = dynamic_cast<TIdxData*>(List.Objects(I))) Fn(Idx);
}

/// The index's comment is a part of its definition (MySQL), compared and written with it.
bool CommentInDef(const TIdxData& Idx) {
  return Idx.GetDatabaseType() == dbMySQL;
}

/// The statement that switches an InterBase index on or off.
void AddActiveSwitch(TCustomSQLExec& Exec, const TIdxData& Idx, const std::string& Name) {
  Exec.Add("ALTER INDEX " + Name + (Idx.Active ? " ACTIVE" : " INACTIVE"), stStatement,
           Idx.GetObjName(), dboIndex, odbAlter);
}

}  // namespace

void GenScriptIdxCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  const bool Descriptions = Master.CompareObjects.Contains(coDescription);
  bool Written = false;
  ForEachIndex(Master.Indexes, [&](TIdxData* Idx) {
    // Created already: paired, or written with its table (MySQL keys inline).
    if (Idx->SkipDef || Idx->GetObjCreated()) return;
    if (!Written) Exec.AddComment(Idx->GenComment("Create index..."));
    Written = true;
    Idx->CreateDependDef();
    if (!Idx->Active) AddActiveSwitch(Exec, *Idx, Idx->QuoteIdent(Idx->GetObjName()));
    if (Descriptions && !Idx->Extra().Description.empty() && !CommentInDef(*Idx))
      Exec.AddDescription(Idx);
  });
  if (Written) Exec.AddComment("\r\n");
}

void GenScriptIdxAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  const bool Descriptions = Master.CompareObjects.Contains(coDescription);
  bool Written = false;
  auto Comment = [&](const TIdxData& Idx) {
    if (!Written) Exec.AddComment(Idx.GenComment("Alter index (Drop, Create)..."));
    Written = true;
  };
  ForEachIndex(Master.Indexes, [&](TIdxData* M) {
    auto* T = dynamic_cast<TIdxData*>(M->GetRefObj());
    if (!T || M->SkipDef || T->SkipDef) return;
    // SQL Server compares names and types without regard to case.
    const bool CaseInsensitive = T->GetDatabaseType() == dbMSSQL;
    // The text the target holds at this point: its own, or the master's once written.
    const std::string MDef = M->Def();
    const std::string TDef = T->Extra().CurrentDef.empty() ? T->Def() : T->Extra().CurrentDef;
    const bool Equal = CaseInsensitive ? SameText(MDef, TDef) : MDef == TDef;
    if (Equal && M->Active != T->Active) {
      Comment(*M);
      AddActiveSwitch(Exec, *M, M->GetObjFullName());
      T->SetScriptActive(M->Active);
    } else if (!Equal) {
      Comment(*M);
      T->DropDependDef();
      M->CreateDependDef();
      // A new index starts active; one the master keeps switched off is switched off again.
      if (!M->Active) AddActiveSwitch(Exec, *M, M->QuoteIdent(M->GetObjName()));
    }
    if (Descriptions && M->Extra().Description != T->Extra().Description && !CommentInDef(*M)) {
      Written = true;
      Exec.AddDescription(M, T);
    }
  });
  if (Written) Exec.AddComment("\r\n");
}

void GenScriptIdxDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Master;
  bool Written = false;
  ForEachIndex(Target.Indexes, [&](TIdxData* Idx) {
    if (Idx->SkipDef || Idx->GetRefObj() || !Idx->GetObjCreated()) return;
    if (!Written) Exec.AddComment(Idx->GenComment("Drop Index..."));
    Written = true;
    Idx->DropDependDef();
  });
  if (Written) Exec.AddComment("\r\n");
}

}  // namespace qel
