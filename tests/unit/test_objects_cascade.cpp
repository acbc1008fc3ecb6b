// The dependency cascade on small graphs: prerequisites are created first, dependents dropped
// or emptied first, cycles end, and a second generation writes the same script.
#include <gtest/gtest.h>

#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Tbl.h"
#include "test_objects_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

/// A master and a target collection of one dialect writing into one executor.
struct TPair {
  explicit TPair(TDatabaseType DB) {
    for (TObjs* O : {&Master, &Target}) {
      O->SetDatabaseType(DB);
      O->SetSQLExec(&Exec);
    }
    Exec.DatabaseType = DB;
    LinkAsMasterAndTarget(Master, Target);
  }
  TRecordingExec Exec;
  TObjs Master;
  TObjs Target;
};

using TSteps = std::vector<std::string>;

}  // namespace

TEST(Cascade, CreatingAViewCreatesItsMissingTableFirst) {
  TPair P(dbInterBase);
  auto* T = AddTable(P.Master, "T1", {{"ID", iftInteger}});
  auto* V = AddView(P.Master, "V1", "SELECT ID FROM T1");
  P.Master.LinkDepend(V, T);
  P.Master.LinkDepend(V, T, "ID");
  PairAndMark(P.Master, P.Target);
  V->CreateDependDef();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"create T1", "create V1"}));
  EXPECT_TRUE(T->Fields[0]->GetObjCreated());  // created with its table, not added after
  // Created objects add nothing a second time.
  V->CreateDependDef();
  T->CreateDependDef();
  EXPECT_EQ(P.Exec.Steps().size(), 2u);
}

TEST(Cascade, AColumnPrerequisiteBringsItsTable) {
  // The view names only a column: the missing table comes whole, never as ALTER TABLE ... ADD
  // on a table that does not exist yet.
  TPair P(dbPostgreSQL);
  auto* T = AddTable(P.Master, "t1", {{"id", iftInteger}, {"x", iftInteger}});
  auto* V = AddView(P.Master, "v1", "select x from t1");
  P.Master.LinkDepend(V, T, "x");
  PairAndMark(P.Master, P.Target);
  V->CreateDependDef();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"create t1", "create v1"}));

  // With the table in the target but the column missing, the column is added.
  TPair Q(dbPostgreSQL);
  auto* MT = AddTable(Q.Master, "t1", {{"id", iftInteger}, {"x", iftInteger}});
  AddTable(Q.Target, "t1", {{"id", iftInteger}});
  auto* MV = AddView(Q.Master, "v1", "select x from t1");
  Q.Master.LinkDepend(MV, MT, "x");
  PairAndMark(Q.Master, Q.Target);
  MV->CreateDependDef();
  EXPECT_EQ(Q.Exec.Steps(), (TSteps{"create x", "create v1"}));
  EXPECT_EQ(Q.Exec.GetStatement(0)->Lines.GetText(), "ALTER TABLE t1 ADD x integer\r\n");
  EXPECT_EQ(Q.Exec.GetStatement(0)->OwnName, "t1");
}

TEST(Cascade, MissingRoutineIsCreatedEmptyOrWhole) {
  for (TDatabaseType DB : {dbInterBase, dbPostgreSQL}) {
    TPair P(DB);
    auto* A = AddProc(P.Master, "A", " BEGIN EXECUTE PROCEDURE B; END");
    auto* B = AddProc(P.Master, "B", " BEGIN SUSPEND; END");
    P.Master.LinkDepend(A, B);
    PairAndMark(P.Master, P.Target);
    A->CreateDependDef();
    if (DB == dbInterBase) {
      EXPECT_EQ(P.Exec.Steps(), (TSteps{"emptycreate B", "create A"}));
      EXPECT_EQ(P.Exec.GetStatement(0)->Lines.GetText(),
                "CREATE PROCEDURE B AS\r\n BEGIN EXIT; END\r\n");
      EXPECT_TRUE(B->RestoreBody);
    } else {
      EXPECT_EQ(P.Exec.Steps(), (TSteps{"create B", "create A"}));
      EXPECT_FALSE(B->RestoreBody);
    }
    EXPECT_TRUE(B->GetObjCreated());
  }
}

TEST(Cascade, ProcedureDescriptionsFollowItsCreation) {
  TPair P(dbInterBase);
  P.Master.IBServerOptions.GetIBCompareOptions().SetUpdateDescriptionMode(udComment);
  auto* Prc = AddProc(P.Master, "P", " BEGIN END");
  Prc->SetExtra(&TObjExtra::Description, "routine");
  AddColumn(Prc, Prc->Params, "X", iftInteger)->SetExtra(&TObjExtra::Description, "input");
  AddColumn(Prc, Prc->Results, "Y", iftInteger);
  PairAndMark(P.Master, P.Target);
  Prc->CreateDependDef();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"create P", "description P", "description X"}));
  EXPECT_EQ(P.Exec.GetStatement(2)->Lines.GetText(), "COMMENT ON PARAMETER P.X IS\r\n'input'\r\n");
}

TEST(Cascade, TableStillInTheMasterIsNeverDropped) {
  // Schema-keyed dialects find the master table under the key it was filed with.
  for (TDatabaseType DB : {dbOracle, dbMSSQL, dbDB2, dbSybaseASA, dbInterBase}) {
    TPair P(DB);
    for (TObjs* O : {&P.Master, &P.Target}) {
      auto* T = new TTblData(O);
      T->SetObjName("ORDERS");
      T->SetSchema("SALES");
      O->AddObj(T);
    }
    auto* Gone = AddTable(P.Target, "OLD");
    PairAndMark(P.Master, P.Target);
    TDbObj* Kept = P.Target.Tables.FindObj(P.Master.Tables.Objects(0)->ObjKeyDef());
    ASSERT_NE(Kept, nullptr);
    Kept->DropDependDef();
    Gone->DropDependDef();
    EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop OLD"})) << DB;
    EXPECT_FALSE(Gone->GetObjCreated());
    // A dropped object drops nothing twice.
    Gone->DropDependDef();
    EXPECT_EQ(P.Exec.Steps().size(), 1u);
  }
}

TEST(Cascade, DroppingATableEmptiesOrDropsItsTriggers) {
  for (TDatabaseType DB : {dbInterBase, dbPostgreSQL}) {
    TPair P(DB);
    auto* T = AddTable(P.Target, "t_old", {{"a", iftInteger}});
    auto* Trg = AddTrigger(P.Target, "trg", "t_old", " AS BEGIN NEW.a = 1; END");
    P.Target.LinkDepend(Trg, T);
    PairAndMark(P.Master, P.Target);
    T->DropDependDef();
    if (DB == dbInterBase) {
      // A table drops the triggers it owns first (emptying is for triggers of other tables).
      EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop trg", "drop t_old"}));
      EXPECT_EQ(P.Exec.GetStatement(0)->DbObject, dboTrigger);
      EXPECT_FALSE(Trg->GetObjCreated());
    } else {
      EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop trg", "drop t_old"}));
      EXPECT_EQ(P.Exec.GetStatement(0)->Lines.GetText(), "DROP TRIGGER trg ON t_old\r\n");
    }
    EXPECT_FALSE(T->Fields[0]->GetObjCreated());
  }
}

TEST(Cascade, DroppingADomainEmptiesRoutinesExceptOnAse) {
  for (TDatabaseType DB : {dbSybaseASA, dbSybaseASE}) {
    TPair P(DB);
    auto* D = new TDmnData(&P.Target);
    D->SetObjName("D_MONEY");
    P.Target.AddObj(D);
    auto* Prc = AddProc(P.Target, "P", " begin select 1 end");
    P.Target.LinkDepend(Prc, D);
    PairAndMark(P.Master, P.Target);
    D->DropDependDef();
    if (DB == dbSybaseASA) {
      EXPECT_EQ(P.Exec.Steps(), (TSteps{"empty P", "drop D_MONEY"}));
      EXPECT_EQ(Prc->Extra().Body, Prc->EmptyBody());
    } else {
      EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop D_MONEY"}));
      EXPECT_EQ(Prc->Extra().Body, " begin select 1 end");
    }
  }
}

TEST(Cascade, DroppingAViewDropsDependentViewsFirst) {
  TPair P(dbInterBase);
  auto* V1 = AddView(P.Target, "V1", "SELECT 1 FROM RDB$DATABASE");
  auto* V2 = AddView(P.Target, "V2", "SELECT * FROM V1");
  auto* V3 = AddView(P.Target, "V3", "SELECT * FROM V2");
  P.Target.LinkDepend(V2, V1);
  P.Target.LinkDepend(V3, V2);
  PairAndMark(P.Master, P.Target);
  V1->DropDependDef();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop V3", "drop V2", "drop V1"}));
}

TEST(Cascade, UnnamedConstraintDropsUnderItsAlternativeName) {
  TPair P(dbMSSQL);
  auto* C = new TCtrData(&P.Target);
  C->SetCtType(ctPKey);
  C->SetTblName("T");
  C->FldList.Add("ID");
  C->SetExtra(&TObjExtra::AltName, "PK__T__3214EC07");
  P.Target.AddObj(C);
  PairAndMark(P.Master, P.Target);
  C->DropDependDef();
  ASSERT_EQ(P.Exec.GetStatementsCount(), 1);
  EXPECT_EQ(P.Exec.GetStatement(0)->ObjName, "PK__T__3214EC07");
  EXPECT_EQ(P.Exec.GetStatement(0)->DbObject, dboPKey);
}

TEST(Cascade, CyclesEnd) {
  // Views that read each other or themselves, routines that call each other: creating or
  // dropping finishes, each object written once.
  TPair P(dbPostgreSQL);
  auto* A = AddView(P.Master, "a", "select * from b");
  auto* B = AddView(P.Master, "b", "select * from a");
  P.Master.LinkDepend(A, B);
  P.Master.LinkDepend(B, A);
  auto* C = AddView(P.Master, "c", "select * from c");
  P.Master.LinkDepend(C, C);  // a view naming itself

  auto* X = AddView(P.Target, "x", "select * from y");
  auto* Y = AddView(P.Target, "y", "select * from x");
  P.Target.LinkDepend(X, Y);
  P.Target.LinkDepend(Y, X);
  auto* F = AddProc(P.Target, "f", " begin perform g(); end");
  auto* G = AddProc(P.Target, "g", " begin perform f(); end");
  P.Target.LinkDepend(F, G);
  P.Target.LinkDepend(G, F);
  PairAndMark(P.Master, P.Target);

  A->CreateDependDef();
  C->CreateDependDef();
  X->DropDependDef();
  F->DropDependDef();
  const TSteps Steps = P.Exec.Steps();
  // The routine that calls the dropped one keeps existing with an empty body.
  for (const char* Step :
       {"create a", "create b", "create c", "drop x", "drop y", "empty g", "drop f"})
    EXPECT_EQ(std::count(Steps.begin(), Steps.end(), Step), 1) << Step;
  EXPECT_EQ(Steps.size(), 7u);
  EXPECT_LT(IndexOfStep(Steps, "drop y"), IndexOfStep(Steps, "drop x"));
}

TEST(Cascade, ASecondGenerationWritesTheSameScript) {
  TPair P(dbInterBase);
  // Master: T1 kept, T2 new, V on both, P using V. Target: T1, an old table with a trigger and
  // a procedure using it: the trigger is dropped and the procedure emptied when it goes.
  auto* MT1 = AddTable(P.Master, "T1", {{"ID", iftInteger}});
  auto* MT2 = AddTable(P.Master, "T2", {{"ID", iftInteger}});
  auto* MV = AddView(P.Master, "V", "SELECT T1.ID FROM T1, T2");
  auto* MP = AddProc(P.Master, "P", " BEGIN SUSPEND; END");
  P.Master.LinkDepend(MV, MT1);
  P.Master.LinkDepend(MV, MT2);
  P.Master.LinkDepend(MP, MV);
  AddTable(P.Target, "T1", {{"ID", iftInteger}});
  auto* Old = AddTable(P.Target, "OLD", {{"A", iftInteger}});
  auto* Trg = AddTrigger(P.Target, "TRG", "OLD", " AS BEGIN NEW.A = 1; END");
  auto* TP = AddProc(P.Target, "USES_OLD", " BEGIN SELECT A FROM OLD; END");
  P.Target.LinkDepend(Trg, Old);
  P.Target.LinkDepend(TP, Old);

  auto Generate = [&] {
    P.Exec.Clear();
    PairAndMark(P.Master, P.Target);
    Old->DropDependDef();
    MP->CreateDependDef();
    return P.Exec.Text();
  };
  const std::string First = Generate();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop TRG", "empty USES_OLD", "drop OLD", "create T2",
                                    "create V", "create P"}));
  EXPECT_EQ(Generate(), First);
  EXPECT_EQ(TP->Extra().Body, TP->EmptyBody());
  // The bodies as read come back for the next generation.
  P.Target.SetSourceDefinition();
  EXPECT_EQ(TP->Extra().Body, " BEGIN SELECT A FROM OLD; END");
  EXPECT_EQ(Trg->Extra().Body, " AS BEGIN NEW.A = 1; END");
}

TEST(Cascade, TwoSchemasCreateInDependencyOrderInEveryDialect) {
  for (std::size_t D = 0; D < DatabaseTypeCount; ++D) {
    const auto DB = static_cast<TDatabaseType>(D);
    TPair P(DB);
    // Master: CUSTOMER and ORDERS with columns, a view on both, a procedure using the view.
    auto* Customer = AddTable(P.Master, "CUSTOMER", {{"ID", iftInteger}, {"NAME", iftVarchar}});
    auto* Orders = AddTable(P.Master, "ORDERS", {{"ID", iftInteger}, {"CUSTOMER_ID", iftInteger}});
    auto* View =
        AddView(P.Master, "CUSTOMER_ORDERS",
                "SELECT C.NAME, O.ID FROM CUSTOMER C JOIN ORDERS O ON O.CUSTOMER_ID = C.ID");
    auto* Proc =
        AddProc(P.Master, "ORDER_COUNT", "AS BEGIN SELECT COUNT(*) FROM CUSTOMER_ORDERS; END");
    P.Master.LinkDepend(View, Customer);
    P.Master.LinkDepend(View, Customer, "NAME");
    P.Master.LinkDepend(View, Orders);
    P.Master.LinkDepend(View, Orders, "CUSTOMER_ID");
    P.Master.LinkDepend(Proc, View);
    // Target: CUSTOMER exists already.
    AddTable(P.Target, "CUSTOMER", {{"ID", iftInteger}, {"NAME", iftVarchar}});
    PairAndMark(P.Master, P.Target);

    // Drive from the end of the chain: the cascade supplies what comes first.
    Proc->CreateDependDef();
    View->CreateDependDef();
    Orders->CreateDependDef();
    const TSteps Steps = P.Exec.Steps();
    const int IOrders = IndexOfStep(Steps, "create ORDERS");
    const int IView = IndexOfStep(Steps, "create CUSTOMER_ORDERS");
    const int IProc = IndexOfStep(Steps, "create ORDER_COUNT");
    EXPECT_EQ(IndexOfStep(Steps, "create CUSTOMER"), -1) << DB;
    ASSERT_EQ(IOrders, 0) << DB;
    ASSERT_EQ(IView, 1) << DB;
    // Routines are written by the dialects that have a routine writer.
    const bool HasRoutineText = !Proc->CreateDef().empty();
    EXPECT_EQ(IProc, HasRoutineText ? 2 : -1) << DB;
    EXPECT_EQ(Steps.size(), HasRoutineText ? 3u : 2u) << DB;
    for (int I = 0; I < P.Exec.GetStatementsCount(); ++I)
      EXPECT_FALSE(P.Exec.GetStatement(I)->Lines.Empty()) << DB;
    EXPECT_TRUE(Orders->GetObjCreated() && View->GetObjCreated() && Proc->GetObjCreated());
  }
}
