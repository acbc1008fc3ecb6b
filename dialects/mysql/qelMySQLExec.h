// The MySQL script executor: loads a MySQL script into statements through the MySQL parser and
// runs them through a connection.
#pragma once

#include "qelMySQLParser.h"
#include "qelSQL_Exec.h"

namespace qel {

/// Everything but loading is the dialect executor's (TSQLExecFor).
class TMySQLExec : public TSQLExecFor<TMySQLParser, dbMySQL> {
 public:
  using TSQLExecFor::TSQLExecFor;

  /// Replaces the statement list by the statements of Lines that the MySQL parser carries
  /// (CREATE TABLE, INSERT, UPDATE, DELETE, USE, COMMIT, SET). Every other statement it reads
  /// (CREATE INDEX, CREATE VIEW, ALTER, DROP ...) stands in the message list as a warning
  /// "Statement not loaded: ...", so that nothing is left out unsaid. Parse errors do not stop
  /// the loading: they stand in the message list afterwards (the first also went to
  /// OnErrorMessage). The schema objects the parser builds are not kept.
  void LoadScript(TStrings& Lines) override;
};

}  // namespace qel
