// Shared helpers of the comparer tests: schemas built in code, a comparer over two holders, and
// the schema pair whose update script the golden files and the server tests check.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Text.h"
#include "qelDBStructure.h"
#include "qelVarnel.h"

namespace qel::testing {

struct TVCol {
  std::string Name;
  TDBFieldType Type = iftInteger;
  std::int32_t Size = 0;
  bool NotNull = false;
};

/// A table with the given columns, positions as listed. PostgreSQL keeps unquoted names in
/// lower case, so names are lower-cased there.
inline TTblData* MakeTable(TObjs& Objs, const std::string& Name, const std::vector<TVCol>& Cols) {
  const bool Lower = Objs.GetDatabaseType() == dbPostgreSQL;
  auto Case = [Lower](const std::string& S) { return Lower ? LowerCase(S) : S; };
  auto* T = new TTblData(&Objs);
  T->SetObjName(Case(Name));
  for (const TVCol& C : Cols) {
    auto F = std::make_unique<TFldData>(&Objs);
    F->SetObjName(Case(C.Name));
    F->FieldType = C.Type;
    F->Size = C.Size;
    F->Nullable = !C.NotNull;
    F->TableName = T->GetObjName();
    F->OwnerObj = T;
    F->Position = T->Fields.Count();
    T->Fields.Add(std::move(F));
  }
  Objs.AddObj(T);
  return T;
}

/// The master of the update-script tests: CUSTOMER with a new column, and a new table ORDERS.
inline void BuildUpdateMaster(TObjs& Objs, const std::string& Prefix = "") {
  MakeTable(
      Objs, Prefix + "CUSTOMER",
      {{"ID", iftInteger, 0, true}, {"NAME", iftVarchar, 40, true}, {"EMAIL", iftVarchar, 60}});
  TTblData* Orders = MakeTable(Objs, Prefix + "ORDERS",
                               {{"ID", iftInteger, 0, true},
                                {"CUSTOMER_ID", iftInteger, 0, true},
                                {"NOTE", iftVarchar, 100}});
  if (Objs.GetDatabaseType() == dbMySQL) Orders->EditExtra().MySQLOptions.Engine = "InnoDB";
}

/// The target of the update-script tests: CUSTOMER lacks EMAIL and has an extra FAX; ORDERS is
/// missing; OLD_LOG is extra.
inline void BuildUpdateTarget(TObjs& Objs, const std::string& Prefix = "") {
  MakeTable(Objs, Prefix + "CUSTOMER",
            {{"ID", iftInteger, 0, true}, {"NAME", iftVarchar, 40, true}, {"FAX", iftVarchar, 20}});
  MakeTable(Objs, Prefix + "OLD_LOG", {{"ID", iftInteger}, {"MSG", iftVarchar, 200}});
}

/// A comparer over two holders of one dialect that the test fills in code.
struct TCodeRig {
  explicit TCodeRig(TDatabaseType DB) {
    MH.SetDatabaseType(DB);
    TH.SetDatabaseType(DB);
    V.Name = "Cmp";
    V.SetDBMaster(&MH);
    V.SetDBTarget(&TH);
    V.OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
    V.OnLogNextLine = [this](TObject*, const std::string& T) { Log.push_back(T); };
  }

  TObjs& Master() { return *MH.GetMetadata(); }
  TObjs& Target() { return *TH.GetMetadata(); }

  /// The script as the executor writes it, one line per "\n".
  std::string Script() {
    TCustomSQLExec* E = V.GetSQLExec();
    if (!E) return "<no executor>";
    TStringList Lines;
    E->GetScript(Lines, false);
    std::string R;
    for (int I = 0; I < Lines.Count(); ++I) R += Lines[I] + "\n";
    return R;
  }

  TDBStructure MH{nullptr};
  TDBStructure TH{nullptr};
  TVarnel V{nullptr};
  std::vector<std::string> Errors;
  std::vector<std::string> Log;
};

/// True when some text of Texts contains Part.
inline bool AnyContains(const std::vector<std::string>& Texts, const std::string& Part) {
  for (const std::string& T : Texts)
    if (T.find(Part) != std::string::npos) return true;
  return false;
}

}  // namespace qel::testing
