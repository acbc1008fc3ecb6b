// The script executor against real servers: PostgreSQL, MariaDB and Firebird, found through
// QEL_PG_*, QEL_MY_* and QEL_FB_* (HOST, PORT, USER, PASSWORD, DATABASE) as
// scripts/dbservers.sh prints them. A server that cannot be reached fails the test with a
// message saying which one and how it was looked for.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Files.h"
#include "Strings.h"
#include "qelConnection_FIBDB.h"
#include "qelConnection_MyDACDB.h"
#include "qelConnection_PGDACDB.h"
#include "qelSQL_Exec.h"

using namespace qel;

namespace {

using TLines = std::vector<std::string>;

struct TServer {
  const char* Title;
  const char* Prefix;
  TconnectionType ConnectionType;
  TDatabaseType DatabaseType;
  const char* BlobType;
};

void PrintTo(const TServer& S, std::ostream* Os) {
  *Os << S.Title;
}

const TServer Servers[] = {
    {"PostgreSQL", "QEL_PG_", cnPostgresDAC, dbPostgreSQL, "bytea"},
    {"MariaDB", "QEL_MY_", cnMyDAC, dbMySQL, "longblob"},
    {"Firebird", "QEL_FB_", cnFIB, dbInterBase, "blob sub_type 0"},
};

std::string Env(const std::string& Name) {
  const char* V = std::getenv(Name.c_str());
  return V ? std::string(V) : std::string();
}

/// A temporary folder for script and side files.
struct TTempDir {
  TTempDir() {
    std::string Tmpl = ::testing::TempDir() + "qel_exec_db_XXXXXX";
    Path = mkdtemp(Tmpl.data());
  }
  ~TTempDir() {
    for (const std::string& F : Files) std::remove(F.c_str());
    rmdir(Path.c_str());
  }
  std::string File(const std::string& Name) {
    Files.push_back(Path + "/" + Name);
    return Files.back();
  }
  std::string Path;
  TLines Files;
};

std::string Bytes1MiB() {
  std::string B(1 << 20, '\0');
  for (size_t I = 0; I < B.size(); ++I) B[I] = static_cast<char>((I * 131 + I / 509 + 3) & 0xFF);
  return B;
}

class ExecOnServer : public ::testing::TestWithParam<TServer> {
 protected:
  void SetUp() override {
    const TServer& S = GetParam();
    const std::string P = S.Prefix;
    for (const char* Part : {"HOST", "PORT", "USER", "PASSWORD", "DATABASE"})
      ASSERT_FALSE(Env(P + Part).empty())
          << S.Title << " server: environment variable " << P << Part
          << " is not set. The tests look the server up through " << P
          << "HOST/PORT/USER/PASSWORD/DATABASE; run eval \"$(scripts/dbservers.sh env)\" or "
             "ctest, whose dbservers fixture starts the servers.";
    C = std::make_unique<TQELConnection>(nullptr);
    C->SetConnectionType(S.ConnectionType);
    C->SetDatabaseType(S.DatabaseType);
    TConnectionOptions& O = C->GetConnectionOptions();
    O.HostName = Env(P + "HOST");
    O.Port = std::atoi(Env(P + "PORT").c_str());
    O.UserName = Env(P + "USER");
    O.Password = Env(P + "PASSWORD");
    O.SetDatabaseName(Env(P + "DATABASE"));
    C->SetConnected(true);
    ASSERT_TRUE(C->GetConnected())
        << "Cannot reach the " << S.Title << " server at " << O.HostName << ":" << O.Port
        << " (database " << O.GetDatabaseName() << ", user " << O.UserName << "; looked up through "
        << P << "HOST/PORT/USER/PASSWORD/DATABASE): " << C->GetLastError();
    E = std::make_unique<TSQLExec>(nullptr);
    E->DatabaseType = S.DatabaseType;
    E->SetConnection(C.get());
    E->OnLogNextLine = [this](TObject*, const std::string& T) { Log.push_back(T); };
    E->OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
  }
  void TearDown() override {
    E.reset();
    if (C && C->GetConnected())
      for (auto It = Drops.rbegin(); It != Drops.rend(); ++It) ExecIgnoringError(*It);
  }

  TDatabaseType Dialect() const { return GetParam().DatabaseType; }

  void Exec(const std::string& SQL) {
    std::unique_ptr<TQELQuery> Q(C->CreateQuery(nullptr));
    Q->SetParamCheck(false);
    Q->SetSQLText(SQL);
    Q->ExecSQL();
  }
  void ExecIgnoringError(const std::string& SQL) {
    try {
      Exec(SQL);
    } catch (const EDatabaseError&) {
    }
  }
  /// The first column of every row, NULL as "NULL".
  TLines Column(const std::string& SQL) {
    std::unique_ptr<TQELQuery> Q(C->CreateQuery(nullptr));
    Q->SetSQLText(SQL);
    Q->Open();
    TLines R;
    for (; !Q->GetEof(); Q->Next()) {
      TField* F = Q->GetFields()->Fields(0);
      R.push_back(F->IsNull() ? "NULL" : F->AsString());
    }
    return R;
  }
  /// A table of this test, dropped first and again at the end.
  std::string Table(const std::string& Suffix, const std::string& Columns) {
    const std::string Name = "qel_xdb_" + Suffix;
    ExecIgnoringError("drop table " + Name);
    Exec("create table " + Name + " (" + Columns + ")");
    Drops.push_back("drop table " + Name);
    return Name;
  }
  /// An empty statement list, log and error list for the next run.
  void Restart() {
    E->Clear();
    Log.clear();
    Errors.clear();
  }
  bool Logged(const std::string& Line) const {
    for (const std::string& L : Log)
      if (L == Line) return true;
    return false;
  }

  std::unique_ptr<TQELConnection> C;
  std::unique_ptr<TSQLExec> E;
  TLines Log, Errors, Drops;
};

}  // namespace

// A script with one failing statement, run with and without BreakOnError: plain statements
// commit each, data statements share a transaction that the failure rolls back.
TEST_P(ExecOnServer, AFailingStatementWithAndWithoutBreakOnError) {
  for (const bool Break : {false, true}) {
    SCOPED_TRACE(Break ? "BreakOnError" : "go on after errors");
    const std::string T = "qel_xdb_fail";
    ExecIgnoringError("drop table " + T);
    if (!Break) Drops.push_back("drop table " + T);
    Restart();
    E->BreakOnError = Break;
    E->Add("create table " + T + " (id integer not null primary key, v varchar(10))", stStatement,
           T, dboTable, odbCreate);
    E->Add("insert into " + T + " values (1, 'one')", stStatement, T, dboTable, odbInsert);
    E->Add("insert into " + T + " values (2, 'two')", stInsert, T, dboTable, odbInsert);
    E->Add("insert into " + T + " values (1, 'dup')", stInsert, T, dboTable, odbInsert);
    E->Add("insert into " + T + " values (4, 'four')", stStatement, T, dboTable, odbInsert);

    EXPECT_FALSE(E->ExecuteScript());
    EXPECT_EQ(E->ErrorCount, 1);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(E->GetStatement(3)->ErrorText, Errors[0]);
    // The duplicate took the data statement before it along, and the log says so.
    EXPECT_TRUE(Logged("< Rolled back >: " + T + ": insert (statement 3)"));
    EXPECT_EQ(Logged("< Break on Error! >"), Break);
    EXPECT_TRUE(Logged("< Script executed: 1 errors... >"));
    EXPECT_EQ(Column("select v from " + T + " order by id"),
              Break ? TLines{"one"} : (TLines{"one", "four"}));
    EXPECT_FALSE(C->InTransaction());
  }
}

// Large values through the side file: "SET BLOBFILE" names it relative to the script, and
// ":h<offset>_<length>" parameters address its bytes.
TEST_P(ExecOnServer, OneMiBThroughTheSideFile) {
  const std::string T =
      Table("lob", std::string("id integer not null primary key, b ") + GetParam().BlobType);
  TTempDir Dir;
  const std::string Big = Bytes1MiB();
  const std::string Small("\0\r\n", 3);
  ASSERT_TRUE(WriteStringToFile(Dir.File("data.LOB"), Big + Small));
  E->ScriptFileName = Dir.Path + "/data.sql";
  E->Add("SET BLOBFILE 'data.LOB'", stSetBlobFile, "data.LOB");
  E->Add("insert into " + T + " (id, b) values (1, :h00000000_00100000)", stInsert, T, dboTable,
         odbInsert);
  E->Add("insert into " + T + " (id, b) values (2, :H00100000_00000003)", stInsert, T, dboTable,
         odbInsert);
  EXPECT_TRUE(E->ExecuteScript()) << (Errors.empty() ? "" : Errors[0]);
  const TLines Stored = Column("select b from " + T + " order by id");
  ASSERT_EQ(Stored.size(), 2u);
  EXPECT_EQ(Stored[0].size(), Big.size());
  EXPECT_TRUE(Stored[0] == Big);
  EXPECT_EQ(Stored[1], Small);

  // A range past the end of the file is an error: the row is not written, nor a NULL for it.
  // The row queued before it goes back with it, as the log says: none is sent after the
  // rollback.
  E->Clear();
  Log.clear();
  E->ScriptFileName = Dir.Path + "/data.sql";
  E->Add("SET BLOBFILE 'data.LOB'", stSetBlobFile, "data.LOB");
  E->Add("insert into " + T + " (id) values (5)", stInsert, T, dboTable, odbInsert);
  E->Add("insert into " + T + " (id, b) values (3, :h00100000_00000004)", stInsert, T, dboTable,
         odbInsert);
  EXPECT_FALSE(E->ExecuteScript());
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("BlobFile range past the end of the file"), std::string::npos);
  EXPECT_TRUE(Logged("< Rolled back >: " + T + ": insert (statement 2)"));
  EXPECT_EQ(Column("select count(*) from " + T + " where id in (3, 5)"), TLines{"0"});
}

// More row statements than one round trip holds: the server's answer to each round trip is
// taken before anything else runs, the statement it refuses is the one named, and a run that
// goes on after errors runs every statement after it.
TEST_P(ExecOnServer, RowsOfManyRoundTripsAnsweredInOrder) {
  struct TCase {
    const char* Name;
    bool Break;
    int Duplicate;  ///< the statement (from 1) inserting id 1 again; 0 for none
    int Missing;    ///< the statement (from 1) updating a row that is not there; 0 for none
    int Rows;       ///< rows the table holds after the run
    int MinId;      ///< the smallest id among them
    int Skipped;    ///< the statement (from 1) marked to be skipped; 0 for none
  };
  const TCase Cases[] = {
      {"refused in the second round trip, break", true, 1500, 0, 0, 0, 0},
      {"refused in the second round trip, go on", false, 1500, 0, 1100, 1501, 0},
      {"refused in the last round trip, go on", false, 2590, 0, 10, 2591, 0},
      {"a row not found in the second round trip", true, 0, 1200, 2599, 1, 0},
      {"one skipped after the refused one, go on", false, 1500, 0, 1099, 1501, 1700},
  };
  const std::string T = Table("many", "id integer not null primary key, v integer");
  for (const TCase& K : Cases) {
    SCOPED_TRACE(K.Name);
    Exec("delete from " + T);
    Restart();
    E->BreakOnError = K.Break;
    for (int I = 1; I <= 2600; ++I) {
      const int Id = I == K.Duplicate ? 1 : I;
      if (I == K.Missing)
        E->Add("update " + T + " set v = 1 where id = 99999", stUpdate, T, dboTable, odbUpdate);
      else
        E->Add("insert into " + T + " values (" + IntToStr(Id) + ", " + IntToStr(I) + ")", stInsert,
               T, dboTable, odbInsert)
            ->Skip = I == K.Skipped;
    }
    const bool Refused = K.Duplicate > 0;
    EXPECT_EQ(E->ExecuteScript(), !Refused);
    ASSERT_EQ(Errors.size(), Refused ? 1u : 0u);
    if (Refused) {
      EXPECT_EQ(E->GetStatement(K.Duplicate - 1)->ErrorText, Errors[0]);
    }
    EXPECT_EQ(Logged("< Script executed: 1 errors... >"), Refused);
    EXPECT_EQ(E->GetUnmadeCount(stUpdate), K.Missing > 0 ? 1 : 0);
    // A statement gone through again after a refusal is told of once.
    EXPECT_EQ(std::count_if(Log.begin(), Log.end(),
                            [](const std::string& L) { return L.rfind("< Skipping", 0) == 0; }),
              K.Skipped > 0 ? 1 : 0);
    const TLines Held = Column("select count(*) from " + T);
    EXPECT_EQ(Held, TLines{IntToStr(K.Rows)});
    if (K.Rows > 0) {
      EXPECT_EQ(Column("select min(id) from " + T), TLines{IntToStr(K.MinId)});
    }
    EXPECT_FALSE(C->InTransaction());
  }
}

// Line breaks inside literals are part of the value: a bare LF stays a bare LF, CR LF stays
// CR LF, whether the statement holds parameters or not.
TEST_P(ExecOnServer, LineBreaksInValuesArriveUnchanged) {
  const std::string T = Table("breaks", "id integer not null primary key, v varchar(20)");
  E->Add("insert into " + T + " values (1, 'a\nb\r\nc')", stInsert, T, dboTable, odbInsert);
  E->Add("insert into " + T + " values (2, 'd\ne')", stStatement, T, dboTable, odbInsert);
  EXPECT_TRUE(E->ExecuteScript()) << (Errors.empty() ? "" : Errors[0]);
  EXPECT_EQ(Column("select v from " + T + " order by id"), (TLines{"a\nb\r\nc", "d\ne"}));
}

INSTANTIATE_TEST_SUITE_P(Servers, ExecOnServer, ::testing::ValuesIn(Servers),
                         [](const ::testing::TestParamInfo<TServer>& I) {
                           return std::string(I.param.Title);
                         });

// ---------------------------------------------------------------------------------------------
// Dialect texts that only work when they reach the server as written.

class ExecPostgreSQL : public ExecOnServer {};

TEST_P(ExecPostgreSQL, DollarQuotedFunctionRunsUnchanged) {
  Drops.push_back("drop function qel_xdb_add(integer)");
  // ":=" and "::" inside the body, and a ":name" in a literal, are no parameters.
  E->Add(
      "create or replace function qel_xdb_add(a integer) returns text as $$\r\n"
      "declare\r\n  b integer := a::integer + 1;\r\n"
      "begin\r\n  return b::text || ':x';\r\nend\r\n$$ language plpgsql",
      stProcedure, "qel_xdb_add", dboProcedure, odbCreate);
  EXPECT_TRUE(E->ExecuteScript()) << (Errors.empty() ? "" : Errors[0]);
  EXPECT_EQ(Column("select qel_xdb_add(41)"), TLines{"42:x"});
}

// A script's row statements carry their values in their text; they reach the server as
// parameters, and as written where the server refuses that form: each does what its text says,
// and a refusal is the server's words for the text as written.
TEST_P(ExecPostgreSQL, RowStatementsWithValuesInTheirText) {
  const std::string T = Table("lit", "id integer primary key, s text, n numeric(12,2), r real");
  struct TRow {
    const char* Name;
    std::string SQL;
    TStatType Type;
    bool Ok;
    TLines Rows;  // s/n/r of the table after it, ordered by id
  };
  const TRow Rows[] = {
      {"values as parameters",
       "insert into " + T + " values (1, 'it''s', -1.5, 0.1)",
       stInsert,
       true,
       {"it's/-1.50/0.1"}},
      {"a form the server cannot type, as written",
       "update " + T + " set s = 'y' where 'x' is not null",
       stUpdate,
       true,
       {"y/-1.50/0.1"}},
      {"refused as written too",
       "insert into " + T + " values ('abc', 'z', 1, 1)",
       stInsert,
       false,
       {"y/-1.50/0.1"}},
  };
  for (const TRow& R : Rows) {
    SCOPED_TRACE(R.Name);
    E->Clear();
    Errors.clear();
    E->BreakOnError = true;
    E->Add(R.SQL, R.Type, T, dboTable, R.Type == stInsert ? odbInsert : odbUpdate);
    EXPECT_EQ(E->ExecuteScript(), R.Ok) << (Errors.empty() ? "" : Errors[0]);
    if (!R.Ok) {
      std::string Alone;
      try {
        Exec(R.SQL);
      } catch (const EDatabaseError& X) {
        Alone = X.what();
      }
      ASSERT_FALSE(Alone.empty());
      ASSERT_EQ(Errors.size(), 1u);
      EXPECT_NE(Errors[0].find(Alone), std::string::npos) << Errors[0];
    }
    EXPECT_EQ(Column("select s || '/' || n || '/' || r from " + T + " order by id"), R.Rows);
  }
}

// Rows of one table go to the server as one INSERT whose numbers share a type per column,
// however each row's values are spaced and typed: each row stores what its text as written does.
TEST_P(ExecPostgreSQL, MergedRowsStoreWhatEachStoresAsWritten) {
  const std::string Columns =
      "id integer primary key, i integer, b bigint, r real, d double precision, "
      "n numeric(12,2), s text";
  const std::string Merged = Table("merged", Columns), Alone = Table("alone", Columns);
  const char* Rows[] = {
      "VALUES(1, 1, 1,  1.5E-1, 1, 0.01, 1)",
      "VALUES(2,  2, 3000000000,  2, 3.5, 2, 2.50)",
      "VALUES(3, 3, 3, 16777217, 9007199254740993, 1.005, 3000000000)",
      "VALUES(4, -4, -4, -0, -4, -4.00, -0)",
      "VALUES(5, 5, 5, 5, 5, 5, 'x')",
      "VALUES(6, 6, 6, 6.25, 6, 6, 0006)",
  };
  E->BreakOnError = true;
  for (const char* Row : Rows) {
    E->Add("INSERT INTO " + Merged + " (id, i, b, r, d, n, s)\r\n" + Row, stInsert, Merged,
           dboTable, odbInsert);
    Exec("INSERT INTO " + Alone + " (id, i, b, r, d, n, s) " + Row);
  }
  EXPECT_TRUE(E->ExecuteScript()) << (Errors.empty() ? "" : Errors[0]);
  const std::string Select = "select concat_ws('/', i, b, r, d, n, s) from ";
  EXPECT_EQ(Column(Select + Merged + " order by id"), Column(Select + Alone + " order by id"));
  EXPECT_EQ(Column(Select + Merged + " order by id").size(), std::size(Rows));
}

INSTANTIATE_TEST_SUITE_P(Servers, ExecPostgreSQL, ::testing::Values(Servers[0]),
                         [](const ::testing::TestParamInfo<TServer>&) {
                           return std::string("PostgreSQL");
                         });

class ExecFirebird : public ExecOnServer {};

// A Firebird statement list: written as a script with SET TERM blocks, run by the executor, and
// the written script run again by the server's own script tool.
TEST_P(ExecFirebird, StatementListWithSetTermBlocks) {
  const TLines DropList = {"drop view qel_xdb_v", "drop trigger qel_xdb_tr",
                           "drop procedure qel_xdb_p", "drop table qel_xdb_t"};
  for (const std::string& D : DropList) ExecIgnoringError(D);
  for (auto It = DropList.rbegin(); It != DropList.rend(); ++It) Drops.push_back(*It);

  E->Add("CREATE TABLE qel_xdb_t (id INTEGER NOT NULL PRIMARY KEY, n INTEGER)", stStatement,
         "qel_xdb_t", dboTable, odbCreate);
  E->Add(
      "CREATE PROCEDURE qel_xdb_p (a INTEGER)\r\nRETURNS (r INTEGER)\r\nAS\r\n"
      "DECLARE VARIABLE x INTEGER;\r\nBEGIN\r\n  x = a * 2;\r\n  r = x + 1;\r\n  SUSPEND;\r\nEND",
      stProcedure, "qel_xdb_p", dboProcedure, odbCreate);
  E->AddComment("/* the trigger fills n */");
  E->Add(
      "CREATE TRIGGER qel_xdb_tr FOR qel_xdb_t BEFORE INSERT\r\nAS\r\nBEGIN\r\n"
      "  NEW.n = NEW.id * 10;\r\nEND",
      stTrigger, "qel_xdb_tr", dboTrigger, odbCreate);
  E->Add("CREATE VIEW qel_xdb_v AS\r\nSELECT id, n FROM qel_xdb_t", stStatement, "qel_xdb_v",
         dboView, odbCreate);
  E->Add("INSERT INTO qel_xdb_t (id) VALUES (4)", stInsert, "qel_xdb_t", dboTable, odbInsert);

  TStringList Script;
  E->GetScript(Script, false);
  const TLines Lines(Script.begin(), Script.end());
  auto Count = [&](const std::string& L) { return std::count(Lines.begin(), Lines.end(), L); };
  EXPECT_EQ(Count("SET TERM ^ ;"), 1);
  EXPECT_EQ(Count("SET TERM ; ^"), 1);
  EXPECT_EQ(Count("^"), 2);

  EXPECT_TRUE(E->ExecuteScript()) << (Errors.empty() ? "" : Errors[0]);
  EXPECT_EQ(Column("select n from qel_xdb_v"), TLines{"40"});
  EXPECT_EQ(Column("select r from qel_xdb_p(20)"), TLines{"41"});

  // The same text through isql: the SET TERM blocks are what it needs to read the routines.
  for (const std::string& D : DropList) Exec(D);
  TTempDir Dir;
  const std::string File = Dir.File("fb.sql");
  ASSERT_TRUE(Script.SaveToFile(File));
  const TConnectionOptions& O = C->GetConnectionOptions();
  const std::string Cmd = "isql-fb -q -b -user '" + O.UserName + "' -password '" + O.Password +
                          "' -i '" + File + "' '" + O.HostName + "/" + IntToStr(O.Port) + ":" +
                          O.GetDatabaseName() + "' 2>&1";
  FILE* P = popen(Cmd.c_str(), "r");
  ASSERT_NE(P, nullptr);
  std::string Out;
  char Buf[512];
  while (std::fgets(Buf, sizeof Buf, P)) Out += Buf;
  const int Status = pclose(P);
  EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0) << Cmd << "\n" << Out;
  EXPECT_EQ(Column("select n from qel_xdb_v"), TLines{"40"});
  EXPECT_EQ(Column("select r from qel_xdb_p(1)"), TLines{"3"});
}

INSTANTIATE_TEST_SUITE_P(Servers, ExecFirebird, ::testing::Values(Servers[2]),
                         [](const ::testing::TestParamInfo<TServer>&) {
                           return std::string("Firebird");
                         });
