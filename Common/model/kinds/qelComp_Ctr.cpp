// Table constraints: texts per dialect, keys, server-generated names, their part of the cascade
// and the two constraint passes of the update script.
#include "qelComp_Ctr.h"

#include <utility>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"
#include "qelComp_Tbl_Int.h"
#include "qelDialects.h"

namespace qel {

TCtrExtra::TCtrExtra() {
  RefFldList.SetCaseSensitive(true);
  RefFldList.OwnsObjects = true;
}

TCtrExtra::~TCtrExtra() = default;

TCtrData::TCtrData(TCustomObjs* aOwner) : TDbObjWith(aOwner) {
  Kind = kindConstraint;
  FldList.SetCaseSensitive(true);
  FldList.OwnsObjects = true;
}

void TCtrData::SetCtType(TConstraintType Value) {
  FCtType = Value;
  switch (Value) {
    case ctPKey:
      Kind = kindPrimaryKey;
      break;
    case ctFKey:
      Kind = kindForeignKey;
      break;
    case ctUnique:
      Kind = kindUnique;
      break;
    case ctCheck:
      Kind = kindCheck;
      break;
    case ctDefault:
      Kind = kindColumnDefault;
      break;
    case ctReferences:
      Kind = kindReferences;
      break;
    default:
      break;  // plain keys and NOT NULL keep their code
  }
}

std::string TCtrData::CaseRuleName(const std::string& Value) const {
  const bool Fold = Owner && Owner->GetDatabaseType() == dbMSSQL &&
                    !Owner->MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers;
  return Fold ? UpperCase(Value) : Value;
}

void TCtrData::SetTblName(const std::string& Value) {
  FTblName = CaseRuleName(Value);
}

void TCtrData::SetRefTblName(const std::string& Value) {
  FRefTblName = CaseRuleName(Value);
}

void TCtrData::SetRefSchema(const std::string& Value) {
  FRefSchema = CaseRuleName(Value);
}

// ---------------------------------------------------------------------------------------------
// Texts

namespace {

const char* ActionWord(TUDAction Action) {
  switch (Action) {
    case udaRestrict:
      return "RESTRICT";
    case udaCascade:
      return "CASCADE";
    case udaDefault:
      return "SET DEFAULT";
    case udaNull:
      return "SET NULL";
    default:
      return "";
  }
}

/// The kinds that have a clause of their own in the dialect. The others (plain keys, NOT NULL
/// outside Oracle, defaults outside SQL Server and ASE) are read for the record only: a
/// statement made of their name alone would not run anywhere.
bool HasClause(TConstraintType Type, TDatabaseType DB) {
  switch (Type) {
    case ctKey:
      return false;
    case ctNotNull:
      return DB == dbOracle;
    case ctDefault:
      return DB == dbMSSQL || DB == dbSybaseASE;
    default:
      return true;
  }
}

}  // namespace

void TCtrData::AddFld(const std::string& Name, std::int32_t SortOrder, std::int32_t Size) {
  if (SortOrder == 0 && Size == 0) {
    FldList.Add(Name);
    return;
  }
  auto* F = new TIdxFldData(Owner);
  F->SetObjName(Name);
  F->TableName = FTblName;
  F->SortOrder = SortOrder;
  F->Size = Size;
  FldList.AddObject(Name, F);
}

std::string TCtrData::GetFields() const {
  return tbl_detail::QuotedList(*this, FldList);
}

std::string TCtrData::GetKeyFields() const {
  const TDatabaseType DB = GetDatabaseType();
  if (DB != dbSybaseASA && DB != dbMySQL) return GetFields();
  std::string R;
  for (int I = 0; I < FldList.Count(); ++I) {
    R += (R.empty() ? "" : ", ") + QuoteIdent(FldList[I]);
    const auto* F = dynamic_cast<const TIdxFldData*>(FldList.Objects(I));
    if (!F) continue;
    // MySQL keys a TEXT or BLOB column by a prefix of it, and refuses the key without one.
    if (DB == dbMySQL && F->Size > 0) R.append("(").append(std::to_string(F->Size)).append(")");
    if (DB == dbSybaseASA && F->SortOrder == 2) R += " DESC";
  }
  return R;
}

std::string TCtrData::GetRefFlds() const {
  return tbl_detail::QuotedList(*this, Extra().RefFldList);
}

std::string TCtrData::TableRef() const {
  if (GetDatabaseType() == dbSybaseASA)
    return tbl_detail::ASAOwnerPrefix(*this) + QuoteIdent(FTblName);
  // Unqualified, the server would look the table up in the connection's default schema.
  return SchemaQualified(GetSchema(), FTblName);
}

std::string TCtrData::RefTableRef() const {
  switch (GetDatabaseType()) {
    case dbSybaseASA:
      return tbl_detail::ASAOwnerPrefix(
                 *this, !Extra().RefOwner.empty() ? Extra().RefOwner : Extra().Creator) +
             QuoteIdent(FRefTblName);
    case dbMSSQL:
      return SchemaQualified(FRefSchema, FRefTblName);
    default:
      // A reader that keeps no schema of its own for the referenced table found it in the
      // constraint's.
      return SchemaQualified(!FRefSchema.empty() ? FRefSchema : GetSchema(), FRefTblName);
  }
}

std::string TCtrData::UsingIndexDef() const {
  if (Extra().IndexName.empty()) return "";
  switch (GetDatabaseType()) {
    case dbInterBase:
      return std::string("\r\n") + (Descending ? "USING DESC INDEX " : "USING INDEX ") +
             QuoteIdent(Extra().IndexName);
    case dbMySQL:
      return "";
    default:
      return " " + Extra().IndexName;
  }
}

std::string TCtrData::OracleNotNullDef() const {
  if (FldList.Empty()) return "";
  return " MODIFY (" + QuoteIdent(FldList[0]) +
         (GetObjName().empty() ? std::string() : " CONSTRAINT " + QuoteIdent(GetObjName())) +
         " NOT NULL)";
}

std::string TCtrData::ConstraintDef(bool ColumnLevel) const {
  const TDatabaseType DB = GetDatabaseType();
  std::string R;
  if (!GetObjName().empty()) R = "CONSTRAINT " + QuoteIdent(GetObjName()) + " ";
  switch (FCtType) {
    case ctFKey: {
      R += "FOREIGN KEY ";
      if (DB == dbSybaseASA && !Extra().RoleName.empty()) R += QuoteIdent(Extra().RoleName) + " ";
      R.append("(").append(GetKeyFields()).append(") REFERENCES ").append(RefTableRef());
      if (!Extra().RefFldList.Empty()) R += " (" + GetRefFlds() + ")";
      // Databases of ODS 8 and older take no referential actions.
      const std::int32_t ODS = (DB == dbInterBase && Owner) ? Owner->ODSMajorVersionOfTarget() : 0;
      if (!(DB == dbInterBase && ODS != 0 && ODS < 9)) {
        if (OnUpdate != udaNoAction) R += std::string(" ON UPDATE ") + ActionWord(OnUpdate);
        if (OnDelete != udaNoAction) R += std::string(" ON DELETE ") + ActionWord(OnDelete);
      }
      if (NotForReplication) R += " NOT FOR REPLICATION";
      R += UsingIndexDef();
      if (CheckOnCommit) R += " CHECK ON COMMIT";
      break;
    }
    case ctCheck:
      R += "CHECK";
      if (NotForReplication) R += " NOT FOR REPLICATION";
      R += Extra().Body;
      break;
    case ctPKey:
      R += "PRIMARY KEY ";
      if (DB == dbSybaseASA && Clustered) R += "CLUSTERED ";
      if (DB == dbMSSQL && !Clustered) R += "NONCLUSTERED ";
      R.append("(").append(GetKeyFields()).append(")").append(UsingIndexDef());
      if (DB == dbMySQL && !Extra().IndexType.empty()) R += " USING " + Extra().IndexType;
      // The key's comment is a part of its definition there.
      if (DB == dbMySQL && !Extra().Description.empty())
        R += " COMMENT " + ScriptQuotedStr(Extra().Description, dbMySQL);
      break;
    case ctUnique:
      R += "UNIQUE ";
      if (DB == dbMSSQL && Clustered) R += "CLUSTERED ";
      if (DB == dbMySQL && !Extra().IndexName.empty()) R += QuoteIdent(Extra().IndexName) + " ";
      R.append("(").append(GetKeyFields()).append(")").append(UsingIndexDef());
      break;
    case ctReferences:
      R += "REFERENCES " + RefTableRef();
      if (!Extra().RefFldList.Empty()) R += "(" + GetRefFlds() + ")";
      break;
    default:
      break;
  }
  if (Deferrable) R += InitiallyDeferred ? "\r\nDEFERRABLE INITIALLY DEFERRED" : "\r\nDEFERRABLE";
  if ((DB == dbMSSQL || DB == dbSybaseASE) && FCtType == ctDefault) {
    R += "DEFAULT " + Extra().Body;
    if (!FldList.Empty() && !(ColumnLevel && FldList.Count() == 1)) R += " FOR " + GetFields();
  }
  const std::string Storage = Extra().TableSpace.Def();
  if (!Storage.empty()) R += "\r\n" + Storage;
  return R;
}

namespace {

/// The whole ADD text, also for kinds without a clause of their own (their key).
std::string AddText(const TCtrData& C) {
  if (C.GetDatabaseType() == dbOracle && C.GetCtType() == ctNotNull)
    return "ALTER TABLE " + C.TableRef() + C.OracleNotNullDef();
  const std::string Table = C.TableRef();
  const std::string Def = C.ConstraintDef(false);
  std::string R;
  R.reserve(17 + Table.size() + Def.size());
  return R.append("ALTER TABLE ").append(Table).append(" ADD ").append(Def);
}

}  // namespace

std::string TCtrData::Def() const {
  if (!HasClause(FCtType, GetDatabaseType())) return "";
  return AddText(*this);
}

std::string TCtrData::CompareDef() const {
  if (FCtType != ctCheck || GetDatabaseType() != dbPostgreSQL) return Def();
  const std::string Name =
      GetObjName().empty() ? "" : "CONSTRAINT " + QuoteIdent(GetObjName()) + " ";
  std::string R = "ALTER TABLE ";
  R.append(TableRef()).append(" ADD ").append(Name).append("CHECK ");
  return R.append(
      PGConditionKey(Extra().ServerBody.empty() ? Extra().Body : Extra().ServerBody.str()));
}

std::string TCtrData::MySQLDropText(const std::string& Drop) const {
  const auto* Objs = dynamic_cast<const TObjs*>(Owner);
  TTblData* Tbl = Objs ? Objs->GetTable(FTblName) : nullptr;
  return Tbl && FldList.Count() > 0 ? Tbl->MySQLKeyDrop(FldList[0], Drop, *this, FReplacedByDrop)
                                    : Drop;
}

std::string TCtrData::DropDef() const {
  const std::string Table = "ALTER TABLE " + TableRef();
  const TDatabaseType DB = GetDatabaseType();
  if (DB == dbMySQL) {
    switch (FCtType) {
      case ctPKey:
        return Table + MySQLDropText(" DROP PRIMARY KEY");
      case ctUnique:
        if (!GetObjName().empty())
          return Table + MySQLDropText(" DROP CONSTRAINT " + QuoteIdent(GetObjName()));
        if (!Extra().IndexName.empty())
          return Table + MySQLDropText(" DROP KEY " + QuoteIdent(Extra().IndexName));
        return Table + " DROP UNIQUE";
      case ctFKey:
        return Table + " DROP FOREIGN KEY " + QuoteIdent(GetObjName());
      default:
        return Table + " DROP CONSTRAINT " + QuoteIdent(GetObjName());
    }
  }
  if (!GetObjName().empty() || !Extra().AltName.empty())
    return Table + " DROP CONSTRAINT " +
           QuoteIdent(!GetObjName().empty() ? GetObjName() : Extra().AltName);

  // Neither name: a statement where the dialect has one, else only a note in the script.
  if (DB == dbSybaseASA) {
    switch (FCtType) {
      case ctPKey:
        return Table + " DROP PRIMARY KEY";
      case ctUnique:
        return Table + " DROP UNIQUE(" + GetFields() + ")";
      case ctFKey:
        return Table + " DROP FOREIGN KEY " +
               QuoteIdent(!Extra().RoleName.empty() ? Extra().RoleName : FRefTblName);
      case ctCheck:
        return Table + " DROP CHECK";
      default:
        break;
    }
  }
  // DB2 drops a table's one primary key without its name.
  if (DB == dbDB2 && FCtType == ctPKey) return Table + " DROP PRIMARY KEY";
  if (DB == dbInterBase && FCtType == ctPKey)
    return "Delete from Rdb$Relation_Constraints\r\nwhere Rdb$Relation_Name = " +
           QuotedStr(FTblName) + "\r\nand Rdb$Constraint_Type = " + QuotedStr("PRIMARY KEY");
  return "/* drop constraint: " + SafeBlockComment(AddText(*this)) + " */\r\n";
}

TDbObject TCtrData::DbObjectKind(bool OnCreate) const {
  switch (GetCtType()) {
    case ctPKey:
      return dboPKey;
    case ctFKey:
      return dboFKey;
    case ctUnique:
      return dboUnique;
    case ctCheck:
      return dboCheck;
    case ctDefault:
      return OnCreate ? dboCtrDefault : dboUnknown;
    default:
      return dboUnknown;
  }
}

std::string TCtrData::GetCaption() const {
  if (!GetObjName().empty()) return GetObjName();
  if (!Extra().AltName.empty()) return Extra().AltName;
  return Def();
}

std::string TCtrData::ObjKeyDef() const {
  if (!GetObjName().empty()) {
    const std::string Key = TDbObj::ObjKeyDef();
    // Where the server keeps constraint names per table, two tables may each have their own "pk".
    if (NameScopesOf(GetDatabaseType()).Constraints == TNameScope::Table && !FTblName.empty())
      return Key + " ON " + FTblName;
    return Key;
  }
  // Unnamed constraints are matched by their text, built without InterBase quoting so that
  // both sides spell identifiers alike.
  if (FCtType == ctCheck && GetDatabaseType() == dbPostgreSQL) return CompareDef();
  if (!Owner || GetDatabaseType() != dbInterBase) return AddText(*this);
  TIBServerOptions& IB = Owner->IBServerOptions;
  const TIBSQLDialectType Saved = IB.GetSQLDialect();
  IB.SetSQLDialect(1);
  std::string Key = AddText(*this);
  IB.SetSQLDialect(Saved);
  return Key;
}

// ---------------------------------------------------------------------------------------------
// Server-generated names

bool TCtrData::MoveSysName(bool Generated) {
  if (Generated) {
    SetExtra(&TObjExtra::AltName, GetObjName());
    SetObjName("");
  }
  return Generated;
}

namespace {

bool IsUpperHex(char C) {
  return (C >= '0' && C <= '9') || (C >= 'A' && C <= 'F');
}

/// Name is a four-character prefix, a table part, "__" and Digits upper-case hexadecimal
/// digits.
bool EndsWithHexTag(const std::string& Name, std::size_t Digits) {
  if (Name.size() < Digits + 7) return false;
  const std::size_t Tag = Name.size() - Digits - 2;
  if (Name.compare(Tag, 2, "__") != 0) return false;
  for (std::size_t I = Tag + 2; I < Name.size(); ++I)
    if (!IsUpperHex(Name[I])) return false;
  return true;
}

}  // namespace

bool TCtrData::MSSQLCheckSysName() {
  const std::string& Name = GetObjName();
  const char* Prefix = nullptr;
  switch (FCtType) {
    case ctPKey:
      Prefix = "PK__";
      break;
    case ctUnique:
      Prefix = "UQ__";
      break;
    case ctFKey:
      Prefix = "FK__";
      break;
    case ctDefault:
      Prefix = "DF__";
      break;
    default:
      return false;
  }
  if (Name.compare(0, 4, Prefix) != 0) return false;
  // The servers of 2005 and before end the name in 8 hexadecimal digits, later ones in 16.
  return MoveSysName(EndsWithHexTag(Name, 8) || EndsWithHexTag(Name, 16));
}

bool TCtrData::ASECheckSysName() {
  return MSSQLCheckSysName();
}

bool TCtrData::DB2CheckSysName() {
  const std::string& Name = GetObjName();
  return MoveSysName(Name.size() == 18 && Name.compare(0, 3, "SQL") == 0);
}

bool TCtrData::PGCheckSysName() {
  const std::string& Name = GetObjName();
  if (Name.empty()) return false;
  // The server makes the name from the table, the columns joined by "_" and a label, with a
  // number after the label when the name is taken, cutting the table and column parts (the
  // longer first) so that the whole fits its 63 bytes.
  std::size_t NumAt = Name.size();
  while (NumAt > 0 && Name[NumAt - 1] >= '0' && Name[NumAt - 1] <= '9') --NumAt;
  const std::string Number = Name.substr(NumAt);
  const auto& Make = FindDialect(dbPostgreSQL)->MakeObjectName;
  auto Made = [&](const std::string& Columns, const std::string& Label) {
    return Name == Make(FTblName, Columns, Label + Number);
  };
  std::string Cols;
  for (const std::string& Col : FldList) Cols += (Cols.empty() ? "" : "_") + Col;
  switch (FCtType) {
    case ctPKey:
      return MoveSysName(Made("", "pkey"));
    case ctFKey:
      return MoveSysName(Made(Cols, "fkey"));
    case ctUnique:
      // The server names a unique key after its table and columns (t_a_b_key).
      return MoveSysName(!Cols.empty() && Made(Cols, "key"));
    case ctCheck:
      // A check is named after the table and the one column it reads, or after the table
      // alone.
      return MoveSysName(Made("", "check") || (FldList.Count() == 1 && Made(Cols, "check")));
    default:
      return false;
  }
}

bool TCtrData::CheckSysName() {
  switch (GetDatabaseType()) {
    case dbPostgreSQL:
      return PGCheckSysName();
    case dbDB2:
      return DB2CheckSysName();
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Cascade

void TCtrData::DoBeforeCreate() {
  for (int I = 0; I < UseOf.Count(); ++I) {
    TDbObj* Obj = UseOf[I]->DepObj;
    if (!Obj || Obj == this) continue;
    if (auto* Tbl = dynamic_cast<TTblData*>(Obj)) {
      Tbl->CreateDependDef();
    } else if (auto* Col = dynamic_cast<TFldData*>(Obj)) {
      auto* ColTbl = dynamic_cast<TTblData*>(Col->OwnerObj);
      if (!ColTbl) continue;
      // A column of a missing table comes with its table, never by ALTER TABLE on a table
      // that does not exist yet.
      if (!ColTbl->GetObjCreated()) ColTbl->CreateDependDef();
      if (!Col->GetObjCreated()) Col->CreateDependDef();
    }
  }
}

void TCtrData::DoBeforeDrop() {
  if (FCtType != ctPKey && FCtType != ctUnique) return;
  TCustomSQLExec* Exec = GetSQLExec();
  if (Exec && GetDatabaseType() == dbInterBase) Exec->AddReConnect();
  for (int I = 0; I < UseIn.Count(); ++I) {
    auto* Fk = dynamic_cast<TCtrData*>(UseIn[I]->DepObj);
    if (Fk && Fk != this && Fk->GetCtType() == ctFKey) Fk->DropDependDef();
  }
}

void TCtrData::DoAfterDrop() {
  TDbObj::DoAfterDrop();
  // The master's key went in with the drop (MySQL): the target has it.
  if (std::exchange(FReplacedByDrop, false)) SetObjCreated(true);
  if (GetDatabaseType() == dbMySQL) return;  // each MySQL key has its drop statement
  // DropDef keeps the drop it cannot write as a comment; the server keeps the constraint.
  if (!StartsStr("/* drop constraint: ", DropDef())) return;
  for (int I = 0; I < UseOf.Count(); ++I)
    if (auto* Tbl = dynamic_cast<TTblData*>(UseOf[I]->DepObj); Tbl && !Tbl->GetRefObj())
      return;  // a table the master lacks is dropped with its constraints
  if (Owner)
    Owner->WarnNotCarriedOver("Constraint of table " + FTblName +
                                  " without a name is not dropped by the update script (no "
                                  "statement drops it; the script holds its drop as a comment): " +
                                  ConstraintDef(false),
                              this);
}

// ---------------------------------------------------------------------------------------------
// Passes

namespace {

bool AnyKeyCompared(const TCmpObjSetType& Kinds) {
  return Kinds.Contains(coPrimaryKey) || Kinds.Contains(coForeignKey) || Kinds.Contains(coUnique) ||
         Kinds.Contains(coCheck);
}

/// The compare-set kind that governs a constraint type; false for types no kind governs.
bool KindCompared(TConstraintType Type, const TCmpObjSetType& Kinds) {
  switch (Type) {
    case ctPKey:
      return Kinds.Contains(coPrimaryKey);
    case ctUnique:
      return Kinds.Contains(coUnique);
    case ctFKey:
      return Kinds.Contains(coForeignKey);
    case ctCheck:
    case ctDefault:
    case ctNotNull:
      return Kinds.Contains(coCheck);
    default:
      return true;  // plain keys and column references pass the filter
  }
}

}  // namespace

void GenScriptCtrDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Exec;  // the statements go through the cascade to the collection's executor
  const TCmpObjSetType Kinds = Master.CompareObjects;
  if (!AnyKeyCompared(Kinds) && !Kinds.Contains(coCtrDefault)) return;
  for (int I = Target.Constraints.Count() - 1; I >= 0; --I) {
    auto* C = dynamic_cast<TCtrData*>(Target.Constraints.Objects(I));
    if (!C || C->SkipDef || !KindCompared(C->GetCtType(), Kinds)) continue;
    if (const TDbObj* M = C->GetRefObj(); M && M->CompareDef() == C->CompareDef()) continue;
    if (C->GetObjCreated()) C->DropDependDef();
  }
}

void GenScriptCtrCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                        const TConstraintTypeSet& Types) {
  struct TPass {
    TCmpObjType Gate;
    TConstraintTypeSet Kinds;
    bool MSSQLOnly;
    const char* Comment;
  };
  // NOT NULL first; SQL Server defaults before the keys; foreign keys after the keys they use.
  static const TPass Passes[] = {
      {coCheck, {ctNotNull}, false, "Create check(not null)..."},
      {coCheck, {ctDefault}, true, "Create Default..."},
      {coPrimaryKey, {ctPKey}, false, "Create Primary Key..."},
      {coUnique, {ctUnique}, false, "Create Unique..."},
      {coForeignKey, {ctFKey}, false, "Create Foreign Key..."},
      {coCheck, {ctCheck, ctNotNull}, false, "Create Check..."},
      {coCheck, {ctDefault}, false, "Create Default..."},
  };
  const TCmpObjSetType Kinds = Master.CompareObjects;
  bool LastWritten = false;
  for (const TPass& Pass : Passes) {
    LastWritten = false;
    if (!Kinds.Contains(Pass.Gate)) continue;
    if (Pass.MSSQLOnly && Target.GetDatabaseType() != dbMSSQL) continue;
    for (int I = 0; I < Master.Constraints.Count(); ++I) {
      auto* C = dynamic_cast<TCtrData*>(Master.Constraints.Objects(I));
      if (!C || C->SkipDef || !Pass.Kinds.Contains(C->GetCtType()) ||
          !Types.Contains(C->GetCtType()) || C->GetObjCreated())
        continue;
      if (!LastWritten) {
        Exec.AddComment(C->GenComment(Pass.Comment));
        if (Pass.Gate == coForeignKey) Exec.AddReConnect();
      }
      LastWritten = true;
      C->CreateDependDef();
    }
  }
  if (LastWritten) Exec.AddComment("\r\n");
}

}  // namespace qel
