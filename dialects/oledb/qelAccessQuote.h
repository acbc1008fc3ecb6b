// Identifier quoting of Access SQL: the light header the core includes.
#pragma once

#include <string>

namespace qel {

/// Name in brackets when it is no plain identifier (a letter or "_" first, then letters, digits
/// and "_", all ASCII) or is a word of Access SQL; otherwise unchanged. A name of the file cannot
/// hold "]", so none is doubled.
std::string AccessQuoteIdent(const std::string& Name);

}  // namespace qel
