// `varnel datacompare` on each server as a user meets it: copies of a row in a table without a
// key; a run with --execute whose target refuses a row (also from an ODBC and an Access
// master); a --key that names no column; a script without large values; values that reach a
// column of another type or precision, text with carriage returns, a float -0, names holding
// double quotes; PostgreSQL views, partitioned tables, keys in capitals and --columns.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "Files.h"
#include "Text.h"
#include "qelConnection_ADODB.h"  // the ODBC and Access masters
#include "scratch_db.h"
#include "varnel_datacompare.h"

using namespace qel;
using namespace qel::testing;

namespace {

struct TRun {
  int Code;
  std::string Out, Err;
};

/// Master and target databases of one server, each with a table made from rows.
struct TSides {
  explicit TSides(const TDbServer& S)
      : Server(S), M(S), Db(S, "qel_dcrows_" + std::to_string(getpid())), T(Db.Connect()) {
    EXPECT_TRUE(M.Connect().empty());
  }
  void Make(TServerConnection& C, const std::string& Columns,
            const std::vector<std::string>& Rows) {
    C.ExecIgnoringError("drop table " + Table);
    C.Exec("create table " + Table + " (" + Columns + ")");
    for (const std::string& R : Rows) C.Exec("insert into " + Table + " values (" + R + ")");
  }
  TRun Run(const std::vector<std::string>& More) {
    const std::string From =
        Master.empty() ? URI(Server, Env(Server.Prefix + std::string("DATABASE"))) : Master;
    std::vector<std::string> Args = {"--master-db",          From,      "--target-db",
                                     URI(Server, Db.Name()), "--table", Table};
    Args.insert(Args.end(), More.begin(), More.end());
    std::ostringstream Out, Err;
    const int Code = varnel_cli::RunDataCompare(Args, Out, Err);
    return {Code, Out.str(), Err.str()};
  }
  const TDbServer& Server;
  TServerConnection M;
  TScratchDatabase Db;
  std::unique_ptr<TServerConnection> T;
  std::string Table = "qel_dcrows", Master;
  std::string File = ::testing::TempDir() + "qel_dcrows_" + std::to_string(getpid()) + ".sql";
};

struct TDupCase {
  const TDbServer* Server;
  const char* Mode;  ///< stdout (run by the server's client), script (--script --execute), execute
  const char* Client;
};

class DuplicateRows : public ::testing::TestWithParam<TDupCase> {};

TEST_P(DuplicateRows, AreDeletedAndInsertedOneCopyAtATime) {
  TSides S(*GetParam().Server);
  const std::string Mode = GetParam().Mode;
  S.Make(S.M, "x integer, y varchar(9)", {"1, 'a'", "2, 'b'", "2, 'b'", "2, 'b'", "NULL, 'n'"});
  S.Make(*S.T, "x integer, y varchar(9)",
         {"1, 'a'", "1, 'a'", "2, 'b'", "NULL, 'n'", "NULL, 'n'", "NULL, 'n'", "3, 'c'", "3, 'c'"});
  const TRun First =
      S.Run(Mode == "stdout"   ? std::vector<std::string>{}
            : Mode == "script" ? std::vector<std::string>{"--script", S.File, "--execute"}
                               : std::vector<std::string>{"--execute"});
  EXPECT_NE(First.Err.find("Equal: 3, Inserted: 2, Updated: 0, Deleted: 5"), std::string::npos)
      << First.Err;
  if (Mode == "stdout") {
    std::ofstream(S.File, std::ios::binary) << First.Out;
    const std::string Client = GetParam().Client;
    EXPECT_EQ(std::system((Client + S.Db.Name() + " " + S.File + " >/dev/null 2>&1").c_str()), 0);
  }
  for (const std::string Q :
       {"select x from qel_dcrows order by x, y", "select y from qel_dcrows order by x, y"})
    EXPECT_EQ(S.T->Column(Q), S.M.Column(Q)) << First.Out;
  EXPECT_NE(S.Run({}).Err.find("Inserted: 0, Updated: 0, Deleted: 0"), std::string::npos);
  std::remove(S.File.c_str());
  S.M.Exec("drop table qel_dcrows");
}

// Run a script file ($2) in a database ($1) as the server's own client does.
const char* const Psql =
    "f() { PGPASSWORD=$QEL_PG_PASSWORD psql -X -q -1 -v ON_ERROR_STOP=1 -h "
    "$QEL_PG_HOST -p $QEL_PG_PORT -U $QEL_PG_USER -d $1 -f $2; }; f ";
const char* const Mariadb =
    "f() { mariadb -h $QEL_MY_HOST -P $QEL_MY_PORT -u $QEL_MY_USER -p$QEL_MY_PASSWORD $1 < $2; }; "
    "f ";
const char* const Isql =
    "f() { isql-fb -q -b -user $QEL_FB_USER -password $QEL_FB_PASSWORD "
    "$QEL_FB_HOST/$QEL_FB_PORT:$1 -i $2; }; f ";

INSTANTIATE_TEST_SUITE_P(
    Servers, DuplicateRows,
    ::testing::Values(TDupCase{&PgServer, "stdout", Psql}, TDupCase{&PgServer, "script", ""},
                      TDupCase{&PgServer, "execute", ""}, TDupCase{&MyServer, "stdout", Mariadb},
                      TDupCase{&MyServer, "script", ""}, TDupCase{&MyServer, "execute", ""},
                      TDupCase{&FbServer, "stdout", Isql}, TDupCase{&FbServer, "script", ""},
                      TDupCase{&FbServer, "execute", ""}),
    [](const auto& I) { return std::string(I.param.Server->Title) + "_" + I.param.Mode; });

// A --key that more than one row of a side has (as l_orderkey of lineitem): refused, naming
// the table, the key and a value of it, before any statement of the run is written or run.
struct TKeyCase {
  const TDbServer* Server;
  const char* Mode;  ///< stdout, script, script-execute, execute
  bool InMaster;     ///< the duplicated key is the master's, else the target's
};

class KeyThatDoesNotIdentifyRows : public ::testing::TestWithParam<TKeyCase> {};

TEST_P(KeyThatDoesNotIdentifyRows, IsRefusedBeforeAnythingIsWritten) {
  const TKeyCase& K = GetParam();
  TSides S(*K.Server);
  // Key 1 differs: a run that paired by it would update that row before it met key 2.
  const std::vector<std::string> Once = {"1, 1, 'a'", "2, 1, 'b'"};
  const std::vector<std::string> Twice = {"1, 1, 'a'", "2, 1, 'b'", "2, 2, 'c'"};
  S.Make(S.M, "o integer, l integer, v varchar(9)", K.InMaster ? Twice : Once);
  S.Make(*S.T, "o integer, l integer, v varchar(9)",
         K.InMaster ? std::vector<std::string>{"1, 1, 'x'", "2, 1, 'b'"}
                    : std::vector<std::string>{"1, 1, 'x'", "2, 1, 'b'", "2, 2, 'c'"});
  const std::string Mode = K.Mode;
  std::vector<std::string> Args = {"--key", "o"};
  if (Mode != "stdout" && Mode != "execute") Args.insert(Args.end(), {"--script", S.File});
  if (Mode != "stdout" && Mode != "script") Args.push_back("--execute");
  const TRun Run = S.Run(Args);
  EXPECT_EQ(Run.Code, 1);
  const std::string Said = std::string("does not identify the rows of table qel_dcrows in the ") +
                           (K.InMaster ? "master" : "target") + " database: more than one row " +
                           "has o = 2";
  EXPECT_NE(LowerCase(Run.Err).find(Said), std::string::npos) << Run.Err;
  EXPECT_NE(Run.Err.find("nothing was changed on the target"), std::string::npos) << Run.Err;
  EXPECT_EQ(Run.Out, "");
  std::string Script;
  ReadFileToString(S.File, Script);
  EXPECT_EQ(Script.find("UPDATE"), std::string::npos) << Script;
  EXPECT_EQ(S.T->Column("select v from qel_dcrows order by o, l"),
            K.InMaster ? std::vector<std::string>({"x", "b"})
                       : std::vector<std::string>({"x", "b", "c"}));
  std::remove(S.File.c_str());
  S.M.Exec("drop table qel_dcrows");
}

std::vector<TKeyCase> KeyCases() {
  std::vector<TKeyCase> Cases;
  for (const TDbServer* Server : {&PgServer, &MyServer, &FbServer})
    for (const char* Mode : {"stdout", "script", "script-execute", "execute"})
      for (const bool InMaster : {true, false}) Cases.push_back({Server, Mode, InMaster});
  return Cases;
}

INSTANTIATE_TEST_SUITE_P(Servers, KeyThatDoesNotIdentifyRows, ::testing::ValuesIn(KeyCases()),
                         [](const auto& I) {
                           std::string Mode = I.param.Mode;
                           std::replace(Mode.begin(), Mode.end(), '-', '_');
                           return std::string(I.param.Server->Title) + "_" + Mode +
                                  (I.param.InMaster ? "_Master" : "_Target");
                         });

// Columns of kinds with no conversion from the master's to the target's are refused, and
// nothing is written.
struct TKindCase {
  const char* Name;
  const TDbServer *Master, *Target;
  const char *MasterColumns, *MasterRow, *TargetColumns, *TargetRow;
};

class ColumnsOfKindsWithoutConversion : public ::testing::TestWithParam<TKindCase> {};

TEST_P(ColumnsOfKindsWithoutConversion, AreRefused) {
  const TKindCase& K = GetParam();
  TSides S(*K.Target);
  TServerConnection Master(*K.Master);
  ASSERT_TRUE(Master.Connect().empty());
  S.Make(Master, K.MasterColumns, {K.MasterRow});
  S.Make(*S.T, K.TargetColumns, {K.TargetRow});
  S.Master = URI(*K.Master, Env(K.Master->Prefix + std::string("DATABASE")));
  const TRun Run = S.Run({"--execute"});
  EXPECT_EQ(Run.Code, 1);
  EXPECT_NE(Run.Err.find("with no conversion from the master's to the target's"), std::string::npos)
      << Run.Err;
  EXPECT_EQ(S.T->Column("select id from qel_dcrows"), std::vector<std::string>{"2"});
  Master.Exec("drop table qel_dcrows");
}

INSTANTIATE_TEST_SUITE_P(
    Servers, ColumnsOfKindsWithoutConversion,
    ::testing::Values(TKindCase{"PgIntegerToMyDate", &PgServer, &MyServer,
                                "id integer primary key, v integer", "1, 5",
                                "id integer primary key, v date", "2, '2024-01-01'"},
                      TKindCase{"MyBlobToFbText", &MyServer, &FbServer,
                                "id integer primary key, v blob", "1, x'00ff'",
                                "id integer not null primary key, v varchar(9)", "2, 'x'"}),
    [](const auto& I) { return std::string(I.param.Name); });

// The master's third of five rows breaks the target's check.
struct TRefusedCase {
  const TDbServer* Server;
  const char* Master;   ///< native, odbc (psqlODBC) or access (the sample file's Dried table)
  const char* Refused;  ///< of the server's text
};

class RefusedRow : public ::testing::TestWithParam<TRefusedCase> {
 protected:
  void SetUp() override {
    const std::string P = S.Server.Prefix, Kind = GetParam().Master;
    const std::string Id =
        &S.Server == &FbServer ? "id integer not null primary key, " : "id integer primary key, ";
    const std::string Lob = &S.Server == &PgServer   ? "bytea"
                            : &S.Server == &MyServer ? "longblob"
                                                     : "blob";
    S.Make(S.M, Id + "v integer, b " + Lob,
           {"1, 1, NULL", "2, 2, NULL", "3, -3, NULL", "4, 4, NULL", "5, 5, NULL"});
    S.Make(*S.T, Id + "v integer check (v > 0), b " + Lob, {});
    if (Kind == "odbc")
      S.Master = "odbc:Driver={PostgreSQL Unicode};Server=" + Env(P + "HOST") +
                 ";Port=" + Env(P + "PORT") + ";Database=" + Env(P + "DATABASE") +
                 ";UID=" + Env(P + "USER") + ";PWD=" + Env(P + "PASSWORD");
    if (Kind == "access") {  // Apple, Apricot, Banana, Blueberry...
      S.Master = "odbc:Driver=MDBTools;DBQ=" QEL_SOURCE_DIR "/tests/fixtures/access/fruit.mdb";
      S.Table = "Dried";
      S.Make(*S.T, "fruit varchar(50) primary key check (fruit <> 'Banana')", {});
    }
  }
  void TearDown() override { S.M.Exec("drop table qel_dcrows"); }
  TSides S{*GetParam().Server};
};

TEST_P(RefusedRow, EndsAnExecuteRunThatKeepsTheRowsBeforeIt) {
  const bool Access = S.Table == "Dried";
  const TRun Run = S.Run({"--execute"});
  EXPECT_EQ(Run.Code, 1);
  for (const std::string Said :
       {"after 2 row change(s) were written", "Statement: INSERT INTO", GetParam().Refused,
        Access ? "= 'Banana'" : "= -3", "the target keeps the 2 row change(s)"})
    EXPECT_NE(Run.Err.find(Said), std::string::npos) << Said << " in:\n" << Run.Err;
  const std::vector<std::string> Kept = {Access ? "Apple" : "1", Access ? "Apricot" : "2"};
  EXPECT_EQ(S.T->Column(Access ? "select fruit from dried order by 1"
                               : "select id from qel_dcrows order by 1"),
            Kept);
}

TEST_P(RefusedRow, UnknownKeyIsABadArgumentAndNoLargeValueNoSideFile) {
  const TRun Bad = S.Run({"--key", "nosuchcol", "--script", S.File});
  EXPECT_EQ(Bad.Code, 2) << Bad.Err;
  EXPECT_NE(LowerCase(Bad.Err).find("--key names no column nosuchcol"), std::string::npos)
      << Bad.Err;
  EXPECT_EQ(S.Run({"--script", S.File}).Code, 0);
  std::string Text;
  EXPECT_TRUE(ReadFileToString(S.File, Text));
  EXPECT_EQ(Text.find("SET BLOBFILE"), std::string::npos) << Text;
  EXPECT_FALSE(FileExists(ChangeFileExt(S.File, ".LOB")));
  std::remove(S.File.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Masters, RefusedRow,
    ::testing::Values(TRefusedCase{&PgServer, "native", "violates check constraint"},
                      TRefusedCase{&MyServer, "native", "CONSTRAINT `qel_dcrows.v` failed"},
                      TRefusedCase{&FbServer, "native", "violates CHECK constraint"},
                      TRefusedCase{&PgServer, "odbc", "violates check constraint"},
                      TRefusedCase{&PgServer, "access", "violates check constraint"}),
    [](const auto& I) { return std::string(I.param.Server->Title) + "_" + I.param.Master; });

// Values the target column holds otherwise than the master's: a master table on one server
// (M), its copy on a target server holding Held, a run in each mode; the target then reads
// back Want through Query, and a second run changes nothing.
struct TValueCase {
  const char* Name;
  const TDbServer* Master;
  const char* MasterColumns;
  const char* MasterRow;
  const TDbServer* Target;
  const char* TargetColumns;
  const char* Held;  ///< the target's row before the run; empty for none
  const char* Query;
  const char* Want;   ///< its one row
  bool Odbc = false;  ///< the master read through psqlODBC (a Boolean arrives as "1" or "0")
};

/// The client that runs a script file on each server, as in DuplicateRows.
const char* ClientOf(const TDbServer& S) {
  return &S == &PgServer ? Psql : &S == &MyServer ? Mariadb : Isql;
}

class ValuesAsTheTargetHoldsThem
    : public ::testing::TestWithParam<std::tuple<TValueCase, const char*>> {};

TEST_P(ValuesAsTheTargetHoldsThem, ReachItAndCompareEqualAfter) {
  const auto& [C, Mode] = GetParam();
  // PostgreSQL sessions (the run's and psql's) in a zone other than UTC.
  setenv("PGTZ", "Asia/Kolkata", 1);
  TSides S(*C.Target);
  TServerConnection Master(*C.Master);
  ASSERT_TRUE(Master.Connect().empty());
  S.Make(Master, C.MasterColumns, {C.MasterRow});
  S.Make(*S.T, C.TargetColumns,
         *C.Held ? std::vector<std::string>{C.Held} : std::vector<std::string>{});
  S.Master = URI(*C.Master, Env(C.Master->Prefix + std::string("DATABASE")));
  if (C.Odbc)
    S.Master = "odbc:Driver={PostgreSQL Unicode};Server=" + Env("QEL_PG_HOST") +
               ";Port=" + Env("QEL_PG_PORT") + ";Database=" + Env("QEL_PG_DATABASE") +
               ";UID=" + Env("QEL_PG_USER") + ";PWD=" + Env("QEL_PG_PASSWORD");
  const std::string M = Mode;
  const TRun First =
      S.Run(M == "stdout"   ? std::vector<std::string>{}
            : M == "script" ? std::vector<std::string>{"--script", S.File, "--execute"}
                            : std::vector<std::string>{"--execute"});
  EXPECT_EQ(First.Code, 0) << First.Err;
  if (M == "stdout") {
    std::ofstream(S.File, std::ios::binary) << First.Out;
    EXPECT_EQ(std::system(
                  (ClientOf(*C.Target) + S.Db.Name() + " " + S.File + " >/dev/null 2>&1").c_str()),
              0)
        << First.Out;
  }
  EXPECT_EQ(S.T->Column(C.Query), std::vector<std::string>{C.Want}) << First.Out;
  const TRun Second = S.Run({});
  EXPECT_NE(Second.Err.find("Inserted: 0, Updated: 0, Deleted: 0"), std::string::npos)
      << Second.Out << Second.Err;
  std::remove(S.File.c_str());
  Master.Exec("drop table qel_dcrows");
}

const char* const LargePgColumns = "id integer primary key, b bytea, t text";
const char* const LargePgRow =
    "1, decode(repeat((select string_agg(lpad(to_hex(g), 2, '0'), '') from "
    "generate_series(0, 255) g), 12288), 'hex'), repeat('it''s \\ \"q\" \xC5\xBC\xE2\x82\xAC' "
    "|| chr(13) || chr(10) || 'x' || chr(9), 100000)";
const char* const LargePgDigest = "select md5(b) || md5(t) from qel_dcrows";
const char* const LargeMyColumns =
    "id integer primary key, b longblob, t longtext character set utf8mb4";
const char* const LargeMyRow =
    "1, repeat((select group_concat(char(seq) order by seq separator '') from seq_0_to_255), "
    "12288), repeat(concat('it''s \\\\ \"q\" \xC5\xBC\xE2\x82\xAC', char(13, 10, 120, 9 using "
    "utf8mb4)), 100000)";
const char* const LargeMyDigest = "select concat(md5(b), md5(t)) from qel_dcrows";
const char* const LargeDigests = "e2015a9c50906c76046ae626fb9f16b9738657c7d610802428353056da6da40c";

const char* const MyQuotedColumns = "`\"k\"` integer primary key, `\"dq\"` varchar(9)";
const char* const PgQuotedColumns = "\"\"\"k\"\"\" integer primary key, \"\"\"dq\"\"\" varchar(9)";

const TValueCase ValueCases[] = {
    // Firebird keeps a second to 1/10,000 and refuses a literal with more digits.
    {"MyDatetime6ToFb", &MyServer, "id integer primary key, t datetime(6), z datetime(6)",
     "1, '1970-01-01 00:00:00.000000', '2024-02-29 13:45:56.123456'", &FbServer,
     "id integer not null primary key, t timestamp, z timestamp", "",
     "select cast(t as varchar(30)) || ' ' || cast(z as varchar(30)) from qel_dcrows",
     "1970-01-01 00:00:00.0000 2024-02-29 13:45:56.1234"},
    {"PgTimeToFb", &PgServer, "id integer primary key, t time(6), z timestamp",
     "1, '08:00:00.123456', '2024-02-29 13:45:56.99999'", &FbServer,
     "id integer not null primary key, t time, z timestamp", "1, '08:00:00.1234', NULL",
     "select cast(t as varchar(30)) || ' ' || cast(z as varchar(30)) from qel_dcrows",
     "08:00:00.1234 2024-02-29 13:45:56.9999"},
    // Below the target's precision the values are equal; at it they differ.
    {"PgTimestampToMyDatetime2", &PgServer, "id integer primary key, t timestamp(6), z time(6)",
     "1, '2024-02-29 13:45:56.123456', '08:00:00.5'", &MyServer,
     "id integer primary key, t datetime(2), z time", "1, '2024-02-29 13:45:56.12', '08:00:01'",
     "select concat(t, ' ', z) from qel_dcrows", "2024-02-29 13:45:56.12 08:00:00"},
    {"MyDatetime6ToPgTimestamp0", &MyServer, "id integer primary key, t datetime(6)",
     "1, '2024-02-29 13:45:56.654321'", &PgServer, "id integer primary key, t timestamp(0)", "",
     "select t::text from qel_dcrows", "2024-02-29 13:45:56"},
    // A carriage return of a text reaches Firebird byte for byte, also through isql-fb.
    {"FbCarriageReturns", &FbServer, "id integer not null primary key, v varchar(20)",
     "1, 'a' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'b' || ASCII_CHAR(13)", &FbServer,
     "id integer not null primary key, v varchar(20)", "",
     "select octet_length(v) || ':' || replace(replace(v, ASCII_CHAR(13), '<CR>'), ASCII_CHAR(10), "
     "'<LF>') from qel_dcrows",
     "5:a<CR><LF>b<CR>"},
    // Names holding double quotes of their own, a key among them, keep them in every statement
    // (MariaDB reads "dq" as a string).
    {"MyQuotedNames", &MyServer, MyQuotedColumns, "1, 'new'", &MyServer, MyQuotedColumns,
     "1, 'old'", "select concat(`\"k\"`, `\"dq\"`) from qel_dcrows", "1new"},
    {"MyQuotedNamesToPg", &MyServer, MyQuotedColumns, "1, 'new'", &PgServer, PgQuotedColumns,
     "2, 'old'", "select \"\"\"k\"\"\" || \"\"\"dq\"\"\" from qel_dcrows", "1new"},
    {"PgQuotedNamesToFb", &PgServer, PgQuotedColumns, "1, 'new'", &FbServer,
     "\"\"\"k\"\"\" integer not null primary key, \"\"\"dq\"\"\" varchar(9)", "1, 'old'",
     "select \"\"\"k\"\"\" || \"\"\"dq\"\"\" from qel_dcrows", "1new"},
    // A MariaDB BOOLEAN (tinyint(1)) into a Boolean column, and back.
    {"MyBooleanToPg", &MyServer, "id integer primary key, b boolean, c boolean, n boolean",
     "1, 1, 0, NULL", &PgServer, "id integer primary key, b boolean, c boolean, n boolean", "",
     "select b::text || c::text || coalesce(n::text, '-') from qel_dcrows", "truefalse-"},
    {"MyBooleanToFb", &MyServer, "id integer primary key, b boolean, c boolean", "1, 1, 0",
     &FbServer, "id integer not null primary key, b boolean, c boolean", "1, FALSE, FALSE",
     "select cast(b as varchar(5)) || cast(c as varchar(5)) from qel_dcrows", "TRUEFALSE"},
    {"PgBooleanToMy", &PgServer, "id integer primary key, b boolean", "1, true", &MyServer,
     "id integer primary key, b boolean", "", "select b from qel_dcrows", "1"},
    // A char(n) keeps no padding in a varchar: 'English' stays as it is.
    {"PgCharToVarchar", &PgServer, "id integer primary key, c char(20), d varchar(20)",
     "1, 'English', 'x'", &PgServer, "id integer primary key, c varchar(20), d char(20)",
     "1, 'English', 'y'", "select c || '|' || d || '|' from qel_dcrows", "English|x|"},
    // A float -0 stays -0 where the column keeps the sign of a zero.
    {"PgNegativeZero", &PgServer, "id integer primary key, f float8, r real", "1, '-0', '-0'",
     &PgServer, "id integer primary key, f float8, r real", "",
     "select f::text || r::text from qel_dcrows", "-0-0"},
    {"FbNegativeZero", &FbServer, "id integer not null primary key, f double precision", "1, -0E0",
     &FbServer, "id integer not null primary key, f double precision", "1, 0",
     "select atan2(f, -1) from qel_dcrows", "-3.141592653589793"},
    // Large values arrive byte for byte, each held once on the way: 3 MiB of every byte value,
    // 2 MB of text with quotes, a backslash, line ends and characters of several bytes.
    {"PgLargeValues", &PgServer, LargePgColumns, LargePgRow, &PgServer, LargePgColumns,
     "1, '\\x00', 'old'", LargePgDigest, LargeDigests},
    {"MyLargeValues", &MyServer, LargeMyColumns, LargeMyRow, &MyServer, LargeMyColumns,
     "1, x'00', 'old'", LargeMyDigest, LargeDigests},
    {"PgLargeValuesToMy", &PgServer, LargePgColumns, LargePgRow, &MyServer, LargeMyColumns, "",
     LargeMyDigest, LargeDigests},
    {"MyLargeValuesToPg", &MyServer, LargeMyColumns, LargeMyRow, &PgServer, LargePgColumns, "",
     LargePgDigest, LargeDigests},
    // Columns of another kind: the master's value in the target's type, compared there.
    {"PgNumberDateBooleanToMyText", &PgServer,
     "id integer primary key, n integer, f float8, d date, b boolean",
     "1, 42, 0.1, '2024-02-29', true", &MyServer,
     "id integer primary key, n varchar(20), f varchar(30), d varchar(20), b varchar(5)",
     "1, '41', '0.2', '2024-02-29', '0'",
     "select concat(n, '|', f, '|', d, '|', b) from qel_dcrows", "42|0.1|2024-02-29|1"},
    {"FbTextToPgNumberTimeBoolean", &FbServer,
     "id integer not null primary key, n varchar(10), t varchar(30), b varchar(5)",
     "1, '42', '2024-02-29 10:00:00', 'true'", &PgServer,
     "id integer primary key, n integer, t timestamp, b boolean", "1, 7, '2000-01-01', false",
     "select n || '|' || t || '|' || b from qel_dcrows", "42|2024-02-29 10:00:00|true"},
    {"MyTimeToPgInterval", &MyServer, "id integer primary key, t time(3)", "1, '26:00:00.500'",
     &PgServer, "id integer primary key, t interval", "1, '1 day'",
     "select t::text from qel_dcrows", "26:00:00.5"},
    {"PgIntervalToMyTime", &PgServer, "id integer primary key, t interval, u interval",
     "1, '1 day 02:00:00', '-00:30:00'", &MyServer, "id integer primary key, t time, u time",
     "1, '02:00:00', '00:30:00'", "select concat(t, ' ', u) from qel_dcrows", "26:00:00 -00:30:00"},
    {"OdbcBooleanToFb", &PgServer, "id integer primary key, b boolean, c boolean", "1, true, false",
     &FbServer, "id integer not null primary key, b boolean, c boolean", "1, FALSE, TRUE",
     "select cast(b as varchar(5)) || cast(c as varchar(5)) from qel_dcrows", "TRUEFALSE", true},
    {"OdbcBooleanToPg", &PgServer, "id integer primary key, b boolean, c boolean", "1, true, false",
     &PgServer, "id integer primary key, b boolean, c boolean", "1, false, true",
     "select b::text || c::text from qel_dcrows", "truefalse", true},
    // A time with a zone is taken at UTC, as a time without one is.
    {"PgTimestamptzToMy", &PgServer, "id integer primary key, t timestamptz(3)",
     "1, '2024-02-29 23:30:00.25+02'", &MyServer, "id integer primary key, t datetime(3)", "",
     "select t from qel_dcrows", "2024-02-29 21:30:00.250"},
    {"PgTimestamptzToFb", &PgServer, "id integer primary key, t timestamptz",
     "1, '2024-02-29 23:30:00+02'", &FbServer, "id integer not null primary key, t timestamp",
     "1, '2024-02-29 23:30:00'", "select cast(t as varchar(30)) from qel_dcrows",
     "2024-02-29 21:30:00.0000"},
    {"MyDatetimeToPgTimestamptz", &MyServer, "id integer primary key, t datetime(6)",
     "1, '2024-02-29 21:30:00.123456'", &PgServer, "id integer primary key, t timestamptz(2)", "",
     "select (t at time zone 'UTC')::text from qel_dcrows", "2024-02-29 21:30:00.12"},
    {"PgTimestamptzKey", &PgServer, "t timestamptz primary key, v integer",
     "'2024-02-29 23:30:00+02', 1", &PgServer, "t timestamptz primary key, v integer",
     "'2024-02-29 21:30:00+00', 2", "select v || ' ' || (t at time zone 'UTC') from qel_dcrows",
     "1 2024-02-29 21:30:00"},
    // Firebird CHAR(n) without the server's padding, as master and as the target of a table
    // without a key.
    {"FbCharToPg", &FbServer, "id integer not null primary key, c char(4), e char(3)",
     "1, 'Q51', ''", &PgServer, "id integer primary key, c varchar(4), e varchar(3)", "",
     "select c || '|' || e || '|' from qel_dcrows", "Q51||"},
    {"PgToFbChar", &PgServer, "c varchar(4), e varchar(3)", "'Q51', ''", &FbServer,
     "c char(4), e char(3)", "'Q51', ''", "select c || '|' || e || '|' from qel_dcrows",
     "Q51 |   |"},
};

INSTANTIATE_TEST_SUITE_P(Servers, ValuesAsTheTargetHoldsThem,
                         ::testing::Combine(::testing::ValuesIn(ValueCases),
                                            ::testing::Values("stdout", "script", "execute")),
                         [](const auto& I) {
                           return std::string(std::get<0>(I.param).Name) + "_" +
                                  std::get<1>(I.param);
                         });

// A COMMIT the target refuses (a deferred foreign key, a deferred constraint trigger): the run
// ends with exit 1, names what the server names, and says what the target keeps. Rows written
// while the target's rows are read (of several blocks) wait for the commit that ends that
// reading; rows written after go a round trip to a commit, and the refused row is found.
struct TCommitCase {
  const char* Name;
  int Rows;  ///< of the master; the target holds them as "old" when there are many
  bool Trigger, Script;
  const char *Said, *AlsoSaid, *Kept;  ///< Kept: rows the target holds as the master's after
};

class RefusedCommit : public ::testing::TestWithParam<TCommitCase> {};

TEST_P(RefusedCommit, EndsTheRunAndSaysWhatTheTargetKeeps) {
  const TCommitCase& C = GetParam();
  TSides S(PgServer);
  const std::string N = std::to_string(C.Rows), Bad = std::to_string(C.Rows / 2);
  S.M.ExecIgnoringError("drop table qel_dcrows");
  S.M.Exec("create table qel_dcrows as select g as id, 'new' as v, case when g = " + Bad +
           " then 99 else 1 end as n from generate_series(1, " + N + ") g");
  S.M.Exec("alter table qel_dcrows add primary key (id)");
  S.T->Exec(
      "create table qel_dcparent (id integer primary key); insert into qel_dcparent values (1)");
  S.T->Exec("create table qel_dcrows (id integer primary key, v text, n integer" +
            std::string(C.Trigger ? ")"
                                  : ", foreign key (n) references qel_dcparent (id) deferrable "
                                    "initially deferred)"));
  if (C.Trigger)
    S.T->Exec(
        "create function qel_dcn() returns trigger language plpgsql as $$ begin if new.n = 99 "
        "then raise exception 'n % is not allowed', new.n; end if; return null; end $$; create "
        "constraint trigger qel_dcn after insert or update on qel_dcrows deferrable initially "
        "deferred for each row execute function qel_dcn()");
  if (C.Rows > 100)
    S.T->Exec("insert into qel_dcrows select g, 'old', 1 from generate_series(1, " + N + ") g");
  const TRun Run = S.Run(C.Script ? std::vector<std::string>{"--script", S.File, "--execute"}
                                  : std::vector<std::string>{"--execute"});
  EXPECT_EQ(Run.Code, 1) << Run.Err;
  for (const std::string Said : {C.Said, C.AlsoSaid})
    EXPECT_NE(Run.Err.find(Said), std::string::npos) << Said << " in:\n" << Run.Err;
  EXPECT_EQ(S.T->Column("select count(*) from qel_dcrows where v = 'new'"),
            std::vector<std::string>{C.Kept});
  std::remove(S.File.c_str());
  S.M.Exec("drop table qel_dcrows");
}

INSTANTIATE_TEST_SUITE_P(
    Postgres, RefusedCommit,
    ::testing::Values(TCommitCase{"WhileReading", 30000, false, false, "refused to commit the ",
                                  "keeps the 0 row change(s) committed before the COMMIT", "0"},
                      TCommitCase{"RoundTrip", 6, false, false,
                                  "after 2 row change(s) were written",
                                  "Values: id = 3, v = 'new', n = 99", "2"},
                      TCommitCase{"RoundTripTrigger", 6, true, false,
                                  "after 2 row change(s) were written", "n 99 is not allowed", "2"},
                      TCommitCase{"Script", 6, false, true, "Key (n)=(99)",
                                  "rolled back, the target is as it was", "0"},
                      // The script's rows go to the server a thousand to a round trip.
                      TCommitCase{"ScriptOfRoundTrips", 3000, false, true, "Key (n)=(99)",
                                  "rolled back, the target is as it was", "0"}),
    [](const auto& I) { return std::string(I.param.Name); });

// A deadlock that takes back the run's round trip: another session holds the last row the run
// changes and then asks for the first; the server rolls back the run's transaction. Writing
// at once, the round trip goes again and every change is made; a script (one transaction)
// stops, rolled back, and says so.
struct TDeadlockCase {
  const TDbServer* Server;
  const char* Mode;
};

class Deadlock : public ::testing::TestWithParam<TDeadlockCase> {};

TEST_P(Deadlock, IsSentAgainOrToldAsRolledBack) {
  const TDeadlockCase& C = GetParam();
  TSides S(*C.Server);
  const bool Pg = C.Server == &PgServer, Script = std::string(C.Mode) == "script";
  std::vector<std::string> Old, New;
  for (int I = 1; I <= 10; ++I) {
    Old.push_back(std::to_string(I) + ", 0");
    New.push_back(std::to_string(I) + ", 1");
  }
  S.Make(S.M, "id integer primary key, v integer", New);
  S.Make(*S.T, "id integer primary key, v integer", Old);
  // The other session has changed more rows: MariaDB takes back the smaller transaction.
  S.T->Exec("create table qel_dcweight (id integer primary key)");
  S.T->Exec(Pg ? "insert into qel_dcweight select generate_series(1, 300)"
               : "insert into qel_dcweight select seq from seq_1_to_300");
  auto Other = S.Db.Connect(), Watch = S.Db.Connect();
  TRun Run{};
  // Once the run waits for the row the other session holds, that session asks for one the
  // run holds: MariaDB takes back the transaction that changed fewer rows, PostgreSQL the
  // session whose deadlock check comes first, the run's on a machine that keeps up (else the
  // case is tried again). The other session's refusal, if any, is returned.
  auto Attempt = [&] {
    Other->Exec(Pg ? "begin" : "start transaction");
    Other->Exec("update qel_dcweight set id = id + 1000");
    Other->Exec("update qel_dcrows set v = 5 where id = 10");
    std::thread Runner([&] {
      Run = S.Run(Script ? std::vector<std::string>{"--script", S.File, "--execute"}
                         : std::vector<std::string>{"--execute"});
    });
    const std::string Waiting =
        Pg ? "select count(*) from pg_stat_activity where datname = current_database() and "
             "wait_event_type = 'Lock'"
           : "select count(*) from information_schema.processlist where command = 'Query' and "
             "info like '%qel_dcrows%' and id <> connection_id()";
    for (int I = 0; I < 2000 && Watch->Column(Waiting).at(0) == "0"; ++I)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // MariaDB: the run's round trip was seen, not yet its wait on the last row.
    if (!Pg) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::string Refused;
    try {
      Other->Exec("update qel_dcrows set v = 5 where id = 1");
    } catch (const EDatabaseError& E) {
      Refused = E.what();
    }
    Other->ExecIgnoringError("rollback");
    Runner.join();
    return Refused;
  };
  std::string Refused = Attempt();
  for (int Again = 0; Pg && !Refused.empty() && Again < 3; ++Again) {
    S.T->Exec("update qel_dcrows set v = 0");
    Refused = Attempt();
  }
  EXPECT_EQ(Refused, "") << "the server took back the other session, not the run";
  EXPECT_EQ(Run.Code, Script ? 1 : 0) << Run.Err;
  if (Script)
    EXPECT_NE(Run.Err.find("rolled back, the target is as it was"), std::string::npos) << Run.Err;
  else
    EXPECT_NE(Run.Err.find("Updated: 10,"), std::string::npos) << Run.Err;
  EXPECT_EQ(S.T->Column("select count(*) from qel_dcrows where v = 1"),
            std::vector<std::string>{Script ? "0" : "10"});
  std::remove(S.File.c_str());
  S.M.Exec("drop table qel_dcrows");
}

INSTANTIATE_TEST_SUITE_P(
    Servers, Deadlock,
    ::testing::Values(TDeadlockCase{&PgServer, "execute"}, TDeadlockCase{&PgServer, "script"},
                      TDeadlockCase{&MyServer, "execute"}, TDeadlockCase{&MyServer, "script"}),
    [](const auto& I) { return std::string(I.param.Server->Title) + "_" + I.param.Mode; });

// Changes the server answers with 0 rows (a BEFORE trigger that returns NULL, a rule that does
// nothing instead): named, counted apart, not as made.
class ChangeThatMetNoRow : public ::testing::TestWithParam<const char*> {};

TEST_P(ChangeThatMetNoRow, IsNamedAndCountedApart) {
  TSides S(PgServer);
  S.Make(S.M, "id integer primary key, v text", {"1, 'a'", "2, 'b'", "3, 'c'"});
  S.Make(*S.T, "id integer primary key, v text", {"1, 'x'", "2, 'y'", "3, 'c'", "4, 'd'"});
  S.T->Exec(
      "create function qel_dckeep() returns trigger language plpgsql as $$ begin if old.id = 2 "
      "then return null; end if; return new; end $$");
  S.T->Exec(
      "create trigger qel_dckeep before update on qel_dcrows for each row execute function "
      "qel_dckeep()");
  S.T->Exec(
      "create rule qel_dckeep as on delete to qel_dcrows where old.id = 4 do instead nothing");
  const TRun Run = S.Run(std::string(GetParam()) == "script"
                             ? std::vector<std::string>{"--script", S.File, "--execute"}
                             : std::vector<std::string>{"--execute"});
  EXPECT_EQ(Run.Code, 0) << Run.Err;
  for (const std::string Said :
       {"Equal: 1, Inserted: 0, Updated: 1, Deleted: 0, Met no row: 2, All: 4.",
        "The target changed no row for this", "DELETE FROM"})
    EXPECT_NE(Run.Err.find(Said), std::string::npos) << Said << " in:\n" << Run.Err;
  EXPECT_EQ(S.T->Column("select v from qel_dcrows order by id"),
            (std::vector<std::string>{"a", "y", "c", "d"}));
  std::remove(S.File.c_str());
  S.M.Exec("drop table qel_dcrows");
}

INSTANTIATE_TEST_SUITE_P(Postgres, ChangeThatMetNoRow, ::testing::Values("execute", "script"));

// PostgreSQL sides as a user meets them: a key column in capitals, a view or a partitioned
// table, a target with a column the master lacks (--columns). Master and target are made by
// statements; the target then reads back Want through Query, and a second run changes nothing.
struct TSideCase {
  const char* Name;
  std::vector<std::string> Master, Target, Args;
  const char *Query, *Want;
};

class PgSides : public ::testing::TestWithParam<std::tuple<TSideCase, const char*>> {};

TEST_P(PgSides, AreReadAndWritten) {
  const auto& [C, Mode] = GetParam();
  TSides S(PgServer);
  const std::vector<std::string> Drop = {"drop view if exists qel_dcrows",
                                         "drop table if exists qel_dcrows",
                                         "drop table if exists qel_dcrows_base"};
  for (TServerConnection* Side : {&S.M, S.T.get()}) {
    for (const std::string& Q : Drop) Side->ExecIgnoringError(Q);
    for (const std::string& Q : Side == &S.M ? C.Master : C.Target) Side->Exec(Q);
  }
  std::vector<std::string> Args = C.Args;
  if (std::string(Mode) == "execute") Args.push_back("--execute");
  const TRun First = S.Run(Args);
  EXPECT_EQ(First.Code, 0) << First.Err;
  if (std::string(Mode) == "stdout") {
    std::ofstream(S.File, std::ios::binary) << First.Out;
    EXPECT_EQ(
        std::system((std::string(Psql) + S.Db.Name() + " " + S.File + " >/dev/null 2>&1").c_str()),
        0)
        << First.Out;
  }
  EXPECT_EQ(S.T->Column(C.Query), std::vector<std::string>{C.Want}) << First.Out << First.Err;
  const TRun Second = S.Run(C.Args);
  EXPECT_NE(Second.Err.find("Inserted: 0, Updated: 0, Deleted: 0"), std::string::npos)
      << Second.Out << Second.Err;
  std::remove(S.File.c_str());
  for (const std::string& Q : Drop) S.M.ExecIgnoringError(Q);
}

const char* const IdV = "create table qel_dcrows (id integer primary key, v varchar(9))";
const char* const MasterRows = "insert into qel_dcrows values (1, 'new'), (2, 'two')";
const char* const TargetRows = "insert into qel_dcrows values (1, 'old'), (3, 'three')";
const char* const IdVRead = "select string_agg(id || v, ',' order by id) from qel_dcrows";

const TSideCase SideCases[] = {
    {"KeyInCapitals",
     {"create table qel_dcrows (\"Id\" integer primary key, v varchar(9))", MasterRows},
     {"create table qel_dcrows (\"Id\" integer primary key, v varchar(9))", TargetRows},
     {},
     "select string_agg(\"Id\" || v, ',' order by \"Id\") from qel_dcrows",
     "1new,2two"},
    {"ViewMaster",
     {"create table qel_dcrows_base (id integer primary key, v varchar(9))",
      "insert into qel_dcrows_base values (1, 'new'), (2, 'two')",
      "create view qel_dcrows as select id, v from qel_dcrows_base"},
     {IdV, TargetRows},
     {"--key", "id"},
     IdVRead,
     "1new,2two"},
    {"PartitionedTarget",
     {IdV, MasterRows},
     {"create table qel_dcrows (id integer primary key, v varchar(9)) partition by range (id)",
      "create table qel_dcrows_base partition of qel_dcrows for values from (0) to (100)",
      TargetRows},
     {},
     IdVRead,
     "1new,2two"},
    // The target's column the master lacks keeps what it holds, or its default.
    {"ColumnsTargetHasMore",
     {IdV, MasterRows},
     {"create table qel_dcrows (id integer primary key, v varchar(9), n integer default 7)",
      "insert into qel_dcrows values (1, 'old', 5), (3, 'three', 6)"},
     {"--columns", "V"},
     "select string_agg(id || v || n, ',' order by id) from qel_dcrows",
     "1new5,2two7"},
};

INSTANTIATE_TEST_SUITE_P(PostgreSQL, PgSides,
                         ::testing::Combine(::testing::ValuesIn(SideCases),
                                            ::testing::Values("stdout", "execute")),
                         [](const auto& I) {
                           return std::string(std::get<0>(I.param).Name) + "_" +
                                  std::get<1>(I.param);
                         });

}  // namespace
