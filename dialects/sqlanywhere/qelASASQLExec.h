// The SQL Anywhere script executor: loads a SQL Anywhere script into statements through the
// SQL Anywhere parser and runs them through a connection.
#pragma once

#include <string>

#include "qelASAParser.h"
#include "qelSQL_Exec.h"

namespace qel {

/// Everything but CREATE DATABASE is the dialect executor's (TSQLExecFor). A script loads as
/// the SQL Anywhere parser reports it (every statement it reads); the load logs
/// "Script loaded: " + the count + " statements".
class TASASQLExec : public TSQLExecFor<TASAParser, dbSybaseASA> {
 public:
  using TSQLExecFor::TSQLExecFor;

  std::string ScriptLoadedText() const override;
  /// CREATE DATABASE runs as an ordinary statement on an open connection, outside any
  /// transaction: an open one is committed first.
  bool RunCreateDb() override { return RunCreateDbStatement(); }
};

}  // namespace qel
