// Defaults, and the text and passes they share with rules.
#include "qelComp_Def.h"

#include "Text.h"

namespace qel {

std::string BoundObjectDef(const TDbObj& Obj, const std::string& Keyword,
                           const std::string& Expression) {
  if (Obj.GetDatabaseType() == dbMSSQL) {
    if (Expression.empty()) return Obj.Extra().FullText;
    return Keyword + "[" + StringReplace(Obj.GetObjName(), "]", "]]", true, false) + "] AS " +
           Expression;
  }
  return Keyword + Obj.QuoteIdent(Obj.GetObjName()) + " AS " + Expression;
}

std::string TDefData::Def() const {
  return BoundObjectDef(*this, "CREATE DEFAULT ", Expression);
}

void GenScriptBoundObjects(TDbObjList& MasterList, TDbObjList& TargetList, TCustomSQLExec& Exec,
                           TBoundPass Pass, const std::string& Word) {
  bool Written = false;
  auto Comment = [&](const TDbObj& Obj, const char* Verb) {
    if (!Written) Exec.AddComment(Obj.GenComment(std::string(Verb) + " " + Word + "..."));
    Written = true;
  };
  const TDbObjList& Walked = Pass == bpDrop ? TargetList : MasterList;
  const TDbObjList& Other = Pass == bpDrop ? MasterList : TargetList;
  for (int I = 0; I < Walked.Count(); ++I) {
    TDbObj* Obj = Walked.Objects(I);
    if (!Obj || Obj->SkipDef) continue;
    TDbObj* Twin = Other.FindObj(Obj->GetObjName());
    switch (Pass) {
      case bpCreate:
        if (Twin) break;
        Comment(*Obj, "Create");
        Obj->CreateDependDef();
        break;
      case bpAlter:
        if (!Twin || Twin->SkipDef || Twin->Def() == Obj->Def()) break;
        // Neither kind has an ALTER: the target's is dropped and the master's created.
        Comment(*Twin, "Alter");
        Twin->DropDependDef();
        Obj->CreateDependDef();
        break;
      case bpDrop:
        if (Twin || !Obj->GetObjCreated()) break;
        Comment(*Obj, "Drop");
        Obj->DropDependDef();
        break;
    }
  }
  if (Written) Exec.AddComment("\r\n");
}

void GenScriptDefCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  GenScriptBoundObjects(Master.Defaults, Target.Defaults, Exec, bpCreate, "Default");
}
void GenScriptDefAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  GenScriptBoundObjects(Master.Defaults, Target.Defaults, Exec, bpAlter, "Default");
}
void GenScriptDefDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  GenScriptBoundObjects(Master.Defaults, Target.Defaults, Exec, bpDrop, "Default");
}

}  // namespace qel
