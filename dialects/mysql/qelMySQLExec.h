// The MySQL script executor: loads a MySQL script into statements through the MySQL parser and
// runs them through a connection.
#pragma once

#include <memory>
#include <string>

#include "qelSQL_Exec.h"

namespace qel {

/// Everything but loading and the opening of the connection before a run is the script
/// executor's (TSQLExec).
class TMySQLExec : public TSQLExec {
 public:
  /// DatabaseType is dbMySQL.
  explicit TMySQLExec(TComponent* AOwner);
  ~TMySQLExec() override;

  /// Replaces the statement list by the statements of Lines that the MySQL parser carries
  /// (CREATE TABLE, INSERT, UPDATE, DELETE, USE, COMMIT, SET). Every other statement it reads
  /// (CREATE INDEX, CREATE VIEW, ALTER, DROP ...) stands in the message list as a warning
  /// "Statement not loaded: ...", so that nothing is left out unsaid. Parse errors do not stop
  /// the loading: they stand in the message list afterwards (the first also went to
  /// OnErrorMessage). The schema objects the parser builds are not kept.
  void LoadScript(TStrings& Lines) override;
  /// Opens the connection first (a failure is reported and gives False), then runs the script;
  /// the connection stays open after the run.
  bool ExecuteScript() override;
  /// A TMySQLParser over Objs.
  std::unique_ptr<TCustomSQLParser> CreateParser(TCustomObjs* Objs) override;
};

}  // namespace qel
