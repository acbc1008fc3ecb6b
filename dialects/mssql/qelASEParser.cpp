// The Sybase ASE script parser: the shared Transact-SQL grammar under the ASE dialect.
#include "qelASEParser.h"

namespace qel {

TASEParser::TASEParser(TCustomObjs* AObjs) : TTransactSQLParser(AObjs, dbSybaseASE) {}

}  // namespace qel
