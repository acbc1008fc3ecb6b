// DB2 dialect: the keyword table and the identifier quoting.
#include "qelDB2Quote.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelResWords.h"

namespace qel {

// clang-format off
constexpr std::array<TResWordRow, 82> DB2ResWords{{
    {"ADD", 30}, {"AFTER", 31}, {"ALIAS", 32}, {"ALLOW", 33}, {"ALTER", 34}, {"AS", 35},
    {"AUTHORIZATION", 36}, {"BEFORE", 37}, {"BUFFERPOOL", 38}, {"BY", 39}, {"CACHE", 40},
    {"CAPTURE", 41}, {"CARDINALITY", 42}, {"CHAR", 43}, {"CHARACTER", 43}, {"CHECK", 44},
    {"CLUSTER", 45}, {"CONNECT", 46}, {"COMMIT", 47}, {"CONSTRAINT", 48}, {"CREATE", 49},
    {"CURRENT", 50}, {"DATA", 51}, {"DATABASE", 52}, {"DB2SQL", 53}, {"DEFAULT", 54},
    {"DELETE", 55}, {"DISALLOW", 56}, {"DOUBLE", 57}, {"EACH", 58}, {"FILE", 59}, {"FOR", 60},
    {"FOREIGN", 61}, {"GENERATED", 62}, {"GRANT", 63}, {"GROUP", 64}, {"GRAPHIC", 65},
    {"IDENTITY", 66}, {"IN", 67}, {"INCREMENT", 68}, {"INDEX", 69}, {"INSERT", 70}, {"KEY", 71},
    {"LONG", 72}, {"MODE", 73}, {"NEW", 74}, {"NEW_TABLE", 75}, {"NO", 76}, {"NOT", 77},
    {"NULL", 78}, {"OF", 79}, {"OLD", 80}, {"OLD_TABLE", 81}, {"ON", 82}, {"OPTIMIZATION", 83},
    {"OPTION", 84}, {"PARTITION", 85}, {"PATH", 86}, {"PRIMARY", 87}, {"RECOVERY", 88},
    {"REFERENCES", 89}, {"REFERENCING", 90}, {"RESET", 91}, {"RESTRICT", 92}, {"ROW", 93},
    {"SCHEMA", 94}, {"SELECT", 95}, {"SET", 96}, {"START", 97}, {"SYSTEM", 98}, {"TABLE", 99},
    {"TABLESPACE", 100}, {"TO", 101}, {"TRIGGER", 102}, {"UNIQUE", 103}, {"UPDATE", 104},
    {"USER", 105}, {"USING", 106}, {"VIEW", 107}, {"WHEN", 108}, {"WITH", 109}, {"YEARS", 110}
}};
// clang-format on

namespace {

constexpr auto kResWordsByWord = SortedByWord(DB2ResWords);

static_assert(UniqueWords(kResWordsByWord));

constexpr bool IsUpperLetter(char C) {
  return C >= 'A' && C <= 'Z';
}

constexpr bool IsBareNext(char C) {
  return IsUpperLetter(C) || (C >= '0' && C <= '9') || C == '#' || C == '$' || C == '@' || C == '_';
}

/// DB2 folds bare names to upper case, so a name holding a lower-case letter is only kept in
/// quotes; the parser's keywords are never written bare.
bool NeedsQuotes(std::string_view Name) {
  return FindSymbol<kResWordsByWord>(Name) != kIdentSymbol || !IsUpperLetter(Name.front()) ||
         !std::all_of(Name.begin() + 1, Name.end(), IsBareNext);
}

}  // namespace

std::uint8_t DB2SymbolByResWord(std::string_view Word) {
  return FindSymbol<kResWordsByWord>(Word);
}

std::string DB2QuoteIdent(const std::string& Name) {
  if (Name.empty() || !NeedsQuotes(Name)) return Name;
  return EncloseIdent(Name, '"', '"');
}

}  // namespace qel
