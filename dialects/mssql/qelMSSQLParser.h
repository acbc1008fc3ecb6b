// SQL Server dialect: the script parser unit. Until the parser lands it holds the keyword table
// and the identifier quoting, declared in qelMSSQLQuote.h.
#pragma once

#include "qelMSSQLQuote.h"
