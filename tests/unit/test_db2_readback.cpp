// Every DB2 script the library writes reads back (the read-back suite's DB2 cases): the schema
// writer's script of a DB2 schema, and update scripts (applied to the script of their target)
// compare to nothing against the schema that wrote them; the golden DB2 scripts of the passes
// read without an error, and the objects they create write the statements that created them.
// The bundled order-entry example compares to its golden update script.
#include <gtest/gtest.h>

#include <string>

#include "qelDB2Parser.h"
#include "qelDB2ScriptExtract.h"
#include "test_readback_util.h"

using namespace qel;
using namespace qel::testing::readback;

namespace {

const TScriptDialect DB2{
    .Name = "DB2",
    .Command = "db2",
    .DB = dbDB2,
    .Compare = CompareScripts<TDB2ScriptExtract>,
    .Parse = ParseInto<TDB2Parser>,
    .Normal = Flat,
    .Lists = {&TCustomObjs::Tables, &TCustomObjs::Indexes, &TCustomObjs::Constraints,
              &TCustomObjs::Views},
};

const std::string V1 = "../../examples/data/db2/orders_v1.sql";
const std::string V2 = "../../examples/data/db2/orders_v2.sql";
// The part of the schema in the default schema: the update passes write SET CURRENT SCHEMA
// before a view of another schema and do not set it back.
const std::string DefaultSchemaPart = "db2/schema.sql up to SET CURRENT SCHEMA";
const std::string Smaller =
    "CREATE TABLE DEPT (ID INTEGER NOT NULL, NAME VARCHAR(20), OLD_COL INTEGER);\n"
    "CREATE TABLE GONE (ID INTEGER);\n"
    "ALTER TABLE DEPT ADD CONSTRAINT PK_DEPT PRIMARY KEY (ID, NAME);\n"
    "CREATE INDEX IX_DEPT_NAME ON DEPT (NAME);\n"
    "CREATE VIEW RICH (ID, NAME) AS SELECT ID, NAME FROM DEPT;\n";

// Keys written inside CREATE TABLE, as table constraints and after a column's type, read as the
// same keys added by ALTER TABLE.
const std::string KeysInCreate =
    "CREATE TABLE P (ID INTEGER NOT NULL, CODE CHAR(2) NOT NULL,\n"
    "  CONSTRAINT PK_P PRIMARY KEY (ID), UNIQUE (CODE));\n"
    "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, P_ID INTEGER REFERENCES P (ID)\n"
    "  ON DELETE CASCADE, N INTEGER CONSTRAINT CK_N CHECK (N > 0) NOT NULL,\n"
    "  FOREIGN KEY (N) REFERENCES P (ID), CONSTRAINT UQ_T UNIQUE (P_ID, N));\n";
const std::string KeysAltered =
    "CREATE TABLE P (ID INTEGER NOT NULL, CODE CHAR(2) NOT NULL);\n"
    "CREATE TABLE T (ID INTEGER NOT NULL, P_ID INTEGER, N INTEGER NOT NULL);\n"
    "ALTER TABLE P ADD CONSTRAINT PK_P PRIMARY KEY (ID);\n"
    "ALTER TABLE P ADD UNIQUE (CODE);\n"
    "ALTER TABLE T ADD PRIMARY KEY (ID);\n"
    "ALTER TABLE T ADD FOREIGN KEY (P_ID) REFERENCES P (ID) ON DELETE CASCADE;\n"
    "ALTER TABLE T ADD CONSTRAINT CK_N CHECK (N > 0);\n"
    "ALTER TABLE T ADD FOREIGN KEY (N) REFERENCES P (ID);\n"
    "ALTER TABLE T ADD CONSTRAINT UQ_T UNIQUE (P_ID, N);\n";

// Schema-qualified objects with every statement kind, beside a table of one of their names in
// the default schema; the empty target takes the master's creation script.
const std::string Qualified = "converge/db2/schema_qualified_statements/";

const TReadBackCase Cases[] = {
    {"Schema", &DB2, rbSchemaWriter, "db2/schema.sql"},
    {"OrdersV1", &DB2, rbSchemaWriter, V1},
    {"OrdersV2", &DB2, rbSchemaWriter, V2},
    // Each pair both ways: the target script followed by the update script reads as the master.
    {"OrdersV2OverV1", &DB2, rbUpdate, V2, V1},
    {"OrdersV1OverV2", &DB2, rbUpdate, V1, V2},
    {"SchemaOverSmaller", &DB2, rbUpdate, DefaultSchemaPart, Smaller},
    {"SmallerOverSchema", &DB2, rbUpdate, Smaller, DefaultSchemaPart},
    {"SchemaQualified", &DB2, rbSchemaWriter, Qualified + "master.sql"},
    {"SchemaQualified", &DB2, rbUpdate, Qualified + "master.sql", Qualified + "target.sql"},
    {"SchemaQualifiedCreated", &DB2, rbUpdate, Qualified + "master.sql", "\n"},
    {"KeysInCreateTable", &DB2, rbSameSchema, KeysInCreate, KeysAltered},
    {"KeysInCreateTable", &DB2, rbUpdate, KeysInCreate, "\n"},
    // A primary key without a name is dropped without one.
    {"UnnamedKeyWidened", &DB2, rbUpdate,
     "CREATE TABLE C (S INTEGER NOT NULL, N INTEGER NOT NULL, PRIMARY KEY (S, N));\n",
     "CREATE TABLE C (S INTEGER NOT NULL, N INTEGER NOT NULL, PRIMARY KEY (N));\n"},
    // Update scripts of the passes (written from hand-built schemas) and of the example.
    {"KeysUpdate", &DB2, rbWrittenScript, "keys/update_db2.sql"},
    {"TablePasses", &DB2, rbWrittenScript, "tables/passes_db2.sql"},
    {"OrdersUpdate", &DB2, rbWrittenScript, "db2/orders_update.sql"},
    {"OrderEntryExample", &DB2, rbGoldenUpdate, V2, V1, "db2/orders_update.sql"},
    {"UnknownType", &DB2, rbMalformed,
     "CREATE TABLE T (ID INTEGER NOT NULL);\nCREATE TABLE U (ID FOO);\n",
     "CREATE TABLE T (ID INTEGER);\n", "master0.sql:2:23: Unknown DataType: <Ident>: FOO"},
#ifdef QEL_HAVE_COMPARE_COMMAND
    {"OrderEntryExample", &DB2, rbCommand, V2, V1, "db2/orders_update.sql", 0,
     "CREATE TABLE T (ID INTEGER)\nCREATE INDEX I ON T (ID);\n",
     "2:7: error: Missing: <TERM> (CREATE)"},
#endif
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(DB2, ScriptReadBack, ::testing::ValuesIn(Cases), ReadBackName);
