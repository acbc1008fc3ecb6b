// The PostgreSQL catalog extractor against a local PostgreSQL server: one extraction of a
// database of 2,000 tables with 20 columns each, a primary key, a unique key, a foreign key and
// an index per table, read through the libpq adapter as an ordinary user.
//
// The server is found through QEL_PG_HOST, QEL_PG_PORT, QEL_PG_USER, QEL_PG_PASSWORD and
// QEL_PG_DATABASE (see scripts/dbservers.sh env); the benchmark database (QEL_BENCH_PG_DATABASE,
// default qel_bench_pgx) is made there on the first run and kept for the next ones, so that
// bench/pg_extract_vs_pg_dump.sh can run pg_dump on the very same database. Times are of wall
// clock: the extraction waits on the server more than on the processor.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "Strings.h"
#include "qelConnection_PGDACDB.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"

namespace {

using namespace qel;

constexpr int TableCount = 2000;
constexpr int ColumnCount = 20;

std::string Env(const char* Name, const char* Default = "") {
  const char* V = std::getenv(Name);
  return V && *V ? V : Default;
}

std::string BenchDatabase() {
  return Env("QEL_BENCH_PG_DATABASE", "qel_bench_pgx");
}

/// A connection to Database on the server of QEL_PG_*; nullptr (with the reason in Error) when
/// it cannot be made.
std::unique_ptr<TQELConnection> Connect(const std::string& Database, std::string& Error) {
  auto C = std::make_unique<TQELConnection>(nullptr);
  C->SetConnectionType(cnPostgresDAC);
  C->SetDatabaseType(dbPostgreSQL);
  C->OnErrorMessage = [&Error](TObject*, const std::string& T) { Error = T; };
  TConnectionOptions& O = C->GetConnectionOptions();
  O.HostName = Env("QEL_PG_HOST");
  O.Port = std::atoi(Env("QEL_PG_PORT").c_str());
  O.UserName = Env("QEL_PG_USER");
  O.Password = Env("QEL_PG_PASSWORD");
  O.SetDatabaseName(Database);
  if (O.HostName.empty() || Database.empty()) {
    Error =
        "QEL_PG_HOST/PORT/USER/PASSWORD/DATABASE are not set (eval \"$(scripts/dbservers.sh "
        "env)\")";
    return nullptr;
  }
  C->SetConnected(true);
  if (!C->GetConnected()) return nullptr;
  C->OnErrorMessage = nullptr;
  return C;
}

void Exec(TQELConnection& C, const std::string& SQL) {
  std::unique_ptr<TQELQuery> Q(C.CreateQuery(nullptr));
  Q->SetParamCheck(false);
  Q->SetSQLText(SQL);
  Q->ExecSQL();
}

std::string First(TQELConnection& C, const std::string& SQL) {
  std::unique_ptr<TQELQuery> Q(C.CreateQuery(nullptr));
  Q->SetParamCheck(false);
  Q->SetSQLText(SQL);
  Q->Open();
  return Q->GetEof() ? std::string() : Q->GetFields()->Fields(0)->AsString();
}

/// The statements of table I: 20 columns of mixed types, a primary key, a unique key, a foreign
/// key to the table before it and an index.
std::string TableScript(int I) {
  const std::string T = "bench_t" + IntToStr(I);
  std::string S = "create table " + T + " (id integer primary key";
  static const char* const Types[] = {
      "integer", "bigint", "varchar(40)", "numeric(12,2)",   "text", "timestamp with time zone",
      "boolean", "date",   "char(3)",     "double precision"};
  for (int C = 1; C < ColumnCount; ++C) {
    S += ", c" + IntToStr(C) + " " + Types[C % 10];
    if (C == 1) S += " not null";
    if (C == 4) S += " default ''";
  }
  S += ", unique (c1, c2)";
  if (I > 0) S += ", foreign key (c1) references bench_t" + IntToStr(I - 1) + " (id)";
  S += ");\ncreate index " + T + "_c3 on " + T + " (c3);\n";
  return S;
}

/// Makes the benchmark database unless it is there with all its tables; the reason on failure.
std::string EnsureDatabase() {
  std::string Error;
  const std::string Name = BenchDatabase();
  auto Admin = Connect(Env("QEL_PG_DATABASE"), Error);
  if (!Admin) return Error;
  try {
    if (First(*Admin, "select count(*) from pg_database where datname = '" + Name + "'") == "1") {
      auto Db = Connect(Name, Error);
      if (Db && First(*Db,
                      "select count(*) from pg_class c join pg_namespace n on n.oid = "
                      "c.relnamespace where n.nspname = 'public' and c.relkind = 'r' and "
                      "c.relname like 'bench_t%'") == IntToStr(TableCount))
        return std::string();
      Db.reset();
      Exec(*Admin, "drop database " + Name);
    }
    Exec(*Admin, "create database " + Name);
    auto Db = Connect(Name, Error);
    if (!Db) return Error;
    std::string Script;
    for (int I = 0; I < TableCount; ++I) {
      Script += TableScript(I);
      if (I % 100 == 99) {
        Exec(*Db, "begin;\n" + Script + "commit;");
        Script.clear();
      }
    }
    if (!Script.empty()) Exec(*Db, "begin;\n" + Script + "commit;");
    Exec(*Db, "analyze");
  } catch (const std::exception& E) {
    return E.what();
  }
  return std::string();
}

void BM_PGExtract(benchmark::State& State) {
  const std::string Failure = EnsureDatabase();
  if (!Failure.empty()) {
    State.SkipWithError(Failure.c_str());
    return;
  }
  TQELConnection C{nullptr};
  C.SetConnectionType(cnPostgresDAC);
  C.SetDatabaseType(dbPostgreSQL);
  TConnectionOptions& O = C.GetConnectionOptions();
  O.HostName = Env("QEL_PG_HOST");
  O.Port = std::atoi(Env("QEL_PG_PORT").c_str());
  O.UserName = Env("QEL_PG_USER");
  O.Password = Env("QEL_PG_PASSWORD");
  O.SetDatabaseName(BenchDatabase());
  TDBStructure Holder{nullptr};
  TPGDBExtract Ex{nullptr};
  Ex.SetConnection(&C);
  Ex.SetDBStructure(&Holder);
  Ex.ShowFullLog = false;
  std::string Error;
  Ex.SetOnErrorMessage([&Error](TObject*, const std::string& T) { Error = T; });
  for (auto _ : State) {
    if (!Ex.ExtractDatabase()) {
      State.SkipWithError(Error.c_str());
      return;
    }
  }
  if (Holder.GetMetadata()->Tables.Count() != TableCount) {
    State.SkipWithError("the extraction did not read every table");
    return;
  }
  State.SetItemsProcessed(State.iterations() * TableCount);
  State.counters["tables"] = TableCount;
  State.counters["columns"] = TableCount * ColumnCount;
}
BENCHMARK(BM_PGExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
