// Pairing and comparing two schemas: master and target of N tables with 20 columns each, built
// in code, 1% of the tables changed (a column added, a column dropped, or the table replaced by
// another). BM_Compare times a whole CompareDatabases (pairing, marks, table comparison, header
// and every pass) on the same two schemas; BM_Pair the pairing and marking alone. Peak memory is
// the process's resident peak (getrusage ru_maxrss) after the run, schemas included; the sizes
// run in increasing order, so each figure is that size's peak. 2,000 tables are there to show
// where the schemas stop fitting the caches: from there on the time per table stays flat.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <memory>
#include <string>

#include "qelDBStructure.h"
#include "qelVarnel.h"

namespace {

using namespace qel;

constexpr int ColumnsPerTable = 20;

std::string Name(const char* Prefix, int I) {
  char Buf[32];
  std::snprintf(Buf, sizeof Buf, "%s%06d", Prefix, I);
  return Buf;
}

void AddTable(TObjs& Objs, const std::string& TableName, int Columns, int SkipColumn = -1) {
  auto* T = new TTblData(&Objs);
  T->SetObjName(TableName);
  for (int C = 0; C < Columns; ++C) {
    if (C == SkipColumn) continue;
    auto F = std::make_unique<TFldData>(&Objs);
    F->SetObjName(Name("COL_", C));
    F->FieldType = C % 3 == 0 ? iftInteger : C % 3 == 1 ? iftVarchar : iftNumeric;
    F->Size = F->FieldType == iftVarchar ? 40 : 0;
    F->Precision = F->FieldType == iftNumeric ? 12 : 0;
    F->Scale = F->FieldType == iftNumeric ? 2 : 0;
    F->Nullable = C != 0;
    F->TableName = TableName;
    F->OwnerObj = T;
    F->Position = T->Fields.Count();
    T->Fields.Add(std::move(F));
  }
  Objs.AddObj(T);
}

/// Master and target of N tables; every hundredth table differs, by one of three changes.
struct TSchemas {
  explicit TSchemas(int N) {
    for (TDBStructure* H : {&MH, &TH}) H->SetDatabaseType(dbPostgreSQL);
    TObjs& M = *MH.GetMetadata();
    TObjs& T = *TH.GetMetadata();
    for (int I = 0; I < N; ++I) {
      const std::string TableName = Name("TBL_", I);
      if (I % 100 != 0) {
        AddTable(M, TableName, ColumnsPerTable);
        AddTable(T, TableName, ColumnsPerTable);
        continue;
      }
      switch ((I / 100) % 3) {
        case 0:  // a new column in the master
          AddTable(M, TableName, ColumnsPerTable);
          AddTable(T, TableName, ColumnsPerTable, ColumnsPerTable - 1);
          break;
        case 1:  // a column the master dropped
          AddTable(M, TableName, ColumnsPerTable, 7);
          AddTable(T, TableName, ColumnsPerTable);
          break;
        default:  // the table replaced by another
          AddTable(M, Name("NEW_", I), ColumnsPerTable);
          AddTable(T, TableName, ColumnsPerTable);
          break;
      }
    }
    V.SetDBMaster(&MH);
    V.SetDBTarget(&TH);
    V.DatabaseType = dbPostgreSQL;
  }
  TDBStructure MH{nullptr};
  TDBStructure TH{nullptr};
  TVarnel V{nullptr};
};

double PeakRssMiB() {
  rusage U{};
  getrusage(RUSAGE_SELF, &U);
  return static_cast<double>(U.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void BM_Compare(benchmark::State& State) {
  TSchemas S(static_cast<int>(State.range(0)));
  int Statements = 0;
  for (auto _ : State) {
    S.V.CompareDatabases();
    Statements = S.V.GetSQLExec()->GetStatementsCount();
  }
  State.counters["tables"] = static_cast<double>(State.range(0));
  State.counters["statements"] = Statements;
  State.counters["peak_rss_MiB"] = PeakRssMiB();
  State.counters["s_per_table"] = benchmark::Counter(
      static_cast<double>(State.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Compare)->Arg(1000)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Pair(benchmark::State& State) {
  TSchemas S(static_cast<int>(State.range(0)));
  for (auto _ : State) {
    S.V.LinkRefs();
    S.V.SetObjsCreated();
  }
  State.counters["peak_rss_MiB"] = PeakRssMiB();
  State.counters["s_per_table"] = benchmark::Counter(
      static_cast<double>(State.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Pair)->Arg(1000)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
