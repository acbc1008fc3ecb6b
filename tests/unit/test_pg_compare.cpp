// PostgreSQL scripts compared end to end: pairs of small scripts under tests/fixtures/pg_compare/
// (NAME.master.sql, NAME.target.sql) are read by the PostgreSQL script extractor and compared,
// and the update script is checked against NAME.update.sql. QEL_UPDATE_GOLDEN=1 rewrites the
// golden files instead. A pair whose master script begins with "-- pending:" needs a pass that
// is not built yet; it has no golden file.
//
// The same pairs run against a real server in tests/db/test_pg_roundtrip_db.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "qelDBStructure.h"
#include "qelPGScriptExtract.h"
#include "qelVarnel.h"

#ifdef QEL_HAVE_COMPARE_COMMAND
#include "varnel_compare.h"
#endif

using namespace qel;

namespace {

const std::string FixtureDir = std::string(QEL_FIXTURES_DIR) + "/pg_compare/";

std::string ReadFile(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

/// The pair names of the fixture folder, sorted.
std::vector<std::string> PairNames() {
  std::vector<std::string> Names;
  const std::string Suffix = ".master.sql";
  for (const auto& E : std::filesystem::directory_iterator(FixtureDir)) {
    const std::string F = E.path().filename().string();
    if (F.size() > Suffix.size() && F.compare(F.size() - Suffix.size(), Suffix.size(), Suffix) == 0)
      Names.push_back(F.substr(0, F.size() - Suffix.size()));
  }
  std::sort(Names.begin(), Names.end());
  return Names;
}

bool Pending(const std::string& Pair) {
  return ReadFile(FixtureDir + Pair + ".master.sql").rfind("-- pending:", 0) == 0;
}

/// The outcome of one comparison of script files.
struct TOutcome {
  bool Written = false;
  std::string Script;  ///< one "\n" per line
  std::vector<std::string> Errors;
  std::vector<std::string> Infos;
};

/// Reads the master and the target scripts (file-name strings, as the extractor takes them) and
/// writes the update script, with the components as the example program sets them up.
TOutcome Compare(const std::string& MasterFiles, const std::string& TargetFiles) {
  TDBStructure MH(nullptr), TH(nullptr);
  TPGScriptExtract MX(nullptr), TX(nullptr);
  TVarnel V(nullptr);
  const TErrorMessageEvent Quiet = [](TObject*, const std::string&) {};
  MX.SetDBStructure(&MH);
  TX.SetDBStructure(&TH);
  MX.SetOnErrorMessage(Quiet);
  TX.SetOnErrorMessage(Quiet);
  MX.SetScriptFileName(MasterFiles);
  TX.SetScriptFileName(TargetFiles);
  V.OnErrorMessage = Quiet;
  V.SetDBMaster(&MH);
  V.SetDBTarget(&TH);
  V.SetExtractorMaster(&MX);
  V.SetExtractorTarget(&TX);

  TOutcome R;
  auto Collect = [&R, &V] {
    for (int I = 0; I < V.MsgManager.GetMsgCount(); ++I) {
      const TMsgData& M = V.MsgManager.Items(I);
      const std::string Text = M.ScriptName + ":" + std::to_string(M.Line) + ":" +
                               std::to_string(M.Column) + ": " + M.Text;
      if (M.MsgType == mt_Err) R.Errors.push_back(Text);
      if (M.MsgType == mt_Inf) R.Infos.push_back(Text);
    }
  };
  const bool Extracted = V.ExtractDatabases();
  Collect();
  if (!Extracted) return R;
  R.Written = V.CompareDatabases();
  Collect();
  if (R.Written && V.GetSQLExec()) {
    TStringList Lines;
    V.GetSQLExec()->GetScript(Lines, false);
    for (const std::string& L : Lines) R.Script += L + "\n";
  }
  return R;
}

TOutcome ComparePair(const std::string& Pair) {
  return Compare(FixtureDir + Pair + ".master.sql", FixtureDir + Pair + ".target.sql");
}

/// The statements of a script (text between blank lines and comments), without line breaks.
std::vector<std::string> Statements(const std::string& Script) {
  std::vector<std::string> R;
  std::string Cur;
  std::istringstream In(Script);
  for (std::string L; std::getline(In, L);) {
    if (!L.empty() && L.back() == '\r') L.pop_back();
    if (L.empty() || L.rfind("/*", 0) == 0) continue;
    Cur += (Cur.empty() ? "" : " ") + L;
    if (L.back() == ';') {
      R.push_back(Cur);
      Cur.clear();
    }
  }
  if (!Cur.empty()) R.push_back(Cur);
  return R;
}

bool HasStatement(const std::string& Script, const std::string& Statement) {
  const std::vector<std::string> S = Statements(Script);
  return std::find(S.begin(), S.end(), Statement) != S.end();
}

bool Mentions(const std::string& Script, const std::string& Part) {
  return Script.find(Part) != std::string::npos;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Golden update scripts

TEST(PGCompare, GoldenUpdateScriptsOfEveryPair) {
  const std::vector<std::string> Pairs = PairNames();
  ASSERT_GE(Pairs.size(), 10u);
  int Checked = 0;
  for (const std::string& Pair : Pairs) {
    if (Pending(Pair)) continue;
    SCOPED_TRACE(Pair);
    const TOutcome R = ComparePair(Pair);
    ASSERT_TRUE(R.Written) << ::testing::PrintToString(R.Errors);
    EXPECT_TRUE(R.Errors.empty()) << ::testing::PrintToString(R.Errors);
    const std::string Golden = FixtureDir + Pair + ".update.sql";
    if (std::getenv("QEL_UPDATE_GOLDEN")) {
      std::ofstream(Golden, std::ios::binary) << R.Script;
    } else {
      EXPECT_EQ(R.Script, ReadFile(Golden)) << Golden;
    }
    ++Checked;
  }
  EXPECT_GE(Checked, 10);
}

TEST(PGCompare, EverySchemaComparedWithItselfWritesNoStatement) {
  for (const std::string& Pair : PairNames()) {
    for (const char* Side : {".master.sql", ".target.sql"}) {
      SCOPED_TRACE(Pair + Side);
      const std::string File = FixtureDir + Pair + Side;
      const TOutcome R = Compare(File, File);
      ASSERT_TRUE(R.Written) << ::testing::PrintToString(R.Errors);
      EXPECT_EQ(Statements(R.Script), std::vector<std::string>{}) << R.Script;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The faults that once were: each is checked on the whole road, script text to update script.

TEST(PGCompare, EmbeddedDoubleQuotesAreDoubledInEveryName) {
  const TOutcome R = ComparePair("quoted_names");
  ASSERT_TRUE(R.Written) << ::testing::PrintToString(R.Errors);
  EXPECT_TRUE(Mentions(R.Script, "ALTER TABLE public.\"we\"\"ird\" ADD \"b\"\"c\" integer;"))
      << R.Script;
  EXPECT_TRUE(Mentions(R.Script, "ALTER TABLE public.\"Customer\" ADD \"say \"\"hi\"\"\" text;"))
      << R.Script;
  EXPECT_TRUE(Mentions(R.Script, "CREATE TABLE public.\"Quote\"\"d \"\"Table\"")) << R.Script;
  EXPECT_TRUE(Mentions(R.Script, "\"Idx \"\"Full\"\" Name\"")) << R.Script;
  // Keywords and mixed case keep their quotes; nothing is quoted that need not be.
  EXPECT_TRUE(Mentions(R.Script, "ALTER TABLE public.\"order\" ADD \"table\" integer;"))
      << R.Script;
  EXPECT_FALSE(Mentions(R.Script, "\"public\"")) << R.Script;
}

TEST(PGCompare, ConstraintNamesUniquePerTableDoNotCollide) {
  // A check qty_positive and a foreign key owner_fk on each of three tables: those of beta
  // exist, those of alpha and gamma are new and are all added.
  const TOutcome R = ComparePair("per_table_names");
  ASSERT_TRUE(R.Written) << ::testing::PrintToString(R.Errors);
  for (const char* Table : {"alpha", "gamma"}) {
    const std::string T = std::string("ALTER TABLE public.") + Table;
    EXPECT_TRUE(HasStatement(R.Script, T + " ADD CONSTRAINT qty_positive CHECK(qty > 0);"))
        << R.Script;
    EXPECT_TRUE(HasStatement(R.Script, T + " ADD CONSTRAINT owner_fk FOREIGN KEY (owner_id) "
                                           "REFERENCES public.owner (id);"))
        << R.Script;
  }
  EXPECT_FALSE(Mentions(R.Script, "public.beta")) << R.Script;
  EXPECT_FALSE(Mentions(R.Script, "DROP")) << R.Script;
}

TEST(PGCompare, QualifiedAndBareNamesOfOneObjectMeet) {
  // customer is public.customer on one side and bare on the other, supplier the other way
  // round; both are altered, never dropped and made again.
  const TOutcome R = ComparePair("schemas");
  ASSERT_TRUE(R.Written) << ::testing::PrintToString(R.Errors);
  EXPECT_TRUE(HasStatement(R.Script, "ALTER TABLE public.customer ADD email text;")) << R.Script;
  EXPECT_TRUE(HasStatement(R.Script, "ALTER TABLE public.supplier ADD name text;")) << R.Script;
  EXPECT_TRUE(HasStatement(R.Script, "ALTER TABLE sales.region ADD title text;")) << R.Script;
  EXPECT_FALSE(Mentions(R.Script, "DROP")) << R.Script;
  EXPECT_FALSE(Mentions(R.Script, "CREATE TABLE public.customer")) << R.Script;
  EXPECT_FALSE(Mentions(R.Script, "CREATE INDEX customer_name")) << R.Script;
  EXPECT_TRUE(Mentions(R.Script, "CREATE TABLE sales.quota")) << R.Script;
}

TEST(PGCompare, KeysWrittenInlineAndAsAlterTableAreTheSame) {
  // The dump-style master adds under their server names the keys the target wrote inline; only
  // the check is new.
  const TOutcome R = ComparePair("alter_table_add");
  ASSERT_TRUE(R.Written) << ::testing::PrintToString(R.Errors);
  const std::vector<std::string> S = Statements(R.Script);
  EXPECT_EQ(S.size(), 3u) << R.Script;  // primary key, foreign key and check of book
  EXPECT_FALSE(Mentions(R.Script, "ALTER TABLE public.author")) << R.Script;
}

// ---------------------------------------------------------------------------------------------
// Bad input and statements passed over

TEST(PGCompare, AScriptThatDoesNotParseGivesNoScriptAndSaysWhere) {
  const std::string Dir = ::testing::TempDir();
  const std::string Bad = Dir + "/pg_compare_bad.sql";
  std::ofstream(Bad, std::ios::binary)
      << "CREATE TABLE a (id integer);\n\nCREATE TABLE b (id integer,, x text);\n";
  const TOutcome R = Compare(Bad, FixtureDir + "tables.target.sql");
  EXPECT_FALSE(R.Written);
  EXPECT_EQ(R.Script, "");
  ASSERT_FALSE(R.Errors.empty());
  EXPECT_EQ(R.Errors[0].rfind(Bad + ":3:28: ", 0), 0u) << R.Errors[0];
  EXPECT_TRUE(Mentions(R.Errors[0], "Near: \", x text);\"")) << R.Errors[0];

  // A missing file fails the extraction as well.
  const TOutcome M = Compare(FixtureDir + "tables.master.sql", Dir + "/no_such_file.sql");
  EXPECT_FALSE(M.Written);
  ASSERT_FALSE(M.Errors.empty());
  EXPECT_TRUE(Mentions(M.Errors[0], "no_such_file.sql")) << M.Errors[0];
}

TEST(PGCompare, StatementsPassedOverLeaveTheRestOfTheScript) {
  // The enum type of the lexical pair is passed over (with an information message) on both
  // sides; the semicolons and dollar quotes of its labels and of the function body do not cut
  // the statements after them.
  const TOutcome R = ComparePair("lexical");
  ASSERT_TRUE(R.Written) << ::testing::PrintToString(R.Errors);
  EXPECT_EQ(R.Infos.size(), 2u) << ::testing::PrintToString(R.Infos);
  EXPECT_TRUE(Mentions(R.Script, "CREATE TABLE public.\"semi;colon\"(\"a;b\" integer);"))
      << R.Script;
  EXPECT_TRUE(HasStatement(R.Script,
                           "ALTER TABLE public.note ADD esc text default "
                           "E'line\\nbreak \\'q\\' back\\\\slash';"))
      << R.Script;
}

TEST(PGCompare, ScriptsOfSeveralFilesAndWildcards) {
  // The master of the schemas pair split in two files read in order, named by a wildcard.
  const std::string Dir = ::testing::TempDir() + "/pg_compare_split";
  std::filesystem::create_directories(Dir);
  const std::string Master = ReadFile(FixtureDir + "schemas.master.sql");
  const std::size_t Cut = Master.find("CREATE TABLE sales.quota");
  ASSERT_NE(Cut, std::string::npos);
  std::ofstream(Dir + "/1_tables.sql", std::ios::binary) << Master.substr(0, Cut);
  std::ofstream(Dir + "/2_more.sql", std::ios::binary) << Master.substr(Cut);
  const TOutcome Whole = ComparePair("schemas");
  const TOutcome Split = Compare(Dir + "/*.sql", FixtureDir + "schemas.target.sql");
  ASSERT_TRUE(Split.Written) << ::testing::PrintToString(Split.Errors);
  EXPECT_EQ(Split.Script, Whole.Script);
}

// ---------------------------------------------------------------------------------------------
// The example program's compare command

#ifdef QEL_HAVE_COMPARE_COMMAND

namespace {

struct TRun {
  int Code = -1;
  std::string Out, Err;
};

TRun RunCommand(const std::vector<std::string>& Args) {
  std::ostringstream Out, Err;
  TRun R;
  R.Code = varnel_cli::RunCompare(Args, Out, Err);
  R.Out = Out.str();
  R.Err = Err.str();
  return R;
}

}  // namespace

TEST(VarnelCompareCommand, PrintsTheUpdateScriptAndExitsZero) {
  const TRun R =
      RunCommand({"--dialect", "postgresql", "--master", FixtureDir + "columns.master.sql",
                  "--target=" + FixtureDir + "columns.target.sql"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(R.Out, ReadFile(FixtureDir + "columns.update.sql"));
  EXPECT_EQ(R.Err, "");
}

TEST(VarnelCompareCommand, RepeatedOptionsReadSeveralScriptsInOrder) {
  const std::string Dir = ::testing::TempDir() + "/varnel_compare_repeat";
  std::filesystem::create_directories(Dir);
  std::ofstream(Dir + "/a.sql") << "CREATE TABLE t (id integer);\n";
  std::ofstream(Dir + "/b.sql") << "ALTER TABLE t ADD PRIMARY KEY (id);\n";
  std::ofstream(Dir + "/empty.sql") << "CREATE TABLE t (id integer NOT NULL);\n";
  const TRun R = RunCommand({"--dialect", "postgresql", "--master", Dir + "/a.sql", "--master",
                             Dir + "/b.sql", "--target", Dir + "/empty.sql"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_TRUE(Mentions(R.Out, "ALTER TABLE public.t ADD PRIMARY KEY (id);")) << R.Out;
}

TEST(VarnelCompareCommand, ErrorsGoToStandardErrorAndNoScriptIsWritten) {
  const std::string Bad = ::testing::TempDir() + "/varnel_compare_bad.sql";
  std::ofstream(Bad) << "CREATE TABLE a (id integer;\n";
  const TRun R = RunCommand(
      {"--dialect", "postgresql", "--master", Bad, "--target", FixtureDir + "tables.target.sql"});
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.Err.rfind(Bad + ":1:27: error: ", 0), 0u) << R.Err;

  const TRun Missing = RunCommand({"--dialect", "postgresql", "--master", "/nonexistent/m.sql",
                                   "--target", FixtureDir + "tables.target.sql"});
  EXPECT_EQ(Missing.Code, 1);
  EXPECT_EQ(Missing.Out, "");
  EXPECT_TRUE(Mentions(Missing.Err, "/nonexistent/m.sql")) << Missing.Err;
}

TEST(VarnelCompareCommand, InformationOnStatementsPassedOverGoesToStandardError) {
  const TRun R =
      RunCommand({"--dialect", "postgresql", "--master", FixtureDir + "lexical.master.sql",
                  "--target", FixtureDir + "lexical.target.sql"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_TRUE(Mentions(R.Err, "info: Statement passed over: CREATE TYPE mood AS ENUM.")) << R.Err;
  EXPECT_EQ(R.Out, ReadFile(FixtureDir + "lexical.update.sql"));
}

TEST(VarnelCompareCommand, BadArgumentsExitTwo) {
  const std::string M = FixtureDir + "tables.master.sql";
  const std::string T = FixtureDir + "tables.target.sql";
  const std::vector<std::vector<std::string>> Bad = {
      {},
      {"--master", M, "--target", T},                                   // no dialect
      {"--dialect", "postgresql", "--target", T},                       // no master
      {"--dialect", "postgresql", "--master", M},                       // no target
      {"--dialect", "sybase", "--master", M, "--target", T},            // unknown dialect
      {"--dialect", "postgresql", "--master", M, "--target", T, "-x"},  // unknown option
      {"--dialect", "postgresql", "--master", M, "--target"},           // value missing
      {"--dialect", "postgresql", "--master", "a\"b", "--target", T},   // not a file name
  };
  for (const auto& Args : Bad) {
    SCOPED_TRACE(::testing::PrintToString(Args));
    const TRun R = RunCommand(Args);
    EXPECT_EQ(R.Code, 2);
    EXPECT_EQ(R.Out, "");
    EXPECT_TRUE(Mentions(R.Err, "varnel compare --help")) << R.Err;
  }
}

TEST(VarnelCompareCommand, HelpAndVersion) {
  const TRun H = RunCommand({"--help"});
  EXPECT_EQ(H.Code, 0);
  EXPECT_TRUE(Mentions(H.Out, "Usage: varnel compare --dialect NAME")) << H.Out;
  const TRun V = RunCommand({"--version"});
  EXPECT_EQ(V.Code, 0);
  EXPECT_EQ(V.Out.rfind("varnel ", 0), 0u) << V.Out;
}

#endif  // QEL_HAVE_COMPARE_COMMAND
