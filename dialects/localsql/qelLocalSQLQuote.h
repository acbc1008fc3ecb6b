// Local SQL of Paradox and dBASE tables: the keyword table and the identifier quoting of that
// dialect. Light on purpose: included without the parser; the dialect's registration hands the
// quoting to the core.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "qelResWords.h"

namespace qel {

/// The local SQL keywords in table order: symbols 30 to 224 (UPPER), then 240 (USER) to 254
/// (YEAR). ASC/ASCENDING, CHAR/CHARACTER, DEC/DECIMAL, DESC/DESCENDING and INT/INTEGER share a
/// symbol. The words "IACTIVE", "COMMITED" and "RESERV" are spelled so: ACTIVE is no keyword.
extern const std::array<TResWordRow, 215> LocalSQLResWords;

/// The symbol of Word (any letter case) in LocalSQLResWords, or 1 (identifier) when it is no
/// keyword.
std::uint8_t LocalSQLSymbolByResWord(std::string_view Word);

/// Name in double quotes (its own case kept, inner double quotes doubled) when it is a keyword in
/// any case or holds a double quote; otherwise unchanged. Other characters, blanks included, do
/// not cause quoting.
std::string LocalSQLQuoteIdent(const std::string& Name);

}  // namespace qel
