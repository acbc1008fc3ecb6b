// Keyword tables of the dialect parsers: the row type, compile-time ordering and checks, and the
// lookups by first byte that every dialect's keyword and quoting routines share.
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

/// The rows ordered by word, built at compile time, so that the words of one first byte stand
/// together (FirstByteIndex).
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

/// Where the words of each first byte start in a sorted word table: the words that begin with
/// byte B are the rows [Starts[B], Starts[B + 1]).
using TFirstByteIndex = std::array<std::uint16_t, 257>;

/// The index of a table sorted by word; Word gives a row's word. Built at compile time.
template <class Rows, class WordOf>
constexpr TFirstByteIndex FirstByteIndex(const Rows& Sorted, WordOf Word) {
  TFirstByteIndex Starts{};
  std::size_t Row = 0;
  for (std::size_t B = 0; B < 256; ++B) {
    // An empty word sorts first: it is in no byte's rows.
    while (Row < Sorted.size() &&
           (Word(Sorted[Row]).empty() || static_cast<unsigned char>(Word(Sorted[Row])[0]) < B))
      ++Row;
    Starts[B] = static_cast<std::uint16_t>(Row);
  }
  Starts[256] = static_cast<std::uint16_t>(Sorted.size());
  return Starts;
}

/// True when Word, upper-cased as UpCase does, is Upper (a word of a table).
constexpr bool SameAsUpper(std::string_view Upper, std::string_view Word) {
  if (Upper.size() != Word.size()) return false;
  for (std::size_t I = 0; I < Word.size(); ++I)
    if (Upper[I] != UpCase(Word[I])) return false;
  return true;
}

/// The row of Word (any letter case) in a table sorted by word (its words upper case): only
/// the words of its first byte are compared, and those of another length at a glance. The
/// lookups below run for every name read or quoted. Index is FirstByteIndex of the table.
template <class Rows, class WordOf>
constexpr std::size_t FindUpperRow(const Rows& Sorted, const TFirstByteIndex& Index,
                                   std::string_view Word, WordOf RowWord) {
  if (Word.empty()) return Sorted.size();
  const auto First = static_cast<unsigned char>(UpCase(Word[0]));
  for (std::size_t I = Index[First]; I < Index[First + 1]; ++I)
    if (SameAsUpper(RowWord(Sorted[I]), Word)) return I;
  return Sorted.size();
}

/// The symbol of Word (any letter case) in the keyword table Sorted (sorted by word, see
/// SortedByWord), or kIdentSymbol.
template <const auto& Sorted>
std::uint8_t FindSymbol(std::string_view Word) {
  constexpr auto RowWord = [](const TResWordRow& Row) { return Row.first; };
  static constexpr TFirstByteIndex Index = FirstByteIndex(Sorted, RowWord);
  const std::size_t I = FindUpperRow(Sorted, Index, Word, RowWord);
  return I < Sorted.size() ? Sorted[I].second : kIdentSymbol;
}

/// True when Word (any letter case) is in the strictly ascending upper-case word list Words.
template <const auto& Words>
bool ContainsWord(std::string_view Word) {
  constexpr auto RowWord = [](std::string_view W) { return W; };
  static constexpr TFirstByteIndex Index = FirstByteIndex(Words, RowWord);
  return FindUpperRow(Words, Index, Word, RowWord) < Words.size();
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
