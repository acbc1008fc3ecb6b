// The data-script parser and the value text helpers of the table data comparer.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Strings.h"
#include "qelLocalSQLParser.h"
#include "qelTableDataComparer.h"

using namespace qel;

namespace {

struct TParsed {
  std::string Text;
  TStatType Type;
  std::string ObjName;
  TDbObject ObjType;
  TDbOperation Operation;
};

/// Parses Script and returns what the parser reported, statement by statement.
std::vector<TParsed> Parse(const std::string& Script, TDatabaseType Db = dbAbstract,
                           std::vector<std::string>* Errors = nullptr) {
  TLocalSQLParser P(nullptr);
  if (Db != dbAbstract) P.SetDatabaseType(Db);
  std::vector<TParsed> Out;
  P.OnAddStatement = [&](TObject*, const std::string& aText, TStatType aTyp,
                         const std::string& aObjName, TDbObject aObjType, TDbOperation aOperation,
                         const std::string&, TObject*& Statement) {
    Out.push_back({aText, aTyp, aObjName, aObjType, aOperation});
    Statement = nullptr;
  };
  P.OnErrorMessage = [](TObject*, const std::string&) {};
  TStringList Lines;
  Lines.SetText(Script);
  P.ParseScript(Lines, nullptr);
  if (Errors)
    for (int I = 0; I < P.MsgManager.GetMsgCount(); ++I)
      if (P.MsgManager.Items(I).MsgType == mt_Err) Errors->push_back(P.MsgManager.Items(I).Text);
  return Out;
}

}  // namespace

TEST(LocalSQLParser, ClassifiesDataStatementsInAnyCase) {
  const auto S = Parse(
      "insert into emp (id, name) values (1, 'a');\r\n"
      "UPDATE Emp SET name = 'b' WHERE id = 1;\r\n"
      "Delete From EMP Where id = 2;\r\n"
      "SET NAMES UTF8;\r\n"
      "SET BLOBFILE 'data.LOB';\r\n"
      "COMMIT WORK;\r\n");
  ASSERT_EQ(S.size(), 6u);
  EXPECT_EQ(S[0].Type, stInsert);
  EXPECT_EQ(S[0].ObjName, "EMP");
  EXPECT_EQ(S[0].ObjType, dboTable);
  EXPECT_EQ(S[0].Operation, odbInsert);
  EXPECT_EQ(S[0].Text, "insert into emp (id, name) values (1, 'a')");
  EXPECT_EQ(S[1].Type, stUpdate);
  EXPECT_EQ(S[1].ObjName, "EMP");
  EXPECT_EQ(S[1].Operation, odbUpdate);
  EXPECT_EQ(S[2].Type, stDelete);
  EXPECT_EQ(S[2].Operation, odbDelete);
  EXPECT_EQ(S[3].Type, stStatement);
  EXPECT_EQ(S[3].ObjName, "");
  EXPECT_EQ(S[4].Type, stSetBlobFile);
  EXPECT_EQ(S[4].ObjName, "data.LOB");
  EXPECT_EQ(S[4].ObjType, dboUnknown);
  EXPECT_EQ(S[5].Type, stStatement);
}

TEST(LocalSQLParser, ReadsEveryNameFormTheWritersProduce) {
  // Double quotes (PostgreSQL, InterBase), back quotes (MySQL), brackets (SQL Server), schema
  // qualification and bare names that are keywords here ("user", "value", "date").
  const auto S = Parse(
      "DELETE FROM \"My Table\" WHERE ID = 1;\r\n"
      "INSERT INTO `order items` (`a`) VALUES(1);\r\n"
      "UPDATE [Order Details] SET [x]=1 WHERE [id] = 1;\r\n"
      "UPDATE [a]]b] SET x=1 WHERE id = 1;\r\n"
      "INSERT INTO \"public\".\"Emp\" (id) VALUES(1);\r\n"
      "DELETE FROM user WHERE id = 1;\r\n"
      "INSERT INTO value (id) VALUES(1);\r\n"
      "UPDATE Date SET x = 1 WHERE id = 2;\r\n"
      "DELETE FROM \"say \"\"hi\"\"\" WHERE id = 3;\r\n");
  ASSERT_EQ(S.size(), 9u);
  EXPECT_EQ(S[0].ObjName, "\"My Table\"");
  EXPECT_EQ(S[1].ObjName, "`order items`");
  EXPECT_EQ(S[2].ObjName, "[Order Details]");
  EXPECT_EQ(S[3].ObjName, "[a]]b]");
  EXPECT_EQ(S[4].ObjName, "\"public\".\"Emp\"");
  EXPECT_EQ(S[5].ObjName, "USER");
  EXPECT_EQ(S[6].ObjName, "VALUE");
  EXPECT_EQ(S[7].ObjName, "DATE");
  EXPECT_EQ(S[8].ObjName, "\"say \"\"hi\"\"\"");
  for (const auto& P : S) EXPECT_NE(P.Type, stStatement) << P.Text;
}

TEST(LocalSQLParser, LiteralsDoNotSplitStatements) {
  // Terminators and quotes inside literals, values over several lines, PostgreSQL escape
  // strings, and MySQL back-slash escapes when the dialect is MySQL.
  const auto S = Parse(
      "INSERT INTO T (A) VALUES('a;b ''c''');\r\n"
      "INSERT INTO T (A) VALUES('line 1\r\nline 2; still');\r\n"
      "INSERT INTO T (A) VALUES(E'back\\x5cslash; '' ');\r\n");
  ASSERT_EQ(S.size(), 3u);
  EXPECT_EQ(S[1].Text, "INSERT INTO T (A) VALUES('line 1\r\nline 2; still')");
  EXPECT_EQ(S[2].Text, "INSERT INTO T (A) VALUES(E'back\\x5cslash; '' ')");

  const auto My = Parse(
      "INSERT INTO `t` (`a`) VALUES('O\\'Brien; \\\\');\r\n"
      "DELETE FROM `t` WHERE `a` = 'x';\r\n",
      dbMySQL);
  ASSERT_EQ(My.size(), 2u);
  EXPECT_EQ(My[0].Type, stInsert);
  EXPECT_EQ(My[1].Type, stDelete);
  EXPECT_EQ(My[1].ObjName, "`t`");
}

TEST(LocalSQLParser, LastStatementWithoutTerminatorAndMissingWords) {
  const auto S = Parse("DELETE FROM A WHERE X = 1;\r\nINSERT INTO B (X) VALUES(2)");
  ASSERT_EQ(S.size(), 2u);
  EXPECT_EQ(S[1].Type, stInsert);
  EXPECT_EQ(S[1].ObjName, "B");
  EXPECT_EQ(S[1].Text, "INSERT INTO B (X) VALUES(2)");

  std::vector<std::string> Errors;
  const auto Bad =
      Parse("DELETE A WHERE X = 1;\r\nINSERT INTO C (X) VALUES(2);", dbAbstract, &Errors);
  ASSERT_EQ(Bad.size(), 2u);
  ASSERT_FALSE(Errors.empty());
  EXPECT_EQ(Errors[0].rfind("Missing: FROM", 0), 0u) << Errors[0];
  EXPECT_EQ(Bad[1].ObjName, "C");  // parsing goes on after the error
}

// ---------------------------------------------------------------------------------------------

TEST(DataValueText, DecimalsCompareByValue) {
  EXPECT_EQ(CompareDecimalText("1.50", "1.5"), 0);
  EXPECT_EQ(CompareDecimalText("-0", "0.000"), 0);
  EXPECT_EQ(CompareDecimalText("10", "9"), 1);
  EXPECT_EQ(CompareDecimalText("-10", "-9"), -1);
  EXPECT_EQ(CompareDecimalText("0.1", "0.09"), 1);
  EXPECT_EQ(CompareDecimalText("12345678901234567890.1", "12345678901234567890.10000001"), -1);
  EXPECT_EQ(CompareDecimalText("007", "7"), 0);
  EXPECT_EQ(CompareDecimalText("NaN", "1e308"), 1);  // not a number: after every number
  EXPECT_EQ(CompareDecimalText("5", "NaN"), -1);
}

TEST(DataValueText, DateTimesCompareFractionsAsDecimals) {
  EXPECT_EQ(CompareDateTimeText("2024-02-29 13:45:56", "2024-02-29 13:45:56.0000"), 0);
  EXPECT_EQ(CompareDateTimeText("2024-02-29 13:45:56.1234", "2024-02-29 13:45:56.123400"), 0);
  EXPECT_EQ(CompareDateTimeText("2024-02-29 13:45:56.5", "2024-02-29 13:45:56.123"), 1);
  EXPECT_EQ(CompareDateTimeText("08:00:00", "09:00:00"), -1);
  EXPECT_EQ(CompareDateTimeText("2007-12-31", "2008-01-01"), -1);
}

TEST(DataValueText, FloatLiteralsReadBackExactly) {
  EXPECT_EQ(FloatLiteral(3.0, "", false), "3");
  EXPECT_EQ(FloatLiteral(-7.0, "", false), "-7");
  EXPECT_EQ(FloatLiteral(1.5, "", false), " 1.5");
  EXPECT_EQ(FloatLiteral(-250.25, "", false), "-2.5025E2");
  EXPECT_EQ(FloatLiteral(1.5e-7, "", false), " 1.5E-7");
  EXPECT_EQ(FloatLiteral(2147483647.0, "", false), " 2.147483647E9");
  EXPECT_EQ(FloatLiteral(1e10, "", false), " 1E10");
  EXPECT_EQ(FloatLiteral(std::nan(""), "", false), "'NaN'");
  // A value that needs 17 significant digits keeps them (15 would write another number).
  const double V = 0.1 + 0.2;
  const std::string L = FloatLiteral(V, "", false);
  EXPECT_EQ(std::stod(L), V) << L;
  EXPECT_EQ(FloatLiteral(1.25, "0.000", false), "1.250");
  EXPECT_EQ(FloatLiteral(0.5, "", true), "0.5");
  EXPECT_EQ(FormatFloatPattern("0.###", 2.0 / 3.0), "0.667");
  EXPECT_EQ(FormatFloatPattern("0.00E+00", 12345.0), "1.23E+04");
}

// Equal means equal at the precision of the narrower column: a 4-byte float read as fewer
// digits (or as the double it is) matches, a value one step apart does not.
TEST(DataValueText, FloatsCompareAtTheirPrecision) {
  struct {
    double M, T;
    int Bytes;
    int Order;
  } const Cases[] = {
      {0.14285715, 0.1428571492433548, 4, 0},
      {0.15000001, 0.15, 4, 0},
      {0.15000001, 0.15, 8, 1},
      {1.0, 1.0000001, 4, -1},
      {1.0, 1.0000000000000002, 8, -1},
      {1.0, 1.0000000000000002, 4, 0},
      {3.4e38, 3.3999999521443642e38, 4, 0},
      {-0.1, -0.1, 8, 0},
  };
  TTableDataComparer Cmp(nullptr);
  for (const auto& C : Cases) {
    TParam M, T;
    M.SetAsFloat(C.M);
    T.SetAsFloat(C.T);
    EXPECT_EQ(Cmp.CompareValues(M, T, false, C.Bytes), C.Order) << C.M << " " << C.T;
  }
}

TEST(DataValueText, DatePatterns) {
  EXPECT_EQ(FormatDateTimeText("dd/mm/yyyy", "2007-12-31"), "31.12.2007");
  EXPECT_EQ(FormatDateTimeText("yyyy-mm-dd", "2007-12-31"), "2007-12-31");
  EXPECT_EQ(FormatDateTimeText("hh:mm:ss", "08:05:09.250"), "08:05:09");
  EXPECT_EQ(FormatDateTimeText("yyyy-mm-dd hh:nn:ss.zzz", "2024-02-29 13:45:56.1234"),
            "2024-02-29 13:45:56.123");
  EXPECT_EQ(FormatDateTimeText("d/m/yy 'at' h:nn", "2024-03-05 07:08:00"), "5.3.24 at 7:08");
}
