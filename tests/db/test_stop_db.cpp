// The example program stopped by SIGINT or SIGTERM while its server no longer answers (the
// server process stopped), on each server: the run ends as on a lost connection, with exit code
// 1 and the summary that says what the target holds, and the target holds just that. And a URI
// that names a port where nothing listens is refused, on every adapter, even where the client
// would take "localhost" for a local socket with a live server behind it.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <thread>

#include "Host.h"
#include "db_servers.h"
#include "pg_dump_util.h"
#include "qelDBStructure.h"
#include "qelDatabaseExtract.h"
#include "qelDialects.h"
#include "scratch_db.h"

extern char** environ;

using namespace qel;
using namespace qel::testing;

namespace {

/// The example program in a process of its own, to be signalled; standard error to a file.
struct TProgram {
  TProgram(const std::string& Args, const std::string& ErrFile) {
    const std::string Command = "exec " + std::string(QEL_VARNEL_PROGRAM) + " " + Args +
                                " >/dev/null 2>" + ShellQuoted(ErrFile);
    const char* Argv[] = {"/bin/sh", "-c", Command.c_str(), nullptr};
    if (posix_spawn(&Pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(Argv), environ) != 0)
      Pid = -1;
  }
  ~TProgram() {
    if (Pid > 0 && Running()) ::kill(Pid, SIGKILL), waitpid(Pid, nullptr, 0);
  }
  bool Running() {
    if (Status < 0 && waitpid(Pid, &Status, WNOHANG) != Pid) Status = -1;
    return Status < 0;
  }
  /// The exit code once it ended (a minute at most); -1 when it ended by a signal or runs on.
  int Wait() {
    for (int I = 0; I < 3000 && Running(); ++I)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return !Running() && WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  }
  pid_t Pid = -1;
  int Status = -1;
};

enum TRun { rnCompare, rnDataScript, rnDataImmediate };

struct TStopCase {
  const TDbServer* Server;
  TRun Run;
  int Signal;
  /// The server goes on answering: rows written at once end with the round trip under way.
  bool Answers = false;
};

void PrintTo(const TStopCase& C, std::ostream* Os) {
  *Os << C.Server->Title << " " << C.Run;
}

constexpr int Rows = 20000;

/// SQL that fills table qel_stop of the master with Rows rows.
std::string FillRows(const TDbServer& S) {
  const std::string N = std::to_string(Rows);
  if (&S == &PgServer)
    return "insert into qel_stop select g, 'row ' || g from generate_series(1, " + N + ") g";
  if (&S == &MyServer)
    return "insert into qel_stop select seq, concat('row ', seq) from seq_1_to_" + N;
  return "execute block as declare i integer = 1; begin while (i <= " + N +
         ") do begin insert into qel_stop values (:i, 'row ' || :i); i = i + 1; end end";
}

/// A count the run drives up to 20 or more once it writes to the target Db ("" for a Firebird
/// script, run once it is written whole: the test looks at the file).
std::string Progress(const TDbServer& S, TRun Run, const std::string& Db) {
  if (Run == rnDataImmediate) return "select 20 * count(*) from qel_stop";  // row by row
  if (&S == &PgServer)  // one transaction throughout: its session has written
    return "select 20 * count(*) from pg_stat_activity where datname = '" + Db +
           "' and pid <> pg_backend_pid() and backend_xid is not null";
  if (Run == rnDataScript)
    return &S == &MyServer ? "select 20 * count(*) from information_schema.processlist where "
                             "db = '" +
                                 Db + "' and info like 'INSERT%'"
                           : "";
  return &S == &MyServer ? "select count(*) from information_schema.tables where table_schema = "
                           "database() and table_name like 'qel\\_k\\_%'"
                         : "select count(*) from rdb$relations where rdb$relation_name "
                           "starting with 'QEL_K_'";
}

/// The process to stop so that the run's server no longer answers: PostgreSQL's backend of
/// the run, the whole MariaDB or Firebird server.
pid_t ServerProcess(TServerConnection& C, const std::string& Db) {
  std::string Pid;
  if (&C.Server == &PgServer) {
    Pid = C.Column("select pid from pg_stat_activity where datname = '" + Db +
                   "' and pid <> pg_backend_pid()")
              .at(0);
  } else if (&C.Server == &MyServer) {
    std::ifstream(C.Column("select @@pid_file").at(0)) >> Pid;
  } else {
    Pid = C.Column(
               "select mon$server_pid from mon$attachments where mon$attachment_id = "
               "current_connection")
              .at(0);
  }
  return static_cast<pid_t>(std::stol(Pid));
}

/// The number in Text that Pattern's group 1 matches; -1 when there is none.
int Number(const std::string& Text, const std::string& Pattern) {
  std::smatch M;
  if (!std::regex_search(Text, M, std::regex(Pattern, std::regex::icase))) return -1;
  return std::stoi(M[1].str());
}

const char* RunName(TRun Run) {
  return Run == rnCompare ? "Compare" : Run == rnDataScript ? "DataScript" : "DataImmediate";
}

class StopOnSignal : public ::testing::TestWithParam<TStopCase> {};

TEST_P(StopOnSignal, TheRunEndsAsOnALostConnectionAndTheTargetHoldsWhatItSays) {
  const TStopCase& K = GetParam();
  const TDbServer& S = *K.Server;
  const bool Pg = &S == &PgServer;
  TServerConnection Master(S);
  ASSERT_TRUE(Master.Connect().empty()) << Master.Where();
  // A database of each case's own: Firebird may hold the last one's file open a while.
  TScratchDatabase Target(S, "qel_stop_" + std::to_string(K.Run));
  const std::string Script = ::testing::TempDir() + "qel_stop.sql",
                    ErrFile = ::testing::TempDir() + "qel_stop_err.txt";
  std::string Args = "compare --execute --dialect " +
                     std::string(Pg                ? "postgresql"
                                 : &S == &MyServer ? "mysql"
                                                   : "firebird") +
                     " --master " + Script + " --target-db " + ShellQuoted(URI(S, Target.Name()));
  if (K.Run == rnCompare) {
    std::ofstream F(Script);
    for (int I = 100; I < 400; ++I)
      F << "CREATE TABLE qel_k_" << I << " (id integer NOT NULL PRIMARY KEY, v varchar(20));\n";
  } else {
    Master.ExecIgnoringError("drop table qel_stop");
    auto T = Target.Connect();
    for (TServerConnection* C : {&Master, T.get()})
      C->Exec("create table qel_stop (id integer not null primary key, s varchar(20))");
    Master.Exec(FillRows(S));
    Args = "datacompare --table qel_stop --master-db " +
           ShellQuoted(URI(S, Env(std::string(S.Prefix) + "DATABASE"))) + " --target-db " +
           ShellQuoted(URI(S, Target.Name())) +
           (K.Run == rnDataScript ? " --script " + Script : std::string()) + " --execute";
  }
  auto Watch = Target.Connect();
  const std::string Probe = Progress(S, K.Run, Target.Name());
  TProgram Run(Args, ErrFile);
  ASSERT_GT(Run.Pid, 0);
  bool Writing = false;
  while (!Writing && Run.Running()) {
    Writing = Probe.empty() ? ReadFile(Script).find(std::to_string(Rows)) != std::string::npos
                            : std::stoi(Watch->Column(Probe).at(0)) >= 20;
    if (!Writing) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(Writing) << "the run ended before it wrote:\n" << ReadFile(ErrFile);
  const pid_t Server = K.Answers ? 0 : ServerProcess(*Watch, Target.Name());
  if (Server) ::kill(Server, SIGSTOP);
  if (Server) std::this_thread::sleep_for(std::chrono::milliseconds(200));  // it waits on it
  ::kill(Run.Pid, K.Signal);
  const int Code = Run.Wait();
  if (Server) ::kill(Server, SIGCONT);
  const std::string Err = ReadFile(ErrFile);
  EXPECT_EQ(Code, 1) << Err;
  const std::string Signal = K.Signal == SIGINT ? "SIGINT" : "SIGTERM";
  EXPECT_NE(
      Err.find(K.Answers ? "the run was stopped by " + Signal +
                               " once the round trip under way was answered"
                         : "the run was stopped by " + Signal + ", and the connection closed"),
      std::string::npos)
      << Err;
  // A round trip cut off is told by the signal, not as a connection lost.
  EXPECT_EQ(Err.find("when the connection was lost"), std::string::npos) << Err;
  for (const char* Crash : {"Sanitizer", "runtime error", "Segmentation", "Equal: "})
    EXPECT_EQ(Err.find(Crash), std::string::npos) << Err;

  // The target as another session sees it once the server answers again: the tables or rows
  // before the statement the stop cut off, and that one or not; nothing from one transaction.
  Watch = Target.Connect();
  const char* Said = K.Run == rnCompare      ? (Pg ? "rolled back with it" : "is unknown")
                     : K.Run == rnDataScript ? "Not completed: rolled back, the target is as it was"
                                             : "Not completed: the target keeps ";
  // A stop while the first statement of a one-transaction run still ran has nothing to roll
  // back, and says so by its count.
  const bool NothingRan =
      Pg && K.Run == rnCompare && Err.find(" 0 statement(s) before it ran;") != std::string::npos;
  EXPECT_TRUE(NothingRan || Err.find(Said) != std::string::npos) << Err;
  const bool Whole = (Pg && K.Run == rnCompare) || K.Run == rnDataScript;
  const int Before = Whole                ? 0
                     : K.Run == rnCompare ? Number(Err, "TABLE [^\\n]*?qel_k_(\\d+)") - 100
                                          : Number(Err, "(\\d+) of the \\d+ row change");
  const int Held = std::stoi(
      Watch
          ->Column(K.Run != rnCompare ? "select count(*) from qel_stop"
                   : Pg ? "select count(*) from pg_tables where tablename like 'qel\\_k\\_%'"
                        : Progress(S, rnCompare, ""))
          .at(0));
  // Rows written at once go many to a round trip: as many as were under way may have been made.
  const int UnderWay = K.Answers ? 0 : std::max(1, Number(Err, "the (\\d+) under way"));
  EXPECT_TRUE(Held == Before || (!Whole && Held > Before && Held <= Before + UnderWay))
      << Held << "\n"
      << Err;
  Watch.reset();
  if (K.Run != rnCompare) Master.ExecIgnoringError("drop table qel_stop");
  // The stopped run's PostgreSQL session ends once it sees its socket closed.
  if (Pg)
    Master.ExecIgnoringError(
        "select pg_terminate_backend(pid) from pg_stat_activity where datname = '" + Target.Name() +
        "'");
  std::remove(Script.c_str());
}

INSTANTIATE_TEST_SUITE_P(Servers, StopOnSignal,
                         ::testing::Values(TStopCase{&PgServer, rnCompare, SIGINT},
                                           TStopCase{&PgServer, rnDataScript, SIGTERM},
                                           TStopCase{&PgServer, rnDataImmediate, SIGINT},
                                           TStopCase{&MyServer, rnCompare, SIGTERM},
                                           TStopCase{&MyServer, rnDataScript, SIGINT},
                                           TStopCase{&MyServer, rnDataImmediate, SIGTERM},
                                           TStopCase{&FbServer, rnCompare, SIGINT},
                                           TStopCase{&FbServer, rnDataScript, SIGTERM},
                                           TStopCase{&FbServer, rnDataImmediate, SIGINT},
                                           TStopCase{&PgServer, rnDataImmediate, SIGINT, true},
                                           TStopCase{&MyServer, rnDataImmediate, SIGTERM, true},
                                           TStopCase{&FbServer, rnDataImmediate, SIGINT, true}),
                         [](const auto& Info) {
                           return std::string(Info.param.Server->Title) + RunName(Info.param.Run) +
                                  (Info.param.Answers ? "Answered" : "");
                         });

// ---------------------------------------------------------------------------------------------
// A port where nothing listens.

/// A loopback port nobody listens on: one the system just gave out and took back.
int DeadPort() {
  const int S = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t Len = sizeof(A);
  ::bind(S, reinterpret_cast<sockaddr*>(&A), sizeof(A));
  ::getsockname(S, reinterpret_cast<sockaddr*>(&A), &Len);
  ::close(S);
  return ntohs(A.sin_port);
}

TEST(PortOfTheURI, APortWhereNothingListensIsRefusedOnEveryAdapter) {
  // The MariaDB client's default socket leads to the live test server: a client that took
  // "localhost" for that socket would extract from it.
  TServerConnection My(MyServer);
  ASSERT_TRUE(My.Connect().empty()) << My.Where();
  ::setenv("MYSQL_UNIX_PORT", My.Column("select @@socket").at(0).c_str(), 1);
  const int Port = DeadPort();
  for (const TDbServer* S : {&PgServer, &MyServer, &FbServer}) {
    const std::string P = S->Prefix;
    const std::string URI = std::string(S == &PgServer   ? "postgresql"
                                        : S == &MyServer ? "mysql"
                                                         : "firebird") +
                            "://" + Env(P + "USER") + ":" + Env(P + "PASSWORD") +
                            "@localhost:" + std::to_string(Port) + "/" + Env(P + "DATABASE");
    std::string Out;
    const int Code =
        Shell(std::string(QEL_VARNEL_PROGRAM) + " extract --db " + ShellQuoted(URI), Out);
    EXPECT_TRUE(Code == 1 && Out.find("Cannot connect") != std::string::npos &&
                Out.find("CREATE TABLE") == std::string::npos)
        << S->Title << ": " << Out;

    // In a program of its own, with no handler set: the refusal is shown once.
    TServerConnection C(*S);
    ASSERT_TRUE(C.Configure().empty());
    C.C->OnErrorMessage = nullptr;
    C.C->GetConnectionOptions().HostName = "localhost";
    C.C->GetConnectionOptions().Port = Port;
    std::vector<std::string> Shown;
    const TShowMessageHandler Old =
        SetShowMessageHandler([&Shown](const std::string& Text) { Shown.push_back(Text); });
    TDBStructure Holder(nullptr);
    std::unique_ptr<TCustomDBExtract> Ex =
        FindDialect(S->DatabaseType)->MakeCatalogExtractor(nullptr);
    Ex->SetConnection(C.C.get());
    Ex->SetDBStructure(&Holder);
    EXPECT_FALSE(Ex->ExtractDatabase());
    SetShowMessageHandler(Old);
    ASSERT_EQ(Shown.size(), 1u) << S->Title << ": " << ::testing::PrintToString(Shown);
    EXPECT_NE(Shown[0].find("Cannot connect to"), std::string::npos) << Shown[0];
  }
  ::unsetenv("MYSQL_UNIX_PORT");
}

}  // namespace
