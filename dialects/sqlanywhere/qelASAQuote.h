// SQL Anywhere dialect: the keyword table of the SQL Anywhere script parser and the identifier
// quoting every SQL Anywhere script writer goes through. Light on purpose: included without the
// parser; the dialect's registration hands the quoting to the core.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "qelDBOptions.h"

#include "qelResWords.h"

namespace qel {

/// The SQL Anywhere keywords in table order, symbols 30 to 147. Synonyms share a symbol (CHAR =
/// CHARACTER, DEC = DECIMAL, EXEC = EXECUTE, INT = INTEGER, PROC = PROCEDURE, TRAN =
/// TRANSACTION), UNIQUEIDENTIFIER reads as UNIQUE, and BETWEEN, DBSPACE, MEMBERSHIP,
/// PUBLICATION, START, TRAN/TRANSACTION and VALUES carry the symbols after WORK (141 to 147).
/// "REMAME" is a keyword as spelled; RENAME is an identifier.
extern const std::array<TResWordRow, 125> ASAResWords;

/// The symbol of Word (any letter case) in ASAResWords, or 1 (identifier) when it is no keyword.
/// Every server version shares one table; Version is accepted for callers that pass it.
std::uint8_t ASASymbolByResWord(std::string_view Word, TASAServerVersionType Version);

/// Name as it must be written in SQL Anywhere script text. A keyword or reserved word (any case)
/// is written upper-cased in double quotes; a name with a character outside "#", "$", "@", "_",
/// letters and (after the first) digits is written in double quotes as it is, inner double
/// quotes doubled; any other name is unchanged. An empty name stays empty.
std::string ASAQuoteIdent(const std::string& Name, TASAServerVersionType Version);

/// Owner + "." + Name, with DBA (the owner of everything a script names without one) in place
/// of an empty Owner.
std::string ASAObjFullName(const std::string& Owner, const std::string& Name);

}  // namespace qel
