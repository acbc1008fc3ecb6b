// The Sybase ASE script executor: loads an ASE script batch by batch (GO lines) through the ASE
// parser and runs the batches through a connection.
#pragma once

#include <memory>

#include "qelSQL_Exec.h"

namespace qel {

/// The SQL Server executor's loading (LoadTransactSQLScript) with the ASE parser; everything
/// else is the script executor's (TSQLExec).
class TASESQLExec : public TSQLExec {
 public:
  /// DatabaseType is dbSybaseASE.
  explicit TASESQLExec(TComponent* AOwner);
  ~TASESQLExec() override;

  /// LoadTransactSQLScript.
  void LoadScript(TStrings& Lines) override;
  /// Opens the connection first (a failure is reported and gives False), then runs the script.
  bool ExecuteScript() override;
  /// A TASEParser over Objs.
  std::unique_ptr<TCustomSQLParser> CreateParser(TCustomObjs* Objs) override;
};

}  // namespace qel
