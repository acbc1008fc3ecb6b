// MySQL dialect: the keyword table and the identifier quoting every MySQL script writer goes
// through. Light on purpose: included without the parser; the dialect's registration hands the
// quoting to the core.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "qelResWords.h"

namespace qel {

/// The MySQL keywords in table order, symbols 30 to 98. BIT, BOOL and TINYINT share one symbol,
/// as do CHAR and CHARACTER, DEC and DECIMAL, INT and INTEGER. The last row, "_<charset>", is
/// the pseudo-word whose symbol the parser gives to character-set introducers (_utf8'...').
extern const std::array<TResWordRow, 74> MySQLResWords;

/// The symbol of Word (any letter case) in MySQLResWords, or 1 (identifier) when it is no
/// keyword. The cross-dialect conversion uses it to tell reserved names.
std::uint8_t MySQLSymbolByResWord(std::string_view Word);

/// True when the server (MySQL or MariaDB 10.11) reserves Word, given in upper case: a bare
/// column or table of that name is a syntax error.
bool MySQLIsReservedWord(std::string_view Word);

/// Name as it must be written in MySQL script text: unchanged when it is a plain upper-case name
/// ("A".."Z", "0".."9", "_", "$" and non-ASCII bytes, not starting with a digit) that the server
/// does not reserve; otherwise in back quotes, with inner back quotes doubled. An empty name
/// stays empty.
std::string MySQLQuoteIdent(const std::string& Name);

}  // namespace qel
