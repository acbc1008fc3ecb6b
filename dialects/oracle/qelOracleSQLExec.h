// The Oracle script executor: loads an Oracle (SQL*Plus) script into statements through the
// Oracle parser and runs them through a connection.
#pragma once

#include <memory>
#include <string>

#include "qelSQL_Exec.h"

namespace qel {

/// Everything but loading, CONNECT user/password, CREATE DATABASE and the opening of the
/// connection before a run is the script executor's (TSQLExec): statements run one by one,
/// each committed; a failing one is rolled back and reported, and BreakOnError decides whether
/// the run goes on. Procedure and trigger texts go to the server with LF line breaks and
/// without the "/" line that ends them in a script.
class TOracleSQLExec : public TSQLExec {
 public:
  /// DatabaseType is dbOracle.
  explicit TOracleSQLExec(TComponent* AOwner);
  ~TOracleSQLExec() override;

  /// Replaces the statement list by the statements of Lines as the Oracle parser reports them:
  /// every SQL statement and PL/SQL block; the client's own commands (REM, PROMPT, SET, SPOOL,
  /// SHOW ERRORS, EXIT ...) are read and not carried. Parse errors do not stop the loading:
  /// they stand in the message list afterwards (the first also went to OnErrorMessage). The
  /// schema objects the parser builds are not kept. Logs "Script loaded: " + the count +
  /// " statements".
  void LoadScript(TStrings& Lines) override;
  void TakeScriptConnection(const TConnectionOptions& Found) override;
  std::string ScriptLoadedText() const override;
  /// Opens the connection first (a failure is reported and gives False), then runs the script.
  bool ExecuteScript() override;
  /// A TOracleParser over Objs.
  std::unique_ptr<TCustomSQLParser> CreateParser(TCustomObjs* Objs) override;
  /// CONNECT user/password: the connection is closed and opened again as that user. A refused
  /// log-on leaves the connection closed, is reported and gives False.
  bool RunConnect() override;
  /// The user and password of a CONNECT statement (its object and owner names) go to the
  /// connection options the connect uses.
  void ParseConnect(const std::string& aText) override;
  /// CREATE DATABASE runs as an ordinary statement on an open connection, outside any
  /// transaction: an open one is committed first.
  bool RunCreateDb() override;
};

}  // namespace qel
