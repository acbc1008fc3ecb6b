// The ADO adapter over ODBC against PostgreSQL and MariaDB through their Debian ODBC drivers,
// with DSN-less connection strings: connecting, a refused login, queries, statements,
// parameters, transactions and the columns rowset; the OLE DB catalog extractor over the
// schema rowsets; and the example program comparing a table
// read through ODBC with the same table read through libpq.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Files.h"
#include "db_servers.h"
#include "oledb_util.h"
#include "qelConnection_ADODB.h"

using namespace qel;
using namespace qel::testing;

namespace {

struct TDriver {
  const TDbServer* Server;
  const char* Driver;  ///< as /etc/odbcinst.ini names it
  const char* Extra;   ///< further connection string entries
  const char* RefusedState;
};

// psqlODBC reports booleans as text "1"/"0" unless BoolsAsChar is off.
const TDriver Drivers[] = {
    {&PgServer, "PostgreSQL Unicode", ";BoolsAsChar=0", "08001"},
    {&MyServer, "MariaDB Unicode", "", "28000"},
};

void PrintTo(const TDriver& D, std::ostream* Os) {
  *Os << D.Driver;
}

std::string ConnectionString(const TDriver& D, const std::string& Password) {
  const std::string P = D.Server->Prefix;
  for (const char* Part : {"HOST", "PORT", "USER", "DATABASE"})
    EXPECT_FALSE(Env(P + Part).empty()) << P << Part << " is not set: run eval \"$(scripts/"
                                        << "dbservers.sh env)\" or ctest";
  return std::string("Driver={") + D.Driver + "};Server=" + Env(P + "HOST") +
         ";Port=" + Env(P + "PORT") + ";Database=" + Env(P + "DATABASE") +
         ";UID=" + Env(P + "USER") + ";PWD=" + Password + D.Extra;
}

/// A connection of the ADO adapter, collecting what it reports.
struct TODBCConnection {
  explicit TODBCConnection(const TDriver& D, const std::string& Password)
      : C(std::make_unique<TQELConnection>(nullptr)) {
    C->OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
    C->SetConnectionType(cnADO);
    C->SetDatabaseType(dbCustomOLEDB);
    C->GetConnectionOptions().ConnectionString = ConnectionString(D, Password);
    C->SetConnected(true);
  }
  std::unique_ptr<TQELQuery> Query(const std::string& SQL) {
    std::unique_ptr<TQELQuery> Q(C->CreateQuery(nullptr));
    Q->SetSQLText(SQL);
    return Q;
  }
  void Exec(const std::string& SQL) { Query(SQL)->ExecSQL(); }
  /// Every row of SQL, its values joined by "|".
  std::vector<std::string> Rows(const std::string& SQL) {
    auto Q = Query(SQL);
    Q->Open();
    std::vector<std::string> R;
    for (; !Q->GetEof(); Q->Next()) {
      std::string Row;
      for (int I = 0; I < Q->FieldCount(); ++I) {
        const TField* F = Q->Fields().Fields(I);
        Row += (I ? "|" : "") + (F->IsNull() ? std::string("NULL") : F->AsString());
      }
      R.push_back(Row);
    }
    return R;
  }

  std::unique_ptr<TQELConnection> C;
  std::vector<std::string> Errors;
};

class ADO : public ::testing::TestWithParam<TDriver> {
 protected:
  std::string Password() const { return Env(std::string(GetParam().Server->Prefix) + "PASSWORD"); }
};

TEST_P(ADO, TheOLEDBExtractorReadsColumnsKeysAndIndexes) {
  TODBCConnection Db(GetParam(), Password());
  ASSERT_TRUE(Db.C->GetConnected()) << (Db.Errors.empty() ? "" : Db.Errors.front());
  for (const char* S :
       {"drop view if exists qel_oledb_v", "drop table if exists qel_oledb_b",
        "drop table if exists qel_oledb_a",
        "create table qel_oledb_a (id integer not null primary key, code varchar(20) not null, "
        "amount decimal(12,2) default 5)",
        "create unique index qel_oledb_code on qel_oledb_a (code)",
        "create table qel_oledb_b (id integer not null, line integer not null, a_id integer, "
        "primary key (id, line))",
        "create index qel_oledb_b_a on qel_oledb_b (a_id, line)",
        "alter table qel_oledb_b add constraint qel_oledb_fk foreign key (a_id) references "
        "qel_oledb_a (id) on delete cascade",
        "create view qel_oledb_v as select id, code from qel_oledb_a"})
    Db.Exec(S);
  TOLEDBRead R(ConnectionString(GetParam(), Password()));
  ASSERT_TRUE(R.Ok) << ::testing::PrintToString(R.Errors);
  EXPECT_TRUE(R.Errors.empty()) << ::testing::PrintToString(R.Errors);
  const std::string Int = std::to_string(static_cast<int>(iftInteger));
  const std::string Var = std::to_string(static_cast<int>(iftVarchar));
  const std::string Dec = std::to_string(static_cast<int>(iftDecimal));
  const std::string Num = std::to_string(static_cast<int>(iftNumeric));
  // psqlODBC reports decimal columns as numeric, which they are on that server.
  const std::string Amount = GetParam().Server == &PgServer ? Num : Dec;
  EXPECT_EQ(R.Columns("qel_oledb_a"),
            "id:" + Int + ":0:notnull,code:" + Var + ":20:notnull,amount:" + Amount + ":0");
  // A view's nullability is the driver's guess (MariaDB takes the base column's).
  auto* V = dynamic_cast<TViwData*>(R.Objs().Views.FindObj("qel_oledb_v"));
  ASSERT_NE(V, nullptr);
  ASSERT_EQ(V->Fields.Count(), 2);
  EXPECT_EQ(V->Fields[1]->GetObjName() + ":" + std::to_string(V->Fields[1]->Size), "code:20");
  auto* A = dynamic_cast<TTblData*>(R.Objs().Tables.FindObj("qel_oledb_a"));
  ASSERT_NE(A, nullptr);
  EXPECT_EQ(A->Fields[2]->Precision, 12);
  EXPECT_EQ(A->Fields[2]->Scale, 2);
  EXPECT_NE(std::string(A->Fields[2]->DefValue).find('5'), std::string::npos);
  std::vector<std::string> Keys, Indexes;
  for (const std::string& K : R.Keys())
    if (K.find("qel_oledb_") != std::string::npos) Keys.push_back(K);
  for (const std::string& X : R.Indexes())
    if (X.find("qel_oledb_") != std::string::npos) Indexes.push_back(X);
  std::sort(Keys.begin(), Keys.end());
  std::sort(Indexes.begin(), Indexes.end());
  EXPECT_EQ(Keys, (std::vector<std::string>{"F qel_oledb_b(a_id)>qel_oledb_a(id) " +
                                                std::to_string(static_cast<int>(udaCascade)),
                                            "P qel_oledb_a(id)", "P qel_oledb_b(id,line)"}));
  EXPECT_EQ(Indexes, (std::vector<std::string>{"U qel_oledb_a(code)", "qel_oledb_b(a_id,line)"}));
  for (const char* S :
       {"drop view qel_oledb_v", "drop table qel_oledb_b", "drop table qel_oledb_a"})
    Db.Exec(S);
}

TEST_P(ADO, QueriesStatementsParametersAndTransactions) {
  TODBCConnection Db(GetParam(), Password());
  ASSERT_TRUE(Db.C->GetConnected()) << (Db.Errors.empty() ? "" : Db.Errors.front());
  Db.Exec("drop table if exists qel_ado_t");
  Db.Exec(
      "create table qel_ado_t (id integer primary key, name varchar(40), amount "
      "decimal(12,2), d date)");
  auto Ins = Db.Query("insert into qel_ado_t values (:id, :name, :amount, :d)");
  ASSERT_EQ(Ins->GetParams()->Count(), 4);
  const std::vector<std::vector<std::string>> Rows = {
      {"1", "O'Brien; ?", "12.50", "2024-02-29"}, {"2", "", "", ""}, {"3", "three", "-0.01", ""}};
  for (const auto& R : Rows) {
    Ins->ParamByName("id")->SetAsInteger(std::stoi(R[0]));
    Ins->ParamByName("name")->SetAsString(R[1]);
    Ins->ParamByName("amount")->SetAsFMTBCD(R[2].empty() ? "0" : R[2]);
    if (R[2].empty()) Ins->ParamByName("amount")->Clear();
    Ins->ParamByName("d")->SetAsDate(R[3]);
    if (R[3].empty()) Ins->ParamByName("d")->Clear();
    Ins->ExecSQL();
    EXPECT_EQ(dynamic_cast<TQELADOQuery&>(*Ins).RowsAffected(), 1);
  }
  EXPECT_EQ(Db.Rows("select id, name, amount, d from qel_ado_t order by id"),
            (std::vector<std::string>{"1|O'Brien; ?|12.50|2024-02-29", "2||NULL|NULL",
                                      "3|three|-0.01|NULL"}));
  // A name used twice is bound twice; ":" inside a literal is no parameter.
  auto Sel = Db.Query("select id, ':x' from qel_ado_t where id = :id or id = :id + 2 order by id");
  ASSERT_EQ(Sel->GetParams()->Count(), 1);
  Sel->ParamByName("id")->SetAsInteger(1);
  Sel->Open();
  ASSERT_EQ(Sel->RecordCount(), 2);
  EXPECT_EQ(Sel->Fields().Fields(1)->AsString(), ":x");

  // Rolled back, then committed.
  for (const bool Keep : {false, true}) {
    Db.C->StartTransaction();
    EXPECT_TRUE(Db.C->InTransaction());
    Db.Exec("delete from qel_ado_t where id = 3");
    Keep ? Db.C->Commit() : Db.C->Rollback();
    EXPECT_FALSE(Db.C->InTransaction());
    EXPECT_EQ(Db.Rows("select count(*) from qel_ado_t"),
              std::vector<std::string>{Keep ? "2" : "3"});
  }
  // A server error carries the driver's text and SQLSTATE.
  try {
    Db.Rows("select * from qel_ado_nosuch");
    ADD_FAILURE() << "no error";
  } catch (const EADOError& E) {
    EXPECT_EQ(E.SQLState.substr(0, 2), "42") << E.what();
    EXPECT_NE(std::string(E.what()).find("(SQLSTATE " + E.SQLState + ")"), std::string::npos);
    EXPECT_NE(std::string(E.what()).find("qel_ado_nosuch"), std::string::npos) << E.what();
  }
  EXPECT_TRUE(Db.C->GetConnected());
  Db.Exec("drop table qel_ado_t");
}

TEST_P(ADO, RefusedLoginReportsTheDriversTextAndState) {
  TODBCConnection Db(GetParam(), "wrong-password");
  EXPECT_FALSE(Db.C->GetConnected());
  ASSERT_EQ(Db.Errors.size(), 1u);
  EXPECT_NE(Db.Errors[0].find(std::string("(SQLSTATE ") + GetParam().RefusedState + ")"),
            std::string::npos)
      << Db.Errors[0];
  EXPECT_NE(Db.Errors[0].find("qel"), std::string::npos) << Db.Errors[0];  // the user's name
}

TEST_P(ADO, ColumnsRowsetListsTheColumnsOfEveryTable) {
  TODBCConnection Db(GetParam(), Password());
  ASSERT_TRUE(Db.C->GetConnected());
  const std::map<std::string, std::vector<std::string>> Tables = {
      {"qel_ado_s1", {"id", "name"}},
      {"qel_ado_s2", {"code", "s1_id", "note", "amount"}},
      {"qel_ado_s3", {"k"}}};
  for (const auto& [T, Cols] : Tables) {
    std::string Def;
    for (const std::string& C : Cols) Def += (Def.empty() ? "" : ", ") + C + " integer";
    Db.Exec("drop table if exists " + T);
    Db.Exec("create table " + T + " (" + Def + ")");
  }
  TADOConnection* ADO = FindADOConnection(Db.C.get());
  ASSERT_NE(ADO, nullptr);
  TADODataSet Rows(nullptr);
  ADO->OpenSchema(siColumns, Rows);
  std::map<std::string, std::vector<std::string>> Found;
  for (; !Rows.GetEof(); Rows.Next()) {
    const std::string T = Rows.FieldByName("TABLE_NAME")->AsString();
    if (Tables.count(T)) Found[T].push_back(Rows.FieldByName("COLUMN_NAME")->AsString());
  }
  EXPECT_EQ(Found, Tables);
  for (const auto& Entry : Tables) Db.Exec("drop table " + Entry.first);
}

// A session ended from outside: the next statement fails with the driver's reason, and the
// connection counts as lost rather than connected.
TEST(ADOConnection, SessionEndedFromOutsideIsALoss) {
  TODBCConnection Db(Drivers[0], Env("QEL_PG_PASSWORD"));
  ASSERT_TRUE(Db.C->GetConnected());
  const std::string Pid = Db.Rows("select pg_backend_pid()").at(0);
  TServerConnection Pg(PgServer);
  ASSERT_TRUE(Pg.Connect().empty());
  Pg.Exec("select pg_terminate_backend(" + Pid + ")");
  EXPECT_THROW(Db.Rows("select 1"), EDatabaseError);
  EXPECT_FALSE(Db.C->GetConnected());
  EXPECT_NE(Db.C->GetLostReason().find("(SQLSTATE "), std::string::npos) << Db.C->GetLostReason();
  Db.C->SetConnected(false);
  Db.C->SetConnected(true);
  EXPECT_EQ(Db.Rows("select 1"), std::vector<std::string>{"1"});
}

INSTANTIATE_TEST_SUITE_P(Drivers, ADO, ::testing::ValuesIn(Drivers),
                         [](const auto& Info) { return std::string(Info.param.Server->Title); });

TEST(ADOConnection, BindsTheCallersADOConnection) {
  TADOConnection ADO(nullptr);
  ADO.ConnectionString = ConnectionString(Drivers[0], Env("QEL_PG_PASSWORD"));
  auto C = std::make_unique<TQELConnectionADO>(nullptr);
  C->SetADOConnection(&ADO);
  std::vector<std::string> Errors;
  C->OnErrorMessage = [&](TObject*, const std::string& T) { Errors.push_back(T); };
  C->SetConnected(true);
  ASSERT_TRUE(C->GetConnected()) << (Errors.empty() ? "" : Errors.front());
  EXPECT_EQ(FindADOConnection(C.get()), &ADO);
  std::unique_ptr<TQELQuery> Q(C->CreateQuery(nullptr));
  Q->SetSQLText("select cast(:a as integer) + 1");
  Q->ParamByName("a")->SetAsInteger(41);
  Q->Open();
  EXPECT_EQ(Q->Fields().Fields(0)->AsString(), "42");
  // The query outlives the connection component without a dangling link.
  C.reset();
  EXPECT_EQ(Q->GetConnection(), nullptr);
  EXPECT_THROW(Q->ExecSQL(), EDatabaseError);
}

#ifdef QEL_VARNEL_PROGRAM
std::pair<std::string, int> RunProgram(const std::string& Command) {
  std::string Out;
  FILE* P = popen((Command + " 2>&1").c_str(), "r");
  if (!P) return {"cannot run: " + Command, -1};
  char Buf[4096];
  while (std::size_t N = fread(Buf, 1, sizeof(Buf), P)) Out.append(Buf, N);
  const int Status = pclose(P);
  return {Out, WIFEXITED(Status) ? WEXITSTATUS(Status) : -1};
}

// An ODBC source as the master of a schema comparison into an empty PostgreSQL database: a
// SQLite file made here and the shared Access test file (when it is there). After the update
// script has run, a second comparison writes no script; only the information that the Access
// driver answers no keys is left.
TEST(VarnelCompare, ODBCMasterIntoAnEmptyPostgreSQLDatabase) {
  const std::string SQLiteFile =
      ::testing::TempDir() + "qel_oledb_cmp_" + std::to_string(getpid()) + ".db";
  std::remove(SQLiteFile.c_str());
  {
    TQELConnection C(nullptr);
    C.SetConnectionType(cnADO);
    C.SetDatabaseType(dbCustomOLEDB);
    C.GetConnectionOptions().ConnectionString = "Driver=SQLite3;Database=" + SQLiteFile;
    C.SetConnected(true);
    ASSERT_TRUE(C.GetConnected());
    for (const char* S :
         {"create table parent (id integer not null primary key, name varchar(30) not null, "
          "price numeric(10,2) default 0, born date, seen timestamp, note text)",
          "create table child (id integer not null, line integer not null, parent integer, "
          "primary key (id, line), foreign key (parent) references parent (id))",
          "create index child_parent on child (parent)",
          // The driver calls these key columns nullable; the view's text it does not give.
          "create table tag (id integer primary key, label text)",
          "create table item_tag (tag integer references tag (id), item integer, "
          "primary key (item, tag))",
          "create view labels as select id, label from tag"}) {
      std::unique_ptr<TQELQuery> Q(C.CreateQuery(nullptr));
      Q->SetSQLText(S);
      Q->ExecSQL();
    }
  }
  std::vector<std::string> Masters = {"Driver=SQLite3;Database=" + SQLiteFile};
  const std::string Access = SharedData() + "/access/DateTestDatabase.mdb";
  if (!SharedData().empty() && access(Access.c_str(), R_OK) == 0)
    Masters.push_back("Driver=MDBTools;DBQ=" + Access);
  else
    std::printf("no Access test file at %s: only the SQLite master is compared\n", Access.c_str());
  TServerConnection Pg(PgServer);
  ASSERT_TRUE(Pg.Connect().empty());
  const std::string Server = Env("QEL_PG_USER") + ":" + Env("QEL_PG_PASSWORD") + "@" +
                             Env("QEL_PG_HOST") + ":" + Env("QEL_PG_PORT") + "/";
  for (const std::string& M : Masters) {
    SCOPED_TRACE(M);
    Pg.Exec("drop database if exists qel_oledb_cmp");
    Pg.Exec("create database qel_oledb_cmp");
    const std::string Command = std::string(QEL_VARNEL_PROGRAM) +
                                " compare --dialect postgresql --master-db 'odbc:" + M +
                                "' --target-db postgresql://" + Server + "qel_oledb_cmp";
    auto [Run, Code] = RunProgram(Command + " --execute");
    EXPECT_EQ(Code, 0) << Run;
    EXPECT_NE(Run.find("CREATE TABLE"), std::string::npos) << Run;
    auto [Again, Code2] = RunProgram(Command);
    EXPECT_EQ(Code2, 0) << Again;
    std::istringstream Lines(Again);
    for (std::string Line; std::getline(Lines, Line);)
      EXPECT_EQ(Line.rfind("varnel compare: info:", 0), 0U) << Again;
  }
  Pg.Exec("drop database qel_oledb_cmp");
  std::remove(SQLiteFile.c_str());
}

// A master that cannot be opened or read ends the run before anything reaches the target:
// taken for an empty schema, or for a part of one, it would make the update script drop
// tables there.
std::string ServerURI(const TDbServer& S, const std::string& User, const std::string& Password,
                      const std::string& Database) {
  const std::string P = S.Prefix;
  return std::string(S.DatabaseType == dbMySQL ? "mysql" : "postgresql") + "://" + User + ":" +
         Password + "@" + Env(P + "HOST") + ":" + Env(P + "PORT") + "/" + Database;
}

TEST(VarnelCompare, AnUnreadableMasterChangesNothingOnTheTarget) {
  const std::string Junk = ::testing::TempDir() + "qel_not_a_db_" + std::to_string(getpid());
  ASSERT_TRUE(WriteStringToFile(Junk, "plain text, no database file of any kind\n"));
  const std::string Db = "qel_unread_cmp";
  const struct {
    const char* Kind;
    const TDbServer* Target;  // the server of the target database and its dialect
    std::string URI;          // the --master-db argument
    const char* Message;      // a part of the error it ends with
  } Rows[] = {
      {"SQLite driver, no database file", &PgServer, "'odbc:Driver=SQLite3;Database=" + Junk + "'",
       "file is not a database"},
      {"Access driver, no Access file", &PgServer, "'odbc:Driver=MDBTools;DBQ=" + Junk + "'",
       "Cannot connect to"},
      {"a data source odbc.ini lacks", &PgServer, "odbc://qel_no_such_dsn",
       "Data source name not found"},
      {"a database the server lacks", &PgServer,
       ServerURI(PgServer, Env("QEL_PG_USER"), Env("QEL_PG_PASSWORD"), "qel_no_such_db"),
       "qel_no_such_db"},
      {"a user granted one table", &MyServer, ServerURI(MyServer, "qel_one_table", "pw", Db),
       "privileges on single tables"},
  };
  for (const auto& R : Rows) {
    SCOPED_TRACE(R.Kind);
    const TDbServer& S = *R.Target;
    TServerConnection Admin(S);
    ASSERT_TRUE(Admin.Connect().empty());
    Admin.ExecIgnoringError("drop database " + Db);
    Admin.Exec("create database " + Db);
    TServerConnection Target(S);
    ASSERT_TRUE(Target.Configure().empty());
    Target.C->GetConnectionOptions().SetDatabaseName(Db);
    Target.C->SetConnected(true);
    Target.Exec("create table kept (id integer primary key)");
    Target.Exec("insert into kept values (1)");
    Target.Exec("create table granted (id integer)");
    if (S.DatabaseType == dbMySQL) {
      Target.ExecIgnoringError("drop user qel_one_table");
      Target.Exec("create user qel_one_table identified by 'pw'");
      Target.Exec("grant select on " + Db + ".granted to qel_one_table");
    }
    Target.C->SetConnected(false);
    const std::string P = S.Prefix;
    auto [Run, Code] = RunProgram(
        std::string(QEL_VARNEL_PROGRAM) + " compare --dialect " +
        (S.DatabaseType == dbMySQL ? "mysql" : "postgresql") + " --master-db " + R.URI +
        " --target-db " + ServerURI(S, Env(P + "USER"), Env(P + "PASSWORD"), Db) + " --execute");
    EXPECT_EQ(Code, 1) << Run;
    EXPECT_NE(Run.find(R.Message), std::string::npos) << Run;
    EXPECT_EQ(Run.find("DROP"), std::string::npos) << Run;
    Target.C->SetConnected(true);
    EXPECT_EQ(Target.Column("select count(*) from kept"), std::vector<std::string>{"1"});
    if (S.DatabaseType == dbMySQL) Target.ExecIgnoringError("drop user qel_one_table");
    Target.C->SetConnected(false);
    Admin.Exec("drop database " + Db);
  }
  std::remove(Junk.c_str());
}

// The master is read through ODBC, the target through libpq; the table is named in another
// case than the server keeps it, which the ODBC side finds in its columns rowset.
TEST(VarnelDataCompare, ODBCMasterAgainstALibpqTarget) {
  TServerConnection Pg(PgServer);
  ASSERT_TRUE(Pg.Connect().empty());
  const std::string TargetDb = "qel_ado_cmp";
  Pg.Exec("drop database if exists " + TargetDb);
  Pg.Exec("create database " + TargetDb);
  const std::string Columns =
      " (id integer primary key, name varchar(40), amount numeric(12,2), ts timestamp(6), "
      "flag boolean)";
  Pg.Exec("drop table if exists qel_ado_cmp");
  Pg.Exec("create table qel_ado_cmp" + Columns);
  Pg.Exec(
      "insert into qel_ado_cmp values (1, 'one', 1.50, '2024-02-29 13:45:56.123456', true), "
      "(2, 'two', null, null, false), (3, 'O''Brien', 3, '2000-01-01', null)");
  const std::string Server = Env("QEL_PG_USER") + ":" + Env("QEL_PG_PASSWORD") + "@" +
                             Env("QEL_PG_HOST") + ":" + Env("QEL_PG_PORT") + "/";
  {
    TServerConnection T(PgServer);
    ASSERT_TRUE(T.Configure().empty());
    T.C->GetConnectionOptions().SetDatabaseName(TargetDb);
    T.C->SetConnected(true);
    ASSERT_TRUE(T.C->GetConnected());
    T.Exec("create table qel_ado_cmp" + Columns);
    T.Exec(
        "insert into qel_ado_cmp values (1, 'one', 1.50, '2024-02-29 13:45:56.123456', true), "
        "(2, 'TWO', null, null, false), (4, 'four', 4, null, null)");
  }
  const std::string Command =
      std::string(QEL_VARNEL_PROGRAM) +
      " datacompare --master-db 'odbc:" + ConnectionString(Drivers[0], Env("QEL_PG_PASSWORD")) +
      "' --target-db postgresql://" + Server + TargetDb + " --table Qel_Ado_Cmp";
  auto [Script, Code] = RunProgram(Command);
  EXPECT_EQ(Code, 0) << Script;
  for (const char* Expected :
       {"UPDATE qel_ado_cmp SET \r\nname='two'\r\nWHERE id = 2;",
        "INSERT INTO qel_ado_cmp (id, name, amount, ts, flag)\r\nVALUES(3, 'O''Brien', 3.00, "
        "'2000-01-01 00:00:00', Null);",
        "DELETE FROM qel_ado_cmp WHERE id = 4;",
        "Equal: 1, Inserted: 1, Updated: 1, Deleted: 1, All: 4."})
    EXPECT_NE(Script.find(Expected), std::string::npos) << Expected << "\nin:\n" << Script;
  auto [Run, Code2] = RunProgram(Command + " --execute");
  EXPECT_EQ(Code2, 0) << Run;
  auto [Again, Code3] = RunProgram(Command);
  EXPECT_EQ(Code3, 0) << Again;
  EXPECT_NE(Again.find("Equal: 3, Inserted: 0, Updated: 0, Deleted: 0, All: 3."), std::string::npos)
      << Again;
  Pg.Exec("drop table qel_ado_cmp");
  Pg.Exec("drop database " + TargetDb);
}
#endif

}  // namespace
