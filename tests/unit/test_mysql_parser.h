// A MySQL parser over a fresh collection that keeps what it reports: statements, log lines,
// messages shown and the message list.
#pragma once

#include <string>
#include <vector>

#include "Strings.h"
#include "qelCompObj.h"
#include "qelMySQLParser.h"

namespace qel::testing {

struct TMyStatement {
  std::string Text;
  TStatType Typ = stStatement;
  std::string ObjName;
  TDbObject ObjType = dboUnknown;
  TDbOperation Operation = odbUnknown;
};

class TMyParse {
 public:
  TObjs Objs;
  TMySQLParser Parser{&Objs};
  std::vector<TMyStatement> Statements;
  std::vector<std::string> Shown;
  std::vector<std::string> Log;

  explicit TMyParse(bool CaseSensitive = true) {
    Objs.MySQLServerOptions.GetMySQLCompareOptions().CaseSensitiveIdentifiers = CaseSensitive;
    Parser.ScriptName = "schema.sql";
    Parser.OnErrorMessage = [this](TObject*, const std::string& Text) { Shown.push_back(Text); };
    Parser.OnLogNextLine = [this](TObject*, const std::string& Text) { Log.push_back(Text); };
    Parser.OnAddStatement = [this](TObject*, const std::string& aText, TStatType aTyp,
                                   const std::string& aObjName, TDbObject aObjType,
                                   TDbOperation aOperation, const std::string&,
                                   TObject*& Statement) {
      Statements.push_back({aText, aTyp, aObjName, aObjType, aOperation});
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

  std::vector<std::string> Messages(TMsgType Type) const {
    std::vector<std::string> R;
    for (int I = 0; I < Parser.MsgManager.GetMsgCount(); ++I)
      if (Parser.MsgManager.Items(I).MsgType == Type) R.push_back(Parser.MsgManager.Items(I).Text);
    return R;
  }

  TTblData* Table(const std::string& Name) const { return Objs.GetTable(Name); }
  TFldData* Column(const std::string& Table, const std::string& Name) const {
    return Objs.GetTableField(Table, Name);
  }
  std::vector<TCtrData*> Constraints(const std::string& Table, TConstraintType Type) const {
    std::vector<TCtrData*> R;
    for (int I = 0; I < Objs.Constraints.Count(); ++I) {
      auto* Ctr = dynamic_cast<TCtrData*>(Objs.Constraints.Objects(I));
      if (Ctr && Ctr->GetTblName() == Table && Ctr->GetCtType() == Type) R.push_back(Ctr);
    }
    return R;
  }
  /// The indexes of Table, in key order.
  std::vector<TIdxData*> Indexes(const std::string& Table) const {
    std::vector<TIdxData*> R;
    for (int I = 0; I < Objs.Indexes.Count(); ++I) {
      auto* Idx = dynamic_cast<TIdxData*>(Objs.Indexes.Objects(I));
      if (Idx && Idx->TableName == Table) R.push_back(Idx);
    }
    return R;
  }
  TIdxData* Index(const std::string& Table, const std::string& Name) const {
    for (TIdxData* Idx : Indexes(Table))
      if (Idx->GetObjName() == Name) return Idx;
    return nullptr;
  }
};

inline std::vector<std::string> Entries(const TStrings& List) {
  return std::vector<std::string>(List.begin(), List.end());
}

}  // namespace qel::testing
