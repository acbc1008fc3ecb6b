// Oracle dialect: the keyword table and the identifier quoting.
#include "qelOracleQuote.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>

#include "Text.h"
#include "qelResWords.h"

namespace qel {

// clang-format off
constexpr std::array<TResWordRow, 112> OracleResWords{{
    {"ACCESS", 30}, {"ADD", 31}, {"ALL", 32}, {"ALTER", 33}, {"AND", 34}, {"ANY", 35},
    {"ARRAYLEN", 36}, {"AS", 37}, {"ASC", 38}, {"AUDIT", 39}, {"BETWEEN", 40}, {"BY", 41},
    {"CHAR", 42}, {"CHECK", 43}, {"CLUSTER", 44}, {"COLUMN", 45}, {"COMMENT", 46},
    {"COMPRESS", 47}, {"CONNECT", 48}, {"CREATE", 49}, {"CURRENT", 50}, {"DATE", 51},
    {"DECIMAL", 52}, {"DEFAULT", 53}, {"DELETE", 54}, {"DESC", 55}, {"DISTINCT", 56}, {"DROP", 57},
    {"ELSE", 58}, {"EXCLUSIVE", 59}, {"EXISTS", 60}, {"FILE", 61}, {"FLOAT", 62}, {"FOR", 63},
    {"FROM", 64}, {"GRANT", 65}, {"GROUP", 66}, {"HAVING", 67}, {"IDENTIFIER", 68},
    {"IMMEDIATE", 69}, {"IN", 70}, {"INCREMENT", 71}, {"INDEX", 72}, {"INITIAL", 73},
    {"INSERT", 74}, {"INTEGER", 75}, {"INTERSECT", 76}, {"INTO", 77}, {"IS", 78}, {"LEVEL", 79},
    {"LIKE", 80}, {"LOCK", 81}, {"LONG", 82}, {"MAXEXTENTS", 83}, {"MINUS", 84}, {"MODE", 85},
    {"MODIFY", 86}, {"NOAUDIT", 87}, {"NOCOMPRESS", 88}, {"NOT", 89}, {"NOTFOUND", 90},
    {"NOWAIT", 91}, {"NULL", 92}, {"NUMBER", 93}, {"OF", 94}, {"OFFLINE", 95}, {"ON", 96},
    {"ONLINE", 97}, {"OPTION", 98}, {"OR", 99}, {"ORDER", 100}, {"PCTFREE", 101}, {"PRIOR", 102},
    {"PRIVILEGES", 103}, {"PUBLIC", 104}, {"RAW", 105}, {"RENAME", 106}, {"RESOURCE", 107},
    {"REVOKE", 108}, {"ROW", 109}, {"ROWID", 110}, {"ROWLABEL", 111}, {"ROWNUM", 112},
    {"ROWS", 113}, {"START", 114}, {"SELECT", 115}, {"SESSION", 116}, {"SET", 117}, {"SHARE", 118},
    {"SIZE", 119}, {"SMALLINT", 120}, {"SQLBUF", 121}, {"SUCCESSFUL", 122}, {"SYNONYM", 123},
    {"SYSDATE", 124}, {"TABLE", 125}, {"THEN", 126}, {"TO", 127}, {"TRIGGER", 128}, {"UID", 129},
    {"UNION", 130}, {"UNIQUE", 131}, {"UPDATE", 132}, {"USER", 133}, {"VALIDATE", 134},
    {"VALUES", 135}, {"VARCHAR", 136}, {"VARCHAR2", 137}, {"VIEW", 138}, {"WHENEVER", 139},
    {"WHERE", 140}, {"WITH", 141}
}};
// clang-format on

namespace {

constexpr auto kResWordsByWord = SortedByWord(OracleResWords);
static_assert(UniqueWords(kResWordsByWord));

constexpr bool IndexedBySymbol() {
  for (std::size_t I = 0; I < OracleResWords.size(); ++I)
    if (OracleResWords[I].second != 30 + I) return false;
  return true;
}
static_assert(IndexedBySymbol());

constexpr bool IsUpperLetter(char C) {
  return C >= 'A' && C <= 'Z';
}
constexpr bool IsBareNext(char C) {
  return IsUpperLetter(C) || (C >= '0' && C <= '9') || C == '_' || C == '$' || C == '#';
}

/// Oracle folds bare names to upper case, so a name holding a lower-case letter is only kept
/// in quotes; reserved words are never names.
bool NeedsQuotes(std::string_view Ident) {
  return !IsUpperLetter(Ident.front()) ||
         !std::all_of(Ident.begin() + 1, Ident.end(), IsBareNext) ||
         FindSymbol<kResWordsByWord>(Ident) != kIdentSymbol;
}

}  // namespace

std::uint8_t OracleSymbolByResWord(std::string_view Word) {
  return FindSymbol<kResWordsByWord>(Word);
}

std::string OracleQuoteIdent(const std::string& Ident) {
  if (Ident.empty() || !NeedsQuotes(Ident)) return Ident;
  return EncloseIdent(Ident, '"', '"');
}

}  // namespace qel
