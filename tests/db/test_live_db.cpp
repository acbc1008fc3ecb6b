// Runs against live servers that other sessions use meanwhile: a URI without a host is refused
// before any client sees it; an extraction while another session drops and creates tables either
// fails with a message or writes a script that builds an empty database; the table data comparer
// reads large MariaDB and Firebird tables a block at a time, also while it writes to the target.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "Files.h"
#include "Text.h"
#include "db_servers.h"
#include "pg_dump_util.h"
#include "qelConnection_Base.h"
#include "qelSQL_Exec.h"
#include "qelTableDataComparer.h"
#include "scratch_db.h"

using namespace qel;
using namespace qel::testing;

namespace {

const TDbServer* const Servers[] = {&PgServer, &MyServer, &FbServer};

// ---------------------------------------------------------------------------------------------
// A URI must name a host.

TEST(LiveURI, AHostlessFirebirdURIIsABadArgumentAndNeverOpensTheFile) {
  const std::string Program = QEL_VARNEL_PROGRAM;
  const std::string Db = Env("QEL_FB_DATABASE");
  ASSERT_FALSE(Db.empty());
  std::string Out;
  // Through the in-process engine the file would open whatever the password.
  const std::string Hostless = "firebird://SYSDBA:WRONGPW@:1/" + Db;
  EXPECT_EQ(Shell(ShellQuoted(Program) + " extract --db " + ShellQuoted(Hostless), Out), 2);
  EXPECT_NE(Out.find("names no host"), std::string::npos) << Out;
  EXPECT_EQ(Out.find("CREATE"), std::string::npos) << Out;
  EXPECT_EQ(Shell(ShellQuoted(Program) + " datacompare --table t --master-db " +
                      ShellQuoted(Hostless) + " --target-db " + ShellQuoted(URI(FbServer, Db)),
                  Out),
            2);
  EXPECT_NE(Out.find("names no host"), std::string::npos) << Out;
  // With the host named, the server checks the password.
  const std::string Wrong = URI(FbServer, Env("QEL_FB_USER"), "WRONGPW", Env("QEL_FB_HOST"), Db);
  EXPECT_EQ(Shell(ShellQuoted(Program) + " extract --db " + ShellQuoted(Wrong), Out), 1);
  EXPECT_EQ(Out.find("CREATE"), std::string::npos) << Out;
}

// ---------------------------------------------------------------------------------------------
// Extraction while another session drops and creates tables.

class LiveExtract : public ::testing::TestWithParam<const TDbServer*> {};

TEST_P(LiveExtract, FailsWithAMessageOrWritesAScriptThatBuildsAnEmptyDatabase) {
  const TDbServer& S = *GetParam();
  const std::string Program = QEL_VARNEL_PROGRAM;
  const std::string Dialect = &S == &PgServer   ? "postgresql"
                              : &S == &MyServer ? "mysql"
                                                : "firebird";
  TScratchDatabase Source(S, "qel_live_src");
  auto Setup = Source.Connect();
  // Enough tables that the catalog takes many queries to read.
  for (int I = 0; I < 25; ++I) {
    const std::string T = "qel_live_t" + std::to_string(I);
    Setup->Exec("create table " + T + " (id integer not null primary key, v varchar(20)" +
                (I > 0 ? ", r integer references qel_live_t" + std::to_string(I - 1) + "(id)"
                       : std::string()) +
                ")");
    Setup->Exec("create index " + T + "_v on " + T + " (v)");
  }
  // The other session: a parent and a child that references it, dropped and made again as fast
  // as the server lets it.
  std::atomic<bool> Stop{false};
  std::atomic<int> Rounds{0};
  auto Writer = Source.Connect();
  std::thread Churn([&] {
    while (!Stop) {
      Writer->ExecIgnoringError("drop table qel_live_child");
      Writer->ExecIgnoringError("drop table qel_live_parent");
      Writer->ExecIgnoringError(
          "create table qel_live_parent (id integer not null primary key, w varchar(10))");
      Writer->ExecIgnoringError(
          "create table qel_live_child (id integer not null primary key, p integer "
          "references qel_live_parent(id))");
      Writer->ExecIgnoringError("create index qel_live_child_p2 on qel_live_child (p, id)");
      ++Rounds;
    }
  });
  const std::string Script = ::testing::TempDir() + "qel_live_extract.sql";
  int Written = 0, Refused = 0;
  for (int Run = 0; Run < 5; ++Run) {
    SCOPED_TRACE("run " + std::to_string(Run));
    std::string Out;
    const int Code =
        Shell(ShellQuoted(Program) + " extract --db " + ShellQuoted(URI(S, Source.Name())) +
                  " --output " + ShellQuoted(Script),
              Out);
    if (Code != 0) {
      ++Refused;
      EXPECT_EQ(Code, 1) << Out;
      EXPECT_NE(Out.find("error"), std::string::npos) << Out;
      continue;
    }
    ++Written;
    TScratchDatabase Empty(S, "qel_live_load");
    std::string Load;
    EXPECT_EQ(Shell(ShellQuoted(Program) + " compare --dialect " + Dialect +
                        " --execute --master " + ShellQuoted(Script) + " --target-db " +
                        ShellQuoted(URI(S, Empty.Name())) + " >/dev/null",
                    Load),
              0)
        << "the extracted script does not build an empty database:\n"
        << Load << "\n"
        << ReadFile(Script);
  }
  Stop = true;
  Churn.join();
  std::remove(Script.c_str());
  EXPECT_GT(Rounds.load(), 0);
  RecordProperty("written", Written);
  RecordProperty("refused", Refused);
}

INSTANTIATE_TEST_SUITE_P(Servers, LiveExtract, ::testing::ValuesIn(Servers),
                         [](const auto& Info) { return std::string(Info.param->Title); });

// ---------------------------------------------------------------------------------------------
// Large tables compared a block at a time.

struct TLargeCase {
  const TDbServer* Server;
  bool Immediate;   ///< write each statement as it is found, while the results are read
  bool OneSession;  ///< master and target read through one connection
};

void PrintTo(const TLargeCase& C, std::ostream* Os) {
  *Os << C.Server->Title << (C.Immediate ? ", immediate" : "")
      << (C.OneSession ? ", one session" : "");
}

class LargeTables : public ::testing::TestWithParam<TLargeCase> {};

constexpr int LargeRows = 200000;

/// Fills Table with LargeRows rows (id, v): v is "v<id>", or "w<id>" for every Step-th id.
void FillLarge(TServerConnection& C, const std::string& Table, int Step) {
  const std::string V = "case when mod(id, " + std::to_string(Step) + ") = 0 then 'w' else 'v' end";
  if (&C.Server == &MyServer) {
    C.Exec("insert into " + Table + " select seq, concat(" +
           StringReplace(V, "id", "seq", true, false) + ", seq) from seq_1_to_" +
           std::to_string(LargeRows));
  } else {
    C.Exec("execute block as declare id integer = 1; begin while (id <= " +
           std::to_string(LargeRows) + ") do begin insert into " + Table + " values (:id, " +
           StringReplace(V, "id", ":id", true, false) + " || :id); id = id + 1; end end");
  }
}

TEST_P(LargeTables, RowsAreReadABlockAtATime) {
  const TLargeCase& P = GetParam();
  TScratchDatabase Db(*P.Server, "qel_live_large");
  auto Setup = Db.Connect();
  for (const char* T : {"qel_big_m", "qel_big_t"})
    Setup->Exec(std::string("create table ") + T +
                " (id integer not null primary key, v varchar(20))");
  FillLarge(*Setup, "qel_big_m", 1000);
  FillLarge(*Setup, "qel_big_t", 1000000000);
  Setup->Exec("delete from qel_big_t where id > " + std::to_string(LargeRows - 100));

  auto Master = Db.Connect();
  auto Target = P.OneSession ? nullptr : Db.Connect();
  TQELCustomConnection* TargetC = P.OneSession ? Master->C.get() : Target->C.get();
  auto Compare = [&](bool Immediate) {
    TSQLExec Exec(nullptr);
    Exec.DatabaseType = P.Server->DatabaseType;
    TTableDataComparer Cmp(nullptr);
    Cmp.SetQELConnectionMaster(Master->C.get());
    Cmp.SetQELConnectionTarget(TargetC);
    Cmp.SetTableNameMaster("qel_big_m");
    Cmp.SetTableNameTarget("qel_big_t");
    const char* Key = P.Server == &FbServer ? "ID" : "id";
    Cmp.GetTableOptionsMaster().GetKeyFields().Add(Key);
    Cmp.GetTableOptionsTarget().GetKeyFields().Add(Key);
    std::vector<std::string> Errors;
    Cmp.OnErrorMessage = [&](TObject*, const std::string& T) { Errors.push_back(T); };
    Cmp.SetScriptFileName("");
    if (Immediate) {
      Cmp.SetUpdateImmediately(true);
    } else {
      Cmp.SetSQLExec(&Exec);
    }
    TQELAdapterQuery::ResetPeakHeldRows();
    EXPECT_TRUE(Cmp.CompareData());
    EXPECT_TRUE(Errors.empty()) << Errors.front();
    return std::vector<int>{Cmp.GetEqualCount(), Cmp.GetInsertedCount(), Cmp.GetUpdatedCount(),
                            Cmp.GetDeletedCount(), Cmp.GetAppliedCount()};
  };
  // The target lacks the last 100 rows; 199 of the rows both have differ (every 1000th).
  const std::vector<int> First = Compare(P.Immediate);
  const std::size_t Peak = TQELAdapterQuery::PeakHeldRows();
  EXPECT_EQ(First[0], LargeRows - 100 - 199);
  EXPECT_EQ(First[1], 100);
  EXPECT_EQ(First[2], 199);
  EXPECT_EQ(First[3], 0);
  // A block is some thousands of rows; the whole table would be two hundred thousand. Where the
  // other side's select runs on the connection a MariaDB result is read through, the rest of
  // that result is read into memory first: the client cannot send a statement before. Rows
  // written at once go through a connection of their own.
  if (P.Server == &MyServer && P.OneSession) {
    EXPECT_GT(Peak, 50000u);
  } else {
    EXPECT_GT(Peak, 0u);
    EXPECT_LT(Peak, 50000u);
  }
  if (!P.Immediate) return;
  EXPECT_EQ(First[4], First[1] + First[2]);
  // The statements written while the results were read made the tables equal.
  const std::vector<int> Second = Compare(false);
  EXPECT_EQ(Second, (std::vector<int>{LargeRows, 0, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Servers, LargeTables,
    ::testing::Values(TLargeCase{&MyServer, false, false}, TLargeCase{&MyServer, false, true},
                      TLargeCase{&MyServer, true, false}, TLargeCase{&FbServer, false, false},
                      TLargeCase{&FbServer, false, true}, TLargeCase{&FbServer, true, false}),
    [](const auto& Info) {
      return std::string(Info.param.Server->Title) +
             (Info.param.Immediate ? "Immediate" : "Script") +
             (Info.param.OneSession ? "OneSession" : "");
    });

}  // namespace
