// The Sybase ASE script executor: loads an ASE script batch by batch (GO lines) through the ASE
// parser and runs the batches through a connection.
#pragma once

#include "qelASEParser.h"
#include "qelSQL_Exec.h"

namespace qel {

/// The SQL Server executor's loading (LoadTransactSQLScript) with the ASE parser; everything
/// else is the dialect executor's (TSQLExecFor).
class TASESQLExec : public TSQLExecFor<TASEParser, dbSybaseASE> {
 public:
  using TSQLExecFor::TSQLExecFor;

  /// LoadTransactSQLScript.
  void LoadScript(TStrings& Lines) override;
};

}  // namespace qel
