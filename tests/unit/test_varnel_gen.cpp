// The update script the comparer writes: the fixed order of passes and their gates, the header
// of each dialect, the executor it writes into, repeatability, and golden scripts of the table
// passes for PostgreSQL, MySQL and Firebird (tests/fixtures/varnel/).
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "qelVarnel.h"
#include "test_golden_util.h"
#include "test_varnel_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TNames = std::vector<std::string>;

/// Records every pass it runs; a pass of row ThrowRow raises instead of running.
class TTraceVarnel : public TVarnel {
 public:
  using TVarnel::TVarnel;
  TNames Ran;
  int ThrowRow = 0;

 protected:
  void RunPass(const TVarnelPass& Pass) override {
    Ran.push_back(std::to_string(Pass.Row) + " " + Pass.Name);
    if (Pass.Row == ThrowRow)
      throw std::runtime_error("pass " + std::to_string(Pass.Row) + " failed");
    TVarnel::RunPass(Pass);
  }
};

struct TTraceRig {
  explicit TTraceRig(TDatabaseType DB) {
    MH.SetDatabaseType(DB);
    TH.SetDatabaseType(DB);
    V.SetDBMaster(&MH);
    V.SetDBTarget(&TH);
    V.DatabaseType = DB;
    V.OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
  }
  TNames Run(const TCmpObjSetType& Kinds) {
    V.Ran.clear();
    V.SetCompareObjects(Kinds);
    V.CompareDatabases();
    return V.Ran;
  }
  TDBStructure MH{nullptr};
  TDBStructure TH{nullptr};
  TTraceVarnel V{nullptr};
  TNames Errors;
};

/// The whole generation order: row and routine.
const TNames AllPasses = {
    "1 GenScriptSchCreate",       "2 GenScriptSchAlter",      "3 GenScriptCnvCreate",
    "3 GenScriptCnvAlter",        "3 GenScriptOprCreate",     "3 GenScriptOprAlter",
    "3 GenScriptOpcCreate",       "3 GenScriptOpcAlter",      "4 GenScriptRulCreate",
    "4 GenScriptDefCreate",       "4 GenScriptRulAlter",      "4 GenScriptDefAlter",
    "5 GenScriptCtrDrop",         "6 GenScriptDmnCreate",     "7 GenScriptUdfCreate",
    "8 GenScriptDropTrgEmpty",    "9 GenScriptProcDrop",      "10 GenScriptTrigDrop",
    "11 GenScriptIdxDrop",        "12 GenScriptViewDrop",     "13 GenScriptUdfAlter",
    "14 GenScriptExptDrop",       "15 GenScriptUdfDrop",      "16 GenScriptDmnAlter",
    "17 GenScriptTablCreate",     "18 GenScriptTblFldCreate", "18 GenScriptTablAlter",
    "19 GenScriptTablDrop",       "20 GenScriptProcCreate",   "21 GenScriptDmnDrop",
    "22 GenScriptViewCreate",     "23 GenScriptViewAlter",    "24 GenScriptIdxCreate",
    "25 GenScriptIdxAlter",       "26 GenScriptGenrCreate",   "27 GenScriptExptCreate",
    "28 GenScriptExptAlter",      "29 GenScriptCtrCreate",    "30 GenScriptProcAlter",
    "31 GenScriptCtrCreate",      "32 GenScriptTrigCreate",   "33 GenScriptViewCreate",
    "34 GenScriptTrigAlter",      "35 GenScriptGenrAlter",    "35 GenScriptGenrDrop",
    "36 GenScriptProcAlter",      "37 GenScriptDefDrop",      "37 GenScriptRulDrop",
    "38 GenScriptPkgDrop",        "38 GenScriptPkgAlter",     "38 GenScriptPkgCreate",
    "39 GenScriptTblFldPosition", "40 GenScriptPblDrop",      "40 GenScriptPblAlter",
    "40 GenScriptPblCreate",      "41 GenScriptRoleCreate",   "41 GenScriptRoleAlter",
    "42 GenScriptOpcDrop",        "42 GenScriptOprDrop",      "42 GenScriptCnvDrop",
    "43 GenScriptEvtCreate",      "43 GenScriptEvtAlter",     "43 GenScriptEvtDrop",
    "44 GenScriptSchDrop",        "45 GenScriptGntDrop",      "45 GenScriptGntCreate",
    "46 GenScriptRoleDrop"};

/// The passes of AllPasses whose row is in Rows, in order.
TNames Rows(std::initializer_list<TGenStep> Wanted) {
  TNames R;
  for (const std::string& P : AllPasses) {
    const int Row = std::stoi(P);
    for (TGenStep W : Wanted)
      if (Row == W) R.push_back(P);
  }
  return R;
}

/// AllPasses without the rows of dialects other than DB.
TNames AllFor(TDatabaseType DB) {
  TNames R;
  for (const std::string& P : AllPasses) {
    const int Row = std::stoi(P);
    if ((Row == gsPGObjectsCreate || Row == gsPGObjectsDrop) && DB != dbPostgreSQL) continue;
    if ((Row == gsMSRulesDefaultsCreate || Row == gsMSRulesDefaultsDrop) && DB != dbMSSQL) continue;
    if (Row == gsOraPackages && DB != dbOracle) continue;
    R.push_back(P);
  }
  return R;
}

/// Compares Text with the golden file; QEL_UPDATE_GOLDEN=1 rewrites the file instead.
void ExpectGolden(const std::string& Name, const std::string& Text) {
  ExpectGoldenFile("varnel", Name, Text);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Order and gates

TEST(VarnelPasses, FixedOrder) {
  TNames Names;
  for (const TVarnelPass& P : TVarnel::GenerationPasses())
    Names.push_back(std::to_string(P.Row) + " " + P.Name);
  EXPECT_EQ(Names, AllPasses);

  // With every kind compared, each dialect runs the whole order but the other dialects' rows.
  for (TDatabaseType DB : {dbPostgreSQL, dbMSSQL, dbOracle, dbInterBase}) {
    TTraceRig R(DB);
    EXPECT_EQ(R.Run(AllCmpObjTypes()), AllFor(DB)) << TVarnel::DialectName(DB);
  }
}

TEST(VarnelPasses, GatesFollowTheComparedKinds) {
  TTraceRig R(dbInterBase);
  // Nothing compared: only the passes that always run.
  EXPECT_EQ(R.Run({}), Rows({gsSchCreate, gsSchAlter, gsEvents, gsSchDrop}));
  // Only primary keys: constraints are dropped and created, and the default constraints are
  // written too, after where the procedures would come.
  EXPECT_EQ(R.Run({coPrimaryKey}), Rows({gsSchCreate, gsSchAlter, gsCtrDrop, gsCtrCreate,
                                         gsCtrDefaultsCreate, gsEvents, gsSchDrop}));
  EXPECT_EQ(R.Run({coCheck, coProcedure}),
            Rows({gsSchCreate, gsSchAlter, gsCtrDrop, gsProcDrop, gsProcCreate, gsCtrCreate,
                  gsProcAlterFirst, gsCtrDefaultsCreate, gsProcAlterSecond, gsEvents, gsSchDrop}));
  EXPECT_EQ(R.Run({coTable}), Rows({gsSchCreate, gsSchAlter, gsTablCreate, gsTablAlter, gsTablDrop,
                                    gsTblFldPosition, gsPublications, gsEvents, gsSchDrop}));
  EXPECT_EQ(
      R.Run({coView, coTrigger}),
      Rows({gsSchCreate, gsSchAlter, gsTrigEmpty, gsTrigDrop, gsViewDrop, gsViewCreateFirst,
            gsViewAlter, gsTrigCreate, gsViewCreateSecond, gsTrigAlter, gsEvents, gsSchDrop}));
  EXPECT_EQ(R.Run({coUserGrant, coRole}), Rows({gsSchCreate, gsSchAlter, gsRoleCreateAlter,
                                                gsEvents, gsSchDrop, gsGrants, gsRoleDrop}));
  EXPECT_EQ(R.Run({coDomain, coFunction, coGenerator, coException, coIndex}),
            Rows({gsSchCreate, gsSchAlter, gsDmnCreate, gsUdfCreate, gsIdxDrop, gsUdfAlter,
                  gsExptDrop, gsUdfDrop, gsDmnAlter, gsDmnDrop, gsIdxCreate, gsIdxAlter,
                  gsGenrCreate, gsExptCreate, gsExptAlter, gsGenrAlterDrop, gsEvents, gsSchDrop}));
  // These kinds gate no pass of their own.
  EXPECT_EQ(R.Run({coObjGrant, coRule, coDefault, coCtrDefault, coPackage, coDescription}),
            Rows({gsSchCreate, gsSchAlter, gsEvents, gsSchDrop}));

  TTraceRig PG(dbPostgreSQL);
  EXPECT_EQ(PG.Run({}), Rows({gsSchCreate, gsSchAlter, gsPGObjectsCreate, gsPGObjectsDrop, gsEvents,
                              gsSchDrop}));
  TTraceRig MS(dbMSSQL);
  EXPECT_EQ(MS.Run({}), Rows({gsSchCreate, gsSchAlter, gsMSRulesDefaultsCreate,
                              gsMSRulesDefaultsDrop, gsEvents, gsSchDrop}));
  TTraceRig Ora(dbOracle);
  EXPECT_EQ(Ora.Run({}), Rows({gsSchCreate, gsSchAlter, gsOraPackages, gsEvents, gsSchDrop}));
}

TEST(VarnelPasses, FirstViewPassFailureIsReportedAndGenerationGoesOn) {
  TTraceRig R(dbPostgreSQL);
  bool After = false;
  R.V.OnAfterCompare = [&After](TObject*) { After = true; };
  R.V.ThrowRow = gsViewCreateFirst;
  MakeTable(*R.MH.GetMetadata(), "T", {{"A"}});
  const TNames Ran = R.Run(AllCmpObjTypes());
  EXPECT_EQ(Ran, AllFor(dbPostgreSQL));
  EXPECT_EQ(R.Errors, TNames{"pass 22 failed"});
  EXPECT_TRUE(After);
  EXPECT_GT(R.V.GetSQLExec()->GetStatementsCount(), 0);
}

TEST(VarnelPasses, AnyOtherPassFailureLeavesNoScript) {
  TTraceRig R(dbPostgreSQL);
  bool After = false;
  R.V.OnAfterCompare = [&After](TObject*) { After = true; };
  R.V.ThrowRow = gsIdxCreate;
  MakeTable(*R.MH.GetMetadata(), "T", {{"A"}});
  const TNames Ran = R.Run(AllCmpObjTypes());
  EXPECT_EQ(Ran.back(), "24 GenScriptIdxCreate");
  EXPECT_EQ(R.V.GetSQLExec()->GetStatementsCount(), 0);
  EXPECT_EQ(R.Errors, TNames{"TTraceVarnel(): pass 24 failed"});
  EXPECT_TRUE(R.V.MsgManager.GetIsErr());
  EXPECT_FALSE(After);
}

// ---------------------------------------------------------------------------------------------
// Executor and repeatability

TEST(VarnelScript, OwnExecutorTakesTheTargetDialect) {
  TCodeRig C(dbMySQL);
  std::vector<std::string> ExecLog;
  C.V.OnLogNextLine = [&ExecLog](TObject*, const std::string& T) { ExecLog.push_back(T); };
  BuildUpdateMaster(C.Master());
  C.V.CompareDatabases();
  auto* Own = dynamic_cast<TSQLExec*>(C.V.GetSQLExec());
  ASSERT_NE(Own, nullptr);
  EXPECT_EQ(Own->DatabaseType, dbMySQL);
  EXPECT_EQ(C.V.DatabaseType, dbMySQL);
  EXPECT_EQ(ExecLog, TNames{"Comparing databases..."});
  Own->DoLogNextLine("from the executor");  // the comparer's handler was handed on
  EXPECT_EQ(ExecLog.back(), "from the executor");

  // The same comparer on another target dialect: its executor follows.
  C.MH.Clear();
  C.MH.SetDatabaseType(dbInterBase);
  C.TH.SetDatabaseType(dbInterBase);
  C.V.DatabaseType = dbInterBase;
  C.V.CompareDatabases();
  EXPECT_EQ(C.V.GetSQLExec(), Own);
  EXPECT_EQ(Own->DatabaseType, dbInterBase);

  // A host's executor keeps its own dialect and receives the script.
  TSQLExec Host(nullptr);
  Host.DatabaseType = dbInterBase;
  C.V.SetSQLExec(&Host);
  BuildUpdateMaster(C.Master());
  C.V.CompareDatabases();
  EXPECT_EQ(C.V.GetSQLExec(), &Host);
  EXPECT_GT(Host.GetStatementsCount(), 2);
  EXPECT_EQ(C.Master().GetSQLExec(), &Host);
  EXPECT_EQ(C.Target().GetSQLExec(), &Host);
}

TEST(VarnelScript, SecondComparisonWritesTheSameScript) {
  for (TDatabaseType DB : {dbPostgreSQL, dbMySQL, dbInterBase}) {
    TCodeRig C(DB);
    BuildUpdateMaster(C.Master());
    BuildUpdateTarget(C.Target());
    C.V.CompareDatabases();
    const std::string First = C.Script();
    C.V.CompareDatabases();
    EXPECT_EQ(C.Script(), First) << TVarnel::DialectName(DB);
    EXPECT_NE(First.find("CREATE TABLE"), std::string::npos);
  }
}

TEST(VarnelScript, SchemaAgainstItselfGivesOnlyTheHeader) {
  const std::pair<TDatabaseType, std::string> Cases[] = {
      {dbPostgreSQL, ""},
      {dbMySQL, ""},
      {dbInterBase, "SET SQL DIALECT 3;\n\nSET AUTODDL ON;\n\n"},
  };
  for (const auto& [DB, Header] : Cases) {
    TCodeRig C(DB);
    BuildUpdateMaster(C.Master());
    BuildUpdateMaster(C.Target());
    C.V.CompareDatabases();
    EXPECT_EQ(C.Script(), Header) << TVarnel::DialectName(DB);
  }
}

// ---------------------------------------------------------------------------------------------
// Header

TEST(VarnelHeader, InterBase) {
  TCodeRig C(dbInterBase);
  C.Target().IBServerOptions.SetDBCharSet("WIN1252");
  C.Target().ConnectionOptions.SetDatabaseName("srv:/db/shop.fdb");
  C.Target().ConnectionOptions.UserName = "SYSDBA";
  C.Target().ConnectionOptions.Password = "pw";
  C.V.CompareDatabases();
  EXPECT_EQ(C.Script(),
            "SET NAMES WIN1252;\n\nSET SQL DIALECT 3;\n\nCONNECT 'srv:/db/shop.fdb' USER "
            "'SYSDBA' PASSWORD 'pw';\n\nSET AUTODDL ON;\n\n");
  EXPECT_EQ(C.V.GetConnectionOptions().GetDatabaseName(), "srv:/db/shop.fdb");

  // With COMMIT statements written, no AUTODDL.
  C.V.GetIBServerOptions().GetIBCompareOptions().GenerateCOMMIT = true;
  C.Target().IBServerOptions.SetDBCharSet("");
  C.Target().ConnectionOptions.SetDatabaseName("");
  C.V.CompareDatabases();
  EXPECT_EQ(C.Script(), "SET SQL DIALECT 3;\n\n");
}

TEST(VarnelHeader, InterBaseDatabaseCharacterSet) {
  TCodeRig C(dbInterBase);
  C.V.GetIBServerOptions().GetIBCompareOptions().DbCharsetCompare = true;
  C.Target().IBServerOptions.SetDBCharSet("UTF8");
  const TCustomSQLExec* E = nullptr;
  C.V.CompareDatabases();
  E = C.V.GetSQLExec();
  // Header (SET NAMES UTF8, dialect, AUTODDL), then the change and a reconnect.
  ASSERT_EQ(E->GetStatementsCount(), 6);
  EXPECT_EQ(E->GetStatement(3)->Lines.GetText(),
            "UPDATE RDB$DATABASE SET RDB$CHARACTER_SET_NAME = Null\r\n");
  EXPECT_EQ(E->GetStatement(4)->Lines.GetText(), "SET NAMES NONE\r\n");
  EXPECT_EQ(E->GetStatement(4)->StatType, stCharSet);
  EXPECT_EQ(E->GetStatement(5)->StatType, stReconnect);

  C.Master().IBServerOptions.SetDBCharSet("win1251");
  C.V.CompareDatabases();
  EXPECT_EQ(E->GetStatement(3)->Lines.GetText(),
            "UPDATE RDB$DATABASE SET RDB$CHARACTER_SET_NAME = 'WIN1251'\r\n");
  EXPECT_EQ(E->GetStatement(4)->Lines.GetText(), "SET NAMES WIN1251\r\n");

  // Equal sets, or the comparison switched off: nothing.
  C.V.GetIBServerOptions().GetIBCompareOptions().DbCharsetCompare = false;
  C.V.CompareDatabases();
  EXPECT_EQ(E->GetStatementsCount(), 3);
}

TEST(VarnelHeader, MySQLAndOracle) {
  TCodeRig My(dbMySQL);
  My.V.GetMySQLServerOptions().CharSet = "utf8mb4";
  My.V.GetMySQLServerOptions().Names = "utf8mb4";
  My.Target().ConnectionOptions.SetDatabaseName("shop");
  My.V.CompareDatabases();
  EXPECT_EQ(My.Script(), "SET CHARACTER SET utf8mb4;\n\nSET NAMES utf8mb4;\n\nUSE shop;\n\n");

  TCodeRig Ora(dbOracle);
  Ora.Target().ConnectionOptions.UserName = "scott";
  Ora.Target().ConnectionOptions.Password = "tiger";
  Ora.Target().ConnectionOptions.SetDatabaseName("SALES");
  Ora.Target().ConnectionOptions.HostName = "orahost";
  Ora.V.CompareDatabases();
  const std::string S = Ora.Script();
  EXPECT_EQ(S.find("tiger"), std::string::npos);
  EXPECT_EQ(S, "-- CONNECT scott/*****@SALES;\nALTER SESSION SET CURRENT_SCHEMA = SALES;\n\n");
}

TEST(VarnelHeader, SqlServerRecursiveTriggersAndAseOptions) {
  TCodeRig MS(dbMSSQL);
  MS.Target().ConnectionOptions.SetDatabaseName("Shop");
  MS.Target().MSSQLServerOptions.Collation = "Latin1_General_CI_AS";
  MS.Master().MSSQLServerOptions.GetMSSQLDatabaseOptions().RecursiveTriggers = true;
  MS.V.CompareDatabases();
  const TCustomSQLExec* E = MS.V.GetSQLExec();
  ASSERT_EQ(E->GetStatementsCount(), 3);
  EXPECT_EQ(E->GetStatement(0)->StatType, stComment);
  EXPECT_EQ(E->GetStatement(1)->Lines.GetText(), "USE Shop\r\n");
  EXPECT_EQ(E->GetStatement(2)->Lines.GetText(),
            "ALTER DATABASE Shop SET RECURSIVE_TRIGGERS ON\r\n");
  EXPECT_EQ(E->GetStatement(2)->DbObject, dboDatabase);
  // A master without the switch never switches it off.
  MS.Master().MSSQLServerOptions.GetMSSQLDatabaseOptions().RecursiveTriggers = false;
  MS.Target().MSSQLServerOptions.GetMSSQLDatabaseOptions().RecursiveTriggers = true;
  MS.V.CompareDatabases();
  EXPECT_EQ(E->GetStatementsCount(), 2);

  TCodeRig ASE(dbSybaseASE);
  ASE.Target().ConnectionOptions.SetDatabaseName("shop");
  TASEDatabaseOptions& D = ASE.Target().ASEServerOptions.GetASEDatabaseOptions();
  D.Owner = "sa";
  D.DBOptions.Include(asedboSingleUser);
  ASE.Master().ASEServerOptions.GetASEDatabaseOptions().DBOptions.Include(asedboTruncLogOnChkpt);
  ASE.V.CompareDatabases();
  TNames Texts;
  for (int I = 0; I < ASE.V.GetSQLExec()->GetStatementsCount(); ++I)
    Texts.push_back(ASE.V.GetSQLExec()->GetStatement(I)->Lines.GetText());
  EXPECT_EQ(Texts, (TNames{"-- Database: shop\r\n", "-- Owner   : sa\r\n", "use shop\r\n",
                           "exec master.dbo.sp_dboption shop, 'single user', False\r\n",
                           "exec master.dbo.sp_dboption shop, 'trunc log on chkpt', True\r\n",
                           "checkpoint\r\n"}));
}

// ---------------------------------------------------------------------------------------------
// Golden scripts

TEST(VarnelScript, GoldenUpdateScripts) {
  const std::pair<TDatabaseType, const char*> Cases[] = {
      {dbPostgreSQL, "update_postgresql.sql"},
      {dbMySQL, "update_mysql.sql"},
      {dbInterBase, "update_firebird.sql"},
  };
  for (const auto& [DB, File] : Cases) {
    TCodeRig C(DB);
    BuildUpdateMaster(C.Master());
    BuildUpdateTarget(C.Target());
    C.V.CompareDatabases();
    EXPECT_TRUE(C.Errors.empty()) << ::testing::PrintToString(C.Errors);
    ExpectGolden(File, C.Script());
  }
}

TEST(VarnelScript, NarrowingChangeIsWrittenWithAWarningInTheWorkList) {
  TCodeRig C(dbPostgreSQL);
  MakeTable(C.Master(), "T", {{"ID", iftInteger, 0, true}, {"NOTE", iftVarchar, 10}});
  MakeTable(C.Target(), "T", {{"ID", iftInteger, 0, true}, {"NOTE", iftVarchar, 20}});
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_NE(C.Script().find("ALTER TABLE t ALTER COLUMN note TYPE varchar(10)"), std::string::npos);
  ASSERT_EQ(C.V.WorkList.Count(), 1);
  EXPECT_EQ(
      C.V.WorkList[0].rfind("DataType conversion can lose data: varchar(20) -> varchar(10)", 0),
      0u);
  // The collections do not keep the comparer's list after the generation.
  EXPECT_EQ(C.Master().WorkList, nullptr);
  EXPECT_EQ(C.Target().WorkList, nullptr);
  // A second generation starts its list afresh.
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(C.V.WorkList.Count(), 1);
}
