// The keyword lookups every dialect's scanner and quoting share: a word in any letter case,
// only whole words, words that share their first letter or their length with others, and
// names that are no keyword (empty, longer than any, of a byte no keyword starts with).
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

#include "qelResWords.h"

using namespace qel;

namespace {

constexpr std::array<TResWordRow, 7> kRows{{{"AS", 30},
                                            {"ASC", 31},
                                            {"AT", 32},
                                            {"BY", 33},
                                            {"_ROWID", 34},
                                            {"ZONE", 35},
                                            {"CURRENT_TIMESTAMP", 36}}};
constexpr auto kSorted = SortedByWord(kRows);
constexpr std::array<std::string_view, 3> kWords{"FETCH", "WINDOW", "WITH"};

}  // namespace

TEST(ResWords, SymbolOfAWordInAnyCaseAndOfNoOther) {
  struct TRow {
    std::string Word;
    std::uint8_t Symbol;
  };
  const std::string Long(40, 'a');
  for (const TRow& R :
       {TRow{"as", 30}, TRow{"Asc", 31}, TRow{"aT", 32}, TRow{"BY", 33}, TRow{"_rowid", 34},
        TRow{"zone", 35}, TRow{"current_Timestamp", 36}, TRow{"a", kIdentSymbol},
        TRow{"ascx", kIdentSymbol}, TRow{"asd", kIdentSymbol}, TRow{"", kIdentSymbol},
        TRow{"z0ne", kIdentSymbol}, TRow{"\xC3\x84S", kIdentSymbol}, TRow{Long, kIdentSymbol},
        TRow{"current_timestamps", kIdentSymbol}}) {
    SCOPED_TRACE(R.Word);
    EXPECT_EQ(FindSymbol<kSorted>(R.Word), R.Symbol);
  }
}

TEST(ResWords, WordListHoldsWholeWordsInAnyCase) {
  struct TRow {
    std::string_view Word;
    bool Listed;
  };
  for (const TRow& R :
       {TRow{"with", true}, TRow{"Window", true}, TRow{"FETCH", true}, TRow{"within", false},
        TRow{"wit", false}, TRow{"", false}, TRow{"xfetch", false}, TRow{"fetch ", false}}) {
    SCOPED_TRACE(std::string(R.Word));
    EXPECT_EQ(ContainsWord<kWords>(R.Word), R.Listed);
  }
}
