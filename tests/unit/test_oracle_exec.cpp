// The Oracle script extractor and script executor: loading a SQL*Plus script into statements
// and running them through the replay adapter (PL/SQL blocks ended by "/", terminators,
// CONNECT, COMMIT, rollback of a failing statement, BreakOnError, a refused log-on).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ReplayAdapter.h"
#include "Strings.h"
#include "qelDBStructure.h"
#include "qelOracleParser.h"
#include "qelOracleSQLExec.h"
#include "qelOracleScriptExtract.h"
#include "test_exec_util.h"

using namespace qel;

namespace {

using TLines = std::vector<std::string>;

const char* const Script =
    "REM the order-entry objects\n"
    "SET ECHO OFF\n"
    "SPOOL run.log\n"
    "CONNECT app/Secret1\n"
    "PROMPT Tables...\n"
    "CREATE TABLE T (ID NUMBER(10) NOT NULL,\n  NAME VARCHAR2(20));\n"
    "CREATE INDEX IX ON T (NAME);\n"
    "INSERT INTO T VALUES (1, 'a;b');\n"
    "COMMIT;\n"
    "CREATE OR REPLACE TRIGGER TR BEFORE INSERT ON T FOR EACH ROW\n"
    "BEGIN\n  :NEW.NAME := UPPER(:NEW.NAME);\nEND;\n/\n"
    "SHOW ERRORS\n"
    "BEGIN\n  NULL;\nEND;\n/\n"
    "SPOOL OFF\n"
    "EXIT\n";

/// An executor over a replayed Oracle server answering FixtureBody.
struct TReplayRun : qel::testing::TExecReplayRun<TOracleSQLExec> {
  explicit TReplayRun(const std::string& FixtureBody)
      : TExecReplayRun(
            "# Written by hand: an Oracle server's answers to the statements of the "
            "Oracle executor tests.\n" +
                FixtureBody,
            "oracle-exec", "replay-oracle", cnODAC, dbOracle) {}
  /// The first line of each statement the server received.
  TLines Sent() {
    TLines R;
    for (const std::string& L : Db().Log)
      if (L[0] != '<') R.push_back(L.substr(0, L.find_first_of("\r\n")));
    return R;
  }
  bool Run(const std::string& Text) {
    TStringList Lines;
    Lines.SetText(Text);
    E.LoadScript(Lines);
    return E.ExecuteScript();
  }
};

const std::string Answers =
    "query\tCREATE TABLE T (ID NUMBER(10) NOT NULL,\\r\\n  NAME VARCHAR2(20))\naffected\t0\nend\n"
    "query\tCREATE INDEX IX ON T (NAME)\naffected\t0\nend\n"
    "query\tINSERT INTO T VALUES (1, 'a;b')\naffected\t1\nend\n"
    // Routine and trigger texts go with LF line breaks and without their "/" line.
    "query\tCREATE OR REPLACE TRIGGER TR BEFORE INSERT ON T FOR EACH ROW\\nBEGIN\\n  "
    ":NEW.NAME := UPPER(:NEW.NAME);\\nEND;\naffected\t0\nend\n"
    "query\tBEGIN\\r\\n  NULL;\\r\\nEND;\naffected\t0\nend\n";

}  // namespace

TEST(OracleSQLExec, LoadsTheStatementsAndLeavesTheClientCommands) {
  TOracleSQLExec E(nullptr);
  EXPECT_EQ(E.DatabaseType, dbOracle);
  TLines Log;
  E.OnLogNextLine = [&Log](TObject*, const std::string& T) { Log.push_back(T); };
  TStringList Lines;
  Lines.SetText(Script);
  E.LoadScript(Lines);
  struct TExpected {
    TStatType Typ;
    const char* Name;
  };
  const TExpected Expected[] = {{stConnect, "APP"}, {stStatement, "T"},         {stStatement, "IX"},
                                {stInsert, "T"},    {st_Commit, "COMMIT WORK"}, {stTrigger, "TR"},
                                {stStatement, ""}};
  ASSERT_EQ(E.GetStatementsCount(), static_cast<int>(std::size(Expected)));
  for (int I = 0; I < E.GetStatementsCount(); ++I) {
    EXPECT_EQ(E.GetStatement(I)->StatType, Expected[I].Typ) << I;
    EXPECT_EQ(E.GetStatement(I)->ObjName, Expected[I].Name) << I;
  }
  EXPECT_EQ(E.GetStatement(0)->OwnName, "Secret1");
  EXPECT_FALSE(E.MsgManager.GetIsErr());
  EXPECT_EQ(E.GetConnectionOptions().UserName, "APP");
  EXPECT_EQ(Log.front(), "Loading script...");
  EXPECT_EQ(Log.back(), "Script loaded: 7 statements");

  // A second load replaces the first; an empty script loads nothing.
  Lines.SetText("");
  E.LoadScript(Lines);
  EXPECT_EQ(E.GetStatementsCount(), 0);
  EXPECT_EQ(Log.back(), "Script loaded: 0 statements");
}

TEST(OracleSQLExec, RunsTheStatementsThroughTheConnection) {
  TReplayRun R(Answers);
  EXPECT_TRUE(R.Run(Script)) << (R.Errors.empty() ? "" : R.Errors[0]);
  EXPECT_EQ(R.Errors, TLines{});
  // CONNECT logs on as the user it names, with the password as written.
  EXPECT_EQ(R.C->GetConnectionOptions().UserName, "APP");
  EXPECT_EQ(R.C->GetConnectionOptions().Password, "Secret1");
  EXPECT_TRUE(R.C->GetConnected());
  EXPECT_EQ(R.Sent(),
            (TLines{"CREATE TABLE T (ID NUMBER(10) NOT NULL,", "CREATE INDEX IX ON T (NAME)",
                    "INSERT INTO T VALUES (1, 'a;b')",
                    "CREATE OR REPLACE TRIGGER TR BEFORE INSERT ON T FOR EACH ROW", "BEGIN"}));
  EXPECT_FALSE(R.C->InTransaction());
}

TEST(OracleSQLExec, AFailingStatementIsRolledBackAndBreakOnErrorStops) {
  const std::string Failing =
      "query\tCREATE INDEX IX ON T (NAME)\nerror\tORA-00955: name is already used by an "
      "existing object\nend\n";
  std::string Fixture = Answers;
  const std::size_t At = Fixture.find("query\tCREATE INDEX");
  Fixture.replace(At, Fixture.find("end\n", At) + 4 - At, Failing);
  for (bool Break : {true, false}) {
    TReplayRun R(Fixture);
    R.E.BreakOnError = Break;
    EXPECT_FALSE(R.Run(Script));
    ASSERT_EQ(R.Errors.size(), 1u);
    EXPECT_NE(R.Errors[0].find("ORA-00955"), std::string::npos);
    EXPECT_FALSE(R.C->InTransaction());  // rolled back
    // Stopped at the failure, or run on to the end.
    EXPECT_EQ(R.Sent().size(), Break ? 2u : 5u) << Break;
  }
}

TEST(OracleSQLExec, ARefusedLogOnRunsNothing) {
  TReplayRun R("connect-error\tORA-01017: invalid username/password; logon denied\n");
  EXPECT_FALSE(R.Run("CREATE TABLE T (ID NUMBER);\n"));
  ASSERT_FALSE(R.Errors.empty());
  EXPECT_NE(R.Errors[0].find("ORA-01017"), std::string::npos) << R.Errors[0];
  EXPECT_FALSE(R.C->GetConnected());
}

TEST(OracleScriptExtract, ReadsAScriptIntoTheHolder) {
  TDBStructure Holder(nullptr);
  TOracleScriptExtract Extractor(nullptr);
  EXPECT_EQ(Extractor.DatabaseType, dbOracle);
  EXPECT_EQ(Extractor.GetParser(), nullptr);
  std::vector<std::string> Errors;
  Extractor.SetOnErrorMessage([&Errors](TObject*, const std::string& T) { Errors.push_back(T); });
  EXPECT_FALSE(Extractor.ExtractDatabase());  // no holder
  ASSERT_FALSE(Errors.empty());
  EXPECT_EQ(Errors[0].rfind("DBStructure not assigned. (TOracleScriptExtract) ", 0), 0u)
      << Errors[0];
  Extractor.SetDBStructure(&Holder);
  ASSERT_NE(dynamic_cast<TOracleParser*>(Extractor.GetParser()), nullptr);
  Extractor.OnLoadScript = [](TObject*, const std::string&, TStrings* S, bool& Loaded) {
    S->SetText(
        "CREATE TABLE P (K NUMBER NOT NULL, CONSTRAINT PK_P PRIMARY KEY (K));\n"
        "CREATE TABLE C (A NUMBER, CONSTRAINT FK_C FOREIGN KEY (A) REFERENCES P);\n");
    Loaded = true;
  };
  Extractor.SetScriptFileName("schema.sql");
  ASSERT_TRUE(Extractor.ExtractDatabase());
  TObjs& Objs = *Holder.GetMetadata();
  EXPECT_EQ(Objs.GetDatabaseType(), dbOracle);
  EXPECT_NE(Objs.GetTable("P"), nullptr);
  EXPECT_EQ(Objs.Constraints.Count(), 2);
}
