// The DB2 script executor: loads a DB2 script into statements through the DB2 parser and runs
// them through a connection.
#pragma once

#include <memory>
#include <string>

#include "qelSQL_Exec.h"

namespace qel {

/// Everything but loading, CONNECT TO and the opening of the connection before a run is the
/// script executor's (TSQLExec).
class TDB2SQLExec : public TSQLExec {
 public:
  /// DatabaseType is dbDB2.
  explicit TDB2SQLExec(TComponent* AOwner);
  ~TDB2SQLExec() override;

  /// Replaces the statement list by the statements of Lines, as the DB2 parser reports them:
  /// every DDL statement it reads, INSERT, SET CURRENT SCHEMA/PATH, COMMIT as a commit and
  /// CONNECT TO as a connect (CONNECT RESET and TERMINATE are commands of the command-line
  /// processor and are not carried). Parse errors do not stop the loading: they stand in the
  /// message list afterwards (the first also went to OnErrorMessage). The schema objects the
  /// parser builds are not kept.
  void LoadScript(TStrings& Lines) override;
  /// Opens the connection first (a failure is reported and gives False), then runs the script;
  /// the connection stays open after the run.
  bool ExecuteScript() override;
  /// A TDB2Parser over Objs.
  std::unique_ptr<TCustomSQLParser> CreateParser(TCustomObjs* Objs) override;
  /// CONNECT TO database [USER name [USING password]]: the database, user and password of the
  /// statement go to the connection options the connect uses.
  void ParseConnect(const std::string& aText) override;
};

}  // namespace qel
