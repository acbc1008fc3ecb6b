// Oracle dialect: the keyword table of the Oracle script parser and the identifier quoting every
// Oracle script writer goes through. Light on purpose: included without the parser; the dialect's
// registration hands the quoting to the core.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "qelResWords.h"

namespace qel {

/// The Oracle reserved words, indexed by symbol - 30: symbols 30 (ACCESS) to 141 (WITH), one per
/// row. Every other word of the grammar (TYPE, SEQUENCE, PRIMARY ...) is an identifier.
extern const std::array<TResWordRow, 112> OracleResWords;

/// The symbol of Word (any letter case) in OracleResWords, or 1 (identifier) when it is none.
std::uint8_t OracleSymbolByResWord(std::string_view Word);

/// Ident as it must be written in Oracle script text: in double quotes, with inner double quotes
/// doubled, when it is a reserved word (in any case), does not start with an upper-case letter,
/// or holds a character other than "A".."Z", "0".."9", "_", "$" and "#"; otherwise unchanged.
/// An empty name stays empty.
std::string OracleQuoteIdent(const std::string& Ident);

}  // namespace qel
