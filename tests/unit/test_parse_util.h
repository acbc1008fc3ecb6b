// What the script parser tests of the dialects share: a parser over a fresh collection that keeps
// what it reports (statements, log lines, messages shown) and finds what it read.
#pragma once

#include <string>
#include <vector>

#include "Strings.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Tbl.h"

namespace qel::testing {

struct TReportedStatement {
  std::string Text;
  TStatType Typ = stStatement;
  std::string ObjName;
  TDbObject ObjType = dboUnknown;
  TDbOperation Operation = odbUnknown;
  std::string OwnName;
};

/// A parser of type TParser over Objs, reporting into the members.
template <class TParser>
class TParse {
 public:
  TObjs Objs;
  TParser Parser{&Objs};
  std::vector<TReportedStatement> Statements;
  std::vector<std::string> Shown;
  std::vector<std::string> Log;

  TParse() {
    Parser.ScriptName = "schema.sql";
    Parser.OnErrorMessage = [this](TObject*, const std::string& Text) { Shown.push_back(Text); };
    Parser.OnLogNextLine = [this](TObject*, const std::string& Text) { Log.push_back(Text); };
    Parser.OnAddStatement = [this](TObject*, const std::string& aText, TStatType aTyp,
                                   const std::string& aObjName, TDbObject aObjType,
                                   TDbOperation aOperation, const std::string& aOwnName,
                                   TObject*& Statement) {
      Statements.push_back({aText, aTyp, aObjName, aObjType, aOperation, aOwnName});
      Statement = nullptr;
    };
  }

  /// Parses Text; true when no error was recorded.
  bool Parse(const std::string& Text) {
    TStringList Lines;
    Lines.SetText(Text);
    Parser.ParseScript(Lines, &Objs);
    return !Parser.MsgManager.GetIsErr();
  }

  TTblData* Table(const std::string& Name) const { return Objs.GetTable(Name); }
  TFldData* Column(const std::string& Table, const std::string& Name) const {
    return Objs.GetTableField(Table, Name);
  }
  /// The constraints of one type on Table, in key order.
  std::vector<TCtrData*> Constraints(const std::string& Table, TConstraintType Type) const {
    std::vector<TCtrData*> R;
    for (int I = 0; I < Objs.Constraints.Count(); ++I) {
      auto* Ctr = dynamic_cast<TCtrData*>(Objs.Constraints.Objects(I));
      if (Ctr && Ctr->GetTblName() == Table && Ctr->GetCtType() == Type) R.push_back(Ctr);
    }
    return R;
  }
};

/// The entries of a string list, in order.
inline std::vector<std::string> Entries(const TStrings& List) {
  return std::vector<std::string>(List.begin(), List.end());
}

}  // namespace qel::testing
