// DB2 dialect: the script parser unit. Until the parser lands it holds the keyword table
// and the identifier quoting, declared in qelDB2Quote.h.
#pragma once

#include "qelDB2Quote.h"
