// The script executor without a server: script text per dialect, and runs against the replay
// adapter (transactions, failures, BreakOnError, cancelling, connecting, the large-value side
// file and the exact text that reaches the server).
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Files.h"
#include "ReplayAdapter.h"
#include "Strings.h"
#include "qelCompObj.h"
#include "qelSQL_Exec.h"

using namespace qel;
using namespace qel::replay;

namespace {

using TLines = std::vector<std::string>;

TLines ScriptOf(TSQLExec& E, bool RecordLines = false) {
  TStringList L;
  E.GetScript(L, RecordLines);
  return TLines(L.begin(), L.end());
}

/// A list with a table, two procedures, a comment and a view, as a comparison writes it.
void AddTableProcsView(TSQLExec& E) {
  E.Add("CREATE TABLE T (A INTEGER)", stStatement, "T", dboTable, odbCreate);
  E.Add("CREATE PROCEDURE P1\r\nAS\r\nBEGIN\r\n  EXIT;\r\nEND", stProcedure, "P1", dboProcedure,
        odbCreate);
  E.AddComment("/* between */");
  E.Add("  CREATE PROCEDURE P2\r\nAS\r\nBEGIN EXIT; END  ", stProcedure, "P2", dboProcedure,
        odbCreate);
  E.Add("CREATE VIEW V AS\r\nSELECT A FROM T", stStatement, "V", dboView, odbCreate);
}

/// A fixture entry: the statement and its answer (a row count, or an error).
std::string Entry(const std::string& SQL, const std::string& Answer = "affected\t1\n") {
  return "query\t" + EscapeValue(SQL) + "\n" + Answer + "end\n";
}
std::string ErrorEntry(const std::string& SQL, const std::string& Message) {
  return Entry(SQL, "error\t" + Message + "\n");
}

/// An executor on a replay connection, with everything it reports collected.
struct TReplayRun {
  explicit TReplayRun(const std::string& FixtureBody, TDatabaseType Dialect = dbPostgreSQL,
                      const std::string& AdapterName = "replay-exec")
      : Fixture(std::make_shared<TReplayFixture>()) {
    Fixture->LoadFromText("# Written by hand\n" + FixtureBody, AdapterName);
    Adapter = std::make_unique<TScopedReplayAdapter>(AdapterName, cnSAVCL, Fixture);
    C = std::make_unique<TQELConnection>(nullptr);
    C->SetConnectionType(cnSAVCL);
    C->SetDatabaseType(Dialect);
    E = std::make_unique<TSQLExec>(nullptr);
    E->Name = "Exec1";
    E->DatabaseType = Dialect;
    E->SetConnection(C.get());
    E->OnLogNextLine = [this](TObject*, const std::string& T) { Log.push_back(T); };
    E->OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
  }
  TReplayDatabase& Db() { return dynamic_cast<TReplayDatabase&>(*C->GetDatabase()); }
  bool Logged(const std::string& Line) const {
    for (const std::string& L : Log)
      if (L == Line) return true;
    return false;
  }

  std::shared_ptr<TReplayFixture> Fixture;
  std::unique_ptr<TScopedReplayAdapter> Adapter;
  std::unique_ptr<TQELConnection> C;
  std::unique_ptr<TSQLExec> E;
  TLines Log, Errors;
};

/// A temporary folder with a script name and a side file in it.
struct TSideFile {
  TSideFile() {
    std::string Tmpl = ::testing::TempDir() + "qel_exec_XXXXXX";
    Dir = mkdtemp(Tmpl.data());
    Script = Dir + "/data.sql";
    Lob = Dir + "/data.LOB";
  }
  ~TSideFile() {
    std::remove(Lob.c_str());
    rmdir(Dir.c_str());
  }
  std::string Dir, Script, Lob;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Script text

TEST(ExecScriptText, InterBaseWritesSetTermBlocksAroundRoutines) {
  TSQLExec E(nullptr);
  E.DatabaseType = dbInterBase;
  AddTableProcsView(E);
  E.Add("CREATE TRIGGER TR FOR T\r\nAS BEGIN EXIT; END", stTrigger, "TR", dboTrigger, odbCreate);
  EXPECT_EQ(ScriptOf(E, true), (TLines{"CREATE TABLE T (A INTEGER);",
                                       "",  //
                                       "SET TERM ^ ;",
                                       "",  //
                                       "CREATE PROCEDURE P1",
                                       "AS",
                                       "BEGIN",
                                       "  EXIT;",
                                       "END",
                                       "^",
                                       "/* between */",  // the comment stays inside the block
                                       "  CREATE PROCEDURE P2",
                                       "AS",
                                       "BEGIN EXIT; END  ",
                                       "^",  //
                                       "SET TERM ; ^",
                                       "",  //
                                       "CREATE VIEW V AS",
                                       "SELECT A FROM T",
                                       ";",
                                       "",  //
                                       "SET TERM ^ ;",
                                       "",  //
                                       "CREATE TRIGGER TR FOR T",
                                       "AS BEGIN EXIT; END",
                                       "^"}));
  // Recorded lines point at each statement's own first line, past a SET TERM line.
  EXPECT_EQ(E.GetStatement(0)->Line, 0);
  EXPECT_EQ(E.GetStatement(1)->Line, 4);
  EXPECT_EQ(E.GetStatement(2)->Line, 10);
  EXPECT_EQ(E.GetStatement(4)->Line, 17);
  EXPECT_EQ(E.GetStatement(5)->Line, 23);

  // Appending to lines that hold text already: LineTotal starts at their count.
  TStringList L;
  L.Add("-- header");
  E.GetScript(L, false);
  EXPECT_EQ(E.LineTotal, 1);
  EXPECT_EQ(L[1], "CREATE TABLE T (A INTEGER);");
}

TEST(ExecScriptText, OtherDialectsTerminatorsGoAndSlash) {
  TSQLExec Ms(nullptr);
  Ms.DatabaseType = dbMSSQL;
  AddTableProcsView(Ms);
  EXPECT_EQ(ScriptOf(Ms), (TLines{"CREATE TABLE T (A INTEGER)",
                                  "GO",
                                  "",  //
                                  "CREATE PROCEDURE P1",
                                  "AS",
                                  "BEGIN",
                                  "  EXIT;",  //
                                  "END",
                                  "GO",
                                  "",               //
                                  "/* between */",  //
                                  "CREATE PROCEDURE P2",
                                  "AS",
                                  "BEGIN EXIT; END",  //
                                  "GO",
                                  "",  //
                                  "CREATE VIEW V AS",
                                  "SELECT A FROM T",
                                  "",
                                  "GO",
                                  ""}));

  TSQLExec Pg(nullptr);
  Pg.DatabaseType = dbPostgreSQL;
  Pg.Add("CREATE FUNCTION F() RETURNS int AS $$\r\nBEGIN RETURN 1; END\r\n$$ LANGUAGE plpgsql",
         stProcedure, "F", dboProcedure, odbCreate);
  Pg.Add("CREATE TABLE T (A int)", stStatement, "T", dboTable, odbCreate);
  EXPECT_EQ(ScriptOf(Pg), (TLines{"CREATE FUNCTION F() RETURNS int AS $$", "BEGIN RETURN 1; END",
                                  "$$ LANGUAGE plpgsql;", "", "CREATE TABLE T (A int);", ""}));

  TSQLExec Ora(nullptr);
  Ora.DatabaseType = dbOracle;
  Ora.Add("CREATE PACKAGE PK AS\r\n  PROCEDURE X;\r\nEND PK;", stStatement, "PK", dboPackage,
          odbCreate);
  Ora.Add("CREATE PROCEDURE P AS\r\nBEGIN NULL; END;", stProcedure, "P", dboProcedure, odbCreate);
  Ora.Add("DROP PACKAGE PK", stStatement, "PK", dboPackage, odbDrop);
  EXPECT_EQ(ScriptOf(Ora),
            (TLines{"CREATE PACKAGE PK AS", "  PROCEDURE X;", "END PK;", "/",
                    "CREATE PROCEDURE P AS", "BEGIN NULL; END;", "/", "DROP PACKAGE PK;", ""}));
}

TEST(ExecScriptText, StatementKindsCommitsAndSkips) {
  TSQLExec E(nullptr);
  E.DatabaseType = dbInterBase;
  E.GetIBServerOptions().GetIBCompareOptions().GenerateCOMMIT = true;
  E.Add("CONNECT 'db'", stConnect);
  E.Add("ALTER TABLE T ADD B INTEGER", stStatement, "T", dboTable, odbAlter)->Skip = true;
  E.Add("CREATE TABLE T (A INTEGER)", stStatement, "T", dboTable, odbCreate);
  E.Add("CREATE PROCEDURE P AS BEGIN EXIT; END", stProcedure, "P", dboProcedure, odbCreate);
  E.Add("COMMENT ON TABLE T IS 'x'", stDescription, "T", dboTable, odbDescription);
  E.Add("  SET BLOBFILE 'd.lob'  ", stSetBlobFile, "d.lob");
  E.Add("INSERT INTO T VALUES (1)", stInsert, "T", dboTable, odbInsert);
  E.Add("SET NAMES UTF8", stSetNames, "", dboUnknown, odbUnknown, "", "!");
  E.Add("CREATE VIEW V AS SELECT A FROM T", stStatement, "V", dboView, odbCreate);
  E.Add_Commit();
  E.AddComment("");
  EXPECT_EQ(ScriptOf(E), (TLines{"CONNECT 'db';",
                                 "",  //
                                 "CREATE TABLE T (A INTEGER);",
                                 "",
                                 "COMMIT WORK;",  //
                                 "SET TERM ^ ;",
                                 "",  //
                                 "CREATE PROCEDURE P AS BEGIN EXIT; END",
                                 "^",
                                 "COMMIT WORK ^",
                                 "SET TERM ; ^",
                                 "",  //
                                 "COMMENT ON TABLE T IS 'x';",
                                 "",
                                 "COMMIT WORK;",  //
                                 "SET BLOBFILE 'd.lob';",
                                 "",  //
                                 "INSERT INTO T VALUES (1);",
                                 "",                 //
                                 "SET NAMES UTF8!",  //
                                 "CREATE VIEW V AS SELECT A FROM T;",
                                 "",  //
                                 "COMMIT WORK;",
                                 "COMMIT WORK;",
                                 ""}));
  const TStatement* Commit = E.GetStatement(9);
  EXPECT_EQ(Commit->StatType, st_Commit);
  EXPECT_EQ(Commit->ObjName, "COMMIT WORK");
  EXPECT_EQ(Commit->DbOperation, odbCommit);
  EXPECT_EQ(E.GetStatement(10)->ObjName, "/*  */");
  EXPECT_EQ(E.GetStatement(10)->DbOperation, odbComment);

  TSQLExec Asa(nullptr);
  Asa.DatabaseType = dbSybaseASA;
  Asa.Add_Commit();
  EXPECT_EQ(ScriptOf(Asa), (TLines{"Commit Work", "go"}));
  EXPECT_EQ(Asa.GetStatement(0)->ObjName, "Commit Work");
}

TEST(ExecScriptText, ReconnectStatementsOnlyForInterBase) {
  TSQLExec E(nullptr);
  E.DatabaseType = dbPostgreSQL;
  E.AddReConnect();
  EXPECT_EQ(E.GetStatementsCount(), 0);
  E.DatabaseType = dbInterBase;
  E.AddReConnect();  // UseRECONNECT is on by default
  ASSERT_EQ(E.GetStatementsCount(), 1);
  EXPECT_EQ(E.GetStatement(0)->StatType, stReconnect);
  E.GetIBServerOptions().GetIBCompareOptions().UseRECONNECT = false;
  E.AddReConnect();  // no database name: nothing to connect to
  EXPECT_EQ(E.GetStatementsCount(), 1);
  E.GetConnectionOptions().SetDatabaseName("/db/x.fdb");
  E.GetConnectionOptions().UserName = "SYSDBA";
  E.AddReConnect();
  ASSERT_EQ(E.GetStatementsCount(), 2);
  EXPECT_EQ(E.GetStatement(1)->StatType, stConnect);
  EXPECT_EQ(ScriptOf(E), (TLines{"RECONNECT;", "", "CONNECT '/db/x.fdb' USER 'SYSDBA';", ""}));
  // Clear empties the option objects with the list.
  E.Clear();
  EXPECT_EQ(E.GetConnectionOptions().GetDatabaseName(), "");
  EXPECT_EQ(E.GetStatementsCount(), 0);
}

TEST(ExecScriptText, LargeValueParameterNames) {
  std::uint64_t Offset = 0, Length = 0;
  EXPECT_TRUE(TSQLExec::ParseBlobParamName("h0000001A_00000004", Offset, Length));
  EXPECT_EQ(Offset, 26u);
  EXPECT_EQ(Length, 4u);
  EXPECT_TRUE(TSQLExec::ParseBlobParamName("HFFFFFFFF_0000000a", Offset, Length));
  EXPECT_EQ(Offset, 0xFFFFFFFFu);
  EXPECT_EQ(Length, 10u);
  for (const char* Bad : {"H0000001A-00000004", "h0000001A_0000004", "h0000001A_000000041",
                          "x0000001A_00000004", "h0000001G_00000004", "h 000001A_00000004"})
    EXPECT_FALSE(TSQLExec::ParseBlobParamName(Bad, Offset, Length)) << Bad;
}

// ---------------------------------------------------------------------------------------------
// Runs

TEST(ExecRun, PlainStatementsCommitEachAndAFailureDoesNotStopTheRun) {
  TReplayRun R(Entry("CREATE TABLE T (A int)") + ErrorEntry("CREATE TABLE T (B int)", "exists") +
               Entry("CREATE TABLE U (A int)"));
  for (const char* T : {"T (A", "T (B", "U (A"})
    R.E->Add(std::string("CREATE TABLE ") + T + " int)", stStatement, std::string(T, 1), dboTable,
             odbCreate);
  std::vector<int> Before, After;
  R.E->OnBeforeStatementExecute = [&](TObject*, int I) { Before.push_back(I); };
  R.E->OnAfterStatementExecute = [&](TObject*, int I) { After.push_back(I); };

  EXPECT_FALSE(R.E->ExecuteScript());
  EXPECT_EQ(R.Db().Log,
            (TLines{"<connect>", "<start transaction>", "CREATE TABLE T (A int)", "<commit>",
                    "<start transaction>", "CREATE TABLE T (B int)", "<rollback>",
                    "<start transaction>", "CREATE TABLE U (A int)", "<commit>", "<disconnect>"}));
  EXPECT_FALSE(R.C->GetConnected());  // closed again, as it was before the run
  EXPECT_EQ(Before, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(After, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(R.E->ErrorCount, 1);
  EXPECT_EQ(R.Errors, TLines{"exists"});
  EXPECT_EQ(R.E->GetStatement(1)->ErrorText, "exists");
  EXPECT_EQ(R.E->GetStatement(2)->ErrorText, "");
  ASSERT_EQ(R.E->MsgManager.GetErrCount(), 1);
  EXPECT_EQ(R.E->MsgManager.Items(0).Obj, R.E->GetStatement(1));
  EXPECT_EQ(R.Log, (TLines{"Updating target database...", "< Exec SQL >: T: create",
                           "< Exec SQL >: T: create", "< Exec SQL >: U: create",
                           "< Script executed: 1 errors... >"}));
  EXPECT_EQ(R.E->GetCurrentStatement(), R.E->GetStatement(2));
  EXPECT_EQ(R.E->GetQuery(), nullptr);  // the run's query is gone
}

TEST(ExecRun, BreakOnErrorStopsAfterTheFirstFailure) {
  TReplayRun R(Entry("CREATE TABLE T (A int)") + ErrorEntry("bad", "syntax error"));
  R.E->BreakOnError = true;
  R.E->ShowFullLog = true;
  R.E->Add("CREATE TABLE T (A int)", stStatement, "T", dboTable, odbCreate);
  R.E->Add("bad", stStatement);
  R.E->Add("CREATE TABLE U (A int)", stStatement, "U", dboTable, odbCreate);
  R.C->SetConnected(true);
  EXPECT_FALSE(R.E->ExecuteScript());
  EXPECT_EQ(R.Log, (TLines{"Updating target database...", "< Exec SQL >:", "CREATE TABLE T (A int)",
                           "< Exec SQL >:", "bad", "< Break on Error! >",
                           "< Script executed: 1 errors... >"}));
  EXPECT_TRUE(R.C->GetConnected());  // it was open before the run
}

TEST(ExecRun, AFailingDataStatementNamesTheStatementsRolledBackWithIt) {
  TReplayRun R(Entry("INSERT INTO T VALUES (1)") + Entry("INSERT INTO T VALUES (2)") +
               ErrorEntry("INSERT INTO T VALUES (1, 'again')", "duplicate key") +
               Entry("INSERT INTO T VALUES (3)"));
  for (const char* V : {"1", "2", "1, 'again'", "3"})
    R.E->Add(std::string("INSERT INTO T VALUES (") + V + ")", stInsert, "T", dboTable, odbInsert);

  EXPECT_FALSE(R.E->ExecuteScript());
  // One transaction for the data statements; the failure rolls back the two before it, the
  // fourth starts a new one that the end of the run commits.
  EXPECT_EQ(R.Db().Log, (TLines{"<connect>", "<start transaction>", "INSERT INTO T VALUES (1)",
                                "INSERT INTO T VALUES (2)", "INSERT INTO T VALUES (1, 'again')",
                                "<rollback>", "<start transaction>", "INSERT INTO T VALUES (3)",
                                "<commit>", "<disconnect>"}));
  EXPECT_TRUE(R.Logged("< Rolled back >: T: insert (statement 1)"));
  EXPECT_TRUE(R.Logged("< Rolled back >: T: insert (statement 2)"));
  EXPECT_FALSE(R.Logged("< Rolled back >: T: insert (statement 4)"));
  EXPECT_EQ(R.E->MsgManager.GetWrnCount(), 1);
  EXPECT_EQ(R.E->ErrorCount, 1);
}

TEST(ExecRun, AScriptRunInPartsIsOneRun) {
  // Five data statements handed over two at a time: one transaction and one commit for all of
  // them, and a failure in a later part rolls back those of the parts before it too.
  for (const int Failing : {0, 4}) {
    std::string Fixture;
    for (int I = 1; I <= 5; ++I) {
      const std::string SQL = "INSERT INTO T VALUES (" + std::to_string(I) + ")";
      Fixture += I == Failing ? ErrorEntry(SQL, "duplicate key") : Entry(SQL);
    }
    TReplayRun R(Fixture);
    R.E->BreakOnError = true;
    int Next = 1, Parts = 0;
    const bool Ok = R.E->ExecuteScriptInParts([&](TSQLExec& E) {
      EXPECT_EQ(E.GetStatementsCount(), 0);
      for (int N = 0; N < 2 && Next <= 5; ++N, ++Next)
        E.Add("INSERT INTO T VALUES (" + std::to_string(Next) + ")", stInsert, "T", dboTable,
              odbInsert);
      return E.GetStatementsCount() > 0 && ++Parts > 0;
    });
    EXPECT_EQ(Ok, Failing == 0) << Failing;
    TLines Expected{"<connect>", "<start transaction>"};
    for (int I = 1; I <= (Failing ? Failing : 5); ++I)
      Expected.push_back("INSERT INTO T VALUES (" + std::to_string(I) + ")");
    Expected.push_back(Failing ? "<rollback>" : "<commit>");
    Expected.push_back("<disconnect>");
    EXPECT_EQ(R.Db().Log, Expected) << Failing;
    EXPECT_EQ(Parts, Failing ? 2 : 3);
    // The statements keep their numbers in the whole script; the list keeps the last part.
    EXPECT_EQ(R.Logged("< Rolled back >: T: insert (statement 3)"), Failing != 0);
    if (Failing) {
      EXPECT_EQ(R.E->GetStatement(1)->ErrorText, "duplicate key");
    }
  }
}

TEST(ExecRun, APlainStatementAfterDataStatementsCommitsThem) {
  TReplayRun R(Entry("INSERT INTO T VALUES (1)") + ErrorEntry("DROP TABLE X", "no such table"));
  R.E->Add("INSERT INTO T VALUES (1)", stInsert, "T", dboTable, odbInsert);
  R.E->Add("DROP TABLE X", stStatement, "X", dboTable, odbDrop);
  EXPECT_FALSE(R.E->ExecuteScript());
  // The plain statement ran inside the open data transaction; its failure took the INSERT with
  // it, and the log says so.
  EXPECT_EQ(R.Db().Log, (TLines{"<connect>", "<start transaction>", "INSERT INTO T VALUES (1)",
                                "DROP TABLE X", "<rollback>", "<disconnect>"}));
  EXPECT_TRUE(R.Logged("< Rolled back >: T: insert (statement 1)"));
}

TEST(ExecRun, ACancelledRunIsReportedAsCancelled) {
  // What ran before the cancel stays, unless the script runs as one transaction: that one is
  // never committed half way.
  for (const bool OneTransaction : {false, true}) {
    TReplayRun R(Entry("CREATE TABLE T (A int)"));
    R.E->Add("CREATE TABLE T (A int)", stStatement, "T", dboTable, odbCreate);
    R.E->Add("CREATE TABLE U (A int)", stStatement, "U", dboTable, odbCreate);
    R.E->OneTransaction = OneTransaction;
    R.E->OnAfterStatementExecute = [](TObject*, int) { TerminateRunning = true; };
    const bool Ok = R.E->ExecuteScript();
    TerminateRunning = false;
    EXPECT_FALSE(Ok);
    EXPECT_EQ(R.E->ErrorCount, 0);
    EXPECT_TRUE(R.Logged("< Script execution cancelled! >"));
    EXPECT_FALSE(R.Logged("< Script executed succesfully! >"));
    EXPECT_TRUE(R.E->MsgManager.GetIsErr());
    EXPECT_EQ(R.Db().Log, (TLines{"<connect>", "<start transaction>", "CREATE TABLE T (A int)",
                                  OneTransaction ? "<rollback>" : "<commit>", "<disconnect>"}))
        << OneTransaction;
  }
}

TEST(ExecRun, AFailedConnectSaysWhyAndReturnsFalse) {
  TReplayRun R("connect-error\tpassword authentication failed for user \"x\"\n");
  R.E->Add("CREATE TABLE T (A int)", stStatement, "T", dboTable, odbCreate);
  R.C->GetConnectionOptions().SetDatabaseName("qel");
  EXPECT_FALSE(R.E->ExecuteScript());
  const std::string Expected =
      "Cannot connect to \"qel\": password authentication failed for user \"x\"";
  EXPECT_EQ(R.Errors, TLines{Expected});
  EXPECT_TRUE(R.Logged(Expected));
  ASSERT_EQ(R.E->MsgManager.GetErrCount(), 1);
  EXPECT_EQ(R.E->MsgManager.Items(0).Text, Expected);
  EXPECT_FALSE(R.Logged("< Script executed succesfully! >"));
  // The connection's own handler is back in place afterwards.
  EXPECT_FALSE(static_cast<bool>(R.C->OnErrorMessage));

  // A CONNECT statement that fails: the executor's options went to the connection.
  R.E->Clear();
  R.E->GetConnectionOptions().SetDatabaseName("other");
  R.E->Add("CONNECT 'other'", stConnect);
  EXPECT_FALSE(R.E->ExecuteScript());
  EXPECT_EQ(R.C->GetConnectionOptions().GetDatabaseName(), "other");
  EXPECT_EQ(R.E->ErrorCount, 1);
}

TEST(ExecRun, ConnectStatementsUseTheExecutorsOptionsAndKeepPendingData) {
  TReplayRun R(Entry("INSERT INTO T VALUES (1)") + Entry("COMMENT ON TABLE T IS 'x'"), dbInterBase);
  R.E->GetConnectionOptions().SetDatabaseName("/db/x.fdb");
  R.E->GetIBServerOptions().SetDBCharSet("utf8");
  R.E->Add("CONNECT '/db/x.fdb'", stConnect);
  R.E->Add("INSERT INTO T VALUES (1)", stInsert, "T", dboTable, odbInsert);
  R.E->Add("RECONNECT", stReconnect);
  R.E->Add("COMMENT ON TABLE T IS 'x'", stDescription, "T", dboTable, odbDescription);
  EXPECT_TRUE(R.E->ExecuteScript());
  EXPECT_EQ(R.C->GetConnectionOptions().GetDatabaseName(), "/db/x.fdb");
  EXPECT_EQ(R.C->GetIBServerOptions().GetDBCharSet(), "UTF8");
  // Reconnecting commits the data statement first instead of dropping it with the session.
  EXPECT_EQ(R.Db().Log, (TLines{"<connect>", "<start transaction>", "INSERT INTO T VALUES (1)",
                                "<commit>", "<disconnect>", "<connect>", "<start transaction>",
                                "COMMENT ON TABLE T IS 'x'", "<commit>", "<disconnect>"}));
  EXPECT_EQ(R.Log, (TLines{"Updating target database...", "Connect: \"/db/x.fdb\"",
                           "Dialect: 3. DBCharSet: UTF8.", "ReConnect...", "<Update Description>",
                           "< Exec SQL >: T: description", "< Script executed succesfully! >"}));
}

TEST(ExecRun, EmptyListsMissingConnectionsAndFailedDatabaseCreation) {
  TSQLExec E(nullptr);
  E.Name = "Exec9";
  TLines Log, Errors;
  E.OnLogNextLine = [&](TObject*, const std::string& T) { Log.push_back(T); };
  E.OnErrorMessage = [&](TObject*, const std::string& T) { Errors.push_back(T); };
  EXPECT_TRUE(E.ExecuteScript());
  EXPECT_EQ(Log, TLines{"Update script is empty."});
  E.Add("CREATE TABLE T (A int)", stStatement);
  EXPECT_FALSE(E.ExecuteScript());
  EXPECT_EQ(Errors, TLines{"TSQLExec(Exec9): Connection property not assigned."});

  // CREATE DATABASE that fails stops a BreakOnError run before statements meant for it.
  TReplayRun R("");
  R.E->BreakOnError = true;
  R.E->Add("CREATE DATABASE 'x'", stCreateDb);
  R.E->Add("CREATE TABLE T (A int)", stStatement, "T", dboTable, odbCreate);
  EXPECT_FALSE(R.E->ExecuteScript());
  ASSERT_EQ(R.Errors.size(), 1u);
  EXPECT_EQ(R.Errors[0].rfind("Cann't create database.", 0), 0u) << R.Errors[0];
  EXPECT_NE(R.Errors[0].find("not implemented"), std::string::npos);  // the adapter's reason
  EXPECT_TRUE(R.Logged("< Break on Error! >"));
}

TEST(ExecRun, SkippedStatementsAreLoggedNotRun) {
  TReplayRun R(Entry("SELECT 1"));
  R.E->Add("DROP TABLE T", stStatement, "T", dboTable, odbDrop)->Skip = true;
  R.E->Add("SELECT 1", stStatement);
  R.E->Add("/* note */", stComment);
  EXPECT_TRUE(R.E->ExecuteScript());
  EXPECT_EQ(R.Log, (TLines{"Updating target database...", "< Skipping statement >: T: drop",
                           "< Exec SQL >: SELECT 1", "< Script executed succesfully! >"}));
  R.Log.clear();
  R.E->ShowFullLog = true;
  R.E->GetStatement(0)->Lines.SetText("DROP TABLE T\r\nCASCADE");
  EXPECT_TRUE(R.E->ExecuteScript());
  EXPECT_EQ(TLines(R.Log.begin() + 1, R.Log.begin() + 4),
            (TLines{"< Skipping statement >:", "// DROP TABLE T", "// CASCADE"}));
}

TEST(ExecRun, TextsReachTheServerExactly) {
  // A bare LF inside a literal is part of the value; PostgreSQL casts and ":name" inside a
  // routine body are no parameters of a plain statement.
  const std::string Insert = "INSERT INTO T VALUES ('line1\nline2')";
  const std::string Func =
      "CREATE FUNCTION F(a int) RETURNS int AS $$\r\nBEGIN RETURN a::int + 1; END\r\n$$ "
      "LANGUAGE plpgsql";
  {
    TReplayRun R(Entry(Insert) + Entry(Func));
    R.E->Add(Insert, stInsert, "T", dboTable, odbInsert);
    R.E->Add(Func, stProcedure, "F", dboProcedure, odbCreate);
    EXPECT_TRUE(R.E->ExecuteScript());
    EXPECT_EQ(R.Db().Log[2], Insert);
    EXPECT_EQ(R.Db().Log[3], Func);
    // Edited lines win over the text the statement was added with.
    R.E->GetStatement(0)->Lines.SetText("INSERT INTO T VALUES (2)");
    R.Fixture->LoadFromText("# Written by hand\n" + Entry("INSERT INTO T VALUES (2)"), "x");
    R.E->Delete(1);
    EXPECT_TRUE(R.E->ExecuteScript());
  }

  // Oracle routines go with LF line breaks and without the script's "/".
  const std::string Proc = "CREATE PROCEDURE P AS\r\nBEGIN NULL; END;";
  TReplayRun O(Entry("CREATE PROCEDURE P AS\nBEGIN NULL; END;"), dbOracle, "replay-ora");
  O.E->Add(Proc, stProcedure, "P", dboProcedure, odbCreate);
  EXPECT_TRUE(O.E->ExecuteScript());
}

TEST(ExecRun, SideFileValuesAndTheirFailures) {
  TSideFile F;
  std::string Bytes(40, 'x');
  Bytes.replace(26, 4, std::string("\0\x01\xff\n", 4));
  ASSERT_TRUE(WriteStringToFile(F.Lob, Bytes));
  const std::string Ins = "INSERT INTO T VALUES (1, :h0000001A_00000004, :H0000001A-00000004)";
  const std::string Other = "INSERT INTO T VALUES (2, :x)";
  const std::string Past = "INSERT INTO T VALUES (3, :h00000025_00000004)";
  TReplayRun R(Entry(Ins, "param\th0000001A_00000004\tftBlob\t" +
                              EscapeValue(std::string("\0\x01\xff\n", 4)) +
                              "\nparam\tH0000001A\tftString\tfrom-handler\naffected\t1\n") +
               Entry(Other, "param\tx\tftString\tfrom-handler\naffected\t1\n"));
  R.E->ScriptFileName = F.Script;
  // The adapter reads "H0000001A-00000004" as the parameter H0000001A followed by text; that
  // name is no large-value reference and goes to the handler.
  std::vector<std::string> Asked;
  R.E->OnGetParamValue = [&](TObject*, TParam* P) {
    EXPECT_TRUE(P->IsNull());
    Asked.push_back(P->Name);
    P->SetAsString("from-handler");
  };
  R.E->Add("SET BLOBFILE 'data.LOB'", stSetBlobFile, "data.LOB");
  R.E->Add(Ins, stInsert, "T", dboTable, odbInsert);
  R.E->Add(Other, stInsert, "T", dboTable, odbInsert);
  R.E->Add(Past, stInsert, "T", dboTable, odbInsert);
  // The range past the end is an error and the statement is not sent (the fixture does not
  // hold it, so sending it would fail this test); the rows before it are rolled back.
  EXPECT_FALSE(R.E->ExecuteScript());
  EXPECT_EQ(R.E->BlobFileName, F.Script.substr(0, F.Script.size() - 8) + "data.LOB");
  EXPECT_EQ(Asked, (TLines{"H0000001A", "x"}));
  ASSERT_EQ(R.Errors.size(), 1u);
  EXPECT_NE(R.Errors[0].find("BlobFile range past the end of the file: parameter "
                             "h00000025_00000004"),
            std::string::npos);
  EXPECT_EQ(R.E->GetStatement(3)->ErrorText, R.Errors[0]);
  EXPECT_EQ(R.Db().Log.back(), "<disconnect>");
  EXPECT_EQ(R.Db().Log[R.Db().Log.size() - 2], "<rollback>");
  EXPECT_EQ(R.E->GetBlobFile(), nullptr);  // closed at the end of the run

  // The side file named without a folder needs the script's folder.
  R.Errors.clear();
  R.E->ScriptFileName.clear();
  R.E->Delete(3);
  R.E->Delete(2);
  EXPECT_FALSE(R.E->ExecuteScript());
  EXPECT_EQ(R.Errors[0], "ScriptFileName not specified (for BlobFile).");
  // ... and its values are then errors, not NULLs.
  ASSERT_EQ(R.Errors.size(), 2u);
  EXPECT_EQ(R.Errors[1],
            "BlobFile is not open: the value of parameter h0000001A_00000004 cannot be read.");

  R.Errors.clear();
  R.E->ScriptFileName = F.Script;
  R.E->GetStatement(0)->ObjName = "missing.LOB";
  EXPECT_FALSE(R.E->ExecuteScript());
  EXPECT_EQ(R.Errors[0], "BlobFile not found: " + F.Dir + "/missing.LOB");
}

TEST(ExecRun, SingleStatementsAndLinksThatGoAway) {
  TReplayRun R(Entry("INSERT INTO T VALUES (1)"));
  TStatement* S = R.E->Add("INSERT INTO T VALUES (1)", stInsert, "T", dboTable, odbInsert);
  R.E->ExecuteStatement(S);
  // Run alone on a closed connection, the data statement is committed before closing.
  EXPECT_EQ(R.Db().Log, (TLines{"<connect>", "<start transaction>", "INSERT INTO T VALUES (1)",
                                "<commit>", "<disconnect>"}));
  EXPECT_EQ(R.E->GetQuery(), nullptr);
  EXPECT_EQ(R.E->GetCurrentStatement(), S);

  // The current statement leaves the list: it is no longer handed out, and errors reported
  // after that touch nothing freed.
  R.E->Clear();
  EXPECT_EQ(R.E->GetCurrentStatement(), nullptr);
  R.E->DoErrorMessage("late");

  // The connection goes away: the executor forgets it.
  R.C.reset();
  EXPECT_EQ(R.E->GetQELConnection(), nullptr);
  R.E->Add("SELECT 1", stStatement);
  EXPECT_FALSE(R.E->ExecuteScript());
}

// ---------------------------------------------------------------------------------------------
// Lost connections and one-transaction runs

namespace {

std::string LostEntry(const std::string& SQL, const std::string& Message) {
  return Entry(SQL, "lost\t" + Message + "\n");
}

/// Adds "CREATE TABLE <Name> (A int)" for each name.
void AddTables(TSQLExec& E, const TLines& Names) {
  for (const std::string& N : Names)
    E.Add("CREATE TABLE " + N + " (A int)", stStatement, N, dboTable, odbCreate);
}

}  // namespace

TEST(ExecRun, ALostConnectionEndsTheRunWithOneMessageAndNoReconnect) {
  const std::string Why = "server closed the connection unexpectedly";
  // Without BreakOnError too: no statement can reach a server that is gone.
  for (const bool OneTransaction : {false, true}) {
    TReplayRun R(Entry("CREATE TABLE T (A int)") + LostEntry("CREATE TABLE U (A int)", Why) +
                 Entry("CREATE TABLE V (A int)") + Entry("CREATE TABLE W (A int)"));
    R.C->GetConnectionOptions().SetDatabaseName("kx_t");
    R.E->OneTransaction = OneTransaction;
    AddTables(*R.E, {"T", "U", "V", "W"});
    EXPECT_FALSE(R.E->ExecuteScript());
    EXPECT_TRUE(R.E->GetConnectionLost());
    const TLines Sent = OneTransaction
                            ? TLines{"<connect>", "<start transaction>", "CREATE TABLE T (A int)",
                                     "CREATE TABLE U (A int)", "<lost>"}
                            : TLines{"<connect>", "<start transaction>", "CREATE TABLE T (A int)",
                                     "<commit>",  "<start transaction>", "CREATE TABLE U (A int)",
                                     "<lost>"};
    EXPECT_EQ(R.Db().Log, Sent) << OneTransaction;
    const std::string Text = "Lost the connection to \"kx_t\": " + Why;
    EXPECT_EQ(R.Errors, TLines{Text});
    EXPECT_EQ(R.E->GetStatement(1)->ErrorText, Text);
    EXPECT_EQ(R.E->MsgManager.GetErrCount(), 1);
    EXPECT_TRUE(R.Logged("< Run ended: 2 statement(s) not run >"));
    // In one transaction the statement before went with the session, and says so.
    EXPECT_EQ(R.E->MsgManager.GetMsgCount(), OneTransaction ? 2 : 1);
  }
}

TEST(ExecRun, AFailedReconnectIsReportedOnceAndEndsTheRun) {
  TReplayRun R("connect-error\tconnection refused\n", dbInterBase);
  R.E->GetConnectionOptions().SetDatabaseName("/db/x.fdb");
  R.E->Add("RECONNECT", stReconnect);
  AddTables(*R.E, {"T", "U"});
  EXPECT_FALSE(R.E->ExecuteScript());
  EXPECT_EQ(R.Errors, TLines{"Cannot connect to \"/db/x.fdb\": connection refused"});
  EXPECT_TRUE(R.Logged("< Run ended: 2 statement(s) not run >"));
  EXPECT_TRUE(R.Db().Log.empty());
}

TEST(ExecRun, OneTransactionCommitsAtTheEndOrRollsEverythingBack) {
  {
    TReplayRun R(Entry("CREATE TABLE T (A int)") + Entry("CREATE TABLE U (A int)"));
    R.E->OneTransaction = true;
    AddTables(*R.E, {"T", "U"});
    EXPECT_TRUE(R.E->ExecuteScript());
    EXPECT_EQ(R.Db().Log, (TLines{"<connect>", "<start transaction>", "CREATE TABLE T (A int)",
                                  "CREATE TABLE U (A int)", "<commit>", "<disconnect>"}));
  }
  TReplayRun R(Entry("CREATE TABLE T (A int)") + ErrorEntry("CREATE TABLE U (A int)", "exists") +
               Entry("CREATE TABLE V (A int)"));
  R.E->OneTransaction = true;  // stops at the failure without BreakOnError
  AddTables(*R.E, {"T", "U", "V"});
  EXPECT_FALSE(R.E->ExecuteScript());
  EXPECT_EQ(R.Db().Log, (TLines{"<connect>", "<start transaction>", "CREATE TABLE T (A int)",
                                "CREATE TABLE U (A int)", "<rollback>", "<disconnect>"}));
  EXPECT_EQ(R.Errors, TLines{"exists"});
  EXPECT_TRUE(R.Logged("< Rolled back >: T: create (statement 1)"));
}

TEST(ExecRun, WhichScriptsCanRunInOneTransaction) {
  const struct {
    TDatabaseType Dialect;
    TStatType Type;
    const char* Text;
    bool OneTransaction;
  } Cases[] = {
      {dbPostgreSQL, stStatement, "CREATE TABLE t (a int)", true},
      {dbPostgreSQL, stStatement, "CREATE INDEX CONCURRENTLY ix ON t (a)", false},
      {dbPostgreSQL, stStatement, "create unique index concurrently ix on t(a)", false},
      {dbPostgreSQL, stStatement, "DROP INDEX CONCURRENTLY ix", false},
      {dbPostgreSQL, stStatement, "ALTER TYPE \"my type\" ADD VALUE 'x' AFTER 'w'", false},
      {dbPostgreSQL, stStatement, "ALTER TYPE mood RENAME VALUE 'a' TO 'b'", true},
      {dbPostgreSQL, stStatement, "-- tidy\r\n/* up */ VACUUM t", false},
      {dbPostgreSQL, stStatement, "CREATE DATABASE x", false},
      {dbPostgreSQL, stStatement, "ALTER DATABASE d SET TABLESPACE s", false},
      {dbPostgreSQL, stStatement, "ALTER DATABASE d OWNER TO u", true},
      {dbPostgreSQL, stStatement, "CLUSTER", false},
      {dbPostgreSQL, stStatement, "CLUSTER t USING ix", true},
      {dbPostgreSQL, stStatement, "COMMIT", false},
      {dbPostgreSQL, stProcedure,
       "CREATE FUNCTION f() RETURNS int AS $$ BEGIN COMMIT; END $$ LANGUAGE plpgsql", true},
      {dbPostgreSQL, stInsert, "INSERT INTO t VALUES (1)", true},
      {dbPostgreSQL, stCreateDb, "CREATE DATABASE 'x'", false},
      {dbMySQL, stStatement, "CREATE TABLE t (a int)", false},
  };
  for (const auto& C : Cases) {
    TSQLExec E(nullptr);
    E.DatabaseType = C.Dialect;
    E.AddComment("/* header */");
    E.Add("CREATE TABLE before (a int)", stStatement, "before", dboTable, odbCreate);
    E.Add(C.Text, C.Type, "x");
    std::string Why;
    EXPECT_EQ(E.CanRunInOneTransaction(&Why), C.OneTransaction) << C.Text;
    if (!C.OneTransaction && C.Dialect == dbPostgreSQL) {
      EXPECT_EQ(Why.rfind("statement 3 (", 0), 0u) << Why;
    }
  }
}
