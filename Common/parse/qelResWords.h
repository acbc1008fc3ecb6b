// Keyword tables of the dialect parsers: the row type, compile-time ordering and checks, and the
// binary-search lookups that every dialect's keyword and quoting routines share.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <ranges>
#include <string>
#include <string_view>
#include <utility>

#include "Text.h"

namespace qel {

/// One row of a dialect keyword table: the upper-case word and the parser symbol it reads as.
/// A parser adds its rows to its word list in table order, after the framework's base symbols.
using TResWordRow = std::pair<std::string_view, std::uint8_t>;

/// The symbol of every word that is not a keyword.
constexpr std::uint8_t kIdentSymbol = 1;

/// The rows ordered by word, built at compile time, so that a lookup is a binary search.
template <std::size_t N>
constexpr std::array<TResWordRow, N> SortedByWord(std::array<TResWordRow, N> Rows) {
  std::ranges::sort(Rows, {}, &TResWordRow::first);
  return Rows;
}

/// True when no word occurs twice in a table sorted by word.
template <std::size_t N>
constexpr bool UniqueWords(const std::array<TResWordRow, N>& Sorted) {
  return std::ranges::adjacent_find(Sorted, {}, &TResWordRow::first) == Sorted.end();
}

/// True when a word list is strictly ascending (sorted, no duplicates).
template <std::size_t N>
constexpr bool SortedUnique(const std::array<std::string_view, N>& Words) {
  return std::ranges::adjacent_find(Words, std::ranges::greater_equal{}) == Words.end();
}

/// Word upper-cased, kept in Buffer when it fits (the lookups below run for every name read or
/// quoted, and keywords are short) and in Long otherwise.
inline std::string_view UpperCaseWord(std::string_view Word, std::array<char, 32>& Buffer,
                                      std::string& Long) {
  if (Word.size() > Buffer.size()) {
    Long = UpperCase(Word);
    return Long;
  }
  for (std::size_t I = 0; I < Word.size(); ++I) Buffer[I] = UpCase(Word[I]);
  return std::string_view(Buffer.data(), Word.size());
}

/// The symbol of Word (any letter case) in a table sorted by word, or kIdentSymbol.
template <std::size_t N>
std::uint8_t FindSymbol(const std::array<TResWordRow, N>& Sorted, std::string_view Word) {
  std::array<char, 32> Buffer;
  std::string Long;
  const std::string_view U = UpperCaseWord(Word, Buffer, Long);
  const auto It = std::ranges::lower_bound(Sorted, U, {}, &TResWordRow::first);
  return It != Sorted.end() && It->first == U ? It->second : kIdentSymbol;
}

/// True when Word (any letter case) is in a strictly ascending upper-case word list.
template <std::size_t N>
bool ContainsWord(const std::array<std::string_view, N>& Words, std::string_view Word) {
  std::array<char, 32> Buffer;
  std::string Long;
  return std::ranges::binary_search(Words, UpperCaseWord(Word, Buffer, Long));
}

/// The first row of Rows whose key (Key applied to the row) equals Value; nullptr when none
/// does. The dialects' small word tables (type words, kind words, privileges) are static data
/// looked up through this rather than chains of comparisons.
template <class Rows, class Value, class Key>
auto FindRow(const Rows& R, const Value& V, Key K) -> const std::ranges::range_value_t<Rows>* {
  const auto It = std::ranges::find(R, V, K);
  return It == std::ranges::end(R) ? nullptr : &*It;
}

/// The first row of Rows for which Match holds; nullptr when none does.
template <class Rows, class Pred>
auto FindRowIf(const Rows& R, Pred Match) -> const std::ranges::range_value_t<Rows>* {
  const auto It = std::ranges::find_if(R, Match);
  return It == std::ranges::end(R) ? nullptr : &*It;
}

/// S between Open and Close, every Close inside doubled so the server reads S back unchanged.
inline std::string EncloseIdent(std::string_view S, char Open, char Close) {
  std::string R(1, Open);
  for (char C : S) {
    R += C;
    if (C == Close) R += C;
  }
  R += Close;
  return R;
}

}  // namespace qel
