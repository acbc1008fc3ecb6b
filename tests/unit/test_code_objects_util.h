// Shared helpers of the view, routine and trigger tests: builders for code objects, the steps a
// comparer wrote, and golden files.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelComp_Prc.h"
#include "qelComp_Viw.h"
#include "test_golden_util.h"
#include "test_objects_util.h"
#include "test_varnel_util.h"

namespace qel::testing {

using TSteps = std::vector<std::string>;

/// "operation name" of every statement of Exec about an object (not a comment, not a header
/// line), in order.
inline TSteps StepsOf(const TCustomSQLExec& Exec) {
  static const char* const Ops[] = {"?",       "create",      "alter",     "drop",   "empty",
                                    "restore", "emptycreate", "emptydrop", "set",    "commit",
                                    "comment", "description", "insert",    "update", "delete"};
  TSteps R;
  for (int I = 0; I < Exec.GetStatementsCount(); ++I) {
    const TStatement* S = Exec.GetStatement(I);
    if (S->StatType == stComment || S->DbOperation == odbUnknown) continue;
    R.push_back(std::string(Ops[S->DbOperation]) + " " + S->ObjName);
  }
  return R;
}

/// The comment statements of Exec, in order.
inline TSteps CommentsOf(const TCustomSQLExec& Exec) {
  TSteps R;
  for (int I = 0; I < Exec.GetStatementsCount(); ++I)
    if (const TStatement* S = Exec.GetStatement(I); S->StatType == stComment)
      R.push_back(S->Lines.GetText());
  return R;
}

/// The text of the last statement (not a comment) about Name.
inline std::string LastTextOf(const TCustomSQLExec& Exec, const std::string& Name) {
  for (int I = Exec.GetStatementsCount() - 1; I >= 0; --I)
    if (const TStatement* S = Exec.GetStatement(I); S->StatType != stComment && S->ObjName == Name)
      return S->Lines.GetText();
  return "";
}

inline int CountOf(const TSteps& Steps, const std::string& Step) {
  int N = 0;
  for (const std::string& S : Steps) N += S == Step;
  return N;
}

/// A routine with integer parameters and results.
inline TPrcData* Routine(TObjs& Objs, const std::string& Name, const std::string& Body,
                         const std::vector<std::string>& In = {},
                         const std::vector<std::string>& Out = {}) {
  TPrcData* P = AddProc(Objs, Name, Body);
  for (const std::string& N : In) AddColumn(P, P->Params, N, iftInteger);
  for (const std::string& N : Out) AddColumn(P, P->Results, N, iftInteger);
  return P;
}

/// A view with declared integer columns.
inline TViwData* ViewOf(TObjs& Objs, const std::string& Name, const std::string& Body,
                        const std::vector<std::string>& Cols = {}) {
  TViwData* V = AddView(Objs, Name, Body);
  for (const std::string& C : Cols) AddColumn(V, V->Fields, C, iftInteger);
  return V;
}

/// Compares Text with tests/fixtures/code_objects/Name; QEL_UPDATE_GOLDEN=1 rewrites the file.
inline void ExpectCodeGolden(const std::string& Name, const std::string& Text) {
  ExpectGoldenFile("code_objects", Name, Text);
}

}  // namespace qel::testing
