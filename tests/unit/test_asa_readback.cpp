// Every SQL Anywhere script the library writes reads back (the read-back suite's SQL Anywhere
// cases): the schema writer's script of a SQL Anywhere schema, and update scripts (applied to
// the script of their target) compare to nothing against the schema that wrote them; the golden
// SQL Anywhere scripts of the passes and the texts of views, routines and triggers read without
// an error into objects that write the same statements. The bundled order-entry example
// compares to its golden update script.
#include <gtest/gtest.h>

#include <string>

#include "qelASAParser.h"
#include "qelASAScriptExtract.h"
#include "test_readback_util.h"

using namespace qel;
using namespace qel::testing::readback;

namespace {

/// Without blanks: hand-built objects of the golden files carry blanks the reader trims (a
/// check body written as " (x)", an empty body after " ").
std::string Dense(const std::string& S) {
  return Without(S, "\r \t");
}

const TScriptDialect ASA{
    .Name = "SQLAnywhere",
    .Command = "sqlanywhere",
    .DB = dbSybaseASA,
    .Compare = CompareScripts<TASAScriptExtract>,
    .Parse = ParseInto<TASAParser>,
    .Normal = Dense,
    .Lists = {&TCustomObjs::Tables, &TCustomObjs::Indexes, &TCustomObjs::Constraints,
              &TCustomObjs::Views, &TCustomObjs::Events},
    .TableForTexts = "CREATE TABLE ORDERS (ID INTEGER NULL, TOTAL INTEGER NULL)\r\ngo\r\n",
};

const std::string V1 = "../../examples/data/sqlanywhere/orders_v1.sql";
const std::string V2 = "../../examples/data/sqlanywhere/orders_v2.sql";
const std::string Schema = "sqlanywhere/schema.sql";
const std::string Smaller =
    "CREATE TABLE DBA.DEPT (ID INTEGER NOT NULL, NAME VARCHAR(20) NULL, OLD_COL INTEGER NULL,\n"
    "  PRIMARY KEY (ID, NAME))\ngo\n"
    "CREATE TABLE DBA.GONE (ID INTEGER NULL)\ngo\n"
    "CREATE INDEX IX_DEPT_NAME ON DBA.DEPT (NAME)\ngo\n"
    "CREATE VIEW DBA.RICH (ID, NAME) AS SELECT ID, NAME FROM DEPT\ngo\n";

// Routine parameters with defaults, one of them changed; objects of the owner app. The empty
// targets take the masters' creation scripts.
const std::string Defaults = "converge/sqlanywhere/parameter_defaults/";
const std::string Owned = "converge/sqlanywhere/owned_objects/";

/// A schema whose statements end with ";" and no go line, views, routines, a trigger, MESSAGE
/// and IF standing between its tables, and the same schema written with go lines.
const std::string NoGo = "converge/sqlanywhere/statements_without_go/master.sql";
const std::string NoGoWithGo = "converge/sqlanywhere/statements_without_go/master_go.sql";

/// The same keys in ascending order and with descending columns.
const std::string KeysAsc = "converge/sqlanywhere/key_column_order/target.sql";
const std::string KeysDesc = "converge/sqlanywhere/key_column_order/master.sql";

/// FLOAT(p) by its mantissa bits: 1 to 24 single precision as FLOAT alone, 25 to 53 double.
const std::string Float = "converge/sqlanywhere/float_precision/";

const TReadBackCase Cases[] = {
    {"Schema", &ASA, rbSchemaWriter, Schema},
    {"OrdersV1", &ASA, rbSchemaWriter, V1},
    {"OrdersV2", &ASA, rbSchemaWriter, V2},
    // Each pair both ways: the target script followed by the update script reads as the master.
    {"OrdersV2OverV1", &ASA, rbUpdate, V2, V1},
    {"OrdersV1OverV2", &ASA, rbUpdate, V1, V2},
    {"SchemaOverSmaller", &ASA, rbUpdate, Schema, Smaller},
    {"SmallerOverSchema", &ASA, rbUpdate, Smaller, Schema},
    {"ParameterDefaults", &ASA, rbSchemaWriter, Defaults + "master.sql"},
    {"ParameterDefaults", &ASA, rbUpdate, Defaults + "master.sql", Defaults + "target.sql"},
    {"ParameterDefaultsCreated", &ASA, rbUpdate, Defaults + "master.sql", "\n"},
    {"OwnedObjects", &ASA, rbSchemaWriter, Owned + "master.sql"},
    {"OwnedObjects", &ASA, rbUpdate, Owned + "master.sql", Owned + "target.sql"},
    {"OwnedObjectsCreated", &ASA, rbUpdate, Owned + "master.sql", "\n"},
    // Update scripts of the passes (written from hand-built schemas) and of the example.
    {"KeysUpdate", &ASA, rbWrittenScript, "keys/update_asa.sql"},
    {"TablePasses", &ASA, rbWrittenScript, "tables/passes_asa.sql"},
    {"OrdersUpdate", &ASA, rbWrittenScript, "sqlanywhere/orders_update.sql"},
    {"Texts", &ASA, rbCodeTexts, "code_objects/texts_asa.sql", "", "", 7},
    {"OrderEntryExample", &ASA, rbGoldenUpdate, V2, V1, "sqlanywhere/orders_update.sql"},
    // Statements ended by ";" alone are read whole and one by one, as with go lines.
    {"StatementsWithoutGo", &ASA, rbSameSchema, NoGo, NoGoWithGo},
    // A key's column order is compared and written, both ways.
    {"DescendingKeyColumns", &ASA, rbUpdate, KeysDesc, KeysAsc},
    {"AscendingKeyColumns", &ASA, rbUpdate, KeysAsc, KeysDesc},
    {"FloatPrecision", &ASA, rbUpdate, Float + "master.sql", Float + "target.sql"},
    {"FloatPrecisionBack", &ASA, rbUpdate, Float + "target.sql", Float + "master.sql"},
    {"UnknownType", &ASA, rbMalformed,
     "CREATE TABLE T (ID INTEGER NOT NULL)\ngo\nCREATE TABLE U (ID LONG NVARCHAR)\ngo\n",
     "CREATE TABLE T (ID INTEGER NULL)\ngo\n", "master0.sql:3:33: Unknown datatype: LONG NVARCHAR"},
    // A column's own check taken away: MODIFY ... CHECK NULL reads back.
    {"ColumnCheckRemoved", &ASA, rbUpdate, "CREATE TABLE T (A INT NULL)\ngo\n",
     "CREATE TABLE T (A INT NULL CHECK (A IN (0, 1)))\ngo\n"},
    // Types the catalog reports, with their sizes, written and read back.
    {"CatalogTypes", &ASA, rbUpdate,
     "CREATE TABLE T (A BIGINT, B NVARCHAR(20), C VARBINARY(8), D UNIQUEIDENTIFIER, E NCHAR(2))"
     "\ngo\n",
     "CREATE TABLE T (A INTEGER, B NVARCHAR(10))\ngo\n"},
#ifdef QEL_HAVE_COMPARE_COMMAND
    {"OrderEntryExample", &ASA, rbCommand, V2, V1, "sqlanywhere/orders_update.sql", 0,
     "CREATE TABLE T (ID INTEGER\ngo\nCREATE INDEX I ON T (ID)\ngo\n",
     "2:1: error: Missing: <)> (<Terminator>)"},
#endif
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(SQLAnywhere, ScriptReadBack, ::testing::ValuesIn(Cases), ReadBackName);
