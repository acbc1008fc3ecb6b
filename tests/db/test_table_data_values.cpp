// `varnel datacompare` across servers with values that are easy to lose on the way: 4-byte and
// 8-byte floats (a run with --execute, then standard output through the target's own client,
// each followed by a run that finds nothing), and large values for a Firebird target on
// standard output, which isql-fb must take as written or which must be refused before anything
// is written.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <utility>

#include "db_servers.h"

using namespace qel;
using namespace qel::testing;

#ifdef QEL_VARNEL_PROGRAM
namespace {

/// Runs the command through the shell; its standard output (and error, unless split) and exit
/// code.
std::pair<std::string, int> RunProgram(const std::string& Command) {
  std::string Out;
  FILE* P = popen(Command.c_str(), "r");
  if (!P) return {"cannot run: " + Command, -1};
  char Buf[4096];
  while (std::size_t N = fread(Buf, 1, sizeof(Buf), P)) Out.append(Buf, N);
  const int Status = pclose(P);
  return {Out, WIFEXITED(Status) ? WEXITSTATUS(Status) : -1};
}

std::string URI(const TDbServer& S) {
  const std::string P = S.Prefix;
  const std::string Scheme = &S == &FbServer   ? "firebird"
                             : &S == &PgServer ? "postgresql"
                                               : "mysql";
  return Scheme + "://" + Env(P + "USER") + ":" + Env(P + "PASSWORD") + "@" + Env(P + "HOST") +
         ":" + Env(P + "PORT") + "/" + Env(P + "DATABASE");
}

/// Runs a script file in the server's database with its own client, stopping at an error.
std::string ClientRuns(const TDbServer& S, const std::string& File) {
  if (&S == &PgServer)
    return "PGPASSWORD=$QEL_PG_PASSWORD psql -X -q -1 -v ON_ERROR_STOP=1 -h $QEL_PG_HOST -p "
           "$QEL_PG_PORT -U $QEL_PG_USER -d $QEL_PG_DATABASE -f " +
           File;
  if (&S == &MyServer)
    return "mariadb -h $QEL_MY_HOST -P $QEL_MY_PORT -u $QEL_MY_USER -p$QEL_MY_PASSWORD "
           "$QEL_MY_DATABASE < " +
           File;
  return "isql-fb -q -b -user $QEL_FB_USER -password $QEL_FB_PASSWORD "
         "$QEL_FB_HOST/$QEL_FB_PORT:$QEL_FB_DATABASE -i " +
         File;
}

std::string TempFile(const std::string& Name) {
  return ::testing::TempDir() + Name;
}

void MakeTable(const TDbServer& S, const std::string& Create, const std::string& Rows) {
  TServerConnection C(S);
  ASSERT_TRUE(C.Connect().empty()) << C.Where();
  C.ExecIgnoringError("drop table qel_fl");
  C.Exec(Create);
  if (!Rows.empty()) C.Exec(Rows);
  C.C->SetConnected(false);  // Firebird drops a table no other attachment uses
}

// ---------------------------------------------------------------------------------------------
// Floats: r is a 4-byte float, d a double, on each side.

struct TFloatCase {
  const char* Title;
  const TDbServer* Master;
  const TDbServer* Target;
  const char* MasterURI;  ///< when not the server's own (an ODBC master); else empty
  const char* MasterTable;
  const char* TargetTable;
  const char* Rows;  ///< the master's rows
};

const char* const PgRows =
    "insert into qel_fl select n, n / 7.0, n / 7.0::double precision from generate_series(1, "
    "60) n union all values (61, 0.15, 0.15), (62, -0.1, -0.1), (63, 1/3.0, 1/3.0::double "
    "precision), (64, 3.4e38, 3.4e38), (65, 1e-30, 1e-300), (66, -3.4e38, -1e300), (67, 1, 1)";
const char* const MyRows =
    "insert into qel_fl select seq, seq / 7e0, seq / 7e0 from seq_1_to_60 union all values (61, "
    "0.15, 0.15), (62, -0.1, -0.1), (63, 1/3e0, 1/3e0), (64, 3.4e38, 3.4e38), (65, 1e-30, "
    "1e-300), (66, -3.4e38, -1e300), (67, 1, 1)";
const char* const PgTable =
    "create table qel_fl (id integer primary key, r real, d double precision)";
const char* const MyTable = "create table qel_fl (id integer primary key, r float, d double)";
const char* const FbTable =
    "create table qel_fl (id integer not null primary key, r float, d double precision)";

const TFloatCase FloatCases[] = {
    {"PostgreSQLIntoMariaDB", &PgServer, &MyServer, "", PgTable, MyTable, PgRows},
    {"PostgreSQLIntoFirebird", &PgServer, &FbServer, "", PgTable, FbTable, PgRows},
    {"MariaDBIntoPostgreSQL", &MyServer, &PgServer, "", MyTable, PgTable, MyRows},
    // A driver that writes a float in fewer digits than it holds (as the Access driver does).
    {"ODBCIntoPostgreSQL", &MyServer, &PgServer,
     "odbc:Driver={MariaDB Unicode};Server=$QEL_MY_HOST;Port=$QEL_MY_PORT;"
     "Database=$QEL_MY_DATABASE;UID=$QEL_MY_USER;PWD=$QEL_MY_PASSWORD",
     MyTable, PgTable, MyRows},
};

void PrintTo(const TFloatCase& C, std::ostream* Os) {
  *Os << C.Title;
}

class DataCompareFloats : public ::testing::TestWithParam<TFloatCase> {};

}  // namespace

TEST_P(DataCompareFloats, SettleAtTheirColumnsPrecision) {
  const TFloatCase& K = GetParam();
  MakeTable(*K.Master, K.MasterTable, K.Rows);
  MakeTable(*K.Target, K.TargetTable, "");
  const std::string Master = *K.MasterURI ? K.MasterURI : URI(*K.Master);
  const std::string Command = std::string(QEL_VARNEL_PROGRAM) + " datacompare --master-db \"" +
                              Master + "\" --target-db '" + URI(*K.Target) + "' --table qel_fl";
  auto [First, Code] = RunProgram(Command + " --execute 2>&1");
  EXPECT_EQ(Code, 0) << First;
  EXPECT_NE(First.find("Inserted: 67, Updated: 0"), std::string::npos) << First;
  auto [Second, Code2] = RunProgram(Command + " --execute 2>&1");
  EXPECT_NE(Second.find("Equal: 67, Inserted: 0, Updated: 0, Deleted: 0"), std::string::npos)
      << Second;

  // A target value one step away is found, and the script written to standard output puts
  // the master's value back as the target's client runs it.
  {
    TServerConnection T(*K.Target);
    ASSERT_TRUE(T.Connect().empty());
    T.Exec("update qel_fl set r = 1.0000001, d = 1.0000000000000002 where id = 67");
    T.C->SetConnected(false);
  }
  const std::string Script = TempFile(std::string("qel_fl_") + K.Title + ".sql");
  auto [Err, Code3] = RunProgram(Command + " 2>&1 >" + Script);
  EXPECT_EQ(Code3, 0) << Err;
  EXPECT_NE(Err.find("Equal: 66, Inserted: 0, Updated: 1"), std::string::npos) << Err;
  auto [Ran, Code4] = RunProgram(ClientRuns(*K.Target, Script) + " 2>&1");
  EXPECT_EQ(Code4, 0) << Ran;
  auto [Third, Code5] = RunProgram(Command + " 2>&1 >/dev/null");
  EXPECT_NE(Third.find("Equal: 67, Inserted: 0, Updated: 0, Deleted: 0"), std::string::npos)
      << Third;
  std::remove(Script.c_str());
}

INSTANTIATE_TEST_SUITE_P(Servers, DataCompareFloats, ::testing::ValuesIn(FloatCases),
                         [](const ::testing::TestParamInfo<TFloatCase>& I) {
                           return std::string(I.param.Title);
                         });

// ---------------------------------------------------------------------------------------------
// Large values for a Firebird target on standard output.

namespace {

struct TLargeCase {
  const char* Title;
  const char* Rows;  ///< the PostgreSQL master's rows
  bool Fits;         ///< isql-fb can take every statement
};

const TLargeCase LargeCases[] = {
    // 1.28 MB of bytes and 600,000 two-byte characters with quotes, in one row.
    {"PiecesJoined",
     "insert into qel_fl values (1, decode(repeat('00ff27', 426667), 'hex'), repeat('ä''x', "
     "200000)), (2, decode('00', 'hex'), 'small')",
     true},
    // 6 MB of bytes: the statement would pass the 10 MiB a Firebird statement holds.
    {"TooLargeForAnyStatement",
     "insert into qel_fl values (1, 'a', 'a'), (2, decode(repeat('00ff27', 2000000), 'hex'), "
     "'b')",
     false},
};

void PrintTo(const TLargeCase& C, std::ostream* Os) {
  *Os << C.Title;
}

class DataCompareFirebirdScript : public ::testing::TestWithParam<TLargeCase> {};

}  // namespace

TEST_P(DataCompareFirebirdScript, LargeValuesInAFormIsqlTakes) {
  const TLargeCase& K = GetParam();
  MakeTable(PgServer, "create table qel_fl (id integer primary key, b bytea, t text)", K.Rows);
  MakeTable(FbServer,
            "create table qel_fl (id integer not null primary key, b blob sub_type 0, t blob "
            "sub_type text character set utf8)",
            "");
  const std::string Command = std::string(QEL_VARNEL_PROGRAM) + " datacompare --master-db '" +
                              URI(PgServer) + "' --target-db '" + URI(FbServer) +
                              "' --table qel_fl";
  const std::string Script = TempFile(std::string("qel_fl_") + K.Title + ".sql");
  const std::string Errors = Script + ".err";
  auto [Out, Code] =
      RunProgram(Command + " >" + Script + " 2>" + Errors + "; R=$?; cat " + Errors + "; exit $R");
  if (!K.Fits) {
    EXPECT_EQ(Code, 1) << Out;
    EXPECT_NE(Out.find("10485760 bytes"), std::string::npos) << Out;
    EXPECT_NE(Out.find("--script FILE"), std::string::npos) << Out;
    EXPECT_EQ(RunProgram("wc -c <" + Script).first, "0\n");
  } else {
    EXPECT_EQ(Code, 0) << Out;
    auto [Ran, ClientCode] = RunProgram(ClientRuns(FbServer, Script) + " 2>&1");
    EXPECT_EQ(ClientCode, 0) << Ran.substr(0, 2000);
    auto [Again, Code2] = RunProgram(Command + " 2>&1 >/dev/null");
    EXPECT_NE(Again.find("Equal: 2, Inserted: 0, Updated: 0, Deleted: 0"), std::string::npos)
        << Again;
  }
  std::remove(Script.c_str());
  std::remove(Errors.c_str());
}

INSTANTIATE_TEST_SUITE_P(Firebird, DataCompareFirebirdScript, ::testing::ValuesIn(LargeCases),
                         [](const ::testing::TestParamInfo<TLargeCase>& I) {
                           return std::string(I.param.Title);
                         });
#endif
