// Every DB2 script the library writes reads back: the schema writer's script of a DB2 schema,
// and update scripts (applied to the script of their target) compare to nothing against the
// schema that wrote them; the golden DB2 scripts of the passes read without an error, and the
// objects they create write the statements that created them. The bundled order-entry example
// compares to its golden update script.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "qelDB2Parser.h"
#include "qelDB2ScriptExtract.h"
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
const std::string Examples = std::string(QEL_FIXTURES_DIR) + "/../../examples/data/db2/";

using readback::ReadFile;
using readback::TOutcome;

using TDialect = readback::TDialect<TDB2ScriptExtract, TDB2Parser, dbDB2>;
constexpr auto& Compare = TDialect::Compare;
constexpr auto& ParseInto = TDialect::Parse;
constexpr auto& WrittenBack = TDialect::Written;

const char* const Schemas[] = {"db2/schema.sql", "../../examples/data/db2/orders_v1.sql",
                               "../../examples/data/db2/orders_v2.sql"};

}  // namespace

TEST(DB2ReadBack, TheSchemaWritersScriptComparesToNothing) {
  TDialect::ExpectSchemasCompareToNothing(Fixtures, Schemas);
}

TEST(DB2ReadBack, UpdateScriptsLeadTheTargetToTheMaster) {
  // Each pair both ways: the target script followed by the update script reads as the master.
  // The part of the schema in the default schema: the update passes write SET CURRENT SCHEMA
  // before a view of another schema and do not set it back.
  std::string Schema = ReadFile(Fixtures + "db2/schema.sql");
  Schema = Schema.substr(0, Schema.find("SET CURRENT SCHEMA"));
  const std::string V1 = ReadFile(Examples + "orders_v1.sql");
  const std::string V2 = ReadFile(Examples + "orders_v2.sql");
  const std::string Smaller =
      "CREATE TABLE DEPT (ID INTEGER NOT NULL, NAME VARCHAR(20), OLD_COL INTEGER);\n"
      "CREATE TABLE GONE (ID INTEGER);\n"
      "ALTER TABLE DEPT ADD CONSTRAINT PK_DEPT PRIMARY KEY (ID, NAME);\n"
      "CREATE INDEX IX_DEPT_NAME ON DEPT (NAME);\n"
      "CREATE VIEW RICH (ID, NAME) AS SELECT ID, NAME FROM DEPT;\n";
  const std::pair<std::string, std::string> Pairs[] = {
      {V2, V1}, {V1, V2}, {Schema, Smaller}, {Smaller, Schema}};
  readback::ExpectUpdatesLeadToTheMaster(Compare, Pairs);
}

TEST(DB2ReadBack, GoldenScriptsReadBackIntoTheObjectsThatWroteThem) {
  // Update scripts of the passes (written from hand-built schemas) and of the example: every
  // statement reads without an error, and each object they create writes its statement again.
  const char* Goldens[] = {"keys/update_db2.sql", "tables/passes_db2.sql", "db2/orders_update.sql"};
  for (const char* Name : Goldens) {
    const std::string Text = ReadFile(Fixtures + Name);
    ASSERT_FALSE(Text.empty()) << Name;
    TObjs O;
    O.SetDatabaseType(dbDB2);
    EXPECT_EQ(ParseInto(O, Text), std::vector<std::string>{}) << Name;
    std::string Flat;  // the script with its line breaks as the writers make them
    for (char C : Text)
      if (C != '\r') Flat += C;
    auto Written = [&Flat](const std::string& Def) {
      std::string D;
      for (char C : Def)
        if (C != '\r') D += C;
      return Flat.find(D) != std::string::npos;
    };
    int Objects = 0;
    for (TDbObjList* List : {&O.Tables, &O.Indexes, &O.Constraints, &O.Views}) {
      for (int I = 0; I < List->Count(); ++I) {
        const TDbObj* Obj = List->Objects(I);
        EXPECT_TRUE(Written(Obj->CreateDef())) << Name << ": " << Obj->CreateDef();
        ++Objects;
      }
    }
    EXPECT_GT(Objects, 0) << Name;
  }
}

TEST(DB2ReadBack, OrderEntryExampleGivesItsUpdateScript) {
  readback::ExpectGoldenUpdate(
      Compare({ReadFile(Examples + "orders_v2.sql")}, {ReadFile(Examples + "orders_v1.sql")}),
      Fixtures + "db2/orders_update.sql");
}

TEST(DB2ReadBack, AMalformedScriptWritesNoUpdate) {
  const TOutcome R = Compare({"CREATE TABLE T (ID INTEGER NOT NULL);\nCREATE TABLE U (ID FOO);\n"},
                             {"CREATE TABLE T (ID INTEGER);\n"});
  EXPECT_FALSE(R.Written);
  EXPECT_EQ(R.Script, "");
  ASSERT_FALSE(R.Errors.empty());
  EXPECT_EQ(R.Errors[0], "master0.sql:2:23: Unknown DataType: <Ident>: FOO");
}

#ifdef QEL_HAVE_COMPARE_COMMAND
TEST(DB2ReadBack, TheCompareCommandReadsDB2Scripts) {
  std::ostringstream Out, Err;
  const int Code =
      varnel_cli::RunCompare({"--dialect", "db2", "--master", Examples + "orders_v2.sql",
                              "--target", Examples + "orders_v1.sql"},
                             Out, Err);
  EXPECT_EQ(Code, 0) << Err.str();
  EXPECT_EQ(Out.str(), ReadFile(Fixtures + "db2/orders_update.sql"));

  const std::string Bad = ::testing::TempDir() + "/db2_bad.sql";
  std::ofstream(Bad) << "CREATE TABLE T (ID INTEGER)\nCREATE INDEX I ON T (ID);\n";
  std::ostringstream Out2, Err2;
  const int Code2 = varnel_cli::RunCompare(
      {"--dialect", "db2", "--master", Bad, "--target", Examples + "orders_v1.sql"}, Out2, Err2);
  EXPECT_EQ(Code2, 1);
  EXPECT_EQ(Out2.str(), "");
  EXPECT_NE(Err2.str().find("db2_bad.sql:2:7: error: Missing: <TERM> (CREATE)"), std::string::npos)
      << Err2.str();
}
#endif
