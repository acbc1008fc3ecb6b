// Every SQL Anywhere script the library writes reads back: the schema writer's script of a
// SQL Anywhere schema, and update scripts (applied to the script of their target) compare to
// nothing against the schema that wrote them; the golden SQL Anywhere scripts of the passes and
// the texts of views, routines and triggers read without an error into objects that write the
// same statements. The bundled order-entry example compares to its golden update script.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "qelASAParser.h"
#include "qelASAScriptExtract.h"
#include "qelDBStructure.h"
#include "qelVarnel.h"
#include "test_readback_util.h"

#ifdef QEL_HAVE_COMPARE_COMMAND
#include "varnel_compare.h"
#endif

using namespace qel;
namespace readback = qel::testing::readback;

namespace {

const std::string Fixtures = std::string(QEL_FIXTURES_DIR) + "/";
const std::string Examples = std::string(QEL_FIXTURES_DIR) + "/../../examples/data/sqlanywhere/";

using readback::ReadFile;
using readback::TOutcome;

using TDialect = readback::TDialect<TASAScriptExtract, TASAParser, dbSybaseASA>;
constexpr auto& Compare = TDialect::Compare;
constexpr auto& ParseInto = TDialect::Parse;
constexpr auto& WrittenBack = TDialect::Written;

const char* const Schemas[] = {"sqlanywhere/schema.sql",
                               "../../examples/data/sqlanywhere/orders_v1.sql",
                               "../../examples/data/sqlanywhere/orders_v2.sql"};

/// The table the trigger texts name.
void AddTableForTexts(TObjs& O) {
  TASAParser P(&O);
  P.ParseScriptText("CREATE TABLE ORDERS (ID INTEGER NULL, TOTAL INTEGER NULL)\r\ngo\r\n", &O);
}

/// Without CR: the writers end lines with CR LF, the fixtures are stored with LF.
std::string Flat(const std::string& S) {
  std::string R;
  for (char C : S)
    if (C != '\r') R += C;
  return R;
}

/// Without blanks: hand-built objects of the golden files carry blanks the reader trims (a
/// check body written as " (x)", an empty body after " ").
std::string Dense(const std::string& S) {
  std::string R;
  for (char C : S)
    if (C != '\r' && C != ' ' && C != '\t') R += C;
  return R;
}

}  // namespace

TEST(ASAReadBack, TheSchemaWritersScriptComparesToNothing) {
  TDialect::ExpectSchemasCompareToNothing(Fixtures, Schemas);
}

TEST(ASAReadBack, UpdateScriptsLeadTheTargetToTheMaster) {
  // Each pair both ways: the target script followed by the update script reads as the master.
  const std::string Schema = ReadFile(Fixtures + "sqlanywhere/schema.sql");
  const std::string V1 = ReadFile(Examples + "orders_v1.sql");
  const std::string V2 = ReadFile(Examples + "orders_v2.sql");
  const std::string Smaller =
      "CREATE TABLE DBA.DEPT (ID INTEGER NOT NULL, NAME VARCHAR(20) NULL, OLD_COL INTEGER NULL,\n"
      "  PRIMARY KEY (ID, NAME))\ngo\n"
      "CREATE TABLE DBA.GONE (ID INTEGER NULL)\ngo\n"
      "CREATE INDEX IX_DEPT_NAME ON DBA.DEPT (NAME)\ngo\n"
      "CREATE VIEW DBA.RICH (ID, NAME) AS SELECT ID, NAME FROM DEPT\ngo\n";
  const std::pair<std::string, std::string> Pairs[] = {
      {V2, V1}, {V1, V2}, {Schema, Smaller}, {Smaller, Schema}};
  readback::ExpectUpdatesLeadToTheMaster(Compare, Pairs);
}

TEST(ASAReadBack, GoldenScriptsReadBackIntoTheObjectsThatWroteThem) {
  // Update scripts of the passes (written from hand-built schemas) and of the example: every
  // statement reads without an error, and each object they create writes its statement again.
  const char* Goldens[] = {"keys/update_asa.sql", "tables/passes_asa.sql",
                           "sqlanywhere/orders_update.sql"};
  for (const char* Name : Goldens) {
    const std::string Text = ReadFile(Fixtures + Name);
    ASSERT_FALSE(Text.empty()) << Name;
    TObjs O;
    O.SetDatabaseType(dbSybaseASA);
    EXPECT_EQ(ParseInto(O, Text), std::vector<std::string>{}) << Name;
    const std::string Script = Dense(Text);
    int Objects = 0;
    for (TDbObjList* List : {&O.Tables, &O.Indexes, &O.Constraints, &O.Views, &O.Events}) {
      for (int I = 0; I < List->Count(); ++I) {
        const TDbObj* Obj = List->Objects(I);
        EXPECT_NE(Script.find(Dense(Obj->CreateDef())), std::string::npos)
            << Name << ": " << Obj->CreateDef();
        ++Objects;
      }
    }
    EXPECT_GT(Objects, 0) << Name;
  }
}

TEST(ASAReadBack, CodeTextsReadBackIntoTheObjectsThatWroteThem) {
  // The golden texts of views, routines and triggers: each creating text ("Def" and "EmptyDef")
  // reads into one object whose own text is the one read.
  const std::string Text = Flat(ReadFile(Fixtures + "code_objects/texts_asa.sql"));
  ASSERT_FALSE(Text.empty());
  std::istringstream In(Text);
  std::vector<std::pair<std::string, std::string>> Sections;  // heading, text
  for (std::string L; std::getline(In, L);) {
    if (L.rfind("-- ", 0) == 0) {
      Sections.push_back({L, ""});
    } else if (!Sections.empty()) {
      Sections.back().second += L + "\n";
    }
  }
  int Read = 0;
  for (auto& [Heading, Body] : Sections) {
    const bool Creating =
        Heading.size() > 5 && (Heading.ends_with(": Def") || Heading.ends_with(": EmptyDef"));
    if (!Creating || Body.rfind("CREATE ", 0) != 0) continue;
    while (!Body.empty() && Body.back() == '\n') Body.pop_back();
    TObjs O;
    O.SetDatabaseType(dbSybaseASA);
    AddTableForTexts(O);
    EXPECT_EQ(ParseInto(O, Body), std::vector<std::string>{}) << Heading;
    const TDbObj* Obj = nullptr;
    for (TDbObjList* List : {&O.Views, &O.Procedures, &O.Triggers})
      if (List->Count() == 1) Obj = List->Objects(0);
    ASSERT_NE(Obj, nullptr) << Heading;
    EXPECT_EQ(Dense(Obj->Def()), Dense(Body)) << Heading;
    ++Read;
  }
  EXPECT_EQ(Read, 7);
}

TEST(ASAReadBack, OrderEntryExampleGivesItsUpdateScript) {
  readback::ExpectGoldenUpdate(
      Compare({ReadFile(Examples + "orders_v2.sql")}, {ReadFile(Examples + "orders_v1.sql")}),
      Fixtures + "sqlanywhere/orders_update.sql");
}

TEST(ASAReadBack, AMalformedScriptWritesNoUpdate) {
  const TOutcome R =
      Compare({"CREATE TABLE T (ID INTEGER NOT NULL)\ngo\nCREATE TABLE U (ID BIGINT)\ngo\n"},
              {"CREATE TABLE T (ID INTEGER NULL)\ngo\n"});
  EXPECT_FALSE(R.Written);
  EXPECT_EQ(R.Script, "");
  ASSERT_FALSE(R.Errors.empty());
  EXPECT_EQ(R.Errors[0], "master0.sql:3:26: Unknown datatype: BIGINT");
}

#ifdef QEL_HAVE_COMPARE_COMMAND
TEST(ASAReadBack, TheCompareCommandReadsSQLAnywhereScripts) {
  std::ostringstream Out, Err;
  const int Code =
      varnel_cli::RunCompare({"--dialect", "sqlanywhere", "--master", Examples + "orders_v2.sql",
                              "--target", Examples + "orders_v1.sql"},
                             Out, Err);
  EXPECT_EQ(Code, 0) << Err.str();
  EXPECT_EQ(Out.str(), ReadFile(Fixtures + "sqlanywhere/orders_update.sql"));

  const std::string Bad = ::testing::TempDir() + "/asa_bad.sql";
  std::ofstream(Bad) << "CREATE TABLE T (ID INTEGER\ngo\nCREATE INDEX I ON T (ID)\ngo\n";
  std::ostringstream Out2, Err2;
  const int Code2 = varnel_cli::RunCompare(
      {"--dialect", "sqlanywhere", "--master", Bad, "--target", Examples + "orders_v1.sql"}, Out2,
      Err2);
  EXPECT_EQ(Code2, 1);
  EXPECT_EQ(Out2.str(), "");
  EXPECT_NE(Err2.str().find("asa_bad.sql:2:1: error: Missing: <)> (<Terminator>)"),
            std::string::npos)
      << Err2.str();
}
#endif
