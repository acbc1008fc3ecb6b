// The DB2 script executor: loads a DB2 script into statements through the DB2 parser and runs
// them through a connection.
#pragma once

#include <string>

#include "qelDB2Parser.h"
#include "qelSQL_Exec.h"

namespace qel {

/// Everything but CONNECT TO is the dialect executor's (TSQLExecFor). A script loads as the
/// DB2 parser reports it: every DDL statement it reads, INSERT, SET CURRENT SCHEMA/PATH, COMMIT
/// as a commit and CONNECT TO as a connect (CONNECT RESET and TERMINATE are commands of the
/// command-line processor and are not carried).
class TDB2SQLExec : public TSQLExecFor<TDB2Parser, dbDB2> {
 public:
  using TSQLExecFor::TSQLExecFor;

  /// CONNECT TO database [USER name [USING password]]: the database, user and password of the
  /// statement go to the connection options the connect uses.
  void ParseConnect(const std::string& aText) override;
};

}  // namespace qel
