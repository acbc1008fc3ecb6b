// Rules: the twin of defaults (qelComp_Def) with their own keyword and list.
#include "qelComp_Rul.h"

#include "qelComp_Def.h"

namespace qel {

std::string TRulData::Def() const {
  return BoundObjectDef(*this, "CREATE RULE ", Expression);
}

void GenScriptRulCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  GenScriptBoundObjects(Master.Rules, Target.Rules, Exec, bpCreate, "Rule");
}
void GenScriptRulAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  GenScriptBoundObjects(Master.Rules, Target.Rules, Exec, bpAlter, "Rule");
}
void GenScriptRulDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  GenScriptBoundObjects(Master.Rules, Target.Rules, Exec, bpDrop, "Rule");
}

}  // namespace qel
