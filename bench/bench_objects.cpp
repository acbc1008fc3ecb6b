// Filing and finding schema objects: a collection receives N objects in scrambled name order
// (half tables with four columns, three tenths views reading two tables and one of their
// columns, a fifth procedures using a view), each dependency found by name as a script reader
// would, then every object is found once by name. Run for several N, the time per object shows
// whether filing and finding grow as n log n.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "qelCompObj.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Viw.h"

namespace {

using namespace qel;

/// Names in scrambled order: a multiplicative permutation of 0..N-1, written in hex.
std::vector<std::string> ScrambledNames(const char* Prefix, std::size_t N) {
  std::vector<std::string> Names;
  Names.reserve(N);
  const std::uint64_t Step = 2654435761u;  // odd, so coprime to every power of two
  std::uint64_t Modulus = 1;
  while (Modulus < N) Modulus <<= 1;
  for (std::uint64_t I = 0; Names.size() < N; ++I) {
    const std::uint64_t K = (I * Step) & (Modulus - 1);
    if (K < N) {
      char Buf[32];
      std::snprintf(Buf, sizeof Buf, "%s%06llX", Prefix, static_cast<unsigned long long>(K));
      Names.emplace_back(Buf);
    }
  }
  return Names;
}

void FileAndFind(benchmark::State& State, TDatabaseType DB) {
  const auto N = static_cast<std::size_t>(State.range(0));
  const std::size_t NTables = N / 2, NViews = N * 3 / 10, NProcs = N - NTables - NViews;
  const auto TableNames = ScrambledNames("TBL_", NTables);
  const auto ViewNames = ScrambledNames("VIW_", NViews);
  const auto ProcNames = ScrambledNames("PRC_", NProcs);
  std::size_t Found = 0;

  for (auto _ : State) {
    TObjs Objs;
    Objs.SetDatabaseType(DB);
    for (const std::string& Name : TableNames) {
      auto* T = new TTblData(&Objs);
      T->SetObjName(Name);
      for (const char* Col : {"ID", "NAME", "AMOUNT", "CREATED"}) {
        auto F = std::make_unique<TFldData>(&Objs);
        F->SetObjName(Col);
        F->TableName = Name;
        F->OwnerObj = T;
        T->Fields.Add(std::move(F));
      }
      Objs.AddObj(T);
    }
    for (std::size_t I = 0; I < NViews; ++I) {
      auto* V = new TViwData(&Objs);
      V->SetObjName(ViewNames[I]);
      Objs.AddObj(V);
      TTblData* A = Objs.GetTable(TableNames[(I * 7) % NTables]);
      TTblData* B = Objs.GetTable(TableNames[(I * 13 + 1) % NTables]);
      Objs.LinkDepend(V, A);
      Objs.LinkDepend(V, B);
      Objs.LinkDepend(V, A, "AMOUNT");
    }
    for (std::size_t I = 0; I < NProcs; ++I) {
      auto* P = new TPrcData(&Objs);
      P->SetObjName(ProcNames[I]);
      Objs.AddObj(P);
      Objs.LinkDepend(P, Objs.GetView(ViewNames[(I * 11) % NViews]));
    }
    // Find every object once, in an order unrelated to the filing order.
    for (std::size_t I = NTables; I-- > 0;) Found += Objs.GetTable(TableNames[I]) != nullptr;
    for (std::size_t I = NViews; I-- > 0;) Found += Objs.GetView(ViewNames[I]) != nullptr;
    for (std::size_t I = NProcs; I-- > 0;) Found += Objs.GetProcedure(ProcNames[I]) != nullptr;
    benchmark::DoNotOptimize(Found);
  }
  State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations() * N));
  State.SetComplexityN(static_cast<std::int64_t>(N));
  if (Found != State.iterations() * N) State.SkipWithError("an object was not found");
}

void BM_FileAndFind_CaseSensitive(benchmark::State& State) {
  FileAndFind(State, dbInterBase);
}
void BM_FileAndFind_CaseInsensitive(benchmark::State& State) {
  FileAndFind(State, dbMSSQL);
}

}  // namespace

BENCHMARK(BM_FileAndFind_CaseSensitive)
    ->RangeMultiplier(2)
    ->Range(25000, 200000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);
BENCHMARK(BM_FileAndFind_CaseInsensitive)->Arg(100000)->Unit(benchmark::kMillisecond);
