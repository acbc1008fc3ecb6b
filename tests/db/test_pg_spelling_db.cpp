// Checks and defaults that the PostgreSQL server keeps in a spelling of its own, compared live
// with the script that made them. A database built from a script compares with that script to
// no statement, whichever of the two is the master; the server spells what the script wrote
// in a transaction it rolls back, so the database is left as it was; an expression the server
// cannot store yet (it calls a function the update only adds) is compared as written, and the
// update that adds it runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Strings.h"
#include "db_servers.h"
#include "pg_dump_util.h"
#include "pg_test_db.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGScriptExtract.h"
#include "qelSQL_Exec.h"
#include "qelVarnel.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

const std::string Database = "qel_pg_spelling";

struct TSpellingCase {
  const char* Name;
  const char* Script;
};

void PrintTo(const TSpellingCase& C, std::ostream* Os) {
  *Os << C.Name;
}

// One spelling each; the catalog gives each back otherwise than the script wrote it.
const TSpellingCase Cases[] = {
    // (price >= (0)::numeric)
    {"NumberAgainstNumericColumn",
     "CREATE TABLE product (id integer PRIMARY KEY, price numeric(10,2) NOT NULL CHECK (price >= "
     "0));"},
    // ((code)::text = ANY ((ARRAY['a'::character varying, ...])::text[]))
    {"CastsOfACharacterColumn",
     "CREATE TABLE t (code varchar(10) CHECK (code IN ('a', 'b')), kind char(2) CHECK (kind <> "
     "'x'));"},
    // CASE laid out on lines, without parentheses round the whole
    {"CaseInACheck",
     "CREATE TABLE t (qty integer, price numeric, CONSTRAINT qty_case CHECK (CASE WHEN qty > 10 "
     "THEN price > 1 ELSE true END));"},
    // a function call is the whole condition: CHECK (isfinite(d))
    {"FunctionCallAsTheCondition", "CREATE TABLE t (d date CHECK (isfinite(d)));"},
    // ((VALUE >= 0) AND (VALUE <= 100))
    {"BetweenInADomainCheck", "CREATE DOMAIN pct AS integer CHECK (VALUE BETWEEN 0 AND 100);"},
    // 'open'::character varying
    {"DomainDefaultCast", "CREATE DOMAIN status AS varchar(10) DEFAULT 'open';"},
    {"DomainOverATimeTypeWithPrecision",
     "CREATE DOMAIN ts3 AS timestamp(3); CREATE DOMAIN tm2 AS time(2) with time zone;"},
    // '00011111'::"bit"
    {"HexBitString", "CREATE TABLE t (f bit(8) DEFAULT x'1F', g varbit(10) DEFAULT X'1f');"},
    // '2020-01-01 10:00:00'::timestamp without time zone
    {"TimestampWithoutSeconds", "CREATE TABLE t (b timestamp DEFAULT '2020-01-01 10:00');"},
    // 'abc'::text, 'a\b'::character varying
    {"EStrings", "CREATE TABLE t (c text DEFAULT E'abc', d varchar(5) DEFAULT E'a\\\\b');"},
    // '1000'::numeric
    {"NumberWithExponent", "CREATE TABLE t (n numeric DEFAULT 1e3);"},
    {"ParameterDefaults",
     "CREATE FUNCTION gross(n numeric, rate numeric DEFAULT 0.25, d date DEFAULT '2020-01-01', "
     "s text DEFAULT E'x', e numeric DEFAULT 1e3) RETURNS numeric AS $$ SELECT n * (1 + rate) $$ "
     "LANGUAGE sql;"},
    {"DefaultOfAnInOutParameter",
     "CREATE FUNCTION split(IN a integer, OUT b integer, INOUT c text DEFAULT 'x') AS $$ SELECT "
     "a, c $$ LANGUAGE sql;"},
    // find(p character varying, ...) RETURNS SETOF numeric: no length, precision or scale
    {"RoutineArgumentLengths",
     "CREATE FUNCTION find(p varchar(5), a numeric(10,2), c char(2), t timestamp(3) with time "
     "zone, b bit(4)[]) RETURNS SETOF numeric(5,1) AS $$ SELECT a $$ LANGUAGE sql;"},
    // every name cut to 63 bytes, and the key names made from the cut ones
    {"NamesOverTheServersLimit",
     "CREATE TABLE orders_of_the_customers_of_the_northern_region_and_their_lines_too (id "
     "integer PRIMARY KEY, customer_number_of_the_northern_region_and_its_branches_all integer "
     "UNIQUE CHECK (customer_number_of_the_northern_region_and_its_branches_all > 0));"},
};

/// The lines of an update script that change the schema.
TLines StatementsOf(const std::string& Script) {
  TLines R;
  std::istringstream In(Script);
  for (std::string L; std::getline(In, L);) {
    std::string U = L;
    for (char& C : U) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    for (const char* W : {"CREATE ", "ALTER ", "DROP ", "COMMENT "})
      if (U.rfind(W, 0) == 0) R.push_back(L);
  }
  return R;
}

/// One live comparison: the update script, the errors and what the catalog extractor logged.
struct TRun {
  std::string Script;
  TLines Errors, Log;
};

/// Compares the script Text with the database, the database the master when DatabaseIsMaster;
/// the update script runs on the database when Execute.
TRun CompareLive(const std::string& Text, bool DatabaseIsMaster, bool Execute = false) {
  TRun R;
  TServerConnection Conn(PgServer);
  const std::string Missing = Conn.Configure();
  if (!Missing.empty()) {
    R.Errors.push_back("environment variable " + Missing + " is not set");
    return R;
  }
  Conn.C->GetConnectionOptions().SetDatabaseName(Database);
  TPGScriptExtract Script{nullptr};
  Script.SetScriptFileName("schema.sql");
  Script.OnLoadScript = [Text](TObject*, const std::string&, TStrings* Lines, bool& Loaded) {
    Lines->SetText(Text);
    Loaded = true;
  };
  TPGDBExtract Catalog{nullptr};
  Catalog.SetConnection(Conn.C.get());
  Catalog.ShowFullLog = true;
  Catalog.SetOnLogNextLine([&R](TObject*, const std::string& T) { R.Log.push_back(T); });
  TDBStructure MH{nullptr}, TH{nullptr};
  TVarnel V{nullptr};
  V.OnErrorMessage = [&R](TObject*, const std::string& T) { R.Errors.push_back(T); };
  V.SetDBMaster(&MH);
  V.SetDBTarget(&TH);
  if (DatabaseIsMaster) {
    V.SetExtractorMaster(&Catalog);
    V.SetExtractorTarget(&Script);
  } else {
    V.SetExtractorMaster(&Script);
    V.SetExtractorTarget(&Catalog);
  }
  if (!V.ExtractDatabases() || !V.CompareDatabases() || !V.GetSQLExec()) {
    R.Errors.push_back("no update script was written");
    return R;
  }
  if (V.GetSQLExec()->HasChanges) {
    TStringList Lines;
    V.GetSQLExec()->GetScript(Lines, false);
    R.Script = Lines.GetText();
  }
  if (Execute) {
    auto* E = dynamic_cast<TSQLExec*>(V.GetSQLExec());
    if (!Conn.C->GetConnected()) Conn.C->SetConnected(true);
    E->SetConnection(Conn.C.get());
    if (!E->ExecuteScript()) R.Errors.push_back("the update script failed:\n" + R.Script);
    E->SetConnection(nullptr);
  }
  return R;
}

class PGSpelling : public TPGToolSuite<::testing::TestWithParam<TSpellingCase>> {
 protected:
  static void TearDownTestSuite() { DropAndDisconnect({Database}); }
  void SetUp() override { ASSERT_EQ(Reach, "") << Reach; }

  /// Database made afresh from Script.
  static void Build(const std::string& Script) {
    FreshDatabase(Database);
    ASSERT_EQ(RunScript(Database, Script), "");
  }
};

class PGSpellingProbe : public PGSpelling {};

}  // namespace

TEST_P(PGSpelling, ADatabaseBuiltFromAScriptComparesWithItToNothing) {
  Build(GetParam().Script);
  for (const bool DatabaseIsMaster : {false, true}) {
    SCOPED_TRACE(DatabaseIsMaster ? "the database is the master" : "the script is the master");
    const TRun R = CompareLive(GetParam().Script, DatabaseIsMaster);
    EXPECT_EQ(R.Errors, TLines{});
    EXPECT_EQ(StatementsOf(R.Script), TLines{}) << R.Script;
  }
}

INSTANTIATE_TEST_SUITE_P(Spellings, PGSpelling, ::testing::ValuesIn(Cases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(PGSpellingProbe, TheBundledExampleComparesWithItsOwnDatabaseToNothing) {
  const std::string V1 = ReadFile(std::string(QEL_EXAMPLES_DIR) + "/data/orders_v1.sql");
  const std::string V2 = ReadFile(std::string(QEL_EXAMPLES_DIR) + "/data/orders_v2.sql");
  ASSERT_FALSE(V1.empty());
  ASSERT_FALSE(V2.empty());
  Build(V1);
  // Before and after each update, the database compares with the script it was made from.
  for (const std::string* Script : {&V1, &V2, &V1}) {
    SCOPED_TRACE(Script == &V1 ? "orders_v1.sql" : "orders_v2.sql");
    const TRun Update = CompareLive(*Script, false, true);
    EXPECT_EQ(Update.Errors, TLines{});
    const TRun Again = CompareLive(*Script, false);
    EXPECT_EQ(Again.Errors, TLines{});
    EXPECT_EQ(StatementsOf(Again.Script), TLines{}) << Again.Script;
  }
}

TEST_F(PGSpellingProbe, SpellingLeavesTheDatabaseAsItWas) {
  // Every kind of probe: checks of a table and a domain, defaults of a column, a domain and a
  // parameter.
  std::string Script;
  for (const TSpellingCase& C : Cases) Script += std::string(C.Script) + "\n";
  // Tables of one name in the cases: each case's table gets a name of its own.
  for (std::size_t At = 0, N = 0; (At = Script.find("TABLE t (", At)) != std::string::npos; ++N)
    Script.replace(At, 9, "TABLE t" + std::to_string(N) + " (");
  Build(Script);
  std::string Failure;
  const TLines Before = DumpSchema(Database, Failure);
  ASSERT_EQ(Failure, "");
  const TRun R = CompareLive(Script, false);
  EXPECT_EQ(StatementsOf(R.Script), TLines{}) << R.Script;
  EXPECT_EQ(DumpSchema(Database, Failure), Before);
  // No probe object in any schema, temporary ones included.
  auto Conn = ConnectTo(Database, Failure);
  ASSERT_EQ(Failure, "");
  EXPECT_EQ(Conn->Column("select count(*) from pg_catalog.pg_class where relname like 'qel%' "
                         "union all select count(*) from pg_catalog.pg_type where typname like "
                         "'qel%' union all select count(*) from pg_catalog.pg_proc where "
                         "proname like 'qel%'"),
            (TLines{"0", "0", "0"}));
}

TEST_F(PGSpellingProbe, AConditionTheServerCannotStoreYetIsComparedAsWritten) {
  // The master's check calls a function the update adds: the server refuses to store the
  // check before, so it is compared as written, written, and after the update it settles.
  Build("CREATE TABLE t (a integer CHECK (a > 0));");
  const std::string Master =
      "CREATE FUNCTION positive(v integer) RETURNS boolean AS $$ SELECT v > 0 $$ LANGUAGE sql "
      "IMMUTABLE;\nCREATE TABLE t (a integer CHECK (positive(a)));";
  const TRun First = CompareLive(Master, false, true);
  EXPECT_EQ(First.Errors, TLines{});
  EXPECT_NE(First.Script.find("ADD CHECK(positive(a))"), std::string::npos) << First.Script;
  EXPECT_TRUE(std::any_of(First.Log.begin(), First.Log.end(), [](const std::string& L) {
    return L.rfind("Check ", 0) == 0 && L.find("compared as written: ") != std::string::npos &&
           L.find("positive(integer) does not exist") != std::string::npos;
  })) << ::testing::PrintToString(First.Log);
  const TRun Again = CompareLive(Master, false);
  EXPECT_EQ(Again.Errors, TLines{});
  EXPECT_EQ(StatementsOf(Again.Script), TLines{}) << Again.Script;
}

TEST_F(PGSpellingProbe, AChangedDefaultOrCheckIsStillChanged) {
  // The server spells the master's text, and that differs from the catalog's: changed.
  Build(
      "CREATE DOMAIN pct AS integer CHECK (VALUE BETWEEN 0 AND 100);\n"
      "CREATE TABLE t (price numeric CHECK (price >= 0), b timestamp DEFAULT '2020-01-01 "
      "10:00');\n"
      "CREATE FUNCTION f(x text DEFAULT E'a') RETURNS text AS $$ SELECT x $$ LANGUAGE sql;");
  const std::string Master =
      "CREATE DOMAIN pct AS integer CHECK (VALUE BETWEEN 0 AND 99);\n"
      "CREATE TABLE t (price numeric CHECK (price >= 1), b timestamp DEFAULT '2020-01-01 "
      "10:01');\n"
      "CREATE FUNCTION f(x text DEFAULT E'b') RETURNS text AS $$ SELECT x $$ LANGUAGE sql;";
  const TRun First = CompareLive(Master, false, true);
  EXPECT_EQ(First.Errors, TLines{});
  for (const char* Change :
       {"ALTER DOMAIN public.pct ADD CHECK (VALUE BETWEEN 0 AND 99)", "ADD CHECK(price >= 1)",
        "SET DEFAULT '2020-01-01 10:01'", "x text default E'b'"})
    EXPECT_NE(First.Script.find(Change), std::string::npos) << Change << "\n" << First.Script;
  const TRun Again = CompareLive(Master, false);
  EXPECT_EQ(StatementsOf(Again.Script), TLines{}) << Again.Script;
}
