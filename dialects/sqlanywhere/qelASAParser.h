// SQL Anywhere dialect: the script parser unit. Until the parser lands it holds the keyword table
// and the identifier quoting, declared in qelASAQuote.h.
#pragma once

#include "qelASAQuote.h"
