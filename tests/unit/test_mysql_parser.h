// A MySQL parser over a fresh collection that keeps what it reports: statements, log lines,
// messages shown and the message list.
#pragma once

#include <string>
#include <vector>

#include "qelMySQLParser.h"
#include "test_parse_util.h"

namespace qel::testing {

class TMyParse : public TParse<TMySQLParser> {
 public:
  explicit TMyParse(bool CaseSensitive = true) {
    Objs.MySQLServerOptions.GetMySQLCompareOptions().CaseSensitiveIdentifiers = CaseSensitive;
  }

  std::vector<std::string> Messages(TMsgType Type) const {
    std::vector<std::string> R;
    for (int I = 0; I < Parser.MsgManager.GetMsgCount(); ++I)
      if (Parser.MsgManager.Items(I).MsgType == Type) R.push_back(Parser.MsgManager.Items(I).Text);
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

}  // namespace qel::testing
