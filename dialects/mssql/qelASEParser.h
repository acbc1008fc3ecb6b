// Sybase ASE dialect: the script parser, the Transact-SQL parser of SQL Server (qelMSSQLParser.h)
// in its ASE form: no schemas, columns NOT NULL unless they say NULL, every default kept with its
// column, names as written.
#pragma once

#include "qelMSSQLParser.h"

namespace qel {

/// Reads Sybase ASE DDL scripts: the statements of TTransactSQLParser with ASE's ALTER TABLE
/// forms (DROP column, REPLACE column DEFAULT) and sp_dboption.
class TASEParser : public TTransactSQLParser {
 public:
  explicit TASEParser(TCustomObjs* AObjs);
};

}  // namespace qel
