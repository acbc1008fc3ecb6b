// The texts of the kinds the cascade writes: tables and columns, views, routines, triggers,
// constraints; the definition snapshot of the collection.
#include <gtest/gtest.h>

#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "test_objects_util.h"

using namespace qel;
using namespace qel::testing;

TEST(Kinds, FieldTypeNamesAndDefaults) {
  EXPECT_EQ(FieldTypeByName("double precision"), iftDoublePrecision);
  EXPECT_EQ(FieldTypeByName("timestamp"), iftTimeStamp);
  EXPECT_EQ(FieldTypeByName("Geometry"), iftUnknown);
  EXPECT_EQ(FieldTypeByName("domain"), iftUnknown);
  EXPECT_STREQ(FieldTypeNames[iftUniqueIdent], "UNIQUEIDENTIFIER");
  EXPECT_STREQ(FieldTypeNames[iftBoolean], "BOOLEAN");
  TFldData F(nullptr);
  F.DefValue = "\"abc\"";
  EXPECT_EQ(F.GetDefValue(), "'abc'");
  F.DefValue = "\"it's\"";
  EXPECT_EQ(F.GetDefValue(), "'it''s'");
  F.DefValue = "\"abc";
  EXPECT_EQ(F.GetDefValue(), "\"abc");
}

TEST(Kinds, ColumnTypeText) {
  TObjs IB, PG, MS;
  IB.SetDatabaseType(dbInterBase);
  PG.SetDatabaseType(dbPostgreSQL);
  MS.SetDatabaseType(dbMSSQL);
  TFldData C(&MS);
  C.FieldType = iftChar;
  C.Size = 1;
  EXPECT_EQ(C.FieldTypeDef(), "CHAR");
  C.FieldType = iftVarchar;
  C.Size = -1;
  EXPECT_EQ(C.FieldTypeDef(), "VARCHAR(MAX)");
  TFldData I(&IB);
  I.FieldType = iftVarchar;
  I.Size = 1;
  EXPECT_EQ(I.FieldTypeDef(), "VARCHAR(1)");
  I.FieldType = iftBlob;
  I.SubType = 1;
  I.EditExtra().SegmentSize = 80;
  EXPECT_EQ(I.FieldTypeDef(), "BLOB SUB_TYPE 1");
  I.FieldType = iftTimeStamp;
  IB.IBServerOptions.SetSQLDialect(1);
  EXPECT_EQ(I.FieldTypeDef(), "DATE");
  TFldData N(&PG);
  N.FieldType = iftNumeric;
  N.Precision = 18;
  N.Scale = 4;
  EXPECT_EQ(N.FieldTypeDef(), "numeric(18,4)");
  N.FieldType = iftTimeStampTZ;
  N.Precision = 3;
  EXPECT_EQ(N.FieldTypeDef(), "timestamp(3) with time zone");
  N.SetExtra(&TObjExtra::Body, "(a + b)");
  EXPECT_EQ(N.FieldTypeDef(), "COMPUTED BY (a + b)");
  TFldData D(&PG);
  D.FieldType = iftDomain;
  D.SetExtra(&TFldExtra::DomainName, "Money");
  D.TypeOf = true;
  EXPECT_EQ(D.FieldTypeDef(), "TYPE OF \"Money\"");
}

TEST(Kinds, TablesAndColumns) {
  TObjs IB, ORA;
  IB.SetDatabaseType(dbInterBase);
  ORA.SetDatabaseType(dbOracle);
  auto* Empty = AddTable(IB, "EMPTY");
  EXPECT_EQ(Empty->CreateDef(), "CREATE TABLE EMPTY");
  auto* T = AddTable(IB, "T", {{"A", iftInteger}, {"B", iftVarchar}});
  TFldData* Calc = AddColumn(T, T->Fields, "C", iftInteger);
  Calc->SetExtra(&TObjExtra::Body, "(A * 2)");
  EXPECT_EQ(T->CreateDef(),
            "CREATE TABLE T(A INTEGER,\r\nB VARCHAR(20),\r\nC COMPUTED BY (A * 2))");
  T->SetSkipComputedDef(true);
  EXPECT_EQ(T->CreateDef(), "CREATE TABLE T(A INTEGER,\r\nB VARCHAR(20))");
  EXPECT_EQ(T->DropDef(), "DROP TABLE T");
  EXPECT_EQ(Calc->CreateDef(), "ALTER TABLE T ADD C COMPUTED BY (A * 2)");
  EXPECT_EQ(Calc->DropDef(), "ALTER TABLE T DROP C");
  auto* O = AddTable(ORA, "T", {{"A", iftInteger}});
  O->SetSchema("HR");
  EXPECT_EQ(O->Fields[0]->DropDef(), "ALTER TABLE HR.T DROP (A)");
  EXPECT_EQ(O->Fields[0]->CreateDef(), "ALTER TABLE HR.T ADD A INTEGER");
}

TEST(Kinds, ViewTexts) {
  TObjs MS, MY, ORA;
  MS.SetDatabaseType(dbMSSQL);
  MY.SetDatabaseType(dbMySQL);
  ORA.SetDatabaseType(dbOracle);
  auto* V = AddView(MS, "V", "SELECT 1 AS ONE");
  V->SetSchema("DBO");
  V->WithEncryption = true;
  V->ViewMetadata = true;
  AddColumn(V, V->Fields, "ONE", iftInteger);
  EXPECT_EQ(V->Def(),
            "CREATE VIEW DBO.V(\r\nONE)\r\n  WITH ENCRYPTION, VIEW_METADATA\r\n AS \r\nSELECT 1 AS "
            "ONE");
  V->EditExtra().Body.clear();
  V->SetExtra(&TObjExtra::FullText, "create view dbo.v as select 1 as one");
  EXPECT_EQ(V->Def(), "create view dbo.v as select 1 as one");
  auto* M = AddView(MY, "v", "select 1");
  M->Algorithm = "MERGE";
  EXPECT_EQ(M->Def(), "CREATE ALGORITHM=MERGE VIEW `v`\r\n AS \r\nselect 1");
  auto* O = AddView(ORA, "V", "SELECT 1 FROM DUAL");
  O->SetSchema("HR");
  EXPECT_EQ(O->Def(), "CREATE OR REPLACE VIEW HR.V\r\n   AS \r\nSELECT 1 FROM DUAL");
  EXPECT_EQ(O->DropDef(), "DROP VIEW HR.V");
  O->SkipDef = true;
  EXPECT_EQ(O->DropDef(), "");
  // The re-create mark is carried by both views of a pair.
  TViwData Other(&ORA);
  O->SetRefObj(&Other);
  Other.SetRefObj(O);
  O->SetReCreate(true);
  EXPECT_TRUE(Other.GetReCreate());
}

TEST(Kinds, RoutineTextsKeysAndEmptyBodies) {
  TObjs IB, PG, MS;
  IB.SetDatabaseType(dbInterBase);
  PG.SetDatabaseType(dbPostgreSQL);
  MS.SetDatabaseType(dbMSSQL);
  auto* P = AddProc(IB, "P", "BEGIN SUSPEND; END");
  EXPECT_EQ(P->ParamDef(true), "");
  AddColumn(P, P->Params, "X", iftInteger);
  AddColumn(P, P->Results, "Y", iftInteger);
  EXPECT_EQ(P->Def(),
            "CREATE PROCEDURE P(X INTEGER)\r\n RETURNS(Y INTEGER)\r\n AS\r\nBEGIN SUSPEND; END");
  // A routine with results keeps SUSPEND in its empty body: Firebird compiles a select from it
  // only so.
  EXPECT_EQ(P->EmptyDef(),
            "CREATE PROCEDURE P(X INTEGER)\r\n RETURNS(Y INTEGER)\r\n AS\r\n BEGIN SUSPEND; END");
  EXPECT_EQ(P->AlterDef().substr(0, 16), "ALTER PROCEDURE ");
  EXPECT_EQ(P->DropDef(), "DROP PROCEDURE P");

  // PostgreSQL overloads are two objects.
  for (TDBFieldType T : {iftInteger, iftText}) {
    auto* F = new TPrcData(&PG);
    F->SetObjName("f");
    F->SetSchema("public");
    F->IsFunction = true;
    AddColumn(F, F->Params, "a", T);
    EXPECT_TRUE(PG.AddObj(F));
  }
  EXPECT_NE(PG.GetProcedure("public.f(integer)"), nullptr);
  EXPECT_NE(PG.GetProcedure("public.f(text)"), nullptr);
  auto* F = PG.GetProcedure("public.f(integer)");
  EXPECT_EQ(F->DropDef(), "DROP FUNCTION public.f(a integer)");
  // A body holding "$$" gets a quote tag it cannot end.
  F->SetExtra(&TObjExtra::Body, "select '$$' || a");
  F->Language = "sql";
  EXPECT_EQ(
      F->Def(),
      "CREATE FUNCTION public.f(a integer)\r\nAS $qel$select '$$' || a$qel$\r\nLANGUAGE 'sql'");

  auto* M = AddProc(MS, "P", "create procedure P as select 1");
  M->ProcNumber = 2;
  EXPECT_EQ(M->ObjKeyDef(), "P;2");
  EXPECT_EQ(M->AlterDef(), "ALTER procedure P as select 1");
  M->SetExtra(&TObjExtra::Body, "AS SELECT 1");
  EXPECT_EQ(M->Def(), "CREATE PROCEDURE P;2 \r\n AS SELECT 1");
  M->ReturnsTable = true;
  EXPECT_EQ(M->EmptyBody(), "Return (select 0 as Result)");
  EXPECT_TRUE(M->GetHasReturnsTable());
}

TEST(Kinds, EmptyingARoutineMarksTheMasterForRestoration) {
  TSchema Master(dbInterBase), Target(dbInterBase);
  LinkAsMasterAndTarget(Master.Objs, Target.Objs);
  auto* MP = AddProc(Master.Objs, "P", " BEGIN END");
  auto* TP = AddProc(Target.Objs, "P", " BEGIN SELECT 1 FROM T; END");
  auto* T = AddTable(Target.Objs, "T");
  Target.Objs.LinkDepend(TP, T);
  TP->ObjCreated = false;
  TP->AssignEmptyBody(true);
  EXPECT_EQ(Target.Exec.GetStatementsCount(), 0);  // not in the target: nothing to empty
  TP->ObjCreated = true;
  TP->AssignEmptyBody(true);
  ASSERT_EQ(Target.Exec.GetStatementsCount(), 1);
  EXPECT_EQ(Target.Exec.GetStatement(0)->DbOperation, odbEmpty);
  EXPECT_EQ(TP->Extra().Body, TP->EmptyBody());
  EXPECT_FALSE(TP->UseOf[0]->Active);
  EXPECT_TRUE(MP->RestoreBody);
  EXPECT_EQ(TP->Extra().CurrentDef, TP->Def());
  TP->AssignEmptyBody(true);  // already empty
  EXPECT_EQ(Target.Exec.GetStatementsCount(), 1);
}

TEST(Kinds, TriggerTexts) {
  TObjs IB, PG, MS;
  IB.SetDatabaseType(dbInterBase);
  PG.SetDatabaseType(dbPostgreSQL);
  MS.SetDatabaseType(dbMSSQL);
  TTrgData T(&IB);
  const std::pair<int, const char*> Types[] = {{1, "BEFORE INSERT"},
                                               {2, "AFTER INSERT"},
                                               {3, "BEFORE UPDATE"},
                                               {17, "BEFORE INSERT OR UPDATE"},
                                               {113, "BEFORE INSERT OR UPDATE OR DELETE"},
                                               {114, "AFTER INSERT OR UPDATE OR DELETE"}};
  for (auto [Code, Text] : Types) {
    T.TrgType = Code;
    EXPECT_EQ(T.TrgTypStr(), Text) << Code;
  }
  AddTable(IB, "ORDERS");
  auto* Trg = AddTrigger(IB, "TRG", "ORDERS", "AS BEGIN END");
  Trg->TrgType = 1;
  EXPECT_NE(Trg->OwnerObj, nullptr);
  EXPECT_EQ(Trg->Def(),
            "CREATE TRIGGER TRG FOR ORDERS\r\nACTIVE BEFORE INSERT POSITION 0 \r\nAS BEGIN END");
  TTrgData Db(&IB);
  Db.SetObjName("ON_CONNECT");
  Db.SetOwnName("DATABASE");
  Db.EventText = "CONNECT";
  EXPECT_EQ(Db.Ib_HeaderDef(),
            "CREATE TRIGGER ON_CONNECT\r\nACTIVE ON CONNECT\r\n POSITION 0 \r\n");

  auto* P = AddTrigger(PG, "audit", "orders", "EXECUTE FUNCTION audit()");
  P->SetSchema("public");
  P->ForEachRow = true;
  P->Events.Include(iudUpdate);
  EXPECT_EQ(P->Def(),
            "CREATE TRIGGER audit\r\n  BEFORE INSERT OR UPDATE\r\n  ON public.orders\r\n  FOR EACH "
            "ROW\r\nEXECUTE FUNCTION audit()");
  EXPECT_EQ(P->DropDef(), "DROP TRIGGER audit ON public.orders");

  TTrgData M(&MS);
  M.SetObjName("TRG");
  M.SetOwnName("ORDERS");
  M.Timing = baAfter;
  M.Events.Include(iudDelete);
  EXPECT_EQ(M.Def(), "");  // no body: the stored source (none here)
  M.SetExtra(&TObjExtra::Body, "BEGIN RETURN END");
  EXPECT_EQ(M.Def(), "CREATE TRIGGER TRG ON ORDERS\r\n AFTER DELETE\r\n AS\r\nBEGIN RETURN END");
  EXPECT_EQ(M.AlterDef().substr(0, 14), "ALTER TRIGGER ");
  EXPECT_EQ(M.EmptyBody(), " declare @i integer;\r\nbegin set @i = 0; end");
}

TEST(Kinds, ConstraintKeysAndTexts) {
  TObjs IB, MS;
  IB.SetDatabaseType(dbInterBase);
  MS.SetDatabaseType(dbMSSQL);
  TCtrData C(&IB);
  C.SetCtType(ctFKey);
  C.SetTblName("Orders");
  C.SetRefTblName("Customer");
  C.FldList.Add("CustId");
  C.EditExtra().RefFldList.Add("Id");
  EXPECT_EQ(C.Def(),
            "ALTER TABLE \"Orders\" ADD FOREIGN KEY (\"CustId\") REFERENCES \"Customer\" (\"Id\")");
  // Unnamed: keyed by the text without InterBase quoting, and the dialect is put back.
  EXPECT_EQ(C.ObjKeyDef(), "ALTER TABLE Orders ADD FOREIGN KEY (CustId) REFERENCES Customer (Id)");
  EXPECT_EQ(IB.IBServerOptions.GetSQLDialect(), 3);
  TCtrData K(&MS);
  K.SetTblName("orders");
  EXPECT_EQ(K.GetTblName(), "ORDERS");
}

TEST(Kinds, SourceDefinitionSnapshot) {
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  auto* V = AddView(IB, "V", "SELECT 1 FROM RDB$DATABASE");
  auto* P = AddProc(IB, "P", " BEGIN END");
  IB.SetSourceDefinition();
  EXPECT_EQ(V->Extra().SourceDefinition, V->Def());
  EXPECT_EQ(V->Extra().CurrentDef, V->Def());
  EXPECT_EQ(P->SourceDef(), P->Def());
  const std::string Before = P->Extra().SourceDefinition;
  P->SetExtra(&TObjExtra::Body, " BEGIN EXIT; END");
  EXPECT_EQ(P->SourceDef(), Before);  // later changes leave the snapshot alone
  EXPECT_NE(P->Def(), Before);
}
