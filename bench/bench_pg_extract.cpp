// The PostgreSQL catalog extractor against a local PostgreSQL server, read through the libpq
// adapter as an ordinary user, on two databases of 2,000 tables each. Every table has 20
// columns (one typed by a domain), a primary key, a unique key, a foreign key, an index, a
// PL/pgSQL trigger function of its own and a row trigger calling it; every twentieth table has
// a view, and ten domains type the columns. The target database differs from the master in 1%
// of its tables (a column more, a function body, a trigger's events, an index less).
//
//   BM_PGExtract                   one extraction of the master database
//   BM_PGExtractTarget             one extraction of the target database
//   BM_PGCompareDatabases          both extractions, the comparison and the update script as
//                                  text (the master's catalog read on a second connection
//                                  while the target's is read)
//   BM_PGCompareDatabasesSerial    the same with the master read after the target (a connect
//                                  handler on the master's connection rules the second
//                                  connection out), as every comparison did before
//   BM_PGExtractAndCompareDatabases  the comparison in one call
//
// The server is found through QEL_PG_HOST, QEL_PG_PORT, QEL_PG_USER, QEL_PG_PASSWORD and
// QEL_PG_DATABASE (see scripts/dbservers.sh env); the benchmark databases
// (QEL_BENCH_PG_DATABASE, default qel_bench_pgx, and the same name with "_target") are made
// there on the first run and kept for the next ones, so that bench/pg_extract_vs_pg_dump.sh can
// run pg_dump on the very same databases. QEL_BENCH_PG_TABLES sets the number of tables of
// each (2,000 by default); a database of another number of tables is made anew, so each size
// wants a name of its own. Times are of wall clock: the extraction waits on the server more
// than on the processor.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "Strings.h"
#include "bench_util.h"
#include "qelConnection_PGDACDB.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"
#include "qelVarnel.h"

namespace {

using namespace qel;

/// QEL_BENCH_PG_TABLES, 2,000 when unset or not a positive number.
int TablesWanted() {
  const int N = std::atoi(bench::Env("QEL_BENCH_PG_TABLES").c_str());
  return N > 0 ? N : 2000;
}
const int TableCount = TablesWanted();
constexpr int ColumnCount = 20;
constexpr int DomainCount = 10;
constexpr int ViewEvery = 20;

std::string BenchDatabase(bool Target) {
  const std::string Name = bench::Env("QEL_BENCH_PG_DATABASE");
  return (Name.empty() ? std::string("qel_bench_pgx") : Name) + (Target ? "_target" : "");
}

/// The ten domains the columns use.
std::string DomainScript() {
  std::string S;
  for (int D = 0; D < DomainCount; ++D)
    S += "create domain bench_money" + IntToStr(D) + " as numeric(12, 2) not null default " +
         IntToStr(D) + " check (value >= 0);\n";
  return S;
}

/// The statements of table I on one side: 20 columns of mixed types (one of a domain), a
/// primary key, a unique key, a foreign key to the table before it, an index, a trigger
/// function with its trigger, and every twentieth table a view. Every hundredth table (from the
/// 50th) differs between the sides, by one of four changes in turn.
std::string TableScript(int I, bool Target) {
  const std::string T = "bench_t" + IntToStr(I);
  const bool Changed = Target && I % 100 == 50;
  const int Change = (I / 100) % 4;
  std::string S = "create table " + T + " (id integer primary key";
  static const char* const Types[] = {
      "integer", "bigint", "varchar(40)", "numeric(12,2)",   "text", "timestamp with time zone",
      "boolean", "date",   "char(3)",     "double precision"};
  for (int C = 1; C < ColumnCount; ++C) {
    S += ", c" + IntToStr(C) + " ";
    S += C == 3 ? "bench_money" + IntToStr(I % DomainCount) : std::string(Types[C % 10]);
    if (C == 1) S += " not null";
    if (C == 4) S += " default ''";
  }
  if (Changed && Change == 0) S += ", legacy integer";
  S += ", unique (c1, c2)";
  if (I > 0) S += ", foreign key (c1) references bench_t" + IntToStr(I - 1) + " (id)";
  S += ");\n";
  if (!(Changed && Change == 1)) S += "create index " + T + "_c3 on " + T + " (c3);\n";
  S += "create function " + T +
       "_stamp() returns trigger language plpgsql as $$\nbegin\n  new.c5 := " +
       (Changed && Change == 2 ? "current_timestamp" : "now()") + ";\n  return new;\nend\n$$;\n";
  S += "create trigger " + T + "_stamp before " +
       (Changed && Change == 3 ? "insert" : "insert or update") + " on " + T +
       " for each row execute function " + T + "_stamp();\n";
  if (I % ViewEvery == 0)
    S += "create view " + T + "_v as select id, c1, c2, c3 from " + T + " where c6;\n";
  return S;
}

/// Makes the benchmark database of one side unless it is there with all its tables and
/// triggers; the reason on failure.
std::string EnsureDatabase(bool Target) {
  std::string Error;
  const std::string Name = BenchDatabase(Target);
  auto Admin = bench::PGConnect(Error);
  if (!Admin) return Error;
  try {
    if (bench::Scalar(*Admin, "select count(*) from pg_database where datname = '" + Name + "'") ==
        "1") {
      auto Db = bench::PGConnect(Error, Name);
      if (Db &&
          bench::Scalar(*Db,
                        "select count(*) from pg_class c join pg_namespace n on n.oid = "
                        "c.relnamespace where n.nspname = 'public' and c.relkind = 'r' and "
                        "c.relname like 'bench_t%'") == IntToStr(TableCount) &&
          bench::Scalar(*Db, "select count(*) from pg_trigger where tgname like 'bench_t%'") ==
              IntToStr(TableCount))
        return std::string();
      Db.reset();
      bench::Exec(*Admin, "drop database " + Name);
    }
    bench::Exec(*Admin, "create database " + Name);
    auto Db = bench::PGConnect(Error, Name);
    if (!Db) return Error;
    std::string Script = DomainScript();
    for (int I = 0; I < TableCount; ++I) {
      Script += TableScript(I, Target);
      if (I % 100 == 99) {
        bench::Exec(*Db, "begin;\n" + Script + "commit;");
        Script.clear();
      }
    }
    if (!Script.empty()) bench::Exec(*Db, "begin;\n" + Script + "commit;");
    bench::Exec(*Db, "analyze");
  } catch (const std::exception& E) {
    return E.what();
  }
  return std::string();
}

/// A connection (not connected) to the benchmark database of one side.
void Configure(TQELConnection& C, bool Target) {
  C.SetConnectionType(cnPostgresDAC);
  C.SetDatabaseType(dbPostgreSQL);
  bench::SetPGOptions(C.GetConnectionOptions(), BenchDatabase(Target));
}

/// Whether a read holds every table, function and trigger of a side.
bool ReadsAll(TDBStructure& Holder) {
  const TObjs& O = *Holder.GetMetadata();
  return O.Tables.Count() == TableCount && O.Procedures.Count() == TableCount &&
         O.Triggers.Count() == TableCount;
}

void ExtractOneSide(benchmark::State& State, bool Target) {
  const std::string Failure = EnsureDatabase(Target);
  if (!Failure.empty()) {
    State.SkipWithError(Failure.c_str());
    return;
  }
  TQELConnection C{nullptr};
  Configure(C, Target);
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
  const TObjs& O = *Holder.GetMetadata();
  State.counters["tables"] = O.Tables.Count();
  State.counters["functions"] = O.Procedures.Count();
  State.counters["triggers"] = O.Triggers.Count();
  State.counters["views"] = O.Views.Count();
  State.counters["domains"] = O.Domains.Count();
  if (O.Tables.Count() != TableCount) {
    State.SkipWithError("the extraction did not read every table");
    return;
  }
  State.SetItemsProcessed(State.iterations() * TableCount);
}

void BM_PGExtract(benchmark::State& State) {
  ExtractOneSide(State, false);
}
BENCHMARK(BM_PGExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PGExtractTarget(benchmark::State& State) {
  ExtractOneSide(State, true);
}
BENCHMARK(BM_PGExtractTarget)->Unit(benchmark::kMillisecond)->UseRealTime();

/// One comparison of the two databases per iteration: in two steps (ExtractDatabases, then
/// CompareDatabases, as a host that looks at the schemas in between calls them) or in one
/// (ExtractAndCompareDatabases). Serial: the master is read after the target.
void CompareDatabases(benchmark::State& State, bool OneCall, bool Serial = false) {
  for (const bool Target : {false, true}) {
    const std::string Failure = EnsureDatabase(Target);
    if (!Failure.empty()) {
      State.SkipWithError(Failure.c_str());
      return;
    }
  }
  TQELConnection MC{nullptr}, TC{nullptr};
  Configure(MC, false);
  Configure(TC, true);
  // Host code that runs when the master's connection opens must run as it always did: on it.
  if (Serial) MC.OnAfterConnect = [](TObject*) {};
  std::size_t Bytes = 0;
  // Where the time goes, summed over the iterations: both extractions, the comparison (in two
  // steps only), and the script as text.
  using TClock = std::chrono::steady_clock;
  double ExtractMs = 0, CompareMs = 0, TextMs = 0;
  auto Since = [](TClock::time_point T) {
    return std::chrono::duration<double, std::milli>(TClock::now() - T).count();
  };
  // One comparer over two holders, set up once, as the single extractions keep one holder: each
  // run clears what the one before read, and the holders are freed outside the timing.
  TDBStructure MH{nullptr}, TH{nullptr};
  TPGDBExtract Master{nullptr}, Target{nullptr};
  Master.SetConnection(&MC);
  Target.SetConnection(&TC);
  TVarnel V{nullptr};
  std::string Error;
  V.OnErrorMessage = [&Error](TObject*, const std::string& T) {
    if (Error.empty()) Error = T;
  };
  V.SetDBMaster(&MH);
  V.SetDBTarget(&TH);
  V.SetExtractorMaster(&Master);
  V.SetExtractorTarget(&Target);
  // As the single extractions run: no log line per object.
  V.SetShowFullLog(false);
  for (auto _ : State) {
    auto T0 = TClock::now();
    bool Done = false;
    if (OneCall) {
      Done = V.ExtractAndCompareDatabases();
    } else {
      const bool Extracted = V.ExtractDatabases();
      ExtractMs += Since(T0);
      T0 = TClock::now();
      Done = Extracted && V.CompareDatabases();
    }
    if (!Done || !V.GetSQLExec()) {
      State.SkipWithError(Error.empty() ? "the comparison failed" : Error.c_str());
      return;
    }
    CompareMs += Since(T0);
    T0 = TClock::now();
    TStringList Lines;
    V.GetSQLExec()->GetScript(Lines, false);
    const std::string Text = Lines.GetText();
    TextMs += Since(T0);
    Bytes = Text.size();
    if (!ReadsAll(MH) || !ReadsAll(TH)) State.counters["incomplete_read"] = 1;
    benchmark::DoNotOptimize(Text.data());
  }
  const double N = static_cast<double>(State.iterations());
  if (!OneCall) {
    State.counters["extract_ms"] = ExtractMs / N;
    State.counters["compare_ms"] = CompareMs / N;
  }
  State.counters["script_ms"] = TextMs / N;
  State.counters["script_bytes"] = static_cast<double>(Bytes);
  State.SetItemsProcessed(State.iterations() * TableCount * 2);
}
void BM_PGCompareDatabases(benchmark::State& State) {
  CompareDatabases(State, false);
}
BENCHMARK(BM_PGCompareDatabases)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PGCompareDatabasesSerial(benchmark::State& State) {
  CompareDatabases(State, false, true);
}
BENCHMARK(BM_PGCompareDatabasesSerial)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PGExtractAndCompareDatabases(benchmark::State& State) {
  CompareDatabases(State, true);
}
BENCHMARK(BM_PGExtractAndCompareDatabases)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
