// Every SQL Server and ASE script the library writes reads back (the read-back suite's cases of
// both dialects): the schema writer's script and update scripts (applied to the script of their
// target, the SQL Server table rebuild too) compare to nothing against the schema that wrote
// them; the golden scripts of the passes and the texts of views, routines and triggers read into
// objects that write the same statements. The order-entry example compares to its golden update
// script in both dialects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelASEParser.h"
#include "qelASEScriptExtract.h"
#include "qelMSSQLParser.h"
#include "qelMSSQLScriptExtract.h"
#include "test_readback_util.h"

using namespace qel;
using namespace qel::testing::readback;

namespace {

using TTexts = std::vector<std::string>;

/// The header lines of an update script (the database it is for) and the GO lines.
bool NoStatement(const std::string& L) {
  return SameText(L, "GO") || SameText(L.substr(0, 4), "USE ") || L.rfind("-- ", 0) == 0;
}

/// Without blanks, line breaks and the default schema: hand-built objects of the golden files
/// carry blanks the reader trims and no schema, where the reader files them under dbo.
std::string Dense(const std::string& S) {
  std::string R = Without(S, "\r \t\n");
  for (std::size_t At; (At = R.find("DBO.")) != std::string::npos;) R.erase(At, 4);
  return R;
}

const TScriptDialect SQLServer{
    .Name = "SQLServer",
    .Command = "mssql",
    .DB = dbMSSQL,
    .Compare = CompareScripts<TMSSQLScriptExtract>,
    .Parse = ParseInto<TMSSQLParser>,
    .NoStatement = NoStatement,
    .Normal = Dense,
    .Lists = {&TCustomObjs::Tables, &TCustomObjs::Indexes, &TCustomObjs::Constraints,
              &TCustomObjs::Views},
    .TableForTexts = "CREATE TABLE ORDERS (ID INTEGER NULL, TOTAL INTEGER NULL)\nGO\n",
};

TScriptDialect ASEDialect() {
  TScriptDialect D = SQLServer;
  D.Name = "ASE";
  D.Command = "ase";
  D.DB = dbSybaseASE;
  D.Compare = CompareScripts<TASEScriptExtract>;
  D.Parse = ParseInto<TASEParser>;
  return D;
}
const TScriptDialect ASE = ASEDialect();

/// The cases of a Transact-SQL dialect: Folder names its fixture and example folders, Suffix its
/// shared golden files; Change is a schema-change case of its own (converge/<dialect>/<case>/),
/// read back after its update script and, from an empty target, after its creation script.
std::vector<TReadBackCase> Cases(const TScriptDialect& D, const std::string& Folder,
                                 const std::string& Suffix, const char* ChangeName,
                                 const char* ChangeCreatedName, const std::string& Change) {
  const std::string Schema = Folder + "/schema.sql", Smaller = Folder + "/smaller.sql";
  const std::string V1 = "../../examples/data/" + Folder + "/orders_v1.sql";
  const std::string V2 = "../../examples/data/" + Folder + "/orders_v2.sql";
  const std::string Update = Folder + "/orders_update.sql";
  return {
      {"Schema", &D, rbSchemaWriter, Schema},
      {"OrdersV1", &D, rbSchemaWriter, V1},
      {"OrdersV2", &D, rbSchemaWriter, V2},
      {"OrdersV2OverV1", &D, rbUpdate, V2, V1},
      {"OrdersV1OverV2", &D, rbUpdate, V1, V2},
      {"SchemaOverSmaller", &D, rbUpdate, Schema, Smaller},
      {"SmallerOverSchema", &D, rbUpdate, Smaller, Schema},
      {ChangeName, &D, rbSchemaWriter, Change + "master.sql"},
      {ChangeName, &D, rbUpdate, Change + "master.sql", Change + "target.sql"},
      {ChangeCreatedName, &D, rbUpdate, Change + "master.sql", "\n"},
      {"KeysUpdate", &D, rbWrittenScript, "keys/update_" + Suffix + ".sql"},
      {"TablePasses", &D, rbWrittenScript, "tables/passes_" + Suffix + ".sql"},
      {"OrdersUpdate", &D, rbWrittenScript, Update},
      {"Texts", &D, rbCodeTexts, "code_objects/texts_" + Suffix + ".sql", "", "", 7},
      {"OrderEntryExample", &D, rbGoldenUpdate, V2, V1, Update},
      // A batch may start with a system procedure called without EXEC.
      {"ProcedureCalledWithoutExec", &D, rbSameSchema,
       "sp_addtype t_code, 'char(2)', 'not null'\ngo\nCREATE TABLE T (A t_code)\ngo\n",
       "EXEC sp_addtype t_code, 'char(2)', 'not null'\ngo\nCREATE TABLE T (A t_code)\ngo\n"},
#ifdef QEL_HAVE_COMPARE_COMMAND
      {"OrderEntryExample", &D, rbCommand, V2, V1, Update, 0,
       "CREATE TABLE T (ID INTEGER\ngo\nCREATE INDEX I ON T (ID)\ngo\n",
       "2:1: error: Missing: <)> (<Terminator>)"},
#endif
  };
}

}  // namespace

// Defaults added to a table of schema sales and the description of a database-level trigger.
INSTANTIATE_TEST_SUITE_P(
    SQLServer, ScriptReadBack,
    ::testing::ValuesIn(Cases(SQLServer, "mssql", "mssql", "SchemaDefaultAndDatabaseTrigger",
                              "SchemaDefaultAndDatabaseTriggerCreated",
                              "converge/mssql/schema_default_and_database_trigger/")),
    ReadBackName);
// Names with blanks and names that are reserved words.
INSTANTIATE_TEST_SUITE_P(ASE, ScriptReadBack,
                         ::testing::ValuesIn(Cases(ASE, "ase", "ase", "NamesThatNeedQuoting",
                                                   "NamesThatNeedQuotingCreated",
                                                   "converge/ase/names_that_need_quoting/")),
                         ReadBackName);

TEST(TSQLReadBack, TheSQLServerTableRebuildLeadsTheTargetToTheMaster) {
  // Columns in another order: with UpdateColumnPosition the table is copied, dropped and made
  // anew with its keys, indexes and triggers.
  const std::string V1 =
      ReadFile(std::string(QEL_FIXTURES_DIR) + "/../../examples/data/mssql/orders_v1.sql");
  std::string Moved = V1;
  const std::string From = "  email       varchar(120) NULL,\n  phone       varchar(30) NULL,\n";
  const std::string To = "  phone       varchar(30) NULL,\n  email       varchar(120) NULL,\n";
  ASSERT_NE(Moved.find(From), std::string::npos);
  Moved.replace(Moved.find(From), From.size(), To);
  auto Setup = [](TVarnel& V) {
    V.GetMSSQLServerOptions().GetMSSQLCompareOptions().UpdateColumnPosition = true;
  };
  const TOutcome U = SQLServer.Compare({Moved}, {V1}, Setup);
  ASSERT_EQ(U.Errors, TTexts{});
  EXPECT_NE(U.Script.find("SET IDENTITY_INSERT"), std::string::npos) << U.Script;
  const TOutcome Again = SQLServer.Compare({Moved}, {V1, U.Script}, Setup);
  EXPECT_EQ(Again.Errors, TTexts{}) << U.Script;
  EXPECT_EQ(SQLServer.Statements(Again.Script), "") << U.Script;
}
