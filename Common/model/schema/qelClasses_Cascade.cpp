// The dependency cascade: creating an object creates what it needs first; dropping one first
// drops or empties what uses it. The created marks of the objects follow the target database
// through the script, and each dependency record is honoured at most once per script.
//
// Termination: every creation and drop step holds a mark on its object while it runs, so a
// dependency cycle that leads back to an object already on the way ends there; each record is
// examined once per step in one ordered pass (no loop waits for a record to change).
#include "Text.h"
#include "qelClasses.h"
#include "qelComp_Gnr.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"

namespace qel {

namespace {

void AddStatement(TCustomSQLExec* Exec, const std::string& Text, TStatType Typ,
                  const std::string& ObjName, TDbObject ObjType, TDbOperation Operation,
                  const std::string& OwnName = "") {
  if (Exec) Exec->Add(Text, Typ, ObjName, ObjType, Operation, OwnName, "");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The guard

TDbObj::TCascadeGuard::TCascadeGuard(bool& Flag, TDbObj& Obj) : FFlag(Flag) {
  if (FFlag) return;
  if (Obj.Owner && !Obj.Owner->EnterCascade(Obj)) return;
  FOwner = Obj.Owner;
  FTaken = true;
  FFlag = true;
}

TDbObj::TCascadeGuard::~TCascadeGuard() {
  if (!FTaken) return;
  FFlag = false;
  if (FOwner) FOwner->LeaveCascade();
}

bool TCustomObjs::EnterCascade(const TDbObj& Obj) {
  if (FCascadeDepth >= MaxCascadeDepth) {
    if (CascadeTooDeep.empty()) CascadeTooDeep = Obj.GetObjName();
    return false;
  }
  ++FCascadeDepth;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Creation

void TDbObj::CreateDependDef() {
  TCascadeGuard Guard = GuardCreate();
  if (!Guard) return;
  InheritedCreateDependDef();
}

void TDbObj::InheritedCreateDependDef() {
  DoBeforeCreate();
  if (!GetObjCreated()) {
    TCustomSQLExec* Exec = GetSQLExec();
    auto* Prc = dynamic_cast<TPrcData*>(this);
    auto* Trg = dynamic_cast<TTrgData*>(this);
    auto* Fld = dynamic_cast<TFldData*>(this);
    if (Prc) {
      AddStatement(Exec, CreateDef(), stProcedure, GetObjName(), dboProcedure, odbCreate);
    } else if (Trg) {
      AddStatement(Exec, CreateDef(), stTrigger, GetObjName(), dboTrigger, odbCreate);
      Trg->KeepCreatedBody();
      for (const auto& D : UseIn) D->Active = false;
    } else {
      AddStatement(Exec, CreateDef(), stStatement, GetObjName(), DbObjectOf(this, true), odbCreate,
                   Fld ? Fld->TableName : std::string());
      SetObjCreated(true);
    }
    // Columns and routines write their descriptions with their creation; the other kinds do it
    // in the comparer's passes.
    if (Exec && GetCompareObjects().Contains(coDescription)) {
      if (Fld && !Extra().Description.empty()) Exec->AddDescription(this);
      if (Prc) {
        if (!Extra().Description.empty()) Exec->AddDescription(this);
        for (const auto& P : Prc->Params)
          if (!P->Extra().Description.empty()) Exec->AddDescription(P.get());
        for (const auto& P : Prc->Results)
          if (!P->Extra().Description.empty()) Exec->AddDescription(P.get());
      }
    }
    SetObjCreated(true);
  }
  DoAfterCreate();
}

void TDbObj::DoBeforeCreate() {
  auto* Fld = dynamic_cast<TFldData*>(this);
  if (DebugLog && Owner)
    Owner->DoLogNextLine(ClassName() + ": " + (Fld ? Fld->TableName + " / " : std::string()) +
                         GetObjName());

  // A column never creates its own table.
  if (Fld)
    for (const auto& D : UseOf)
      if (D->DepObj && D->DepObj->GetObjName() == Fld->TableName) D->Active = false;

  auto* SelfTbl = dynamic_cast<TTblData*>(this);
  const bool SelfTrg = Kind == kindTrigger;
  const bool SelfViw = Kind == kindView;
  TCustomObjs* Target = Owner ? Owner->GetObjsTarget() : nullptr;

  for (int I = 0; I < UseOf.Count(); ++I) {
    TDependObj* D = UseOf[I];
    TDbObj* Obj = D->DepObj;
    if (!D->Active || !Obj || Obj == this) continue;

    // (a) A table: created first. A computed column needs its table without the computed
    // columns, unless another of its prerequisites is a computed column of that table.
    if (auto* Tbl = dynamic_cast<TTblData*>(Obj)) {
      if (Fld && Fld->Computed()) {
        const bool Saved = Tbl->SkipComputedDef;
        Tbl->SetSkipComputedDef(true);
        for (const auto& Other : UseOf) {
          auto* C = dynamic_cast<TFldData*>(Other->DepObj);
          if (C && C != this && C->OwnerObj == Tbl && C->Computed()) Tbl->SetSkipComputedDef(false);
        }
        Tbl->CreateDependDef();
        Tbl->SetSkipComputedDef(Saved);
      } else if (!(SelfTbl && SelfTbl->GetObjName() == Tbl->GetObjName())) {
        Tbl->CreateDependDef();
      }
      D->Active = false;
      continue;
    }

    // (b, d) A missing column of a table. A table's own column is created with the table; a
    // column whose table is missing too comes with its table, never by ALTER TABLE on a table
    // that does not exist yet.
    auto* Col = dynamic_cast<TFldData*>(Obj);
    if (Col && !Col->GetObjCreated()) {
      auto* ColTbl = dynamic_cast<TTblData*>(Col->OwnerObj);
      if (SelfTbl && Col->TableName == SelfTbl->GetObjName()) {
        D->Active = false;
        continue;
      }
      if (ColTbl) {
        if (!ColTbl->GetObjCreated()) ColTbl->CreateDependDef();
        if (!Col->GetObjCreated()) Col->CreateDependDef();
        D->Active = false;
        continue;
      }
    }

    // (c) A trigger needs its view; the record stays active and the later cases still apply.
    if (!Obj->GetObjCreated() && SelfTrg && Obj->Kind == kindView) Obj->CreateDependDef();

    // (e) A routine missing from the target: created whole where the dialect cannot alter a
    // routine's body later; elsewhere created with an empty body and restored later.
    if (auto* Prc = dynamic_cast<TPrcData*>(Obj)) {
      if (!Prc->GetObjCreated() && !(Target && Target->Procedures.FindObj(Prc->ObjKeyDef()))) {
        const TDatabaseType DB = Prc->GetDatabaseType();
        if (DB == dbPostgreSQL || DB == dbSybaseASE ||
            (DB == dbMSSQL && Prc->GetHasReturnsTable())) {
          Prc->CreateDependDef();
        } else {
          AddStatement(Prc->GetSQLExec(), Prc->EmptyDef(), stProcedure, Prc->GetObjName(),
                       dboProcedure, odbEmptyCreate);
          Prc->SetRestoreBody(true);
          Prc->SetObjCreated(true);
        }
        D->Active = false;
        continue;
      }
    }

    // A missing PostgreSQL domain or type. A routine that a domain check or a default
    // calls is created before the domain pass is done, and may take a domain that comes later.
    if (Obj->Kind == kindDomain && !Obj->GetObjCreated() &&
        Obj->GetDatabaseType() == dbPostgreSQL) {
      Obj->CreateDependDef();
      D->Active = false;
      continue;
    }

    // (f) A missing view.
    if (auto* Viw = dynamic_cast<TViwData*>(Obj)) {
      if (!Viw->GetObjCreated()) {
        if (!(SelfViw && GetObjName() == Viw->GetObjName())) Viw->CreateDependDef();
        D->Active = false;
        continue;
      }
    }
    // Existing objects and the kinds the comparer's passes create before their users
    // (domains, generators, exceptions, external functions ...) keep their records active.
  }
}

// ---------------------------------------------------------------------------------------------
// Dropping

void TDbObj::DropDependDef() {
  TCascadeGuard Guard = GuardDrop();
  if (!Guard) return;
  InheritedDropDependDef();
}

void TDbObj::InheritedDropDependDef() {
  if (!GetObjCreated()) return;
  // A table or generator the master still has is altered, never dropped. Lists are searched
  // under the key they were filed with.
  if (TCustomObjs* Master = Owner ? Owner->GetObjsMaster() : nullptr) {
    if (Kind == kindTable && Master->Tables.FindObj(ObjKeyDef())) return;
    if (Kind == kindGenerator && Master->Generators.FindObj(ObjKeyDef())) return;
  }
  DoBeforeDrop();
  if (GetObjCreated()) {
    if (auto* Tbl = dynamic_cast<TTblData*>(this))
      for (const auto& F : Tbl->Fields) F->SetObjCreated(false);
    if (auto* Viw = dynamic_cast<TViwData*>(this))
      for (const auto& F : Viw->Fields) F->SetObjCreated(false);
    auto* Fld = dynamic_cast<TFldData*>(this);
    AddStatement(GetSQLExec(), DropDef(), stStatement,
                 GetObjName().empty() ? Extra().AltName : GetObjName(), DbObjectOf(this, false),
                 odbDrop, Fld ? Fld->TableName : std::string());
    SetObjCreated(false);
  }
  DoAfterDrop();
}

void TDbObj::DoBeforeDrop() {
  auto* Fld = dynamic_cast<TFldData*>(this);
  const bool SelfViw = Kind == kindView;
  TCustomSQLExec* Exec = GetSQLExec();

  for (int I = 0; I < UseIn.Count(); ++I) {
    TDependObj* D = UseIn[I];
    TDbObj* Obj = D->DepObj;
    if (!Obj) continue;
    // A column's own table.
    if (Fld && D->GetObjName() == Fld->TableName) D->Active = false;
    // A view that exists is handled again even when a former step passed it.
    if (Obj->Kind == kindView && Obj->GetObjCreated())
      D->Active = true;
    else if (!Obj->GetObjCreated())
      D->Active = false;
    // An object whose own drop step is running (a cycle led back to it) is written by that
    // step; marking it dropped here would lose its DROP.
    if (!D->Active || Obj == this || Obj->IsBeingDropped()) continue;

    if (auto* Prc = dynamic_cast<TPrcData*>(Obj)) {
      if (Prc->GetDatabaseType() != dbSybaseASE && Prc->Extra().Body != Prc->EmptyBody())
        Prc->AssignEmptyBody(true);
    } else if (SelfViw && Obj->Kind == kindField && !Obj->Extra().Body.empty()) {
      Obj->DropDependDef();  // a computed column that reads the view
    } else if (Obj->Kind == kindView) {
      Obj->DropDependDef();
      Obj->SetObjCreated(false);
    } else if (auto* Trg = dynamic_cast<TTrgData*>(Obj)) {
      const TDatabaseType DB = Trg->GetDatabaseType();
      if (DB == dbPostgreSQL || DB == dbSybaseASE) {
        Trg->DropDependDef();
      } else if (Trg->Extra().Body != Trg->EmptyBody()) {
        Trg->ReplaceBody(Trg->EmptyBody());
        AddStatement(Exec, Trg->AlterDef(), stTrigger, Trg->GetObjName(), dboTrigger, odbEmpty);
      }
    } else if (Obj->Kind == kindGrant) {
      Obj->SetObjCreated(false);  // the grant goes with the object
    } else {
      continue;  // other dependents stay active for the kinds' own steps
    }
    D->Active = false;
  }

  if (auto* Prc = dynamic_cast<TPrcData*>(this)) {
    if (Extra().Body != Prc->EmptyBody()) {
      ReplaceBody(Prc->EmptyBody());
      for (const auto& D : UseOf) D->Active = false;  // the empty body uses nothing
    }
    for (int I = 0; I < UseIn.Count(); ++I) {
      TDependObj* D = UseIn[I];
      TDbObj* Obj = D->DepObj;
      if (D->Active && Obj && Obj != this && Obj->GetObjCreated() && !Obj->IsBeingDropped() &&
          Obj->Kind != kindField) {
        Obj->DropDependDef();
        D->Active = false;
      }
    }
  }
}

}  // namespace qel
