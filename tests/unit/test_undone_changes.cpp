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

/// The warning of a column change left undone.
std::string Column(const std::string& Name, const std::string& Parts) {
  return "warning: Column " + Name + " is not altered by the update script: " + Parts;
}

TEST(UndoneChanges, DB2ColumnChangesAreNamedOncePerColumn) {
  ExpectUndoneNamed(
      "db2", {{"column_changes",
               {Column("DEPT.ID", "type INTEGER -> BIGINT"),
                Column("DEPT.NAME", "type VARCHAR(20) -> VARCHAR(40)"),
                Column("DEPT.CODE", "NULL -> NOT NULL"), Column("DEPT.BUDGET", "default 0 -> 100"),
                Column("DEPT.NOTE", "NOT NULL -> NULL"),
                Column("EMP.SALARY",
                       "type DECIMAL(9,2) -> DECIMAL(11,2); NULL -> NOT NULL; "
                       "default none -> 0")}}});
}

TEST(UndoneChanges, ASETypesLengthsAndNullabilityAreNamedAndTablesDifferingInCase) {
  ExpectUndoneNamed(
      "ase",
      {{"column_changes",
        // The default is written (REPLACE ... DEFAULT), so it is not named.
        {Column("dept.id", "type INTEGER -> NUMERIC(10)"),
         Column("dept.name", "type VARCHAR(20) -> VARCHAR(40)"),
         Column("dept.code", "NULL -> NOT NULL"), Column("dept.note", "NOT NULL -> NULL")}},
       {"tables_differing_in_case",
        {"master.sql:4:22: warning: Tables orders and ORDERS differ only in case and are read as "
         "one, orders: the definition of ORDERS is left out of the comparison"}}});
}

TEST(UndoneChanges, OracleNullabilityIsNamed) {
  // The changed type is written; only the nullability is left undone.
  ExpectUndoneNamed(
      "oracle",
      {{"nullability",
        {Column("DEPT.CODE", "NULL -> NOT NULL"), Column("DEPT.NOTE", "NOT NULL -> NULL")}}});
}

TEST(UndoneChanges, SqlServerIndexFiltersAndUnnamedConstraintsAreNamed) {
  const auto Filter = [](const std::string& Where, const std::string& Index) {
    return Where + ": warning: Index " + Index +
           "): the index is compared and written as one over the whole table";
  };
  const auto Unnamed = [](const std::string& Table, const std::string& Key) {
    return "warning: Constraint of table " + Table +
           " without a name is not dropped by the update script (no statement drops it; the "
           "script holds its drop as a comment): " +
           Key;
  };
  // Both scripts' filters; the unnamed keys of GONE go with their table.
  ExpectUndoneNamed(
      "mssql", {{"filters_and_unnamed_keys",
                 {Filter("target.sql:8:50",
                         "IX_EMP_ACTIVE on EMP: its filter is not kept (WHERE active = 1"),
                  Filter("master.sql:5:50",
                         "IX_EMP_ACTIVE on EMP: its filter is not kept (WHERE active = 1"),
                  Filter("master.sql:7:46",
                         "IX_EMP_NEW on EMP: its filter is not kept (WHERE active IS NOT NULL"),
                  Unnamed("EMP", "FOREIGN KEY (DEPT_ID) REFERENCES DBO.DEPT (ID)"),
                  Unnamed("DEPT", "PRIMARY KEY (ID)")}},
                // A column's default the server named: a second one would be refused. A named
                // default is dropped and added by its name.
                {"unnamed_defaults",
                 {Column("DBO.T1.A", "default 0 -> 5"), Column("DBO.T1.B", "default 1 -> none")}}});
}

TEST(UndoneChanges, AChangedDomainOrUserTypeIsNamed) {
  // Only a drop would change it, and the column that uses it refuses or loses its rows.
  const auto Type = [](const std::string& What, const std::string& Name) {
    return "warning: " + What + " of " + Name +
           " changed; not altered (it would be dropped with the columns that use it).";
  };
  ExpectUndoneNamed("mssql", {{"changed_type", {Type("Definition", "PHONE")}}});
  ExpectUndoneNamed("ase", {{"changed_type", {Type("Definition", "phone")}}});
  ExpectUndoneNamed("sqlanywhere", {{"changed_type", {Type("Definition", "dphone")}}});
  ExpectUndoneNamed("oracle", {{"changed_type", {Type("Definition", "ADDR_TYP")}}});
  ExpectUndoneNamed("postgresql", {{"changed_type", {Type("Base type", "public.code")}}});
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
  struct TCase {
    TDatabaseType From, To;
    const char* Dialect;  ///< as the comparer names it; "" when the type is written
    const char* Named;    ///< the column or domain, as the conversion renamed it
  };
  // A column of an Oracle object type (its name is all the master has; SQL Anywhere writes a
  // column typed by name, the other writers need a type they know), and a PostgreSQL domain
  // over a domain, which SQL Server declares by a base type only.
  const TCase Cases[] = {{dbOracle, dbPostgreSQL, "PostgreSQL", "geo.shape"},
                         {dbOracle, dbMSSQL, "MS SQL Server", "geo.shape"},
                         {dbOracle, dbMySQL, "MySQL", "geo.shape"},
                         {dbOracle, dbInterBase, "InterBase/Firebird", "GEO.SHAPE"},
                         {dbOracle, dbSybaseASA, "", ""},
                         {dbPostgreSQL, dbMSSQL, "MS SQL Server", "short_name"}};
  for (const TCase& C : Cases) {
    TCodeRig R(C.From);
    R.TH.SetDatabaseType(C.To);
    TFldData* Typed = nullptr;
    if (C.From == dbOracle) {
      Typed = MakeTable(R.Master(), "geo", {{"id", iftInteger, 0, true}, {"shape"}})->Fields[1];
      Typed->FieldType = iftUnknown;
      Typed->SetExtra(&TFldExtra::DomainName, "SDO_GEOMETRY");
    } else {
      auto* D = new TDmnData(&R.Master());
      D->SetObjName("short_name");
      D->TypeField->FieldType = iftDomain;
      D->TypeField->SetExtra(&TFldExtra::DomainName, "name_text");
      ASSERT_TRUE(R.Master().AddObj(D));
    }
    MakeTable(R.Target(), "OTHER", {{"ID", iftInteger}});
    const bool Written = R.V.CompareDatabases();
    EXPECT_EQ(Written, *C.Dialect == '\0') << C.Dialect;
    EXPECT_FALSE(HoldsUnwritableType(R.Script())) << C.Dialect << R.Script();
    if (Written) continue;
    EXPECT_EQ(R.V.GetSQLExec() ? R.V.GetSQLExec()->GetStatementsCount() : 0, 0);
    EXPECT_TRUE(AnyContains(R.Errors, "the data type of " + std::string(C.Named) +
                                          " cannot be written in " + C.Dialect))
        << ::testing::PrintToString(R.Errors);
    // The master is put back: in its own dialect the type is written by its name.
    if (Typed) {
      EXPECT_FALSE(TypeUnwritable(*Typed));
    }
  }
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
