// PostgreSQL catalog extractor: conversions, domains, types, operators and operator classes.
#include "qelPGDatabaseExtract.h"

namespace qel {

void TPGDBExtract::ExtractCnv() {}

void TPGDBExtract::ExtractDmn() {}

void TPGDBExtract::ExtractTyp() {}

void TPGDBExtract::ExtractOpr() {}

void TPGDBExtract::ExtractOpc() {}

}  // namespace qel
