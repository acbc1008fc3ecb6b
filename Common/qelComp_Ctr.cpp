// Table constraints: type and kind code, names under the SQL Server case rule, the plain
// constraint text and the key.
#include "qelComp_Ctr.h"

#include "Text.h"

namespace qel {

TCtrData::TCtrData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = 121;
  FldList.SetCaseSensitive(true);
  RefFldList.SetCaseSensitive(true);
}

void TCtrData::SetCtType(TConstraintType Value) {
  FCtType = Value;
  switch (Value) {
    case ctPKey:
      Kind = 113;
      break;
    case ctFKey:
      Kind = 114;
      break;
    case ctUnique:
      Kind = 115;
      break;
    case ctCheck:
      Kind = 116;
      break;
    case ctDefault:
      Kind = 119;
      break;
    case ctReferences:
      Kind = 122;
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

namespace {

std::string QuotedList(const TDbObj& Obj, const TStringList& List) {
  std::string R;
  for (const std::string& Name : List) R += (R.empty() ? "" : ", ") + Obj.QuoteIdent(Name);
  return R;
}

}  // namespace

std::string TCtrData::GetFields() const {
  return QuotedList(*this, FldList);
}

std::string TCtrData::GetRefFlds() const {
  return QuotedList(*this, RefFldList);
}

std::string TCtrData::TableRef() const {
  switch (GetDatabaseType()) {
    case dbSybaseASA:
      return QuoteIdent(Creator) + "." + QuoteIdent(FTblName);
    case dbOracle:
    case dbMSSQL:
    case dbPostgreSQL:
      if (!GetSchema().empty()) return QuoteIdent(GetSchema()) + "." + QuoteIdent(FTblName);
      return QuoteIdent(FTblName);
    default:
      return QuoteIdent(FTblName);
  }
}

std::string TCtrData::ConstraintDef() const {
  std::string R;
  if (!GetObjName().empty()) R = "CONSTRAINT " + QuoteIdent(GetObjName()) + " ";
  switch (FCtType) {
    case ctPKey:
      return R + "PRIMARY KEY (" + GetFields() + ")";
    case ctUnique:
      return R + "UNIQUE (" + GetFields() + ")";
    case ctFKey:
      return R + "FOREIGN KEY (" + GetFields() + ") REFERENCES " + QuoteIdent(FRefTblName) + " (" +
             GetRefFlds() + ")";
    case ctCheck:
      return R + "CHECK " + Body;
    case ctDefault:
      return R + "DEFAULT " + Body + (FldList.Empty() ? "" : " FOR " + QuoteIdent(FldList[0]));
    default:
      return "";
  }
}

std::string TCtrData::Def() const {
  const std::string Clause = ConstraintDef();
  return Clause.empty() ? "" : "ALTER TABLE " + TableRef() + " ADD " + Clause;
}

std::string TCtrData::ObjKeyDef() const {
  if (!GetObjName().empty()) {
    const std::string Key = TDbObj::ObjKeyDef();
    const TDatabaseType DB = GetDatabaseType();
    // PostgreSQL and DB2 constraint names are unique per table only.
    if ((DB == dbPostgreSQL || DB == dbDB2) && !FTblName.empty()) return Key + " ON " + FTblName;
    return Key;
  }
  // Unnamed constraints are matched by their text, built without InterBase quoting so that
  // both sides spell identifiers alike.
  if (!Owner || GetDatabaseType() != dbInterBase) return Def();
  TIBServerOptions& IB = Owner->IBServerOptions;
  const TIBSQLDialectType Saved = IB.GetSQLDialect();
  IB.SetSQLDialect(1);
  std::string Key = Def();
  IB.SetSQLDialect(Saved);
  return Key;
}

}  // namespace qel
