// The SQL Server and ASE script executors: GO batches cut from script text, and batches run
// through the replay adapter (connect, commit, rollback on error, BreakOnError).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ReplayAdapter.h"
#include "Strings.h"
#include "qelASESQLExec.h"
#include "qelMSSQLExec.h"

using namespace qel;

namespace {

using TLines = std::vector<std::string>;

std::vector<TGoBatch> Split(const std::string& Text) {
  TStringList Lines;
  Lines.SetText(Text);
  return SplitGoBatches(Lines);
}

const char* const Script =
    "create table t (id int not null)\n"
    "go\n"
    "insert into t values (1)\n"
    "GO 2\n"
    "create procedure p as\n"
    "  select 'a\n"
    "go' from t\n"
    "go  -- done\n";

/// An executor of each dialect over a replayed server answering Body.
template <class TExec>
struct TReplayRun {
  explicit TReplayRun(const std::string& Body, TDatabaseType DB) {
    auto F = std::make_shared<replay::TReplayFixture>();
    F->LoadFromText("# Written by hand: a server's answers to the executor tests.\n" + Body,
                    "tsql-exec");
    Adapter = std::make_unique<replay::TScopedReplayAdapter>("replay-tsql-exec", cnADO, F);
    C = std::make_unique<TQELConnection>(nullptr);
    C->SetConnectionType(cnADO);
    C->SetDatabaseType(DB);
    E.SetConnection(C.get());
    E.OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
    TStringList Lines;
    Lines.SetText(Script);
    E.LoadScript(Lines);
  }
  TLines Log() { return dynamic_cast<replay::TReplayDatabase&>(*C->GetDatabase()).Log; }

  std::unique_ptr<replay::TScopedReplayAdapter> Adapter;
  std::unique_ptr<TQELConnection> C;
  TExec E{nullptr};
  TLines Errors;
};

const char* const Answers =
    "query\tcreate table t (id int not null)\naffected\t0\nend\n"
    "query\tinsert into t values (1)\naffected\t1\nend\n"
    "query\tcreate procedure p as\\r\\n  select 'a\\r\\ngo' from t\naffected\t0\nend\n";

/// The log of the replayed server, each entry's first line, joined by "|".
std::string Sent(const TLines& Log) {
  std::string R;
  for (const std::string& L : Log) R += L.substr(0, L.find('\r')) + "|";
  return R;
}

template <class TExec>
void RunsAndFails(TDatabaseType DB) {
  {
    TReplayRun<TExec> R(Answers, DB);
    ASSERT_EQ(R.E.GetStatementsCount(), 4);
    EXPECT_TRUE(R.E.ExecuteScript()) << (R.Errors.empty() ? "" : R.Errors[0]);
    // GO 2 runs the batch twice; what ran in a transaction is committed at the end.
    EXPECT_EQ(Sent(R.Log()),
              "<connect>|create table t (id int not null)|<start transaction>|"
              "insert into t values (1)|insert into t values (1)|create procedure p as|<commit>|");
    EXPECT_FALSE(R.C->InTransaction());
  }
  for (const bool Break : {true, false}) {
    std::string Body = Answers;
    const std::string Insert = "insert into t values (1)\naffected\t1\n";
    Body.replace(Body.find(Insert), Insert.size(),
                 "insert into t values (1)\nerror\tViolation of PRIMARY KEY constraint\n");
    TReplayRun<TExec> R(Body, DB);
    R.E.BreakOnError = Break;
    EXPECT_FALSE(R.E.ExecuteScript());
    ASSERT_FALSE(R.Errors.empty());
    EXPECT_NE(R.Errors[0].find("Violation of PRIMARY KEY constraint"), std::string::npos);
    // The failure rolls back its transaction; with BreakOnError the run stops there.
    const std::string Failed =
        "<connect>|create table t (id int not null)|<start transaction>|"
        "insert into t values (1)|<rollback>|";
    EXPECT_EQ(Sent(R.Log()), Break ? Failed
                                   : Failed +
                                         "<start transaction>|insert into t values (1)|"
                                         "<rollback>|create procedure p as|");
  }
  {
    TReplayRun<TExec> R("connect-error\tLogin failed for user 'sa'.\n", DB);
    EXPECT_FALSE(R.E.ExecuteScript());
    ASSERT_FALSE(R.Errors.empty());
    EXPECT_NE(R.Errors[0].find("Login failed for user 'sa'."), std::string::npos);
  }
}

}  // namespace

TEST(MSSQLExec, GoLinesCutTheScriptIntoBatches) {
  struct TCase {
    const char* Text;
    TLines Batches;  // each batch's text, repeated by its count
    std::vector<int> Lines;
  };
  const TCase Cases[] = {
      {Script,
       {"create table t (id int not null)", "insert into t values (1)", "insert into t values (1)",
        "create procedure p as\r\n  select 'a\r\ngo' from t"},
       {1, 3, 3, 5}},
      // Case, blanks, a comment after GO; GO as part of a word or name is text.
      {"select 1\n  Go  \nselect go_on, [go\ngo] from gone\ngO\n",
       {"select 1", "select go_on, [go\r\ngo] from gone"},
       {1, 3}},
      // Comments (nested), quoted names and doubled quotes hide GO lines.
      {"/* a /* b */\ngo\n*/ select 1\ngo\nselect \"x\ngo\" , 'it''s\ngo'\n",
       {"/* a /* b */\r\ngo\r\n*/ select 1", "select \"x\r\ngo\" , 'it''s\r\ngo'"},
       {1, 5}},
      // A line comment ends at the line; no GO line at all is one batch; empty batches go.
      {"select 1 -- 'open\ngo\n\ngo\n\nselect 2\n", {"select 1 -- 'open", "select 2"}, {1, 6}},
      // Not GO lines: a count of zero, "GO5", text after the count.
      {"select 1\ngo 0\ngo5\ngo 2 x\n", {"select 1\r\ngo 0\r\ngo5\r\ngo 2 x"}, {1}},
  };
  for (const TCase& C : Cases) {
    TLines Got;
    std::vector<int> At;
    for (const TGoBatch& B : Split(C.Text))
      for (int I = 0; I < B.Count; ++I) {
        Got.push_back(B.Text);
        At.push_back(B.Line);
      }
    EXPECT_EQ(Got, C.Batches) << C.Text;
    EXPECT_EQ(At, C.Lines) << C.Text;
  }
  EXPECT_EQ(Split("select 1\ngo 99999999999999999999\n")[0].Count, 10001);
}

TEST(MSSQLExec, LoadingNamesEachBatchAndReportsErrorsAtTheirScriptLine) {
  TMSSQLExec E(nullptr);
  EXPECT_EQ(E.DatabaseType, dbMSSQL);
  TLines Errors;
  E.OnErrorMessage = [&Errors](TObject*, const std::string& T) { Errors.push_back(T); };
  E.ScriptFileName = "update.sql";
  TStringList Lines;
  Lines.SetText(
      "create table t (id int)\ngo\n\ncreate table u (id int,\n  x int fooz(\ngo\n"
      "create view v as select id from t\ngo 10001\ncreate index ix on t (id)\ngo\n");
  E.LoadScript(Lines);
  ASSERT_EQ(E.GetStatementsCount(), 2);
  EXPECT_EQ(E.GetStatement(0)->ObjName, "T");
  EXPECT_EQ(E.GetStatement(1)->Lines[0], "create index ix on t (id)");
  ASSERT_EQ(E.MsgManager.GetErrCount(), 2);
  EXPECT_EQ(E.MsgManager.Items(0).Line, 5);  // in the script, not in the batch
  EXPECT_EQ(E.MsgManager.Items(0).ScriptName, "update.sql");
  EXPECT_EQ(E.MsgManager.Items(1).Line, 7);
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("Line:5"), std::string::npos) << Errors[0];
}

TEST(MSSQLExec, BatchesRunThroughTheConnection) {
  RunsAndFails<TMSSQLExec>(dbMSSQL);
  RunsAndFails<TASESQLExec>(dbSybaseASE);
  EXPECT_EQ(TASESQLExec(nullptr).DatabaseType, dbSybaseASE);
}
