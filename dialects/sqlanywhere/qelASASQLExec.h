// The SQL Anywhere script executor: loads a SQL Anywhere script into statements through the
// SQL Anywhere parser and runs them through a connection.
#pragma once

#include <memory>
#include <string>

#include "qelSQL_Exec.h"

namespace qel {

/// Everything but loading, CREATE DATABASE and the opening of the connection before a run is
/// the script executor's (TSQLExec).
class TASASQLExec : public TSQLExec {
 public:
  /// DatabaseType is dbSybaseASA.
  explicit TASASQLExec(TComponent* AOwner);
  ~TASASQLExec() override;

  /// Replaces the statement list by the statements of Lines as the SQL Anywhere parser reports
  /// them (every statement it reads). Parse errors do not stop the loading: they stand in the
  /// message list afterwards (the first also went to OnErrorMessage). The schema objects the
  /// parser builds are not kept. Logs "Script loaded: " + the count + " statements".
  void LoadScript(TStrings& Lines) override;
  std::string ScriptLoadedText() const override;
  /// Opens the connection first (a failure is reported and gives False), then runs the script.
  bool ExecuteScript() override;
  /// A TASAParser over Objs.
  std::unique_ptr<TCustomSQLParser> CreateParser(TCustomObjs* Objs) override;
  /// CREATE DATABASE runs as an ordinary statement on an open connection, outside any
  /// transaction: an open one is committed first.
  bool RunCreateDb() override;
};

}  // namespace qel
