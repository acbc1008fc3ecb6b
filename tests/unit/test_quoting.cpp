// Identifier quoting and keyword lookup of the dialect units.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "qelASAQuote.h"
#include "qelDB2Quote.h"
#include "qelIBQuote.h"
#include "qelLocalSQLQuote.h"
#include "qelMSSQLQuote.h"
#include "qelMySQLQuote.h"
#include "qelOracleQuote.h"
#include "qelPGSQLQuote.h"

namespace qel {
namespace {

using TQuoteFn = std::function<std::string(const std::string&)>;
using TCases = std::vector<std::pair<std::string, std::string>>;

void ExpectQuoting(const TQuoteFn& Quote, const TCases& Cases) {
  for (const auto& [Name, Expected] : Cases) EXPECT_EQ(Quote(Name), Expected) << "name: " << Name;
}

std::string Lower(std::string_view S) {
  std::string R(S);
  for (char& C : R)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return R;
}

/// Reads a quoted identifier back the way the server does: Open ... Close with every Close inside
/// doubled. Fails the test when the text is not such a token.
std::string ReadQuoted(const std::string& Text, char Open, char Close) {
  EXPECT_GE(Text.size(), 2u) << Text;
  if (Text.size() < 2 || Text.front() != Open || Text.back() != Close) {
    ADD_FAILURE() << "not enclosed: " << Text;
    return {};
  }
  std::string Name;
  for (std::size_t I = 1; I + 1 < Text.size(); ++I) {
    Name += Text[I];
    if (Text[I] == Close) {
      if (I + 2 >= Text.size() || Text[I + 1] != Close) {
        ADD_FAILURE() << "closing character ends the name early: " << Text;
        return {};
      }
      ++I;
    }
  }
  return Name;
}

TEST(QuoteIdent, PostgreSQL) {
  ExpectQuoting(PGSQLQuoteIdent, {{"abc", "abc"},
                                  {"_a1$", "_a1$"},
                                  {"alter", "alter"},
                                  {"Abc", "\"Abc\""},
                                  {"a-b", "\"a-b\""},
                                  {"1a", "\"1a\""},
                                  {"$a", "\"$a\""},
                                  {"user", "\"user\""},
                                  {"table", "\"table\""},
                                  {"window", "\"window\""},  // reserved by today's servers
                                  {"returning", "\"returning\""},
                                  {"a\"b", "\"a\"\"b\""},
                                  {"", ""}});
}

TEST(QuoteIdent, Oracle) {
  ExpectQuoting(OracleQuoteIdent, {{"EMP", "EMP"},
                                   {"EMP_1#", "EMP_1#"},
                                   {"A$B", "A$B"},
                                   {"MyTable", "\"MyTable\""},
                                   {"TABLE", "\"TABLE\""},
                                   {"table", "\"table\""},
                                   {"ROWID", "\"ROWID\""},
                                   {"A B", "\"A B\""},
                                   {"A-B", "\"A-B\""},
                                   {"1A", "\"1A\""},
                                   {"_A", "\"_A\""},
                                   {"A\"B", "\"A\"\"B\""},
                                   {"", ""}});
}

TEST(QuoteIdent, SQLAnywhere) {
  const auto Quote = [](const std::string& S) { return ASAQuoteIdent(S, st_ASA9); };
  ExpectQuoting(Quote, {{"abc", "abc"},
                        {"_x1", "_x1"},
                        {"#tmp", "#tmp"},
                        {"@v", "@v"},
                        {"rename", "rename"},
                        {"order", "\"ORDER\""},      // keyword: upper-cased
                        {"where", "\"WHERE\""},      // second list only
                        {"between", "\"BETWEEN\""},  // in both lists
                        {"remame", "\"REMAME\""},
                        {"uniqueidentifier", "\"UNIQUEIDENTIFIER\""},
                        {"my col", "\"my col\""},  // unusual: kept as written
                        {"1abc", "\"1abc\""},
                        {"a\"b", "\"a\"\"b\""},
                        {"", ""}});
  EXPECT_EQ(ASAQuoteIdent("order", st_ASA5), "\"ORDER\"");
}

TEST(QuoteIdent, MySQL) {
  ExpectQuoting(MySQLQuoteIdent,
                {{"ORDERS", "ORDERS"},
                 {"T$1", "T$1"},
                 {"\xC3\x84PFEL", "\xC3\x84PFEL"},  // non-ASCII bytes are name characters
                 {"Orders", "`Orders`"},
                 {"ORDER", "`ORDER`"},
                 {"FIELD", "`FIELD`"},
                 {"RANGE", "`RANGE`"},  // reserved by MariaDB 10.11
                 {"MY COL", "`MY COL`"},
                 {"A;B", "`A;B`"},
                 {"1ABC", "`1ABC`"},
                 {"A`B", "`A``B`"},
                 {"", ""}});
}

TEST(QuoteIdent, DB2) {
  ExpectQuoting(DB2QuoteIdent, {{"EMPLOYEE", "EMPLOYEE"},
                                {"A#1", "A#1"},
                                {"A@B$C", "A@B$C"},
                                {"DATE", "DATE"},  // an identifier to this dialect
                                {"Employee", "\"Employee\""},
                                {"table", "\"table\""},
                                {"TABLE", "\"TABLE\""},
                                {"1ST", "\"1ST\""},
                                {"A-B", "\"A-B\""},
                                {"A\"B", "\"A\"\"B\""},
                                {"", ""}});
}

TEST(QuoteIdent, LocalSQL) {
  ExpectQuoting(LocalSQLQuoteIdent, {{"Active", "Active"},  // the keyword is IACTIVE
                                     {"my field", "my field"},
                                     {"Date", "\"Date\""},
                                     {"iactive", "\"iactive\""},
                                     {"Committed", "Committed"},
                                     {"a\"b", "\"a\"\"b\""},
                                     {"", ""}});
}

TEST(QuoteIdent, SQLServer) {
  ExpectQuoting(MSSQLQuoteIdent, {{"Employee", "Employee"},
                                  {"@p1", "@p1"},
                                  {"#tmp", "#tmp"},
                                  {"a$b", "a$b"},
                                  {"<TableName>", "<TableName>"},  // template placeholder
                                  {"order", "[order]"},
                                  {"Year", "[Year]"},  // ODBC and future keyword
                                  {"my col", "[my col]"},
                                  {"1a", "[1a]"},
                                  {"$a", "[$a]"},
                                  {"\xC3\xA9t\xC3\xA9", "[\xC3\xA9t\xC3\xA9]"},
                                  {"a]b", "[a]]b]"},
                                  {"<a]b>", "[<a]]b>]"},
                                  {"", ""}});
}

TEST(QuoteIdent, InterBaseDialect3) {
  const std::vector<std::pair<std::string, bool>> Cases = {
      {"", false},     {"ABC", false},  {"A$1_B", false},    {"ACTIVE", false},
      {"Abc", true},   {"A B", true},   {"1A", true},        {"_A", true},
      {"ORDER", true}, {"order", true}, {"LOCALTIME", true}, {"RDB$DB_KEY", true},
      {"A\"B", true}};
  for (auto Version : {st_InterBase_4x, st_FireBird_15, st_Firebird_25, st_InterBase_75})
    for (const auto& [Name, Expected] : Cases)
      EXPECT_EQ(IdentDialect3(Name, Version), Expected) << Name << " version " << int(Version);
}

// Whatever a name holds, the quoted text must read back as that same name.
TEST(QuoteIdent, QuotedNamesReadBackUnchanged) {
  const std::vector<std::string> Names = {"a\"b", "\"",  "\"\"x",  "a`b",    "`",  "a]b",
                                          "]",    "x]]", "my col", "a;b--c", "x'y"};
  for (const std::string& N : Names) {
    EXPECT_EQ(ReadQuoted(PGSQLQuoteIdent(N), '"', '"'), N);
    EXPECT_EQ(ReadQuoted(OracleQuoteIdent(N), '"', '"'), N);
    EXPECT_EQ(ReadQuoted(DB2QuoteIdent(N), '"', '"'), N);
    EXPECT_EQ(ReadQuoted(ASAQuoteIdent(N, st_ASA9), '"', '"'), N);
    EXPECT_EQ(ReadQuoted(MySQLQuoteIdent(N), '`', '`'), N);
    EXPECT_EQ(ReadQuoted(MSSQLQuoteIdent(N), '[', ']'), N);
  }
  for (const std::string N : {"a\"b", "\"", "x\"\""})
    EXPECT_EQ(ReadQuoted(LocalSQLQuoteIdent(N), '"', '"'), N);
}

TEST(SymbolByResWord, TellingRows) {
  EXPECT_EQ(PGSQLSymbolByResWord("where"), 122);
  EXPECT_EQ(PGSQLSymbolByResWord("Where"), 122);
  EXPECT_EQ(PGSQLSymbolByResWord("ALL"), 30);
  EXPECT_EQ(PGSQLSymbolByResWord("check"), 45);
  EXPECT_EQ(PGSQLSymbolByResWord("alter"), 1);
  EXPECT_EQ(PGSQLSymbolByResWord("window"), 1);  // quoted, but no keyword to the parser

  EXPECT_EQ(OracleSymbolByResWord("access"), 30);
  EXPECT_EQ(OracleSymbolByResWord("start"), 114);  // table order is not alphabetical here
  EXPECT_EQ(OracleSymbolByResWord("SELECT"), 115);
  EXPECT_EQ(OracleSymbolByResWord("With"), 141);
  EXPECT_EQ(OracleSymbolByResWord("type"), 1);

  EXPECT_EQ(ASASymbolByResWord("add", st_ASA9), 30);
  EXPECT_EQ(ASASymbolByResWord("work", st_ASA9), 140);
  EXPECT_EQ(ASASymbolByResWord("between", st_ASA9), 141);
  EXPECT_EQ(ASASymbolByResWord("values", st_ASA9), 147);
  EXPECT_EQ(ASASymbolByResWord("UniqueIdentifier", st_ASA9), ASASymbolByResWord("UNIQUE", st_ASA9));
  EXPECT_EQ(ASASymbolByResWord("transaction", st_ASA9), ASASymbolByResWord("tran", st_ASA9));
  EXPECT_EQ(ASASymbolByResWord("rename", st_ASA9), 1);

  EXPECT_EQ(MySQLSymbolByResWord("add"), 30);
  EXPECT_EQ(MySQLSymbolByResWord("bool"), MySQLSymbolByResWord("BIT"));
  EXPECT_EQ(MySQLSymbolByResWord("TinyInt"), MySQLSymbolByResWord("BIT"));
  EXPECT_EQ(MySQLSymbolByResWord("integer"), MySQLSymbolByResWord("int"));
  EXPECT_EQ(MySQLSymbolByResWord("order"), 1);  // quoted, but no keyword to the parser

  EXPECT_EQ(DB2SymbolByResWord("add"), 30);
  EXPECT_EQ(DB2SymbolByResWord("years"), 110);
  EXPECT_EQ(DB2SymbolByResWord("character"), DB2SymbolByResWord("CHAR"));
  EXPECT_EQ(DB2SymbolByResWord("date"), 1);

  const std::vector<std::pair<std::string, int>> Local = {
      {"delete", 77},
      {"from", 99},
      {"insert", 116},
      {"into", 118},
      {"set", 190},
      {"update", 223},
      {"upper", 224},
      {"user", 240},
      {"year", 254},
      {"int", 117},
      {"integer", 117},
      {"asc", 38},
      {"ascending", 38},
      {"descending", 78},
      {"iactive", 30},
      {"active", 1},
      {"commited", LocalSQLSymbolByResWord("COMMITED")},
      {"committed", 1}};
  for (const auto& [Word, Symbol] : Local) EXPECT_EQ(LocalSQLSymbolByResWord(Word), Symbol) << Word;
  EXPECT_NE(LocalSQLSymbolByResWord("commited"), 1);
}

TEST(SymbolByResWord, NonKeywordsAreIdentifiers) {
  for (const std::string W : {"", "x", "wher", "wheree", "where ", "_", "ñ", "CREATE_", "a\"b"}) {
    EXPECT_EQ(PGSQLSymbolByResWord(W), 1) << W;
    EXPECT_EQ(OracleSymbolByResWord(W), 1) << W;
    EXPECT_EQ(ASASymbolByResWord(W, st_ASA9), 1) << W;
    EXPECT_EQ(MySQLSymbolByResWord(W), 1) << W;
    EXPECT_EQ(DB2SymbolByResWord(W), 1) << W;
    EXPECT_EQ(LocalSQLSymbolByResWord(W), 1) << W;
  }
}

// Every row is found, in lower case too, with its own symbol: the search must cover the whole
// table however its order differs from the alphabet.
template <std::size_t N>
void ExpectEveryRowFound(const std::array<TResWordRow, N>& Rows,
                         const std::function<int(std::string_view)>& Lookup) {
  for (const auto& [Word, Symbol] : Rows) {
    if (Word.front() == '_') continue;  // the MySQL pseudo-word "_<charset>" is no word to look up
    EXPECT_EQ(Lookup(Word), Symbol) << Word;
    EXPECT_EQ(Lookup(Lower(Word)), Symbol) << Word;
  }
}

TEST(SymbolByResWord, EveryRowFoundInAnyCase) {
  ExpectEveryRowFound(PGSQLResWords, PGSQLSymbolByResWord);
  ExpectEveryRowFound(OracleResWords, OracleSymbolByResWord);
  ExpectEveryRowFound(ASAResWords,
                      [](std::string_view W) { return ASASymbolByResWord(W, st_ASA9); });
  ExpectEveryRowFound(MySQLResWords, MySQLSymbolByResWord);
  ExpectEveryRowFound(DB2ResWords, DB2SymbolByResWord);
  ExpectEveryRowFound(LocalSQLResWords, LocalSQLSymbolByResWord);
}

// Keywords that would otherwise pass as bare names (upper case, plain characters) are quoted.
std::string DoubleQuoted(std::string_view Word) {
  return std::string(1, '"').append(Word).append(1, '"');
}

TEST(QuoteIdent, EveryKeywordQuoted) {
  for (const auto& [Word, Symbol] : PGSQLResWords)
    EXPECT_EQ(PGSQLQuoteIdent(Lower(Word)), DoubleQuoted(Lower(Word)));
  for (const auto& [Word, Symbol] : OracleResWords)
    EXPECT_EQ(OracleQuoteIdent(std::string(Word)), DoubleQuoted(Word));
  for (const auto& [Word, Symbol] : DB2ResWords)
    EXPECT_EQ(DB2QuoteIdent(std::string(Word)), DoubleQuoted(Word));
  for (const auto& [Word, Symbol] : ASAResWords)
    EXPECT_EQ(ASAQuoteIdent(Lower(Word), st_ASA9), DoubleQuoted(Word));
  for (const auto& [Word, Symbol] : LocalSQLResWords)
    EXPECT_EQ(LocalSQLQuoteIdent(Lower(Word)), DoubleQuoted(Lower(Word)));
}

}  // namespace
}  // namespace qel
