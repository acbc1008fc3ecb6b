// Procedures and functions: their key, their texts per dialect and their empty body.
#include "qelComp_Prc.h"

#include <cctype>

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

template <class F>
std::string JoinItems(const TObjVector<TFldData>& List, F&& Item) {
  std::string R;
  for (const auto& P : List) R += (R.empty() ? "" : ",\r\n") + Item(*P);
  return R;
}

}  // namespace

TPrcData::TPrcData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = kindProcedure;
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

TRoutineStyle TPrcData::GetStyle() const {
  switch (GetDatabaseType()) {
    case dbInterBase:
    case dbSybaseASA:
    case dbMSSQL:
      return rsAlter;
    case dbPostgreSQL:
      return rsReplace;
    case dbOracle:
      return rsOracle;
    default:
      return rsRecreate;
  }
}

bool TPrcData::CanEmptyBody() const {
  const TRoutineStyle S = GetStyle();
  return S == rsAlter || S == rsReplace;
}

std::string PGArgTypeKey(const TFldData& Param) {
  // The server keeps no length, precision or scale of a routine's argument (varchar(5) is
  // varchar, char(2) is bpchar), so it tells overloads apart without them.
  const std::string Def = LowerCase(Param.FieldTypeDef());
  std::string Key;
  int Depth = 0;
  bool Quoted = false;
  for (const char C : Def) {
    if (C == '"') Quoted = !Quoted;
    if (!Quoted && C == '(') ++Depth;
    if (Depth == 0) Key += C;
    if (!Quoted && C == ')' && Depth > 0) --Depth;
  }
  if (Key == "char" || Key.compare(0, 5, "char[") == 0) Key.insert(0, "bp");
  return Key;
}

std::string TPrcData::ObjKeyDef() const {
  switch (GetDatabaseType()) {
    case dbPostgreSQL: {
      // Overloaded functions are told apart by their argument types.
      std::string Args;
      for (const auto& P : Params) Args += (Args.empty() ? "" : ", ") + PGArgTypeKey(*P);
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
  switch (GetDatabaseType()) {
    case dbSybaseASA: {
      std::string R = "(" +
                      JoinItems(Params,
                                [this](const TFldData& F) {
                                  // A caller may leave out a parameter that has a default.
                                  const std::string Default = F.GetDefValue();
                                  return DirectionWord(F.InOut, "In ", "Out ", "InOut ") +
                                         QuoteIdent(F.GetObjName()) + " " + F.FieldTypeDef() +
                                         (Default.empty() ? "" : " DEFAULT " + Default);
                                }) +
                      ")" + "\r\n";
      if (!Results.Empty()) {
        if (IsFunction)
          R += "RETURNS " + Results[0]->FieldTypeDef();
        else
          R += " Result(" +
               JoinItems(Results,
                         [this](const TFldData& F) {
                           return QuoteIdent(F.GetObjName()) + " " + F.FieldTypeDef();
                         }) +
               ")" + "\r\n";
      }
      return R;
    }
    case dbPostgreSQL: {
      std::string R = "(" +
                      JoinItems(Params,
                                [this, WithReturns](const TFldData& F) {
                                  std::string Item =
                                      DirectionWord(F.InOut, "in ", "out ", "inout ");
                                  if (!F.GetObjName().empty())
                                    Item += QuoteIdent(F.GetObjName()) + " ";
                                  Item += F.FieldTypeDef();
                                  // Defaults belong to the creation text only: a signature
                                  // naming the routine (DROP, COMMENT) takes none.
                                  if (WithReturns && F.InOut != ioOut)
                                    if (const std::string D = F.ParamDefValue(); !D.empty())
                                      Item += " default " + D;
                                  return Item;
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
                      JoinItems(Params, [](const TFldData& F) { return F.Def(); }) +
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
        R += "(" + JoinItems(Params, [](const TFldData& F) { return F.Def(); }) + ")" + "\r\n";
      if (!Results.Empty())
        R += " RETURNS(" + JoinItems(Results, [](const TFldData& F) { return F.Def(); }) + ")" +
             "\r\n";
      return R;
    }
  }
}

std::string TPrcData::IB_Def(const std::string& aBody) const {
  return "PROCEDURE " + QuoteIdent(GetObjName()) + ParamDef(true) + " AS" + "\r\n" + aBody;
}

std::string TPrcData::SAW_Def(const std::string& aBody) const {
  std::string Head = (IsFunction ? "FUNCTION " : "PROCEDURE ") + GetObjFullName() + ParamDef(true);
  // A function's RETURNS clause ends without a line break; a body that does not start with a
  // blank would run into the type name.
  if (!aBody.empty() && Head.back() != '\n' && !std::isspace(static_cast<unsigned char>(aBody[0])))
    Head += "\r\n";
  return Head + aBody;
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
  return (IsFunction ? "FUNCTION " : "PROCEDURE ") + GetObjFullName() + "\r\n" + aBody;
}

std::string TPrcData::PG_Def(const std::string& aBody) const {
  std::string R = IsFunction ? "FUNCTION " : "PROCEDURE ";
  if (!GetSchema().empty()) R += QuoteIdent(GetSchema()) + ".";
  R += QuoteIdent(GetObjName()) + ParamDef(true);
  // The empty body is PL/pgSQL whatever the routine's own language: an SQL or C routine has
  // no do-nothing body of its own.
  const bool Empty = !aBody.empty() && aBody == EmptyBody();
  if (!aBody.empty()) {
    const std::string Tag = DollarTag(aBody);
    R += "\r\nAS " + Tag + aBody + Tag;
  } else {
    R += "\r\nAS " + ScriptQuotedStr(ObjFile, dbPostgreSQL) + ", " +
         ScriptQuotedStr(LinkSymbol, dbPostgreSQL);
  }
  if (Empty)
    R += "\r\nLANGUAGE 'plpgsql'";
  else if (!Language.empty())
    R += "\r\nLANGUAGE " + QuotedStr(Language, '\'');
  if (!Volatility.empty()) R += " " + Volatility;
  if (NullOnNullInput) R += " STRICT";
  return R;
}

std::string TPrcData::DefWithBody(const std::string& aBody) const {
  switch (GetDatabaseType()) {
    case dbInterBase:
      return "CREATE " + IB_Def(aBody);
    case dbSybaseASA:
      return "CREATE " + SAW_Def(aBody);
    case dbMSSQL:
    case dbSybaseASE:
      if (aBody.empty() && Language.empty()) return Extra().FullText;
      return "CREATE " + MSSQL_Def(aBody);
    case dbOracle:
      return "CREATE OR REPLACE " + Oracle_Def(aBody);
    case dbPostgreSQL:
      return "CREATE " + PG_Def(aBody);
    default:
      // No routine writer for the dialect: the text as read is the only one we have.
      return Extra().FullText;
  }
}

std::string TPrcData::Def() const {
  return DefWithBody(Extra().Body);
}

std::string TPrcData::AlterDef() const {
  switch (GetDatabaseType()) {
    case dbInterBase:
      return "ALTER " + IB_Def(Extra().Body);
    case dbSybaseASA:
      return "ALTER " + SAW_Def(Extra().Body);
    case dbMSSQL:
      // A body kept as the whole CREATE statement becomes an ALTER of the same text.
      if (UpperCase(Extra().Body.substr(0, 6)) == "CREATE") return "ALTER" + Extra().Body.substr(6);
      return "ALTER " + MSSQL_Def(Extra().Body);
    case dbOracle:
      return "CREATE OR REPLACE " + Oracle_Def(Extra().Body);
    case dbPostgreSQL:
      // PostgreSQL has no ALTER of a function body; the same signature is replaced.
      return "CREATE OR REPLACE " + PG_Def(Extra().Body);
    default:
      // Sybase ASE, MySQL, DB2: no statement replaces a routine's body; the routine is dropped
      // and created.
      return "";
  }
}

std::string TPrcData::DropDef() const {
  if (SkipDef) return "";
  // Named as it is filed: with its schema, or in SQL Anywhere its owner (DBA when none was
  // read).
  std::string R = (IsFunction ? "DROP FUNCTION " : "DROP PROCEDURE ") + GetObjFullName();
  // PostgreSQL tells overloads apart by their arguments.
  if (GetDatabaseType() == dbPostgreSQL) R += ParamDef(false);
  return R;
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
      // EXIT stands only inside a loop in PL/SQL; a function must return.
      return IsFunction ? " BEGIN RETURN NULL; END;" : " BEGIN NULL; END;";
    case dbPostgreSQL:
      // PL/pgSQL: EXIT outside a loop does not compile; an empty block does.
      return " BEGIN END";
    case dbInterBase:
      // A routine with results may be selected from (by a view, by another routine): Firebird
      // compiles such a use only against a body that holds SUSPEND.
      return Results.Empty() ? " BEGIN EXIT; END" : " BEGIN SUSPEND; END";
    default:
      return " BEGIN EXIT; END";
  }
}

namespace {

/// Oracle's parameter list and, for a function, its RETURN clause.
std::string OracleHead(const TPrcData& P) {
  std::string R;
  if (!P.Params.Empty())
    R += "(" + JoinItems(P.Params, [](const TFldData& F) { return F.Def(); }) + ")";
  if (P.IsFunction && !P.Results.Empty()) R += " RETURN " + P.Results[0]->TypeDef();
  return R;
}

}  // namespace

std::string TPrcData::EmptyDef() const {
  if (SkipDef) return "";
  const TDatabaseType DB = GetDatabaseType();
  switch (DB) {
    case dbOracle:
      return std::string("CREATE OR REPLACE ") + (IsFunction ? "FUNCTION " : "PROCEDURE ") +
             GetObjFullName() + OracleHead(*this) + " AS" + "\r\n" + EmptyBody();
    case dbPostgreSQL:
      return DefWithBody(EmptyBody());
    default:
      break;
  }
  if (GetStyle() == rsRecreate && DB != dbSybaseASE) return Def();
  const std::string OwnerName = GetObjFullName();  // SQL Anywhere: owner.name, DBA by default
  if (IsFunction) {
    if (DB == dbMSSQL || DB == dbSybaseASE)
      return "CREATE FUNCTION " + GetObjFullName() + ParamDef(true) + "as" + "\r\n" + EmptyBody();
    if (DB == dbSybaseASA)  // a declared result ends the clause already, without a line break
      return "CREATE FUNCTION " + OwnerName + ParamDef(true) +
             (Results.Empty() ? "returns integer as" : "\r\nas") + "\r\n" + EmptyBody();
    return "CREATE FUNCTION " + QuoteIdent(GetObjName()) + ParamDef(true) + "\r\n" + "AS" + "\r\n" +
           EmptyBody();
  }
  if (DB == dbSybaseASA)
    return "CREATE PROCEDURE " + OwnerName + ParamDef(true) + "as" + "\r\n" + EmptyBody();
  return "CREATE PROCEDURE " + GetObjFullName() + ParamDef(true) + " AS" + "\r\n" + EmptyBody();
}

std::string TPrcData::AlterEmptyDef() const {
  switch (GetStyle()) {
    case rsAlter:
      return (IsFunction ? "ALTER FUNCTION " : "ALTER PROCEDURE ") + GetObjFullName() +
             ParamDef(true) + " AS" + "\r\n" + EmptyBody();
    case rsReplace:
      return "CREATE OR REPLACE " + PG_Def(EmptyBody());
    case rsOracle:
      return EmptyDef();
    default:
      return "";
  }
}

TPrcData* TPrcData::MasterCopy() const {
  TCustomObjs* Master = Owner ? Owner->GetObjsMaster() : nullptr;
  if (!Master) return nullptr;
  if (Master == Owner) return const_cast<TPrcData*>(this);
  if (auto* Ref = dynamic_cast<TPrcData*>(GetRefObj()); Ref && Ref->Owner == Master) return Ref;
  // Lists of dialects that qualify names with a schema are keyed with it; the lookup uses the
  // key, so an emptied routine of a schema finds its master copy and is restored.
  return dynamic_cast<TPrcData*>(Master->Procedures.FindObj(ObjKeyDef()));
}

void TPrcData::AssignEmptyBody(bool AddStatement) {
  if (!CanEmptyBody() || !GetObjCreated() || Extra().Body == EmptyBody()) return;
  ReplaceBody(EmptyBody());
  for (const auto& D : UseOf) D->Active = false;  // the empty body uses nothing
  if (TPrcData* M = MasterCopy(); M && M != this) M->SetRestoreBody(true);
  if (AddStatement) {
    if (TCustomSQLExec* Exec = GetSQLExec())
      Exec->Add(AlterDef(), stProcedure, GetObjName(), dboProcedure, odbEmpty);
    SetExtra(&TObjExtra::CurrentDef, Def());
  }
}

void TPrcData::AddAlterStatements(TDbOperation Operation) {
  TCustomSQLExec* Exec = GetSQLExec();
  if (!Exec) return;
  const std::string Alter = AlterDef();
  if (!Alter.empty()) {
    Exec->Add(Alter, stProcedure, GetObjName(), dboProcedure, Operation);
    return;
  }
  Exec->Add(DropDef(), stStatement, GetObjName(), dboProcedure, odbDrop);
  Exec->Add(Def(), stProcedure, GetObjName(), dboProcedure, Operation);
}

void TPrcData::ResetGeneration() {
  TDbObj::ResetGeneration();
  RestoreBody = false;
  DescriptionsWritten = false;
  for (const auto& P : Params) P->ResetGeneration();
  for (const auto& P : Results) P->ResetGeneration();
}

// ---------------------------------------------------------------------------------------------

std::string TMemberPrcData::Def() const {
  std::string R = "   " + Directive.Def() + "MEMBER " + (IsFunction ? "FUNCTION " : "PROCEDURE ") +
                  GetObjName() + MemberParams;
  if (IsFunction && !Results.Empty()) R += " RETURN " + Results[0]->Def();
  return R;
}

}  // namespace qel
