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

#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
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

/// The example program run as a process of its own, its standard output and error in files.
class TProgram {
 public:
  explicit TProgram(const std::string& Args) {
    FErr = ::testing::TempDir() + "qel_stop_err.txt";
    const std::string Command = "exec " + std::string(QEL_VARNEL_PROGRAM) + " " + Args +
                                " >/dev/null 2>" + ShellQuoted(FErr);
    const char* Argv[] = {"/bin/sh", "-c", Command.c_str(), nullptr};
    if (posix_spawn(&Pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(Argv), environ) != 0)
      Pid = -1;
  }
  ~TProgram() {
    if (Pid > 0 && !FEnded) {
      ::kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
    }
  }
  bool Running() {
    if (FEnded) return false;
    int Status = 0;
    if (waitpid(Pid, &Status, WNOHANG) != Pid) return true;
    FEnded = true;
    FStatus = Status;
    return false;
  }
  /// Waits for the end (a minute at most: a run that does not end is killed); what it wrote
  /// to standard error.
  std::string Wait() {
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Running() && std::chrono::steady_clock::now() < Deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (Running()) {
      ::kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
      FEnded = true;
      return "(did not end within a minute of the signal)";
    }
    return ReadFile(FErr);
  }
  /// The exit code; -1 when the process ended by a signal.
  int Code() const { return WIFEXITED(FStatus) ? WEXITSTATUS(FStatus) : -1; }

  pid_t Pid = -1;

 private:
  std::string FErr;
  bool FEnded = false;
  int FStatus = 0;
};

enum TRun { rnCompare, rnDataScript, rnDataImmediate };

struct TStopCase {
  const TDbServer* Server;
  TRun Run;
  int Signal;
};

void PrintTo(const TStopCase& C, std::ostream* Os) {
  *Os << C.Server->Title << " " << C.Run;
}

constexpr int Tables = 300, Rows = 20000;

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

/// A number the run drives up once it writes to the target; the server is stopped once it is
/// at least Enough.
std::string Progress(const TDbServer& S, TRun Run, const std::string& Db, int& Enough) {
  Enough = Run == rnCompare ? 20 : 100;
  if (Run == rnDataImmediate) return "select count(*) from qel_stop";  // committed row by row
  if (&S == &PgServer) {
    Enough = 1;  // one transaction throughout: its session has written
    return "select count(*) from pg_stat_activity where datname = '" + Db +
           "' and pid <> pg_backend_pid() and backend_xid is not null";
  }
  if (Run == rnDataScript) {
    // Firebird's script is run once it is written whole (the test looks at the file).
    Enough = 1;
    return &S == &MyServer ? "select count(*) from information_schema.processlist where db = '" +
                                 Db + "' and info like 'INSERT%'"
                           : "";
  }
  return &S == &MyServer ? "select count(*) from information_schema.tables where table_schema = "
                           "database() and table_name like 'qel\\_k\\_%'"
                         : "select count(*) from rdb$relations where rdb$relation_name "
                           "starting with 'QEL_K_'";
}

/// The process to stop so that the run's server no longer answers: PostgreSQL's backend of
/// the run, the whole MariaDB or Firebird server.
pid_t ServerProcess(TServerConnection& C, const std::string& Db) {
  const TDbServer& S = C.Server;
  std::string Pid;
  if (&S == &PgServer) {
    Pid = C.Column("select pid from pg_stat_activity where datname = '" + Db +
                   "' and pid <> pg_backend_pid()")
              .at(0);
  } else if (&S == &MyServer) {
    std::ifstream In(C.Column("select @@pid_file").at(0));
    In >> Pid;
  } else {
    Pid = C.Column(
               "select mon$server_pid from mon$attachments where mon$attachment_id = "
               "current_connection")
              .at(0);
  }
  return static_cast<pid_t>(std::stol(Pid));
}

int NumberBefore(const std::string& Text, const std::string& Suffix) {
  std::smatch M;
  if (!std::regex_search(Text, M, std::regex("(\\d+)" + Suffix))) return -1;
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
  auto T = Target.Connect();
  std::string Args;
  const std::string Script = ::testing::TempDir() + "qel_stop.sql";
  if (K.Run == rnCompare) {
    std::ofstream F(Script);
    for (int I = 0; I < Tables; ++I)
      F << "CREATE TABLE qel_k_" << 100 + I
        << " (id integer NOT NULL PRIMARY KEY, v varchar(20));\n";
    Args = std::string("compare --execute --dialect ") +
           (Pg                ? "postgresql"
            : &S == &MyServer ? "mysql"
                              : "firebird") +
           " --master " + Script + " --target-db " + ShellQuoted(URI(S, Target.Name()));
  } else {
    Master.ExecIgnoringError("drop table qel_stop");
    for (TServerConnection* C : {&Master, T.get()})
      C->Exec("create table qel_stop (id integer not null primary key, s varchar(20))");
    Master.Exec(FillRows(S));
    Args = "datacompare --table qel_stop --master-db " +
           ShellQuoted(URI(S, Env(std::string(S.Prefix) + "DATABASE"))) + " --target-db " +
           ShellQuoted(URI(S, Target.Name())) +
           (K.Run == rnDataScript ? " --script " + Script : std::string()) + " --execute";
  }
  T->C->SetConnected(false);  // Firebird: the run's attachment alone on the table
  auto Watch = Target.Connect();
  int Enough = 0;
  const std::string Probe = Progress(S, K.Run, Target.Name(), Enough);

  TProgram Run(Args);
  ASSERT_GT(Run.Pid, 0);
  bool Writing = false;
  while (!Writing && Run.Running()) {
    Writing = Probe.empty() ? ReadFile(Script).find(std::to_string(Rows)) != std::string::npos
                            : std::stoi(Watch->Column(Probe).at(0)) >= Enough;
    if (!Writing) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(Writing) << "the run ended before it wrote:\n" << Run.Wait();
  const pid_t Server = ServerProcess(*Watch, Target.Name());
  ::kill(Server, SIGSTOP);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the run now waits on it
  ::kill(Run.Pid, K.Signal);
  const std::string Err = Run.Wait();
  ::kill(Server, SIGCONT);

  EXPECT_EQ(Run.Code(), 1) << Err;
  const std::string Name = K.Signal == SIGINT ? "SIGINT" : "SIGTERM";
  EXPECT_NE(Err.find("the run was stopped by " + Name + ", and the connection closed"),
            std::string::npos)
      << Err;
  for (const char* Crash : {"Sanitizer", "runtime error", "Segmentation", "Equal: "})
    EXPECT_EQ(Err.find(Crash), std::string::npos) << Err;

  // The target as another session sees it once the server answers again.
  Watch = Target.Connect();
  if (K.Run == rnCompare) {
    int Enough2 = 0;
    const int Made = std::stoi(Watch->Column(Progress(S, rnCompare, "", Enough2)).at(0));
    // The tables before the one the stop cut off are there; that one is there or not.
    std::smatch M;
    ASSERT_TRUE(std::regex_search(
        Err, M, std::regex("(CREATE|ALTER) TABLE [^\\n]*?qel_k_(\\d+)", std::regex::icase)))
        << Err;
    const int Before = std::stoi(M[2].str()) - 100;
    if (Pg) {
      EXPECT_NE(Err.find("rolled back with it"), std::string::npos) << Err;
      EXPECT_EQ(
          Watch->Column("select count(*) from pg_tables where tablename like 'qel\\_k\\_%'").at(0),
          "0");
    } else {
      EXPECT_NE(Err.find("is unknown"), std::string::npos) << Err;
      EXPECT_TRUE(Made == Before || Made == Before + 1) << Made << " tables\n" << Err;
    }
  } else {
    const int Held = std::stoi(Watch->Column("select count(*) from qel_stop").at(0));
    if (K.Run == rnDataScript) {
      EXPECT_NE(Err.find("Not completed: rolled back, the target is as it was"), std::string::npos)
          << Err;
      EXPECT_EQ(Held, 0);
    } else {
      const int Kept = NumberBefore(Err, " of the \\d+ row change\\(s\\) found");
      EXPECT_NE(Err.find("Not completed: the target keeps "), std::string::npos) << Err;
      EXPECT_TRUE(Held == Kept || Held == Kept + 1) << Held << " rows\n" << Err;
    }
    Master.ExecIgnoringError("drop table qel_stop");
  }
  Watch.reset();
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
                                           TStopCase{&FbServer, rnDataImmediate, SIGINT}),
                         [](const auto& Info) {
                           return std::string(Info.param.Server->Title) + RunName(Info.param.Run);
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
    std::string Db = Env(P + "DATABASE");
    const std::string Scheme = S == &PgServer   ? "postgresql"
                               : S == &MyServer ? "mysql"
                                                : "firebird";
    const std::string URI = Scheme + "://" + Env(P + "USER") + ":" + Env(P + "PASSWORD") +
                            "@localhost:" + std::to_string(Port) + "/" + Db;
    std::string Out;
    const int Code =
        Shell(std::string(QEL_VARNEL_PROGRAM) + " extract --db " + ShellQuoted(URI), Out);
    EXPECT_EQ(Code, 1) << S->Title << ": " << Out;
    EXPECT_NE(Out.find("Cannot connect"), std::string::npos) << S->Title << ": " << Out;
    EXPECT_EQ(Out.find("CREATE TABLE"), std::string::npos) << S->Title << ": " << Out;

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
