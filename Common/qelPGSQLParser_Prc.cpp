// PostgreSQL parser: functions and triggers.
#include "qelPGSQLParser.h"

namespace qel {

void TPGSQLParser::ParseFunction() { PassOver("CREATE FUNCTION"); }

void TPGSQLParser::ParseTrigger() { PassOver("CREATE TRIGGER"); }

}  // namespace qel
