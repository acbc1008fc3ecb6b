// Runs that meet a connection ended from outside (as a server restart or a network cut would end
// it) and update scripts the server refuses half way: the run stops at once, says so once with
// the client's own reason, and leaves the target as the server left it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "db_servers.h"
#include "pg_dump_util.h"
#include "qelSQL_Exec.h"
#include "qelTableDataComparer.h"

using namespace qel;
using namespace qel::testing;

namespace {

/// How a second session of one server ends the session under test.
struct TKiller {
  const TDbServer* Server;
  const char* OwnId;   ///< the session's own id
  const char* Kill;    ///< ends the session whose id follows
  const char* Tables;  ///< counts the tables the run created
};

const TKiller Killers[] = {
    {&PgServer, "select pg_backend_pid()", "select pg_terminate_backend(",
     "select count(*) from pg_tables where tablename like 'qel\\_lost\\_%'"},
    {&MyServer, "select connection_id()", "kill (",
     "select count(*) from information_schema.tables where table_schema = database() and "
     "table_name like 'qel\\_lost\\_%'"},
    {&FbServer, "select current_connection from rdb$database",
     "delete from mon$attachments where mon$attachment_id = (",
     "select count(*) from rdb$relations where rdb$relation_name starting with 'QEL_LOST_'"}};

constexpr int Statements = 10;
constexpr int KillAfter = 3;  ///< the session ends after this statement (counted from 0)

void DropTables(TServerConnection& C) {
  for (int I = 0; I < Statements; ++I)
    C.ExecIgnoringError("drop table qel_lost_" + std::to_string(I));
}

struct TCase {
  const TKiller* Killer;
  bool OneTransaction;
};

void PrintTo(const TCase& C, std::ostream* Os) {
  *Os << C.Killer->Server->Title << (C.OneTransaction ? ", one transaction" : "");
}

class LostConnection : public ::testing::TestWithParam<TCase> {};

TEST_P(LostConnection, TheRunStopsAndSaysSoOnce) {
  const TKiller& K = *GetParam().Killer;
  TServerConnection Victim(*K.Server), Other(*K.Server);
  for (TServerConnection* C : {&Victim, &Other}) {
    const std::string Why = C->Connect();
    ASSERT_TRUE(Why.empty()) << Why;
  }
  DropTables(Other);
  const std::string Id = Victim.Column(K.OwnId).at(0);

  TSQLExec E(nullptr);
  E.DatabaseType = K.Server->DatabaseType;
  E.OneTransaction = GetParam().OneTransaction;
  E.SetConnection(Victim.C.get());
  for (int I = 0; I < Statements; ++I)
    E.Add("CREATE TABLE qel_lost_" + std::to_string(I) + " (a integer)", stStatement);
  std::vector<std::string> Errors;
  E.OnErrorMessage = [&](TObject*, const std::string& T) { Errors.push_back(T); };
  std::string KillFailure;
  int Done = 0;  // statements run before the first error
  E.OnAfterStatementExecute = [&](TObject*, int I) {
    if (Errors.empty()) ++Done;
    if (I != KillAfter) return;
    try {
      Other.Exec(std::string(K.Kill) + Id + ")");
    } catch (const std::exception& X) {
      KillFailure = X.what();
    }
  };
  const bool Ran = E.ExecuteScript();
  const std::string Made = Other.Column(K.Tables).at(0);
  DropTables(Other);
  if (K.Server == &FbServer && (!KillFailure.empty() || Ran))
    GTEST_SKIP() << "The Firebird server did not end the attachment from a second one: "
                 << (KillFailure.empty() ? "the run went on to its end" : KillFailure);
  ASSERT_TRUE(KillFailure.empty()) << KillFailure;

  EXPECT_FALSE(Ran);
  EXPECT_TRUE(E.GetConnectionLost());
  ASSERT_EQ(Errors.size(), 1u) << Errors.back();
  EXPECT_EQ(Errors[0].rfind("Lost the connection to \"", 0), 0u) << Errors[0];
  EXPECT_EQ(Errors[0].find("gave no reason"), std::string::npos) << Errors[0];
  // What ran before the loss stays where each statement committed, and goes with the
  // transaction where the run was one.
  if (K.Server != &FbServer) {
    EXPECT_EQ(Done, KillAfter + 1);
    EXPECT_EQ(Made, GetParam().OneTransaction ? "0" : std::to_string(Done));
    return;
  }
  // Firebird ends an attachment asynchronously: more statements may run before the loss shows,
  // and the one the loss cuts off may have been committed by the server before its answer was
  // lost (its outcome is unknown to the client).
  EXPECT_GE(Done, KillAfter + 1);
  EXPECT_TRUE(Made == std::to_string(Done) || Made == std::to_string(Done + 1))
      << Made << " tables after " << Done << " statements reported run";
}

INSTANTIATE_TEST_SUITE_P(Servers, LostConnection,
                         ::testing::Values(TCase{&Killers[0], false}, TCase{&Killers[0], true},
                                           TCase{&Killers[1], false}, TCase{&Killers[2], false}),
                         [](const auto& Info) {
                           return std::string(Info.param.Killer->Server->Title) +
                                  (Info.param.OneTransaction ? "OneTransaction" : "");
                         });

// ---------------------------------------------------------------------------------------------
// The table data comparer writing rows as it finds them: the target's session ends under it.

TEST(LostConnectionData, ImmediateRowsStopAtTheLoss) {
  TServerConnection Master(PgServer), Target(PgServer), Other(PgServer);
  for (TServerConnection* C : {&Master, &Target, &Other}) {
    const std::string Why = C->Connect();
    ASSERT_TRUE(Why.empty()) << Why;
  }
  for (const char* T : {"qel_lost_m", "qel_lost_t"}) {
    Other.ExecIgnoringError(std::string("drop table ") + T);
    Other.Exec(std::string("create table ") + T + " (id integer primary key, s varchar(20))");
  }
  Other.Exec("insert into qel_lost_m select g, 'row ' || g from generate_series(1, 500) g");
  const std::string Pid = Target.Column("select pg_backend_pid()").at(0);

  TTableDataComparer Cmp(nullptr);
  Cmp.SetQELConnectionMaster(Master.C.get());
  Cmp.SetQELConnectionTarget(Target.C.get());
  Cmp.SetTableNameMaster("qel_lost_m");
  Cmp.SetTableNameTarget("qel_lost_t");
  Cmp.GetTableOptionsMaster().GetKeyFields().Add("id");
  Cmp.GetTableOptionsTarget().GetKeyFields().Add("id");
  Cmp.SetUpdateImmediately(true);
  Cmp.SetScriptFileName("");
  std::vector<std::string> Errors;
  Cmp.OnErrorMessage = [&](TObject*, const std::string& T) { Errors.push_back(T); };
  int Rows = 0;
  Cmp.OnAddResultSQL = [&](TObject*, bool&, const std::string&, TStatType Type, const std::string&,
                           TDbObject, TDbOperation) {
    if (Type == stInsert && ++Rows == 50) Other.Exec("select pg_terminate_backend(" + Pid + ")");
  };
  Cmp.CompareData();
  const std::string Written = Other.Column("select count(*) from qel_lost_t").at(0);
  for (const char* T : {"qel_lost_m", "qel_lost_t"}) Other.Exec(std::string("drop table ") + T);

  EXPECT_TRUE(Cmp.MsgManager.GetIsErr());
  ASSERT_EQ(Errors.size(), 1u) << Errors.back();
  EXPECT_NE(Errors[0].find("Lost the connection to the target database"), std::string::npos)
      << Errors[0];
  EXPECT_EQ(Rows, 50);  // no row after the loss was even tried
  EXPECT_EQ(Written, "49");
}

// ---------------------------------------------------------------------------------------------
// `varnel compare --execute` on an update script the server refuses half way.

#ifdef QEL_VARNEL_PROGRAM
/// Target and master: column v cannot shrink below the value a row holds; the update script
/// creates tables before that statement and widens column w after it.
const char* const TargetStatements[] = {
    "CREATE TABLE qel_lost_t (id integer PRIMARY KEY, v varchar(10))",
    "INSERT INTO qel_lost_t VALUES (1, 'abcdefghij')",
    "CREATE TABLE qel_lost_u (id integer PRIMARY KEY, w varchar(10))"};
const char* const MasterScript =
    "CREATE TABLE qel_lost_a (id integer PRIMARY KEY);\n"
    "CREATE TABLE qel_lost_t (id integer PRIMARY KEY, v varchar(3));\n"
    "CREATE TABLE qel_lost_u (id integer PRIMARY KEY, w varchar(20));\n"
    "CREATE TABLE qel_lost_z (id integer PRIMARY KEY);\n";

/// Runs `varnel compare --execute` of the master against URI; its exit code, and its standard
/// error in Err.
int CompareExecute(const std::string& Dialect, const std::string& URI, std::string& Err) {
  const std::string Path = ::testing::TempDir() + "qel_lost_master.sql";
  FILE* F = std::fopen(Path.c_str(), "w");
  std::fputs(MasterScript, F);
  std::fclose(F);
  return Shell("{ " + std::string(QEL_VARNEL_PROGRAM) + " compare --dialect " + Dialect +
                   " --execute --master " + Path + " --target-db " + ShellQuoted(URI) +
                   " 2>&1 >/dev/null; }",
               Err);
}

TEST(LostConnectionCompare, APostgreSQLScriptRefusedHalfWayLeavesTheTargetAsItWas) {
  ExportPgConnection();
  const std::string Db = "qel_lost_upd";
  TServerConnection Admin(PgServer);
  ASSERT_TRUE(Admin.Connect().empty());
  Admin.Exec("drop database if exists " + Db);
  Admin.Exec("create database " + Db);
  {
    TServerConnection C(PgServer);
    ASSERT_TRUE(C.Configure().empty());
    C.C->GetConnectionOptions().SetDatabaseName(Db);
    C.C->SetConnected(true);
    for (const char* S : TargetStatements) C.Exec(S);
  }
  std::string Failure, Err;
  const auto Before = DumpSchema(Db, Failure);
  ASSERT_TRUE(Failure.empty()) << Failure;
  const int Code =
      CompareExecute("postgresql",
                     "postgresql://" + Env("QEL_PG_USER") + ":" + Env("QEL_PG_PASSWORD") + "@" +
                         Env("QEL_PG_HOST") + ":" + Env("QEL_PG_PORT") + "/" + Db,
                     Err);
  const auto After = DumpSchema(Db, Failure);
  Admin.Exec("drop database " + Db);
  EXPECT_EQ(Code, 1) << Err;
  EXPECT_NE(Err.find("value too long for type character varying(3)"), std::string::npos) << Err;
  EXPECT_NE(Err.find("the run stopped at statement"), std::string::npos) << Err;
  EXPECT_NE(Err.find("    ALTER TABLE"), std::string::npos) << Err;
  EXPECT_NE(Err.find("rolled back with it"), std::string::npos) << Err;
  EXPECT_NE(Err.find("3 statement(s) after it were not run"), std::string::npos) << Err;
  EXPECT_EQ(Missing(Before, After) + Missing(After, Before), "");
}

TEST(LostConnectionCompare, AMariaDBScriptRefusedHalfWaySaysWhatStaysApplied) {
  const std::string Db = "qel_lost_upd";
  TServerConnection C(MyServer);
  ASSERT_TRUE(C.Connect().empty());
  C.Exec("drop database if exists " + Db);
  C.Exec("create database " + Db);
  C.Exec("use " + Db);
  for (const char* S : TargetStatements) C.Exec(S);
  std::string Err;
  const int Code =
      CompareExecute("mysql",
                     "mysql://" + Env("QEL_MY_USER") + ":" + Env("QEL_MY_PASSWORD") + "@" +
                         Env("QEL_MY_HOST") + ":" + Env("QEL_MY_PORT") + "/" + Db,
                     Err);
  const auto Tables = C.Column(
      "select table_name from information_schema.tables where table_schema = database() "
      "order by 1");
  const auto Width = C.Column(
      "select character_maximum_length from information_schema.columns where table_schema = "
      "database() and column_name = 'w'");
  C.Exec("drop database " + Db);
  EXPECT_EQ(Code, 1) << Err;
  EXPECT_NE(Err.find("Data truncated for column 'v'"), std::string::npos) << Err;
  EXPECT_NE(Err.find("the run stopped at statement"), std::string::npos) << Err;
  EXPECT_NE(Err.find("stay applied"), std::string::npos) << Err;
  EXPECT_NE(Err.find("1 statement(s) after it were not run"), std::string::npos) << Err;
  // The statements before the refused one are in the database; the one after is not.
  EXPECT_EQ(Tables,
            (std::vector<std::string>{"qel_lost_a", "qel_lost_t", "qel_lost_u", "qel_lost_z"}));
  EXPECT_EQ(Width, std::vector<std::string>{"10"});
}

// ---------------------------------------------------------------------------------------------
// Runs of the example program whose connection a second session ends while they work.

/// The URI of database Db on the test server S (PostgreSQL or MariaDB).
std::string ServerURI(const TDbServer& S, const std::string& Db) {
  const std::string P = S.Prefix;
  return std::string(&S == &PgServer ? "postgresql" : "mysql") + "://" + Env(P + "USER") + ":" +
         Env(P + "PASSWORD") + "@" + Env(P + "HOST") + ":" + Env(P + "PORT") + "/" + Db;
}

/// The program run in a thread of its own, while the test looks at the server.
class TBackgroundRun {
 public:
  explicit TBackgroundRun(const std::string& Command)
      : FThread([this, Command] {
          Code = Shell(Command, Output);
          Done = true;
        }) {}
  ~TBackgroundRun() { Join(); }
  void Join() {
    if (FThread.joinable()) FThread.join();
  }
  std::atomic<bool> Done{false};
  int Code = -1;
  std::string Output;

 private:
  std::thread FThread;
};

/// Polls Find (an id, or "" while there is none) until it names a session, then ends that
/// session through Other with Kill (the id follows, then ")"). False when the run ended first.
bool KillWhenSeen(TBackgroundRun& Run, TServerConnection& Other, const std::string& Find,
                  const std::string& Kill, std::chrono::milliseconds Delay) {
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!Run.Done && std::chrono::steady_clock::now() < Deadline) {
    const std::vector<std::string> Ids = Other.Column(Find);
    if (!Ids.empty()) {
      std::this_thread::sleep_for(Delay);
      Other.Exec(Kill + Ids[0] + ")");
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

/// The number before Suffix in Text ("12 statement(s) before it ran"); -1 when absent.
int NumberBefore(const std::string& Text, const std::string& Suffix) {
  std::smatch M;
  if (!std::regex_search(Text, M, std::regex("(\\d+)" + Suffix))) return -1;
  return std::stoi(M[1].str());
}

TEST(LostConnectionCompare, AMariaDBStatementCutOffByAKillHasAnUnknownOutcome) {
  const std::string Db = "qel_lost_kill";
  TServerConnection C(MyServer);
  ASSERT_TRUE(C.Connect().empty());
  C.Exec("drop database if exists " + Db);
  C.Exec("create database " + Db);
  const std::string Path = ::testing::TempDir() + "qel_lost_kill_master.sql";
  constexpr int Tables = 400;
  static_assert(Tables <= 1000, "three digits name the tables");
  {
    FILE* F = std::fopen(Path.c_str(), "w");
    for (int I = 0; I < Tables; ++I)
      std::fprintf(F, "CREATE TABLE qel_k_%03d (id integer PRIMARY KEY, v varchar(20));\n", I);
    std::fclose(F);
  }
  TBackgroundRun Run("{ " + std::string(QEL_VARNEL_PROGRAM) +
                     " compare --dialect mysql --execute --master " + Path + " --target-db " +
                     ShellQuoted(ServerURI(MyServer, Db)) + " 2>&1 >/dev/null; }");
  // The program's session is ended once it has made a few tables, while it goes on making
  // more: wherever the kill meets it, the statement under way may or may not be committed.
  const bool Killed = KillWhenSeen(
      Run, C,
      "select p.id from information_schema.processlist p where p.db = '" + Db +
          "' and p.id <> connection_id() and (select count(*) from information_schema.tables t "
          "where t.table_schema = '" +
          Db + "') >= 30",
      "kill connection (", std::chrono::milliseconds(0));
  Run.Join();
  const std::string Made = C.Column(
                                "select count(*) from information_schema.tables where "
                                "table_schema = '" +
                                Db + "'")
                               .at(0);
  C.Exec("drop database " + Db);
  ASSERT_TRUE(Killed) << "the run ended before it could be killed:\n" << Run.Output;
  EXPECT_EQ(Run.Code, 1) << Run.Output;
  EXPECT_NE(Run.Output.find("where the connection was lost"), std::string::npos) << Run.Output;
  EXPECT_NE(Run.Output.find("is unknown"), std::string::npos) << Run.Output;
  // Every statement is counted once: run, cut off, or not run.
  const int Ran = NumberBefore(Run.Output, " statement\\(s\\) before it ran");
  const int NotRun = NumberBefore(Run.Output, " statement\\(s\\) after it were not run");
  std::smatch M;
  ASSERT_TRUE(std::regex_search(Run.Output, M, std::regex("statement (\\d+) of (\\d+)")))
      << Run.Output;
  EXPECT_EQ(Ran + 1, std::stoi(M[1].str())) << Run.Output;
  EXPECT_EQ(Ran + 1 + NotRun, std::stoi(M[2].str())) << Run.Output;
  // The tables before the one cut off are there; that one is there or not.
  ASSERT_TRUE(std::regex_search(Run.Output, M, std::regex("lost:\\s+CREATE TABLE `qel_k_(\\d+)`")))
      << Run.Output;
  const int Before = std::stoi(M[1].str());
  const int Count = std::stoi(Made);
  EXPECT_TRUE(Count == Before || Count == Before + 1)
      << Count << " tables, " << Before << " before the one cut off\n"
      << Run.Output;
}

// `varnel datacompare --execute` whose target session ends while rows are written: the last
// line says what the target holds.

struct TDataCase {
  const TDbServer* Server;
  bool Script;  ///< --script FILE --execute, else --execute alone
};

void PrintTo(const TDataCase& C, std::ostream* Os) {
  *Os << C.Server->Title << (C.Script ? ", script" : ", immediate");
}

class LostConnectionDataCompare : public ::testing::TestWithParam<TDataCase> {};

TEST_P(LostConnectionDataCompare, TheSummarySaysWhatTheTargetHolds) {
  const TDbServer& S = *GetParam().Server;
  const bool Pg = &S == &PgServer;
  const std::string TargetDb = "qel_lost_dct";
  const std::string Table = "qel_lost_dc";
  constexpr int MasterRows = 20000, TargetRows = 3000;
  TServerConnection Master(S);
  ASSERT_TRUE(Master.Connect().empty());
  Master.ExecIgnoringError("drop database " + TargetDb);
  Master.Exec("create database " + TargetDb);
  Master.ExecIgnoringError("drop table " + Table);
  Master.Exec("create table " + Table + " (id integer primary key, s varchar(20))");
  Master.Exec(Pg ? "insert into " + Table + " select g, 'row ' || g from generate_series(1, " +
                       std::to_string(MasterRows) + ") g"
                 : "insert into " + Table + " select seq, concat('row ', seq) from seq_1_to_" +
                       std::to_string(MasterRows));
  TServerConnection Target(S);
  ASSERT_TRUE(Target.Configure().empty());
  Target.C->GetConnectionOptions().SetDatabaseName(TargetDb);
  Target.C->SetConnected(true);
  ASSERT_TRUE(Target.C->GetConnected());
  Target.Exec("create table " + Table + " (id integer primary key, s varchar(20))");
  // Target rows whose keys sort after every master row: the master's rows are inserted while
  // the target's first block is still being read.
  if (!GetParam().Script)
    Target.Exec(Pg ? "insert into " + Table + " select g, 'old' from generate_series(100001, " +
                         std::to_string(100000 + TargetRows) + ") g"
                   : "insert into " + Table + " select seq, 'old' from seq_100001_to_" +
                         std::to_string(100000 + TargetRows));

  const std::string Script = ::testing::TempDir() + "qel_lost_dc.sql";
  TBackgroundRun Run(std::string(QEL_VARNEL_PROGRAM) + " datacompare --master-db " +
                     ShellQuoted(ServerURI(S, Env(std::string(S.Prefix) + "DATABASE"))) +
                     " --target-db " + ShellQuoted(ServerURI(S, TargetDb)) + " --table " + Table +
                     (GetParam().Script ? " --script " + Script : std::string()) + " --execute");
  const std::string Find = Pg ? "select pid from pg_stat_activity where datname = '" + TargetDb +
                                    "' and pid <> pg_backend_pid() and query ilike 'insert%'"
                              : "select id from information_schema.processlist where db = '" +
                                    TargetDb + "' and info like 'INSERT%'";
  const bool Killed =
      KillWhenSeen(Run, Target, Find, Pg ? "select pg_terminate_backend(" : "kill connection (",
                   std::chrono::milliseconds(200));
  Run.Join();
  const int Inserted = std::stoi(
      Target.Column("select count(*) from " + Table + " where id <= " + std::to_string(MasterRows))
          .at(0));
  const int Deleted =
      TargetRows * (GetParam().Script ? 0 : 1) -
      std::stoi(Target.Column("select count(*) from " + Table + " where id > 100000").at(0));
  Target.C->SetConnected(false);
  Master.Exec("drop table " + Table);
  Master.Exec("drop database " + TargetDb);
  std::remove(Script.c_str());

  ASSERT_TRUE(Killed) << "the run ended before it could be killed:\n" << Run.Output;
  EXPECT_EQ(Run.Code, 1) << Run.Output;
  EXPECT_EQ(Run.Output.find("Equal: "), std::string::npos) << Run.Output;
  if (GetParam().Script) {
    EXPECT_NE(Run.Output.find("Not completed: rolled back, the target is as it was"),
              std::string::npos)
        << Run.Output;
    EXPECT_EQ(Inserted, 0);
    return;
  }
  const int Kept = NumberBefore(Run.Output, " of the \\d+ row change\\(s\\) found");
  ASSERT_GE(Kept, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("Not completed: the target keeps "), std::string::npos) << Run.Output;
  // The row statements the kill met (one round trip of them) may have been committed before
  // the loss.
  EXPECT_NE(Run.Output.find("may have been made too"), std::string::npos) << Run.Output;
  const int UnderWay = std::max(1, NumberBefore(Run.Output, " under way"));
  EXPECT_TRUE(Inserted + Deleted >= Kept && Inserted + Deleted <= Kept + UnderWay)
      << Inserted << " inserted, " << Deleted << " deleted\n"
      << Run.Output;
}

INSTANTIATE_TEST_SUITE_P(Servers, LostConnectionDataCompare,
                         ::testing::Values(TDataCase{&PgServer, true}, TDataCase{&PgServer, false},
                                           TDataCase{&MyServer, true}, TDataCase{&MyServer, false}),
                         [](const auto& Info) {
                           return std::string(Info.param.Server->Title) +
                                  (Info.param.Script ? "Script" : "Immediate");
                         });
#endif

}  // namespace
