// `varnel datacompare` across servers with values easy to lose on the way: 4-byte and 8-byte
// floats, and large values for a Firebird target on standard output.
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

/// Runs the command through the shell; its standard output and exit code.
std::pair<std::string, int> Shell(const std::string& Command) {
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
  return std::string(&S == &FbServer   ? "firebird"
                     : &S == &PgServer ? "postgresql"
                                       : "mysql") +
         "://" + Env(P + "USER") + ":" + Env(P + "PASSWORD") + "@" + Env(P + "HOST") + ":" +
         Env(P + "PORT") + "/" + Env(P + "DATABASE");
}

/// The server's own client running a script file, stopping at an error.
std::string Client(const TDbServer& S) {
  if (&S == &PgServer)
    return "PGPASSWORD=$QEL_PG_PASSWORD psql -X -q -1 -v ON_ERROR_STOP=1 -h $QEL_PG_HOST -p "
           "$QEL_PG_PORT -U $QEL_PG_USER -d $QEL_PG_DATABASE -f ";
  if (&S == &MyServer)
    return "mariadb -h $QEL_MY_HOST -P $QEL_MY_PORT -u $QEL_MY_USER -p$QEL_MY_PASSWORD "
           "$QEL_MY_DATABASE < ";
  return "isql-fb -q -b -user $QEL_FB_USER -password $QEL_FB_PASSWORD "
         "$QEL_FB_HOST/$QEL_FB_PORT:$QEL_FB_DATABASE -i ";
}

void MakeTable(const TDbServer& S, const std::string& Create, const std::string& Rows) {
  TServerConnection C(S);
  ASSERT_TRUE(C.Connect().empty()) << C.Where();
  C.ExecIgnoringError("drop table qel_fl");
  C.Exec(Create);
  if (!Rows.empty()) C.Exec(Rows);
  C.C->SetConnected(false);  // Firebird drops a table no other attachment uses
}

const char* const PgRows =
    "insert into qel_fl select n, n / 7.0, n / 7.0::double precision from generate_series(1, "
    "60) n union all values (61, 0.15, 0.15), (62, -0.1, -0.1), (63, 1/3.0, 1/3.0::double "
    "precision), (64, 3.4e38, 3.4e38), (65, 1e-30, 1e-300), (66, -3.4e38, -1e300), (67, 1, 1)";
const char* const MyRows =
    "insert into qel_fl select seq, seq / 7e0, seq / 7e0 from seq_1_to_60 union all values (61, "
    "0.15, 0.15), (62, -0.1, -0.1), (63, 1/3e0, 1/3e0), (64, 3.4e38, 3.4e38), (65, 1e-30, "
    "1e-300), (66, -3.4e38, -1e300), (67, 1, 1)";
const char* const PgTable = "create table qel_fl (id integer primary key, r real, d float8)";
const char* const MyTable = "create table qel_fl (id integer primary key, r float, d double)";
const char* const FbTable =
    "create table qel_fl (id integer not null primary key, r float, d double precision)";

struct TFloatCase {
  const char* Title;
  const TDbServer *Master, *Target;
  const char *MasterTable, *TargetTable, *Rows;
  const char* MasterURI;  ///< an ODBC master; else the server's own
};

const TFloatCase FloatCases[] = {
    {"PostgreSQLIntoMariaDB", &PgServer, &MyServer, PgTable, MyTable, PgRows, ""},
    {"PostgreSQLIntoFirebird", &PgServer, &FbServer, PgTable, FbTable, PgRows, ""},
    {"MariaDBIntoPostgreSQL", &MyServer, &PgServer, MyTable, PgTable, MyRows, ""},
    // A driver whose text of a float has fewer digits than the value (as the Access one).
    {"ODBCIntoPostgreSQL", &MyServer, &PgServer, MyTable, PgTable, MyRows,
     "odbc:Driver={MariaDB Unicode};Server=$QEL_MY_HOST;Port=$QEL_MY_PORT;"
     "Database=$QEL_MY_DATABASE;UID=$QEL_MY_USER;PWD=$QEL_MY_PASSWORD"},
};

void PrintTo(const TFloatCase& C, std::ostream* Os) {
  *Os << C.Title;
}

class DataCompareFloats : public ::testing::TestWithParam<TFloatCase> {};

}  // namespace

// Copied with --execute, a second run finds every row equal; a target value one step away
// (real 1.0000001, double 1.0000000000000002) is found, and the script on standard output puts
// it and the rows deleted meanwhile back as the target's client runs it.
TEST_P(DataCompareFloats, SettleAtTheirColumnsPrecision) {
  const TFloatCase& K = GetParam();
  MakeTable(*K.Master, K.MasterTable, K.Rows);
  MakeTable(*K.Target, K.TargetTable, "");
  const std::string Command = std::string(QEL_VARNEL_PROGRAM) + " datacompare --master-db \"" +
                              (*K.MasterURI ? K.MasterURI : URI(*K.Master)) + "\" --target-db '" +
                              URI(*K.Target) + "' --table qel_fl";
  EXPECT_NE(Shell(Command + " --execute 2>&1").first.find("Inserted: 67, Updated: 0"),
            std::string::npos);
  EXPECT_NE(Shell(Command + " --execute 2>&1").first.find("Equal: 67, Inserted: 0, Updated: 0"),
            std::string::npos);
  {
    TServerConnection T(*K.Target);
    ASSERT_TRUE(T.Connect().empty());
    T.Exec("update qel_fl set r = 1.0000001, d = 1.0000000000000002 where id = 67");
    T.Exec("delete from qel_fl where id <= 60");
    T.C->SetConnected(false);
  }
  const std::string Script = ::testing::TempDir() + "qel_fl_" + K.Title + ".sql";
  auto [Err, Code] = Shell(Command + " 2>&1 >" + Script);
  EXPECT_NE(Err.find("Equal: 6, Inserted: 60, Updated: 1"), std::string::npos) << Err;
  auto [Ran, ClientCode] = Shell(Client(*K.Target) + Script + " 2>&1");
  EXPECT_EQ(ClientCode, 0) << Ran;
  EXPECT_NE(Shell(Command + " 2>&1 >/dev/null").first.find("Equal: 67, Inserted: 0, Updated: 0"),
            std::string::npos);
  std::remove(Script.c_str());
}

INSTANTIATE_TEST_SUITE_P(Servers, DataCompareFloats, ::testing::ValuesIn(FloatCases),
                         [](const ::testing::TestParamInfo<TFloatCase>& I) {
                           return std::string(I.param.Title);
                         });

namespace {

struct TLargeCase {
  const char* Title;
  const char* Rows;  ///< the PostgreSQL master's rows
  bool Fits;         ///< within the 10 MiB of a Firebird statement
};

const TLargeCase LargeCases[] = {
    {"PiecesJoined",
     "insert into qel_fl values (1, decode(repeat('00ff27', 426667), 'hex'), repeat('ä''x', "
     "200000)), (2, decode('00', 'hex'), 'small')",
     true},
    // 150,000 lines with CR LF ends (2.9 MB), 200,000 carriage returns in a row, and 3,000 among
    // every control character: a join per carriage return would overflow the server's stack.
    {"ManyCarriageReturns",
     "insert into qel_fl values (1, decode('00', 'hex'), repeat('A line of a book.' || chr(13) "
     "|| chr(10), 150000)), (2, decode('00', 'hex'), repeat(chr(13), 200000)), (3, "
     "decode('00', 'hex'), repeat((select string_agg(chr(g), '') from generate_series(1, 31) g), "
     "3000))",
     true},
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

// A 1.28 MB BLOB, 600,000 characters of text and texts of many carriage returns reach a Firebird
// target through isql-fb; 6 MB fit no statement, which is said before anything is written.
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
  const std::string Script = ::testing::TempDir() + "qel_fl_" + K.Title + ".sql";
  auto [Err, Code] = Shell(Command + " 2>&1 >" + Script);
  EXPECT_EQ(Code, K.Fits ? 0 : 1) << Err;
  if (K.Fits) {
    auto [Ran, ClientCode] = Shell(Client(FbServer) + Script + " 2>&1");
    EXPECT_EQ(ClientCode, 0) << Ran.substr(0, 2000);
    const std::string Second = Shell(Command + " 2>&1 >/dev/null").first;
    EXPECT_NE(Second.find(", Inserted: 0, Updated: 0, Deleted: 0"), std::string::npos) << Second;
  } else {
    EXPECT_NE(Err.find("--script FILE"), std::string::npos) << Err;
    EXPECT_EQ(Shell("wc -c <" + Script).first, "0\n");
  }
  std::remove(Script.c_str());
}

INSTANTIATE_TEST_SUITE_P(Firebird, DataCompareFirebirdScript, ::testing::ValuesIn(LargeCases),
                         [](const ::testing::TestParamInfo<TLargeCase>& I) {
                           return std::string(I.param.Title);
                         });
#endif
