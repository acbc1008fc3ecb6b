// Tests of the shared vocabulary: string literals, terminators, text functions, sets, records.
#include <gtest/gtest.h>

#include "qelTypes.h"

using namespace qel;

TEST(ScriptQuotedStr, EmptyTextIsTwoQuotesInEveryDialect) {
  for (int D = dbAbstract; D <= dbCustomOLEDB; ++D)
    EXPECT_EQ(ScriptQuotedStr("", static_cast<TDatabaseType>(D)), "''") << D;
}

TEST(ScriptQuotedStr, MySQLEscapesWithBackslashes) {
  EXPECT_EQ(ScriptQuotedStr("\\", dbMySQL), "'\\\\'");
  EXPECT_EQ(ScriptQuotedStr("a\r\nb", dbMySQL), "'a\\r\\nb'");
  EXPECT_EQ(ScriptQuotedStr("it's \"x\"", dbMySQL), "'it\\'s \\\"x\\\"'");
  EXPECT_EQ(ScriptQuotedStr(std::string("a\0b\tc\x1a\b", 7), dbMySQL), "'a\\0b\\tc\\Z\\b'");
}

TEST(ScriptQuotedStr, PostgreSQLDoublesQuotesAndUsesEscapeStringsOnlyWhenNeeded) {
  EXPECT_EQ(ScriptQuotedStr("a'b", dbPostgreSQL), "'a''b'");
  // Line breaks stay raw inside the quotes.
  EXPECT_EQ(ScriptQuotedStr("a\rb", dbPostgreSQL), "'a\rb'");
  // A backslash must read back as itself whatever standard_conforming_strings says.
  EXPECT_EQ(ScriptQuotedStr("c:\\dir", dbPostgreSQL), "E'c:\\x5cdir'");
  EXPECT_EQ(ScriptQuotedStr("a\tb'", dbPostgreSQL), "E'a\\tb'''");
}

TEST(ScriptQuotedStr, OtherDialectsOnlyDoubleSingleQuotes) {
  EXPECT_EQ(ScriptQuotedStr("O'Brien\\x", dbMSSQL), "'O''Brien\\x'");
  EXPECT_EQ(ScriptQuotedStr("''", dbInterBase), "''''''");
  EXPECT_EQ(ScriptQuotedStr("a\nb", dbOracle), "'a\nb'");
}

TEST(GenScriptTerm, PerDialect) {
  EXPECT_EQ(GenScriptTerm(dbMSSQL), "\r\nGO\r\n");
  EXPECT_EQ(GenScriptTerm(dbSybaseASE), "\r\ngo\r\n");
  EXPECT_EQ(GenScriptTerm(dbSybaseASA), "\r\ngo\r\n");
  EXPECT_EQ(GenScriptTerm(dbOracle), ";\r\n");
  EXPECT_EQ(GenScriptTerm(dbPostgreSQL), ";\r\n");
}

TEST(TextFunctions, SchObjNameAndValidateFileName) {
  EXPECT_EQ(SchObjName("", "T"), "T");
  EXPECT_EQ(SchObjName("dbo", "T"), "dbo.T");
  const std::string Bad = "a:b?c\"*+/;<=>\\|";
  const std::string Clean = ValidateFileName(Bad);
  EXPECT_EQ(Clean.size(), Bad.size());
  EXPECT_EQ(Clean, "a b c" + std::string(10, ' '));
}

TEST(TextFunctions, TryStrToInt) {
  std::int32_t V = 0;
  EXPECT_TRUE(TryStrToInt("-42", V));
  EXPECT_EQ(V, -42);
  EXPECT_TRUE(TryStrToInt("+7", V));
  EXPECT_EQ(V, 7);
  EXPECT_FALSE(TryStrToInt("12a", V));
  EXPECT_EQ(V, 12);  // the part converted before the stray letter
  EXPECT_FALSE(TryStrToInt("", V));
  EXPECT_FALSE(TryStrToInt("-", V));
  EXPECT_FALSE(TryStrToInt("2147483648", V));
  EXPECT_TRUE(TryStrToInt("-2147483648", V));
  EXPECT_EQ(V, INT32_MIN);
}

TEST(TextFunctions, CommentTextCannotEndTheComment) {
  EXPECT_EQ(SafeBlockComment("a */ drop table t; /*"), "a * / drop table t; / *");
  EXPECT_EQ(SafeBlockComment("**/"), "** /");
  EXPECT_EQ(SafeBlockComment("/*/"), "/ * /");
  EXPECT_EQ(SafeLineComment("one\r\ntwo\nthree"), "one  two three");
}

TEST(Sets, MembersUnionDifferenceAndMask) {
  TCmpObjSetType All = AllCmpObjTypes();
  EXPECT_EQ(All.Mask(), 0x7FFFFFu);
  EXPECT_EQ(All.Count(), 23u);
  TCmpObjSetType S{coTable, coView};
  EXPECT_TRUE(S.Contains(coView));
  EXPECT_FALSE(S.Contains(coDomain));
  S.Exclude(coView);
  EXPECT_EQ(S, TCmpObjSetType{coTable});
  EXPECT_TRUE((All - S).Contains(coView));
  EXPECT_FALSE((All - S).Contains(coTable));
  EXPECT_EQ((All * S), S);
  EXPECT_TRUE(S.SubsetOf(All));
  EXPECT_EQ(TCmpObjSetType::FromMask(All.Mask()), All);
  TGrantPrivilegeSet G{gntForceAnyTransaction};
  EXPECT_TRUE(G.Contains(gntForceAnyTransaction));
  TSymSet Sym{std::uint8_t{255}, std::uint8_t{0}};
  EXPECT_EQ(Sym.Count(), 2u);
}

TEST(StatTypeStr, Names) {
  EXPECT_STREQ(StatTypeStr[stConnect], "Connect");
  EXPECT_STREQ(StatTypeStr[stReconnect], "ReConnect");
  EXPECT_STREQ(StatTypeStr[stSetBlobFile], "BlobFile");
  EXPECT_STREQ(StatTypeStr[st_Commit], "Commit");
  EXPECT_STREQ(StatTypeStr[stPackage], "Package");
}

TEST(OptionRecords, TableSpaceDef) {
  TTableSpace T;
  EXPECT_EQ(T.Def(), "");
  EXPECT_TRUE(T.IsEmpty());
  T.Storage = "(initial 64k)";
  EXPECT_EQ(T.Def(), "storage\r\n(initial 64k)");
  T.PctFree = 10;
  T.MaxTrans = 5;
  EXPECT_EQ(T.Def(), "pctfree 10\r\n   maxtrans 5\r\n   storage\r\n(initial 64k)");
  T.Clear();
  EXPECT_TRUE(T.IsEmpty());
}

TEST(OptionRecords, TableSpaceAssignDiffsFillsOnlyUnsetFields) {
  TTableSpace A, B;
  A.PctFree = 10;
  B.PctFree = 20;
  B.IniTrans = 2;
  A.Storage = "x";
  A.AssignDiffs(B);
  EXPECT_EQ(A.PctFree, 10);
  EXPECT_EQ(B.PctFree, 20);
  EXPECT_EQ(A.IniTrans, 2);
  EXPECT_EQ(B.Storage, "x");
}

TEST(OptionRecords, TypeDirectiveAndIndexOptions) {
  TTypeDirective D;
  D.NotFinal = true;
  D.Overriding = true;
  EXPECT_EQ(D.Def(), "OVERRIDING NOT FINAL ");
  TIndexOptions O;
  EXPECT_EQ(O.Def(), "");
  O.MaxDop = 4;
  EXPECT_EQ(O.Def(), "(MAXDOP = 4)");
  O.PadIndex = true;
  O.FillFactor = 80;
  EXPECT_EQ(O.Def(), "(PAD_INDEX = ON, FILLFACTOR = 80, MAXDOP = 4)");
  O.Clear();
  EXPECT_EQ(O.Def(), "");
}
