// Identifier quoting of Access SQL.
#include "qelAccessQuote.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "Text.h"

namespace qel {

namespace {

// The words of Access SQL (and of the driver's own SQL) a bare name cannot be.
constexpr std::array<std::string_view, 40> Words = {
    "ALL",    "AND",   "AS",       "ASC",  "BETWEEN", "BY",    "CREATE", "DATE",
    "DELETE", "DESC",  "DISTINCT", "DROP", "FROM",    "GROUP", "HAVING", "IN",
    "INDEX",  "INNER", "INSERT",   "INTO", "IS",      "JOIN",  "KEY",    "LEFT",
    "LIKE",   "LIMIT", "NOT",      "NULL", "ON",      "OR",    "ORDER",  "RIGHT",
    "SELECT", "SET",   "TABLE",    "TIME", "TOP",     "UNION", "UPDATE", "WHERE"};

bool Plain(const std::string& Name) {
  if (Name.empty() || (Name[0] >= '0' && Name[0] <= '9')) return false;
  return std::all_of(Name.begin(), Name.end(), [](char C) {
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '_';
  });
}

}  // namespace

std::string AccessQuoteIdent(const std::string& Name) {
  const std::string U = UpperCase(Name);
  if (Plain(Name) && std::find(Words.begin(), Words.end(), U) == Words.end()) return Name;
  return "[" + Name + "]";
}

}  // namespace qel
