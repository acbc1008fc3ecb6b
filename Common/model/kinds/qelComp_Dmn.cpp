// Domains and user types: their text in every dialect, their part of the cascade, and the
// three passes of the update script. Only InterBase/Firebird alter a changed domain, in place
// and property by property; where an old server has no DDL for a change, its system tables
// are written, and where a new server keeps them read-only (Firebird 3), its DDL is used or
// the write is kept as a comment.
#include "qelComp_Dmn.h"

#include <optional>
#include <vector>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl_Alter.h"
#include "qelComp_Viw.h"

namespace qel {

namespace {

const std::string ListSep = ",\r\n";

bool IsSQLServerLike(TDatabaseType DB) {
  return DB == dbMSSQL || DB == dbSybaseASE;
}

std::string Lit(const std::string& S) {
  return QuotedStr(S, '\'');
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TPGTypeOptions

TPGTypeOptions::TPGTypeOptions(TDmnData* aDomain) : Domain(aDomain) {}

TPGTypeOptions::~TPGTypeOptions() = default;

std::string TPGTypeOptions::Def() const {
  if (!Attributes.Empty()) {
    std::string R = " AS (\r\n";
    for (int I = 0; I < Attributes.Count(); ++I) {
      if (I > 0) R += ListSep;
      R += Attributes[I]->Def();
    }
    return R + ")";
  }
  std::string R;
  auto Opt = [&R](const std::string& S) { R += S + ListSep; };
  if (!Input.empty()) Opt("INPUT = " + Input);
  if (!Output.empty()) Opt("OUTPUT = " + Output);
  if (!Receive.empty()) Opt("RECEIVE = " + Receive);
  if (!Send.empty()) Opt("SEND = " + Send);
  if (!Analyze.empty()) Opt("ANALYZE = " + Analyze);
  if (InternalLength >= 0) Opt("INTERNALLENGTH = " + std::to_string(InternalLength));
  if (ExternalLength >= 0) Opt("EXTERNALLENGTH = " + std::to_string(ExternalLength));
  if (PassedByValue) Opt("PASSEDBYVALUE");
  if (Alignment != iftUnknown) Opt("ALIGNMENT = " + LowerCase(FieldTypeName(Alignment)));
  if (!Storage.empty()) Opt("STORAGE = " + Storage);
  if (!Default.empty()) Opt("DEFAULT = " + Default);
  if (Element) Opt("ELEMENT = " + Element->Def());
  if (!Delimiter.empty()) Opt("DELIMITER = " + ScriptQuotedStr(Delimiter, dbPostgreSQL));
  if (R.size() >= ListSep.size()) R.erase(R.size() - ListSep.size());
  return "(\r\n" + R + ")";
}

// ---------------------------------------------------------------------------------------------
// TDmnData

TDmnData::TDmnData(TCustomObjs* aOwner)
    : TDbObj(aOwner),
      TypeField(std::make_unique<TFldData>(aOwner)),
      PGOptions(std::make_unique<TPGTypeOptions>(this)) {
  Kind = kindDomain;
  TypeField->OwnerObj = this;
}

TDmnData::~TDmnData() = default;

std::string TDmnData::GetCaption() const {
  return GetObjName();
}

std::string TDmnData::TypeDef() const {
  if (IsSQLServerLike(GetDatabaseType()))
    return BaseTypeName + (TypeField->Nullable ? " NULL" : " NOT NULL");
  return TypeField->TypeDef();
}

std::string TDmnData::PGTypeDef() const {
  return "CREATE TYPE " + GetObjFullName() + PGOptions->Def();
}

std::string TDmnData::OracleDef() const {
  std::string R = "CREATE OR REPLACE TYPE " + GetObjFullName();
  if (!TimestampText.empty() || !OidText.empty()) {
    R += "\r\n";
    if (!TimestampText.empty()) R += "   TIMESTAMP " + Lit(TimestampText);
    if (!OidText.empty()) R += " OID " + Lit(OidText);
    R += "\r\n";
  }
  auto AttributeList = [this](const TObjVector<TFldData>& L) {
    if (L.Empty()) return std::string();
    const bool Added = &L == &AddedAttributes;
    std::string S = "  (";
    for (int I = 0; I < L.Count(); ++I) {
      if (I > 0) S += "   ";
      S += L[I]->Def();
      if (I + 1 < L.Count()) S += ListSep;
    }
    if (!Members.Empty() && !Added) S += ListSep;
    if (Members.Empty() || Added) S += ")";
    return S;
  };
  auto MemberList = [this] {
    if (Members.Empty()) return std::string();
    // Without attributes (a subtype that adds members only) the members open the list.
    std::string S = Attributes.Empty() ? "  (" : "";
    for (int I = 0; I < Members.Count(); ++I) {
      if (I > 0) S += ListSep;
      S += Members[I]->Def();
    }
    return S + ")";
  };
  if (!SuperType.empty())
    R += " UNDER " + SuperType + "\r\n" + AttributeList(Attributes) + MemberList();
  else
    R += OracleKind == odIsTable ? " IS " : " AS ";
  switch (OracleKind) {
    case odObject:
      R += "OBJECT\r\n" + AttributeList(Attributes) + MemberList();
      break;
    case odVArray:
      R += "VARRAY(" + std::to_string(VArrayLimit) + ") OF " + TypeField->Def();
      break;
    case odAsTable:
    case odIsTable:
      R += "TABLE OF " + TypeField->Def();
      break;
    default:
      break;
  }
  if (const std::string D = Directive.Def(); !D.empty()) R += "\r\n   " + D;
  if (!AddedAttributes.Empty()) {
    // The CREATE TYPE ends at its "/" line; the ALTER TYPE that adds attributes is a statement
    // of its own, which the writer's "/" after the whole text runs.
    R += "\r\n/\r\n\r\nALTER TYPE " + GetObjFullName() + " ADD ATTRIBUTE\r\n" +
         AttributeList(AddedAttributes);
    if (Cascade) R += "\r\n   CASCADE";
  }
  return R;
}

std::string TDmnData::Def() const {
  const TDatabaseType DB = GetDatabaseType();
  if (IsSQLServerLike(DB)) {
    if (CreateTypeFrom) return "CREATE TYPE " + GetObjFullName() + " FROM " + TypeField->TypeDef();
    if (GetXmlSchemaCollection())
      return "CREATE XML SCHEMA COLLECTION " + GetObjFullName() + " AS N" +
             ScriptQuotedStr(Extra().Body, dbMSSQL);
    return "EXEC sp_addtype N" + Lit(GetObjName()) + ", N" + Lit(BaseTypeName) + ", N" +
           Lit(TypeField->Nullable ? "NULL" : "NOT NULL");
  }
  if (DB == dbOracle) return OracleDef();
  if (DB == dbPostgreSQL) {
    if (PGOptions->IsType) return PGTypeDef();
    // In its own schema (a domain of another schema than the first on the search path would
    // otherwise land in that one) and with its CHECK, without which the domain would let every
    // value of its type in.
    const std::string Type = TypeField->Def();
    if (Type.empty()) return "";  // no type of this dialect: no statement
    std::string R = "CREATE DOMAIN " + GetObjFullName() + " " + Type;
    return R + PGChecksDef();
  }
  if (DB == dbInterBase)
    return "CREATE DOMAIN " + QuoteIdent(GetObjName()) + " AS " + TypeField->Def();
  return "CREATE DOMAIN " + QuoteIdent(GetObjName()) + " " + TypeField->Def();
}

std::string TDmnData::DropDef() const {
  switch (GetDatabaseType()) {
    case dbOracle:
      return "DROP TYPE " + GetObjFullName();
    case dbSybaseASE:
      return "exec sp_droptype " + Lit(GetObjName());
    case dbPostgreSQL:
      return (PGOptions->IsType ? "DROP TYPE " : "DROP DOMAIN ") + GetObjFullName();
    case dbMSSQL:
      if (Owner && Owner->MSSQLServerOptions.SQLServerVersion == st_MSSQL2005)
        return (GetXmlSchemaCollection() ? "DROP XML SCHEMA COLLECTION " : "DROP TYPE ") +
               GetObjFullName();
      return "exec sp_droptype " + Lit(GetObjName());
    default:
      return TDbObj::DropDef();
  }
}

void TDmnData::DoBeforeCreate() {
  TDbObj::DoBeforeCreate();
  for (const auto& D : UseOf)
    if (auto* Dmn = dynamic_cast<TDmnData*>(D->DepObj); Dmn && D->Active && Dmn != this) {
      Dmn->CreateDependDef();
      D->Active = false;
    }
}

void TDmnData::DoBeforeDrop() {
  TDbObj::DoBeforeDrop();
  for (int I = 0; I < UseIn.Count(); ++I) {
    TDependObj* D = UseIn[I];
    TDbObj* Obj = D->DepObj;
    if (!D->Active || !Obj || Obj == this) continue;
    if (dynamic_cast<TDmnData*>(Obj) || dynamic_cast<TViwData*>(Obj)) {
      Obj->DropDependDef();
      D->Active = false;
    } else if (auto* Col = dynamic_cast<TFldData*>(Obj)) {
      Col->DoBeforeDrop();  // the column stays; what depends on it goes
    }
  }
}

void TDmnData::CheckTableDomainChange(const std::string& TableName, const std::string& FieldName) {
  auto* Master = dynamic_cast<TObjs*>(Owner ? Owner->GetObjsMaster() : nullptr);
  auto* Target = dynamic_cast<TObjs*>(Owner ? Owner->GetObjsTarget() : nullptr);
  if (!Master || !Target) return;
  TFldData* M = Master->GetTableField(TableName, FieldName);
  TFldData* T = Target->GetTableField(TableName, FieldName);
  if (!M || !T || M->FieldType != iftDomain || T->FieldType != iftDomain ||
      M->Extra().DomainName == T->Extra().DomainName)
    return;
  if (TDmnData* D = Target->GetDomain(T->Extra().DomainName); D && !D->GetObjCreated())
    D->CreateDependDef();
  TCustomSQLExec* Exec = GetSQLExec();
  if (!Exec) return;
  TStatement* S =
      Exec->Add("update rdb$relation_fields set rdb$field_source=" + Lit(M->Extra().DomainName) +
                    "\r\nwhere rdb$relation_name=" + Lit(M->TableName) +
                    " and rdb$field_name=" + Lit(M->GetObjName()),
                stStatement, TableName, dboTable, odbAlter);
  Exec->DoMsgWrn("Assign table field to domain", S);
  if (TTblData* Tbl = Target->GetTable(TableName))
    for (int I = 0; I < Tbl->UseIn.Count(); ++I)
      if (auto* V = dynamic_cast<TViwData*>(Tbl->UseIn[I]->DepObj)) {
        V->DropDependDef();
        if (TViwData* MV = Master->GetView(V->GetObjName())) {
          MV->SetObjCreated(false);
          MV->CreateDependDef();
        }
      }
}

// ---------------------------------------------------------------------------------------------
// Passes

namespace {

template <class Fn>
void ForEachDomain(const TDbObjList& List, Fn F) {
  for (int I = 0; I < List.Count(); ++I)
    if (auto* D = dynamic_cast<TDmnData*>(List.Objects(I)); D && !D->SkipDef) F(D);
}

/// The InterBase/Firebird alteration of the target's domain T into the master's M.
class TIBDomainAlter {
 public:
  TIBDomainAlter(TAlterRun& Run, TDmnData& M, TDmnData& T)
      : Run(Run),
        M(M),
        T(T),
        FM(*M.TypeField),
        FT(*T.TypeField),
        Name(M.GetObjName()),
        QName(Run.Quote(Name)) {}

  void Run7() {
    const bool LengthDone = Length();
    if (!LengthDone) Type();
    CharsetCollation();
    Blob();
    Check();
    Default();
    Nullability();
  }

 private:
  bool NewServer() const { return Run.IBVersion() >= st_InterBase_6x; }
  void Warn(const std::string& Suffix, TStatement* S) { Run.Work("Domain " + QName + Suffix, S); }
  TStatement* Add(const std::string& Text) {
    return Run.Exec.Add(Text, stStatement, Name, dboDomain, odbAlter);
  }
  TStatement* Sys(const std::string& Text) { return Run.AddSys(M, Text, Name, "", dboDomain); }
  void Comment(const std::string& Text) { Run.Comment(M, Text); }
  static bool IsString(TDBFieldType X) {
    return X == iftVarchar || X == iftChar || X == iftCstring;
  }

  void AlterType() {
    if (FM.FieldType == iftBlob && FT.FieldType == iftBlob) return;
    if (FM.FieldTypeDef() == FT.FieldTypeDef()) return;
    // The server gives a domain whose type changes the database's character set unless the
    // statement names one: the master's is named, so a domain of another set keeps it.
    std::string Type = FM.FieldTypeDef();
    if (IsString(FM.FieldType) && !FM.Extra().CharSet.empty()) {
      Type += " CHARACTER SET " + FM.Extra().CharSet;
      CharSetWritten = true;
    }
    Warn(": DataType conversion " + FT.TypeDef() + " -> " + FM.FieldTypeDef(),
         Add("ALTER DOMAIN " + QName + " TYPE " + Type));
  }

  bool Length() {
    if (FM.Size == FT.Size || !IsString(FM.FieldType) || FT.FieldType != FM.FieldType) return false;
    T.DoBeforeDrop();
    const bool Shrinks = FM.Size < FT.Size;
    if (!NewServer() || (Shrinks && Run.IBAllowConversion())) {
      const std::int32_t Bytes = FM.Length != 0 ? FM.Length : FM.Size;
      Warn(": character length alter",
           Sys("UPDATE RDB$FIELDS SET RDB$FIELD_LENGTH=" + std::to_string(Bytes) +
               ", RDB$CHARACTER_LENGTH=" + std::to_string(FM.Size) + "\r\n" +
               "  WHERE RDB$FIELD_NAME=" + Lit(Name)));
    } else {
      AlterType();
    }
    return true;
  }

  void Type() {
    if (FM.TypeDef() == FT.TypeDef()) return;
    T.DoBeforeDrop();
    if (NewServer()) {
      // The character set and collation follow in their own step, right after this one.
      AlterType();
      return;
    }
    auto DateKind = [](TDBFieldType X) {
      return X == iftDate || X == iftTime || X == iftTimeStamp;
    };
    auto Exact = [](TDBFieldType X) { return X == iftNumeric || X == iftDecimal; };
    const std::string Tail = "\r\n  WHERE RDB$FIELD_NAME = " + Lit(Name);
    if (DateKind(FM.FieldType) && DateKind(FT.FieldType) &&
        Run.Target.IBServerOptions.GetSQLDialect() == 3) {
      const std::int32_t Code = FM.FieldType == iftDate   ? ibtDate
                                : FM.FieldType == iftTime ? ibtTime
                                                          : ibtTimeStamp;
      Warn(": Date/Time/TimeStamp conversion",
           Sys("UPDATE RDB$FIELDS SET RDB$FIELD_TYPE=" + std::to_string(Code) + Tail));
    } else if (Exact(FM.FieldType) && Exact(FT.FieldType)) {
      if (FM.Scale != FT.Scale) {
        Comment("Alter Domain: " + QName + " - scale conversion");
        // The catalog keeps a scale as a negative number.
        Warn(": Scale conversion",
             Sys("UPDATE RDB$FIELDS SET RDB$FIELD_SCALE = " + std::to_string(-FM.Scale) + Tail));
      }
      if (FM.Precision != FT.Precision) {
        Comment("Alter Domain: " + QName + " - precision conversion");
        Warn(": Precision conversion", Sys("UPDATE RDB$FIELDS SET RDB$FIELD_PRECISION = " +
                                           std::to_string(FM.Precision) + Tail));
      }
    }
  }

  /// Sets the domain's Rdb$<Kind>_ID to the id of the character set or collation Value, looked
  /// up in Rdb$<Kind>s.
  std::string SetIdByName(const std::string& Kind, const std::string& Value) const {
    return "Update Rdb$Fields set Rdb$" + Kind + "_ID =\r\n(Select C.Rdb$" + Kind +
           "_ID from Rdb$" + Kind + "s C\r\nwhere C.Rdb$" + Kind + "_Name=" + Lit(Value) +
           ")\r\nwhere Rdb$Field_Name=" + Lit(Name);
  }

  void CharsetCollation() {
    if (!Run.IBFldCharsetCompare()) return;
    if (FM.Extra().CharSet != FT.Extra().CharSet && !CharSetWritten) {
      if (FM.Extra().CharSet.empty() || FM.Extra().CharSet == "NONE")
        Warn(": CharSet difference",
             Sys("Update Rdb$Fields set Rdb$Character_Set_ID = NULL\r\nwhere Rdb$Field_Name=" +
                 Lit(Name)));
      else
        Warn(": CharSet difference", Sys(SetIdByName("Character_Set", FM.Extra().CharSet)));
    }
    if (FM.Extra().Collation != FT.Extra().Collation) {
      if (FM.Extra().Collation.empty())
        Warn(": Collation difference",
             Sys("Update Rdb$Fields set Rdb$Collation_ID = NULL\r\nwhere Rdb$Field_Name = " +
                 Lit(Name)));
      else
        Warn(": Collation difference", Sys(SetIdByName("Collation", FM.Extra().Collation)));
    }
  }

  void Blob() {
    if (FM.FieldType != iftBlob || FT.FieldType != iftBlob) return;
    const std::string Tail = "\r\nwhere Rdb$Field_Name=" + Lit(Name);
    if (FM.SubType != FT.SubType)
      Warn(": Blob SUB_TYPE difference",
           Sys("Update Rdb$Fields set RDB$FIELD_SUB_TYPE = " + std::to_string(FM.SubType) + Tail));
    if (FM.Extra().SegmentSize != FT.Extra().SegmentSize)
      Warn(": Blob SEGMENT SIZE difference", Sys("Update Rdb$Fields set RDB$SEGMENT_LENGTH = " +
                                                 std::to_string(FM.Extra().SegmentSize) + Tail));
  }

  /// The old servers take a CHECK or default only from a domain's definition: a temporary
  /// domain is made with the master's definition and its value copied over.
  void ThroughTempDomain(const std::string& Columns, const std::string& Suffix) {
    const std::string Saved = M.GetObjName();
    M.SetObjName("IBC$TEMP");
    const std::string Create = M.Def();
    M.SetObjName(Saved);
    Add(Create);
    TStatement* S = Sys(Columns + "\r\nwhere RDB$FIELD_NAME=" + Lit(Name));
    Add("DROP DOMAIN IBC$TEMP");
    Warn(Suffix, S);
  }

  void Check() {
    if (FM.Extra().CheckText == FT.Extra().CheckText) return;
    Comment("Alter Domain: " + QName + " - Check(...)");
    const TIBSQLServerVersionType V = Run.IBVersion();
    if (V != st_InterBase_4x && V != st_InterBase_5x && V != st_InterBase_6x) {
      if (!FT.Extra().CheckText.empty()) Add("ALTER DOMAIN " + QName + " DROP CONSTRAINT");
      if (!FM.Extra().CheckText.empty())
        Add("ALTER DOMAIN " + QName + " ADD CHECK" + FM.Extra().CheckText);
      return;
    }
    ThroughTempDomain(
        "Update RDB$Fields set Rdb$Validation_Source =\r\n"
        "(Select Rdb$Validation_Source from Rdb$Fields where Rdb$Field_Name='IBC$TEMP'),\r\n"
        "Rdb$Validation_BLR =\r\n"
        "(Select Rdb$Validation_BLR from Rdb$Fields where Rdb$Field_Name='IBC$TEMP')",
        ": check expression alter");
  }

  void Default() {
    const std::string D = FM.GetDefValue();
    if (D == FT.GetDefValue()) return;
    if (NewServer()) {
      Add("ALTER DOMAIN " + QName + (D.empty() ? " DROP DEFAULT" : " SET DEFAULT " + D));
      return;
    }
    ThroughTempDomain(
        "Update RDB$Fields set Rdb$Default_Source =\r\n"
        "(Select Rdb$Default_Source from Rdb$Fields where Rdb$Field_Name='IBC$TEMP'),\r\n"
        "Rdb$Default_Value =\r\n"
        "(Select Rdb$Default_Value from Rdb$Fields where Rdb$Field_Name='IBC$TEMP')",
        ": Default-value alter");
  }

  void Nullability() {
    if (FM.Nullable == FT.Nullable) return;
    TStatement* S = nullptr;
    if (Run.IBSysTablesReadOnly())
      // Firebird 3 has DDL for it, and checks the columns' rows when NOT NULL is set.
      S = Add("ALTER DOMAIN " + QName + (FM.Nullable ? " DROP NOT NULL" : " SET NOT NULL"));
    else
      S = Sys(std::string("Update Rdb$Fields set Rdb$Null_Flag = ") + (FM.Nullable ? "NULL" : "1") +
              "\r\nwhere Rdb$Field_Name=" + Lit(Name));
    Warn(": Nullable difference", S);
  }

  TAlterRun& Run;
  TDmnData& M;
  TDmnData& T;
  const TFldData& FM;
  const TFldData& FT;
  const std::string Name;
  const std::string QName;
  bool CharSetWritten = false;  ///< the ALTER DOMAIN ... TYPE statement named the character set
};

}  // namespace

void GenScriptDmnCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  const TDatabaseType DB = Target.GetDatabaseType();
  const bool Descr = Master.CompareObjects.Contains(coDescription);
  bool Written = false;
  ForEachDomain(Master.Domains, [&](TDmnData* M) {
    if (M->GetRefObj() || M->GetObjCreated()) return;
    if (!Written)
      Exec.AddComment(DB == dbMSSQL    ? "/* Create User datatypes... */"
                      : DB == dbOracle ? "/* Create types... */"
                                       : "/* Create Domains... */");
    Written = true;
    M->CreateDependDef();
    if (Descr) {
      if (!M->TypeField->Extra().Description.empty()) Exec.AddDescription(M);
      if (!M->Extra().Description.empty()) Exec.AddDescription(M);
    }
  });
}

namespace {

/// The base type of a domain column, without its NOT NULL and default.
bool SameBaseType(const TFldData& A, const TFldData& B) {
  return A.FieldType == B.FieldType && A.Size == B.Size && A.Precision == B.Precision &&
         A.Scale == B.Scale && A.Extra().DomainName == B.Extra().DomainName &&
         A.Extra().ArrayBounds == B.Extra().ArrayBounds &&
         A.Extra().Collation == B.Extra().Collation;
}

/// Names a change of M the update script leaves undone: a comment in the script, and a warning
/// in the executor's messages and in the comparison's.
void WarnDomainNotAltered(TCustomSQLExec& Exec, TDmnData& M, const std::string& What) {
  const std::string Name = M.GetObjFullName();
  Exec.AddComment("/* " + SafeBlockComment(Name + ": " + What + " not altered") + " */");
  const std::string Text =
      What + " of " + Name +
      " changed; not altered (it would be dropped with the columns that use it).";
  Exec.DoMsgWrn(Text, nullptr);
  if (M.Owner) M.Owner->WarnNotCarriedOver(Text, &M);
}

/// A PostgreSQL domain or composite type of the target T brought to the master's M where the
/// server alters it in place: a domain's checks, default and NOT NULL, a composite type's
/// attributes. What only a drop and a new creation would change (a domain's base type, the
/// options of a base type) is not written: dropping would take the columns of that type, and
/// their rows, with it. It is named in a warning instead.
void PGDomainAlter(TCustomSQLExec& Exec, TDmnData& M, TDmnData& T) {
  if (!M.PGOptions || !T.PGOptions || !M.TypeField || !T.TypeField) return;
  const std::string Name = M.GetObjFullName();
  auto NotAltered = [&](const std::string& What) { WarnDomainNotAltered(Exec, M, What); };
  if (M.PGOptions->IsType != T.PGOptions->IsType) {
    NotAltered(M.PGOptions->IsType ? "Type" : "Domain");
    return;
  }
  if (M.PGOptions->IsType) {
    const TObjVector<TFldData>& MA = M.PGOptions->Attributes;
    const TObjVector<TFldData>& TA = T.PGOptions->Attributes;
    if (MA.Empty() != TA.Empty() || (MA.Empty() && M.PGOptions->Def() != T.PGOptions->Def())) {
      NotAltered("Type definition");
      return;
    }
    std::vector<std::string> Actions;
    for (const auto& A : TA)
      if (!MA.Find(A->GetObjName()))
        Actions.push_back("DROP ATTRIBUTE " + M.QuoteIdent(A->GetObjName()));
    // The server changes the type of an attribute only while no column stores the type.
    // Asked only when an attribute's type changed, and then once per type: a walk over every
    // column of the target.
    std::optional<bool> StoredAnswer;
    auto Stored = [&T, &StoredAnswer] {
      if (StoredAnswer) return *StoredAnswer;
      StoredAnswer = false;
      auto* Objs = dynamic_cast<TObjs*>(T.Owner);
      if (!Objs) return false;
      const std::string Bare = T.GetObjName();
      const std::string Qualified = T.GetSchema() + "." + Bare;
      for (int I = 0; I < Objs->Tables.Count(); ++I)
        if (auto* Tbl = dynamic_cast<TTblData*>(Objs->Tables.Objects(I)))
          for (const auto& F : Tbl->Fields)
            if (F->FieldType == iftDomain &&
                (F->Extra().DomainName == Bare || F->Extra().DomainName == Qualified)) {
              StoredAnswer = true;
              return true;
            }
      return false;
    };
    for (const auto& A : MA) {
      const TFldData* Old = TA.Find(A->GetObjName());
      if (!Old)
        Actions.push_back("ADD ATTRIBUTE " + A->Def());
      else if (A->TypeDef() == Old->TypeDef())
        continue;
      else if (Stored())
        NotAltered("Type of attribute " + A->GetObjName());
      else
        Actions.push_back("ALTER ATTRIBUTE " + M.QuoteIdent(A->GetObjName()) + " TYPE " +
                          A->TypeDef());
    }
    if (Actions.empty()) return;
    std::string Text = "ALTER TYPE " + Name + " ";
    for (std::size_t I = 0; I < Actions.size(); ++I)
      Text += (I > 0 ? ListSep : std::string()) + Actions[I];
    Exec.Add(Text, stStatement, M.GetObjName(), dboDomain, odbAlter);
    return;
  }
  const TFldData& MF = *M.TypeField;
  const TFldData& TF = *T.TypeField;
  if (!SameBaseType(MF, TF)) NotAltered("Base type");
  PGDomainChecksAlter(Exec, M, T);
  // The server casts a domain's default to the base type ('open'::character varying).
  if (MF.CompareDefValue() != TF.CompareDefValue())
    Exec.Add("ALTER DOMAIN " + Name +
                 (MF.GetDefValue().empty() ? " DROP DEFAULT" : " SET DEFAULT " + MF.GetDefValue()),
             stStatement, M.GetObjName(), dboDomain, odbAlter);
  if (MF.Nullable != TF.Nullable)
    Exec.Add("ALTER DOMAIN " + Name + (MF.Nullable ? " DROP NOT NULL" : " SET NOT NULL"),
             stStatement, M.GetObjName(), dboDomain, odbAlter);
}

/// The other dialects write no change of a domain or user-defined type (SQL Server and ASE
/// user types, SQL Anywhere domains, Oracle object and collection types, DB2 distinct types):
/// their servers change one only by a drop that the columns using it refuse or lose. A changed
/// definition is named in a warning, as PostgreSQL's unalterable changes are.
void OtherDomainAlter(TCustomSQLExec& Exec, TDmnData& M, TDmnData& T) {
  if (M.Def() != T.Def()) WarnDomainNotAltered(Exec, M, "Definition");
}

}  // namespace

void GenScriptDmnAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  GenScriptDmnAlter(Master, Target, Exec, WorkListOf(Master));
}

void GenScriptDmnAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                       TStringList* WorkList) {
  TAlterRun Run(Master, Target, Exec, WorkList);
  const bool Descr = Master.CompareObjects.Contains(coDescription);
  ForEachDomain(Master.Domains, [&](TDmnData* M) {
    auto* T = dynamic_cast<TDmnData*>(M->GetRefObj());
    if (!T) return;
    if (Target.GetDatabaseType() == dbInterBase)
      TIBDomainAlter(Run, *M, *T).Run7();
    else if (Target.GetDatabaseType() == dbPostgreSQL)
      PGDomainAlter(Exec, *M, *T);
    else
      OtherDomainAlter(Exec, *M, *T);
    if (Descr && M->Extra().Description != T->Extra().Description) Exec.AddDescription(M, T);
  });
}

void GenScriptDmnDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  const TDatabaseType DB = Target.GetDatabaseType();
  auto* MasterObjs = dynamic_cast<TObjs*>(&Master);
  std::vector<TDmnData*> Gone;
  ForEachDomain(Target.Domains, [&](TDmnData* T) {
    if (!T->GetRefObj() && T->GetObjCreated()) Gone.push_back(T);
  });
  for (TDmnData* T : Gone)
    for (const auto& D : T->UseIn)
      if (auto* V = dynamic_cast<TViwData*>(D->DepObj);
          V && MasterObjs && MasterObjs->GetView(V->GetObjName()))
        V->SetReCreate(true);
  bool Written = false;
  for (TDmnData* T : Gone) {
    if (!Written)
      Exec.AddComment(DB == dbMSSQL    ? "/* Drop user datatypes... */"
                      : DB == dbOracle ? "/* Drop types... */"
                                       : "/* Drop domains... */");
    Written = true;
    T->DropDependDef();
  }
  for (int I = 0; I < Target.Views.Count(); ++I) {
    auto* V = dynamic_cast<TViwData*>(Target.Views.Objects(I));
    if (!V || !V->GetReCreate()) continue;
    V->DropDependDef();
    if (auto* MV = dynamic_cast<TViwData*>(V->GetRefObj())) {
      MV->CreateDependDef();
      V->SetExtra(&TObjExtra::CurrentDef, MV->Extra().CurrentDef);
      MV->SetReCreate(false);
    }
    V->SetReCreate(false);
  }
}

}  // namespace qel
