// Shared helpers of the object-model tests: an executor that keeps comments the way the script
// executor does, and builders for small schemas.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "qelCompObj.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"

namespace qel::testing {

/// R with each CR LF as LF; a bare line feed fails the test, since every generated line break
/// must be CR LF.
inline std::string CheckedLf(const std::string& R) {
  std::string Lf;
  for (std::size_t I = 0; I < R.size(); ++I) {
    if (R[I] == '\n' && (I == 0 || R[I - 1] != '\r')) ADD_FAILURE() << "bare line feed at " << I;
    if (R[I] == '\r' && I + 1 < R.size() && R[I + 1] == '\n') continue;
    Lf += R[I];
  }
  return Lf;
}

/// A statement list that records comments as comment statements, so the tests see the whole
/// sequence a generation produces.
class TRecordingExec : public TCustomSQLExec {
 public:
  TRecordingExec() : TCustomSQLExec(nullptr) {}
  void AddComment(const std::string& aText) override {
    Add(aText, stComment, "/*  */", dboUnknown, odbComment, "", "");
  }

  /// "operation name" of every statement that is not a comment, in order ("create T1").
  std::vector<std::string> Steps() const {
    static const char* const Ops[] = {"?",       "create",      "alter",     "drop",   "empty",
                                      "restore", "emptycreate", "emptydrop", "set",    "commit",
                                      "comment", "description", "insert",    "update", "delete"};
    std::vector<std::string> R;
    for (int I = 0; I < GetStatementsCount(); ++I) {
      const TStatement* S = GetStatement(I);
      if (S->StatType == stComment) continue;
      R.push_back(std::string(Ops[S->DbOperation]) + " " + S->ObjName);
    }
    return R;
  }

  /// The script as an executor writes it: statements with the dialect's terminator, comments
  /// as they are. Every generated line break must be CR LF; they come back as LF for the golden
  /// files.
  std::string Script(TDatabaseType DB) const {
    std::string R;
    for (int I = 0; I < GetStatementsCount(); ++I) {
      const TStatement* S = GetStatement(I);
      std::string Text = S->Lines.GetText();
      if (S->StatType != stComment) {
        Text.erase(Text.size() - 2);
        Text += GenScriptTerm(DB);
      }
      R += Text;
    }
    return CheckedLf(R);
  }

  /// The texts of all statements joined with their terminators.
  std::string Text() const {
    std::string R;
    for (int I = 0; I < GetStatementsCount(); ++I) {
      const TStatement* S = GetStatement(I);
      R += S->Lines.GetText() + S->Term;
    }
    return R;
  }
};

/// A collection of one dialect wired to its own recording executor.
struct TSchema {
  explicit TSchema(TDatabaseType DB) {
    Objs.SetDatabaseType(DB);
    Exec.DatabaseType = DB;
    Objs.SetSQLExec(&Exec);
  }
  TRecordingExec Exec;
  TObjs Objs;
};

/// Makes master and target counterparts of each other, as the comparer does before generating.
inline void LinkAsMasterAndTarget(TObjs& Master, TObjs& Target) {
  Master.SetCompareRole(crMasterRole);
  Target.SetCompareRole(crTargetRole);
  Master.ObjsRef = &Target;
  Target.ObjsRef = &Master;
}

/// Pairs objects of equal key and marks what exists in the target, as the comparer does before
/// it generates a script.
inline void PairAndMark(TObjs& Master, TObjs& Target) {
  std::vector<TDbObjList*> ML = Master.AllLists(), TL = Target.AllLists();
  for (std::size_t K = 0; K < ML.size(); ++K)
    for (int I = 0; I < ML[K]->Count(); ++I) {
      TDbObj* M = ML[K]->Objects(I);
      if (TDbObj* T = TL[K]->FindObj(M->ObjKeyDef())) {
        M->SetRefObj(T);
        T->SetRefObj(M);
        auto* MT = dynamic_cast<TTblData*>(M);
        auto* TT = dynamic_cast<TTblData*>(T);
        if (MT && TT)
          for (const auto& F : MT->Fields)
            if (TFldData* G = TT->Fields.Find(F->GetObjName())) {
              F->SetRefObj(G);
              G->SetRefObj(F.get());
            }
      }
    }
  Master.SetSourceDefinition();
  Target.SetSourceDefinition();
  auto Mark = [](TObjs& Objs, bool IsMaster) {
    for (TDbObjList* L : Objs.AllLists())
      for (int I = 0; I < L->Count(); ++I) {
        TDbObj* O = L->Objects(I);
        O->SetObjCreated(!IsMaster || O->GetRefObj());
        if (auto* T = dynamic_cast<TTblData*>(O))
          for (const auto& F : T->Fields) F->SetObjCreated(!IsMaster || F->GetRefObj());
      }
  };
  Mark(Master, true);
  Mark(Target, false);
}

inline TFldData* AddColumn(TDbObj* Owner, TObjVector<TFldData>& Fields, const std::string& Name,
                           TDBFieldType Type, std::int32_t Size = 0) {
  auto F = std::make_unique<TFldData>(Owner->Owner);
  F->SetObjName(Name);
  F->FieldType = Type;
  F->Size = Size;
  F->TableName = Owner->GetObjName();
  F->OwnerObj = Owner;
  return Fields.Add(std::move(F));
}

inline TTblData* AddTable(TObjs& Objs, const std::string& Name,
                          const std::vector<std::pair<std::string, TDBFieldType>>& Cols = {}) {
  auto* T = new TTblData(&Objs);
  T->SetObjName(Name);
  for (const auto& [ColName, Type] : Cols)
    AddColumn(T, T->Fields, ColName, Type, Type == iftVarchar ? 20 : 0);
  Objs.AddObj(T);
  return T;
}

inline TViwData* AddView(TObjs& Objs, const std::string& Name, const std::string& Body) {
  auto* V = new TViwData(&Objs);
  V->SetObjName(Name);
  V->SetExtra(&TObjExtra::Body, Body);
  Objs.AddObj(V);
  return V;
}

inline TPrcData* AddProc(TObjs& Objs, const std::string& Name, const std::string& Body) {
  auto* P = new TPrcData(&Objs);
  P->SetObjName(Name);
  P->SetExtra(&TObjExtra::Body, Body);
  Objs.AddObj(P);
  return P;
}

inline TTrgData* AddTrigger(TObjs& Objs, const std::string& Name, const std::string& Table,
                            const std::string& Body) {
  auto* T = new TTrgData(&Objs);
  T->SetObjName(Name);
  T->SetOwnName(Table);
  T->SetExtra(&TObjExtra::Body, Body);
  T->Timing = baBefore;
  T->Events.Include(iudInsert);
  Objs.AddObj(T);
  return T;
}

/// Position of Step in Steps, or -1.
inline int IndexOfStep(const std::vector<std::string>& Steps, const std::string& Step) {
  for (std::size_t I = 0; I < Steps.size(); ++I)
    if (Steps[I] == Step) return static_cast<int>(I);
  return -1;
}

}  // namespace qel::testing
