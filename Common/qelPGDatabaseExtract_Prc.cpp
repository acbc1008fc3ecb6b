// PostgreSQL catalog extractor: functions and triggers.
#include "qelPGDatabaseExtract.h"

namespace qel {

void TPGDBExtract::ExtractPrc() {}

void TPGDBExtract::ExtractTrg() {}

}  // namespace qel
