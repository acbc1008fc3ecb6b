// The PostgreSQL script executor: loads a PostgreSQL script into statements through the
// PostgreSQL parser and runs them through a connection.
#pragma once

#include <memory>
#include <string>

#include "qelSQL_Exec.h"

namespace qel {

/// Everything but loading and the opening of the connection before a run is the script
/// executor's (TSQLExec).
class TPGSQLExec : public TSQLExec {
 public:
  /// DatabaseType is dbPostgreSQL.
  explicit TPGSQLExec(TComponent* AOwner);
  ~TPGSQLExec() override;

  /// Replaces the statement list by the statements of Lines, as the PostgreSQL parser reports
  /// them. Parse errors do not stop the loading: they stand in the message list afterwards (the
  /// first also went to OnErrorMessage). The schema objects the parser builds are not kept.
  void LoadScript(TStrings& Lines) override;
  /// Opens the connection first (a failure is reported and gives False), then runs the script;
  /// the connection stays open after the run.
  bool ExecuteScript() override;
  /// A TPGSQLParser over Objs.
  std::unique_ptr<TCustomSQLParser> CreateParser(TCustomObjs* Objs) override;
};

}  // namespace qel
