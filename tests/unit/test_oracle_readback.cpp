// Every Oracle script the library writes reads back: the schema writer's script of an Oracle
// schema compares to nothing against the schema that wrote it; the golden Oracle scripts of the
// passes (and the example's update script) read without an error and the objects they create
// write the statements that created them. The bundled order-entry example compares to its
// golden update script, and a script that cannot be read writes no update script.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "qelDBStructure.h"
#include "qelOracleParser.h"
#include "qelOracleScriptExtract.h"
#include "qelVarnel.h"
#include "test_readback_util.h"

#ifdef QEL_HAVE_COMPARE_COMMAND
#include "varnel_compare.h"
#endif

using namespace qel;
namespace readback = qel::testing::readback;

namespace {

const std::string Fixtures = std::string(QEL_FIXTURES_DIR) + "/";
const std::string Examples = std::string(QEL_FIXTURES_DIR) + "/../../examples/data/oracle/";

using readback::ReadFile;
using readback::TOutcome;

using TDialect = readback::TDialect<TOracleScriptExtract, TOracleParser, dbOracle>;
constexpr auto& Compare = TDialect::Compare;
constexpr auto& ParseInto = TDialect::Parse;
constexpr auto& WrittenBack = TDialect::Written;

/// Schemas written as Oracle scripts by hand: the example and one with the other object kinds.
const char* const Schemas[] = {"oracle/schema.sql", "../../examples/data/oracle/orders_v1.sql",
                               "../../examples/data/oracle/orders_v2.sql"};

}  // namespace

TEST(OracleReadBack, TheSchemaWritersScriptComparesToNothing) {
  TDialect::ExpectSchemasCompareToNothing(Fixtures, Schemas);
}

TEST(OracleReadBack, GoldenScriptsReadBackIntoTheObjectsThatWroteThem) {
  // Update scripts of the passes (written from hand-built schemas) and of the example: every
  // statement reads without an error, and each object they create writes its statement again.
  const char* Goldens[] = {"keys/update_oracle.sql", "tables/passes_oracle.sql",
                           "oracle/orders_update.sql"};
  for (const char* Name : Goldens) {
    const std::string Text = ReadFile(Fixtures + Name);
    ASSERT_FALSE(Text.empty()) << Name;
    TObjs O;
    O.SetDatabaseType(dbOracle);
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
    for (TDbObjList* List :
         {&O.Tables, &O.Indexes, &O.Constraints, &O.Views, &O.Procedures, &O.Generators}) {
      for (int I = 0; I < List->Count(); ++I) {
        const TDbObj* Obj = List->Objects(I);
        EXPECT_TRUE(Written(Obj->CreateDef())) << Name << ": " << Obj->CreateDef();
        ++Objects;
      }
    }
    EXPECT_GT(Objects, 0) << Name;
  }
}

TEST(OracleReadBack, OrderEntryExampleGivesItsUpdateScript) {
  readback::ExpectGoldenUpdate(
      Compare({ReadFile(Examples + "orders_v2.sql")}, {ReadFile(Examples + "orders_v1.sql")}),
      Fixtures + "oracle/orders_update.sql");
}

TEST(OracleReadBack, AMalformedScriptWritesNoUpdate) {
  struct TCase {
    const char* Master;
    const char* Error;
  };
  const TCase Cases[] = {
      {"CREATE TABLE T (ID NUMBER(10) NOT NULL);\nCREATE TABLE U (ID NUMBER(10) NOT NULL,);\n",
       "master0.sql:2:41: Missing: <Ident> (<)>)"},
      // A PL/SQL unit without its "/" line would swallow the statements after it.
      {"CREATE TABLE T (ID NUMBER(10));\nCREATE OR REPLACE PROCEDURE P AS\nBEGIN\n  NULL;\n"
       "END;\nCREATE TABLE U (ID NUMBER(10));\n",
       "master0.sql:2:1: Missing: \"/\" line after the PL/SQL block."},
  };
  for (const TCase& C : Cases) {
    const TOutcome R = Compare({C.Master}, {"CREATE TABLE T (ID NUMBER(10));\n"});
    EXPECT_FALSE(R.Written) << C.Master;
    EXPECT_EQ(R.Script, "");
    ASSERT_FALSE(R.Errors.empty()) << C.Master;
    EXPECT_EQ(R.Errors[0], C.Error);
  }
}

#ifdef QEL_HAVE_COMPARE_COMMAND
TEST(OracleReadBack, TheCompareCommandReadsOracleScripts) {
  std::ostringstream Out, Err;
  const int Code =
      varnel_cli::RunCompare({"--dialect", "oracle", "--master", Examples + "orders_v2.sql",
                              "--target", Examples + "orders_v1.sql"},
                             Out, Err);
  EXPECT_EQ(Code, 0) << Err.str();
  EXPECT_EQ(Out.str(), ReadFile(Fixtures + "oracle/orders_update.sql"));

  std::ostringstream Help, HelpErr;
  varnel_cli::RunCompare({"--help"}, Help, HelpErr);
  EXPECT_NE(Help.str().find("Oracle (--dialect oracle) is compared from SQL*Plus scripts only"),
            std::string::npos);
}
#endif
