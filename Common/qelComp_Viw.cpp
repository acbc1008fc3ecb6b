// Views: their CREATE and DROP texts per dialect and their generation state.
#include "qelComp_Viw.h"

namespace qel {

TViwData::TViwData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = 103;
}

void TViwData::SetReCreate(bool Value) {
  FReCreate = Value;
  if (auto* Ref = dynamic_cast<TViwData*>(GetRefObj()); Ref && Ref->FReCreate != Value)
    Ref->FReCreate = Value;
}

std::string TViwData::GetFlds() const {
  if (Fields.Empty()) return "";
  std::string R = "(";
  bool First = true;
  for (const auto& F : Fields) {
    if (!First) R += ",";
    R += "\r\n" + QuoteIdent(F->GetObjName());
    First = false;
  }
  return R + ")";
}

std::string TViwData::Def() const {
  const std::string Flds = GetFlds();
  switch (GetDatabaseType()) {
    case dbOracle: {
      std::string R = "CREATE OR REPLACE VIEW " + GetObjFullName();
      if (!ObjectType.empty()) R += " OF " + ObjectType;
      if (!IdentifierColumns.Empty()) {
        std::string Cols;
        for (const std::string& C : IdentifierColumns) Cols += (Cols.empty() ? "" : ", ") + C;
        R += "\r\n   WITH OBJECT " +
             (IdentifierKeyword.empty() ? std::string("IDENTIFIER") : IdentifierKeyword) + "(" +
             Cols + ")";
      }
      return R + Flds + "\r\n" + "   AS " + "\r\n" + Body;
    }
    case dbMSSQL: {
      if (Body.empty()) return FullText;  // read without a body: written back as read
      std::string R = "CREATE VIEW " + GetObjFullName() + Flds + "\r\n";
      std::string Options;
      auto AddOption = [&Options](const char* Option) {
        Options += (Options.empty() ? "  WITH " : ", ") + std::string(Option);
      };
      if (WithEncryption) AddOption("ENCRYPTION");
      if (SchemaBinding) AddOption("SCHEMABINDING");
      if (ViewMetadata) AddOption("VIEW_METADATA");
      if (!Options.empty()) R += Options + "\r\n";
      return R + " AS " + "\r\n" + Body;
    }
    case dbMySQL: {
      std::string R = "CREATE";
      if (!Algorithm.empty()) R += " ALGORITHM=" + Algorithm;
      if (!SqlSecurity.empty()) R += " SQL SECURITY " + SqlSecurity;
      return R + " VIEW " + QuoteIdent(GetObjName()) + Flds + "\r\n" + " AS " + "\r\n" + Body;
    }
    case dbDB2:
      return "CREATE VIEW " + GetObjFullName() + Flds + "\r\n" + " AS " + "\r\n" + Body;
    default:
      return "CREATE VIEW " + QuoteIdent(GetObjName()) + Flds + "\r\n" + " AS " + "\r\n" + Body;
  }
}

std::string TViwData::DropDef() const {
  return SkipDef ? "" : "DROP VIEW " + GetObjFullName();
}

void TViwData::ResetGeneration() {
  TDbObj::ResetGeneration();
  FReCreate = false;
  for (const auto& F : Fields) F->ResetGeneration();
}

}  // namespace qel
