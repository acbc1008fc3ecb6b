// Object descriptions per dialect: each dialect stores them its own way (system tables, COMMENT
// ON, extended properties, table and column comments).
#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"

namespace qel {

namespace {

/// A plain string literal: single quotes, inner quotes doubled.
std::string L(const std::string& S) {
  return QuotedStr(S, '\'');
}

/// The object kinds InterBase/Firebird describes, with their system table, key column and the
/// words of DESCRIBE and COMMENT ON.
struct TIBDescrKind {
  const char* SysTable;
  const char* KeyColumn;
  const char* DescribeWord;
  const char* CommentWord;
};

const TIBDescrKind* IBDescrKindOf(const TDbObj* Obj) {
  static const TIBDescrKind Domain{"RDB$FIELDS", "RDB$FIELD_NAME", "DOMAIN", "DOMAIN"};
  static const TIBDescrKind Table{"RDB$RELATIONS", "RDB$RELATION_NAME", "TABLE", "TABLE"};
  static const TIBDescrKind Procedure{"RDB$PROCEDURES", "RDB$PROCEDURE_NAME", "PROCEDURE",
                                      "PROCEDURE"};
  static const TIBDescrKind Trigger{"RDB$TRIGGERS", "RDB$TRIGGER_NAME", "TRIGGER", "TRIGGER"};
  static const TIBDescrKind Exception{"RDB$EXCEPTIONS", "RDB$EXCEPTION_NAME", "EXCEPTION",
                                      "EXCEPTION"};
  static const TIBDescrKind Index{"RDB$INDICES", "RDB$INDEX_NAME", "INDEX", "INDEX"};
  static const TIBDescrKind Function{"RDB$FUNCTIONS", "RDB$FUNCTION_NAME", "FUNCTION",
                                     "EXTERNAL FUNCTION"};
  static const TIBDescrKind View{"RDB$RELATIONS", "RDB$RELATION_NAME", "VIEW", "VIEW"};
  static const TIBDescrKind Generator{"RDB$GENERATORS", "RDB$GENERATOR_NAME", "GENERATOR",
                                      "GENERATOR"};
  static const TIBDescrKind Role{"RDB$ROLES", "RDB$ROLE_NAME", "ROLE", "ROLE"};
  switch (SchemaKindOf(Obj)) {
    case kindDomain:
      return &Domain;
    case kindTable:
      return &Table;
    case kindProcedure:
      return &Procedure;
    case kindTrigger:
      return &Trigger;
    case kindException:
      return &Exception;
    case kindIndex:
      return &Index;
    case kindFunction:
      return &Function;
    case kindView:
      return &View;
    case kindGenerator:
      return &Generator;
    case kindRole:
      return &Role;
    default:
      return nullptr;
  }
}

bool OwnedByRelation(const TFldData* Fld) {
  const TDbObj* Own = Fld ? Fld->OwnerObj : nullptr;
  return Own && (Own->Kind == kindTable || Own->Kind == kindView);
}

bool OwnedByRoutine(const TFldData* Fld) {
  return Fld && Fld->OwnerObj && Fld->OwnerObj->Kind == kindProcedure;
}

/// The word of COMMENT ON for Obj's kind in the ASA and Oracle dialects; they differ only in
/// the word for a domain and in whether a trigger is commented alone. nullptr for a kind that
/// has none.
const char* CommentWordOf(const TDbObj& Obj, const char* DomainWord, bool Triggers) {
  switch (Obj.Kind) {
    case kindDomain:
      return DomainWord;
    case kindTable:
      return "TABLE";
    case kindView:
      return "VIEW";
    case kindIndex:
      return "INDEX";
    case kindProcedure: {
      const auto* Prc = dynamic_cast<const TPrcData*>(&Obj);
      return Prc && Prc->IsFunction ? "FUNCTION" : "PROCEDURE";
    }
    case kindTrigger:
      return Triggers ? "TRIGGER" : nullptr;
    case kindGenerator:
      return "SEQUENCE";
    case kindRole:
      return "ROLE";
    case kindPackage:
      return "PACKAGE";
    default:
      return nullptr;
  }
}

}  // namespace

std::string TDbObj::DescriptionDef(bool Replaces) const {
  if (SkipDef || !GetCompareObjects().Contains(coDescription)) return "";
  switch (GetDatabaseType()) {
    case dbInterBase:
      return IBDescriptionDef();
    case dbSybaseASA:
      return ASADescriptionDef();
    case dbMySQL:
      return MySQLDescriptionDef();
    case dbOracle:
      return OracleDescriptionDef();
    case dbMSSQL:
      return MSSQLDescriptionDef(Replaces);
    case dbPostgreSQL:
      return PGSQLDescriptionDef();
    default:
      return "";
  }
}

std::string TDbObj::IBDescriptionDef() const {
  const auto* Fld = dynamic_cast<const TFldData*>(this);
  const std::string& Name = GetObjName();
  switch (GetUpdateDescriptionType()) {
    case udSysTables: {
      if (Fld) {
        if (OwnedByRelation(Fld))
          return "UPDATE RDB$RELATION_FIELDS SET RDB$DESCRIPTION = \r\n" + L(Extra().Description) +
                 "\r\n" + "WHERE RDB$RELATION_NAME = " + L(Fld->TableName) +
                 " AND RDB$FIELD_NAME = " + L(Name);
        if (OwnedByRoutine(Fld))
          return "UPDATE RDB$PROCEDURE_PARAMETERS SET RDB$DESCRIPTION = \r\n" +
                 L(Extra().Description) + "\r\n" +
                 "WHERE RDB$PROCEDURE_NAME = " + L(Fld->TableName) +
                 " AND RDB$PARAMETER_NAME = " + L(Name);
        return "";
      }
      if (const TIBDescrKind* K = IBDescrKindOf(this))
        return std::string("UPDATE ") + K->SysTable + " SET RDB$DESCRIPTION = \r\n" +
               L(Extra().Description) + "\r\n" + "WHERE " + K->KeyColumn + " = " + L(Name);
      return GenComment(Extra().Description);
    }
    case udDescribe: {
      if (Fld) {
        if (dynamic_cast<const TTblData*>(Fld->OwnerObj))
          return "DESCRIBE FIELD " + QuoteIdent(Name) + " TABLE " + QuoteIdent(Fld->TableName) +
                 "\r\n" + L(Extra().Description);
        if (dynamic_cast<const TViwData*>(Fld->OwnerObj))
          return "DESCRIBE FIELD " + QuoteIdent(Name) + " VIEW " + QuoteIdent(Fld->TableName) +
                 "\r\n" + L(Extra().Description);
        if (OwnedByRoutine(Fld))
          return "DESCRIBE PARAMETER " + QuoteIdent(Name) + " PROCEDURE " +
                 QuoteIdent(Fld->TableName) + "\r\n" + L(Extra().Description);
        return "";
      }
      if (const TIBDescrKind* K = IBDescrKindOf(this))
        return std::string("DESCRIBE ") + K->DescribeWord + " " + QuoteIdent(Name) + "\r\n" +
               L(Extra().Description);
      return "";
    }
    case udComment: {
      if (dynamic_cast<const TDataBaseObj*>(this))
        return "COMMENT ON DATABASE IS\r\n" + L(Extra().Description);
      if (Fld) {
        if (OwnedByRelation(Fld))
          return "COMMENT ON COLUMN " + QuoteIdent(Fld->OwnerObj->GetObjName()) + "." +
                 QuoteIdent(Name) + " IS" + "\r\n" + L(Extra().Description);
        if (OwnedByRoutine(Fld))
          return "COMMENT ON PARAMETER " + QuoteIdent(Fld->OwnerObj->GetObjName()) + "." +
                 QuoteIdent(Name) + " IS" + "\r\n" + L(Extra().Description);
        return "";
      }
      if (const TIBDescrKind* K = IBDescrKindOf(this))
        return std::string("COMMENT ON ") + K->CommentWord + " " + QuoteIdent(Name) + " IS" +
               "\r\n" + L(Extra().Description);
      return "";
    }
  }
  return "";
}

std::string TDbObj::ASADescriptionDef() const {
  const TDatabaseType DB = GetDatabaseType();
  // A table, view or routine of an owner other than DBA is named behind its owner; unqualified,
  // the server would look for one of the connected user's.
  auto Owned = [this](const TDbObj* Obj, const std::string& Name) {
    const bool Prefix =
        Obj && !Obj->Extra().Creator.empty() && Obj->Extra().Creator != "DBA" &&
        (Obj->Kind == kindTable || Obj->Kind == kindView || Obj->Kind == kindProcedure);
    return (Prefix ? QuoteIdent(Obj->Extra().Creator) + "." : std::string()) + QuoteIdent(Name);
  };
  if (const auto* Fld = dynamic_cast<const TFldData*>(this)) {
    if (Fld->TableName.empty()) return "";
    return "COMMENT ON COLUMN " + Owned(Fld->OwnerObj, Fld->TableName) + "." +
           QuoteIdent(GetObjName()) + " IS" + "\r\n" + ScriptQuotedStr(Extra().Description, DB);
  }
  const char* Word = CommentWordOf(*this, "DOMAIN", true);
  if (!Word) return "";
  return std::string("COMMENT ON ") + Word + " " + Owned(this, GetObjName()) + " IS" + "\r\n" +
         L(Extra().Description);
}

std::string TDbObj::OracleDescriptionDef() const {
  const TDatabaseType DB = GetDatabaseType();
  // The qualified name of the table or view that owns a column or trigger.
  auto Qualifier = [this](const TDbObj* TableObj, const std::string& TableName) {
    if (TableObj && !TableObj->GetSchema().empty())
      return QuoteIdent(TableObj->GetSchema()) + "." + QuoteIdent(TableObj->GetObjName());
    return QuoteIdent(TableName);
  };
  if (const auto* Fld = dynamic_cast<const TFldData*>(this); Fld && !Fld->TableName.empty())
    return "COMMENT ON COLUMN " + Qualifier(Fld->OwnerObj, Fld->TableName) + "." +
           QuoteIdent(GetObjName()) + " IS" + "\r\n" + ScriptQuotedStr(Extra().Description, DB);
  if (const auto* Trg = dynamic_cast<const TTrgData*>(this); Trg && !Trg->OwnName.empty())
    return "COMMENT ON TRIGGER " + Qualifier(Trg->OwnerObj, Trg->OwnName) + "." +
           QuoteIdent(GetObjName()) + " IS" + "\r\n" + ScriptQuotedStr(Extra().Description, DB);
  const char* Word = CommentWordOf(*this, "TYPE", false);
  if (!Word || dynamic_cast<const TFldData*>(this) || dynamic_cast<const TTrgData*>(this))
    return "/* COMMENT ON... */";
  return std::string("COMMENT ON ") + Word + " " + GetObjFullName() + " IS" + "\r\n" +
         L(Extra().Description);
}

std::string TDbObj::PGSQLDescriptionDef() const {
  auto P = [this](const std::string& Schema) {
    return Schema.empty() ? std::string() : QuoteIdent(Schema) + ".";
  };
  std::string Word;
  std::string Target;
  if (const auto* Fld = dynamic_cast<const TFldData*>(this)) {
    // Columns of tables and views take a comment; parameters take none.
    if (!OwnedByRelation(Fld)) return "";
    Word = "COLUMN";
    Target =
        P(Fld->OwnerObj->GetSchema()) + QuoteIdent(Fld->TableName) + "." + QuoteIdent(GetObjName());
  } else if (const auto* Ctr = dynamic_cast<const TCtrData*>(this)) {
    Word = "CONSTRAINT";
    Target = QuoteIdent(GetObjName()) + " ON " + P(GetSchema()) + QuoteIdent(Ctr->GetTblName());
  } else if (const auto* Trg = dynamic_cast<const TTrgData*>(this)) {
    Word = "TRIGGER";
    Target = QuoteIdent(GetObjName()) + " ON " +
             P(Trg->OwnerObj ? Trg->OwnerObj->GetSchema() : std::string()) +
             QuoteIdent(Trg->OwnName);
  } else if (const auto* Prc = dynamic_cast<const TPrcData*>(this)) {
    // COMMENT ON FUNCTION names the function by its arguments only; a RETURNS clause there is
    // a syntax error. A procedure is no function to the server ("is not a function").
    Word = Prc->IsFunction ? "FUNCTION" : "PROCEDURE";
    Target = P(GetSchema()) + QuoteIdent(GetObjName()) + Prc->ParamDef(false);
  } else {
    const std::int32_t K = SchemaKindOf(this);
    if (const auto* Dmn = dynamic_cast<const TDmnData*>(this))
      Word = Dmn->PGOptions && Dmn->PGOptions->IsType ? "TYPE" : "DOMAIN";
    else if (K == kindTable)
      Word = "TABLE";
    else if (K == kindView)
      Word = "VIEW";
    else if (K == kindIndex)
      Word = "INDEX";
    else if (K == kindGenerator)
      Word = "SEQUENCE";
    else if (dynamic_cast<const TSchData*>(this))
      Word = "SCHEMA";
    else
      return "";
    Target = GetObjFullName();
  }
  return "COMMENT ON " + Word + " " + Target + " IS " +
         ScriptQuotedStr(Extra().Description, dbPostgreSQL);
}

std::string TDbObj::MySQLDescriptionDef() const {
  if (dynamic_cast<const TTblData*>(this))
    return "ALTER TABLE " + QuoteIdent(GetObjName()) +
           " COMMENT = " + ScriptQuotedStr(Extra().Description, dbMySQL);
  // MODIFY COLUMN exists for table columns only; a parameter or view column has no comment.
  if (const auto* Fld = dynamic_cast<const TFldData*>(this);
      Fld && !Fld->TableName.empty() &&
      (!Fld->OwnerObj || dynamic_cast<const TTblData*>(Fld->OwnerObj)))
    return "ALTER TABLE " + QuoteIdent(Fld->TableName) + " MODIFY COLUMN " +
           QuoteIdent(GetObjName()) + " " + Fld->TypeDef() + " COMMENT " +
           ScriptQuotedStr(Extra().Description, dbMySQL);
  return "";
}

std::string TDbObj::MSSQLDescriptionDef(bool Replaces) const {
  if (!Owner || Owner->MSSQLServerOptions.SQLServerVersion != st_MSSQL2005) return "";
  struct TLevel {
    std::string Type;
    std::string Name;
  };
  TLevel L0, L1, L2;
  const std::string& Name = GetObjName();
  auto RoutineWord = [](const TDbObj* Obj) {
    const auto* Prc = dynamic_cast<const TPrcData*>(Obj);
    return std::string(Prc && Prc->IsFunction ? "FUNCTION" : "PROCEDURE");
  };
  const std::int32_t K = SchemaKindOf(this);
  if (dynamic_cast<const TSchData*>(this)) {
    L0 = {"SCHEMA", Name};
  } else if (const auto* Dmn = dynamic_cast<const TDmnData*>(this)) {
    L0 = {"SCHEMA", GetSchema()};
    L1 = {Dmn->GetXmlSchemaCollection() ? "XML SCHEMA COLLECTION" : "TYPE", Name};
  } else if (K == kindTable) {
    L0 = {"SCHEMA", GetSchema()};
    L1 = {"TABLE", Name};
  } else if (K == kindView) {
    L0 = {"SCHEMA", GetSchema()};
    L1 = {"VIEW", Name};
  } else if (K == kindProcedure) {
    L0 = {"SCHEMA", GetSchema()};
    L1 = {RoutineWord(this), Name};
  } else if (const auto* Fld = dynamic_cast<const TFldData*>(this)) {
    const TDbObj* Own = Fld->OwnerObj;
    if (Own && Own->Kind == kindTable) {
      L0 = {"SCHEMA", Own->GetSchema()};
      L1 = {"TABLE", Own->GetObjName()};
      L2 = {"COLUMN", Name};
    } else if (Own && Own->Kind == kindView) {
      L0 = {"SCHEMA", Own->GetSchema()};
      L1 = {"VIEW", Own->GetObjName()};
      L2 = {"COLUMN", Name};
    } else if (Own && Own->Kind == kindProcedure) {
      L0 = {"SCHEMA", Own->GetSchema()};
      L1 = {RoutineWord(Own), Own->GetObjName()};
      L2 = {"PARAMETER", Name};
    }
  } else if (const auto* Trg = dynamic_cast<const TTrgData*>(this)) {
    // A database-level trigger belongs to no schema and no table: it is a level-0 object.
    if (GetSchema().empty() || Trg->OwnName == "DATABASE") {
      L0 = {"TRIGGER", Name};
    } else {
      L0 = {"SCHEMA", GetSchema()};
      L1 = {"TABLE", Trg->OwnName};
      L2 = {"TRIGGER", Name};
    }
  } else if (const auto* Idx = dynamic_cast<const TIdxData*>(this)) {
    L0 = {"SCHEMA", GetSchema()};
    const bool OnView = Owner->Views.FindObj(SchObjName(GetSchema(), Idx->TableName)) != nullptr;
    L1 = {OnView ? "VIEW" : "TABLE", Idx->TableName};
    L2 = {"INDEX", Name};
  }
  if (L0.Type.empty() || L0.Name.empty()) return "";

  // sys.sp_addextendedproperty exists from compatibility level 90 on. The server refuses to add
  // a property the object has: a changed one is updated, a removed one dropped.
  const std::int32_t Level = Owner->MSSQLServerOptions.GetMSSQLDatabaseOptions().CompatibilityLevel;
  auto S = [](const std::string& Text) { return ScriptQuotedStr(Text, dbMSSQL); };
  const bool Drops = Replaces && Extra().Description.empty();
  const char* Verb = Drops ? "drop" : Replaces ? "update" : "add";
  std::string R = std::string(Level == 0 || Level > 90 ? "exec sys.sp_" : "exec dbo.sp_") + Verb +
                  "extendedproperty @name=N" + S("MS_Description");
  if (!Drops) R += ", @value=N" + S(Extra().Description);
  R += ", @level0type=N" + S(L0.Type) + ", @level0name=N" + S(L0.Name);
  if (!L1.Type.empty() && !L1.Name.empty())
    R += ", @level1type=N" + S(L1.Type) + ", @level1name=N" + S(L1.Name);
  if (!L2.Type.empty()) R += ", @level2type=N" + S(L2.Type) + ", @level2name=N" + S(L2.Name);
  return R;
}

}  // namespace qel
