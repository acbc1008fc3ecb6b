// External functions: the declaration, the drop cascade and the three passes.
#include "qelComp_Fnc.h"

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"

namespace qel {

TUdfData::TUdfData(TCustomObjs* aOwner)
    : TDbObj(aOwner), ReturnParam(std::make_unique<TFldData>(aOwner)) {
  Kind = kindFunction;
  Params.OwnsObjects = true;
  Params.SetCaseSensitive(true);
  ReturnParam->OwnerObj = this;
}

TUdfData::~TUdfData() = default;

TFldData* TUdfData::AddParam(const std::string& Name) {
  auto* F = new TFldData(Owner);
  F->SetObjName(Name);
  F->OwnerObj = this;
  Params.AddObject(Name, F);
  return F;
}

TFldData* TUdfData::Param(int Index) const {
  if (Index < 0 || Index >= Params.Count()) return nullptr;
  return dynamic_cast<TFldData*>(Params.Objects(Index));
}

std::string TUdfData::Def() const {
  const TDatabaseType DB = GetDatabaseType();
  std::string R = "DECLARE EXTERNAL FUNCTION " + QuoteIdent(GetObjName()) + "\r\n";
  // Arguments are types only: the statement has no place for a name, and the server refuses
  // one.
  std::string Args;
  for (int I = 0; I < Params.Count(); ++I) {
    if (I > 0) Args += ", ";
    if (const TFldData* P = Param(I)) Args += P->TypeDef();
  }
  // A function without arguments goes straight on with RETURNS, without an empty line.
  if (Params.Count() > 0) R += Args + "\r\n";
  R += "RETURNS " + ReturnParam->Def();
  if (FreeIt) R += " FREE_IT";
  R += "\r\n";
  R += "ENTRY_POINT " + ScriptQuotedStr(EntryPoint, DB) + " MODULE_NAME " +
       ScriptQuotedStr(ModuleName, DB);
  return R;
}

namespace {

TObjs* SideOf(const TDbObj& Obj, bool Master) {
  if (!Obj.Owner) return nullptr;
  return dynamic_cast<TObjs*>(Master ? Obj.Owner->GetObjsMaster() : Obj.Owner->GetObjsTarget());
}

}  // namespace

void TUdfData::DoBeforeDrop() {
  TDbObj::DoBeforeDrop();
  TObjs* Target = SideOf(*this, false);
  for (int I = 0; I < UseIn.Count(); ++I) {
    TDependObj* R = UseIn[I];
    auto* Col = dynamic_cast<TFldData*>(R->DepObj);
    if (!Col) continue;
    // A view whose column calls the function goes with it.
    if (TViwData* V = Target ? Target->GetView(Col->TableName) : nullptr) {
      if (V->GetObjCreated()) V->DropDependDef();
      R->Active = false;
    } else if (Col->Computed() && Col->GetObjCreated()) {
      Col->DropDependDef();
      R->Active = false;
    }
  }
}

void TUdfData::DoAfterDrop() {
  TDbObj::DoAfterDrop();
  TObjs* Master = SideOf(*this, true);
  if (!Master) return;
  // What the master still has and the drop took away is created again at once.
  for (int I = 0; I < UseIn.Count(); ++I) {
    auto* Col = dynamic_cast<TFldData*>(UseIn[I]->DepObj);
    if (!Col) continue;
    if (TViwData* V = Master->GetView(Col->TableName); V && !V->GetObjCreated())
      V->CreateDependDef();
    if (Col->Computed())
      if (TFldData* M = Master->GetTableField(Col->TableName, Col->GetObjName());
          M && !M->GetObjCreated())
        M->CreateDependDef();
  }
}

// ---------------------------------------------------------------------------------------------
// Passes

namespace {

template <class F>
void ForEachUdf(const TDbObjList& List, F Fn) {
  for (int I = 0; I < List.Count(); ++I)
    if (auto* U = dynamic_cast<TUdfData*>(List.Objects(I))) Fn(U);
}

/// The object of the target that stands for D: D itself when it belongs to the target, else
/// the target's object filed under D's key.
template <class T>
T* InTarget(TDbObj* D, TCustomObjs& Target, const TDbObjList& List) {
  if (D->Owner == &Target) return dynamic_cast<T*>(D);
  return dynamic_cast<T*>(List.FindObj(D->ObjKeyDef()));
}

/// Clears what in the target uses T before T is dropped and declared again.
void ClearUsersForAlter(const TUdfData& M, TUdfData& T, TCustomObjs& Target, TCustomSQLExec& Exec) {
  auto* Objs = dynamic_cast<TObjs*>(&Target);
  for (int I = 0; I < T.UseIn.Count(); ++I) {
    TDependObj* R = T.UseIn[I];
    TDbObj* D = R->DepObj;
    if (!D) continue;
    if (D->Kind == kindProcedure) {
      auto* P = InTarget<TPrcData>(D, Target, Target.Procedures);
      if (!P) continue;
      if (P->GetObjCreated() && P->Extra().Body != P->EmptyBody()) {
        Exec.AddComment("/* Empty dependent procedure body before Function Alter (Drop/Create) */");
        P->AssignEmptyBody(true);
      }
      R->Active = false;
    } else if (D->Kind == kindTrigger) {
      auto* Tr = InTarget<TTrgData>(D, Target, Target.Triggers);
      if (!Tr) continue;
      if (Tr->GetObjCreated() && Tr->Extra().Body != Tr->EmptyBody()) {
        Exec.AddComment("/* Empty dependent trigger body before Function Alter (Drop/Create) */");
        Tr->AssignEmptyBody();
      }
      R->Active = false;
    } else if (auto* Col = dynamic_cast<TFldData*>(D)) {
      if (Col->Computed()) {
        if (!Col->GetObjCreated()) continue;
        Exec.AddComment(M.GenComment("drop calc-field for UDF alter"));
        Col->DropDependDef();
      } else if (TViwData* V = Objs ? Objs->GetView(Col->TableName) : nullptr) {
        // Several columns of one view may call the function: the view is dropped once.
        if (!V->GetObjCreated()) continue;
        Exec.AddComment(M.GenComment("drop view (field) for UDF alter"));
        V->DropDependDef();
        V->SetReCreate(true);
      }
    } else if (auto* V = dynamic_cast<TViwData*>(D)) {
      if (!V->GetObjCreated()) continue;
      Exec.AddComment(M.GenComment("drop view for UDF alter"));
      V->DropDependDef();
      V->SetReCreate(true);
    } else if (auto* C = dynamic_cast<TCtrData*>(D)) {
      // A check that calls the function; the constraint pass adds the master's check again.
      if (!C->GetObjCreated()) continue;
      Exec.AddComment(M.GenComment("drop check for UDF alter"));
      C->DropDependDef();
    }
  }
}

}  // namespace

void GenScriptUdfCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                        const TCmpObjSetType& CompareObjects) {
  (void)Target;
  const bool Descriptions = CompareObjects.Contains(coDescription);
  bool Written = false;
  ForEachUdf(Master.Functions, [&](TUdfData* M) {
    // A function a computed column needed is declared already.
    if (M->SkipDef || M->GetRefObj() || M->GetObjCreated()) return;
    if (!Written) Exec.AddComment("/* Declare UDF */");
    Written = true;
    M->CreateDependDef();
    if (Descriptions && !M->Extra().Description.empty()) Exec.AddDescription(M);
  });
  if (Written) Exec.AddComment("\r\n");
}

void GenScriptUdfAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  const bool Descriptions = Master.CompareObjects.Contains(coDescription);
  bool Written = false;
  ForEachUdf(Master.Functions, [&](TUdfData* M) {
    auto* T = dynamic_cast<TUdfData*>(Target.Functions.FindObj(M->ObjKeyDef()));
    if (!T || M->SkipDef || T->SkipDef) return;
    if (M->Def() != T->Def()) {
      if (!Written) Exec.AddComment("/* Alter UDF(Drop/Declare) */");
      Written = true;
      ClearUsersForAlter(*M, *T, Target, Exec);
      // The function itself is dropped and declared directly: its created marks stay.
      Exec.Add("DROP EXTERNAL FUNCTION " + T->QuoteIdent(T->GetObjName()), stStatement,
               T->GetObjName(), dboFunction, odbDrop);
      Exec.Add(M->Def(), stStatement, M->GetObjName(), dboFunction, odbCreate);
    }
    if (Descriptions && M->Extra().Description != T->Extra().Description) Exec.AddDescription(M, T);
  });
  if (Written) Exec.AddComment("\r\n");
}

void GenScriptUdfDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                      const TCmpObjSetType& CompareObjects) {
  (void)Master;
  (void)CompareObjects;
  bool Written = false;
  ForEachUdf(Target.Functions, [&](TUdfData* T) {
    if (T->SkipDef || T->GetRefObj() || !T->GetObjCreated()) return;
    if (!Written) Exec.AddComment("/* Drop UDF */");
    Written = true;
    T->DropDependDef();
  });
  if (Written) Exec.AddComment("\r\n");
}

}  // namespace qel
