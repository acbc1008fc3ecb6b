// The table data comparer against a local PostgreSQL server: two tables of QEL_BENCH_ROWS rows
// (default 1,000,000) that differ in 1% of their rows (0.4% changed, 0.3% missing, 0.3% extra),
// compared in script mode: both tables read ordered by key, merged, and the statements written
// to a script file. The server is found through QEL_PG_HOST, QEL_PG_PORT, QEL_PG_USER,
// QEL_PG_PASSWORD and QEL_PG_DATABASE (see scripts/dbservers.sh env).
//
// The tables are made once (kept for later runs with the same row count). Counters: rows/s
// (rows of both tables per second of wall-clock time) and the peak resident memory of the
// process. bench/table_data_vs_copy.sh sets these next to psql's COPY of both tables.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench_util.h"
#include "qelTableDataComparer.h"

namespace {

using namespace qel;
using namespace qel::bench;

std::int64_t Rows() {
  const std::int64_t N = std::atoll(Env("QEL_BENCH_ROWS").c_str());
  return N > 0 ? N : 1000000;
}

/// Makes qel_bench_dm and qel_bench_dt with N rows unless they are there already.
void MakeTables(TQELConnection& C, std::int64_t N) {
  const std::string Count = std::to_string(N);
  if (Scalar(C, "select pg_catalog.obj_description(pg_catalog.to_regclass('qel_bench_dm'))") ==
      Count)
    return;
  const std::string Columns =
      "(id integer primary key, name varchar(40), amount numeric(12,2), created timestamp, "
      "flag boolean)";
  const std::string Fill =
      " select g, 'name ' || g, (g % 100000) / 100.0, timestamp '2020-01-01 00:00:00.25' + g * "
      "interval '1 second', g % 2 = 0 from generate_series(1, " +
      Count + ") g";
  Exec(C, "drop table if exists qel_bench_dm");
  Exec(C, "drop table if exists qel_bench_dt");
  Exec(C, "create table qel_bench_dm " + Columns);
  Exec(C, "create table qel_bench_dt " + Columns);
  Exec(C, "insert into qel_bench_dm" + Fill);
  Exec(C, "insert into qel_bench_dt" + Fill);
  // 1% of the rows differ: 0.4% changed, 0.3% missing from the target, 0.3% only there.
  Exec(C,
       "update qel_bench_dt set name = name || ' changed', amount = amount + 1 where id % 250 "
       "= 0");
  Exec(C, "delete from qel_bench_dt where id % 333 = 1");
  Exec(C,
       "insert into qel_bench_dt select g, 'extra ' || g, 1, null, null from "
       "generate_series(" +
           std::to_string(N + 1) + ", " + std::to_string(N + N * 3 / 1000) + ") g");
  Exec(C, "vacuum analyze qel_bench_dm");
  Exec(C, "vacuum analyze qel_bench_dt");
  Exec(C, "comment on table qel_bench_dm is '" + Count + "'");
}

double PeakRSSMiB() {
  rusage U{};
  getrusage(RUSAGE_SELF, &U);
  return static_cast<double>(U.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void BM_TableDataScript(benchmark::State& State) {
  std::string Error;
  auto Setup = PGConnection(Error);
  if (Error.empty()) Setup->SetConnected(true);
  if (!Error.empty() || !Setup->GetConnected()) {
    State.SkipWithError(Error.c_str());
    return;
  }
  const std::int64_t N = Rows();
  MakeTables(*Setup, N);
  const std::int64_t RowsBoth =
      std::atoll(Scalar(*Setup,
                        "select (select count(*) from qel_bench_dm) + (select count(*) "
                        "from qel_bench_dt)")
                     .c_str());
  Setup->SetConnected(false);

  auto Master = PGConnection(Error);
  auto Target = PGConnection(Error);
  TTableDataComparer Cmp(nullptr);
  Cmp.SetQELConnectionMaster(Master.get());
  Cmp.SetQELConnectionTarget(Target.get());
  Cmp.SetTableNameMaster("qel_bench_dm");
  Cmp.SetTableNameTarget("qel_bench_dt");
  Cmp.GetTableOptionsMaster().GetKeyFields().Add("id");
  Cmp.GetTableOptionsTarget().GetKeyFields().Add("id");
  const std::string Script =
      Env("QEL_BENCH_SCRIPT").empty() ? "/tmp/qel_bench_table_data.sql" : Env("QEL_BENCH_SCRIPT");
  Cmp.SetScriptFileName(Script);
  std::string Summary;
  Cmp.OnErrorMessage = [&Error](TObject*, const std::string& T) { Error = T; };
  Cmp.OnLogNextLine = [&Summary](TObject*, const std::string& T) {
    if (T.rfind("Equal: ", 0) == 0) Summary = T;
  };
  for (auto _ : State) {
    if (!Cmp.CompareData() || !Error.empty()) {
      State.SkipWithError(Error.c_str());
      return;
    }
  }
  State.SetItemsProcessed(State.iterations() * RowsBoth);
  State.counters["rows"] = static_cast<double>(RowsBoth);
  State.counters["peak_rss_MiB"] = PeakRSSMiB();
  State.counters["statements"] =
      Cmp.GetInsertedCount() + Cmp.GetUpdatedCount() + Cmp.GetDeletedCount();
  State.SetLabel(Summary);
}
BENCHMARK(BM_TableDataScript)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
