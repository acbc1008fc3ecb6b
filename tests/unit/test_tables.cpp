// Tables: the table text of each dialect, the table comparison and the table passes of the
// update script on small schema pairs built in code (golden scripts under
// tests/fixtures/tables/).
#include <gtest/gtest.h>

#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"
#include "test_golden_util.h"
#include "test_objects_util.h"

// Column lists below name only the fields that matter.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace qel;
using namespace qel::testing;

namespace {

using TSteps = std::vector<std::string>;

/// Records the reconnect the drop pass asks for, so that it shows in the script.
class TScriptExec : public TRecordingExec {
 public:
  void AddReConnect() override { AddComment("/* reconnect */"); }
};

/// Master and target collections of one dialect, linked as a comparison links them.
struct TPairs {
  explicit TPairs(TDatabaseType DB) : DB(DB) {
    for (TObjs* O : {&Master, &Target}) {
      O->SetDatabaseType(DB);
      O->SetSQLExec(&Exec);
    }
    Exec.DatabaseType = DB;
    LinkAsMasterAndTarget(Master, Target);
  }
  /// Pairs, compares and runs the table passes in the comparer's order.
  std::string Generate() {
    Exec.Clear();
    PairAndMark(Master, Target);
    CompareTables(Master, Target);
    GenScriptTablCreate(Master, Target, Exec);
    GenScriptTblFldCreate(Master, Target, Exec);
    GenScriptTablAlter(Master, Target, Exec);
    GenScriptTablDrop(Master, Target, Exec);
    GenScriptTblFldPosition(Master, Target, Exec);
    return Exec.Script(DB);
  }
  TDatabaseType DB;
  TScriptExec Exec;
  TObjs Master;
  TObjs Target;
};

struct TCol {
  std::string Name;
  TDBFieldType Type;
  std::int32_t Size = 0;
  bool NotNull = false;
  std::string Default;
};

/// A table with the given columns, positions as listed; names lower-cased for PostgreSQL,
/// whose unquoted names are lower case.
TTblData* Table(TObjs& Objs, std::string Name, const std::vector<TCol>& Cols) {
  const bool Lower = Objs.GetDatabaseType() == dbPostgreSQL;
  auto Case = [Lower](const std::string& S) { return Lower ? LowerCase(S) : S; };
  auto* T = new TTblData(&Objs);
  T->SetObjName(Case(Name));
  for (const TCol& C : Cols) {
    TFldData* F = AddColumn(T, T->Fields, Case(C.Name), C.Type, C.Size);
    F->Position = T->Fields.Count() - 1;
    F->Nullable = !C.NotNull;
    F->DefValue = C.Default;
    if (C.Type == iftNumeric) {
      F->Precision = 12;
      F->Scale = 2;
    }
  }
  Objs.AddObj(T);
  return T;
}

/// The master schema: CUSTOMER, ORDERS (with a computed column where the dialect has the
/// COMPUTED BY form) and ITEM.
void BuildMaster(TObjs& Objs) {
  Table(Objs, "CUSTOMER",
        {{"ID", iftInteger, 0, true},
         {"NAME", iftVarchar, 40, true},
         {"CITY", iftVarchar, 30},
         {"EMAIL", iftVarchar, 60}});
  TTblData* Orders = Table(Objs, "ORDERS",
                           {{"ID", iftInteger, 0, true},
                            {"CUSTOMER_ID", iftInteger, 0, true},
                            {"TOTAL", iftNumeric, 0, false, "0"},
                            {"NOTE", iftVarchar, 100}});
  if (Objs.GetDatabaseType() == dbInterBase)
    AddColumn(Orders, Orders->Fields, "TOTAL2", iftUnknown)
        ->SetExtra(&TObjExtra::Body, "(TOTAL * 2)");
  Table(Objs, "ITEM", {{"A", iftInteger}, {"B", iftVarchar, 10}, {"C", iftInteger}});
}

/// Against the master, the target's CUSTOMER lacks EMAIL, has a narrower CITY and an extra FAX;
/// ORDERS is missing; ITEM has another column order; OLD_LOG is extra.
void BuildSchemaPair(TPairs& P) {
  BuildMaster(P.Master);
  Table(P.Target, "CUSTOMER",
        {{"ID", iftInteger, 0, true},
         {"NAME", iftVarchar, 40, true},
         {"CITY", iftVarchar, 20},
         {"FAX", iftVarchar, 20}});
  Table(P.Target, "ITEM", {{"B", iftVarchar, 10}, {"A", iftInteger}, {"C", iftInteger}});
  Table(P.Target, "OLD_LOG", {{"ID", iftInteger}, {"MSG", iftVarchar, 200}});
}

/// Compares Text with the golden file; QEL_UPDATE_GOLDEN=1 rewrites the file instead.
void ExpectGolden(const std::string& Name, const std::string& Text) {
  ExpectGoldenFile("tables", Name, Text);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Table text

TEST(TableText, PlainTemporaryAndExternalTables) {
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  TTblData* T = Table(IB, "T", {{"A", iftInteger, 0, true}, {"B", iftVarchar, 10}});
  EXPECT_EQ(T->CreateDef(), "CREATE TABLE T(A INTEGER NOT NULL,\r\nB VARCHAR(10))");
  EXPECT_EQ(T->Def(), T->CreateDef());
  EXPECT_EQ(T->DropDef(), "DROP TABLE T");
  T->GlobalTemporary = true;
  T->OnCommit = tocPreserve;
  EXPECT_EQ(T->CreateDef(),
            "CREATE GLOBAL TEMPORARY TABLE T(A INTEGER NOT NULL,\r\nB VARCHAR(10))\r\n ON COMMIT "
            "PRESERVE ROWS");
  TTblData* X = Table(IB, "EXT", {{"A", iftChar, 10}});
  X->EditExtra().ExternalFile = "/data/it's.txt";
  EXPECT_EQ(X->CreateDef(), "CREATE TABLE EXT\r\nEXTERNAL FILE '/data/it''s.txt'\r\n(A CHAR(10))");
  EXPECT_EQ(Table(IB, "EMPTY", {})->CreateDef(), "CREATE TABLE EMPTY");

  TObjs ASA;
  ASA.SetDatabaseType(dbSybaseASA);
  TTblData* A = Table(ASA, "T", {{"A", iftInteger}});
  A->GlobalTemporary = true;
  A->OnCommit = tocDelete;  // the server's default there: no clause
  EXPECT_EQ(A->CreateDef(), "CREATE GLOBAL TEMPORARY TABLE DBA.T(A INTEGER NULL)");

  TObjs PG;
  PG.SetDatabaseType(dbPostgreSQL);
  TTblData* G = Table(PG, "t", {{"a", iftInteger}});
  G->SetSchema("Sales");
  G->WithOids = true;
  G->OnCommit = tocDelete;
  EXPECT_EQ(G->CreateDef(),
            "CREATE TABLE \"Sales\".t(a integer) WITH OIDS\r\n ON COMMIT DELETE ROWS");
  EXPECT_EQ(G->DropDef(), "DROP TABLE \"Sales\".t");
}

TEST(TableText, ComputedColumnsLeftOutKeepTheTableWhole) {
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  TTblData* T = Table(IB, "CALC", {{"A", iftInteger}});
  T->Fields[0]->SetExtra(&TObjExtra::Body, "(1 + 1)");
  EXPECT_EQ(T->CreateDef(), "CREATE TABLE CALC(A COMPUTED BY (1 + 1))");
  // Every column left out: the name and the parenthesis stay.
  T->SetSkipComputedDef(true);
  EXPECT_EQ(T->CreateDef(), "CREATE TABLE CALC()");
  EXPECT_TRUE(T->HasComputedColumns());
  EXPECT_FALSE(T->HasIdentity());
}

TEST(TableText, OracleClauses) {
  TObjs ORA;
  ORA.SetDatabaseType(dbOracle);
  TTblData* T = Table(ORA, "T", {{"A", iftNumber}});
  T->EditExtra().OfType = "PERSON_T";
  T->EditExtra().TablespaceName = "USERS";
  T->NoLogging = true;
  T->EditExtra().PartitionColumns = "(A)";
  T->EditExtra().PartitionClause = "(PARTITION P1 VALUES LESS THAN (10))";
  EXPECT_EQ(T->CreateDef(),
            "CREATE TABLE T OF PERSON_T(A NUMBER)\r\nTABLESPACE USERS\r\nNOLOGGING\r\nPARTITION "
            "BY RANGE (A) (PARTITION P1 VALUES LESS THAN (10))");
}

TEST(TableText, MySQLWritesKeysInline) {
  TObjs MY;
  MY.SetDatabaseType(dbMySQL);
  TTblData* T = Table(MY, "ORDERS", {{"ID", iftInteger, 0, true}, {"CODE", iftVarchar, 8}});
  T->EditExtra().MySQLOptions.Engine = "InnoDB";
  T->EditExtra().MySQLOptions.SetDefCharSet("utf8mb4");
  auto Key = [&](const std::string& Name, TConstraintType Type, const std::string& Table,
                 const std::string& Col) {
    auto* C = new TCtrData(&MY);
    C->SetObjName(Name);
    C->SetCtType(Type);
    C->SetTblName(Table);
    C->FldList.Add(Col);
    MY.AddObj(C);
    C->SetObjCreated(false);
    return C;
  };
  TCtrData* Pk = Key("", ctPKey, "ORDERS", "ID");
  TCtrData* Uq = Key("uq code", ctUnique, "ORDERS", "CODE");
  TCtrData* Fk = Key("FK", ctFKey, "ORDERS", "ID");
  TCtrData* Other = Key("PK_OTHER", ctPKey, "orders", "ID");  // names match exactly
  EXPECT_EQ(T->CreateDef(),
            "CREATE TABLE ORDERS(ID INTEGER NOT NULL,\r\nCODE VARCHAR(8),\r\nPRIMARY KEY(ID),\r\n"
            "CONSTRAINT `uq code` UNIQUE(CODE))\r\nENGINE=InnoDB\r\nDEFAULT CHARSET=utf8mb4");
  EXPECT_TRUE(Pk->GetObjCreated());
  EXPECT_TRUE(Uq->GetObjCreated());
  EXPECT_FALSE(Fk->GetObjCreated());
  EXPECT_FALSE(Other->GetObjCreated());
  // The generic text also carries the single-column keys declared with a column.
  T->Fields[1]->EditExtra().KeyName = "IX_CODE";
  T->EditExtra().MySQLOptions.PackKeys = "1";
  EXPECT_EQ(T->TypeDef(),
            "TABLE ORDERS(ID INTEGER NOT NULL,\r\nCODE VARCHAR(8),\r\nKEY IX_CODE(CODE))\r\n"
            "ENGINE=InnoDB\r\nPACK_KEYS=1\r\nDEFAULT CHARSET=utf8mb4");
  TTblData* E = Table(MY, "EMPTY", {});
  EXPECT_EQ(E->CreateDef(), "CREATE TABLE EMPTY");
}

// ---------------------------------------------------------------------------------------------
// Table comparison

TEST(TableCompare, ColumnEqualityFollowsTheComparisonTexts) {
  TPairs P(dbInterBase);
  struct TCase {
    const char* Name;
    std::function<void(TFldData&)> Master, Target;
    bool Equal;
  };
  auto Int = [](TFldData& F) { F.FieldType = iftInteger; };
  const std::vector<TCase> Cases = {
      {"SAME", Int, Int, true},
      {"CHAR01", [](TFldData& F) { F.FieldType = iftChar, F.Size = 0; },
       [](TFldData& F) { F.FieldType = iftChar, F.Size = 1; }, true},
      {"WIDER", [](TFldData& F) { F.FieldType = iftVarchar, F.Size = 30; },
       [](TFldData& F) { F.FieldType = iftVarchar, F.Size = 20; }, false},
      {"NOTNULL", [](TFldData& F) { F.FieldType = iftInteger, F.Nullable = false; },
       [](TFldData& F) { F.FieldType = iftInteger, F.DefValue = "0"; }, false},
      {"DEFAULT", [](TFldData& F) { F.FieldType = iftInteger, F.DefValue = "\"x\""; },
       [](TFldData& F) { F.FieldType = iftInteger, F.DefValue = "'x'"; }, true},
      {"LENGTH", [](TFldData& F) { F.FieldType = iftInteger, F.Length = 4; },
       [](TFldData& F) { F.FieldType = iftInteger, F.Length = 8; }, false},
      {"CALC", [](TFldData& F) { F.FieldType = iftInteger, F.EditExtra().Body = "(A + 1)"; },
       [](TFldData& F) { F.FieldType = iftBigInt, F.EditExtra().Body = "(A + 1)"; }, true},
      {"DOMAIN",
       [](TFldData& F) {
         F.FieldType = iftDomain, F.EditExtra().DomainName = "D", F.Nullable = false;
       },
       [](TFldData& F) { F.FieldType = iftDomain, F.EditExtra().DomainName = "D"; }, true},
  };
  TTblData* M = Table(P.Master, "T", {});
  TTblData* T = Table(P.Target, "T", {});
  for (const TCase& C : Cases) {
    C.Master(*AddColumn(M, M->Fields, C.Name, iftUnknown));
    C.Target(*AddColumn(T, T->Fields, C.Name, iftUnknown));
  }
  PairAndMark(P.Master, P.Target);
  CompareTables(P.Master, P.Target);
  for (const TCase& C : Cases) {
    const TFldData* F = M->Fields.Find(C.Name);
    EXPECT_TRUE(F->Found) << C.Name;
    EXPECT_EQ(F->Equal, C.Equal) << C.Name;
    if (!F->Computed() && F->FieldType != iftDomain) {
      const TFldData* G = T->Fields.Find(C.Name);
      const bool SameText = F->FieldTypeDef() == G->FieldTypeDef() && F->Length == G->Length &&
                            F->Nullable == G->Nullable && F->GetDefValue() == G->GetDefValue();
      EXPECT_EQ(F->Equal, SameText) << C.Name;
    }
  }
  EXPECT_TRUE(M->Paired);
  EXPECT_FALSE(M->Equal);
}

TEST(TableCompare, TableMarksAndPositions) {
  TPairs P(dbInterBase);
  TTblData* M = Table(P.Master, "T", {{"A", iftInteger}, {"B", iftInteger}});
  TTblData* T = Table(P.Target, "T", {{"B", iftInteger}, {"A", iftInteger}, {"X", iftInteger}});
  TTblData* New = Table(P.Master, "NEW", {{"A", iftInteger}});
  PairAndMark(P.Master, P.Target);
  CompareTables(P.Master, P.Target);
  // A target-only column and a different order leave the table equal.
  EXPECT_TRUE(M->Equal);
  EXPECT_EQ(M->Fields[0]->RefPosition, 1);
  EXPECT_EQ(T->Fields[1]->RefPosition, 0);
  EXPECT_FALSE(New->Paired);
  EXPECT_FALSE(New->GetObjCreated());

  // OnCommit counts for InterBase tables; a second comparison forgets the first.
  M->OnCommit = tocDelete;
  CompareTables(P.Master, P.Target);
  EXPECT_FALSE(M->Equal);
  M->OnCommit = tocUnknown;
  M->SetExtra(&TObjExtra::Description, "changed");
  CompareTables(P.Master, P.Target);
  EXPECT_FALSE(M->Equal);
  M->SetExtra(&TObjExtra::Description, "");
  M->SetRefObj(nullptr);
  CompareTables(P.Master, P.Target);
  EXPECT_FALSE(M->Paired);
  EXPECT_FALSE(M->Fields[0]->Found);

  // Oracle ignores temporary-table differences.
  TPairs O(dbOracle);
  TTblData* OM = Table(O.Master, "T", {{"A", iftInteger}});
  Table(O.Target, "T", {{"A", iftInteger}});
  OM->GlobalTemporary = true;
  PairAndMark(O.Master, O.Target);
  CompareTables(O.Master, O.Target);
  EXPECT_TRUE(OM->Equal);
}

// ---------------------------------------------------------------------------------------------
// Table passes

TEST(TablePasses, GoldenScriptsOfEveryDialect) {
  const std::pair<TDatabaseType, const char*> Dialects[] = {
      {dbInterBase, "firebird"}, {dbPostgreSQL, "postgresql"},
      {dbMySQL, "mysql"},        {dbMSSQL, "mssql"},
      {dbOracle, "oracle"},      {dbSybaseASA, "asa"},
      {dbSybaseASE, "ase"},      {dbDB2, "db2"}};
  for (const auto& [DB, Name] : Dialects) {
    TPairs P(DB);
    BuildSchemaPair(P);
    const std::string Script = P.Generate();
    ExpectGolden(std::string("passes_") + Name + ".sql", Script);
    // Generation state is reset by the next comparison: the same script again.
    EXPECT_EQ(P.Generate(), Script) << Name;
  }
}

TEST(TablePasses, ASchemaComparedWithItselfWritesNothing) {
  for (TDatabaseType DB : {dbInterBase, dbPostgreSQL, dbMySQL}) {
    TPairs P(DB);
    BuildMaster(P.Master);
    BuildMaster(P.Target);
    EXPECT_EQ(P.Generate(), "") << int(DB);
    EXPECT_EQ(P.Exec.GetStatementsCount(), 0);
  }
}

TEST(TablePasses, NewTableWithComputedColumnAndDescriptions) {
  TPairs P(dbInterBase);
  TTblData* T = Table(P.Master, "T", {{"A", iftInteger}});
  T->SetExtra(&TObjExtra::Description, "table");
  T->Fields[0]->SetExtra(&TObjExtra::Description, "plain");
  TFldData* C = AddColumn(T, T->Fields, "C", iftUnknown);
  C->SetExtra(&TObjExtra::Body, "(A * 2)");
  C->SetExtra(&TObjExtra::Description, "computed");
  P.Generate();
  // The table comes without its computed column, which follows by ALTER TABLE with its own
  // description; then the descriptions of the table and its plain column; then positions.
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"create T", "create C", "description C", "description T",
                                    "description A", "alter A", "alter C"}));
  EXPECT_EQ(P.Exec.GetStatement(1)->Lines.GetText(), "CREATE TABLE T(A INTEGER)\r\n");
  // Without descriptions in the compare set none is written.
  P.Master.CompareObjects.Exclude(coDescription);
  P.Generate();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"create T", "create C", "alter A", "alter C"}));
}

TEST(TablePasses, TemporaryTableIsMadeAnewWithoutCascade) {
  TPairs P(dbInterBase);
  TTblData* M = Table(P.Master, "T", {{"A", iftInteger}});
  M->GlobalTemporary = true;
  Table(P.Target, "T", {{"A", iftInteger}, {"OLD", iftInteger}});
  P.Generate();
  // The old table's own column is gone with it: it is not dropped a second time.
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop T", "create T"}));
  EXPECT_EQ(P.Exec.GetStatement(1)->Lines.GetText(),
            "CREATE GLOBAL TEMPORARY TABLE T(A INTEGER)\r\n");
}

TEST(TablePasses, MySQLTableOptions) {
  TPairs P(dbMySQL);
  TTblData* M = Table(P.Master, "T", {{"A", iftInteger}});
  TTblData* T = Table(P.Target, "T", {{"A", iftInteger}});
  M->EditExtra().MySQLOptions.Engine = "InnoDB";
  T->EditExtra().MySQLOptions.Engine = "MyISAM";
  M->EditExtra().MySQLOptions.SetDefCharSet("utf8mb4");
  T->EditExtra().MySQLOptions.SetDefCharSet("latin1");
  EXPECT_EQ(P.Generate(), "ALTER TABLE T ENGINE=InnoDB;\nALTER TABLE T DEFAULT CHARSET=utf8mb4;\n");
  // An engine given on one side only is no change.
  T->EditExtra().MySQLOptions.Engine = "";
  EXPECT_EQ(P.Generate(), "ALTER TABLE T DEFAULT CHARSET=utf8mb4;\n");
}

TEST(TablePasses, DroppingATableTakesItsIndexesAndTriggersFirst) {
  TPairs P(dbInterBase);
  TTblData* Old = Table(P.Target, "OLD", {{"A", iftInteger}});
  auto* Idx = new TIdxData(&P.Target);
  Idx->SetObjName("IX_OLD");
  Idx->TableName = "OLD";
  P.Target.AddObj(Idx);
  AddTrigger(P.Target, "TRG_OLD", "OLD", " AS BEGIN END");
  auto* Keep = Table(P.Target, "KEEP", {{"A", iftInteger}});
  Keep->SkipDef = true;  // a table the host asked to pass by is never dropped
  P.Generate();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop TRG_OLD", "drop IX_OLD", "drop OLD"}));
  EXPECT_FALSE(Old->GetObjCreated());
  EXPECT_TRUE(Keep->GetObjCreated());
}

TEST(TablePasses, OldServersTakePositionsThroughTheSystemTables) {
  TPairs P(dbInterBase);
  P.Target.IBServerOptions.SQLServerVersion = st_InterBase_5x;
  Table(P.Master, "T", {{"A", iftInteger}, {"B", iftInteger}});
  Table(P.Target, "T", {{"B", iftInteger}, {"A", iftInteger}});
  EXPECT_EQ(P.Generate(),
            "UPDATE RDB$RELATION_FIELDS SET RDB$FIELD_POSITION = 1\n WHERE RDB$RELATION_NAME = "
            "'T' AND RDB$FIELD_NAME = 'A';\nUPDATE RDB$RELATION_FIELDS SET RDB$FIELD_POSITION = 2\n"
            " WHERE RDB$RELATION_NAME = 'T' AND RDB$FIELD_NAME = 'B';\n");
  P.Target.IBServerOptions.GetIBCompareOptions().UpdateFieldPosition = false;
  EXPECT_EQ(P.Generate(), "");
}
