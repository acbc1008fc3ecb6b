// Procedures and functions: their key, their texts per dialect and their empty body.
#include "qelComp_Prc.h"

#include "Text.h"

namespace qel {

namespace {

const char* DirectionWord(TParamInOutType InOut, const char* In, const char* Out,
                          const char* InOut_) {
  switch (InOut) {
    case ioIn:
      return In;
    case ioOut:
      return Out;
    case ioInout:
      return InOut_;
    default:
      return "";
  }
}

/// A dollar-quote tag that does not occur in Body, so the body cannot end its own quoting.
std::string DollarTag(const std::string& Body) {
  if (Body.find("$$") == std::string::npos) return "$$";
  for (int N = 0;; ++N) {
    const std::string Tag = "$qel" + (N == 0 ? std::string() : std::to_string(N)) + "$";
    if (Body.find(Tag) == std::string::npos) return Tag;
  }
}

}  // namespace

TPrcData::TPrcData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = 105;
}

void TPrcData::ClearParams() {
  Params.Clear();
  Results.Clear();
}

std::string TPrcData::GetCaption() const {
  return ObjKeyDef();
}

bool TPrcData::GetHasReturnsTable() const {
  return ReturnsTable || (!Results.Empty() && Results[0]->FieldType == iftTable);
}

void TPrcData::SetRestoreBody(bool Value) {
  RestoreBody = Value;
  if (auto* Ref = dynamic_cast<TPrcData*>(GetRefObj())) Ref->RestoreBody = Value;
}

std::string TPrcData::ObjKeyDef() const {
  switch (GetDatabaseType()) {
    case dbPostgreSQL: {
      // Overloaded functions are told apart by their argument types.
      std::string Args;
      for (const auto& P : Params)
        Args += (Args.empty() ? "" : ", ") + LowerCase(P->FieldTypeDef());
      return SchObjName(GetSchema(), GetObjName()) + "(" + Args + ")";
    }
    case dbMSSQL: {
      const std::string Key = TDbObj::ObjKeyDef();
      return ProcNumber != 0 ? Key + ";" + std::to_string(ProcNumber) : Key;
    }
    default:
      return TDbObj::ObjKeyDef();
  }
}

std::string TPrcData::ParamDef(bool WithReturns) const {
  auto Join = [](const TObjVector<TFldData>& List, auto&& Item) {
    std::string R;
    for (const auto& F : List) R += (R.empty() ? "" : ",\r\n") + Item(*F);
    return R;
  };
  switch (GetDatabaseType()) {
    case dbSybaseASA: {
      std::string R = "(" +
                      Join(Params,
                           [this](const TFldData& F) {
                             return DirectionWord(F.InOut, "In ", "Out ", "InOut ") +
                                    QuoteIdent(F.GetObjName()) + " " + F.FieldTypeDef();
                           }) +
                      ")" + "\r\n";
      if (!Results.Empty()) {
        if (IsFunction)
          R += "RETURNS " + Results[0]->FieldTypeDef();
        else
          R += " Result(" +
               Join(Results,
                    [this](const TFldData& F) {
                      return QuoteIdent(F.GetObjName()) + " " + F.FieldTypeDef();
                    }) +
               ")" + "\r\n";
      }
      return R;
    }
    case dbPostgreSQL: {
      std::string R = "(" +
                      Join(Params,
                           [this](const TFldData& F) {
                             std::string Item = DirectionWord(F.InOut, "in ", "out ", "inout ");
                             if (!F.GetObjName().empty()) Item += QuoteIdent(F.GetObjName()) + " ";
                             return Item + F.FieldTypeDef();
                           }) +
                      ")";
      if (WithReturns && !Results.Empty())
        R +=
            "\r\nRETURNS " + std::string(ReturnsSetOf ? "SETOF " : "") + Results[0]->FieldTypeDef();
      return R;
    }
    case dbMSSQL:
    case dbSybaseASE: {
      const bool Parens = IsFunction || !Language.empty();
      std::string R = " " + std::string(Parens ? "(" : "") +
                      Join(Params, [](const TFldData& F) { return F.Def(); }) +
                      (Parens ? ")" : "") + "\r\n";
      if (ReturnsTable)
        R += " RETURNS TABLE\r\n";
      else if (Results.Count() == 1)
        R += " RETURNS " + Results[0]->Def() + "\r\n";
      return R;
    }
    default: {
      std::string R;
      if (!Params.Empty())
        R += "(" + Join(Params, [](const TFldData& F) { return F.Def(); }) + ")" + "\r\n";
      if (!Results.Empty())
        R += " RETURNS(" + Join(Results, [](const TFldData& F) { return F.Def(); }) + ")" + "\r\n";
      return R;
    }
  }
}

std::string TPrcData::IB_Def(const std::string& aBody) const {
  return "PROCEDURE " + QuoteIdent(GetObjName()) + ParamDef(true) + " AS" + "\r\n" + aBody;
}

std::string TPrcData::SAW_Def(const std::string& aBody) const {
  return (IsFunction ? "FUNCTION " : "PROCEDURE ") + GetObjFullName() + ParamDef(true) + aBody;
}

std::string TPrcData::MSSQL_Def(const std::string& aBody) const {
  std::string R = (IsFunction ? "FUNCTION " : "PROCEDURE ") + GetObjFullName();
  if (ProcNumber != 0) R += ";" + std::to_string(ProcNumber);
  R += ParamDef(true);
  if (!Language.empty()) {
    if (ModifiesSqlData) R += "  modifies sql data\r\n";
    if (NullOnNullInput) R += "  returns null on null input\r\n";
    if (DynamicResultSets > 0)
      R += "  dynamic result sets " + std::to_string(DynamicResultSets) + "\r\n";
    if (Deterministic) R += "  deterministic\r\n";
    if (Exportable) R += "  exportable\r\n";
    R += "  language " + Language + "\r\n" + "  parameter style " + ParamStyle + "\r\n" +
         "  external name " + QuotedStr(ExternalName, '\'');
    return R;
  }
  if (!WithOptions.empty()) R += " WITH " + WithOptions + "\r\n";
  return R + (aBody == EmptyBody() ? " AS " + Trim(aBody) : " " + aBody);
}

std::string TPrcData::Oracle_Def(const std::string& aBody) const {
  return (IsFunction ? "FUNCTION " : "PROCEDURE ") + GetObjName() + "\r\n" + aBody;
}

std::string TPrcData::PG_Def(const std::string& aBody) const {
  std::string R = IsFunction ? "FUNCTION " : "PROCEDURE ";
  if (!GetSchema().empty()) R += QuoteIdent(GetSchema()) + ".";
  R += QuoteIdent(GetObjName()) + ParamDef(true);
  if (!aBody.empty()) {
    const std::string Tag = DollarTag(aBody);
    R += "\r\nAS " + Tag + aBody + Tag;
  } else {
    R += "\r\nAS " + ScriptQuotedStr(ObjFile, dbPostgreSQL) + ", " +
         ScriptQuotedStr(LinkSymbol, dbPostgreSQL);
  }
  if (!Language.empty()) R += "\r\nLANGUAGE " + QuotedStr(Language, '\'');
  if (!Volatility.empty()) R += " " + Volatility;
  if (NullOnNullInput) R += " STRICT";
  return R;
}

std::string TPrcData::Def() const {
  switch (GetDatabaseType()) {
    case dbInterBase:
      return "CREATE " + IB_Def(Body);
    case dbSybaseASA:
      return "CREATE " + SAW_Def(Body);
    case dbMSSQL:
    case dbSybaseASE:
      if (Body.empty() && Language.empty()) return FullText;
      return "CREATE " + MSSQL_Def(Body);
    case dbOracle:
      return "CREATE OR REPLACE " + Oracle_Def(Body);
    case dbPostgreSQL:
      return "CREATE " + PG_Def(Body);
    default:
      return "";
  }
}

std::string TPrcData::AlterDef() const {
  switch (GetDatabaseType()) {
    case dbInterBase:
      return "ALTER " + IB_Def(Body);
    case dbSybaseASA:
      return "ALTER " + SAW_Def(Body);
    case dbMSSQL:
    case dbSybaseASE:
      // A body kept as the whole CREATE statement becomes an ALTER of the same text.
      if (UpperCase(Body.substr(0, 6)) == "CREATE") return "ALTER" + Body.substr(6);
      return "ALTER " + MSSQL_Def(Body);
    case dbOracle:
      return "CREATE OR REPLACE " + Oracle_Def(Body);
    case dbPostgreSQL:
      return "ALTER " + PG_Def(Body);
    default:
      return "";
  }
}

std::string TPrcData::DropDef() const {
  if (SkipDef) return "";
  std::string R = IsFunction ? "DROP FUNCTION " : "DROP PROCEDURE ";
  const std::string Name = QuoteIdent(GetObjName());
  switch (GetDatabaseType()) {
    case dbSybaseASA:
      return R + QuoteIdent(Creator) + "." + Name;
    case dbPostgreSQL:
    case dbOracle:
    case dbMSSQL:
      if (!GetSchema().empty()) R += QuoteIdent(GetSchema()) + ".";
      R += Name;
      if (GetDatabaseType() == dbPostgreSQL) R += ParamDef(false);  // overloads by arguments
      return R;
    default:
      return R + Name;
  }
}

std::string TPrcData::EmptyBody() const {
  switch (GetDatabaseType()) {
    case dbMSSQL:
    case dbSybaseASE:
      if (ReturnsTable) return "Return (select 0 as Result)";
      if (Results.Count() == 1 && Results[0]->FieldType == iftTable) return "begin Return end";
      if (Results.Count() == 1 && Results[0]->FieldType == iftUniqueIdent)
        return "begin Return Null end";
      return "begin Return 0 end";
    case dbSybaseASA:
      return " begin Return end";
    case dbOracle:
      return " BEGIN EXIT; END;";
    default:
      return " BEGIN EXIT; END";
  }
}

std::string TPrcData::EmptyDef() const {
  if (SkipDef) return "";
  const TDatabaseType DB = GetDatabaseType();
  const std::string OwnerName = QuoteIdent(Creator) + "." + QuoteIdent(GetObjName());
  if (IsFunction) {
    if (DB == dbMSSQL || DB == dbSybaseASE)
      return "CREATE FUNCTION " + GetObjFullName() + ParamDef(true) + "as" + "\r\n" + EmptyBody();
    if (DB == dbSybaseASA)
      return "CREATE FUNCTION " + OwnerName + ParamDef(true) + "returns integer as" + "\r\n" +
             EmptyBody();
    return "CREATE FUNCTION " + QuoteIdent(GetObjName()) + ParamDef(true) + "\r\n" + "AS" + "\r\n" +
           EmptyBody();
  }
  const std::string Verb = DB == dbOracle ? "CREATE OR REPLACE PROCEDURE " : "CREATE PROCEDURE ";
  if (DB == dbSybaseASA) return Verb + OwnerName + ParamDef(true) + "as" + "\r\n" + EmptyBody();
  return Verb + GetObjFullName() + ParamDef(true) + " AS" + "\r\n" + EmptyBody();
}

std::string TPrcData::AlterEmptyDef() const {
  return (IsFunction ? "ALTER FUNCTION " : "ALTER PROCEDURE ") + GetObjFullName() + ParamDef(true) +
         " AS" + "\r\n" + EmptyBody();
}

void TPrcData::AssignEmptyBody(bool AddStatement) {
  if (!GetObjCreated() || Body == EmptyBody()) return;
  ReplaceBody(EmptyBody());
  for (const auto& D : UseOf) D->Active = false;  // the empty body uses nothing
  if (TCustomObjs* Master = Owner ? Owner->GetObjsMaster() : nullptr)
    if (auto* M = dynamic_cast<TPrcData*>(Master->Procedures.FindObj(ObjKeyDef())))
      M->SetRestoreBody(true);
  if (AddStatement) {
    if (TCustomSQLExec* Exec = GetSQLExec())
      Exec->Add(AlterDef(), stProcedure, GetObjName(), dboProcedure, odbEmpty);
    CurrentDef = Def();
  }
}

void TPrcData::ResetGeneration() {
  TDbObj::ResetGeneration();
  RestoreBody = false;
  for (const auto& P : Params) P->ResetGeneration();
  for (const auto& P : Results) P->ResetGeneration();
}

}  // namespace qel
