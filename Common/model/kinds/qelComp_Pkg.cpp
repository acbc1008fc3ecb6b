// Oracle packages: texts and passes.
#include "qelComp_Pkg.h"

namespace qel {

// The name goes through the dialect's quoting: a plain upper-case name is written as stored,
// any other would otherwise name a different package (or break the statement). A package of
// a schema is named with it.
std::string TPkgData::HeaderDef() const {
  return "CREATE OR REPLACE PACKAGE " + GetObjFullName() + "\r\n" + HeaderSource;
}

std::string TPkgData::BodyDef() const {
  return "CREATE OR REPLACE PACKAGE BODY " + GetObjFullName() + "\r\n" + BodySource;
}

std::string TPkgData::Def() const {
  std::string R = HeaderDef();
  if (!BodySource.empty()) R += "\r\n/\r\n\r\n" + BodyDef();
  return R;
}

std::string TPkgData::DropDef() const {
  return "DROP PACKAGE " + GetObjFullName();
}

namespace {

template <class F>
void ForEachPkg(const TDbObjList& List, F Fn) {
  for (int I = 0; I < List.Count(); ++I)
    if (auto* P = dynamic_cast<TPkgData*>(List.Objects(I)); P && !P->SkipDef) Fn(P);
}

}  // namespace

void GenScriptPkgDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  bool Written = false;
  ForEachPkg(Target.Packages, [&](TPkgData* T) {
    // Found by its key, which names the schema.
    if (Master.Packages.FindObj(T->ObjKeyDef()) || !T->GetObjCreated()) return;
    if (!Written) Exec.AddComment("/* Drop package... */");
    Written = true;
    T->DropDependDef();
  });
  if (Written) Exec.AddComment("\r\n");
}

void GenScriptPkgAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Master;
  (void)Target;
  (void)Exec;
}

void GenScriptPkgCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  bool Written = false;
  ForEachPkg(Master.Packages, [&](TPkgData* M) {
    if (Target.Packages.FindObj(M->ObjKeyDef())) return;
    if (!Written) Exec.AddComment("/* Create package... */");
    Written = true;
    Exec.Add(M->Def(), stStatement, M->GetObjName(), dboPackage, odbCreate);
  });
  if (Written) Exec.AddComment("\r\n");
}

}  // namespace qel
