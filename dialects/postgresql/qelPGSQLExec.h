// The PostgreSQL script executor: loads a PostgreSQL script into statements through the
// PostgreSQL parser and runs them through a connection.
#pragma once

#include "qelPGSQLParser.h"
#include "qelSQL_Exec.h"

namespace qel {

/// Everything but the parser that loads a script (every statement the PostgreSQL parser
/// reports) is the dialect executor's (TSQLExecFor).
class TPGSQLExec : public TSQLExecFor<TPGSQLParser, dbPostgreSQL> {
 public:
  using TSQLExecFor::TSQLExecFor;
};

}  // namespace qel
