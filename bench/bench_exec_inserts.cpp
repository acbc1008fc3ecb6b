// The script executor against a local PostgreSQL server: 10,000 small INSERT statements per
// run, through the PostgreSQL adapter. The server is found through QEL_PG_HOST, QEL_PG_PORT,
// QEL_PG_USER, QEL_PG_PASSWORD and QEL_PG_DATABASE (see scripts/dbservers.sh env).
//
// Two runs of the same statements:
//   data   as data-script statements (stInsert): one transaction for the whole run, committed
//          at its end, each statement read for parameters;
//   plain  as plain statements (stStatement): each in a transaction of its own.
// Rates are of wall-clock time: the run waits on the server, not on the processor.
// With QEL_EXEC_SCRIPT set to a file name, the script text of the list (GetScript) is written
// there, so that bench/exec_vs_psql.sh can run psql on the very same file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "Strings.h"
#include "bench_util.h"
#include "qelSQL_Exec.h"

namespace {

using namespace qel;
using namespace qel::bench;

constexpr int StatementCount = 10000;
constexpr const char* TableName = "qel_bench_exec";

std::int64_t CountRows(TQELConnection& C) {
  std::unique_ptr<TQELQuery> Q(C.CreateQuery(nullptr));
  Q->SetSQLText(std::string("SELECT count(*) FROM ") + TableName);
  Q->Open();
  return Q->GetFields()->Fields(0)->AsLargeInt();
}

void FillInserts(TSQLExec& E, TStatType Type) {
  E.Clear();
  for (int I = 0; I < StatementCount; ++I)
    E.Add("INSERT INTO " + std::string(TableName) + " (id, v) VALUES (" + IntToStr(I) +
              ", 'value " + IntToStr(I) + "')",
          Type, TableName, dboTable, odbInsert);
}

void RunInserts(benchmark::State& State, TStatType Type) {
  std::string Error;
  auto C = PGConnect(Error);
  if (!C) {
    State.SkipWithError(("Cannot connect to PostgreSQL: " + Error).c_str());
    return;
  }
  Exec(*C, std::string("DROP TABLE IF EXISTS ") + TableName);
  Exec(*C, std::string("CREATE TABLE ") + TableName + " (id integer PRIMARY KEY, v varchar(40))");

  TSQLExec E(nullptr);
  E.DatabaseType = dbPostgreSQL;
  E.SetConnection(C.get());
  FillInserts(E, Type);
  const std::string ScriptFile = Env("QEL_EXEC_SCRIPT");
  if (!ScriptFile.empty() && Type == stInsert) {
    TStringList Script;
    E.GetScript(Script, false);
    Script.SaveToFile(ScriptFile);
  }

  for (auto _ : State) {
    State.PauseTiming();
    Exec(*C, std::string("TRUNCATE ") + TableName);
    State.ResumeTiming();
    if (!E.ExecuteScript()) {
      State.SkipWithError(("The run failed: " + E.MsgManager.ErrSummary()).c_str());
      break;
    }
    State.PauseTiming();
    const std::int64_t Rows = CountRows(*C);
    State.ResumeTiming();
    if (Rows != StatementCount) {
      State.SkipWithError(("The run stored " + IntToStr(Rows) + " rows").c_str());
      break;
    }
  }
  State.SetItemsProcessed(State.iterations() * StatementCount);
  State.counters["statements"] = StatementCount;
  // The table stays for exec_vs_psql.sh, which runs psql on the same script next.
  Exec(*C, std::string("TRUNCATE ") + TableName);
}

void BM_ExecInserts_Data(benchmark::State& State) {
  RunInserts(State, stInsert);
}
void BM_ExecInserts_Plain(benchmark::State& State) {
  RunInserts(State, stStatement);
}

BENCHMARK(BM_ExecInserts_Data)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExecInserts_Plain)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
