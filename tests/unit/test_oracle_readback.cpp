// Every Oracle script the library writes reads back (the read-back suite's Oracle cases): the
// schema writer's script of an Oracle schema compares to nothing against the schema that wrote
// it; the golden Oracle scripts of the passes (and the example's update script) read without an
// error and the objects they create write the statements that created them. The bundled
// order-entry example compares to its golden update script, and a script that cannot be read
// writes no update script.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "qelOracleParser.h"
#include "qelOracleScriptExtract.h"
#include "test_readback_util.h"

#ifdef QEL_HAVE_COMPARE_COMMAND
#include "varnel_compare.h"
#endif

using namespace qel;
using namespace qel::testing::readback;

namespace {

const TScriptDialect Oracle{
    .Name = "Oracle",
    .Command = "oracle",
    .DB = dbOracle,
    .Compare = CompareScripts<TOracleScriptExtract>,
    .Parse = ParseInto<TOracleParser>,
    .Normal = Flat,
    .Lists = {&TCustomObjs::Tables, &TCustomObjs::Indexes, &TCustomObjs::Constraints,
              &TCustomObjs::Views, &TCustomObjs::Procedures, &TCustomObjs::Generators},
};

/// The reader leaves dropped objects in place (DROP changes nothing in what a script is read
/// into), so an update script read after its target passes its DROP statements by.
TScriptDialect OracleUpdatesDialect() {
  TScriptDialect D = Oracle;
  D.NoStatement = [](const std::string& L) {
    const std::string U = UpperCase(L);
    return U.rfind("DROP ", 0) == 0 ||
           (U.rfind("ALTER TABLE ", 0) == 0 && U.find(" DROP ") != U.npos);
  };
  return D;
}
const TScriptDialect OracleUpdates = OracleUpdatesDialect();

// Schema-qualified objects with every statement kind the reader reads back, beside a table of
// one of their names in the default schema; the empty target takes the master's creation script.
const std::string Qualified = "converge/oracle/schema_qualified_statements/";

const std::string V1 = "../../examples/data/oracle/orders_v1.sql";
const std::string V2 = "../../examples/data/oracle/orders_v2.sql";

const TReadBackCase Cases[] = {
    // Schemas written as Oracle scripts by hand: the example and one with the other kinds.
    {"Schema", &Oracle, rbSchemaWriter, "oracle/schema.sql"},
    {"OrdersV1", &Oracle, rbSchemaWriter, V1},
    {"OrdersV2", &Oracle, rbSchemaWriter, V2},
    {"SchemaQualified", &OracleUpdates, rbUpdate, Qualified + "master.sql",
     Qualified + "target.sql"},
    {"SchemaQualifiedCreated", &OracleUpdates, rbUpdate, Qualified + "master.sql", "\n"},
    // A default and NOT NULL set on columns whose type stays: MODIFY names no type.
    {"DefaultAndNotNullOnly", &OracleUpdates, rbUpdate,
     "CREATE TABLE T (ID NUMBER(10), SAL NUMBER(10,2) DEFAULT 0, NOTE VARCHAR2(20) NOT NULL);\n",
     "CREATE TABLE T (ID NUMBER(10), SAL NUMBER(10,2), NOTE VARCHAR2(20));\n"},
    // A changed constraint is dropped and added again by its name: the new one is read.
    {"ConstraintAddedAgain", &OracleUpdates, rbUpdate,
     "CREATE TABLE T (A NUMBER);\nALTER TABLE T ADD CONSTRAINT C1 CHECK (A > 1);\n",
     "CREATE TABLE T (A NUMBER);\nALTER TABLE T ADD CONSTRAINT C1 CHECK (A > 0);\n"},
    // Update scripts of the passes (written from hand-built schemas) and of the example.
    {"KeysUpdate", &Oracle, rbWrittenScript, "keys/update_oracle.sql"},
    {"TablePasses", &Oracle, rbWrittenScript, "tables/passes_oracle.sql"},
    {"OrdersUpdate", &Oracle, rbWrittenScript, "oracle/orders_update.sql"},
    {"OrderEntryExample", &Oracle, rbGoldenUpdate, V2, V1, "oracle/orders_update.sql"},
    {"TrailingComma", &Oracle, rbMalformed,
     "CREATE TABLE T (ID NUMBER(10) NOT NULL);\nCREATE TABLE U (ID NUMBER(10) NOT NULL,);\n",
     "CREATE TABLE T (ID NUMBER(10));\n", "master0.sql:2:41: Missing: <Ident> (<)>)"},
    // A PL/SQL unit without its "/" line would swallow the statements after it.
    {"BlockWithoutSlashLine", &Oracle, rbMalformed,
     "CREATE TABLE T (ID NUMBER(10));\nCREATE OR REPLACE PROCEDURE P AS\nBEGIN\n  NULL;\n"
     "END;\nCREATE TABLE U (ID NUMBER(10));\n",
     "CREATE TABLE T (ID NUMBER(10));\n",
     "master0.sql:2:1: Missing: \"/\" line after the PL/SQL block."},
#ifdef QEL_HAVE_COMPARE_COMMAND
    {"OrderEntryExample", &Oracle, rbCommand, V2, V1, "oracle/orders_update.sql"},
#endif
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Oracle, ScriptReadBack, ::testing::ValuesIn(Cases), ReadBackName);

#ifdef QEL_HAVE_COMPARE_COMMAND
TEST(OracleReadBack, TheCompareCommandsHelpSaysOracleIsReadFromScriptsOnly) {
  std::ostringstream Help, HelpErr;
  varnel_cli::RunCompare({"--help"}, Help, HelpErr);
  EXPECT_NE(Help.str().find("Oracle (--dialect oracle) is compared from SQL*Plus scripts only"),
            std::string::npos);
}
#endif
