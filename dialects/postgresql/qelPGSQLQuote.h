// PostgreSQL dialect: the keyword table and the identifier quoting every PostgreSQL script writer
// goes through. Light on purpose: included without the parser; the dialect's registration hands the
// quoting to the core.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "qelResWords.h"

namespace qel {

/// The PostgreSQL keywords in table order: alphabetical, symbols 30 (ALL) to 122 (WHERE), each
/// symbol 30 plus the row's index. Every other word (ALTER, DROP, INDEX ...) is an identifier.
extern const std::array<TResWordRow, 93> PGSQLResWords;

/// The symbol of Word (any letter case) in PGSQLResWords, or 1 (identifier) when it is no keyword.
std::uint8_t PGSQLSymbolByResWord(std::string_view Word);

/// Name as it must be written in PostgreSQL script text: in double quotes, with inner double
/// quotes doubled, unless the server reads it back unchanged as a bare name (lower-case letters,
/// digits, "_" and "$", not starting with a digit or "$", and not a reserved word); otherwise
/// unchanged. An empty name stays empty.
std::string PGSQLQuoteIdent(const std::string& Name);

/// The server's limit on identifiers, in bytes (NAMEDATALEN - 1).
constexpr std::size_t PGMaxNameBytes = 63;

/// Name as the server keeps it: cut to PGMaxNameBytes without splitting a UTF-8 character, as
/// the server's scanner cuts every longer identifier, bare or quoted.
std::string PGClipName(const std::string& Name);

/// The name the server makes from two parts and a label ("orders", "customer_id", "fkey"):
/// joined by "_" and, when too long, both parts shortened, the longer one first, so that the
/// whole fits the identifier limit of 63 bytes.
std::string PGMakeObjectName(const std::string& Name1, const std::string& Name2,
                             const std::string& Label);

}  // namespace qel
