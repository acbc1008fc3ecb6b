// Shared helpers of the key and counter tests: a script executor that shows reconnects, a pair
// of collections that runs the passes of constraints, indexes, generators, exceptions and
// events in the comparer's order, and builders that link dependencies as the readers do.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Exc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"
#include "test_golden_util.h"
#include "test_objects_util.h"

namespace qel::testing {

/// Records the reconnect the passes ask for, so that it shows in the script.
class TKeyScriptExec : public TRecordingExec {
 public:
  void AddReConnect() override {
    if (DatabaseType == dbInterBase) AddComment("/* reconnect */");
  }
};

/// Master and target collections of one dialect, linked as a comparison links them.
struct TKeyPair {
  explicit TKeyPair(TDatabaseType aDB) : DB(aDB) {
    for (TObjs* O : {&Master, &Target}) {
      O->SetDatabaseType(DB);
      O->SetSQLExec(&Exec);
    }
    Exec.DatabaseType = DB;
    LinkAsMasterAndTarget(Master, Target);
  }
  void SetCompareObjects(const TCmpObjSetType& Kinds) {
    Master.CompareObjects = Kinds;
    Target.CompareObjects = Kinds;
  }
  /// Pairs, compares the tables and runs the passes of the keys and counters, with the table
  /// passes in between, in the comparer's order.
  std::string Generate() {
    Exec.Clear();
    PairAndMark(Master, Target);
    CompareTables(Master, Target);
    const TCmpObjSetType Kinds = Master.CompareObjects;
    GenScriptCtrDrop(Master, Target, Exec);
    if (Kinds.Contains(coIndex)) GenScriptIdxDrop(Master, Target, Exec);
    if (Kinds.Contains(coException)) GenScriptExptDrop(Master, Target, Exec, Kinds);
    if (Kinds.Contains(coTable)) {
      GenScriptTablCreate(Master, Target, Exec);
      GenScriptTblFldCreate(Master, Target, Exec);
      GenScriptTablAlter(Master, Target, Exec);
      GenScriptTablDrop(Master, Target, Exec);
    }
    if (Kinds.Contains(coIndex)) {
      GenScriptIdxCreate(Master, Target, Exec);
      GenScriptIdxAlter(Master, Target, Exec);
    }
    if (Kinds.Contains(coGenerator)) GenScriptGenrCreate(Master, Target, Exec);
    if (Kinds.Contains(coException)) {
      GenScriptExptCreate(Master, Target, Exec, Kinds);
      GenScriptExptAlter(Master, Target, Exec, Kinds);
    }
    GenScriptCtrCreate(Master, Target, Exec,
                       {ctPKey, ctUnique, ctFKey, ctCheck, ctKey, ctNotNull, ctReferences});
    GenScriptCtrCreate(Master, Target, Exec, {ctDefault});
    if (Kinds.Contains(coGenerator)) {
      GenScriptGenrAlter(Master, Target, Exec);
      GenScriptGenrDrop(Master, Target, Exec);
    }
    GenScriptEvtCreate(Master, Target, Exec);
    GenScriptEvtAlter(Master, Target, Exec);
    GenScriptEvtDrop(Master, Target, Exec);
    return Exec.Script(DB);
  }
  TDatabaseType DB;
  TKeyScriptExec Exec;
  TObjs Master;
  TObjs Target;
};

/// Names as the dialect's unquoted names read back: lower case for PostgreSQL.
inline std::string DialectCase(const TObjs& Objs, const std::string& Name) {
  return Objs.GetDatabaseType() == dbPostgreSQL ? LowerCase(Name) : Name;
}

/// A table of integer columns (the first NOT NULL); varchar columns where the name says so.
inline TTblData* KeyTable(TObjs& Objs, const std::string& Name,
                          const std::vector<std::string>& Cols) {
  auto* T = new TTblData(&Objs);
  T->SetObjName(DialectCase(Objs, Name));
  for (const std::string& C : Cols) {
    const bool Text = C == "CODE" || C == "NAME" || C == "EMAIL";
    TFldData* F = AddColumn(T, T->Fields, DialectCase(Objs, C), Text ? iftVarchar : iftInteger,
                            Text ? 40 : 0);
    F->Position = T->Fields.Count() - 1;
    F->Nullable = T->Fields.Count() > 1;
  }
  Objs.AddObj(T);
  return T;
}

/// A constraint filed and linked to its table and columns (and a foreign key to the referenced
/// table, columns and key), as the readers link them.
inline TCtrData* AddKey(TObjs& Objs, const std::string& Name, TConstraintType Type,
                        const std::string& Table, const std::vector<std::string>& Cols,
                        const std::string& RefTable = "",
                        const std::vector<std::string>& RefCols = {}) {
  auto* C = new TCtrData(&Objs);
  C->SetCtType(Type);
  C->SetObjName(DialectCase(Objs, Name));
  C->SetTblName(DialectCase(Objs, Table));
  for (const std::string& Col : Cols) C->FldList.Add(DialectCase(Objs, Col));
  if (!RefTable.empty()) C->SetRefTblName(DialectCase(Objs, RefTable));
  for (const std::string& Col : RefCols) C->EditExtra().RefFldList.Add(DialectCase(Objs, Col));
  EXPECT_TRUE(Objs.AddObj(C)) << Name;
  auto Link = [&](const std::string& Tbl, const TStringList& Columns) {
    TTblData* T = Objs.GetTable(Tbl);
    if (!T) return;
    Objs.LinkDepend(C, T);
    for (const std::string& Col : Columns) Objs.LinkDepend(C, T, Col);
  };
  Link(C->GetTblName(), C->FldList);
  if (Type == ctFKey) {
    Link(C->GetRefTblName(), C->Extra().RefFldList);
    for (int I = 0; I < Objs.Constraints.Count(); ++I) {
      auto* K = dynamic_cast<TCtrData*>(Objs.Constraints.Objects(I));
      if (K && (K->GetCtType() == ctPKey || K->GetCtType() == ctUnique) &&
          K->GetTblName() == C->GetRefTblName() &&
          K->FldList.GetText() == C->Extra().RefFldList.GetText())
        Objs.LinkDepend(C, K);
    }
  }
  return C;
}

/// An index on Table, linked to it; a column written "NAME DESC" sorts descending.
inline TIdxData* AddIndex(TObjs& Objs, const std::string& Name, const std::string& Table,
                          const std::vector<std::string>& Cols, bool Unique = false) {
  auto* I = new TIdxData(&Objs);
  I->SetObjName(DialectCase(Objs, Name));
  I->TableName = DialectCase(Objs, Table);
  I->Unique = Unique;
  for (const std::string& Col : Cols) {
    const bool Desc = Col.size() > 5 && Col.compare(Col.size() - 5, 5, " DESC") == 0;
    I->AddFld(DialectCase(Objs, Desc ? Col.substr(0, Col.size() - 5) : Col), Desc ? 2 : 0);
  }
  EXPECT_TRUE(Objs.AddObj(I)) << Name;
  if (TTblData* T = Objs.GetTable(I->TableName)) Objs.LinkDepend(I, T);
  return I;
}

/// Compares Text with the golden file under tests/fixtures/keys/; QEL_UPDATE_GOLDEN=1
/// rewrites the file instead.
inline void ExpectKeyGolden(const std::string& Name, const std::string& Text) {
  ExpectGoldenFile("keys", Name, Text);
}

}  // namespace qel::testing
