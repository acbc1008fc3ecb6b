// The server's spelling of a script's checks and defaults, without a server: the replay adapter
// answers the one query that asks for all of them, and the answers decide which texts of the
// script are compared as the catalog's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReplayAdapter.h"
#include "pg_replay_util.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGSQLParser.h"
#include "test_readback_util.h"

using namespace qel;
using namespace qel::replay;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

/// The catalog's reading, as the catalog step leaves it.
const char* const Catalog =
    "CREATE DOMAIN pct AS integer CONSTRAINT pct_check CHECK (((VALUE >= 0) AND (VALUE <= 100)));\n"
    "CREATE TABLE t (price numeric(10,2), b timestamp, c text DEFAULT 'y',"
    " CONSTRAINT t_price_check CHECK ((price >= (0)::numeric)));\n";
/// The script's, with the same meaning in other words, and one default the server refuses.
const char* const Script =
    "CREATE DOMAIN pct AS integer CHECK (VALUE BETWEEN 0 AND 100);\n"
    "CREATE TABLE t (price numeric(10,2) CHECK (price >= 0),"
    " b timestamp DEFAULT '2020-01-01 10:00', c text DEFAULT f());\n";

/// What the extractor sends, in order: the probes of the column defaults, the table checks,
/// then the domains.
const char* const SpellingQuery =
    "select p.n, pg_temp.qel_spelling(p.k, p.ddl) as spelling from (values\r\n"
    "(0, 'd'::\"char\", 'create temporary table qel_probe (c timestamp default ''2020-01-01 "
    "10:00'')')\r\n"
    ",(1, 'd'::\"char\", 'create temporary table qel_probe (c text default f())')\r\n"
    ",(2, 'c'::\"char\", 'create temporary table qel_probe (price numeric(10,2), b timestamp, c "
    "text, constraint qel_probe_check check ((price >= 0)))')\r\n"
    ",(3, 'k'::\"char\", 'create domain pg_temp.qel_probe as integer check ((VALUE BETWEEN 0 AND "
    "100))')\r\n"
    ") as p(n, k, ddl) order by p.n";

std::string Fixture() {
  return "# Written by hand: the answers of PostgreSQL 15 to the spelling query.\n"
         "query\t" +
         EscapeValue(TPGDBExtract::SpellingFunction()) +
         "\naffected\t0\nend\n"
         "query\t" +
         EscapeValue(SpellingQuery) +
         "\ncolumn\tn\tftInteger\t0\ncolumn\tspelling\tftMemo\t0\n"
         "row\t0\t" +
         EscapeValue("s'2020-01-01 10:00:00'::timestamp without time zone") + "\nrow\t1\t" +
         EscapeValue("eERROR:  function f() does not exist") + "\nrow\t2\t" +
         EscapeValue("sCHECK ((price >= (0)::numeric))") + "\nrow\t3\t" +
         EscapeValue("sCHECK (((VALUE >= 0) AND (VALUE <= 100)))") + "\nend\n";
}

class PGSpellingReplay : public TPGReplayTest {
 protected:
  void SetUp() override {
    Replay(Fixture(), "qel_spell");
    EXPECT_EQ(readback::ParseInto<TPGSQLParser>(Objs(), Catalog), TLines{});
    Link();
    // The catalog step files the time of b without a default.
    Objs().GetTable("t")->Fields[1]->DefValue =
        "'2020-01-01 10:00:00'::timestamp without time zone";
    EXPECT_EQ(readback::ParseInto<TPGSQLParser>(ScriptObjs, Script), TLines{});
    ScriptObjs.ExtractFrom = efScript;
  }
  TCtrData* Check(TObjs& Objs) {
    for (int I = 0; I < Objs.Constraints.Count(); ++I)
      if (auto* C = dynamic_cast<TCtrData*>(Objs.Constraints.Objects(I));
          C && C->GetCtType() == ctCheck)
        return C;
    return nullptr;
  }

  TObjs ScriptObjs;
};

}  // namespace

TEST_F(PGSpellingReplay, EveryDifferingTextGoesToTheServerInOneRolledBackQuery) {
  TCtrData* Mine = Check(ScriptObjs);
  TCtrData* Theirs = Check(Objs());
  ASSERT_NE(Mine, nullptr);
  ASSERT_NE(Theirs, nullptr);
  ASSERT_NE(Mine->CompareDef(), Theirs->CompareDef());

  Ex.MatchServerSpellings(ScriptObjs);
  EXPECT_EQ(Errors, TLines{});
  // One transaction, rolled back: the function, then one query for all four texts.
  EXPECT_EQ(Db().Log, (TLines{"<connect>", "<start transaction>", TPGDBExtract::SpellingFunction(),
                              SpellingQuery, "<rollback>", "<disconnect>"}));

  // Spelled as the catalog spells them: compared as the catalog's, the unnamed check keyed so.
  TFldData* B = ScriptObjs.GetTable("t")->Fields[1];
  EXPECT_EQ(B->CompareDefValue(), Objs().GetTable("t")->Fields[1]->CompareDefValue());
  EXPECT_EQ(B->GetDefValue(), "'2020-01-01 10:00'");  // written as the script wrote it
  EXPECT_EQ(Mine->CompareDef(), Theirs->CompareDef());
  EXPECT_EQ(ScriptObjs.Constraints.FindObj(Theirs->ObjKeyDef()), Mine);
  EXPECT_EQ(Mine->Extra().Body, "(price >= 0)");
  TDmnData* Pct = ScriptObjs.GetDomain("pct");
  ASSERT_NE(Pct, nullptr);
  ASSERT_EQ(Pct->PGChecks.size(), 1u);
  EXPECT_EQ(Pct->PGChecks[0].CompareText(), Objs().GetDomain("pct")->PGChecks[0].Text);
  // Refused: compared as written, and said so.
  EXPECT_TRUE(ScriptObjs.GetTable("t")->Fields[2]->Extra().ServerDefault.empty());
  EXPECT_TRUE(
      Logged("Default of column t.c compared as written: ERROR:  function f() does not exist"))
      << ::testing::PrintToString(Log);
}

TEST_F(PGSpellingReplay, ASpellingOtherThanTheCatalogsLeavesTheTextsApart) {
  // The server's text of the script's check is another condition: it stays apart.
  std::string Text = Fixture();
  const std::string Same = EscapeValue("sCHECK ((price >= (0)::numeric))");
  Text.replace(Text.find(Same), Same.size(), EscapeValue("sCHECK ((price >= (1)::numeric))"));
  Replay(Text, "qel_spell");
  Link();
  TCtrData* Mine = Check(ScriptObjs);
  const std::string Key = Mine->ObjKeyDef();
  Ex.MatchServerSpellings(ScriptObjs);
  EXPECT_TRUE(Mine->Extra().ServerBody.empty());
  EXPECT_EQ(ScriptObjs.Constraints.FindObj(Key), Mine);
}

TEST_F(PGSpellingReplay, TextsThatMeetAlreadyAskNothing) {
  TObjs Same;
  EXPECT_EQ(readback::ParseInto<TPGSQLParser>(Same, Catalog), TLines{});
  Same.GetTable("t")->Fields[1]->DefValue = Objs().GetTable("t")->Fields[1]->DefValue.str();
  Same.ExtractFrom = efScript;
  Ex.MatchServerSpellings(Same);
  EXPECT_EQ(Db().Log, TLines{});
  // Nor does a reading of another database.
  ScriptObjs.ExtractFrom = efDatabase;
  Ex.MatchServerSpellings(ScriptObjs);
  EXPECT_EQ(Db().Log, TLines{});
}
