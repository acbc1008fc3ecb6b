// A PostgreSQL parser over a fresh collection that keeps what it reports: statements, log
// lines, messages shown and the message list.
#pragma once

#include <string>
#include <vector>

#include "qelPGSQLParser.h"
#include "test_parse_util.h"

namespace qel::testing {

class TPGParse : public TParse<TPGSQLParser> {
 public:
  /// The messages of one type, in order.
  std::vector<const TMsgData*> Messages(TMsgType Type) const {
    std::vector<const TMsgData*> R;
    for (int I = 0; I < Parser.MsgManager.GetMsgCount(); ++I)
      if (Parser.MsgManager.Items(I).MsgType == Type) R.push_back(&Parser.MsgManager.Items(I));
    return R;
  }
  std::vector<std::string> Errors() const {
    std::vector<std::string> R;
    for (const TMsgData* M : Messages(mt_Err)) R.push_back(M->Text);
    return R;
  }
};

}  // namespace qel::testing
