// The SQL Anywhere script parser: the scanner (GO lines, comments, quoted names), the
// statement forms with the objects they build, errors with their places, the re-read of
// catalog texts, and the SQL Anywhere script executor through the replay adapter.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ReplayAdapter.h"
#include "Strings.h"
#include "qelASAParser.h"
#include "qelASASQLExec.h"
#include "qelASAScriptExtract.h"
#include "qelCompObj.h"
#include "qelComp_Dmn.h"
#include "qelDBStructure.h"
#include "test_exec_util.h"

using namespace qel;

namespace {

using TLines = std::vector<std::string>;

/// A collection read from one script, with the parser's messages ("line:column: text").
struct TParsed {
  explicit TParsed(const std::string& Text) {
    O.SetDatabaseType(dbSybaseASA);
    TASAParser P(&O);
    P.OnErrorMessage = [](TObject*, const std::string&) {};
    P.OnAddStatement = [this](TObject*, const std::string& aText, TStatType aTyp,
                              const std::string& aObjName, TDbObject, TDbOperation,
                              const std::string&, TObject*& S) {
      Stmts.push_back({aText, aTyp, aObjName});
      S = nullptr;
    };
    P.ParseScriptText(Text, &O);
    for (int I = 0; I < P.MsgManager.GetMsgCount(); ++I)
      Errors.push_back(std::to_string(P.MsgManager.Items(I).Line) + ":" +
                       std::to_string(P.MsgManager.Items(I).Column) + ": " +
                       P.MsgManager.Items(I).Text);
  }
  TTblData* Table(const std::string& Name) {
    return dynamic_cast<TTblData*>(O.Tables.FindObj(Name));
  }
  TFldData* Column(const std::string& T, const std::string& C) {
    TTblData* Tbl = Table(T);
    return Tbl ? Tbl->Fields.Find(C) : nullptr;
  }
  TCtrData* Constraint(int I) { return dynamic_cast<TCtrData*>(O.Constraints.Objects(I)); }

  struct TStmt {
    std::string Text;
    TStatType Typ;
    std::string Name;
  };
  TObjs O;
  std::vector<TStmt> Stmts;
  TLines Errors;
};

}  // namespace

TEST(ASAParser, QuotingAndKeywords) {
  EXPECT_EQ(ASAQuoteIdent("order", st_ASA9), "\"ORDER\"");
  EXPECT_EQ(ASAQuoteIdent("my col", st_ASA9), "\"my col\"");
  EXPECT_EQ(ASAQuoteIdent("abc", st_ASA9), "abc");
  EXPECT_EQ(ASAQuoteIdent("_x1", st_ASA9), "_x1");
  EXPECT_EQ(ASAQuoteIdent("1abc", st_ASA9), "\"1abc\"");
  EXPECT_EQ(ASAQuoteIdent("where", st_ASA9), "\"WHERE\"");
  EXPECT_EQ(ASASymbolByResWord("uniqueidentifier", st_ASA9), asaUNIQUE);
  EXPECT_EQ(ASASymbolByResWord("RENAME", st_ASA9), syIdent);
  EXPECT_EQ(ASASymbolByResWord("REMAME", st_ASA9), 110);
  EXPECT_EQ(ASASymbolByResWord("TRANSACTION", st_ASA9), asaTRAN);
  EXPECT_EQ(ASAObjFullName("", "T"), "DBA.T");
  EXPECT_EQ(ASAObjFullName("joe", "T"), "joe.T");
}

TEST(ASAParser, GoLinesCommentsAndQuotedNames) {
  TParsed P(
      "% a percent comment\r\n// a slash comment\r\n"
      "CREATE TABLE \"my table\" (a INT NULL)\r\ngo\r\n"
      "CREATE TABLE GOTO (b INT NULL)\r\nGO\r\n"
      "CREATE TABLE t1 (c INT NULL);\r\nCREATE TABLE t2 (d INT NULL)\r\n"
      "CREATE TABLE t3 (e INT NULL)\ngo");
  EXPECT_EQ(P.Errors, TLines{});
  for (const char* Name : {"my table", "GOTO", "t1", "t2", "t3"})
    EXPECT_NE(P.Table(Name), nullptr) << Name;
  ASSERT_EQ(P.Stmts.size(), 5u);
  EXPECT_EQ(P.Stmts[0].Text, "CREATE TABLE \"my table\" (a INT NULL)");
  EXPECT_EQ(P.Stmts[3].Text, "CREATE TABLE t2 (d INT NULL)");
  // GO on the first line of a text is a name, not a terminator.
  TParsed Q("GO");
  ASSERT_EQ(Q.Errors.size(), 1u);
  EXPECT_NE(Q.Errors[0].find("Missing/Unknown: DDL-statement"), std::string::npos);
}

TEST(ASAParser, ColumnTypesAndDefaults) {
  struct TCase {
    const char* Column;
    TDBFieldType Type;
    const char* Default;
    bool Nullable;
  };
  const TCase Cases[] = {
      {"a INTEGER NOT NULL DEFAULT AUTOINCREMENT", iftInteger, "autoincrement", false},
      {"d TIMESTAMP DEFAULT CURRENT TIMESTAMP", iftTimeStamp, "current timestamp", true},
      {"e DATE DEFAULT current date", iftDate, "current date", true},
      {"f INT DEFAULT -5", iftInteger, "-5", true},
      {"g CHAR(3) DEFAULT 'x'", iftChar, "'x'", true},
      {"h VARCHAR(9) DEFAULT getdate()", iftVarchar, "getdate()", true},
      {"i TIMESTAMP DEFAULT TIMESTAMP", iftTimeStamp, "timestamp", true},
      {"j VARCHAR(9) DEFAULT USER", iftVarchar, "USER", true},
      {"k VARCHAR(9) DEFAULT LAST USER", iftVarchar, "LAST USER", true},
      {"l TIMESTAMP DEFAULT UTC TIMESTAMP", iftTimeStamp, "utc timestamp", true},
      {"m INT DEFAULT GLOBAL AUTOINCREMENT (1000)", iftInteger, "global autoincrement (1000)",
       true},
      {"n VARCHAR(9) DEFAULT CURRENT REMOTE USER", iftVarchar, "current remote user", true},
      {"o LONG VARCHAR NULL", iftLongVarchar, "", true},
      {"p LONG BINARY", iftLongBinary, "", true},
      {"q DOUBLE", iftDouble, "", true},
      {"r BIT NOT NULL", iftBit, "", false},
      {"s ShortCode", iftDomain, "", true},
      // Types the catalog reports, the same in scripts.
      {"t BIGINT NOT NULL", iftBigInt, "", false},
      {"u nvarchar(255)", iftNVarChar, "", true},
      {"v NCHAR(2)", iftNChar, "", true},
      {"w VARBINARY(100)", iftVarBinary, "", true},
      {"x UNIQUEIDENTIFIER", iftUniqueIdent, "", true},
  };
  for (const TCase& C : Cases) {
    TParsed P(std::string("CREATE TABLE t (") + C.Column + ")\ngo\n");
    EXPECT_EQ(P.Errors, TLines{}) << C.Column;
    TTblData* T = P.Table("t");
    ASSERT_TRUE(T && T->Fields.Count() == 1) << C.Column;
    const TFldData* F = T->Fields[0];
    EXPECT_EQ(F->FieldType, C.Type) << C.Column;
    EXPECT_EQ(F->DefValue, C.Default) << C.Column;
    EXPECT_EQ(F->Nullable, C.Nullable) << C.Column;
  }
  TParsed N("CREATE TABLE t (a NUMERIC(10, 2), b DECIMAL, c VARCHAR(30), \"d\" CHAR)");
  EXPECT_EQ(N.Column("t", "a")->Precision, 10);
  EXPECT_EQ(N.Column("t", "a")->Scale, 2);
  EXPECT_EQ(N.Column("t", "b")->Precision, 0);
  EXPECT_EQ(N.Column("t", "c")->Size, 30);
  EXPECT_EQ(N.Column("t", "a")->Position, 0);
  EXPECT_EQ(N.Column("t", "c")->Position, 2);
}

TEST(ASAParser, TablesKeysAndIndexes) {
  TParsed P(
      "CREATE GLOBAL TEMPORARY TABLE g1 (a INT) ON COMMIT PRESERVE ROWS\ngo\n"
      "CREATE GLOBAL TEMPORARY TABLE g2 (a INT)\ngo\n"
      "CREATE TABLE t2 (b INT NOT NULL PRIMARY KEY)\ngo\n"
      "CREATE TABLE t (a INT NOT NULL, c INT CHECK (c > 0),\n"
      "  PRIMARY KEY CLUSTERED (a DESC),\n"
      "  FOREIGN KEY fk (a) REFERENCES t2 (b) ON DELETE SET NULL CHECK ON COMMIT,\n"
      "  CHECK (a <> c))\ngo\n"
      "CREATE UNIQUE INDEX ix ON owner1.t (a ASC, c DESC)\ngo\n");
  EXPECT_EQ(P.Errors, TLines{});
  EXPECT_TRUE(P.Table("g1")->GlobalTemporary);
  EXPECT_EQ(P.Table("g1")->OnCommit, tocPreserve);
  EXPECT_EQ(P.Table("g2")->OnCommit, tocDelete);
  EXPECT_EQ(P.Table("t")->OnCommit, tocUnknown);
  EXPECT_EQ(P.Table("t")->Extra().Creator, "DBA");
  EXPECT_EQ(P.Column("t", "c")->Extra().CheckText, "(c > 0)");
  ASSERT_EQ(P.O.Constraints.Count(), 4);
  int Seen = 0;
  for (int I = 0; I < P.O.Constraints.Count(); ++I) {
    TCtrData* C = P.Constraint(I);
    switch (C->GetCtType()) {
      case ctPKey:
        if (C->GetTblName() != "t") break;
        EXPECT_TRUE(C->Clustered);
        EXPECT_EQ(C->FldList[0], "a");
        ++Seen;
        break;
      case ctFKey:
        EXPECT_EQ(C->Extra().RoleName, "fk");
        EXPECT_EQ(C->Extra().RefOwner, "DBA");
        EXPECT_EQ(C->GetRefTblName(), "t2");
        EXPECT_EQ(C->OnDelete, udaNull);
        EXPECT_EQ(C->OnUpdate, udaNoAction);
        EXPECT_TRUE(C->CheckOnCommit);
        ++Seen;
        break;
      case ctCheck:
        EXPECT_EQ(C->Extra().Body, "(a <> c)");
        ++Seen;
        break;
      default:
        break;
    }
  }
  EXPECT_EQ(Seen, 3);
  auto* Ix = dynamic_cast<TIdxData*>(P.O.Indexes.Objects(0));
  ASSERT_NE(Ix, nullptr);
  EXPECT_TRUE(Ix->Unique);
  EXPECT_EQ(Ix->TableName, "t");
  EXPECT_EQ(Ix->Extra().Creator, "owner1");
  EXPECT_EQ(Ix->GetFlds(), "a, c DESC");
}

TEST(ASAParser, KeyColumnsKeepTheirOrder) {
  // Each key of table t, read from the statement, writes its ASC/DESC back (ASC as the default
  // it is); ALTER TABLE ... DROP UNIQUE takes the key of those columns away.
  struct TCase {
    const char* Text;
    const char* Def;
  };
  const TCase Cases[] = {
      {"CREATE TABLE t (a INT NOT NULL, b INT NOT NULL, PRIMARY KEY CLUSTERED (a DESC))",
       "ALTER TABLE DBA.t ADD PRIMARY KEY CLUSTERED (a DESC)"},
      {"CREATE TABLE t (a INT NOT NULL, b INT NOT NULL, PRIMARY KEY (a ASC, b DESC))",
       "ALTER TABLE DBA.t ADD PRIMARY KEY (a, b DESC)"},
      {"CREATE TABLE t (a INT NOT NULL, b INT NOT NULL, UNIQUE (b DESC, a))",
       "ALTER TABLE DBA.t ADD UNIQUE (b DESC, a)"},
      {"CREATE TABLE t (a INT NOT NULL, b INT NOT NULL,\n"
       "  FOREIGN KEY fk (a DESC) REFERENCES t2 (k ASC))",
       "ALTER TABLE DBA.t ADD FOREIGN KEY fk (a DESC) REFERENCES DBA.t2 (k)"},
      {"CREATE TABLE t (a INT NOT NULL, b INT NOT NULL)\ngo\n"
       "ALTER TABLE t ADD CONSTRAINT uq UNIQUE (a, b DESC)",
       "ALTER TABLE DBA.t ADD CONSTRAINT uq UNIQUE (a, b DESC)"},
      {"CREATE TABLE t (a INT NOT NULL, b INT NOT NULL, UNIQUE (a DESC), UNIQUE (b DESC))\n"
       "go\nALTER TABLE t DROP UNIQUE (a)",
       "ALTER TABLE DBA.t ADD UNIQUE (b DESC)"},
  };
  for (const TCase& C : Cases) {
    TParsed P(std::string("CREATE TABLE t2 (k INT NOT NULL)\ngo\n") + C.Text + "\ngo\n");
    EXPECT_EQ(P.Errors, TLines{}) << C.Text;
    ASSERT_EQ(P.O.Constraints.Count(), 1) << C.Text;
    EXPECT_EQ(P.Constraint(0)->Def(), C.Def) << C.Text;
  }
}

TEST(ASAParser, RoutinesTriggersViewsAndEvents) {
  TParsed P(
      "CREATE TABLE tab (c1 INT, c2 INT)\ngo\n"
      "CREATE PROCEDURE p(IN a INT, OUT b CHAR(10), INOUT c INT = 3)\nBEGIN\n  SET b = 'x';\nEND\n"
      "go\n"
      "CREATE FUNCTION f(a INT) RETURNS INT BEGIN RETURN a; END\ngo\n"
      "CREATE TRIGGER t BEFORE UPDATE OF c1, c2 ORDER 2 ON DBA.tab REFERENCING OLD AS o NEW AS n "
      "FOR EACH ROW BEGIN SET n.c1 = 1; END\ngo\n"
      "CREATE TRIGGER ts ON tab FOR INSERT, DELETE AS\nprint 'x'\ngo\n"
      "CREATE VIEW v (x, y) AS\n  SELECT c1, c2 FROM tab\ngo\n"
      "CREATE EVENT e SCHEDULE s1 BETWEEN '08:00' AND '18:00' EVERY 15 MINUTES ON ('Monday') "
      "START DATE '2024/03/05' DISABLE AT CONSOLIDATED HANDLER BEGIN MESSAGE 'x'; END\ngo\n"
      "CREATE PUBLICATION pub (TABLE tab (c1) WHERE c2 IN (1, 2) SUBSCRIBE BY c1, TABLE other)\n"
      "go\n");
  EXPECT_EQ(P.Errors, TLines{});
  auto* Prc = dynamic_cast<TPrcData*>(P.O.Procedures.FindObj("p"));
  ASSERT_NE(Prc, nullptr);
  EXPECT_FALSE(Prc->IsFunction);
  ASSERT_EQ(Prc->Params.Count(), 3);
  EXPECT_EQ(Prc->Params[0]->InOut, ioIn);
  EXPECT_EQ(Prc->Params[1]->InOut, ioOut);
  EXPECT_EQ(Prc->Params[2]->InOut, ioInout);
  EXPECT_EQ(Prc->Params[2]->DefValue, "3");
  EXPECT_EQ(Prc->Extra().Body, "BEGIN\r\n  SET b = 'x';\r\nEND");
  auto* Fn = dynamic_cast<TPrcData*>(P.O.Procedures.FindObj("f"));
  ASSERT_NE(Fn, nullptr);
  EXPECT_TRUE(Fn->IsFunction);
  ASSERT_EQ(Fn->Results.Count(), 1);
  EXPECT_EQ(Fn->Results[0]->GetObjName(), "");
  EXPECT_EQ(Fn->Extra().Body, "BEGIN RETURN a; END");
  auto* T = dynamic_cast<TTrgData*>(P.O.Triggers.FindObj("t"));
  ASSERT_NE(T, nullptr);
  EXPECT_EQ(T->Timing, baBefore);
  EXPECT_TRUE(T->Events.Contains(iudUpdate));
  EXPECT_EQ(T->Columns.Count(), 2);
  EXPECT_EQ(T->Position, 2);
  EXPECT_EQ(T->OldAlias, "o");
  EXPECT_EQ(T->NewAlias, "n");
  EXPECT_TRUE(T->ForEachRow);
  EXPECT_EQ(T->OwnName, "tab");
  auto* Ts = dynamic_cast<TTrgData*>(P.O.Triggers.FindObj("ts"));
  ASSERT_NE(Ts, nullptr);
  EXPECT_TRUE(Ts->TransactSQL);
  EXPECT_TRUE(Ts->Events.Contains(iudInsert) && Ts->Events.Contains(iudDelete));
  EXPECT_EQ(Ts->Extra().Body, "print 'x'");
  auto* V = dynamic_cast<TViwData*>(P.O.Views.FindObj("v"));
  ASSERT_NE(V, nullptr);
  EXPECT_EQ(V->Fields.Count(), 2);
  EXPECT_EQ(V->Extra().Body, "SELECT c1, c2 FROM tab");
  auto* E = dynamic_cast<TEvtData*>(P.O.Events.FindObj("e"));
  ASSERT_NE(E, nullptr);
  ASSERT_EQ(E->Schedules.size(), 1u);
  EXPECT_EQ(E->Schedules[0]->EveryMinutes, 15);
  EXPECT_EQ(E->Schedules[0]->StartDate, "2024/03/05");
  EXPECT_EQ(E->Schedules[0]->EndTime, "18:00");
  EXPECT_FALSE(E->Enabled);
  EXPECT_EQ(E->Location, "CONSOLIDATED");
  auto* Pub = dynamic_cast<TPblData*>(P.O.Publications.FindObj("pub"));
  ASSERT_NE(Pub, nullptr);
  ASSERT_EQ(Pub->Articles.Count(), 2);
  const auto* Art = dynamic_cast<TPblArtData*>(Pub->Articles.Objects(1));
  ASSERT_NE(Art, nullptr);
  EXPECT_EQ(Art->TableName, "tab");
  EXPECT_EQ(Art->WhereText, "c2 IN (1, 2)");
  EXPECT_EQ(Art->SubscribeByText, "c1");
  // Statement types: a function is an ordinary statement, a procedure a procedure.
  ASSERT_GE(P.Stmts.size(), 3u);
  EXPECT_EQ(P.Stmts[1].Typ, stProcedure);
  EXPECT_EQ(P.Stmts[2].Typ, stStatement);
}

TEST(ASAParser, StatementsEndedBySemicolonsAloneAreReadOneByOne) {
  // Each text is followed by a table with only ";" between them: the body ends at its own end,
  // the table is read and both statements are recorded. Body: the object's body ("" for a
  // statement that builds nothing).
  struct TCase {
    const char* Text;
    const char* Body;
  };
  const TCase Cases[] = {
      {"CREATE VIEW v AS SELECT a FROM t;", "SELECT a FROM t"},
      {"CREATE VIEW v AS SELECT 'a;b' AS x /* ; */ -- ;\n FROM t;",
       "SELECT 'a;b' AS x /* ; */ -- ;\r\n FROM t"},
      {"CREATE PROCEDURE p(IN a INT)\nBEGIN\n  DECLARE i INT;\n  IF a > 0 THEN\n"
       "    SET i = CASE WHEN a > 5 THEN 1 ELSE 2 END;\n  END IF;\n  lp: LOOP\n"
       "    IF i > 9 THEN LEAVE lp; END IF;\n  END LOOP lp;\n"
       "  CASE a WHEN 1 THEN SET i = 2; ELSE BEGIN SET i = 3; END; END CASE;\nEND;",
       "BEGIN\r\n  DECLARE i INT;\r\n  IF a > 0 THEN\r\n"
       "    SET i = CASE WHEN a > 5 THEN 1 ELSE 2 END;\r\n  END IF;\r\n  lp: LOOP\r\n"
       "    IF i > 9 THEN LEAVE lp; END IF;\r\n  END LOOP lp;\r\n"
       "  CASE a WHEN 1 THEN SET i = 2; ELSE BEGIN SET i = 3; END; END CASE;\r\nEND"},
      // Without ";" after END the next statement still starts after it.
      {"CREATE PROCEDURE p() BEGIN SELECT 1; END", "BEGIN SELECT 1; END"},
      {"CREATE PROCEDURE p() BEGIN BEGIN TRANSACTION; COMMIT; END;",
       "BEGIN BEGIN TRANSACTION; COMMIT; END"},
      {"CREATE PROCEDURE p() outer_block: BEGIN SELECT 1; END outer_block;",
       "outer_block: BEGIN SELECT 1; END outer_block"},
      {"CREATE FUNCTION f(a INT) RETURNS INT DETERMINISTIC BEGIN RETURN a; END;",
       "DETERMINISTIC BEGIN RETURN a; END"},
      {"CREATE TRIGGER tr BEFORE INSERT ON t REFERENCING NEW AS n FOR EACH ROW\n"
       "WHEN (n.a > 0) BEGIN SET n.a = 0; END;",
       "WHEN (n.a > 0) BEGIN SET n.a = 0; END"},
      {"CREATE EVENT e HANDLER BEGIN MESSAGE 'x; y'; END;", "BEGIN MESSAGE 'x; y'; END"},
      {"MESSAGE 'a; b' TYPE INFO TO CLIENT;", ""},
      {"IF EXISTS (SELECT * FROM SYS.SYSTABLE WHERE table_name = 'x') THEN\n"
       "  DROP TABLE IF EXISTS x;\n  IF 1 = 1 THEN SELECT 1; END IF;\nEND IF;",
       ""},
      {"BEGIN\n  DECLARE x INT;\n  SET x = IF 1 = 1 THEN 2 ELSE 3 ENDIF;\nEND;", ""},
  };
  auto BodyOf = [](TParsed& P) {
    for (TDbObjList* List : {&P.O.Views, &P.O.Procedures, &P.O.Triggers, &P.O.Events})
      if (List->Count() == 1) return std::string(List->Objects(0)->Extra().Body);
    return std::string();
  };
  for (const TCase& C : Cases) {
    TParsed P(std::string("CREATE TABLE t (a INT);\n") + C.Text +
              "\nCREATE TABLE after_it (a INT);\n");
    EXPECT_EQ(P.Errors, TLines{}) << C.Text;
    EXPECT_NE(P.Table("after_it"), nullptr) << C.Text;
    ASSERT_EQ(P.Stmts.size(), 3u) << C.Text;
    EXPECT_EQ(P.Stmts[2].Text, "CREATE TABLE after_it (a INT)") << C.Text;
    EXPECT_EQ(BodyOf(P), C.Body) << C.Text;
    // The script's last statement, a comment after it, has the same body.
    TParsed L(std::string("CREATE TABLE t (a INT);\n") + C.Text + "\n-- the end\n");
    EXPECT_EQ(L.Errors, TLines{}) << C.Text;
    EXPECT_EQ(BodyOf(L), C.Body) << C.Text;
  }
  // With go lines the body still runs to the go line, whatever stands after its END.
  TParsed G(
      "CREATE PROCEDURE p() BEGIN SELECT 1; END;\n-- kept with the body\ngo\n"
      "CREATE TABLE after_it (a INT)\ngo\n");
  EXPECT_EQ(G.Errors, TLines{});
  ASSERT_EQ(G.Stmts.size(), 2u);
  EXPECT_EQ(G.Stmts[0].Text, "CREATE PROCEDURE p() BEGIN SELECT 1; END;\n-- kept with the body");
  EXPECT_EQ(G.O.Procedures.Objects(0)->Extra().Body,
            "BEGIN SELECT 1; END;\r\n-- kept with the body");
}

TEST(ASAParser, CommentsGrantsSetAlterAndDrop) {
  TParsed P(
      "CREATE TABLE t (a INT, b INT)\ngo\n"
      "COMMENT ON TABLE DBA.t IS 'x'\ngo\n"
      "COMMENT ON COLUMN DBA.t.b IS 'col'\ngo\n"
      "COMMENT ON TABLE nothing IS 'y'\ngo\n"
      "GRANT ALL PRIVILEGES ON t TO u\ngo\n"
      "GRANT DBA, RESOURCE TO u\ngo\n"
      "GRANT CONNECT TO u IDENTIFIED BY pw\ngo\n"
      "SET OPTION PUBLIC.DATE_ORDER = 'DMY'\ngo\n"
      "SET TEMPORARY OPTION STATISTICS = 3\ngo\n"
      "ALTER TABLE t ADD c VARCHAR(5) NULL\ngo\n"
      "ALTER TABLE t MODIFY a NOT NULL\ngo\n"
      "ALTER TABLE t ALTER b SET DEFAULT 7\ngo\n"
      "ALTER TABLE t DROP b\ngo\n"
      "CREATE TABLE gone (a INT)\ngo\nDROP TABLE gone\ngo\n");
  EXPECT_EQ(P.Errors, TLines{});
  EXPECT_EQ(P.Table("t")->Extra().Description, "x");
  EXPECT_EQ(P.O.ASAServerOptions.GetASADatabaseOptions().DateOrder, "DMY");
  EXPECT_EQ(P.O.ASAServerOptions.GetASADatabaseOptions().Statistics, 3);
  EXPECT_NE(P.Column("t", "c"), nullptr);
  EXPECT_FALSE(P.Column("t", "a")->Nullable);
  EXPECT_EQ(P.Column("t", "b"), nullptr);
  EXPECT_EQ(P.Table("gone"), nullptr);
}

TEST(ASAParser, ErrorsNameTheirPlaceAndReadingGoesOn) {
  struct TCase {
    const char* Text;
    const char* Error;
  };
  const TCase Cases[] = {
      {"CREATE TABLE t (b LONG NVARCHAR)", "1:32: Unknown datatype: LONG NVARCHAR"},
      {"CREATE TABLE t (a INT, 5)", "1:25: Missing: <)> (<Integer value>)"},
      {"CREATE FOO x", "1:11: Unknown CREATE-statement"},
      {"FOO", "1:1: Missing/Unknown: DDL-statement <Ident>"},
      {"DROP SEQUENCE s", "1:14: Unknown DROP statement: <Ident>"},
      {"CREATE TABLE t (a INT) ON COMMIT KEEP ROWS", "1:38: Must be: DELETE / PRESERVE"},
  };
  for (const TCase& C : Cases) {
    TParsed P(std::string(C.Text) + "\ngo\nCREATE TABLE after_error (a INT)\ngo\n");
    ASSERT_FALSE(P.Errors.empty()) << C.Text;
    EXPECT_EQ(P.Errors[0], C.Error) << C.Text;
    EXPECT_NE(P.Table("after_error"), nullptr) << C.Text;
  }
}

TEST(ASAParser, CatalogTextsFillTheirObjects) {
  TObjs O;
  O.SetDatabaseType(dbSybaseASA);
  auto* Prc = new TPrcData(&O);
  Prc->SetObjName("p");
  Prc->SetExtra(&TObjExtra::FullText,
                "create procedure DBA.p(in a integer)\r\nbegin\r\n  select a\r\nend");
  O.AddObj(Prc);
  auto* V = new TViwData(&O);
  V->SetObjName("v");
  V->SetExtra(&TObjExtra::FullText, "create view DBA.v as select 1 as one");
  O.AddObj(V);
  TASAParser P(&O);
  P.ParseObjText(Prc);
  P.ParseObjText(V);
  EXPECT_FALSE(P.MsgManager.GetIsErr());
  EXPECT_EQ(O.Procedures.Count(), 1);
  ASSERT_EQ(Prc->Params.Count(), 1);
  EXPECT_EQ(Prc->Extra().Body, "begin\r\n  select a\r\nend");
  EXPECT_EQ(V->Extra().Body, "select 1 as one");
  EXPECT_EQ(P.ParseObj, nullptr);
  // An error names the object it was met in.
  Prc->SetExtra(&TObjExtra::FullText, "create table x");
  P.OnErrorMessage = [](TObject*, const std::string&) {};
  P.ParseObjText(Prc);
  ASSERT_TRUE(P.MsgManager.GetIsErr());
  EXPECT_EQ(P.MsgManager.Items(0).Text.rfind("Procedure p: Must be: PROCEDURE / FUNCTION", 0), 0u)
      << P.MsgManager.Items(0).Text;
}

// ---------------------------------------------------------------------------------------------
// The executor

namespace {

const char* const ExecScript =
    "CREATE TABLE T (ID INTEGER NOT NULL)\ngo\n"
    "CREATE PROCEDURE P()\nBEGIN\n  SELECT 1;\nEND\ngo\n"
    "INSERT INTO T VALUES (1);\n"
    "COMMIT WORK\ngo\n";

struct TReplayRun : qel::testing::TExecReplayRun<TASASQLExec> {
  explicit TReplayRun(const std::string& FixtureBody)
      : TExecReplayRun(
            "# Written by hand: a SQL Anywhere server's answers to the statements of the "
            "executor tests.\n" +
                FixtureBody,
            "asa-exec", "replay-asa", cnADO, dbSybaseASA) {}
};

const char* const ExecAnswers =
    "query\tCREATE TABLE T (ID INTEGER NOT NULL)\naffected\t0\nend\n"
    "query\tCREATE PROCEDURE P()\\r\\nBEGIN\\r\\n  SELECT 1;\\r\\nEND\naffected\t0\nend\n"
    "query\tINSERT INTO T VALUES (1)\naffected\t1\nend\n";

}  // namespace

TEST(ASASQLExec, LoadsEveryStatementOfAScript) {
  TASASQLExec E(nullptr);
  EXPECT_EQ(E.DatabaseType, dbSybaseASA);
  TLines Log;
  E.OnLogNextLine = [&Log](TObject*, const std::string& T) { Log.push_back(T); };
  TStringList Lines;
  Lines.SetText(ExecScript);
  E.LoadScript(Lines);
  const TStatType Types[] = {stStatement, stProcedure, stInsert, st_Commit};
  ASSERT_EQ(E.GetStatementsCount(), 4);
  for (int I = 0; I < 4; ++I) EXPECT_EQ(E.GetStatement(I)->StatType, Types[I]) << I;
  EXPECT_EQ(E.GetStatement(0)->ObjName, "T");
  EXPECT_EQ(Log.front(), "Loading script...");
  EXPECT_EQ(Log.back(), "Script loaded: 4 statements");
  Lines.SetText("");
  E.LoadScript(Lines);
  EXPECT_EQ(E.GetStatementsCount(), 0);
  EXPECT_EQ(Log.back(), "Script loaded: 0 statements");
}

TEST(ASASQLExec, RunsTheStatementsThroughTheConnection) {
  TReplayRun R(ExecAnswers);
  TStringList Lines;
  Lines.SetText(ExecScript);
  R.E.LoadScript(Lines);
  EXPECT_TRUE(R.E.ExecuteScript()) << (R.Errors.empty() ? "" : R.Errors[0]);
  EXPECT_EQ(R.Errors, TLines{});
  TLines Sent;
  for (const std::string& L : R.Db().Log)
    if (L[0] != '<') Sent.push_back(L.substr(0, L.find("\r\n")));
  EXPECT_EQ(Sent, (TLines{"CREATE TABLE T (ID INTEGER NOT NULL)", "CREATE PROCEDURE P()",
                          "INSERT INTO T VALUES (1)"}));
  EXPECT_FALSE(R.C->InTransaction());
}

TEST(ASASQLExec, AFailingStatementFailsTheRun) {
  std::string Answers = ExecAnswers;
  const std::string Ok = "query\tINSERT INTO T VALUES (1)\naffected\t1\n";
  Answers.replace(Answers.find(Ok), Ok.size(),
                  "query\tINSERT INTO T VALUES (1)\nerror\tTable 'T' not found\n");
  TReplayRun R(Answers);
  R.E.BreakOnError = true;
  TStringList Lines;
  Lines.SetText(ExecScript);
  R.E.LoadScript(Lines);
  EXPECT_FALSE(R.E.ExecuteScript());
  ASSERT_EQ(R.Errors.size(), 1u);
  EXPECT_NE(R.Errors[0].find("Table 'T' not found"), std::string::npos);
}

TEST(ASASQLExec, ARefusedConnectionRunsNothing) {
  TReplayRun R("connect-error\tInvalid user ID or password\n");
  TStringList Lines;
  Lines.SetText("CREATE TABLE T (ID INTEGER)\ngo\n");
  R.E.LoadScript(Lines);
  EXPECT_FALSE(R.E.ExecuteScript());
  ASSERT_FALSE(R.Errors.empty());
  EXPECT_NE(R.Errors[0].find("Invalid user ID or password"), std::string::npos) << R.Errors[0];
}

TEST(ASASQLExec, CreateDatabaseRunsAsAStatement) {
  TReplayRun R("query\tCREATE DATABASE 'c:\\\\x.db'\naffected\t0\nend\n");
  TStringList Lines;
  Lines.SetText("CREATE DATABASE 'c:\\x.db'\ngo\n");
  R.E.LoadScript(Lines);
  ASSERT_EQ(R.E.GetStatementsCount(), 1);
  EXPECT_EQ(R.E.GetStatement(0)->StatType, stCreateDb);
  EXPECT_TRUE(R.E.ExecuteScript()) << (R.Errors.empty() ? "" : R.Errors[0]);
}

TEST(ASAScriptExtract, ReadsAScriptIntoTheHolder) {
  TDBStructure Holder(nullptr);
  TASAScriptExtract Extractor(nullptr);
  EXPECT_EQ(Extractor.DatabaseType, dbSybaseASA);
  Extractor.SetDBStructure(&Holder);
  ASSERT_NE(dynamic_cast<TASAParser*>(Extractor.GetParser()), nullptr);
  Extractor.OnLoadScript = [](TObject*, const std::string&, TStrings* S, bool& Loaded) {
    S->SetText("CREATE TABLE P (K INTEGER NOT NULL, PRIMARY KEY (K))\ngo\n");
    Loaded = true;
  };
  Extractor.SetScriptFileName("schema.sql");
  ASSERT_TRUE(Extractor.ExtractDatabase());
  TObjs& Objs = *Holder.GetMetadata();
  EXPECT_EQ(Objs.GetDatabaseType(), dbSybaseASA);
  EXPECT_NE(Objs.Tables.FindObj("P"), nullptr);
  EXPECT_EQ(Objs.Constraints.Count(), 1);
}
