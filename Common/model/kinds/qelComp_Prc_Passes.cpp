// Procedures and functions in the dependency cascade, and the procedure passes of the update
// script.
//
// A routine's body may call routines and read views and tables that the script is about to
// create, change or drop. Where the server lets a routine stand with a do-nothing body, the
// script writes that body first and restores the real one near its end; every decision compares
// against CurrentDef, the definition the script has given the target so far, so that the alter
// pass, which the comparer runs twice, writes each change once.
#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"

namespace qel {

namespace {

TPrcData* Counterpart(const TPrcData& P) {
  return dynamic_cast<TPrcData*>(P.GetRefObj());
}

/// The parameter lists of two routines differ (their clause texts, exactly).
bool ParamsDiffer(const TPrcData& A, const TPrcData& B) {
  return A.ParamDef(true) != B.ParamDef(true);
}

void Comment(TCustomSQLExec* Exec, const std::string& Text) {
  if (Exec) Exec->AddComment(Text);
}

/// The descriptions of the parameters and results of M that have one.
void AddParamDescriptions(TCustomSQLExec& Exec, TPrcData& M) {
  if (!M.GetCompareObjects().Contains(coDescription)) return;
  for (const auto& P : M.Params)
    if (!P->Extra().Description.empty()) Exec.AddDescription(P.get());
  for (const auto& P : M.Results)
    if (!P->Extra().Description.empty()) Exec.AddDescription(P.get());
}

/// T already carries M's parameter list: it was given M's definition, or M's definition with
/// the empty body.
bool HasNewParams(const TPrcData& M, const TPrcData& T) {
  return T.Extra().CurrentDef == M.Def() || T.Extra().CurrentDef == M.DefWithBody(M.EmptyBody());
}

/// The target routine T still has to take M's other parameter list.
bool ParamsPending(const TPrcData& M, const TPrcData& T) {
  return ParamsDiffer(M, T) && M.Extra().CurrentDef != T.Extra().CurrentDef && !HasNewParams(M, T);
}

/// The target's routine T goes and the master's M is created whole in its place.
void ReplaceWhole(TPrcData& M, TPrcData& T) {
  T.DropDependDef();
  M.CreateDependDef();
  M.SetRestoreBody(false);
  T.SetExtra(&TObjExtra::CurrentDef, M.Def());
}

/// Before T's parameter list changes in place, the routines and triggers that call it stop
/// calling it (empty bodies, restored later) and the views that read it are dropped (the view
/// passes create them again).
void EmptyUsersOf(TPrcData& T) {
  TCustomSQLExec* Exec = T.GetSQLExec();
  for (int I = 0; I < T.UseIn.Count(); ++I) {
    TDependObj* D = T.UseIn[I];
    TDbObj* Obj = D->DepObj;
    if (!D->Active || !Obj || Obj == &T) continue;
    if (auto* P = dynamic_cast<TPrcData*>(Obj)) {
      if (P->Extra().Body == P->EmptyBody()) continue;
      if (P->CanEmptyBody() && P->GetObjCreated()) {
        Comment(Exec, P->GenComment(" Empty " + P->GetObjName() + " for " + T.GetObjName() +
                                    "(param list change) "));
        P->AssignEmptyBody(true);
        P->SetExtra(&TObjExtra::CurrentDef, P->Def());
      }
      D->Active = false;
    } else if (auto* Trg = dynamic_cast<TTrgData*>(Obj)) {
      Trg->AssignEmptyBody();
      Trg->SetExtra(&TObjExtra::CurrentDef, Trg->Def());
      D->Active = false;
    } else if (dynamic_cast<TViwData*>(Obj) && Obj->GetObjCreated() && !Obj->IsBeingDropped()) {
      Obj->DropDependDef();
      D->Active = false;
    }
  }
}

/// The target routine T takes M's parameter list with an empty body; M's body is restored by
/// the last sweep of the alter pass.
void RedeclareEmpty(TPrcData& M, TPrcData& T) {
  TCustomSQLExec* Exec = M.GetSQLExec();
  Comment(Exec, M.GenComment("Alter empty procedure " + M.GetObjName() + " with new param-list"));
  if (Exec) Exec->Add(M.AlterEmptyDef(), stProcedure, M.GetObjName(), dboProcedure, odbEmpty);
  T.AssignEmptyBody(false);
  M.SetRestoreBody(true);
  T.SetExtra(&TObjExtra::CurrentDef, M.DefWithBody(M.EmptyBody()));
  if (Exec) AddParamDescriptions(*Exec, M);
}

bool UsedByRoutine(const TPrcData& M) {
  for (const auto& D : M.UseIn)
    if (dynamic_cast<TPrcData*>(D->DepObj)) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The cascade

void TPrcData::DoBeforeCreate() {
  // A missing view the routine reads comes first, introduced by a line that says why; the base
  // step would create it without one.
  CreateMissingReadViews(*this, "procedure");
  TDbObj::DoBeforeCreate();
  for (int I = 0; I < UseOf.Count(); ++I)
    if (auto* V = dynamic_cast<TViwData*>(UseOf[I]->DepObj))
      RecreateChangedReadView(*this, *V, "procedure");
}

void TPrcData::DoBeforeDrop() {
  TDbObj::DoBeforeDrop();
  // A computed column that calls the routine goes first.
  for (int I = 0; I < UseIn.Count(); ++I) {
    TDependObj* D = UseIn[I];
    auto* Col = dynamic_cast<TFldData*>(D->DepObj);
    if (!D->Active || !Col || !Col->Computed()) continue;
    Col->DropDependDef();
    D->Active = false;
  }
}

void PrcPrepareForUser(TPrcData& M, const TDbObj& /*User*/) {
  TPrcData* T = Counterpart(M);
  if (!T || !T->GetObjCreated() || !ParamsPending(M, *T)) return;
  switch (M.GetStyle()) {
    case rsAlter:
      EmptyUsersOf(*T);
      RedeclareEmpty(M, *T);
      break;
    case rsOracle:
      M.AddAlterStatements(odbAlter);
      T->SetExtra(&TObjExtra::CurrentDef, M.Def());
      M.SetRestoreBody(false);
      break;
    default:
      ReplaceWhole(M, *T);
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// Passes

void GenScriptProcCreate(TCustomObjs& Master, TCustomObjs& /*Target*/, TCustomSQLExec& Exec) {
  const bool Descr = Master.CompareObjects.Contains(coDescription);
  bool Header = false;
  for (int I = 0; I < Master.Procedures.Count(); ++I) {
    auto* M = dynamic_cast<TPrcData*>(Master.Procedures.Objects(I));
    if (!M || M->SkipDef || M->GetRefObj() || M->GetObjCreated()) continue;
    if (M->GetStyle() != rsAlter) {
      // Written whole, after what it needs: the server keeps no routine with an empty body
      // (PostgreSQL, ASE) or needs none (Oracle recompiles its users itself).
      M->CreateDependDef();
      continue;
    }
    if (M->GetDatabaseType() == dbMSSQL && M->GetHasReturnsTable()) {
      // An inline table function is a single query: it has no empty form.
      Exec.AddComment(M->GenComment("Create Procedure (returns table)..."));
      M->CreateDependDef();
      continue;
    }
    if (!Header) Exec.AddComment(M->GenComment("Create Procedure..."));
    Header = true;
    Exec.Add(M->EmptyDef(), stProcedure, M->GetObjFullName(), dboProcedure, odbEmptyCreate);
    M->SetRestoreBody(true);
    M->SetObjCreated(true);
    if (Descr) {
      if (!M->Extra().Description.empty()) Exec.AddDescription(M);
      AddParamDescriptions(Exec, *M);
    }
  }
  if (Header) Exec.AddComment("\r\n");
}

namespace {

TPrcData* ProcAt(const TCustomObjs& Objs, int I) {
  return dynamic_cast<TPrcData*>(Objs.Procedures.Objects(I));
}

/// Sweep 1 of the alter pass: routines that change kind, or change their parameter list where
/// the dialect cannot do that in place, are dropped and created; the users of the others stop
/// using them.
void ReplaceOrEmptyUsers(TCustomObjs& Master, TDatabaseType DB) {
  for (int I = 0; I < Master.Procedures.Count(); ++I) {
    TPrcData* M = ProcAt(Master, I);
    TPrcData* T = M ? Counterpart(*M) : nullptr;
    if (!T || M->SkipDef) continue;
    if (DB == dbSybaseASE || M->IsFunction != T->IsFunction) {
      if (M->Def() != T->Extra().CurrentDef) ReplaceWhole(*M, *T);
      continue;
    }
    if (!ParamsPending(*M, *T)) continue;
    switch (M->GetStyle()) {
      case rsAlter:
        EmptyUsersOf(*T);
        break;
      case rsOracle:
        break;  // CREATE OR REPLACE in the third sweep; the server recompiles the users
      default:
        ReplaceWhole(*M, *T);
        break;
    }
  }
}

/// Sweep 2 (target order): a routine called by other routines takes its new parameter list at
/// once, with an empty body, so that its callers can be written against it.
void RedeclareCalledRoutines(TCustomObjs& Target) {
  for (int I = 0; I < Target.Procedures.Count(); ++I) {
    TPrcData* T = ProcAt(Target, I);
    TPrcData* M = T ? Counterpart(*T) : nullptr;
    if (!M || M->SkipDef || M->GetStyle() != rsAlter || !T->GetObjCreated()) continue;
    if (!ParamsPending(*M, *T) || !UsedByRoutine(*M)) continue;
    RedeclareEmpty(*M, *T);
  }
}

/// The target routine T stops calling the routines whose parameter lists change.
void StopCallingChangedParams(TPrcData& T, TCustomSQLExec& Exec) {
  if (!T.CanEmptyBody()) return;
  for (int J = 0; J < T.UseOf.Count(); ++J) {
    auto* X = dynamic_cast<TPrcData*>(T.UseOf[J]->DepObj);
    TPrcData* MX = X ? X->MasterCopy() : nullptr;
    if (!MX || MX == X || !ParamsDiffer(*MX, *X) || T.Extra().Body == T.EmptyBody() ||
        !T.GetObjCreated())
      continue;
    Exec.AddComment(
        MX->GenComment("Params list changed into " + MX->QuoteIdent(MX->GetObjName()) + "... "));
    Exec.AddComment(T.GenComment("Empty: " + T.GetObjName()));
    T.AssignEmptyBody(true);
    T.SetExtra(&TObjExtra::CurrentDef, T.Def());
  }
}

/// The routines that call the target routine T stop calling it while M replaces it; on SQL
/// Server the default constraints that call it go too.
void EmptyCallersOf(TPrcData& M, TPrcData& T, TCustomObjs& Target, TCustomSQLExec& Exec) {
  const bool MSSQL = Target.GetDatabaseType() == dbMSSQL;
  for (int J = 0; J < T.UseIn.Count(); ++J) {
    TDbObj* Obj = T.UseIn[J]->DepObj;
    if (!Obj || Obj == &T) continue;
    if (!dynamic_cast<TPrcData*>(Obj)) {
      if (MSSQL && dynamic_cast<TCtrData*>(Obj))
        Obj->DropDependDef();  // created again by the default-constraint pass
      continue;
    }
    // Records always point into their own collection; a record that does not is reported and
    // passed by, never followed.
    auto* TP = dynamic_cast<TPrcData*>(Target.Procedures.FindObj(Obj->ObjKeyDef()));
    if (!TP) {
      Exec.DoMsgErr("Procedure not found: " + Obj->GetObjName(), &M);
      continue;
    }
    TPrcData* MP = TP->MasterCopy();
    if (!MP || MP == TP || TP->Extra().Body == TP->EmptyBody() || !TP->CanEmptyBody() ||
        !TP->GetObjCreated())
      continue;
    Exec.AddComment(TP->GenComment("empty dependent procedure body"));
    const std::string Clear = "Clear: " + TP->GetObjName() + " for: " + M.GetObjName();
    Exec.AddComment(TP->GenComment(Clear));
    if (AddToLog) AddToLog(Clear);
    TP->AssignEmptyBody(true);
    TP->SetExtra(&TObjExtra::CurrentDef, TP->Def());
  }
}

/// What M uses comes first: missing views and tables are created, and a called routine with a
/// new parameter list is altered before its caller.
void PrepareWhatItUses(TPrcData& M) {
  for (int J = 0; J < M.UseOf.Count(); ++J) {
    TDependObj* D = M.UseOf[J];
    TDbObj* Obj = D->DepObj;
    if (!D->Active || !Obj || Obj == &M) continue;
    if (dynamic_cast<TViwData*>(Obj) || dynamic_cast<TTblData*>(Obj)) {
      if (!Obj->GetObjCreated()) Obj->CreateDependDef();
    } else if (auto* X = dynamic_cast<TPrcData*>(Obj)) {
      TPrcData* TX = Counterpart(*X);
      if (TX && TX->GetObjCreated() && ParamsDiffer(*TX, *X) &&
          X->Extra().CurrentDef != TX->Extra().CurrentDef) {
        X->AddAlterStatements(odbAlter);
        TX->SetExtra(&TObjExtra::CurrentDef, X->Extra().CurrentDef);
        X->SetRestoreBody(false);
      }
    }
  }
}

/// The target routine T takes M's definition: altered in place, or created again where the
/// dialect cannot change it so.
void AlterRoutine(TPrcData& M, TPrcData& T, TCustomSQLExec& Exec) {
  if (M.Def() == T.Extra().CurrentDef) return;
  M.DoBeforeCreate();
  Exec.AddComment(M.GenComment("Alter (" + M.GetObjName() + ")"));
  const bool Whole =
      M.GetStyle() == rsRecreate || (M.GetStyle() == rsReplace && ParamsDiffer(M, T));
  if (!M.GetObjCreated())
    M.CreateDependDef();  // the target's copy went earlier in the script
  else if (Whole)
    ReplaceWhole(M, T);
  else
    Exec.Add(M.AlterDef(), stProcedure, M.GetObjName(), dboProcedure, odbAlter);
  T.SetExtra(&TObjExtra::CurrentDef, M.Def());
  M.SetRestoreBody(false);
  M.SetObjCreated(true);
}

/// Changed descriptions of the paired routines M and T, once per generation.
void WriteChangedDescriptions(TPrcData& M, const TPrcData& T, TCustomSQLExec& Exec) {
  if (M.DescriptionsWritten) return;
  M.DescriptionsWritten = true;
  const TDatabaseType MDB = M.GetDatabaseType();
  if (T.Extra().Description != M.Extra().Description) {
    if (MDB == dbSybaseASA)
      Exec.Add("COMMENT ON PROCEDURE " + M.GetObjName() + " IS " +
                   ScriptQuotedStr(M.Extra().Description, dbSybaseASA),
               stStatement, M.GetObjName(), dboProcedure, odbDescription);
    else if (MDB == dbInterBase || MDB == dbPostgreSQL)  // COMMENT ON FUNCTION, IS '' clears
      Exec.AddDescription(&M);
  }
  if (MDB != dbInterBase) return;
  for (const TObjVector<TFldData>* L : {&M.Params, &M.Results}) {
    const TObjVector<TFldData>& TL = L == &M.Params ? T.Params : T.Results;
    for (const auto& P : *L)
      if (const TFldData* Q = TL.Find(P->GetObjName());
          Q && Q->Extra().Description != P->Extra().Description)
        Exec.AddDescription(P.get());
  }
}

/// Sweep 3: every changed routine is altered, after what it uses and with its users emptied.
void AlterChangedRoutines(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  const bool Descr = Master.CompareObjects.Contains(coDescription);
  bool Header = false;
  for (int I = 0; I < Master.Procedures.Count(); ++I) {
    TPrcData* M = ProcAt(Master, I);
    if (!M || M->SkipDef) continue;
    TPrcData* T = Counterpart(*M);
    // A routine the target lacks was created empty; until its body is restored it is altered
    // only by the preparation of what it uses.
    const bool Changed = T ? M->Def() != T->Extra().CurrentDef : M->RestoreBody;
    if (Changed) {
      if (!Header) Exec.AddComment(M->GenComment("Alter Procedure..."));
      Header = true;
      if (T) {
        StopCallingChangedParams(*T, Exec);
        EmptyCallersOf(*M, *T, Target, Exec);
      }
      PrepareWhatItUses(*M);
      if (T) {
        AlterRoutine(*M, *T, Exec);
        AddParamDescriptions(Exec, *M);
      }
    }
    if (T && Descr) WriteChangedDescriptions(*M, *T, Exec);
  }
}

/// Sweep 4: every body emptied on the way is restored.
void RestoreBodies(TCustomObjs& Master, TCustomSQLExec& Exec) {
  for (int I = 0; I < Master.Procedures.Count(); ++I) {
    TPrcData* M = ProcAt(Master, I);
    if (!M || !M->RestoreBody) continue;
    TPrcData* T = Counterpart(*M);
    const std::string MDef = M->Def();
    if (T && MDef == T->Extra().CurrentDef) continue;
    if (M->EmptyDef() == MDef) {
      // Created whole where no empty form exists: nothing to restore.
      M->SetRestoreBody(false);
      continue;
    }
    Exec.AddComment(M->GenComment("Restore proc. body: " + M->GetObjName()));
    if (!M->GetObjCreated())
      M->CreateDependDef();
    else
      M->AddAlterStatements(odbRestore);
    M->SetRestoreBody(false);
    if (T) T->SetExtra(&TObjExtra::CurrentDef, MDef);
    AddParamDescriptions(Exec, *M);
  }
}

}  // namespace

void GenScriptProcAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  const int Start = Exec.GetStatementsCount();
  ReplaceOrEmptyUsers(Master, Target.GetDatabaseType());
  RedeclareCalledRoutines(Target);
  AlterChangedRoutines(Master, Target, Exec);
  RestoreBodies(Master, Exec);
  if (Exec.GetStatementsCount() > Start) Exec.AddComment("\r\n");
}

void GenScriptProcDrop(TCustomObjs& /*Master*/, TCustomObjs& Target, TCustomSQLExec& Exec) {
  bool AnyComment = false;
  auto TargetAt = [&](int I) { return dynamic_cast<TPrcData*>(Target.Procedures.Objects(I)); };

  // A routine about to go stops using what it uses, so that its prerequisites can change
  // before it is dropped. ASE drops at once.
  if (Target.GetDatabaseType() != dbSybaseASE) {
    bool Header = false;
    for (int I = 0; I < Target.Procedures.Count(); ++I) {
      TPrcData* T = TargetAt(I);
      if (!T || T->GetRefObj() || !T->GetObjCreated()) continue;
      bool Uses = false;
      for (const auto& D : T->UseOf) Uses = Uses || D->Active;
      if (!Uses) continue;
      if (T->CanEmptyBody() && Trim(T->Extra().CurrentDef) != Trim(T->EmptyDef())) {
        if (!Header) Exec.AddComment(T->GenComment("Alter Procedure (Before Drop)..."));
        Header = AnyComment = true;
        T->AssignEmptyBody(true);
      }
      for (const auto& D : T->UseOf) D->Active = false;
    }
  }

  bool Header = false;
  for (int I = 0; I < Target.Procedures.Count(); ++I) {
    TPrcData* T = TargetAt(I);
    if (!T || T->GetRefObj() || T->SkipDef || !T->GetObjCreated()) continue;
    if (!Header) Exec.AddComment(T->GenComment("Drop Procedure..."));
    Header = AnyComment = true;
    T->DropDependDef();
  }
  if (AnyComment) Exec.AddComment("\r\n");
}

}  // namespace qel
