// Throughput of the parser framework's tokenizer alone: a generated 50 MB DDL script read
// symbol by symbol by a SQL parser with a dialect-sized keyword table, no grammar on top.
//
// With QEL_TOKENIZER_SCRIPT set to a file name, the generated script is also written there, so
// that bench/tokenizer_vs_wc.sh can time `wc -l` on the very same bytes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "qelParser.h"

namespace {

using namespace qel;

constexpr std::size_t ScriptSize = 50u * 1024u * 1024u;

// A keyword table of the size the dialect parsers carry (about a hundred words).
constexpr const char* Keywords[] = {
    "ADD",      "ALL",       "ALTER",     "AND",       "ANY",        "AS",         "ASC",
    "BETWEEN",  "BIGINT",    "BY",        "CASCADE",   "CASE",       "CHAR",       "CHARACTER",
    "CHECK",    "COLLATE",   "COLUMN",    "COMMENT",   "CONSTRAINT", "CREATE",     "CROSS",
    "DATE",     "DECIMAL",   "DEFAULT",   "DELETE",    "DESC",       "DISTINCT",   "DOUBLE",
    "DROP",     "ELSE",      "END",       "EXISTS",    "FALSE",      "FLOAT",      "FOR",
    "FOREIGN",  "FROM",      "FULL",      "FUNCTION",  "GRANT",      "GROUP",      "HAVING",
    "IF",       "IN",        "INDEX",     "INNER",     "INSERT",     "INT",        "INTEGER",
    "INTO",     "IS",        "JOIN",      "KEY",       "LEFT",       "LIKE",       "LIMIT",
    "NATURAL",  "NOT",       "NULL",      "NUMERIC",   "ON",         "OR",         "ORDER",
    "OUTER",    "PRECISION", "PRIMARY",   "PROCEDURE", "REAL",       "REFERENCES", "REPLACE",
    "RESTRICT", "RIGHT",     "ROLE",      "SCHEMA",    "SELECT",     "SEQUENCE",   "SET",
    "SMALLINT", "TABLE",     "TEMPORARY", "TEXT",      "THEN",       "TIME",       "TIMESTAMP",
    "TO",       "TRIGGER",   "TRUE",      "UNION",     "UNIQUE",     "UPDATE",     "USER",
    "USING",    "VALUES",    "VARCHAR",   "VIEW",      "WHEN",       "WHERE",      "WITH"};

class TBenchParser : public TCustomSQLParser {
 public:
  TBenchParser() : TCustomSQLParser(nullptr) {
    BuildResWords();
    ShowProgress = false;
    OnErrorMessage = [](TObject*, const std::string&) {};
  }
  void BuildResWords() override {
    TCustomSQLParser::BuildResWords();
    std::uint8_t Symbol = syFirstResWord;
    for (const char* Word : Keywords) ResWords.AddResWord(Word, Symbol++);
  }
};

// DDL and data statements with the lexical features scripts carry: block and line comments,
// quoted names, strings with doubled quotes, integers, decimals and floats.
std::string GenerateScript(std::size_t Size) {
  std::string S;
  S.reserve(Size + 1024);
  for (long I = 0; S.size() < Size; ++I) {
    const std::string N = std::to_string(I);
    S += "/* Orders of branch " + N + " */\r\n";
    S += "CREATE TABLE \"Orders_" + N + "\" (\r\n";
    S += "  id INTEGER NOT NULL,\r\n";
    S += "  customer_name VARCHAR(80) DEFAULT 'it''s " + N + "',\r\n";
    S += "  price NUMERIC(15, 2) DEFAULT 1.5E+3,\r\n";
    S += "  created TIMESTAMP,\r\n";
    S += "  CONSTRAINT pk_orders_" + N + " PRIMARY KEY (id)\r\n";
    S += ");\r\n";
    S += "-- seed rows\r\n";
    S += "INSERT INTO orders_" + N + " (id, customer_name, price) VALUES (" + N +
         ", 'O''Brien & Sons', " + N + ".25);\r\n";
    S += "CREATE INDEX ix_orders_" + N + " ON orders_" + N + " (customer_name, price);\r\n\r\n";
  }
  return S;
}

const std::string& Script() {
  static const std::string S = [] {
    std::string Text = GenerateScript(ScriptSize);
    if (const char* File = std::getenv("QEL_TOKENIZER_SCRIPT"); File && *File)
      std::ofstream(File, std::ios::binary)
          .write(Text.data(), static_cast<std::streamsize>(Text.size()));
    return Text;
  }();
  return S;
}

void BM_Tokenize(benchmark::State& State) {
  const std::string& Text = Script();
  TBenchParser Parser;
  std::int64_t Symbols = 0;
  for (auto _ : State) {
    Parser.AssignTxt(Text);
    for (Parser.GetSy(); Parser.Sy != syEOF; Parser.GetSy()) ++Symbols;
    benchmark::DoNotOptimize(Symbols);
  }
  if (Parser.MsgManager.GetIsErr()) State.SkipWithError("the generated script has errors");
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) *
                          static_cast<std::int64_t>(Text.size()));
  State.counters["symbols"] =
      benchmark::Counter(static_cast<double>(Symbols) / static_cast<double>(State.iterations()));
}
BENCHMARK(BM_Tokenize)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
