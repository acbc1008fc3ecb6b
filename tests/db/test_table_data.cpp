// The table data comparer against PostgreSQL, MariaDB and Firebird: two tables with inserted,
// updated, deleted and equal rows, with NULLs, dates, decimals, text with quotes and
// back-slashes and binary values over 1 MiB. The script (run through the executor, also read
// back from the written file and its side file) and the immediate mode each make the target
// equal to the master, checked by reading both tables.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "Files.h"
#include "Host.h"
#include "Text.h"
#include "db_servers.h"
#include "qelLocalSQLParser.h"
#include "qelSQL_Exec.h"
#include "qelTableDataComparer.h"

using namespace qel;
using namespace qel::testing;

namespace {

struct TCase {
  const TDbServer* Server;
  /// Column types: id, s (text with a size), n (exact decimal), d, ts, b (binary), t (large
  /// text), f (float), flag (boolean).
  const char* Columns;
  /// The key field as the server reports it.
  const char* Key;
};

void PrintTo(const TCase& C, std::ostream* Os) {
  *Os << C.Server->Title;
}

const TCase Cases[] = {
    {&PgServer,
     "id integer primary key, s varchar(60), n numeric(18,4), d date, ts timestamp(6), "
     "b bytea, t text, f double precision, flag boolean",
     "id"},
    {&MyServer,
     "id integer primary key, s varchar(60), n decimal(18,4), d date, ts datetime(6), "
     "b longblob, t longtext, f double, flag boolean",
     "id"},
    {&FbServer,
     "id integer not null primary key, s varchar(60), n numeric(18,4), d date, ts timestamp, "
     "b blob sub_type 0, t blob sub_type 1, f double precision, flag boolean",
     "ID"},
};

std::string Bytes(std::size_t N, int Seed) {
  std::string B(N, '\0');
  for (std::size_t I = 0; I < N; ++I)
    B[I] = static_cast<char>((I * 31 + I / 251 + static_cast<std::size_t>(Seed)) & 0xFF);
  return B;
}

/// One row: NULL is std::nullopt-like through an empty Has flag.
struct TValue {
  bool Null = true;
  std::string Text;
};
TValue V(std::string S) {
  return {false, std::move(S)};
}
const TValue Null{};

struct TRowData {
  int Id;
  TValue S, N, D, Ts, B, T, F, Flag;
};

std::string TempDir() {
  static std::string Dir = [] {
    std::string Tmpl = ::testing::TempDir() + "qel_tdc_db_XXXXXX";
    const char* D = mkdtemp(Tmpl.data());
    return std::string(D ? D : ::testing::TempDir().c_str()) + "/";
  }();
  return Dir;
}

class TableData : public ::testing::TestWithParam<TCase> {
 protected:
  void SetUp() override {
    Conn = std::make_unique<TServerConnection>(*GetParam().Server);
    const std::string Why = Conn->Connect();
    ASSERT_TRUE(Why.empty()) << Why;
    Master = Name("m");
    Target = Name("t");
  }
  void TearDown() override {
    if (!Conn) return;
    for (const std::string& T : {Master, Target}) Conn->ExecIgnoringError("drop table " + T);
  }

  TDatabaseType Dialect() const { return GetParam().Server->DatabaseType; }
  std::string Name(const std::string& Side) const {
    const std::string N = "qel_tdc_" + Side;
    return Dialect() == dbInterBase ? UpperCase(N) : N;
  }

  void Create(const std::string& Table) {
    Conn->ExecIgnoringError("drop table " + Table);
    Conn->Exec("create table " + Table + " (" + GetParam().Columns + ")");
  }
  void Insert(const std::string& Table, const std::vector<TRowData>& Rows) {
    auto Q = Conn->Query();
    Q->GetSQL()->SetText("insert into " + Table +
                         " (id, s, n, d, ts, b, t, f, flag) values (:id, :s, :n, :d, :ts, :b, "
                         ":t, :f, :flag)");
    for (const TRowData& R : Rows) {
      Q->ParamByName("id")->SetAsInteger(R.Id);
      auto Set = [&](const char* P, const TValue& Val, TFieldType Type) {
        TParam* X = Q->ParamByName(P);
        X->SetDataType(Type);
        if (Val.Null) {
          X->Clear();
          return;
        }
        switch (Type) {
          case ftFMTBcd:
            X->SetAsFMTBCD(Val.Text);
            break;
          case ftDate:
            X->SetAsDate(Val.Text);
            break;
          case ftDateTime:
            X->SetAsDateTime(Val.Text);
            break;
          case ftBlob:
            X->SetAsBlob(Val.Text);
            break;
          case ftMemo:
            X->SetAsMemo(Val.Text);
            break;
          case ftFloat:
            X->SetAsFloat(std::stod(Val.Text));
            break;
          case ftBoolean:
            X->SetAsBoolean(Val.Text == "1");
            break;
          default:
            X->SetAsString(Val.Text);
            break;
        }
      };
      Set("s", R.S, ftString);
      Set("n", R.N, ftFMTBcd);
      Set("d", R.D, ftDate);
      Set("ts", R.Ts, ftDateTime);
      Set("b", R.B, ftBlob);
      Set("t", R.T, ftMemo);
      Set("f", R.F, ftFloat);
      Set("flag", R.Flag, ftBoolean);
      Q->ExecSQL();
    }
  }

  /// Master and target with one row of each fate.
  void Fill() {
    Create(Master);
    Create(Target);
    const std::string Quotes = "O'Brien \\ \"path\\to\" 'x'; -- not a comment";
    const std::string Big = Bytes((1 << 20) + 12345, 1);
    Insert(Master,
           {
               {1, V(Quotes), V("12345678901234.5678"), V("2007-12-31"),
                V("2024-02-29 13:45:56.1234"), V(Big), V("memo 'one' \\ ;"), V("0.1"), V("1")},
               {2, Null, Null, Null, Null, Null, Null, Null, Null},
               {3, V("same"), V("-0.0001"), V("2000-01-01"), V("2000-01-01 00:00:00"), V("xyz"),
                V("t"), V("-250.25"), V("0")},
               {4, V("new"), V("1"), V("1999-12-31"), V("1999-12-31 23:59:59.5"),
                V(Bytes((1 << 20) + 1, 2)), V(std::string(70000, 'm')), V("1e300"), V("1")},
           });
    Insert(Target, {
                       {1, V("old"), V("12345678901234.5677"), V("2007-12-30"),
                        V("2024-02-29 13:45:56.1233"), V(Bytes((1 << 20) + 12345, 9)), V("x"),
                        V("0.2"), V("0")},
                       {2, V("not null"), V("2"), V("2001-01-01"), V("2001-01-01 01:01:01"), V("b"),
                        V("t"), V("3"), V("1")},
                       {3, V("same"), V("-0.0001"), V("2000-01-01"), V("2000-01-01 00:00:00"),
                        V("xyz"), V("t"), V("-250.25"), V("0")},
                       {5, V("gone"), Null, Null, Null, Null, Null, Null, Null},
                   });
  }

  /// Every row of Table, each value as text ("<null>" for NULL), ordered by id.
  std::vector<std::vector<std::string>> Rows(const std::string& Table) {
    auto Q = Conn->Query();
    Q->GetSQL()->SetText("select id, s, n, d, ts, b, t, f, flag from " + Table + " order by id");
    Q->Open();
    std::vector<std::vector<std::string>> R;
    for (; !Q->GetEof(); Q->Next()) {
      std::vector<std::string> Row;
      for (int I = 0; I < Q->FieldCount(); ++I) {
        TField* F = Q->Fields().Fields(I);
        Row.push_back(F->IsNull() ? std::string("<null>") : F->AsString());
      }
      R.push_back(std::move(Row));
    }
    return R;
  }
  void ExpectTargetEqualsMaster() {
    const auto M = Rows(Master);
    const auto T = Rows(Target);
    ASSERT_EQ(M.size(), 4u);
    ASSERT_EQ(T.size(), M.size());
    for (std::size_t I = 0; I < M.size(); ++I)
      for (std::size_t C = 0; C < M[I].size(); ++C)
        EXPECT_TRUE(M[I][C] == T[I][C])
            << "row " << I << " column " << C << ": master " << M[I][C].substr(0, 80) << ", target "
            << T[I][C].substr(0, 80);
  }

  /// A comparer of the two tables on their own connections, keyed by id, data from the catalog.
  void MakeComparer() {
    CM = std::make_unique<TServerConnection>(*GetParam().Server);
    CT = std::make_unique<TServerConnection>(*GetParam().Server);
    ASSERT_TRUE(CM->Configure().empty());
    ASSERT_TRUE(CT->Configure().empty());
    Cmp = std::make_unique<TTableDataComparer>(nullptr);
    Cmp->SetQELConnectionMaster(CM->C.get());
    Cmp->SetQELConnectionTarget(CT->C.get());
    Cmp->SetTableNameMaster(Master);
    Cmp->SetTableNameTarget(Target);
    Cmp->GetTableOptionsMaster().GetKeyFields().Add(GetParam().Key);
    Cmp->GetTableOptionsTarget().GetKeyFields().Add(GetParam().Key);
    Cmp->OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
    Cmp->OnLogNextLine = [this](TObject*, const std::string& T) {
      if (T.rfind("Equal: ", 0) == 0) Summary = T;
    };
  }
  void RunScriptThroughExecutor(TSQLExec& Exec) {
    Exec.SetConnection(CT->C.get());
    Exec.DatabaseType = Dialect();
    std::vector<std::string> ExecErrors;
    Exec.OnErrorMessage = [&](TObject*, const std::string& T) { ExecErrors.push_back(T); };
    EXPECT_TRUE(Exec.ExecuteScript()) << (ExecErrors.empty() ? "" : ExecErrors[0]);
  }

  std::unique_ptr<TServerConnection> Conn, CM, CT;
  std::unique_ptr<TTableDataComparer> Cmp;
  std::string Master, Target;
  std::vector<std::string> Errors;
  std::string Summary;
};

}  // namespace

TEST_P(TableData, ScriptModeMakesTheTargetEqual) {
  Fill();
  MakeComparer();
  auto Exec = std::make_unique<TSQLExec>(nullptr);
  Cmp->SetSQLExec(Exec.get());
  Cmp->SetScriptFileName(TempDir() + "script_" + GetParam().Server->Title + ".sql");
  ASSERT_TRUE(Cmp->CompareData());
  ASSERT_TRUE(Errors.empty()) << Errors[0];
  EXPECT_EQ(Summary, "Equal: 1, Inserted: 1, Updated: 2, Deleted: 1, All: 5.");
  RunScriptThroughExecutor(*Exec);
  Cmp->SetSQLExec(nullptr);
  ExpectTargetEqualsMaster();

  // Nothing is left to do, and the connections the comparer opened are closed again.
  ASSERT_TRUE(Cmp->CompareData());
  ASSERT_TRUE(Errors.empty()) << Errors[0];
  EXPECT_EQ(Summary, "Equal: 4, Inserted: 0, Updated: 0, Deleted: 0, All: 4.");
  EXPECT_FALSE(CM->C->GetConnected());
  EXPECT_FALSE(CT->C->GetConnected());
}

TEST_P(TableData, WrittenScriptAndSideFileReadBack) {
  Fill();
  MakeComparer();
  // The header statements of the InterBase dialect (SET SQL DIALECT, CONNECT) are client
  // commands the plain executor would send to the server; this script goes without them.
  Cmp->GetScriptOptions().Connect = false;
  Cmp->GetScriptOptions().SQLDialect = false;
  const std::string Script = TempDir() + "file_" + GetParam().Server->Title + ".sql";
  Cmp->SetScriptFileName(Script);
  ASSERT_TRUE(Cmp->CompareData());
  ASSERT_TRUE(Errors.empty()) << Errors[0];
  const std::string Side = ChangeFileExt(Script, ".LOB");
  ASSERT_TRUE(FileExists(Side));
  EXPECT_GT(FileSize(Side), 2 << 20);

  TStringList Lines;
  ASSERT_TRUE(Lines.LoadFromFile(Script));
  EXPECT_EQ(Lines[0], "SET BLOBFILE '" + ExtractFileName(Side) + "';");
  auto Exec = std::make_unique<TSQLExec>(nullptr);
  Exec->ScriptFileName = Script;
  TLocalSQLParser P(nullptr);
  P.SetDatabaseType(Dialect());
  P.OnAddStatement = [&](TObject*, const std::string& aText, TStatType aTyp,
                         const std::string& aObjName, TDbObject aObjType, TDbOperation aOp,
                         const std::string& aOwn, TObject*& S) {
    S = Exec->Add(aText, aTyp, aObjName, aObjType, aOp, aOwn);
  };
  P.ParseScript(Lines, nullptr);
  ASSERT_FALSE(P.MsgManager.GetIsErr()) << P.MsgManager.ErrSummary();
  ASSERT_EQ(Exec->GetStatementsCount(), 5);
  EXPECT_EQ(Exec->GetStatement(0)->StatType, stSetBlobFile);
  for (int I = 1; I < Exec->GetStatementsCount(); ++I)
    EXPECT_EQ(Exec->GetStatement(I)->ObjName,
              Dialect() == dbMySQL ? "`" + Target + "`" : UpperCase(Target));
  RunScriptThroughExecutor(*Exec);
  ExpectTargetEqualsMaster();
}

TEST_P(TableData, ImmediateModeMakesTheTargetEqual) {
  Fill();
  MakeComparer();
  Cmp->SetUpdateImmediately(true);
  Cmp->SetScriptFileName("");
  ASSERT_TRUE(Cmp->CompareData());
  ASSERT_TRUE(Errors.empty()) << Errors[0];
  EXPECT_EQ(Summary, "Equal: 1, Inserted: 1, Updated: 2, Deleted: 1, All: 5.");
  ExpectTargetEqualsMaster();
  ASSERT_TRUE(Cmp->CompareData());
  EXPECT_EQ(Summary, "Equal: 4, Inserted: 0, Updated: 0, Deleted: 0, All: 4.");
}

TEST_P(TableData, MissingTableAndRefusedConnectionAreFailures) {
  MakeComparer();
  Cmp->SetTableNameMaster("qel_tdc_nowhere");
  Cmp->SetScriptFileName("");
  ASSERT_TRUE(Cmp->CompareData());
  ASSERT_FALSE(Errors.empty());
  EXPECT_NE(Errors[0].find("not exists."), std::string::npos) << Errors[0];
  EXPECT_EQ(Summary, "");

  // The refusal is written once: by the comparer, not by the connection besides (which, with
  // no handler of its own, would show a message box).
  Errors.clear();
  CT->C->GetConnectionOptions().Password = "not-the-password";
  CT->C->OnErrorMessage = nullptr;
  int Shown = 0;
  auto Before = SetShowMessageHandler([&Shown](const std::string&) { ++Shown; });
  EXPECT_FALSE(Cmp->CompareData());
  SetShowMessageHandler(Before);
  EXPECT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Shown, 0);
  EXPECT_TRUE(Cmp->MsgManager.GetIsErr());
}

INSTANTIATE_TEST_SUITE_P(Servers, TableData, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<TCase>& I) {
                           return std::string(I.param.Server->Title);
                         });

// ---------------------------------------------------------------------------------------------
// Row changes run at once go to the target many to a round trip; the run still stops at the
// first row the target refuses, or at a lost connection, and says what the target keeps.

class RowsInBatches : public ::testing::TestWithParam<const TDbServer*> {
 protected:
  void SetUp() override {
    for (TServerConnection* C : {&Master, &Target, &Other}) {
      const std::string Why = C->Connect();
      ASSERT_TRUE(Why.empty()) << Why;
    }
  }
  /// A comparer of tables M and T by their key id that stops at the first refusal, writing the
  /// row changes at once with Execute.
  std::unique_ptr<TTableDataComparer> Comparer(const char* M, const char* T, bool Execute) {
    auto Cmp = std::make_unique<TTableDataComparer>(nullptr);
    Cmp->SetQELConnectionMaster(Master.C.get());
    Cmp->SetQELConnectionTarget(Target.C.get());
    Cmp->SetTableNameMaster(M);
    Cmp->SetTableNameTarget(T);
    Cmp->GetTableOptionsMaster().GetKeyFields().Add("id");
    Cmp->GetTableOptionsTarget().GetKeyFields().Add("id");
    Cmp->SetUpdateImmediately(Execute);
    Cmp->SetScriptFileName("");
    Cmp->BreakOnError = true;
    return Cmp;
  }
  const bool Pg = GetParam()->DatabaseType == dbPostgreSQL;
  TServerConnection Master{*GetParam()}, Target{*GetParam()}, Other{*GetParam()};
};

TEST_P(RowsInBatches, ARefusedRowOrALostConnectionMidBatchStopsTheRun) {
  // The session the rows are written through: the target's on PostgreSQL; on MariaDB the one
  // the comparer opens for them, the first opened after the run starts.
  std::string Pid = Pg ? Target.Column("select pg_backend_pid()").at(0) : "";
  const char* const MyNewest = "select max(id) from information_schema.processlist";
  for (const char* T : {"qel_batch_m", "qel_batch_t"})
    Other.ExecIgnoringError(std::string("drop table ") + T);
  Other.Exec("create table qel_batch_m (id integer primary key, s varchar(20))");
  Other.Exec(Pg ? "insert into qel_batch_m select g, 'row ' || g from generate_series(1, 2500) g"
                : "insert into qel_batch_m select seq, concat('row ', seq) from seq_1_to_2500");
  auto Run = [&](int KillAt, std::vector<std::string>& Errors, int HookFailsAt = 0) {
    std::unique_ptr<TTableDataComparer> Owned = Comparer("qel_batch_m", "qel_batch_t", true);
    TTableDataComparer& Cmp = *Owned;
    Cmp.OnErrorMessage = [&](TObject*, const std::string& T) { Errors.push_back(T); };
    int Rows = 0;
    if (HookFailsAt > 0)
      Cmp.BeforeOpen = [&, Made = 0](TDataSet*) mutable {
        if (++Made == HookFailsAt) throw EDatabaseError("not this one");
      };
    const std::string Before = Pg ? "" : Other.Column(MyNewest).at(0);
    Cmp.OnAddResultSQL = [&](TObject*, bool&, const std::string&, TStatType, const std::string&,
                             TDbObject, TDbOperation) {
      if (++Rows != KillAt) return;
      // The round trip before goes ahead while these rows are made: it is let finish first.
      for (int I = 0; I < 1000 && Other.Column("select count(*) from qel_batch_t").at(0) != "1000";
           ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (!Pg)
        Pid =
            Other.Column("select min(id) from information_schema.processlist where id > " + Before)
                .at(0);
      Other.Exec((Pg ? "select pg_terminate_backend(" : "kill ") + Pid + (Pg ? ")" : ""));
    };
    Cmp.CompareData();
    return std::vector<int>{Cmp.GetAppliedCount(), Cmp.GetUnknownCount(), Cmp.GetStoppedAtError()};
  };
  auto Count = [&] { return Other.Column("select count(*) from qel_batch_t").at(0); };

  // Refused: the rows before it are kept and counted, none after it is written. The refused
  // row opens, ends or lies inside the second round trip of rows (on MariaDB one INSERT of
  // many rows, which the server refuses as a whole, or, into a table without transactions,
  // keeps the rows before the refused one of). A row the comparer stops at before sending it
  // (its BeforeOpen raises) comes after the answer to the round trip sent ahead: there the
  // server refused an earlier row.
  std::vector<std::string> Errors;
  for (const auto& [Refused, Engine, HookFailsAt] :
       std::vector<std::tuple<int, std::string, int>>{{700, "", 1500},
                                                      {1001, "", 0},
                                                      {2000, "", 0},
                                                      {1500, " engine=MyISAM", 0},
                                                      {1500, "", 0}}) {
    if (Pg && !Engine.empty()) continue;
    SCOPED_TRACE(std::to_string(Refused) + Engine);
    const std::string Kept = std::to_string(Refused - 1);
    Other.ExecIgnoringError("drop table qel_batch_t");
    Other.Exec("create table qel_batch_t (id integer primary key, s varchar(20), check (id <> " +
               std::to_string(Refused) + "))" + Engine);
    Errors.clear();
    EXPECT_EQ(Run(0, Errors, HookFailsAt), (std::vector<int>{Refused - 1, 0, 1}));
    EXPECT_EQ(Count(), Kept);
    EXPECT_EQ(Other.Column("select max(id) from qel_batch_t").at(0), Kept);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_NE(Errors[0].find("after " + Kept + " row change(s) were written"), std::string::npos)
        << Errors[0];
    EXPECT_NE(Errors[0].find("Values: id = " + std::to_string(Refused) + ", s = 'row " +
                             std::to_string(Refused) + "'"),
              std::string::npos)
        << Errors[0];
    EXPECT_NE(Errors[0].find("Server: "), std::string::npos) << Errors[0];
  }

  // Refused by PostgreSQL's commit at the end of a round trip (a deferred constraint): the row
  // that breaks it is found and refused by name, the rows before it are kept, and the
  // connection is left ready for the next statement.
  if (Pg) {
    Other.Exec("drop table qel_batch_t");
    Other.Exec(
        "create table qel_batch_t (id integer primary key, s varchar(20) unique deferrable "
        "initially deferred)");
    Other.Exec("update qel_batch_m set s = 'same' where id in (10, 1500)");
    Errors.clear();
    EXPECT_EQ(Run(0, Errors), (std::vector<int>{1499, 0, 1}));
    Other.Exec("update qel_batch_m set s = 'row ' || id where id in (10, 1500)");
    EXPECT_EQ(Count(), "1499");
    EXPECT_EQ(Target.Column("select count(*) from qel_batch_t").at(0), "1499");
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_NE(Errors[0].find("Values: id = 1500, s = 'same'"), std::string::npos) << Errors[0];
  }

  // Lost while a round trip of rows is queued: the rows of the round trips before it are kept,
  // and those under way are named as perhaps made.
  Other.Exec("delete from qel_batch_t");
  Errors.clear();
  EXPECT_EQ(Run(1200, Errors), (std::vector<int>{1000, 1000, 0}));
  const std::string Written = Count();
  for (const char* T : {"qel_batch_m", "qel_batch_t"}) Other.Exec(std::string("drop table ") + T);
  EXPECT_EQ(Written, "1000");
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("Lost the connection to the target database"), std::string::npos)
      << Errors[0];
}

TEST_P(RowsInBatches, RoundTripsSentAheadKeepTheOrderOfTheRowsAroundALargeValue) {
  // Rows go ahead a round trip at a time while the next is made; a large value goes alone after
  // what waits; a target holding rows keeps its read open meanwhile. Either way the target ends
  // as the master, and a second run finds every row equal.
  const std::string Text = Pg ? "text" : "longtext";
  for (const char* T : {"qel_ahead_m", "qel_ahead_t"})
    Other.ExecIgnoringError(std::string("drop table ") + T);
  for (const char* T : {"qel_ahead_m", "qel_ahead_t"})
    Other.Exec(std::string("create table ") + T + " (id integer primary key, s " + Text + ")");
  Other.Exec(Pg ? "insert into qel_ahead_m select g, case g when 1500 then repeat('x', 100000) "
                  "else 'row ' || g end from generate_series(1, 3000) g"
                : "insert into qel_ahead_m select seq, if(seq = 1500, repeat('x', 100000), "
                  "concat('row ', seq)) from seq_1_to_3000");
  struct TCase {
    const char* Name;
    std::string Fill;  // the target's rows before the run
    int Changes;
  };
  const std::vector<TCase> Cases = {
      {"empty target", "", 3000},
      // Every third row changed, every fifth missing, 500 rows the master lacks.
      {"target holding rows",
       Pg ? "insert into qel_ahead_t select g, case when g % 3 = 0 then 'old' else 'row ' || g "
            "end from generate_series(1, 3500) g where g % 5 <> 0"
          : "insert into qel_ahead_t select seq, if(seq % 3 = 0, 'old', concat('row ', seq)) "
            "from seq_1_to_3500 where seq % 5 <> 0",
       3000 / 5 + (3000 - 3000 / 5) / 3 + 500 - 500 / 5},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Other.Exec("delete from qel_ahead_t");
    if (!C.Fill.empty()) Other.Exec(C.Fill);
    for (const bool Execute : {true, false}) {
      std::unique_ptr<TTableDataComparer> Owned = Comparer("qel_ahead_m", "qel_ahead_t", Execute);
      TTableDataComparer& Cmp = *Owned;
      ASSERT_TRUE(Cmp.CompareData());
      if (Execute) {
        EXPECT_EQ(Cmp.GetAppliedCount(), C.Changes);
        EXPECT_EQ(Cmp.GetUnknownCount(), 0);
      } else {
        EXPECT_EQ(Cmp.GetEqualCount(), 3000);
        EXPECT_EQ(Cmp.GetInsertedCount() + Cmp.GetUpdatedCount() + Cmp.GetDeletedCount(), 0);
      }
    }
  }
  for (const char* T : {"qel_ahead_m", "qel_ahead_t"}) Other.Exec(std::string("drop table ") + T);
}

INSTANTIATE_TEST_SUITE_P(Servers, RowsInBatches, ::testing::Values(&PgServer, &MyServer),
                         [](const ::testing::TestParamInfo<const TDbServer*>& I) {
                           return std::string(I.param->Title);
                         });

// ---------------------------------------------------------------------------------------------
// The PostgreSQL adapter's uni-directional reads, which the comparer relies on to keep its
// memory flat: blocks read through a cursor, statements and transactions of the caller on the
// same connection meanwhile, and two cursors read in turn.

class PGStreaming : public ::testing::Test {
 protected:
  void SetUp() override {
    Conn = std::make_unique<TServerConnection>(PgServer);
    const std::string Why = Conn->Connect();
    ASSERT_TRUE(Why.empty()) << Why;
    Conn->ExecIgnoringError("drop table qel_tdc_stream");
    Conn->Exec("create table qel_tdc_stream (id integer primary key, v varchar(40))");
    Conn->Exec("insert into qel_tdc_stream select g, 'value ' || g from generate_series(1, " +
               std::to_string(Rows) + ") g");
  }
  void TearDown() override {
    if (Conn) Conn->ExecIgnoringError("drop table qel_tdc_stream");
  }
  std::unique_ptr<TQELQuery> Reader(const std::string& Order = "id") {
    auto Q = Conn->Query();
    Q->UniDirectional = true;
    Q->SetSQLText("select id, v from qel_tdc_stream order by " + Order);
    Q->Open();
    return Q;
  }
  /// Reads N rows (or to the end), checking each against the expected id sequence.
  int ReadOn(TQELQuery& Q, int N, int& Expected, int Step) {
    int Read = 0;
    for (; Read < N && !Q.GetEof(); ++Read, Q.Next()) {
      const int Id = Q.Fields().Fields(0)->AsInteger();
      EXPECT_EQ(Id, Expected);
      EXPECT_EQ(Q.Fields().Fields(1)->AsString(), "value " + std::to_string(Id));
      if (Id != Expected) return Read;
      Expected += Step;
    }
    return Read;
  }

  static constexpr int Rows = 60000;
  std::unique_ptr<TServerConnection> Conn;
};

TEST_F(PGStreaming, ReadsEveryRowInBlocks) {
  auto Q = Reader();
  int Next = 1;
  EXPECT_EQ(ReadOn(*Q, Rows + 1, Next, 1), Rows);
  EXPECT_TRUE(Q->GetEof());
  EXPECT_LT(Q->RecordCount(), Rows);  // only the last block is held
  Q->Close();
  EXPECT_FALSE(Conn->C->InTransaction());
}

TEST_F(PGStreaming, CallersStatementsAndTransactionsWhileReading) {
  auto Q = Reader();
  int Next = 1;
  ReadOn(*Q, 25000, Next, 1);
  // A statement that fails costs only itself; one that succeeds stays.
  EXPECT_THROW(Conn->Exec("insert into qel_tdc_stream values (1, 'duplicate')"), EDatabaseError);
  Conn->Exec("insert into qel_tdc_stream values (" + std::to_string(Rows + 1) + ", 'kept')");
  EXPECT_FALSE(Conn->C->InTransaction());
  // The caller's transaction rolled back takes its statements with it, and only them.
  Conn->C->StartTransaction();
  EXPECT_TRUE(Conn->C->InTransaction());
  Conn->Exec("insert into qel_tdc_stream values (" + std::to_string(Rows + 2) + ", 'undone')");
  Conn->C->Rollback();
  EXPECT_FALSE(Conn->C->InTransaction());
  Conn->C->StartTransaction();
  Conn->Exec("update qel_tdc_stream set v = 'committed' where id = " + std::to_string(Rows + 1));
  Conn->C->Commit();
  EXPECT_EQ(ReadOn(*Q, Rows, Next, 1), Rows - 25000);
  Q.reset();  // an open cursor ends with its query
  EXPECT_FALSE(Conn->C->InTransaction());

  TServerConnection Other(PgServer);
  ASSERT_TRUE(Other.Connect().empty());
  EXPECT_EQ(Other.Column("select v from qel_tdc_stream where id > " + std::to_string(Rows) +
                         " order by id"),
            std::vector<std::string>{"committed"});
}

TEST_F(PGStreaming, TwoCursorsOnOneConnectionReadInTurn) {
  auto Up = Reader("id");
  auto Down = Reader("id desc");
  int NextUp = 1, NextDown = Rows;
  int Total = 0;
  while (!Up->GetEof() || !Down->GetEof()) {
    Total += ReadOn(*Up, 7000, NextUp, 1);
    Total += ReadOn(*Down, 3000, NextDown, -1);
    if (HasFailure()) break;
  }
  EXPECT_EQ(Total, 2 * Rows);
  Up->Close();
  EXPECT_EQ(Conn->Column("select count(*) from qel_tdc_stream"),
            std::vector<std::string>{std::to_string(Rows)});
}

// ---------------------------------------------------------------------------------------------
// The example program: `varnel datacompare --execute` makes a MariaDB table equal to its master,
// and a second run finds nothing left to do.

#ifdef QEL_VARNEL_PROGRAM
namespace {

/// Runs the command; its standard output and exit code.
std::pair<std::string, int> RunProgram(const std::string& Command) {
  std::string Out;
  FILE* P = popen((Command + " 2>&1").c_str(), "r");
  if (!P) return {"cannot run: " + Command, -1};
  char Buf[4096];
  while (std::size_t N = fread(Buf, 1, sizeof(Buf), P)) Out.append(Buf, N);
  const int Status = pclose(P);
  return {Out, WIFEXITED(Status) ? WEXITSTATUS(Status) : -1};
}

}  // namespace

TEST(VarnelDataCompare, ExecuteMakesAMariaDBTableEqualToItsMaster) {
  TServerConnection Conn(MyServer);
  ASSERT_TRUE(Conn.Connect().empty());
  const std::string TargetDb = "qel_tdc_cli";
  Conn.Exec("create database if not exists " + TargetDb);
  for (const std::string& Db : {Env("QEL_MY_DATABASE"), TargetDb}) {
    Conn.Exec("drop table if exists " + Db + ".qel_tdc_cli");
    Conn.Exec("create table " + Db +
              ".qel_tdc_cli (id integer primary key, name varchar(40), amount decimal(12,2), "
              "d datetime(6), b longblob)");
  }
  Conn.Exec("insert into " + Env("QEL_MY_DATABASE") +
            ".qel_tdc_cli values (1, 'O''Brien \\\\', 1.50, '2024-02-29 13:45:56.123456', "
            "x'00ff27'), (2, 'two', null, null, null), (4, 'four', 4, '2000-01-01', "
            "repeat('b', 1100000))");
  Conn.Exec("insert into " + TargetDb +
            ".qel_tdc_cli values (1, 'x', 1.5, '2024-02-29 13:45:56.123456', x'00'), "
            "(3, 'three', 3, null, null), (4, 'four', 4, '2000-01-01', repeat('b', 1100000))");
  const std::string Server = Env("QEL_MY_USER") + ":" + Env("QEL_MY_PASSWORD") + "@" +
                             Env("QEL_MY_HOST") + ":" + Env("QEL_MY_PORT") + "/";
  const std::string Command = std::string(QEL_VARNEL_PROGRAM) +
                              " datacompare --master-db mysql://" + Server +
                              Env("QEL_MY_DATABASE") + " --target-db mysql://" + Server + TargetDb +
                              " --table qel_tdc_cli --execute";
  auto [First, Code] = RunProgram(Command);
  EXPECT_EQ(Code, 0) << First;
  EXPECT_NE(First.find("Equal: 1, Inserted: 1, Updated: 1, Deleted: 1, All: 4."), std::string::npos)
      << First;
  auto [Second, Code2] = RunProgram(Command);
  EXPECT_EQ(Code2, 0) << Second;
  EXPECT_NE(Second.find("Inserted: 0, Updated: 0, Deleted: 0"), std::string::npos) << Second;
  const std::string Rows = "select concat_ws('|', id, name, amount, d, hex(b)) from ";
  EXPECT_EQ(Conn.Column(Rows + TargetDb + ".qel_tdc_cli order by id"),
            Conn.Column(Rows + Env("QEL_MY_DATABASE") + ".qel_tdc_cli order by id"));

  auto [Bad, Code3] = RunProgram(std::string(QEL_VARNEL_PROGRAM) + " datacompare --table x");
  EXPECT_EQ(Code3, 2) << Bad;
  Conn.Exec("drop database " + TargetDb);
  Conn.Exec("drop table qel_tdc_cli");
}
#endif

// ---------------------------------------------------------------------------------------------
// `varnel datacompare > fix.sql` on each server: a table named in quotes (on PostgreSQL in a
// schema too) with large binary values. Standard output is a script the server's own client
// runs as it stands (psql in one transaction, stopping at the first error), after which nothing
// is left to do; a side without the table is named, and a refused target changed nothing.

#ifdef QEL_VARNEL_PROGRAM
namespace {

struct TCliCase {
  const TDbServer* Server;
  const char* Table;   ///< as --table takes it
  const char* Name;    ///< as SQL names it
  const char* Create;  ///< the table, made on both sides
  const char* Rows;    ///< the master's rows
  const char* Client;  ///< runs a script file in the target database: %s stands for it
};

const TCliCase CliCases[] = {
    {&PgServer, "qel_dc.\"Items\"", "qel_dc.\"Items\"",
     "create schema if not exists qel_dc; create table qel_dc.\"Items\" (id integer primary key, "
     "b bytea, t text)",
     "insert into qel_dc.\"Items\" select g, decode(repeat('00ff27', 40000 * g), 'hex'), "
     "'it''s \\ ' || g from generate_series(1, 3) g",
     "PGPASSWORD=$QEL_PG_PASSWORD psql -X -q -1 -v ON_ERROR_STOP=1 -h $QEL_PG_HOST -p $QEL_PG_PORT "
     "-U "
     "$QEL_PG_USER -d %s -f"},
    {&MyServer, "\"Items\"", "Items",
     "create table Items (id integer primary key, b longblob, t longtext)",
     "insert into Items select seq, repeat(x'00ff27', 40000 * seq), concat('it''s \\\\ ', seq) "
     "from seq_1_to_3",
     "mariadb -h $QEL_MY_HOST -P $QEL_MY_PORT -u $QEL_MY_USER -p$QEL_MY_PASSWORD %s <"},
    {&FbServer, "\"Items\"", "\"Items\"",
     "create table \"Items\" (id integer not null primary key, b blob sub_type 0, t blob "
     "sub_type 1)",
     "insert into \"Items\" select 1, x'00ff27', 'it''s \\ 1' from rdb$database",
     "isql-fb -q -b -user $QEL_FB_USER -password $QEL_FB_PASSWORD $QEL_FB_HOST/$QEL_FB_PORT:%s -i"},
};

void PrintTo(const TCliCase& C, std::ostream* Os) {
  *Os << C.Server->Title;
}

class DataCompareCommand : public ::testing::TestWithParam<TCliCase> {};

}  // namespace

TEST_P(DataCompareCommand, StandardOutputIsAScriptTheServersClientRuns) {
  const TCliCase& K = GetParam();
  const TDbServer& S = *K.Server;
  const bool Fb = &S == &FbServer;
  const std::string P = S.Prefix;
  TServerConnection Master(S), Target(S);
  ASSERT_TRUE(Master.Connect().empty());
  // The target: a database of its own (Firebird: a file made here, which the server may write).
  const std::string TargetDb = Fb ? TempDir() + "qel_tdc_cli2.fdb" : "qel_tdc_cli2";
  ::chmod(TempDir().c_str(), 0777);
  std::remove(TargetDb.c_str());
  Master.ExecIgnoringError("drop database " + TargetDb);
  RunProgram(Fb ? "echo \"CREATE DATABASE '$QEL_FB_HOST/$QEL_FB_PORT:" + TargetDb +
                      "' USER '$QEL_FB_USER' PASSWORD '$QEL_FB_PASSWORD';\" | isql-fb -q -b"
                : "true");
  if (!Fb) Master.Exec("create database " + TargetDb);
  ASSERT_TRUE(Target.Configure().empty());
  Target.C->GetConnectionOptions().SetDatabaseName(TargetDb);
  Target.C->SetConnected(true);
  Master.ExecIgnoringError(std::string("drop table ") + K.Name);
  for (TServerConnection* C : {&Master, &Target})
    for (std::string Rest = K.Create; !Rest.empty();) {
      C->Exec(Rest.substr(0, Rest.find("; ")));
      Rest = Rest.find("; ") == std::string::npos ? "" : Rest.substr(Rest.find("; ") + 2);
    }
  Master.Exec(K.Rows);
  Target.Exec(std::string("insert into ") + K.Name + " (id, t) values (9, 'gone')");
  Target.C->SetConnected(false);  // Firebird drops a table no other attachment uses

  auto URI = [&](const std::string& Port, const std::string& Db) {
    return std::string(Fb                ? "firebird"
                       : &S == &PgServer ? "postgresql"
                                         : "mysql") +
           "://" + Env(P + "USER") + ":" + Env(P + "PASSWORD") + "@" + Env(P + "HOST") + ":" +
           Port + "/" + Db;
  };
  const std::string Run = std::string(QEL_VARNEL_PROGRAM) + " datacompare --master-db '" +
                          URI(Env(P + "PORT"), Env(P + "DATABASE")) + "' --table '" + K.Table +
                          "' --target-db ";
  const std::string Command = Run + "'" + URI(Env(P + "PORT"), TargetDb) + "'";
  const std::string Script = TempDir() + "fix_" + S.Title + ".sql";
  auto [Err, Code] = RunProgram("{ " + Command + " > " + Script + "; }");
  EXPECT_EQ(Code, 0) << Err;
  EXPECT_NE(Err.find(Fb ? "Inserted: 1, Updated: 0, Deleted: 1" : "Inserted: 3, Updated: 0"),
            std::string::npos)
      << Err;
  std::string Client = K.Client;
  auto [Ran, ClientCode] =
      RunProgram(Client.replace(Client.find("%s"), 2, TargetDb) + " " + Script);
  EXPECT_EQ(ClientCode, 0) << Ran;
  EXPECT_EQ(Ran.find("ERROR"), std::string::npos) << Ran;
  EXPECT_NE(RunProgram(Command).first.find("Updated: 0, Deleted: 0"), std::string::npos);

  // The side without the table is named; a target that refuses the connection changed nothing.
  Target.C->SetConnected(true);
  Target.Exec(std::string("drop table ") + K.Name);
  Target.C->SetConnected(false);
  EXPECT_NE(
      RunProgram(Command + " --execute").first.find("error: The target database has no table"),
      std::string::npos);
  auto [Refused, Code2] = RunProgram(Run + "'" + URI("1", TargetDb) + "' --execute");
  EXPECT_EQ(Code2, 1);
  EXPECT_NE(Refused.find("Not completed: nothing was changed on the target."), std::string::npos)
      << Refused;
  if (Fb)
    std::remove(TargetDb.c_str());
  else
    Master.Exec("drop database " + TargetDb);
}

INSTANTIATE_TEST_SUITE_P(Servers, DataCompareCommand, ::testing::ValuesIn(CliCases),
                         [](const ::testing::TestParamInfo<TCliCase>& I) {
                           return std::string(I.param.Server->Title);
                         });
#endif
