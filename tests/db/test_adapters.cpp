// The three connection adapters against real servers: PostgreSQL (libpq), MariaDB and
// Firebird. The servers are found through QEL_PG_*, QEL_MY_* and QEL_FB_* (HOST, PORT, USER,
// PASSWORD, DATABASE), as scripts/dbservers.sh prints them; a server that cannot be reached
// fails the test with a message saying which one and how it was looked for.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Files.h"
#include "ReplayAdapter.h"
#include "Strings.h"
#include "db_servers.h"
#include "qelConnection_FIBDB.h"
#include "qelConnection_MyDACDB.h"
#include "qelConnection_PGDACDB.h"
#include "qelDBEngine.h"

using namespace qel;
using namespace qel::testing;

namespace {

/// One server under test and what differs between them.
struct TServer : TDbServer {
  /// Column types: integer key, text, exact decimal, date, timestamp, binary, float, boolean.
  const char* TypesTable;
  /// The server's words for a refused password.
  const char* WrongPassword;
  /// How the server writes back 2024-02-29 13:45:56.1234.
  const char* FractionalTimestamp;
};

void PrintTo(const TServer& S, std::ostream* Os) {
  *Os << S.Title;
}

const TServer Servers[] = {
    {PgServer,
     "id integer primary key, s varchar(40), n numeric(18,4), d date, ts timestamp(6), "
     "b bytea, f double precision, flag boolean",
     "password authentication failed", "2024-02-29 13:45:56.1234"},
    {MyServer,
     "id integer primary key, s varchar(40), n decimal(18,4), d date, ts datetime(6), "
     "b longblob, f double, flag boolean",
     "Access denied", "2024-02-29 13:45:56.123400"},
    {FbServer,
     "id integer not null primary key, s varchar(40), n numeric(18,4), d date, ts timestamp, "
     "b blob sub_type 0, f double precision, flag boolean",
     "Your user name and password are not defined", "2024-02-29 13:45:56.1234"},
};

class Adapters : public ::testing::TestWithParam<TServer> {
 protected:
  void SetUp() override {
    Conn = std::make_unique<TServerConnection>(GetParam());
    const std::string Failure = Conn->Connect();
    ASSERT_TRUE(Failure.empty()) << Failure;
  }
  void TearDown() override {
    if (Conn && Conn->C->GetConnected())
      for (const std::string& T : Tables) Conn->ExecIgnoringError("drop table " + T);
  }

  /// A fresh table of this test (dropped again at the end).
  std::string Table(const std::string& Suffix, const std::string& Columns) {
    const std::string Name = "qel_eng_" + Suffix;
    Conn->ExecIgnoringError("drop table " + Name);
    Conn->Exec("create table " + Name + " (" + Columns + ")");
    Tables.push_back(Name);
    return Name;
  }
  TDatabaseType Dialect() const { return GetParam().DatabaseType; }

  std::unique_ptr<TServerConnection> Conn;
  std::vector<std::string> Tables;
};

std::string Bytes1MiB() {
  std::string B(1 << 20, '\0');
  for (size_t I = 0; I < B.size(); ++I) B[I] = static_cast<char>((I * 31 + I / 256 + 7) & 0xFF);
  return B;
}

}  // namespace

TEST_P(Adapters, RefusesAWrongPasswordWithTheServersMessage) {
  TServerConnection Bad(GetParam());
  ASSERT_TRUE(Bad.Configure().empty());
  Bad.C->GetConnectionOptions().Password = "not-the-password";
  Bad.C->SetConnected(true);
  EXPECT_FALSE(Bad.C->GetConnected());
  ASSERT_EQ(Bad.Errors.size(), 1u);
  EXPECT_NE(Bad.Errors[0].find(GetParam().WrongPassword), std::string::npos) << Bad.Errors[0];
  ASSERT_EQ(Bad.Log.size(), 1u);
  EXPECT_NE(Bad.Log[0].find(GetParam().WrongPassword), std::string::npos);
  // The failure stays with its own connection: the working one heard nothing and still works.
  EXPECT_TRUE(Conn->Errors.empty());
  EXPECT_EQ(Conn->Column("select 1 from " +
                         std::string(Dialect() == dbInterBase ? "rdb$database" : "(select 1) x")),
            std::vector<std::string>{"1"});
  if (Dialect() != dbInterBase) {
    EXPECT_FALSE(Conn->C->TestConnectInfo().empty());
  }
}

TEST_P(Adapters, StatementsWithOneFailingLeaveTheOthersDone) {
  const std::string T = Table("stmts", "id integer not null primary key, v varchar(10)");
  const std::vector<std::string> Script = {"insert into " + T + " values (1, 'one')",
                                           "insert into " + T + " values (1, 'again')",
                                           "insert into " + T + " values (2, 'two')"};
  // Outside a transaction each statement commits on its own: the failure costs only itself.
  int Failures = 0;
  for (const std::string& S : Script) {
    try {
      Conn->Exec(S);
    } catch (const EDatabaseError& E) {
      ++Failures;
      EXPECT_FALSE(std::string(E.what()).empty());
    }
  }
  EXPECT_EQ(Failures, 1);
  EXPECT_FALSE(Conn->C->InTransaction());
  EXPECT_EQ(Conn->Column("select v from " + T + " order by id"),
            (std::vector<std::string>{"one", "two"}));

  // In one transaction rolled back after the failure, nothing of it stays.
  Conn->C->StartTransaction();
  EXPECT_TRUE(Conn->C->InTransaction());
  EXPECT_THROW(Conn->C->StartTransaction(), EDatabaseError);  // one transaction per connection
  Conn->Exec("insert into " + T + " values (3, 'three')");
  EXPECT_THROW(Conn->Exec("insert into " + T + " values (3, 'dup')"), EDatabaseError);
  Conn->C->Rollback();
  EXPECT_FALSE(Conn->C->InTransaction());
  EXPECT_EQ(Conn->Column("select count(*) from " + T), std::vector<std::string>{"2"});

  // A committed transaction keeps its rows.
  Conn->C->StartTransaction();
  Conn->Exec("insert into " + T + " values (4, 'four')");
  Conn->Exec("update " + T + " set v = 'ONE' where id = 1");
  Conn->C->Commit();
  EXPECT_EQ(Conn->Column("select v from " + T + " order by id"),
            (std::vector<std::string>{"ONE", "two", "four"}));
  auto Q = Conn->Query();
  Q->GetSQL()->SetText("delete from " + T + " where id > :lo");
  Q->ParamByName("lo")->SetAsInteger(1);
  Q->ExecSQL();
  EXPECT_EQ(dynamic_cast<TQELAdapterQuery&>(*Q).RowsAffected(), 2);
}

TEST_P(Adapters, NullsOfEveryTypeReadBackAsNull) {
  const std::string T = Table("nulls", GetParam().TypesTable);
  auto Q = Conn->Query();
  Q->GetSQL()->SetText("insert into " + T + " values (:id, :s, :n, :d, :ts, :b, :f, :flag)");
  Q->ParamByName("id")->SetAsInteger(1);
  const TFieldType Types[] = {ftString, ftFMTBcd, ftDate, ftDateTime, ftBlob, ftFloat, ftBoolean};
  for (int I = 1; I < Q->GetParams()->Count(); ++I) {
    Q->GetParams()->Items(I)->SetDataType(Types[I - 1]);
    Q->GetParams()->Items(I)->Clear();
  }
  Q->ExecSQL();
  Conn->Exec("insert into " + T + " (id) values (2)");
  auto R = Conn->Query();
  R->GetSQL()->SetText("select * from " + T + " order by id");
  R->Open();
  ASSERT_EQ(R->RecordCount(), 2);
  for (; !R->GetEof(); R->Next()) {
    EXPECT_FALSE(R->FieldByName("id")->IsNull());
    for (const char* Name : {"s", "n", "d", "ts", "b", "f", "flag"}) {
      EXPECT_TRUE(R->FieldByName(Name)->IsNull()) << Name;
      EXPECT_EQ(R->FieldByName(Name)->AsString(), "");
    }
  }
}

TEST_P(Adapters, TypedValuesKeepTheirExactValue) {
  const std::string T = Table("values", GetParam().TypesTable);
  auto Q = Conn->Query();
  Q->GetSQL()->SetText("insert into " + T + " values (:id, :s, :n, :d, :ts, :b, :f, :flag)");
  const std::string Text = "O'Brien \\ \"quoted\" :notaparam \xC3\xBC";
  auto Insert = [&](int Id, const std::string& Decimal) {
    Q->ParamByName("id")->SetAsInteger(Id);
    Q->ParamByName("s")->SetAsString(Text);
    Q->ParamByName("n")->SetAsFMTBCD(Decimal);
    Q->ParamByName("d")->SetAsDate("2024-02-29");
    Q->ParamByName("ts")->SetAsDateTime("2024-02-29 13:45:56.1234");
    Q->ParamByName("b")->SetAsBlob(std::string("\0\x01'\\\xff", 5));
    Q->ParamByName("f")->SetAsFloat(0.1);
    Q->ParamByName("flag")->SetAsBoolean(Id % 2 == 1);
    Q->ExecSQL();
  };
  Insert(1, "12345678901234.5678");
  Insert(2, "-0.0001");
  // The same values written as literals read back the same way.
  Conn->Exec("insert into " + T + " (id, n, ts) values (3, 99999999999999.9999, " +
             (Dialect() == dbMySQL ? std::string("'2024-02-29 13:45:56.1234'")
                                   : std::string("timestamp '2024-02-29 13:45:56.1234'")) +
             ")");

  auto R = Conn->Query();
  R->GetSQL()->SetText("select * from " + T + " where id < :top order by id");
  R->ParamByName("top")->SetAsInteger(10);
  R->Open();
  ASSERT_EQ(R->RecordCount(), 3);
  EXPECT_EQ(R->FieldByName("s")->AsString(), Text);
  EXPECT_EQ(R->FieldByName("n")->AsString(), "12345678901234.5678");
  EXPECT_EQ(R->FieldByName("n")->GetDataType(), ftFMTBcd);
  EXPECT_EQ(R->FieldByName("d")->AsString(), "2024-02-29");
  EXPECT_EQ(R->FieldByName("d")->GetDataType(), ftDate);
  EXPECT_EQ(R->FieldByName("ts")->AsString(), GetParam().FractionalTimestamp);
  EXPECT_EQ(R->FieldByName("ts")->GetDataType(), ftDateTime);
  EXPECT_EQ(R->FieldByName("b")->AsString(), std::string("\0\x01'\\\xff", 5));
  EXPECT_EQ(R->FieldByName("b")->GetDataType(), ftBlob);
  EXPECT_EQ(R->FieldByName("f")->AsFloat(), 0.1);
  EXPECT_TRUE(R->FieldByName("flag")->AsBoolean());
  EXPECT_EQ(R->FieldByName("id")->GetDataType(), ftInteger);
  R->Next();
  EXPECT_EQ(R->FieldByName("n")->AsString(), "-0.0001");
  EXPECT_FALSE(R->FieldByName("flag")->AsBoolean());
  R->Next();
  EXPECT_EQ(R->FieldByName("n")->AsString(), "99999999999999.9999");
  EXPECT_EQ(R->FieldByName("ts")->AsString(), GetParam().FractionalTimestamp);
}

TEST_P(Adapters, OneMebibyteBinaryValueBothWays) {
  const std::string T = Table("blob", GetParam().TypesTable);
  const std::string Data = Bytes1MiB();
  auto Q = Conn->Query();
  Q->GetSQL()->SetText("insert into " + T + " (id, b) values (:id, :b)");
  Q->ParamByName("id")->SetAsInteger(1);
  Q->ParamByName("b")->SetAsBlob(Data);
  Q->ExecSQL();
  auto R = Conn->Query();
  R->GetSQL()->SetText("select b from " + T + " where id = 1");
  R->Open();
  ASSERT_EQ(R->RecordCount(), 1);
  const std::string& Back = R->FieldByName("b")->AsString();
  EXPECT_EQ(Back.size(), Data.size());
  EXPECT_TRUE(Back == Data) << "the value read back differs from the one written";
}

TEST_P(Adapters, ReadQueryStaysUsableWhileOtherStatementsRun) {
  const std::string T = Table("cursor", "id integer not null primary key, v varchar(10)");
  for (int I = 1; I <= 3; ++I)
    Conn->Exec("insert into " + T + " values (" + std::to_string(I) + ", 'v" + std::to_string(I) +
               "')");
  auto Reader = Conn->Query();
  Reader->GetSQL()->SetText("select id from " + T + " order by id");
  Reader->Open();
  std::vector<std::string> Seen;
  for (; !Reader->GetEof(); Reader->Next()) {
    Seen.push_back(Reader->FieldByName("id")->AsString());
    // Other statements, reads and writes, on the same connection between two rows.
    Conn->Exec("insert into " + T + " values (" + std::to_string(10 + Seen.size()) + ", 'x')");
    EXPECT_FALSE(Conn->Column("select count(*) from " + T).empty());
  }
  EXPECT_EQ(Seen, (std::vector<std::string>{"1", "2", "3"}));
}

TEST_P(Adapters, CreatesADatabase) {
  TServerConnection New(GetParam());
  ASSERT_TRUE(New.Configure().empty());
  TConnectionOptions& O = New.C->GetConnectionOptions();
  const std::string Suffix = "qel_eng_created_" + std::to_string(getpid());
  std::string FileName;
  if (Dialect() == dbInterBase) {
    FileName = ExtractFilePath(O.GetDatabaseName()) + Suffix + ".fdb";
    std::remove(FileName.c_str());
    O.SetDatabaseName(FileName);
  } else {
    Conn->ExecIgnoringError("drop database " + Suffix);
    O.SetDatabaseName(Suffix);
  }
  ASSERT_TRUE(New.C->CreateDatabase()) << (New.Errors.empty() ? "" : New.Errors[0]);
  New.C->SetConnected(true);
  ASSERT_TRUE(New.C->GetConnected()) << New.C->GetLastError();
  New.Exec("create table t (id integer)");
  EXPECT_EQ(New.Column("select count(*) from t"), std::vector<std::string>{"0"});
  New.C->SetConnected(false);
  // Creating it again is refused with the server's reason.
  EXPECT_FALSE(New.C->CreateDatabase());
  EXPECT_FALSE(New.Errors.empty());
  if (Dialect() == dbInterBase) {
    std::remove(FileName.c_str());
  } else {
    Conn->Exec("drop database " + Suffix);
  }
}

INSTANTIATE_TEST_SUITE_P(Servers, Adapters, ::testing::ValuesIn(Servers),
                         [](const ::testing::TestParamInfo<TServer>& I) {
                           return std::string(I.param.Title);
                         });

// ---------------------------------------------------------------------------------------------
// What is particular to each server

class PostgreSQLAdapter : public Adapters {};

TEST_P(PostgreSQLAdapter, CastsDollarBodiesAndFailedTransactions) {
  // "::" casts survive with parameter checking on; the text goes untouched with it off.
  auto Q = Conn->Query();
  Q->GetSQL()->SetText("select '5'::int + :n as v, ':x' as w");
  Q->ParamByName("n")->SetAsInteger(2);
  Q->Open();
  EXPECT_EQ(Q->FieldByName("v")->AsInteger(), 7);
  EXPECT_EQ(Q->FieldByName("w")->AsString(), ":x");
  for (bool Check : {true, false}) {
    auto F = Conn->Query();
    F->SetParamCheck(Check);
    F->GetSQL()->SetText(
        "create or replace function qel_eng_f(a int) returns int language plpgsql as $$\n"
        "declare x int := a; -- :not_a_param\n"
        "begin return x::int + 1; end $$");
    EXPECT_EQ(F->GetParams()->Count(), 0);
    F->ExecSQL();
  }
  EXPECT_EQ(Conn->Column("select qel_eng_f(41)"), std::vector<std::string>{"42"});
  Conn->Exec("drop function qel_eng_f(int)");

  // A transaction whose statement failed is not reported as committed.
  const std::string T = Table("pgtx", "id integer primary key");
  Conn->C->StartTransaction();
  Conn->Exec("insert into " + T + " values (1)");
  EXPECT_THROW(Conn->Exec("insert into " + T + " values (1)"), EDatabaseError);
  EXPECT_THROW(Conn->C->Commit(), EDatabaseError);
  EXPECT_FALSE(Conn->C->InTransaction());
  EXPECT_EQ(Conn->Column("select count(*) from " + T), std::vector<std::string>{"0"});

  // Server notices go to the connection's log.
  Conn->Log.clear();
  Conn->Exec("do $$ begin raise notice 'hello from the server'; end $$");
  ASSERT_FALSE(Conn->Log.empty());
  EXPECT_NE(Conn->Log.back().find("hello from the server"), std::string::npos);
}

TEST_P(PostgreSQLAdapter, BlocksOfATableWithBytesReadAsAWholeResult) {
  // A bytea column makes a read in blocks take its bytes in binary; every other column must
  // read as the server's text has it: padding, no netmask, Boolean, zone, a row of NULL fields.
  // Read again with large values cut into pieces of 5 bytes (text within its characters), once
  // more without bytes, and in the caller's READ COMMITTED transaction, where a second cursor
  // could read other rows and values come whole: each read must give the same values.
  Conn->ExecIgnoringError("drop table qel_eng_bin");
  Conn->ExecIgnoringError("drop type qel_eng_pair");
  Conn->Exec("create type qel_eng_pair as (a integer, b text)");
  Tables.push_back("qel_eng_bin");
  Conn->Exec(
      "create table qel_eng_bin (id integer primary key, b bytea, flag boolean, c char(5), "
      "ip inet, net cidr, ch \"char\", tz timestamptz, iv interval, n numeric(20,6), r real, "
      "arr integer[], p qel_eng_pair, j jsonb, t text, v varchar(20))");
  // Stored out of line uncompressed, as large values are.
  Conn->Exec("alter table qel_eng_bin alter b set storage external, alter t set storage external");
  Conn->Exec(
      "insert into qel_eng_bin values (1, '\\x00ff275c', true, 'ab', '10.0.0.1', '10.0.0.0/8', "
      "'x', '2024-02-29 13:45:56.1234+02', '1 day 02:03:04', 12345.6789, 0.1, '{1,NULL,3}', "
      "row(NULL, NULL), '{\"k\": [1, 2]}', 'it''s \\ text', 'z\xC5\xBC\xE2\x82\xACw'), (2, NULL, "
      "false, '', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, row(1, 'x'), NULL, NULL, NULL), "
      "(3, '', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, '', ''), "
      "(4, decode(repeat('00ff5c27', 1000), 'hex'), NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
      "NULL, NULL, NULL, NULL, NULL, repeat('\xC5\xBC\xE2\x82\xACx', 1000), '12345')");
  const std::size_t Whole = TPGDACDatabase::LargeValuePiece;
  const struct {
    std::size_t Piece;
    const char* Columns;
    bool InTransaction;
  } Reads[] = {{Whole, "*", false}, {5, "*", false}, {5, "id, t, v, c", false}, {5, "*", true}};
  for (const auto& R : Reads) {
    SCOPED_TRACE(std::to_string(R.Piece) + " " + R.Columns);
    TPGDACDatabase::LargeValuePiece = R.Piece;
    if (R.InTransaction) Conn->C->StartTransaction();
    auto All = Conn->Query(), Blocks = Conn->Query();
    Blocks->UniDirectional = true;
    for (TQELQuery* Q : {All.get(), Blocks.get()}) {
      Q->GetSQL()->SetText(std::string("select ") + R.Columns + " from qel_eng_bin order by id");
      Q->Open();
    }
    TPGDACDatabase::LargeValuePiece = Whole;
    ASSERT_EQ(Blocks->FieldCount(), All->FieldCount());
    int Rows = 0;
    for (; !All->GetEof(); All->Next(), Blocks->Next(), ++Rows) {
      ASSERT_FALSE(Blocks->GetEof());
      for (int I = 0; I < All->FieldCount(); ++I) {
        const TField *W = All->Fields().Fields(I), *B = Blocks->Fields().Fields(I);
        EXPECT_EQ(B->GetFieldName(), W->GetFieldName());
        EXPECT_EQ(B->GetDataType(), W->GetDataType()) << W->GetFieldName();
        EXPECT_EQ(B->IsNull(), W->IsNull()) << W->GetFieldName() << " of row " << Rows + 1;
        EXPECT_EQ(B->AsString(), W->AsString()) << W->GetFieldName() << " of row " << Rows + 1;
      }
    }
    EXPECT_EQ(Rows, 4);
    EXPECT_TRUE(Blocks->GetEof());
    Blocks->Close();
    if (R.InTransaction) Conn->C->Commit();
  }
  Conn->Exec("drop table qel_eng_bin");
  Conn->Exec("drop type qel_eng_pair");

  // More text columns than a server function takes arguments.
  std::string Columns = "id integer primary key", Values = "1";
  for (int I = 1; I <= 120; ++I) {
    Columns += ", c" + std::to_string(I) + " text";
    Values += I == 120 ? ", repeat('xy', 2000)" : ", 'v" + std::to_string(I) + "'";
  }
  Conn->Exec("create table qel_eng_wide (" + Columns + ")");
  Tables.push_back("qel_eng_wide");
  Conn->Exec("alter table qel_eng_wide alter c120 set storage external");
  Conn->Exec("insert into qel_eng_wide values (" + Values + ")");
  TPGDACDatabase::LargeValuePiece = 5;
  auto Wide = Conn->Query();
  Wide->UniDirectional = true;
  Wide->GetSQL()->SetText("select * from qel_eng_wide");
  Wide->Open();
  TPGDACDatabase::LargeValuePiece = Whole;
  ASSERT_FALSE(Wide->GetEof());
  EXPECT_EQ(Wide->FieldByName("c119")->AsString(), "v119");
  EXPECT_EQ(Wide->FieldByName("c120")->AsString().size(), 4000u);
  Wide->Close();
  Conn->Exec("drop table qel_eng_wide");
}

TEST_P(PostgreSQLAdapter, RecordedCatalogQueryReplaysTheSame) {
  const std::string T = Table("catalog",
                              "id integer primary key, name varchar(30) not null, "
                              "price numeric(10,2), born timestamp");
  Conn->Exec("comment on column " + T + ".name is 'the name'");
  const std::string SQL =
      "select a.attnum, a.attname, t.typname, a.attnotnull, a.atttypmod, "
      "col_description(c.oid, a.attnum) as descr\r\n"
      "from pg_catalog.pg_class c\r\n"
      "join pg_catalog.pg_attribute a on a.attrelid = c.oid\r\n"
      "join pg_catalog.pg_type t on t.oid = a.atttypid\r\n"
      "where c.relname = :tbl and a.attnum > 0 and not a.attisdropped\r\n"
      "order by a.attnum";
  auto Live = Conn->Query();
  Live->GetSQL()->SetText(SQL);
  Live->ParamByName("tbl")->SetAsString(T);
  Live->Open();
  ASSERT_EQ(Live->RecordCount(), 4);
  const std::string Recorded = "# Recorded from the PostgreSQL server of the test run\n" +
                               replay::RecordOpenedQuery(dynamic_cast<TQELAdapterQuery&>(*Live));
  WriteStringToFile(std::string(QEL_BUILD_DIR) + "/pg_catalog_recorded.replay", Recorded);

  auto Fixture = std::make_shared<replay::TReplayFixture>();
  Fixture->LoadFromText(Recorded, "recording");
  replay::TScopedReplayAdapter Replay("replay-pg-catalog", cnODAC, Fixture);
  TQELConnection R(nullptr);
  R.SetConnectionType(cnODAC);
  R.SetDatabaseType(dbPostgreSQL);
  R.SetConnected(true);
  std::unique_ptr<TQELQuery> Played(R.CreateQuery(nullptr));
  Played->GetSQL()->SetText(SQL);
  Played->ParamByName("tbl")->SetAsString(T);
  Played->Open();

  ASSERT_EQ(Played->RecordCount(), Live->RecordCount());
  ASSERT_EQ(Played->FieldCount(), Live->FieldCount());
  for (Live->First(); !Live->GetEof(); Live->Next(), Played->Next())
    for (int C = 0; C < Live->FieldCount(); ++C) {
      const TField& L = *Live->GetFields()->Fields(C);
      const TField& P = *Played->GetFields()->Fields(C);
      EXPECT_EQ(P.GetFieldName(), L.GetFieldName());
      EXPECT_EQ(P.GetDataType(), L.GetDataType()) << L.GetFieldName();
      EXPECT_EQ(P.IsNull(), L.IsNull()) << L.GetFieldName();
      EXPECT_EQ(P.AsString(), L.AsString()) << L.GetFieldName();
    }
  Live->First();
  Live->Next();
  EXPECT_EQ(Live->FieldByName("attname")->AsString(), "name");
  EXPECT_EQ(Live->FieldByName("descr")->AsString(), "the name");
  EXPECT_TRUE(Live->FieldByName("attnotnull")->AsBoolean());
  EXPECT_EQ(Live->FieldByName("attnum")->GetDataType(), ftSmallint);
}

INSTANTIATE_TEST_SUITE_P(Servers, PostgreSQLAdapter, ::testing::Values(Servers[0]),
                         [](const ::testing::TestParamInfo<TServer>&) {
                           return std::string("PostgreSQL");
                         });

class MariaDBAdapter : public Adapters {};

TEST_P(MariaDBAdapter, LiteralsAreEscapedAndDDLCommitsImplicitly) {
  auto Q = Conn->Query();
  // Parameters become literals: quotes, backslashes and NUL bytes must arrive as they were.
  const std::string Tricky = std::string("a'b\\c\"d\0e -- f", 15);
  Q->GetSQL()->SetText("select :p as v, :q as w, :n as x");
  Q->ParamByName("p")->SetAsString(Tricky);
  Q->ParamByName("q")->SetAsFMTBCD("-1.50");
  Q->ParamByName("n")->Clear();
  Q->Open();
  EXPECT_EQ(Q->FieldByName("v")->AsString(), Tricky);
  EXPECT_EQ(Q->FieldByName("w")->AsString(), "-1.50");
  EXPECT_TRUE(Q->FieldByName("x")->IsNull());

  // A DDL statement ends the transaction on the server; the connection follows.
  Conn->C->StartTransaction();
  EXPECT_TRUE(Conn->C->InTransaction());
  Table("mytx", "id integer");
  EXPECT_FALSE(Conn->C->InTransaction());
}

INSTANTIATE_TEST_SUITE_P(Servers, MariaDBAdapter, ::testing::Values(Servers[1]),
                         [](const ::testing::TestParamInfo<TServer>&) {
                           return std::string("MariaDB");
                         });

class FirebirdAdapter : public Adapters {};

TEST_P(FirebirdAdapter, ProcedureBodiesAndExecuteProcedure) {
  // ":name" inside a procedure body is the procedure's own variable: sent untouched.
  auto P = Conn->Query();
  P->SetParamCheck(false);
  P->GetSQL()->SetText(
      "create or alter procedure qel_eng_p (a integer) returns (r integer, s varchar(10))\n"
      "as\n"
      "declare variable x integer;\n"
      "begin\n"
      "  x = :a * 2;\n"
      "  r = :x;\n"
      "  s = 'ok:' || :a;\n"
      "  suspend;\n"
      "end");
  P->ExecSQL();
  auto Q = Conn->Query();
  Q->GetSQL()->SetText("execute procedure qel_eng_p(:v)");
  Q->ParamByName("v")->SetAsInteger(21);
  Q->Open();
  ASSERT_EQ(Q->RecordCount(), 1);
  EXPECT_EQ(Q->FieldByName("R")->AsInteger(), 42);
  EXPECT_EQ(Q->FieldByName("S")->AsString(), "ok:21");
  EXPECT_EQ(Conn->Column("select r from qel_eng_p(5)"), std::vector<std::string>{"10"});
  Conn->Exec("drop procedure qel_eng_p");
  // A marker count that does not match the values given is an error, not a guess.
  auto M = Conn->Query();
  M->SetParamCheck(false);
  M->GetSQL()->SetText("select 1 from rdb$database where 1 = ?");
  EXPECT_THROW(M->Open(), EDatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Servers, FirebirdAdapter, ::testing::Values(Servers[2]),
                         [](const ::testing::TestParamInfo<TServer>&) {
                           return std::string("Firebird");
                         });
