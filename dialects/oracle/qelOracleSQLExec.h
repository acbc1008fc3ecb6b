// The Oracle script executor: loads an Oracle (SQL*Plus) script into statements through the
// Oracle parser and runs them through a connection.
#pragma once

#include <string>

#include "qelOracleParser.h"
#include "qelSQL_Exec.h"

namespace qel {

/// Everything but CONNECT user/password and CREATE DATABASE is the dialect executor's
/// (TSQLExecFor): statements run one by one,
/// each committed; a failing one is rolled back and reported, and BreakOnError decides whether
/// the run goes on. Procedure and trigger texts go to the server with LF line breaks and
/// without the "/" line that ends them in a script.
class TOracleSQLExec : public TSQLExecFor<TOracleParser, dbOracle> {
 public:
  using TSQLExecFor::TSQLExecFor;

  // A script loads as the Oracle parser reports it: every SQL statement and PL/SQL block; the
  // client's own commands (REM, PROMPT, SET, SPOOL, SHOW ERRORS, EXIT ...) are read and not
  // carried.

  /// A CONNECT of the script gives the user and password as well as the database.
  void TakeScriptConnection(const TConnectionOptions& Found) override;
  /// "Script loaded: " + the count + " statements".
  std::string ScriptLoadedText() const override;
  /// CONNECT user/password: the connection is closed and opened again as that user. A refused
  /// log-on leaves the connection closed, is reported and gives False.
  bool RunConnect() override;
  /// The user and password of a CONNECT statement (its object and owner names) go to the
  /// connection options the connect uses.
  void ParseConnect(const std::string& aText) override;
  /// CREATE DATABASE runs as an ordinary statement on an open connection, outside any
  /// transaction: an open one is committed first.
  bool RunCreateDb() override { return RunCreateDbStatement(); }
};

}  // namespace qel
