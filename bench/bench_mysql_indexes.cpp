// Reading one MySQL table with many indexes: the time per index must not grow with the number
// of indexes the table has already. Three forms: named keys in the table's element list (as
// the server's CREATE text writes them), unnamed ones (the reader names each after its first
// column, as the server does) and CREATE INDEX statements after the table.
#include <benchmark/benchmark.h>

#include <string>

#include "Strings.h"
#include "qelCompObj.h"
#include "qelMySQLParser.h"

namespace {

using namespace qel;

constexpr int Columns = 200;

enum TIndexForm { ifNamed, ifUnnamed, ifCreateIndex };

std::string Script(int Indexes, TIndexForm Form) {
  std::string S = "CREATE TABLE t (id INT NOT NULL";
  for (int I = 0; I < Columns; ++I) S += ",\n  c" + std::to_string(I) + " INT";
  for (int I = 0; Form != ifCreateIndex && I < Indexes; ++I)
    S += std::string(",\n  KEY ") + (Form == ifNamed ? "ix_" + std::to_string(I) + " " : "") +
         "(c" + std::to_string(I % Columns) + ")";
  S += ",\n  PRIMARY KEY (id));\n";
  for (int I = 0; Form == ifCreateIndex && I < Indexes; ++I)
    S += "CREATE INDEX ix_" + std::to_string(I) + " ON t (c" + std::to_string(I % Columns) + ");\n";
  return S;
}

void BM_MySQLTableIndexes(benchmark::State& State) {
  const auto Form = static_cast<TIndexForm>(State.range(1));
  TStringList Lines;
  Lines.SetText(Script(static_cast<int>(State.range(0)), Form));
  for (auto _ : State) {
    TObjs Objs;
    TMySQLParser Parser(&Objs);
    Parser.ShowProgress = false;
    Parser.OnErrorMessage = [](TObject*, const std::string&) {};
    Parser.ParseScript(Lines, &Objs);
    if (Parser.MsgManager.GetIsErr()) State.SkipWithError("the generated script has errors");
    if (Objs.Indexes.Count() < State.range(0)) State.SkipWithError("indexes were not read");
  }
  State.SetComplexityN(State.range(0));
}
BENCHMARK(BM_MySQLTableIndexes)
    ->ArgsProduct({{5000, 10000, 20000}, {ifNamed, ifUnnamed, ifCreateIndex}})
    ->ArgNames({"indexes", "form"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
