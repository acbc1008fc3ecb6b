// Oracle dialect: the script parser unit. Until the parser lands it holds the keyword table
// and the identifier quoting, declared in qelOracleQuote.h.
#pragma once

#include "qelOracleQuote.h"
