// DB2 dialect: the keyword table of the DB2 script parser and the identifier quoting every DB2
// script writer goes through. Light on purpose: included without the parser; the dialect's
// registration hands the quoting to the core.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "qelResWords.h"

namespace qel {

/// The DB2 keywords in table order, symbols 30 to 110; CHAR and CHARACTER share one symbol.
/// Every other word (DATE, VARCHAR, TERMINATE, WORK ...) is an identifier.
extern const std::array<TResWordRow, 82> DB2ResWords;

/// The symbol of Word (any letter case) in DB2ResWords, or 1 (identifier) when it is no keyword.
std::uint8_t DB2SymbolByResWord(std::string_view Word);

/// Name as it must be written in DB2 script text: in double quotes, with inner double quotes
/// doubled, when it is a keyword (in any case), does not start with an upper-case letter, or
/// holds a character other than "A".."Z", "0".."9", "#", "$", "@" and "_"; otherwise unchanged.
/// An empty name stays empty.
std::string DB2QuoteIdent(const std::string& Name);

}  // namespace qel
