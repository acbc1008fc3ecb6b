// PostgreSQL parser: types, domains, conversions, operators and operator classes.
#include "qelPGSQLParser.h"

namespace qel {

void TPGSQLParser::ParseType() { PassOver("TYPE"); }

void TPGSQLParser::ParseDomain() { PassOver("DOMAIN"); }

void TPGSQLParser::ParseConversion(bool /*IsDefault*/) { PassOver("CREATE CONVERSION"); }

void TPGSQLParser::ParseOperator() { PassOver("CREATE OPERATOR"); }

void TPGSQLParser::ParseAlterOperator() { PassOver("ALTER OPERATOR"); }

}  // namespace qel
