// PostgreSQL dialect: the keyword table, the identifier quoting and the names the server makes.
#include "qelPGSQLQuote.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelResWords.h"

namespace qel {

// clang-format off
constexpr std::array<TResWordRow, 93> PGSQLResWords{{
    {"ALL", 30}, {"ANALYSE", 31}, {"ANALYZE", 32}, {"AND", 33}, {"ANY", 34}, {"ARRAY", 35},
    {"AS", 36}, {"ASC", 37}, {"ASYMMETRIC", 38}, {"AUTHORIZATION", 39}, {"BETWEEN", 40},
    {"BINARY", 41}, {"BOTH", 42}, {"CASE", 43}, {"CAST", 44}, {"CHECK", 45}, {"COLLATE", 46},
    {"COLUMN", 47}, {"CONSTRAINT", 48}, {"CREATE", 49}, {"CROSS", 50}, {"CURRENT_DATE", 51},
    {"CURRENT_ROLE", 52}, {"CURRENT_TIME", 53}, {"CURRENT_TIMESTAMP", 54}, {"CURRENT_USER", 55},
    {"DEFAULT", 56}, {"DEFERRABLE", 57}, {"DESC", 58}, {"DISTINCT", 59}, {"DO", 60}, {"ELSE", 61},
    {"END", 62}, {"EXCEPT", 63}, {"FALSE", 64}, {"FOR", 65}, {"FOREIGN", 66}, {"FREEZE", 67},
    {"FROM", 68}, {"FULL", 69}, {"GRANT", 70}, {"GROUP", 71}, {"HAVING", 72}, {"ILIKE", 73},
    {"IN", 74}, {"INITIALLY", 75}, {"INNER", 76}, {"INTERSECT", 77}, {"INTO", 78}, {"IS", 79},
    {"ISNULL", 80}, {"JOIN", 81}, {"LEADING", 82}, {"LEFT", 83}, {"LIKE", 84}, {"LIMIT", 85},
    {"LOCALTIME", 86}, {"LOCALTIMESTAMP", 87}, {"NATURAL", 88}, {"NEW", 89}, {"NOT", 90},
    {"NOTNULL", 91}, {"NULL", 92}, {"OFF", 93}, {"OFFSET", 94}, {"OLD", 95}, {"ON", 96},
    {"ONLY", 97}, {"OR", 98}, {"ORDER", 99}, {"OUTER", 100}, {"OVERLAPS", 101}, {"PLACING", 102},
    {"PRIMARY", 103}, {"REFERENCES", 104}, {"RIGHT", 105}, {"SELECT", 106}, {"SESSION_USER", 107},
    {"SIMILAR", 108}, {"SOME", 109}, {"SYMMETRIC", 110}, {"TABLE", 111}, {"THEN", 112},
    {"TO", 113}, {"TRAILING", 114}, {"TRUE", 115}, {"UNION", 116}, {"UNIQUE", 117}, {"USER", 118},
    {"USING", 119}, {"VERBOSE", 120}, {"WHEN", 121}, {"WHERE", 122}
}};
// clang-format on

namespace {

constexpr auto kResWordsByWord = SortedByWord(PGSQLResWords);
static_assert(UniqueWords(kResWordsByWord));

constexpr bool SymbolsFollowTableOrder() {
  for (std::size_t I = 0; I < PGSQLResWords.size(); ++I)
    if (PGSQLResWords[I].second != 30 + I) return false;
  return true;
}
static_assert(SymbolsFollowTableOrder());

/// Words PostgreSQL 15 reserves (fully, or as function and type names) that the parser's table
/// does not hold: the parser reads them as identifiers, but a bare column named window or
/// returning is a syntax error on today's servers.
// clang-format off
constexpr std::array<std::string_view, 11> kAlsoReserved{
    "COLLATION", "CONCURRENTLY", "CURRENT_CATALOG", "CURRENT_SCHEMA", "FETCH", "LATERAL",
    "RETURNING", "TABLESAMPLE", "VARIADIC", "WINDOW", "WITH"
};
// clang-format on
static_assert(SortedUnique(kAlsoReserved));

constexpr bool IsBareFirst(char C) {
  return (C >= 'a' && C <= 'z') || C == '_';
}
constexpr bool IsBareNext(char C) {
  return IsBareFirst(C) || (C >= '0' && C <= '9') || C == '$';
}

/// True when the server would not read Name back unchanged as a bare identifier: it folds
/// upper-case letters to lower case, and keywords are not names.
bool NeedsQuotes(std::string_view Name) {
  if (!IsBareFirst(Name.front())) return true;
  if (!std::all_of(Name.begin() + 1, Name.end(), IsBareNext)) return true;
  // No keyword holds a digit or a dollar sign.
  if (std::any_of(Name.begin() + 1, Name.end(), [](char C) { return !IsBareFirst(C); }))
    return false;
  return FindSymbol<kResWordsByWord>(Name) != kIdentSymbol || ContainsWord<kAlsoReserved>(Name);
}

}  // namespace

std::uint8_t PGSQLSymbolByResWord(std::string_view Word) {
  return FindSymbol<kResWordsByWord>(Word);
}

std::string PGSQLQuoteIdent(const std::string& Name) {
  if (Name.empty() || !NeedsQuotes(Name)) return Name;
  return EncloseIdent(Name, '"', '"');
}

namespace {

/// Length of S cut to at most Limit bytes without splitting a UTF-8 character.
std::size_t ClipLength(const std::string& S, std::size_t Limit) {
  if (S.size() <= Limit) return S.size();
  std::size_t N = Limit;
  while (N > 0 && (static_cast<unsigned char>(S[N]) & 0xC0) == 0x80) --N;
  return N;
}

}  // namespace

std::string PGClipName(const std::string& Name) {
  return Name.substr(0, ClipLength(Name, PGMaxNameBytes));
}

std::string PGMakeObjectName(const std::string& Name1, const std::string& Name2,
                             const std::string& Label) {
  const std::size_t Overhead = (Name2.empty() ? 0 : 1) + 1 + Label.size();
  const std::size_t Avail = PGMaxNameBytes > Overhead ? PGMaxNameBytes - Overhead : 0;
  std::size_t N1 = Name1.size();
  std::size_t N2 = Name2.size();
  while (N1 + N2 > Avail) {
    if (N1 > N2)
      --N1;
    else
      --N2;
  }
  std::string Name = Name1.substr(0, ClipLength(Name1, N1));
  if (!Name2.empty()) Name.append("_").append(Name2, 0, ClipLength(Name2, N2));
  return Name + "_" + Label;
}

}  // namespace qel
