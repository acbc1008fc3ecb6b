// The DB2 script extractor and script executor: loading a DB2 script into statements and
// running them through the replay adapter (statements, terminators, CONNECT TO and COMMIT).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ReplayAdapter.h"
#include "Strings.h"
#include "qelDB2Exec.h"
#include "qelDB2Parser.h"
#include "qelDB2ScriptExtract.h"
#include "qelDBStructure.h"
#include "test_exec_util.h"

using namespace qel;

namespace {

using TLines = std::vector<std::string>;

const char* const Script =
    "CONNECT TO SAMPLE USER DB2INST1 USING secret;\n"
    "SET CURRENT SCHEMA = APP;\n"
    "CREATE TABLE T (ID INTEGER NOT NULL,\n  NAME VARCHAR(20));\n"
    "CREATE INDEX IX ON T (NAME);\n"
    "INSERT INTO T VALUES (1, 'a;b');\n"
    "COMMIT WORK;\n"
    "CREATE TRIGGER TR AFTER INSERT ON T FOR EACH ROW MODE DB2SQL\n  VALUES (1);\n"
    "CONNECT RESET;\n"
    "TERMINATE;\n";

/// An executor over a replayed DB2 server answering FixtureBody.
struct TReplayRun : qel::testing::TExecReplayRun<TDB2SQLExec> {
  explicit TReplayRun(const std::string& FixtureBody)
      : TExecReplayRun(
            "# Written by hand: a DB2 server's answers to the statements of the "
            "DB2 executor tests.\n" +
                FixtureBody,
            "db2-exec", "replay-db2", cnSAVCL, dbDB2) {}
};

const char* const Answers =
    "query\tSET CURRENT SCHEMA = APP\naffected\t0\nend\n"
    "query\tCREATE TABLE T (ID INTEGER NOT NULL,\\r\\n  NAME VARCHAR(20))\naffected\t0\nend\n"
    "query\tCREATE INDEX IX ON T (NAME)\naffected\t0\nend\n"
    "query\tINSERT INTO T VALUES (1, 'a;b')\naffected\t1\nend\n"
    "query\tCREATE TRIGGER TR AFTER INSERT ON T FOR EACH ROW MODE DB2SQL\\r\\n  VALUES (1)\n"
    "affected\t0\nend\n";

}  // namespace

TEST(DB2SQLExec, LoadsEveryStatementOfAScript) {
  TDB2SQLExec E(nullptr);
  EXPECT_EQ(E.DatabaseType, dbDB2);
  TLines Log;
  E.OnLogNextLine = [&Log](TObject*, const std::string& T) { Log.push_back(T); };
  TStringList Lines;
  Lines.SetText(Script);
  E.LoadScript(Lines);
  struct TExpected {
    TStatType Typ;
    const char* Name;
  };
  const TExpected Expected[] = {
      {stConnect, "SAMPLE"}, {stStatement, "APP"},       {stStatement, "T"}, {stStatement, "IX"},
      {stInsert, ""},        {st_Commit, "COMMIT WORK"}, {stTrigger, "TR"}};
  ASSERT_EQ(E.GetStatementsCount(), static_cast<int>(std::size(Expected)));
  for (int I = 0; I < E.GetStatementsCount(); ++I) {
    EXPECT_EQ(E.GetStatement(I)->StatType, Expected[I].Typ) << I;
    EXPECT_EQ(E.GetStatement(I)->ObjName, Expected[I].Name) << I;
  }
  EXPECT_FALSE(E.MsgManager.GetIsErr());
  EXPECT_EQ(E.GetConnectionOptions().GetDatabaseName(), "SAMPLE");
  EXPECT_EQ(Log.front(), "Loading script...");
  EXPECT_EQ(Log.back(), "Script loaded.");

  // The script text: each statement with the dialect's terminator.
  TStringList Text;
  E.GetScript(Text, false);
  std::string Written;
  for (int I = 0; I < Text.Count(); ++I) Written += Text[I] + "\n";
  EXPECT_EQ(Written,
            "CONNECT TO SAMPLE USER DB2INST1 USING secret;\n"
            "\n"
            "SET CURRENT SCHEMA = APP;\n"
            "\n"
            "CREATE TABLE T (ID INTEGER NOT NULL,\n  NAME VARCHAR(20));\n"
            "\n"
            "CREATE INDEX IX ON T (NAME);\n"
            "\n"
            "INSERT INTO T VALUES (1, 'a;b');\n"
            "\n"
            "COMMIT WORK;\n"
            "CREATE TRIGGER TR AFTER INSERT ON T FOR EACH ROW MODE DB2SQL\n  VALUES (1);\n"
            "\n");

  // Parse errors stand in the message list; a second load replaces the first.
  E.OnErrorMessage = [](TObject*, const std::string&) {};
  Lines.SetText("CREATE TABLE U (A FOO);\nCREATE TABLE V (A INTEGER);\n");
  E.LoadScript(Lines);
  EXPECT_EQ(E.GetStatementsCount(), 1);
  ASSERT_TRUE(E.MsgManager.GetIsErr());
  EXPECT_EQ(E.MsgManager.Items(0).Line, 1);
  Lines.SetText("");
  E.LoadScript(Lines);
  EXPECT_EQ(E.GetStatementsCount(), 0);
  EXPECT_EQ(E.MsgManager.GetMsgCount(), 0);
}

TEST(DB2SQLExec, RunsTheStatementsThroughTheConnection) {
  TReplayRun R(Answers);
  TStringList Lines;
  Lines.SetText(Script);
  R.E.LoadScript(Lines);
  EXPECT_TRUE(R.E.ExecuteScript()) << (R.Errors.empty() ? "" : R.Errors[0]);
  EXPECT_EQ(R.Errors, TLines{});
  // CONNECT TO names the database and the user the run connects with.
  EXPECT_EQ(R.C->GetConnectionOptions().GetDatabaseName(), "SAMPLE");
  EXPECT_EQ(R.C->GetConnectionOptions().UserName, "DB2INST1");
  EXPECT_EQ(R.C->GetConnectionOptions().Password, "secret");
  std::vector<std::string> Sent;
  for (const std::string& L : R.Db().Log)
    if (L[0] != '<') Sent.push_back(L.substr(0, L.find("\r\n")));
  EXPECT_EQ(Sent, (TLines{"SET CURRENT SCHEMA = APP", "CREATE TABLE T (ID INTEGER NOT NULL,",
                          "CREATE INDEX IX ON T (NAME)", "INSERT INTO T VALUES (1, 'a;b')",
                          "CREATE TRIGGER TR AFTER INSERT ON T FOR EACH ROW MODE DB2SQL"}));
  // Nothing is left uncommitted.
  EXPECT_FALSE(R.C->InTransaction());
}

TEST(DB2SQLExec, AFailingStatementFailsTheRun) {
  TReplayRun R(std::string(Answers).replace(
      std::string(Answers).find("query\tCREATE INDEX"),
      std::string("query\tCREATE INDEX IX ON T (NAME)\naffected\t0\n").size(),
      "query\tCREATE INDEX IX ON T (NAME)\nerror\tSQL0601N  The name of the object to be created "
      "is identical\n"));
  R.E.BreakOnError = true;
  TStringList Lines;
  Lines.SetText(Script);
  R.E.LoadScript(Lines);
  EXPECT_FALSE(R.E.ExecuteScript());
  ASSERT_EQ(R.Errors.size(), 1u);
  EXPECT_NE(R.Errors[0].find("SQL0601N"), std::string::npos);
}

TEST(DB2SQLExec, ARefusedConnectionRunsNothing) {
  TReplayRun R("connect-error\tSQL30082N  Security processing failed with reason \"24\"\n");
  TStringList Lines;
  Lines.SetText("CREATE TABLE T (ID INTEGER);\n");
  R.E.LoadScript(Lines);
  EXPECT_FALSE(R.E.ExecuteScript());
  ASSERT_FALSE(R.Errors.empty());
  EXPECT_NE(R.Errors[0].find("SQL30082N"), std::string::npos) << R.Errors[0];
}

TEST(DB2ScriptExtract, ReadsAScriptIntoTheHolder) {
  TDBStructure Holder(nullptr);
  TDB2ScriptExtract Extractor(nullptr);
  EXPECT_EQ(Extractor.DatabaseType, dbDB2);
  EXPECT_EQ(Extractor.GetParser(), nullptr);
  std::vector<std::string> Errors;
  Extractor.SetOnErrorMessage([&Errors](TObject*, const std::string& T) { Errors.push_back(T); });
  EXPECT_FALSE(Extractor.ExtractDatabase());  // no holder
  ASSERT_FALSE(Errors.empty());
  EXPECT_EQ(Errors[0].rfind("DBStructure not assigned. (TDB2ScriptExtract) ", 0), 0u) << Errors[0];
  Extractor.SetDBStructure(&Holder);
  ASSERT_NE(dynamic_cast<TDB2Parser*>(Extractor.GetParser()), nullptr);
  Extractor.OnLoadScript = [](TObject*, const std::string&, TStrings* S, bool& Loaded) {
    S->SetText(
        "CREATE TABLE P (K INTEGER NOT NULL);\n"
        "CREATE TABLE C (A INTEGER);\n"
        "ALTER TABLE P ADD CONSTRAINT PK_P PRIMARY KEY (K);\n"
        "ALTER TABLE C ADD CONSTRAINT FK_C FOREIGN KEY (A) REFERENCES P (K);\n");
    Loaded = true;
  };
  Extractor.SetScriptFileName("schema.sql");
  ASSERT_TRUE(Extractor.ExtractDatabase());
  TObjs& Objs = *Holder.GetMetadata();
  EXPECT_EQ(Objs.GetDatabaseType(), dbDB2);
  EXPECT_NE(Objs.GetTable("P"), nullptr);
  EXPECT_NE(Objs.GetTable("C"), nullptr);
  EXPECT_EQ(Objs.Constraints.Count(), 2);
}
