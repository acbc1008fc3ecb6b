// InterBase and Firebird dialect: the script parser unit. Until the parser lands it holds the
// keyword table and the identifier quoting, declared in qelIBQuote.h.
#pragma once

#include "qelIBQuote.h"
