// What an update script leaves undone is said, never silently dropped: for each dialect, pairs of
// scripts (tests/fixtures/undone/<dialect>/<case>/) compare through the example program's
// compare command to the update script kept beside them (update.sql), and standard error names
// once each change that script does not carry over. A master converted from another dialect
// whose column type the target's writer cannot spell is refused, naming the column.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "qelASEDatabaseExtract.h"
#include "qelComp_Dmn.h"
#include "qelComp_Tbl.h"
#include "qelDB2DatabaseExtract.h"
#include "qelDB2Parser.h"
#include "test_replay_util.h"
#include "test_varnel_util.h"

#ifdef QEL_HAVE_COMPARE_COMMAND
#include "varnel_compare.h"
#endif

using namespace qel;
using namespace qel::testing;

namespace {

const std::string Fixtures = std::string(QEL_FIXTURES_DIR) + "/undone/";

std::string ReadFile(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

int Occurrences(const std::string& Text, const std::string& Part) {
  int N = 0;
  for (auto At = Text.find(Part); At != std::string::npos; At = Text.find(Part, At + 1)) ++N;
  return N;
}

#ifdef QEL_HAVE_COMPARE_COMMAND

/// One pair of scripts and the warnings its comparison must print, each once and no other.
struct TCase {
  const char* Dir;  ///< under undone/<dialect>/
  std::vector<std::string> Warnings;
  /// The master read instead of the case's master.sql ("" for master.sql).
  std::string Master = "";
};

void ExpectUndoneNamed(const std::string& Dialect, const std::vector<TCase>& Cases) {
  for (const TCase& C : Cases) {
    const std::string Dir = Fixtures + Dialect + "/" + C.Dir + "/";
    const std::string Master = C.Master.empty() ? Dir + "master.sql" : C.Master;
    std::ostringstream Out, Err;
    const int Code = varnel_cli::RunCompare(
        {"--dialect", Dialect, "--master", Master, "--target", Dir + "target.sql"}, Out, Err);
    const std::string Name = Dialect + "/" + C.Dir + " (" + Master + ")";
    EXPECT_EQ(Code, 0) << Name << "\n" << Err.str();
    if (std::getenv("QEL_UPDATE_GOLDEN") && C.Master.empty())
      std::ofstream(Dir + "update.sql", std::ios::binary) << Out.str();
    // The statements are those the comparison wrote before it said what it leaves undone.
    EXPECT_EQ(Out.str(), ReadFile(Dir + "update.sql")) << Name;
    for (const std::string& W : C.Warnings)
      EXPECT_EQ(Occurrences(Err.str(), W + "\n"), 1) << Name << ": " << W << "\n" << Err.str();
    EXPECT_EQ(Occurrences(Err.str(), ": warning: "), static_cast<int>(C.Warnings.size()))
        << Name << "\n"
        << Err.str();
    EXPECT_EQ(Occurrences(Err.str(), ": error: "), 0) << Name << "\n" << Err.str();
  }
}

const std::string NotAltered = "warning: Column ";

TEST(UndoneChanges, DB2ColumnChangesAreNamedOncePerColumn) {
  ExpectUndoneNamed(
      "db2",
      {{"column_changes",
        {NotAltered + "DEPT.ID is not altered by the update script: type INTEGER -> BIGINT",
         NotAltered +
             "DEPT.NAME is not altered by the update script: type VARCHAR(20) -> VARCHAR(40)",
         NotAltered + "DEPT.CODE is not altered by the update script: NULL -> NOT NULL",
         NotAltered + "DEPT.BUDGET is not altered by the update script: default 0 -> 100",
         NotAltered + "DEPT.NOTE is not altered by the update script: NOT NULL -> NULL",
         NotAltered + "EMP.SALARY is not altered by the update script: type DECIMAL(9,2) -> "
                      "DECIMAL(11,2); NULL -> NOT NULL; default none -> 0"}}});
}

TEST(UndoneChanges, ASETypesLengthsAndNullabilityAreNamedAndTablesDifferingInCase) {
  ExpectUndoneNamed(
      "ase",
      {{"column_changes",
        // The default is written (REPLACE ... DEFAULT), so it is not named.
        {NotAltered + "dept.id is not altered by the update script: type INTEGER -> NUMERIC(10)",
         NotAltered +
             "dept.name is not altered by the update script: type VARCHAR(20) -> VARCHAR(40)",
         NotAltered + "dept.code is not altered by the update script: NULL -> NOT NULL",
         NotAltered + "dept.note is not altered by the update script: NOT NULL -> NULL"}},
       {"tables_differing_in_case",
        {"master.sql:4:22: warning: Tables orders and ORDERS differ only in case and are read as "
         "one, orders: the definition of ORDERS is left out of the comparison"}}});
}

TEST(UndoneChanges, OracleNullabilityIsNamed) {
  // The changed type is written; only the nullability is left undone.
  ExpectUndoneNamed(
      "oracle",
      {{"nullability",
        {NotAltered + "DEPT.CODE is not altered by the update script: NULL -> NOT NULL",
         NotAltered + "DEPT.NOTE is not altered by the update script: NOT NULL -> NULL"}}});
}

TEST(UndoneChanges, SqlServerIndexFiltersAndUnnamedConstraintsAreNamed) {
  const std::string Filter = ": warning: Index ";
  const std::string Unnamed = "warning: Constraint of table ";
  const std::string NotDropped =
      " without a name is not dropped by the update script (no statement drops it; the script "
      "holds its drop as a comment): ";
  ExpectUndoneNamed(
      "mssql",
      {{"filters_and_unnamed_keys",
        // Both scripts' filters; the keys of GONE go with their table, unnamed.
        {"target.sql:8:50" + Filter +
             "IX_EMP_ACTIVE on EMP: its filter is not kept (WHERE active = 1): the index is "
             "compared and written as one over the whole table",
         "master.sql:5:50" + Filter +
             "IX_EMP_ACTIVE on EMP: its filter is not kept (WHERE active = 1): the index is "
             "compared and written as one over the whole table",
         "master.sql:7:46" + Filter +
             "IX_EMP_NEW on EMP: its filter is not kept (WHERE active IS NOT NULL): the index is "
             "compared and written as one over the whole table",
         Unnamed + "EMP" + NotDropped + "FOREIGN KEY (DEPT_ID) REFERENCES DBO.DEPT (ID)",
         Unnamed + "DEPT" + NotDropped + "PRIMARY KEY (ID)"}}});
}

TEST(UndoneChanges, AnEmptyMasterWarnsThatEverythingIsDropped) {
  const std::string Empty =
      "varnel compare: warning: The master schema holds no object: the update script drops "
      "everything in the target.";
  const std::string Bom = ::testing::TempDir() + "/undone_bom_only.sql";
  std::ofstream(Bom, std::ios::binary) << "\xEF\xBB\xBF";
  // A file without a statement, a file of a byte-order mark alone and an empty device.
  for (const std::string& Master : {std::string(), Bom, std::string("/dev/null")}) {
    ExpectUndoneNamed("db2", {{"empty_master", {Empty}, Master}});
    ExpectUndoneNamed("mssql", {{"empty_master", {Empty}, Master}});
  }
  // Nothing to drop, nothing to say.
  std::ostringstream Out, Err;
  EXPECT_EQ(varnel_cli::RunCompare({"--dialect", "mssql", "--master", Bom, "--target", "/dev/null"},
                                   Out, Err),
            0);
  EXPECT_EQ(Err.str(), "");
}

TEST(UndoneChanges, ReadersRefuseTypesNoWriterSpells) {
  const std::string Script = ::testing::TempDir() + "/undone_asa_long.sql";
  for (const char* Type : {"LONG NVARCHAR", "LONG VARBIT"}) {
    std::ofstream(Script) << "CREATE TABLE t (id INTEGER NOT NULL,\n  a " << Type << " NULL);\n";
    std::ostringstream Out, Err;
    EXPECT_EQ(
        varnel_cli::RunCompare(
            {"--dialect", "sqlanywhere", "--master", Script, "--target", "/dev/null"}, Out, Err),
        1);
    EXPECT_EQ(Out.str(), "");
    EXPECT_NE(Err.str().find("undone_asa_long.sql:2:" + std::to_string(5 + std::strlen(Type)) +
                             ": error: Unknown datatype: " + Type),
              std::string::npos)
        << Err.str();
  }
}

#endif  // QEL_HAVE_COMPARE_COMMAND

}  // namespace

TEST(UndoneChanges, AConvertedTypeTheTargetCannotSpellRefusesTheScript) {
  struct TTarget {
    TDatabaseType DB;
    const char* Dialect;  ///< as the comparer names it; "" when the type is written
    const char* Column;   ///< as the conversion renamed it
  };
  // An Oracle object type: its name is all the master has. SQL Anywhere writes a column typed
  // by name; the other writers need a type they know.
  const TTarget Targets[] = {{dbPostgreSQL, "PostgreSQL", "geo.shape"},
                             {dbMSSQL, "MS SQL Server", "geo.shape"},
                             {dbMySQL, "MySQL", "geo.shape"},
                             {dbInterBase, "InterBase/Firebird", "GEO.SHAPE"},
                             {dbSybaseASA, "", ""}};
  for (const TTarget& To : Targets) {
    TCodeRig R(dbOracle);
    R.TH.SetDatabaseType(To.DB);
    TTblData* Geo = MakeTable(R.Master(), "geo", {{"id", iftInteger, 0, true}, {"shape"}});
    Geo->Fields[1]->FieldType = iftUnknown;
    Geo->Fields[1]->DomainName = "SDO_GEOMETRY";
    MakeTable(R.Target(), "OTHER", {{"ID", iftInteger}});
    const bool Written = R.V.CompareDatabases();
    EXPECT_EQ(Written, *To.Dialect == '\0') << To.Dialect;
    EXPECT_EQ(R.Script().find("? DataType"), std::string::npos) << To.Dialect << R.Script();
    EXPECT_EQ(R.Script().find("? datatype"), std::string::npos) << To.Dialect << R.Script();
    if (Written) continue;
    EXPECT_EQ(R.V.GetSQLExec() ? R.V.GetSQLExec()->GetStatementsCount() : 0, 0);
    EXPECT_TRUE(AnyContains(R.Errors, "the data type of " + std::string(To.Column) +
                                          " cannot be written in " + To.Dialect))
        << ::testing::PrintToString(R.Errors);
    // The master is put back: in its own dialect the type is written by its name.
    EXPECT_FALSE(TypeUnwritable(*Geo->Fields[1]));
  }
}

TEST(UndoneChanges, ADB2CatalogDbclobReadsAsTheScriptsDoes) {
  TObjs O;
  O.SetDatabaseType(dbDB2);
  TDB2Parser P(&O);
  P.OnErrorMessage = [](TObject*, const std::string&) {};
  P.ParseScriptText("CREATE TABLE T (A DBCLOB NOT NULL);", &O);
  ASSERT_EQ(P.MsgManager.GetMsgCount(), 0);
  TTblData* T = O.GetTable("T");
  ASSERT_TRUE(T && T->Fields.Count() == 1);

  TDB2DBExtract Ex(nullptr);
  TFldData F(&O);
  Ex.ColumnType(F, "DBCLOB  ", 0, 0, 1048576, 1048576);
  EXPECT_EQ(F.FieldType, iftDbClob);
  EXPECT_EQ(F.TypeDef(), T->Fields[0]->TypeDef());
  EXPECT_EQ(F.TypeDef(), "DBCLOB NOT NULL");
}

TEST(UndoneChanges, AConvertedDomainTheTargetCannotSpellRefusesTheScript) {
  // A PostgreSQL domain over another domain: SQL Server declares a type by a base type only.
  TCodeRig R(dbPostgreSQL);
  R.TH.SetDatabaseType(dbMSSQL);
  auto* D = new TDmnData(&R.Master());
  D->SetObjName("short_name");
  D->TypeField->FieldType = iftDomain;
  D->TypeField->DomainName = "name_text";
  ASSERT_TRUE(R.Master().AddObj(D));
  EXPECT_FALSE(R.V.CompareDatabases());
  EXPECT_TRUE(
      AnyContains(R.Errors, "the data type of short_name cannot be written in MS SQL Server"))
      << ::testing::PrintToString(R.Errors);
  EXPECT_EQ(R.V.GetSQLExec() ? R.V.GetSQLExec()->GetStatementsCount() : 0, 0);
}

using UndoneChangesASECatalog = qel::testing::TReplayExtractTest<TASEDBExtract>;

TEST_F(UndoneChangesASECatalog, TablesDifferingInCaseAreNamedWhenTheCatalogIsRead) {
  // The server's catalog with a third table, ORDERS beside orders.
  std::string Text = qel::testing::ReplayFixture("ase_extract.replay");
  const std::string Row = "row\t200\tcustomer\tdbo\n";
  const std::size_t At = Text.find(Row);
  ASSERT_NE(At, std::string::npos);
  Text.insert(At + Row.size(), "row\t300\tORDERS\tdbo\n");
  Open(Text, "ase_extract.replay", "replay-ase-twins", cnADO, dbSybaseASE);
  C->GetConnectionOptions().SetDatabaseName("orders");
  Link();
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Objs().Tables.Count(), 2);
  std::vector<std::string> Warnings;
  for (int I = 0; I < Ex.MsgManager.GetMsgCount(); ++I)
    if (Ex.MsgManager.Items(I).MsgType == mt_Wrn) Warnings.push_back(Ex.MsgManager.Items(I).Text);
  EXPECT_EQ(Warnings, std::vector<std::string>{
                          "Tables orders and ORDERS differ only in case and are read as one, "
                          "orders: the definition of ORDERS is left out of the comparison"});
}
