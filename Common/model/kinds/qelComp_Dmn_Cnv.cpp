// PostgreSQL encoding conversions: texts and passes. A conversion cannot be altered in place: a
// changed one is dropped and created again.
#include "Text.h"
#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"

namespace qel {

namespace {

std::string CnvName(const TDbObj& Obj, const std::string& Name) {
  const std::string Quoted = Obj.QuoteIdent(Name);
  return Obj.GetSchema().empty() ? Quoted : Obj.QuoteIdent(Obj.GetSchema()) + "." + Quoted;
}

}  // namespace

std::string TCnvData::Def() const {
  const TDatabaseType DB = GetDatabaseType();
  return std::string("CREATE ") + (IsDefault ? "DEFAULT " : "") + "CONVERSION " +
         CnvName(*this, GetObjName()) + " FOR " + ScriptQuotedStr(SourceEncoding, DB) + " TO " +
         ScriptQuotedStr(DestEncoding, DB) + " FROM " + CnvName(*this, FuncName);
}

std::string TCnvData::DropDef() const {
  return "DROP CONVERSION " + CnvName(*this, GetObjName());
}

void GenScriptCnvCreate(TCustomObjs& Master, TCustomObjs& /*Target*/, TCustomSQLExec& /*Exec*/) {
  GenScriptCreateMissing(Master.Conversions);
}
void GenScriptCnvAlter(TCustomObjs& Master, TCustomObjs& /*Target*/, TCustomSQLExec& /*Exec*/) {
  GenScriptRecreateChanged(Master.Conversions);
}
void GenScriptCnvDrop(TCustomObjs& /*Master*/, TCustomObjs& Target, TCustomSQLExec& /*Exec*/) {
  GenScriptDropSurplus(Target.Conversions);
}

}  // namespace qel
