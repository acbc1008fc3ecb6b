// How the work grows with the size of the input, where it once grew with its square:
//
//   BM_CheckAndTerms/N     a PostgreSQL CHECK of N terms joined by AND, read into the normal form
//                          the comparison uses (PGConditionKey)
//   BM_CheckSumTerms/N     a CHECK of one sum of N terms ("a + a + ... > 0")
//   BM_ReadPGSchema/N      N tables with an index and a foreign key each, the keys added by
//   BM_ReadMySQLSchema/N   CREATE INDEX and ALTER TABLE after all the tables: the same script
//                          read by the PostgreSQL and the MySQL script extractor
//
// Each reports the complexity Google Benchmark fits to its sizes (expected: N).
#include <benchmark/benchmark.h>

#include <string>

#include "Strings.h"
#include "qelComp_Ctr.h"
#include "qelDBStructure.h"
#include "qelMySQLScriptExtract.h"
#include "qelPGScriptExtract.h"

namespace {

using namespace qel;

std::string AndTerms(int N) {
  std::string S;
  for (int I = 0; I < N; ++I)
    S += (I ? " AND " : "") + std::string("c") + std::to_string(I) + " > " + std::to_string(I);
  return S;
}

std::string SumTerms(int N) {
  std::string S = "a";
  for (int I = 1; I < N; ++I) S += " + a";
  return S + " > 0";
}

void Condition(benchmark::State& State, std::string (*Make)(int)) {
  const std::string Text = Make(static_cast<int>(State.range(0)));
  for (auto _ : State) benchmark::DoNotOptimize(PGConditionKey(Text));
  State.SetComplexityN(State.range(0));
}

void BM_CheckAndTerms(benchmark::State& State) {
  Condition(State, AndTerms);
}
BENCHMARK(BM_CheckAndTerms)
    ->RangeMultiplier(2)
    ->Range(5000, 80000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_CheckSumTerms(benchmark::State& State) {
  Condition(State, SumTerms);
}
BENCHMARK(BM_CheckSumTerms)
    ->RangeMultiplier(2)
    ->Range(5000, 80000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

/// N tables, then an index and a foreign key for each by statements of their own: a script in
/// the form both dialects read.
std::string Schema(int N) {
  std::string S;
  for (int I = 0; I < N; ++I)
    S += "CREATE TABLE t" + std::to_string(I) +
         " (id integer NOT NULL, ref integer, code varchar(20), PRIMARY KEY (id));\n";
  for (int I = 0; I < N; ++I) {
    const std::string T = "t" + std::to_string(I);
    S += "CREATE INDEX ix" + std::to_string(I) + " ON " + T + " (code);\n";
    if (I > 0)
      S += "ALTER TABLE " + T + " ADD CONSTRAINT fk" + std::to_string(I) +
           " FOREIGN KEY (ref) REFERENCES t" + std::to_string(I - 1) + " (id);\n";
  }
  return S;
}

template <class TExtract>
void ReadSchema(benchmark::State& State) {
  TStringList Lines;
  Lines.SetText(Schema(static_cast<int>(State.range(0))));
  for (auto _ : State) {
    TDBStructure Holder(nullptr);
    TExtract Extract(nullptr);
    Extract.SetDBStructure(&Holder);
    Extract.SetScriptFileName("schema.sql");
    Extract.SetOnErrorMessage([](TObject*, const std::string&) {});
    if (!Extract.ExtractDatabase(Lines)) State.SkipWithError("the script did not read");
    benchmark::DoNotOptimize(Holder.GetMetadata());
  }
  State.SetComplexityN(State.range(0));
}

void BM_ReadPGSchema(benchmark::State& State) {
  ReadSchema<TPGScriptExtract>(State);
}
BENCHMARK(BM_ReadPGSchema)
    ->RangeMultiplier(2)
    ->Range(1500, 12000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_ReadMySQLSchema(benchmark::State& State) {
  ReadSchema<TMySQLScriptExtract>(State);
}
BENCHMARK(BM_ReadMySQLSchema)
    ->RangeMultiplier(2)
    ->Range(1500, 12000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
