// Input a hostile or careless user may feed the readers and the comparer: nesting deep enough
// to take the stack, conditions and schemas large enough to show quadratic work. Each case ends
// with a result or a clear message, never with a crash; the large ones are generated here at a
// size where quadratic work took minutes (the growth itself is measured in bench/).
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "qelComp_Ctr.h"
#include "qelMySQLScriptExtract.h"
#include "qelPGScriptExtract.h"
#include "test_mysql_parser.h"
#include "test_pg_parser.h"
#include "test_readback_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

std::string Repeat(const std::string& S, int N) {
  std::string R;
  R.reserve(S.size() * static_cast<std::size_t>(N));
  for (int I = 0; I < N; ++I) R += S;
  return R;
}

/// Text inside N pairs of parentheses.
std::string Nested(const std::string& Text, int N) {
  return std::string(static_cast<std::size_t>(N), '(') + Text +
         std::string(static_cast<std::size_t>(N), ')');
}

// ---------------------------------------------------------------------------------------------
// Check conditions: depth

TEST(HostileConditions, NestingPastTheBoundIsComparedByItsTokens) {
  struct TCase {
    const char* Name;
    std::string Condition;
    bool TooDeep;
    /// The key: the normal form within the bound, past it the tokens (so that the same
    /// condition on both sides still compares equal).
    std::string Key;
  };
  const int Deep = 20000;
  const int Fits = PGConditionMaxDepth - 2;
  const TCase Cases[] = {
      {"parentheses", Nested("a > 0", Deep), true,
       Repeat("( ", Deep) + "a > 0" + Repeat(" )", Deep)},
      {"NOT", Repeat("NOT ", Deep) + "a", true, Repeat("not ", Deep) + "a"},
      {"signs", Repeat("- ", Deep) + "a > 0", true, Repeat("- ", Deep) + "a > 0"},
      {"calls", Repeat("f(", Deep) + "a" + std::string(Deep, ')') + " > 0", true,
       Repeat("f ( ", Deep) + "a" + Repeat(" )", Deep) + " > 0"},
      {"arrays", "a = ANY (" + Repeat("ARRAY[", Deep) + "1" + std::string(Deep, ']') + ")", true,
       "a = any ( " + Repeat("array [ ", Deep) + "1" + Repeat(" ]", Deep) + " )"},
      {"parentheses within the bound", Nested("a > 0", Fits), false, "(a > 0)"},
      {"NOT within the bound", Repeat("NOT ", Fits) + "a", false,
       Repeat("(NOT ", Fits) + "a" + std::string(Fits, ')')},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(PGConditionTooDeep(C.Condition), C.TooDeep);
    EXPECT_EQ(PGConditionKey(C.Condition), C.Key);
  }
}

TEST(HostileConditions, TheScriptReaderRefusesAConditionPastTheBound) {
  struct TCase {
    const char* Name;
    std::string Script;
    int Line, Column;  ///< of the error, at the condition's opening parenthesis; 0: no error
  };
  const TCase Cases[] = {
      {"too deep",
       "CREATE TABLE t (a integer,\n  CONSTRAINT c CHECK " + Nested("a > 0", 5000) +
           ");\nCREATE TABLE u (b integer);\n",
       2, 22},
      {"column check too deep",
       "CREATE TABLE t (a integer CHECK (" + Repeat("NOT ", 3000) + "a));\n", 1, 33},
      {"deep but within the bound",
       "CREATE TABLE t (a integer, CHECK " + Nested("a > 0", PGConditionMaxDepth - 2) + ");\n", 0,
       0},
  };
  const std::string TooDeep =
      "CHECK condition nested deeper than " + std::to_string(PGConditionMaxDepth) + " levels";
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TPGParse P;
    EXPECT_EQ(P.Parse(C.Script), C.Line == 0);
    const std::vector<const TMsgData*> Errors = P.Messages(mt_Err);
    if (C.Line == 0) {
      EXPECT_EQ(P.Errors(), std::vector<std::string>{});
      continue;
    }
    ASSERT_EQ(Errors.size(), 1U);
    EXPECT_EQ(Errors[0]->Text.substr(0, TooDeep.size()), TooDeep);
    EXPECT_EQ(Errors[0]->Line, C.Line);
    EXPECT_EQ(Errors[0]->Column, C.Column);
    // The statements after the refused one are read.
    if (C.Script.find("TABLE u") != std::string::npos) {
      EXPECT_NE(P.Table("u"), nullptr);
    }
  }
}

// A CHECK deep enough to take the comparison's stack, on both sides, as in a schema compared
// with itself: the comparison now ends with the reader's error.
TEST(HostileConditions, ADeepCheckOnBothSidesFailsTheComparisonWithAMessage) {
  const std::string Script =
      "CREATE TABLE t (a integer, CONSTRAINT c CHECK " + Nested("a > 0", 20000) + ");\n";
  const readback::TOutcome R =
      readback::CompareScripts<TPGScriptExtract>({Script}, {Script}, nullptr);
  EXPECT_FALSE(R.Written);
  ASSERT_EQ(R.Errors.size(), 1U);
  EXPECT_NE(R.Errors[0].find("CHECK condition nested deeper than"), std::string::npos)
      << R.Errors[0];
}

// ---------------------------------------------------------------------------------------------
// Check conditions: size

// Flat chains of one operator are read in linear time: tens of thousands of terms took minutes
// when each step copied the terms before it.
TEST(HostileConditions, LongChainsOfOneOperatorAreReadWhole) {
  const int N = 20000;
  std::string Script = "a0 > 0", Catalog = "((a0 > 0)";
  std::string Sum = "a", SumKey = std::string(N - 1, '(') + "a";
  std::string Cast = "a", CastKey = std::string(N, '(') + "a";
  for (int I = 1; I < N; ++I) {
    const std::string Term =
        std::string(1, 'a').append(std::to_string(I)).append(" > ").append(std::to_string(I));
    Script += (I % 2 ? " AND " : " and ") + Term;
    Catalog += " AND (" + Term + ")";
    Sum += " + a";
    SumKey += " + a)";
  }
  for (int I = 0; I < N; ++I) {
    Cast += "::int";
    CastKey += ")::integer";
  }
  Catalog += ")";
  const std::string Key = PGConditionKey(Script);
  EXPECT_EQ(Key, PGConditionKey(Catalog));
  EXPECT_EQ(Key.substr(0, 30), "((a0 > 0) AND (a1 > 1) AND (a2");
  EXPECT_EQ(PGConditionKey(Sum), SumKey);
  EXPECT_EQ(PGConditionKey(Cast), CastKey);
  // Parentheses the author wrote round a part of the chain join it.
  EXPECT_EQ(PGConditionKey("(a AND (b AND c)) AND (d AND e)"), "(a AND b AND c AND d AND e)");
}

// BETWEEN writes its operand twice; nested, it would double the text at each level.
TEST(HostileConditions, NestedBetweenIsNotWrittenOutExponentially) {
  std::string Condition = "x";
  for (int I = 0; I < 60; ++I) Condition = "(" + Condition + " BETWEEN 1 AND 2)";
  const std::string Key = PGConditionKey(Condition);
  EXPECT_LT(Key.size(), 64 * Condition.size());
  // A few levels are written out as the server writes them.
  EXPECT_EQ(PGConditionKey("(x BETWEEN 1 AND 2) BETWEEN 3 AND 4"),
            "((((x >= 1) AND (x <= 2)) >= 3) AND (((x >= 1) AND (x <= 2)) <= 4))");
}

// ---------------------------------------------------------------------------------------------
// Nesting elsewhere in the readers

TEST(HostileNesting, RepeatedWrappersAreReadWithoutTheStack) {
  const int Deep = 100000;
  {
    SCOPED_TRACE("PostgreSQL OPERATOR(...)");
    TPGParse P;
    EXPECT_TRUE(
        P.Parse("CREATE OPERATOR === (LEFTARG = integer, RIGHTARG = integer, "
                "PROCEDURE = int4eq, COMMUTATOR = " +
                Repeat("OPERATOR(", Deep) + "===" + std::string(Deep, ')') + ");\n"));
    EXPECT_EQ(P.Errors(), std::vector<std::string>{});
    TPGParse Unclosed;
    EXPECT_FALSE(Unclosed.Parse("CREATE OPERATOR === (LEFTARG = integer, COMMUTATOR = " +
                                Repeat("OPERATOR(", Deep) + "===" + ");\n"));
  }
  {
    SCOPED_TRACE("MySQL CONSTRAINT");
    TMyParse P;
    EXPECT_TRUE(P.Parse("CREATE TABLE t (a int, b int, " + Repeat("CONSTRAINT ", Deep) +
                        "PRIMARY KEY (a), " + Repeat("CONSTRAINT x ", Deep) +
                        "CONSTRAINT fk FOREIGN KEY (b) REFERENCES t (a));\n"));
    const std::vector<TCtrData*> Keys = P.Constraints("t", ctFKey);
    ASSERT_EQ(Keys.size(), 1U);
    EXPECT_EQ(Keys[0]->GetObjName(), "fk");
    EXPECT_EQ(P.Constraints("t", ctPKey).size(), 1U);
  }
}

// A chain of objects each needing the next (views on views, domains on domains) is created and
// dropped by a cascade that follows the chain. Past the bound the comparison fails with a
// message; below it the whole chain is written in order.
TEST(HostileNesting, ChainsOfDependenciesPastTheBoundFailTheComparison) {
  struct TCase {
    const char* Name;
    int Length;
    bool Master;  ///< the chain is in the master (created), else in the target (dropped)
    bool Written;
  };
  // Views v00000 ... named so that the cascade follows the whole chain: a creation starts at
  // the first in key order, which then needs all the others; a drop at the first too, which
  // all the others need.
  auto Views = [](int N, bool FirstNeedsAll) {
    std::string S = "CREATE TABLE t0 (a integer);\n";
    auto Name = [](int I) {
      char Text[16];
      std::snprintf(Text, sizeof Text, "v%05d", I);
      return std::string(Text);
    };
    for (int I = 0; I < N; ++I) {
      const int From = FirstNeedsAll ? I + 1 : I - 1;
      S += "CREATE VIEW " + Name(I) + " AS SELECT a FROM " +
           (From < 0 || From >= N ? std::string("t0") : Name(From)) + ";\n";
    }
    return S;
  };
  const int Past = 12000;  // deep enough to take the stack of the cascade without the bound
  const TCase Cases[] = {
      {"created, past the bound", Past, true, false},
      {"dropped, past the bound", Past, false, false},
      {"created, within", 200, true, true},
      {"dropped, within", 200, false, true},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string Chain = Views(C.Length, C.Master);
    const std::string Empty = "CREATE TABLE t0 (a integer);\n";
    const readback::TOutcome R = readback::CompareScripts<TPGScriptExtract>(
        {C.Master ? Chain : Empty}, {C.Master ? Empty : Chain}, nullptr);
    EXPECT_EQ(R.Written, C.Written) << ::testing::PrintToString(R.Errors);
    if (C.Written) {
      EXPECT_EQ(R.Errors, std::vector<std::string>{});
      // The view at the far end of the chain comes first, then the one next to it.
      const std::string Verb = C.Master ? "CREATE VIEW public." : "DROP VIEW public.";
      const std::size_t End = R.Script.find(Verb + "v00199");
      const std::size_t Next = R.Script.find(Verb + "v00198");
      ASSERT_NE(Next, std::string::npos) << R.Script.substr(0, 300);
      EXPECT_LT(End, Next);
      continue;
    }
    ASSERT_EQ(R.Errors.size(), 1U);
    EXPECT_NE(R.Errors[0].find("the chain of objects that each need the next"), std::string::npos)
        << R.Errors[0];
  }
}

// ---------------------------------------------------------------------------------------------
// MySQL keys of tables altered later

// ALTER TABLE and CREATE INDEX take the keys a table has already from what the reader keeps per
// table: the server's names for unnamed indexes and foreign keys go on counting from there, and
// a foreign key whose columns lead a key gets no index of its own.
TEST(HostileScale, MySQLKeysOfAlteredTablesAreTakenFromTheTablesOwnKeys) {
  struct TCase {
    const char* Name;
    std::vector<std::string> Scripts;  ///< read in turn into one collection
    std::vector<std::string> Indexes;  ///< of table t, in key order
    std::vector<std::string> ForeignKeys;
  };
  const std::string T =
      "CREATE TABLE p (id int PRIMARY KEY);\n"
      "CREATE TABLE t (id int PRIMARY KEY, a int, b int, KEY a (a),\n"
      "  FOREIGN KEY (b) REFERENCES p (id));\n";
  const TCase Cases[] = {
      {"unnamed indexes go on numbering",
       {T +
        "CREATE INDEX i1 ON t (a);\nALTER TABLE t ADD INDEX (a);\nALTER TABLE t ADD KEY (a);\n"},
       {"a", "a_2", "a_3", "b", "i1"},
       {"t_ibfk_1"}},
      {"foreign keys go on numbering, covered ones take no index",
       {T + "ALTER TABLE t ADD FOREIGN KEY (a) REFERENCES p (id);\n"
            "ALTER TABLE t ADD FOREIGN KEY (id) REFERENCES p (id);\n"},
       {"a", "b"},
       {"t_ibfk_1", "t_ibfk_2", "t_ibfk_3"}},
      {"a second script alters the first one's tables",
       {T,
        "CREATE INDEX x ON t (b);\nALTER TABLE t ADD INDEX (b);\n"
        "ALTER TABLE t ADD FOREIGN KEY (b) REFERENCES p (id);\n"},
       // x takes over from the foreign key's own index b, whose name the next key gets.
       {"a", "b", "x"},
       {"t_ibfk_1", "t_ibfk_2"}},
      {"another table's keys do not count",
       {T + "CREATE TABLE u (a int, KEY a (a), FOREIGN KEY (a) REFERENCES p (id));\n"
            "ALTER TABLE t ADD INDEX (a);\n"},
       {"a", "a_2", "b"},
       {"t_ibfk_1"}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TMyParse P;
    for (const std::string& S : C.Scripts) EXPECT_TRUE(P.Parse(S)) << S;
    std::vector<std::string> Indexes, Foreign;
    for (TIdxData* Idx : P.Indexes("t")) Indexes.push_back(Idx->GetObjName());
    for (TCtrData* K : P.Constraints("t", ctFKey)) Foreign.push_back(K->GetObjName());
    EXPECT_EQ(Indexes, C.Indexes);
    EXPECT_EQ(Foreign, C.ForeignKeys);
  }
}

// Keys filed into the collection by another hand between two statements are seen too.
TEST(HostileScale, MySQLKeysFiledByAnotherHandAreSeen) {
  TMyParse P;
  ASSERT_TRUE(P.Parse("CREATE TABLE t (a int);\nCREATE INDEX i ON t (a);\n"));
  auto Idx = std::make_unique<TIdxData>(&P.Objs);
  Idx->SetObjName("a");
  Idx->TableName = "t";
  Idx->AddFld("a");
  ASSERT_TRUE(P.Objs.AddObj(std::move(Idx)));
  ASSERT_TRUE(P.Parse("ALTER TABLE t ADD INDEX (a);\n"));
  std::vector<std::string> Names;
  for (TIdxData* I : P.Indexes("t")) Names.push_back(I->GetObjName());
  EXPECT_EQ(Names, (std::vector<std::string>{"a", "a_2", "i"}));
}

// Thousands of tables altered one by one: every table keeps its own keys.
TEST(HostileScale, MySQLScriptOfManyAlteredTables) {
  const int N = 3000;
  std::string Script;
  for (int I = 0; I < N; ++I)
    Script += "CREATE TABLE t" + std::to_string(I) + " (id int PRIMARY KEY, r int, c int);\n";
  for (int I = 0; I < N; ++I) {
    const std::string T = std::string(1, 't').append(std::to_string(I));
    Script += "CREATE INDEX ix ON " + T + " (c);\nALTER TABLE " + T + " ADD INDEX (c);\n";
    // Without columns a reference is to the primary key of the table referenced.
    if (I) Script += "ALTER TABLE " + T + " ADD FOREIGN KEY (r) REFERENCES t0;\n";
  }
  TMyParse P;
  ASSERT_TRUE(P.Parse(Script));
  EXPECT_EQ(P.Objs.Indexes.Count(), 3 * N - 1);
  EXPECT_EQ(P.Objs.Constraints.Count(), 2 * N - 1);
  std::vector<std::string> Names;
  for (TIdxData* I : P.Indexes("t" + std::to_string(N - 1))) Names.push_back(I->GetObjName());
  EXPECT_EQ(Names, (std::vector<std::string>{"c", "ix", "r"}));
  const std::vector<TCtrData*> Keys = P.Constraints("t" + std::to_string(N - 1), ctFKey);
  ASSERT_EQ(Keys.size(), 1U);
  EXPECT_EQ(Entries(Keys[0]->Extra().RefFldList), std::vector<std::string>{"id"});
}

}  // namespace
