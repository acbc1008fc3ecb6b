// The parser framework's reader and tokenizer: symbols, values, positions and error reports.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Strings.h"
#include "qelParser.h"

namespace qel {
namespace {

struct TToken {
  std::uint8_t Sy;
  std::string Text;  // Ident, StrValue (strings and numbers) or empty
  bool operator==(const TToken& O) const { return Sy == O.Sy && Text == O.Text; }
};

std::ostream& operator<<(std::ostream& Os, const TToken& T) {
  return Os << "{" << int(T.Sy) << ", \"" << T.Text << "\"}";
}

/// A SQL parser that records every error instead of showing it.
class TTestParser : public TCustomSQLParser {
 public:
  explicit TTestParser(TDatabaseType Dialect = dbAbstract) : TCustomSQLParser(nullptr) {
    SetDatabaseType(Dialect);
    OnErrorMessage = [this](TObject*, const std::string& Text) { Shown.push_back(Text); };
  }
  std::vector<std::string> Shown;

  std::vector<TToken> Tokens(const std::string& Text) {
    AssignTxt(Text);
    std::vector<TToken> Result;
    for (GetSy(); Sy != syEOF; GetSy()) {
      std::string Value;
      if (Sy == syIdent || Sy >= syFirstResWord)
        Value = Ident;
      else if (Sy == syString || Sy == syInteger || Sy == syFloat)
        Value = StrValue;
      Result.push_back({Sy, Value});
    }
    return Result;
  }
  /// Reads only the first symbol of Text.
  void First(const std::string& Text) {
    AssignTxt(Text);
    GetSy();
  }
  int Errors() const { return MsgManager.GetErrCount(); }
  const TMsgData& Msg(int I) const { return MsgManager.Items(I); }
};

// ---------------------------------------------------------------------------------------------
// Reader

TEST(ParserReader, EmptyScriptIsEndOfTextAtOnce) {
  TTestParser P;
  EXPECT_TRUE(P.Tokens("").empty());
  EXPECT_TRUE(P.Tokens(" \r\n\t ").empty());
  EXPECT_EQ(P.MsgManager.GetMsgCount(), 0);
  EXPECT_TRUE(P.Shown.empty());
}

TEST(ParserReader, LinesAndColumnsCountFromOne) {
  TTestParser P;
  P.AssignTxt("ab\r\n  cd");
  EXPECT_EQ(P.Ch, 'a');
  EXPECT_EQ(P.GetPosY(), 1);
  EXPECT_EQ(P.GetPosX(), 1);
  P.GetSy();  // AB
  EXPECT_EQ(P.SyPos, 1);
  P.GetSy();  // CD: line 2, column 3
  EXPECT_EQ(P.Ident, "CD");
  EXPECT_EQ(P.SyPos, 7);
  EXPECT_EQ(P.CopyTxt(P.SyPos, 2), "cd");
  EXPECT_EQ(P.GetPosY(), 2);
  // The LF of a CR LF is column 0 of the next line; the CR the last byte of its own.
  P.AssignTxt("x\r\ny");
  P.GetChar();
  EXPECT_EQ(P.Ch, '\r');
  EXPECT_EQ(P.GetPosX(), 2);
  P.GetChar();
  EXPECT_EQ(P.Ch, '\n');
  EXPECT_EQ(P.GetPosY(), 2);
  EXPECT_EQ(P.GetPosX(), 0);
  P.GetChar();
  EXPECT_EQ(P.GetPosX(), 1);
}

TEST(ParserReader, NeverReadsPastTheEnd) {
  TTestParser P;
  P.AssignTxt("a");
  EXPECT_EQ(P.CurCh(), '\0');
  EXPECT_EQ(P.NextCh(), '\0');
  for (int I = 0; I < 3; ++I) EXPECT_EQ(P.GetChar(), '\0');
  EXPECT_TRUE(P.AtEndOfText());
  EXPECT_EQ(P.CopyTxt(1, 100), "a");
  EXPECT_EQ(P.CopyTxt(5, 2), "");
  // A NUL byte inside the text is a character (reported), not the end of the text.
  auto T = P.Tokens(std::string("a\0b", 3));
  ASSERT_EQ(T.size(), 2u);
  EXPECT_EQ(T[1], (TToken{syIdent, "B"}));
  ASSERT_EQ(P.Errors(), 1);
  EXPECT_EQ(P.Msg(0).Text, "Invalid char in source text: \"#0\".");
}

TEST(ParserReader, CtrlZReadsAsBlank) {
  TTestParser P;
  EXPECT_EQ(P.Tokens("a\x1A"
                     "b"),
            (std::vector<TToken>{{syIdent, "A"}, {syIdent, "B"}}));
  EXPECT_EQ(P.Errors(), 0);
}

TEST(ParserReader, ProgressReportsEachLineOfTheScript) {
  TTestParser P;
  std::vector<std::pair<int, int>> Calls;
  P.OnProgressUpdate = [&](TObject*, int V, int M) { Calls.emplace_back(V, M); };
  std::vector<std::string> Log;
  P.OnLogNextLine = [&](TObject*, const std::string& Text) { Log.push_back(Text); };
  P.ScriptName = "s.sql";
  TStringList Lines;
  Lines.SetText("a\nb\nc");
  P.ParseScript(Lines, nullptr);
  ASSERT_FALSE(Calls.empty());
  EXPECT_EQ(Calls.front(), std::make_pair(1, 3));
  EXPECT_EQ(Calls.back(), std::make_pair(4, 3));  // after the last line break
  ASSERT_FALSE(Log.empty());
  EXPECT_EQ(Log.front(), "Parse Script: s.sql");
  EXPECT_EQ(P.LengthTxt(), 0);  // the text is freed after the parse

  Calls.clear();
  P.ShowProgress = false;
  P.ParseScript(Lines, nullptr);
  EXPECT_TRUE(Calls.empty());
}

// ---------------------------------------------------------------------------------------------
// Strings and quoted names

TEST(ParserStrings, DoubledQuotesStandForThemselves) {
  TTestParser P;
  auto T = P.Tokens("'it''s' \"a\"\"b\" `c``d` ''");
  EXPECT_EQ(T, (std::vector<TToken>{
                   {syString, "it's"}, {syString, "a\"b"}, {syString, "c`d"}, {syString, ""}}));
  P.Tokens("\"My Table\"");
  EXPECT_EQ(P.QuoteChar, '"');
  EXPECT_EQ(P.StrValue, "My Table");
  EXPECT_EQ(P.Errors(), 0);
}

TEST(ParserStrings, BackslashEscapesOnlyInMySQL) {
  TTestParser My(dbMySQL);
  EXPECT_EQ(My.Tokens(R"('a\nb\'c\\\Z')")[0].Text, std::string("a\nb'c\\\x1A"));
  TTestParser Pg(dbPostgreSQL);
  EXPECT_EQ(Pg.Tokens(R"('a\nb')")[0].Text, R"(a\nb)");
  // In MySQL a back-slash before the closing quote escapes it: the string is unterminated.
  My.Tokens(R"('abc\')");
  EXPECT_EQ(My.Errors(), 1);
}

TEST(ParserStrings, StringsSpanLines) {
  TTestParser P;
  auto T = P.Tokens("'a\r\nb' x");
  EXPECT_EQ(T[0].Text, "a\r\nb");
  EXPECT_EQ(P.GetPosY(), 2);
}

TEST(ParserStrings, UnterminatedStringIsAnErrorAtItsStart) {
  for (const char* Text : {"x = 'abc", "x = \"abc", "x = 'ab''", "x = '"}) {
    TTestParser P;
    auto T = P.Tokens(Text);
    ASSERT_EQ(P.Errors(), 1) << Text;
    EXPECT_EQ(P.Msg(0).Text, "Unterminated string.");
    EXPECT_EQ(P.Msg(0).Line, 1);
    EXPECT_EQ(P.Msg(0).Column, 5) << Text;
    EXPECT_EQ(T.back().Sy, syString);
  }
  TTestParser P;
  P.Tokens("a\r\n  'open\r\nmore");
  ASSERT_EQ(P.Errors(), 1);
  EXPECT_EQ(P.Msg(0).Line, 2);
  EXPECT_EQ(P.Msg(0).Column, 3);
}

// ---------------------------------------------------------------------------------------------
// Numbers

TEST(ParserNumbers, IntegersAndFloats) {
  TTestParser P;
  auto T = P.Tokens("42 1.5E+3 .5 1e5 7.");
  EXPECT_EQ(T, (std::vector<TToken>{{syInteger, "42"},
                                    {syFloat, "1.5E+3"},
                                    {syFloat, ".5"},
                                    {syFloat, "1e5"},
                                    {syFloat, "7."}}));
  P.Tokens("1.5E+3");
  EXPECT_DOUBLE_EQ(static_cast<double>(P.FloatValue), 1500.0);
  P.Tokens("42");
  EXPECT_EQ(P.IntValue, 42);
}

TEST(ParserNumbers, NumberBoundaries) {
  TTestParser P;
  // "1..2" is the float 1. followed by the float .2.
  EXPECT_EQ(P.Tokens("1..2"), (std::vector<TToken>{{syFloat, "1."}, {syFloat, ".2"}}));
  // A sign belongs to an exponent only right after the E.
  EXPECT_EQ(P.Tokens("1E5-3"),
            (std::vector<TToken>{{syFloat, "1E5"}, {syMinus, ""}, {syInteger, "3"}}));
  // An E that no digit follows starts the next symbol.
  EXPECT_EQ(P.Tokens("1END"), (std::vector<TToken>{{syInteger, "1"}, {syIdent, "END"}}));
  EXPECT_EQ(P.Tokens("2e+x"),
            (std::vector<TToken>{{syInteger, "2"}, {syIdent, "E"}, {syPlus, ""}, {syIdent, "X"}}));
  EXPECT_EQ(P.Tokens("t.c"), (std::vector<TToken>{{syIdent, "T"}, {syDot, ""}, {syIdent, "C"}}));
  // Too large for 32 bits: the digits are kept, the value saturates.
  P.Tokens("99999999999");
  EXPECT_EQ(P.StrValue, "99999999999");
  EXPECT_EQ(P.IntValue, 2147483647);
  EXPECT_EQ(P.Errors(), 0);
}

TEST(ParserNumbers, SignedIntegerConstant) {
  TTestParser P;
  P.AssignTxt("- 5");
  P.GetSy();
  EXPECT_EQ(P.GetIntConst(), "-5");
  EXPECT_EQ(P.IntValue, -5);
  P.AssignTxt("+7");
  P.GetSy();
  EXPECT_EQ(P.GetIntConst(), "+7");
  EXPECT_EQ(P.IntValue, 7);
  P.AssignTxt("-x");
  P.GetSy();
  P.GetIntConst();
  ASSERT_EQ(P.Errors(), 1);
  EXPECT_EQ(P.Msg(0).Text, "Missing: <Integer value> (<Ident>: X)");
}

// ---------------------------------------------------------------------------------------------
// Identifiers and keywords

class TKeywordParser : public TTestParser {
 public:
  TKeywordParser() { BuildResWords(); }
  void BuildResWords() override {
    TCustomParser::BuildResWords();
    ResWords.AddResWord("CREATE", 30);
    ResWords.AddResWord("TABLE", 31);
    ResWords.AddResWord("INT", 32);
    ResWords.AddResWord("INTEGER", 32);
  }
};

TEST(ParserIdents, KeywordsKeepTheirCaseIdentifiersAreUpperCased) {
  TKeywordParser P;
  auto T = P.Tokens("create Table my_tab$1 (id integer)");
  EXPECT_EQ(T, (std::vector<TToken>{{30, "create"},
                                    {31, "Table"},
                                    {syIdent, "MY_TAB$1"},
                                    {syLParen, ""},
                                    {syIdent, "ID"},
                                    {32, "integer"},
                                    {syRParen, ""}}));
  P.First("create");
  EXPECT_EQ(P.GetSyWord(), "CREATE");
  P.First("int");
  EXPECT_EQ(P.GetSyWord(), "INTEGER");  // the last word in sorted order that carries the symbol
}

TEST(ParserIdents, LeadingUnderscoreIsReportedThenReadOn) {
  TTestParser P;
  EXPECT_EQ(P.Tokens("_abc"), (std::vector<TToken>{{syIdent, "ABC"}}));
  ASSERT_EQ(P.Errors(), 1);
  EXPECT_EQ(P.Msg(0).Text, "Invalid char in source text: \"_\".");
  EXPECT_EQ(P.Msg(0).Column, 1);
}

TEST(ParserIdents, IsIdentAndTestIdent) {
  TTestParser P;
  P.First("owner");
  EXPECT_TRUE(P.IsIdent("Owner"));
  EXPECT_FALSE(P.IsIdent("own"));
  P.TestIdent("Owner");
  EXPECT_EQ(P.Errors(), 0);
  P.TestIdent("to");
  ASSERT_EQ(P.Errors(), 1);
  EXPECT_EQ(P.Msg(0).Text, "Must be: TO");
}

TEST(ResWordList, LookupRules) {
  TResWordList L;
  L.AddResWord("Select", 40);
  L.AddResWord("FROM", 41);
  L.AddResWord("select", 99);  // already present: the first entry and symbol stay
  EXPECT_EQ(L.Count(), 2);
  EXPECT_EQ(L.GetSymbolByWord("SELECT"), 40);
  EXPECT_EQ(L.GetSymbolByWord("from"), 41);
  EXPECT_EQ(L.GetSymbolByWord("FRO"), 0);
  EXPECT_EQ(L.GetSymbolByWord(""), 0);
  EXPECT_EQ(L.GetWordBySymbol(41), "FROM");
  EXPECT_EQ(L.GetWordBySymbol(99), "<\?\?\?>");
  EXPECT_EQ(L.GetSymbol(0), 41);  // sorted: FROM, Select
  EXPECT_EQ(L.GetSymbol(5), 0);
  // Changes made inside an update are seen at once.
  L.BeginUpdate();
  L.AddResWord("WHERE", 42);
  EXPECT_EQ(L.GetSymbolByWord("where"), 42);
  L.Delete(L.IndexOf("FROM"));
  EXPECT_EQ(L.GetSymbolByWord("from"), 0);
  L.EndUpdate();
  EXPECT_EQ(L.GetWordBySymbol(41), "<\?\?\?>");
  L.Clear();
  EXPECT_EQ(L.GetSymbolByWord("Select"), 0);
}

TEST(ResWordList, ManyWordsAllFound) {
  TResWordList L;
  for (int I = 0; I < 200; ++I)
    L.AddResWord("KW" + std::to_string(I), static_cast<std::uint8_t>(30 + I % 200));
  for (int I = 0; I < 200; ++I) {
    EXPECT_EQ(L.GetSymbolByWord("kw" + std::to_string(I)), 30 + I % 200);
    EXPECT_EQ(L.GetSymbolByWord("KW" + std::to_string(I) + "X"), 0);
  }
}

TEST(ParserIdents, BaseSymbolWords) {
  TTestParser P;
  EXPECT_EQ(P.ResWordBySymbol(syEOF), "<EOF>");
  EXPECT_EQ(P.ResWordBySymbol(syConcat), "<||>");
  EXPECT_EQ(P.ResWordBySymbol(syLess), "\"<\"");
  EXPECT_EQ(P.ResWordBySymbol(syNotEqual), "[<>]");
  EXPECT_EQ(P.ResWordBySymbol(syBackslash), "\\");
  EXPECT_EQ(P.ResWordBySymbol(200), "<\?\?\?>");
}

// ---------------------------------------------------------------------------------------------
// Operators

std::vector<std::uint8_t> Symbols(TTestParser& P, const std::string& Text) {
  std::vector<std::uint8_t> R;
  for (const auto& T : P.Tokens(Text)) R.push_back(T.Sy);
  return R;
}

TEST(ParserOperators, PunctuationAndComparisons) {
  TTestParser P;
  EXPECT_EQ(Symbols(P, "( ) , - + * / ; = . : [ ] @ \\ % & || <= >= == < >"),
            (std::vector<std::uint8_t>{
                syLParen,    syRParen,       syComma,       syMinus,   syPlus,      syAsterisk,
                sySlash,     syTerm,         syEqual,       syDot,     syColon,     syLBracket,
                syRBracket,  syAt,           syBackslash,   syPercent, syAmpersand, syConcat,
                syLessEqual, syGreaterEqual, syDoubleEqual, syLess,    syGreater}));
  EXPECT_EQ(P.Errors(), 0);
}

TEST(ParserOperators, NotEqualWithBlanksOnlyInSqlServerAndAse) {
  for (TDatabaseType D : {dbAbstract, dbInterBase, dbMySQL, dbPostgreSQL, dbMSSQL, dbSybaseASE}) {
    TTestParser P(D);
    const bool Blanks = D == dbMSSQL || D == dbSybaseASE;
    EXPECT_EQ(Symbols(P, "a<>b"), (std::vector<std::uint8_t>{syIdent, syNotEqual, syIdent}));
    EXPECT_EQ(Symbols(P, "a!=b"), (std::vector<std::uint8_t>{syIdent, syNotEqual, syIdent}));
    EXPECT_EQ(Symbols(P, "a < > b"),
              Blanks ? (std::vector<std::uint8_t>{syIdent, syNotEqual, syIdent})
                     : (std::vector<std::uint8_t>{syIdent, syLess, syGreater, syIdent}));
    EXPECT_EQ(Symbols(P, "a !\r\n= b"),
              Blanks ? (std::vector<std::uint8_t>{syIdent, syNotEqual, syIdent})
                     : (std::vector<std::uint8_t>{syIdent, syEqual, syIdent}));
    EXPECT_EQ(P.Errors(), Blanks ? 0 : 1) << int(D);
  }
}

TEST(ParserOperators, StrayCharacterIsAnErrorAtItsPosition) {
  TTestParser P;
  auto T = P.Tokens("create table t\r\n  (a int ! b)");
  // The parse goes on after the error: "!" is not the end of the script.
  ASSERT_EQ(T.size(), 8u);
  EXPECT_EQ(T.back().Sy, syRParen);
  ASSERT_EQ(P.Errors(), 1);
  EXPECT_EQ(P.Msg(0).Text, "Invalid char in source text: \"!\".");
  EXPECT_EQ(P.Msg(0).Line, 2);
  EXPECT_EQ(P.Msg(0).Column, 10);
  // Other characters no dialect scanner takes: each reported where it stands.
  TTestParser Q;
  EXPECT_EQ(Symbols(Q, "a ? b # c | d"),
            (std::vector<std::uint8_t>{syIdent, syIdent, syIdent, syIdent}));
  ASSERT_EQ(Q.Errors(), 3);
  EXPECT_EQ(Q.Msg(0).Column, 3);
  EXPECT_EQ(Q.Msg(1).Column, 7);
  EXPECT_EQ(Q.Msg(2).Column, 11);
  // A UTF-8 character outside quotes is one invalid character, shown whole.
  TTestParser U;
  EXPECT_EQ(Symbols(U, "a \xC3\xA4 b \xC3"), (std::vector<std::uint8_t>{syIdent, syIdent}));
  ASSERT_EQ(U.Errors(), 2);
  EXPECT_EQ(U.Msg(0).Text, "Invalid char in source text: \"\xC3\xA4\".");
  EXPECT_EQ(U.Msg(1).Column, 8);
  // A stray character at the very end is reported and ends the text.
  TTestParser R;
  EXPECT_EQ(Symbols(R, "a !"), (std::vector<std::uint8_t>{syIdent}));
  EXPECT_EQ(R.Errors(), 1);
}

// ---------------------------------------------------------------------------------------------
// Comments

TEST(ParserComments, SkippedBetweenAndAroundTokens) {
  TTestParser P;
  auto T = P.Tokens("/* a */ /* b */-- c\r\nx/**/y -- d\r\n--e\r\n/*f*/z--");
  EXPECT_EQ(T, (std::vector<TToken>{{syIdent, "X"}, {syIdent, "Y"}, {syIdent, "Z"}}));
  EXPECT_EQ(P.Errors(), 0);
}

TEST(ParserComments, CommentTextAndLog) {
  TTestParser P;
  std::vector<std::string> Log;
  P.OnLogNextLine = [&](TObject*, const std::string& Text) { Log.push_back(Text); };
  P.DebugLogOptions.Include(dlComment);
  P.Tokens("/* one\r\ntwo */ x -- three\r\ny");
  EXPECT_EQ(Log, (std::vector<std::string>{"Comment:  one\r\ntwo ", "Comment:  three"}));
  EXPECT_EQ(P.Comment, " three");
  EXPECT_EQ(P.GetPosY(), 3);
}

TEST(ParserComments, BlockCommentsDoNotNest) {
  TTestParser P;
  // The comment ends at the first "*/"; what follows is read as symbols.
  EXPECT_EQ(Symbols(P, "/* a /* b */ c */"),
            (std::vector<std::uint8_t>{syIdent, syAsterisk, sySlash}));
  EXPECT_EQ(P.Errors(), 0);
}

TEST(ParserComments, UnterminatedCommentIsAnErrorAtItsStart) {
  TTestParser P;
  auto T = P.Tokens("x\r\n  /* no end\r\n y z");
  EXPECT_EQ(T, (std::vector<TToken>{{syIdent, "X"}}));
  ASSERT_EQ(P.Errors(), 1);
  EXPECT_EQ(P.Msg(0).Text, "Unterminated comment.");
  EXPECT_EQ(P.Msg(0).Line, 2);
  EXPECT_EQ(P.Msg(0).Column, 3);
  TTestParser Q;
  Q.Tokens("/*/");
  EXPECT_EQ(Q.Errors(), 1);
}

TEST(ParserComments, LineCommentEndsAtABareLineFeed) {
  TTestParser P;
  EXPECT_EQ(P.Tokens("-- c\nx"), (std::vector<TToken>{{syIdent, "X"}}));
}

// ---------------------------------------------------------------------------------------------
// Terminator

TEST(ParserTerminator, ChangesAndMultiCharacterTerminators) {
  TTestParser P;
  EXPECT_EQ(Symbols(P, "a;b"), (std::vector<std::uint8_t>{syIdent, syTerm, syIdent}));
  P.SetTermStr("^");
  EXPECT_EQ(Symbols(P, "a;b^"), (std::vector<std::uint8_t>{syIdent, sySemicolon, syIdent, syTerm}));
  P.SetTermStr("!!");  // a terminator wins over the scanner's own reading of its characters
  EXPECT_EQ(Symbols(P, "a!!b"), (std::vector<std::uint8_t>{syIdent, syTerm, syIdent}));
  EXPECT_EQ(P.Errors(), 0);
  P.SetTermStr("");  // no terminator recognition
  EXPECT_EQ(P.TermLen, 0);
  EXPECT_EQ(Symbols(P, "a;"), (std::vector<std::uint8_t>{syIdent, sySemicolon}));
  P.SetTermStr("GO");  // case-sensitive
  EXPECT_EQ(Symbols(P, "go GO"), (std::vector<std::uint8_t>{syIdent, syTerm}));
  P.SetTermStr("^^");  // a partial terminator at the end of the text is no terminator
  Symbols(P, "a^");
  EXPECT_EQ(P.Errors(), 1);
}

TEST(ParserTerminator, SkipStatementAndStatementText) {
  TTestParser P;
  std::string Seen;
  P.OnAddStatement = [&](TObject*, const std::string& aText, TStatType, const std::string& aName,
                         TDbObject, TDbOperation, const std::string&, TObject*& St) {
    Seen = aText + "|" + aName;
    St = nullptr;
  };
  P.AssignTxt("  insert into t values (1, ';');\r\n next");
  P.GetSy();
  P.StmtStart = P.SyPos;
  P.SkipStatement(TSymSet{syTerm});
  EXPECT_EQ(P.Sy, syTerm);
  EXPECT_EQ(P.CopyTxtFrom(P.StmtStart), "insert into t values (1, ';')");
  TObject* St = &P;
  P.DoAddStatement(stInsert, "T", dboTable, odbInsert, "", St);
  EXPECT_EQ(Seen, "insert into t values (1, ';')|T");
  EXPECT_EQ(St, nullptr);
  P.SkipStatement(TSymSet{syTerm});  // already there: nothing read
  EXPECT_EQ(P.Sy, syTerm);
  P.SkipStatement(TSymSet{syTerm});
  EXPECT_EQ(P.Sy, syTerm);
  P.GetSy();
  P.SkipStatement(TSymSet{syTerm});  // stops at the end of the text
  EXPECT_EQ(P.Sy, syEOF);
}

// ---------------------------------------------------------------------------------------------
// Error reporting

TEST(ParserErrors, FirstErrorShownEveryErrorListed) {
  TTestParser P;
  P.ScriptName = "db.sql";
  P.AssignTxt("a\r\n  b");
  P.GetSy();
  P.GetSy();
  P.TestSy(syLParen);
  P.ErrMsg("second");
  P.WrnMsg("warn");
  ASSERT_EQ(P.Shown.size(), 1u);
  EXPECT_EQ(P.Shown[0], "Missing: <(> (<Ident>: B)\r\nScript: db.sql Line:2 Pos:4\r\n");
  ASSERT_EQ(P.MsgManager.GetMsgCount(), 3);
  EXPECT_EQ(P.Errors(), 2);
  EXPECT_EQ(P.Msg(0).ScriptName, "db.sql");
  EXPECT_EQ(P.Msg(0).Line, 2);
  EXPECT_EQ(P.Msg(0).Column, 4);
  EXPECT_EQ(P.Msg(2).MsgType, mt_Wrn);
  // The message list carries over to the next script: still no second error box.
  P.AssignTxt("?");
  P.GetSy();
  EXPECT_EQ(P.Shown.size(), 1u);
  EXPECT_EQ(P.Errors(), 3);
}

TEST(ParserErrors, MissingTerminatorWording) {
  TTestParser P;
  P.Tokens("x");
  P.TestSy(syTerm);
  EXPECT_EQ(P.Msg(0).Text, "Missing: <TERM> (<EOF>)");
  // At the end of the text the position is just past the last character.
  EXPECT_EQ(P.Msg(0).Column, 2);
}

/// A scanner that never moves: the framework forces it on instead of looping for ever.
class TStuckParser : public TTestParser {
 public:
  void DoGetSy() override { Sy = syIdent; }
};

TEST(ParserErrors, StuckScannerIsForcedOn) {
  TStuckParser P;
  P.AssignTxt("abc");
  P.ParseText();
  EXPECT_TRUE(P.AtEndOfText());
  ASSERT_EQ(P.Shown.size(), 3u);
  EXPECT_EQ(P.Shown[0], "Parser TStuckParser deadlock.");
}

TEST(ParserErrors, AnyInputEndsWithoutOverrun) {
  // Truncated constructs at the very end of the text, then random bytes: every parse ends, and
  // the sanitizer build proves no byte past the text is read.
  const char* Tails[] = {"'", "\"", "`", "/*", "/", "-",  "--",   "1E",   "1E+", "1.", ".",
                         "!", "<",  ">", "=",  "|", "\\", "'a\\", "\x1A", "_",   "$",  "/* *"};
  for (TDatabaseType D : {dbAbstract, dbMySQL, dbMSSQL}) {
    for (const char* Tail : Tails) {
      TTestParser P(D);
      P.SetTermStr("^^");
      P.Tokens(std::string("x ") + Tail);
      EXPECT_TRUE(P.AtEndOfText());
    }
  }
  std::mt19937 Rng(12345);
  const std::string Alphabet = "ab1.E+-'\"`/*!<>=|\\\r\n ;^$_\x1A";
  for (int Round = 0; Round < 300; ++Round) {
    std::string Text;
    const int Len = static_cast<int>(Rng() % 40);
    for (int I = 0; I < Len; ++I)
      Text += (Rng() % 8 == 0) ? static_cast<char>(Rng() % 256) : Alphabet[Rng() % Alphabet.size()];
    TTestParser P(Round % 3 == 0 ? dbMySQL : dbMSSQL);
    P.Tokens(Text);
    EXPECT_TRUE(P.AtEndOfText());
    P.AssignTxt(Text);
    P.GetExpr();
    EXPECT_LE(P.SyPos, P.LengthTxt() + 1);
  }
}

// ---------------------------------------------------------------------------------------------
// Raw expressions, symbol log, key names, free functions

TEST(ParserExpr, BalancedGroupThenNextSymbol) {
  TTestParser P;
  std::vector<std::string> Log;
  P.OnLogNextLine = [&](TObject*, const std::string& Text) { Log.push_back(Text); };
  P.DebugLogOptions.Include(dlExpr);
  P.AssignTxt("  (a > (b + ')') and c = '(')\r\n  next");
  EXPECT_EQ(P.GetExpr(), "(a > (b + ')') and c = '(')");
  EXPECT_EQ(P.Sy, syIdent);
  EXPECT_EQ(P.Ident, "NEXT");
  EXPECT_EQ(Log, (std::vector<std::string>{"Expression: (a > (b + ')') and c = '(')"}));
  P.AssignTxt("x y");
  EXPECT_EQ(P.GetExpr(), "x");
  EXPECT_EQ(P.Ident, "Y");
}

TEST(ParserLog, SymbolLogLines) {
  TTestParser P;
  std::vector<std::string> Log;
  P.OnLogNextLine = [&](TObject*, const std::string& Text) { Log.push_back(Text); };
  P.DebugLogOptions.Include(dlSymbol);
  P.Tokens("ab 12 'x'");
  EXPECT_EQ(Log, (std::vector<std::string>{"(1,3) <Ident>: 1 =AB", "(1,6) <Integer value>: 4 =12",
                                           "(1,10) <String value>: 3 ='x'", "(1,10) <EOF>: 0"}));
}

TEST(ParserKeys, DefaultOwners) {
  const std::pair<TDatabaseType, std::string> Cases[] = {
      {dbMSSQL, "dbo.T"},         {dbSybaseASE, "dbo.T"}, {dbSybaseASA, "DBA.T"},
      {dbPostgreSQL, "public.T"}, {dbOracle, "T"},        {dbInterBase, "T"}};
  for (const auto& [D, Key] : Cases) {
    TTestParser P(D);
    EXPECT_EQ(P.ObjKeyName("T", "", true), Key);
    EXPECT_EQ(P.ObjKeyName("T", "", false), "T");
    EXPECT_EQ(P.ObjKeyName("T", "own", true), "own.T");
  }
}

TEST(ParserFree, TrimSQLText) {
  EXPECT_EQ(TrimSQLText("  \r\nselect 1  \nfrom t \r  \r\n"), "select 1\r\nfrom t");
  EXPECT_EQ(TrimSQLText(""), "");
}

TEST(ParserFree, DelDblParents) {
  EXPECT_EQ(DelDblParents("((x > 0))"), "(x > 0)");
  EXPECT_EQ(DelDblParents("(((x)))"), "(x)");
  EXPECT_EQ(DelDblParents("(x)"), "(x)");
  // The outer pair here encloses two groups: removing one parenthesis would break the text.
  EXPECT_EQ(DelDblParents("((a) + (b))"), "((a) + (b))");
  EXPECT_EQ(DelDblParents("((a = ')('))"), "(a = ')(')");
}

TEST(ParserGen, TermAndComment) {
  TTestParser P;
  EXPECT_EQ(P.GenTerm(), ";");
  EXPECT_EQ(P.GenComment("x"), "/* x */");
  EXPECT_EQ(P.GenComment("a */ b").find("*/ b"), std::string::npos);
}

}  // namespace
}  // namespace qel
