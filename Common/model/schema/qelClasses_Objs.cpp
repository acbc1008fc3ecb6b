// The collection: filing objects in their kind lists, grants, dependency records and the links
// to the counterpart collection and the executor.
#include <algorithm>

#include "Text.h"
#include "qelClasses.h"
#include "qelComp_Ctr.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Fnc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Pkg.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Rul.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"

namespace qel {

namespace {

/// The sub-objects an object owns that can carry dependency records: the columns of a table
/// or view, the parameters and results of a routine.
template <class F>
void ForEachSubObj(TDbObj* Obj, F&& Fn) {
  if (auto* Tbl = dynamic_cast<TTblData*>(Obj))
    for (const auto& C : Tbl->Fields) Fn(C.get());
  if (auto* Viw = dynamic_cast<TViwData*>(Obj))
    for (const auto& C : Viw->Fields) Fn(C.get());
  if (auto* Prc = dynamic_cast<TPrcData*>(Obj)) {
    for (const auto& P : Prc->Params) Fn(P.get());
    for (const auto& P : Prc->Results) Fn(P.get());
  }
}

/// Removes and frees the records of List that point to Target.
void RemoveRecords(TDependList& List, const TDbObj* Target) {
  for (int I = List.Count() - 1; I >= 0; --I)
    if (List[I]->DepObj == Target) List.Delete(I);
}

}  // namespace

TCustomObjs::TCustomObjs() {
  SetDatabaseType(dbAbstract);
  ConnectionOptions.UserName = "SYSDBA";
  ConnectionOptions.Password = "plumvetch";
}

TCustomObjs::~TCustomObjs() {
  Terminator.clear();
  ConnectionOptions.UserName.clear();
  ConnectionOptions.Password.clear();
  TCustomObjs::Clear();
  SetSQLExec(nullptr);
  if (ObjsRef && ObjsRef->ObjsRef == this) ObjsRef->ObjsRef = nullptr;
}

std::vector<TDbObjList*> TCustomObjs::AllLists() {
  return {&Schemas,         &Domains,     &Functions, &Triggers,  &Procedures,   &Tables,
          &Exceptions,      &Generators,  &Indexes,   &Views,     &Roles,        &Grants,
          &Constraints,     &Reserved1,   &Reserved2, &Reserved3, &Reserved4,    &Reserved5,
          &Reserved6,       &Rules,       &Defaults,  &Packages,  &Publications, &Operators,
          &OperatorClasses, &Conversions, &Events};
}

void TCustomObjs::Clear() {
  ScriptBuffer.Clear();
  for (TDbObjList* L : AllLists()) L->Clear();
  FRejected.clear();
  NotRead.clear();
  InheritedColumns.clear();
  IBServerOptions.GetIBDatabaseOptions().Clear();
  MSSQLServerOptions.GetMSSQLDatabaseOptions().Clear();
  ASAServerOptions.GetASADatabaseOptions().Clear();
  Terminator.assign(1, ';');
  WorkStr1.clear();
  WorkStr2.clear();
  WorkStr3.clear();
  ExtractFrom = efUnknown;
}

TDbObjList* TCustomObjs::ListOf(const TDbObj* aObj) {
  if (!aObj) return nullptr;
  switch (SchemaKindOf(aObj)) {
    case kindFunction:
      return &Functions;
    case kindDomain:
      return &Domains;
    case kindTable:
      return &Tables;
    case kindView:
      return &Views;
    case kindProcedure:
      return &Procedures;
    case kindTrigger:
      return &Triggers;
    case kindIndex:
      return &Indexes;
    case kindGenerator:
      return &Generators;
    case kindPrimaryKey:
    case kindForeignKey:
    case kindUnique:
    case kindCheck:
    case kindColumnDefault:
    case kindConstraint:
    case kindReferences:
      return &Constraints;
    case kindException:
      return &Exceptions;
    case kindGrant:
      return &Grants;
    case kindDefault:
      return &Defaults;
    case kindRule:
      return &Rules;
    case kindPackage:
      return &Packages;
    case kindRole:
      return &Roles;
    case kindPublication:
      return &Publications;
    case kindGeneric:
      // Schemas carry the generic kind code; their class tells them apart.
      return dynamic_cast<const TSchData*>(aObj) ? &Schemas : nullptr;
    case kindOperator:
      return &Operators;
    case kindOperatorClass:
      return &OperatorClasses;
    case kindConversion:
      return &Conversions;
    case kindEvent:
      return &Events;
    default:
      return nullptr;
  }
}

bool TCustomObjs::AddObj(TDbObj* aObj, bool FreeIfRejected) {
  return FileObj(aObj, std::unique_ptr<TDbObj>(FreeIfRejected ? aObj : nullptr));
}

bool TCustomObjs::AddObj(std::unique_ptr<TDbObj> aObj) {
  TDbObj* Obj = aObj.get();
  return FileObj(Obj, std::move(aObj));
}

bool TCustomObjs::FileObj(TDbObj* aObj, std::unique_ptr<TDbObj> Rejected) {
  // Rejected holds aObj when the caller handed it over: what is not filed is freed here.
  if (!aObj) return false;
  if (!Accept_Obj(aObj)) return false;
  if (FDatabaseType == dbInterBase && IBServerOptions.GetIBCompareOptions().IgnoreIBEObjects &&
      StartsStr("IBE$", aObj->GetObjName()))
    return false;
  TDbObjList* List = ListOf(aObj);
  if (!List) {
    ErrMsg("Unknown DbObject to add (" + aObj->ClassName() + ")");
    return false;
  }
  const std::string Key = aObj->ObjKeyDef();
  if (List->Add(Key, aObj)) {
    (void)Rejected.release();  // the list owns it now
    return true;
  }
  if (List->FindObj(Key) == aObj) {  // filed before: nothing to do
    (void)Rejected.release();
    return true;
  }
  // A duplicate key: the first object stays filed. Readers may go on filling the refused
  // object, so it is kept until Clear rather than freed now.
  if (Rejected) FRejected.push_back(std::move(Rejected));
  return false;
}

bool TCustomObjs::Accept_Obj(TDbObj* aObj) {
  if (!aObj) return false;
  bool Accept = true;
  if (OnAccept_Obj) OnAccept_Obj(this, aObj, Accept);
  return Accept;
}

TDbObj* TCustomObjs::AddGrant(TDbObj* aGrant) {
  auto* G = dynamic_cast<TGntData*>(aGrant);
  if (!G) return nullptr;
  for (int I = 0; I < Grants.Count(); ++I) {
    auto* E = dynamic_cast<TGntData*>(Grants[I]);
    if (!E || E == G) continue;
    if (E->ObjectName != G->ObjectName || E->GranteeName != G->GranteeName ||
        E->GrantOption != G->GrantOption)
      continue;
    if (E->Fields.Empty() && G->Fields.Empty()) {
      E->Privileges += G->Privileges;
      return nullptr;
    }
    if (E->Privileges == G->Privileges && !E->Fields.Empty() && !G->Fields.Empty()) {
      for (const std::string& F : G->Fields)
        if (E->Fields.IndexOf(F) < 0) E->Fields.Add(F);
      return nullptr;
    }
  }
  // A grant whose text equals a filed one is refused like a merged one: the caller frees it.
  return Grants.Add(G->ObjKeyDef(), G) ? G : nullptr;
}

void TCustomObjs::SortGrants() {
  Grants.SetSorted(false);
  for (int I = 0; I < Grants.Count(); ++I) Grants.PutKey(I, Grants[I]->ObjKeyDef());
  Grants.SetSorted(true);
}

void TCustomObjs::LinkDepend(TDbObj* aObj, TDbObj* aDepObj, const std::string& aFieldName,
                             std::int32_t aCode1, std::int32_t aCode2) {
  if (!aObj || !aDepObj) return;
  std::string Field = aFieldName;
  if (!Field.empty()) {
    if (auto* Tbl = dynamic_cast<TTblData*>(aDepObj)) {
      if (TFldData* F = Tbl->Fields.Find(Field)) {
        aDepObj = F;
        Field.clear();
      }
    } else if (auto* Viw = dynamic_cast<TViwData*>(aDepObj)) {
      if (TFldData* F = Viw->Fields.Find(Field)) {
        aDepObj = F;
        Field.clear();
      }
    } else if (auto* Tbl = dynamic_cast<TTblData*>(aObj);
               Tbl && (dynamic_cast<TCtrData*>(aDepObj) || dynamic_cast<TDmnData*>(aDepObj))) {
      LinkDepend(aObj, aDepObj, "", aCode1, aCode2);  // the table itself depends on it
      if (TFldData* F = Tbl->Fields.Find(Field)) {
        aObj = F;
        Field.clear();
      }
    } else if (aDepObj->Kind == kindProcedure) {
      Field.clear();
    }
  }
  if (Field.empty())
    for (const auto& D : aObj->UseOf)
      if (D->DepObj == aDepObj) return;
  InternalLinkDepend(aObj, aDepObj, Field, aCode1, aCode2);
}

void TCustomObjs::InternalLinkDepend(TDbObj* aObj, TDbObj* aDepObj, const std::string& aFieldName,
                                     std::int32_t aCode1, std::int32_t aCode2) {
  if (!aObj || !aDepObj) return;
  if (!aFieldName.empty()) {
    const TObjVector<TFldData>* Cols = nullptr;
    if (auto* Tbl = dynamic_cast<TTblData*>(aDepObj)) Cols = &Tbl->Fields;
    if (auto* Viw = dynamic_cast<TViwData*>(aDepObj)) Cols = &Viw->Fields;
    if (Cols)
      for (const auto& C : *Cols)
        if (Cols->CaseSensitive ? C->GetObjName() == aFieldName
                                : SameText(C->GetObjName(), aFieldName))
          LinkDepend(aObj, C.get(), "", aCode1, aCode2);
    return;
  }
  auto Record = [&](TDbObj* Related) {
    auto R = std::make_unique<TDependObj>(this);
    R->Kind = Related->Kind;
    R->SetObjName(Related->GetObjName());
    R->DepObj = Related;
    R->LinkCode1 = aCode1;
    R->LinkCode2 = aCode2;
    return R;
  };
  aObj->UseOf.Add(Record(aDepObj));
  aDepObj->UseIn.Add(Record(aObj));
}

void TCustomObjs::ClearDepend(TDbObj* aObj, TDbObj* aTarget) {
  if (!aObj || !aTarget) return;
  // Records come in mirrored pairs; both halves go, so no record is left pointing at either.
  RemoveRecords(aObj->UseOf, aTarget);
  RemoveRecords(aObj->UseIn, aTarget);
  RemoveRecords(aTarget->UseOf, aObj);
  RemoveRecords(aTarget->UseIn, aObj);
}

void TCustomObjs::RemoveDepend(TDbObj* aObj) {
  if (!aObj) return;
  // Every record that points at aObj is the mirror of one of aObj's own records, so aObj's
  // lists name every object to visit, wherever that object is kept. The columns, parameters
  // and results of aObj go with it and are cleared the same way.
  auto Clear = [this](TDbObj* Obj) {
    std::vector<TDbObj*> Related;
    for (const auto& D : Obj->UseIn) Related.push_back(D->DepObj);
    for (const auto& D : Obj->UseOf) Related.push_back(D->DepObj);
    std::sort(Related.begin(), Related.end());
    Related.erase(std::unique(Related.begin(), Related.end()), Related.end());
    for (TDbObj* X : Related)
      if (X) ClearDepend(X, Obj);
  };
  Clear(aObj);
  ForEachSubObj(aObj, Clear);
}

void TCustomObjs::SetDatabaseType(TDatabaseType Value) {
  FDatabaseType = Value;
  const bool CaseInsensitive = Value == dbSybaseASA || Value == dbMSSQL || Value == dbSybaseASE;
  for (TDbObjList* L : {&Domains,    &Functions, &Triggers,  &Procedures,  &Tables,    &Exceptions,
                        &Generators, &Indexes,   &Views,     &Roles,       &Grants,    &Constraints,
                        &Reserved1,  &Reserved2, &Reserved3, &Reserved4,   &Reserved5, &Reserved6,
                        &Rules,      &Defaults,  &Packages,  &Publications})
    L->SetCaseSensitive(!CaseInsensitive);
  for (TDbObjList* L : {&Schemas, &Operators, &OperatorClasses, &Conversions, &Events})
    L->SetCaseSensitive(true);
}

void TCustomObjs::SetSQLExec(TCustomSQLExec* Value) {
  if (Value == FSQLExec) return;
  if (FSQLExec) {
    auto& L = FSQLExec->FLinkedObjs;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
  }
  FSQLExec = Value;
  if (FSQLExec) FSQLExec->FLinkedObjs.push_back(this);
}

TCustomObjs* TCustomObjs::GetObjsMaster() const {
  return FCompareRole == crMasterRole ? const_cast<TCustomObjs*>(this) : ObjsRef;
}

TCustomObjs* TCustomObjs::GetObjsTarget() const {
  return FCompareRole == crTargetRole ? const_cast<TCustomObjs*>(this) : ObjsRef;
}

std::int32_t TCustomObjs::ODSMajorVersionOfTarget() const {
  if (FCompareRole == crTargetRole) return IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion;
  if (ObjsRef && ObjsRef->FCompareRole == crTargetRole)
    return ObjsRef->IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion;
  return 0;
}

std::string TCustomObjs::DbConnectStr() const {
  if (FDatabaseType != dbInterBase) return "";
  return IBServerOptions.ConnectDatabaseDef(ConnectionOptions);
}

void TCustomObjs::ErrMsg(const std::string& aText) {
  // Errors of a collection belong to the extractor filling it, reached through the schema
  // holder; a collection without one has nobody to tell.
  if (TCustomExtract* Extractor = DBStructure ? DBStructure->GetExtractor() : nullptr)
    Extractor->DoErrorMessage(aText);
}

void TCustomObjs::DoLogNextLine(const std::string& aText) {
  if (OnLogNextLine) {
    OnLogNextLine(this, aText);
    return;
  }
  TCustomExtract* Extractor = DBStructure ? DBStructure->GetExtractor() : nullptr;
  if (Extractor && Extractor->GetOnLogNextLine()) {
    Extractor->GetOnLogNextLine()(this, aText);
    return;
  }
  if (FSQLExec && FSQLExec->OnLogNextLine) FSQLExec->OnLogNextLine(this, aText);
}

void TCustomObjs::WarnNotCarriedOver(const std::string& aText, TObject* Obj) {
  if (CompareMessages) CompareMessages->AddMsg(aText, mt_Wrn, Obj);
}

std::string TCustomObjs::CaseTwinWarning(const TDbObj& aObj, const std::string& Kind) {
  const TDbObjList* List = ListOf(&aObj);
  const TDbObj* Filed = List ? List->FindObj(aObj.ObjKeyDef()) : nullptr;
  if (!Filed || Filed == &aObj || Filed->GetObjName() == aObj.GetObjName()) return "";
  return Kind + " " + Filed->GetObjName() + " and " + aObj.GetObjName() +
         " differ only in case and are read as one, " + Filed->GetObjName() +
         ": the definition of " + aObj.GetObjName() + " is left out of the comparison";
}

bool TCustomObjs::NoObjects() {
  for (const TDbObjList* L : AllLists())
    for (int I = 0; I < L->Count(); ++I)
      // The schema a reader files for the server's own (PostgreSQL's "public") is no object
      // of the script.
      if (const auto* Sch = dynamic_cast<const TSchData*>(L->Objects(I)); !Sch || !Sch->BuiltIn())
        return false;
  return true;
}

void TCustomObjs::ResetGenerationState() {
  for (TDbObjList* L : AllLists())
    for (int I = 0; I < L->Count(); ++I) L->Objects(I)->ResetGeneration();
  WorkStr1.clear();
  WorkStr2.clear();
  CascadeTooDeep.clear();
}

}  // namespace qel
