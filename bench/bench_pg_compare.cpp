// PostgreSQL scripts read and compared: two generated scripts of 10,000 tables each (a serial
// primary key, a unique code, a foreign key on every fifth table, two indexes per table and a
// view on every tenth), the master differing from the target in 1% of its tables (a column
// added, a column dropped, an index added, or a table only the master has).
//
//   BM_ParsePGScript     the PostgreSQL script extractor on the master script's text (MB/s)
//   BM_CompareScripts    end to end from the two files: both extractions, the comparison and
//                        the update script as text (MB/s of both files)
//
// The scripts are written to $QEL_PG_BENCH_DIR (default: the system's temporary folder), as
// pg_bench_master.sql and pg_bench_target.sql, so that bench/pg_compare_vs_apgdiff.sh can time
// other programs on the very same files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Strings.h"
#include "qelDBStructure.h"
#include "qelPGScriptExtract.h"
#include "qelVarnel.h"

namespace {

using namespace qel;

constexpr int Tables = 10000;

std::string TableName(int I) {
  char Buf[32];
  std::snprintf(Buf, sizeof Buf, "t_%05d", I);
  return Buf;
}

/// One side's script. Every hundredth table (from the 50th) differs between the sides, by one of
/// four changes in turn.
std::string Script(bool Master) {
  std::string S;
  S.reserve(static_cast<std::size_t>(Tables) * 700);
  S += "-- generated order-entry style schema, " + std::to_string(Tables) + " tables\n";
  S += "SET client_encoding = 'UTF8';\n\n";
  for (int I = 0; I < Tables; ++I) {
    const std::string T = TableName(I);
    const bool Changed = I % 100 == 50;
    const int Change = (I / 100) % 4;
    if (Changed && Change == 3 && !Master) continue;  // a table only the master has
    S += "CREATE TABLE " + T +
         " (\n"
         "  id serial PRIMARY KEY,\n"
         "  code varchar(20) NOT NULL UNIQUE,\n"
         "  name varchar(80) NOT NULL,\n"
         "  amount numeric(12, 2) NOT NULL DEFAULT 0 CHECK (amount >= 0),\n"
         "  created timestamp with time zone DEFAULT current_timestamp,\n"
         "  note text,\n";
    if (I % 5 == 0 && I > 0) S += "  parent_id integer REFERENCES " + TableName(I - 1) + " (id),\n";
    if (Changed && Change == 0 && Master) S += "  extra_" + std::to_string(I) + " integer,\n";
    if (Changed && Change == 1 && !Master) S += "  legacy varchar(10),\n";
    S += "  flags integer[]\n);\n";
    S += "CREATE INDEX " + T + "_name ON " + T + " (name);\n";
    S += "CREATE INDEX " + T + "_created ON " + T + " (created, id);\n";
    if (Changed && Change == 2 && Master)
      S += "CREATE UNIQUE INDEX " + T + "_code_name ON " + T + " (code, name);\n";
    if (I % 10 == 0)
      S += "CREATE VIEW v_" + T + " AS SELECT id, code, name FROM " + T + " WHERE amount > 0;\n";
    S += "\n";
  }
  return S;
}

struct TFiles {
  std::string Master, Target;
  std::size_t Bytes = 0;
  std::string MasterText;
};

const TFiles& Files() {
  static const TFiles F = [] {
    TFiles R;
    const char* Dir = std::getenv("QEL_PG_BENCH_DIR");
    const std::filesystem::path Base =
        Dir && *Dir ? std::filesystem::path(Dir) : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(Base);
    R.Master = (Base / "pg_bench_master.sql").string();
    R.Target = (Base / "pg_bench_target.sql").string();
    R.MasterText = Script(true);
    const std::string TargetText = Script(false);
    std::ofstream(R.Master, std::ios::binary) << R.MasterText;
    std::ofstream(R.Target, std::ios::binary) << TargetText;
    R.Bytes = R.MasterText.size() + TargetText.size();
    return R;
  }();
  return F;
}

void BM_ParsePGScript(benchmark::State& State) {
  const TFiles& F = Files();
  TStringList Lines;
  Lines.SetText(F.MasterText);
  TDBStructure Holder(nullptr);
  TPGScriptExtract Extract(nullptr);
  Extract.SetDBStructure(&Holder);
  Extract.SetScriptFileName(F.Master);
  for (auto _ : State) {
    if (!Extract.ExtractDatabase(Lines)) State.SkipWithError("the script did not parse");
    benchmark::DoNotOptimize(Holder.GetMetadata());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) *
                          static_cast<std::int64_t>(F.MasterText.size()));
  State.counters["tables"] = Holder.GetMetadata()->Tables.Count();
}
BENCHMARK(BM_ParsePGScript)->Unit(benchmark::kMillisecond);

void BM_CompareScripts(benchmark::State& State) {
  const TFiles& F = Files();
  std::size_t ScriptSize = 0;
  for (auto _ : State) {
    TDBStructure MH(nullptr), TH(nullptr);
    TPGScriptExtract MX(nullptr), TX(nullptr);
    TVarnel V(nullptr);
    const TErrorMessageEvent Quiet = [](TObject*, const std::string&) {};
    MX.SetDBStructure(&MH);
    TX.SetDBStructure(&TH);
    MX.SetOnErrorMessage(Quiet);
    TX.SetOnErrorMessage(Quiet);
    MX.SetScriptFileName(F.Master);
    TX.SetScriptFileName(F.Target);
    V.OnErrorMessage = Quiet;
    V.SetDBMaster(&MH);
    V.SetDBTarget(&TH);
    V.SetExtractorMaster(&MX);
    V.SetExtractorTarget(&TX);
    if (!V.ExtractAndCompareDatabases() || !V.GetSQLExec()) {
      State.SkipWithError(("the comparison failed: " + V.MsgManager.ErrSummary()).c_str());
      break;
    }
    TStringList Lines;
    V.GetSQLExec()->GetScript(Lines, false);
    const std::string Text = Lines.GetText();
    ScriptSize = Text.size();
    benchmark::DoNotOptimize(Text.data());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) *
                          static_cast<std::int64_t>(F.Bytes));
  State.counters["script_bytes"] = static_cast<double>(ScriptSize);
}
BENCHMARK(BM_CompareScripts)->Unit(benchmark::kMillisecond);

}  // namespace
