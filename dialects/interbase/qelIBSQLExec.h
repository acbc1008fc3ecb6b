// The InterBase/Firebird script executor: loads isql scripts into statements through the
// InterBase parser and runs them through a connection; CONNECT statements of a script set where
// it runs.
#pragma once

#include <string>

#include "qelIBParser.h"
#include "qelSQL_Exec.h"

namespace qel {

/// Everything but loading, CONNECT and the opening and closing of the connection is the script
/// executor's (TSQLExec); descriptions run as the statement the writer chose for them (COMMENT
/// ON, DESCRIBE, or a write to the RDB$ system tables, which Firebird 3 refuses).
class TIBSQLExec : public TSQLExecFor<TIbExParser, dbInterBase> {
 public:
  using TSQLExecFor::TSQLExecFor;

  // A script loads as the InterBase parser reports it ("SET TERM" lines only change the
  // terminator and are not carried).

  /// Opens the connection first when a connection component is assigned and the script does
  /// not start with CONNECT or CREATE DATABASE (a failure is reported and gives False).
  bool ExecuteScript() override;
  /// CONNECT 'database' [USER 'name'] [PASSWORD 'password'] [ROLE 'role']: into the connection
  /// options the connect uses. A text that is no CONNECT statement changes nothing.
  void ParseConnect(const std::string& aText) override;
  /// Opens the connection (reported on failure).
  void ConnectToDatabase() override;
  /// Commits what is open and closes the connection.
  void DisconnectFromDatabase() override;
  /// Runs one statement outside a script run, on the open connection.
  void ExecuteStatement(TStatement* Statement) override;
  /// Runs the description statement as written.
  bool UpdateDescription() override;
};

}  // namespace qel
