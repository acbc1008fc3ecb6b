// Shared rig of the column-alteration and domain tests: a master and a target collection of
// one dialect, linked and paired as the comparer links them, a recording executor and the
// comparer's work list.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Tbl_Alter.h"
#include "test_objects_util.h"

namespace qel::testing {

using TTexts = std::vector<std::string>;

/// CR LF as LF, without the line break that ends a statement's text.
inline std::string Plain(const std::string& S) {
  std::string R = StringReplace(S, "\r\n", "\n", true, false);
  while (!R.empty() && R.back() == '\n') R.pop_back();
  return R;
}

struct TAlterRig {
  explicit TAlterRig(TDatabaseType DB) : DB(DB) {
    for (TObjs* O : {&Master, &Target}) {
      O->SetDatabaseType(DB);
      O->SetSQLExec(&Exec);
    }
    Exec.DatabaseType = DB;
    LinkAsMasterAndTarget(Master, Target);
  }

  /// A column of table Table (made on first use) of Objs.
  TFldData* Col(TObjs& Objs, const std::string& Table, const std::string& Name, TDBFieldType Type,
                std::int32_t Size = 0) {
    TTblData* T = Objs.GetTable(Table);
    if (!T) T = AddTable(Objs, Table);
    TFldData* F = AddColumn(T, T->Fields, Name, Type, Size);
    F->Position = T->Fields.Count() - 1;
    return F;
  }
  /// The same column on both sides; the master's is returned, the target's in TCol.
  TFldData* Both(const std::string& Table, const std::string& Name, TDBFieldType Type,
                 std::int32_t Size = 0) {
    TCol = Col(Target, Table, Name, Type, Size);
    return Col(Master, Table, Name, Type, Size);
  }

  /// Pairs, compares the tables and runs the column pass; the texts of all statements.
  TTexts Alter() {
    Exec.Clear();
    WorkList.Clear();
    PairAndMark(Master, Target);
    CompareTables(Master, Target);
    GenScriptColumnsAlter(Master, Target, Exec, &WorkList);
    return Texts();
  }
  /// Pairs, compares the tables, adds and drops columns, then moves them (MySQL); the texts of
  /// all statements.
  TTexts Move() {
    Exec.Clear();
    PairAndMark(Master, Target);
    CompareTables(Master, Target);
    GenScriptTblFldCreate(Master, Target, Exec);
    GenScriptTablDrop(Master, Target, Exec);
    MySQLUpdateColumnPositions(Master, Target, Exec);
    return Texts();
  }
  TTexts Texts() const {
    TTexts R;
    for (int I = 0; I < Exec.GetStatementsCount(); ++I)
      R.push_back(Plain(Exec.GetStatement(I)->Lines.GetText()));
    return R;
  }
  TTexts Work() const {
    TTexts R;
    for (int I = 0; I < WorkList.Count(); ++I) R.push_back(WorkList[I]);
    return R;
  }
  /// The text of the statement the work line Index carries ("" for none).
  std::string WorkStatement(int Index) const {
    auto* S = dynamic_cast<TStatement*>(WorkList.Objects(Index));
    return S ? Plain(S->Lines.GetText()) : "";
  }

  TDatabaseType DB;
  TRecordingExec Exec;
  TObjs Master;
  TObjs Target;
  TStringList WorkList;
  TFldData* TCol = nullptr;
};

}  // namespace qel::testing
