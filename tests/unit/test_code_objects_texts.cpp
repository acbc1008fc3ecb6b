// Texts of views, routines and triggers per dialect: the golden files hold every text of a
// small set of objects for each dialect; the cases below pin the rules that are easy to break.
#include <gtest/gtest.h>

#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "test_code_objects_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

struct TDialect {
  TDatabaseType DB;
  const char* File;
};

const TDialect Dialects[] = {
    {dbInterBase, "texts_firebird.sql"},
    {dbSybaseASA, "texts_asa.sql"},
    {dbMySQL, "texts_mysql.sql"},
    {dbOracle, "texts_oracle.sql"},
    {dbMSSQL, "texts_mssql.sql"},
    {dbPostgreSQL, "texts_postgresql.sql"},
    {dbDB2, "texts_db2.sql"},
    {dbSybaseASE, "texts_ase.sql"},
};

/// Every text of the objects of one dialect, each under a heading line.
std::string AllTexts(TDatabaseType DB) {
  TObjs O;
  O.SetDatabaseType(DB);
  O.IBServerOptions.SetSQLDialect(3);
  const bool Lower = DB == dbPostgreSQL;
  auto N = [Lower](const std::string& S) { return Lower ? LowerCase(S) : S; };
  const bool Schemas = DB == dbOracle || DB == dbMSSQL || DB == dbPostgreSQL || DB == dbDB2;

  AddTable(O, N("ORDERS"), {{N("ID"), iftInteger}, {N("TOTAL"), iftInteger}});
  TViwData* V = ViewOf(O, N("BIG_ORDERS"), "SELECT ID, TOTAL FROM ORDERS WHERE TOTAL > 100",
                       {N("ID"), N("TOTAL")});
  if (Schemas) V->SetSchema(N("SALES"));

  TPrcData* P = Routine(O, N("ORDER_TOTAL"), "", {N("ORDER_ID")}, {N("TOTAL")});
  TPrcData* F = Routine(O, N("DOUBLED"), "", {N("A")}, {N("RESULT")});
  F->IsFunction = DB != dbInterBase;  // InterBase functions are external functions
  switch (DB) {
    case dbInterBase:
      P->SetExtra(&TObjExtra::Body,
                  "BEGIN SELECT TOTAL FROM ORDERS WHERE ID = :ORDER_ID INTO :TOTAL; SUSPEND; END");
      F->SetExtra(&TObjExtra::Body, "BEGIN RESULT = A * 2; SUSPEND; END");
      break;
    case dbPostgreSQL:
      P->Language = F->Language = "plpgsql";
      P->SetExtra(&TObjExtra::Body,
                  " begin select total into total from orders where id = order_id; end ");
      F->SetExtra(&TObjExtra::Body, " begin return a * 2; end ");
      F->Volatility = "IMMUTABLE";
      F->Results[0]->SetObjName("");
      P->Results[0]->InOut = ioOut;
      P->Params.Extract(0);  // the reader keeps OUT arguments with the parameters
      AddColumn(P, P->Params, "order_id", iftInteger)->InOut = ioIn;
      P->Params.Add(P->Results.Extract(0));
      break;
    case dbMySQL:
    case dbDB2:
      P->EditExtra().FullText =
          "CREATE PROCEDURE ORDER_TOTAL(IN ORDER_ID INTEGER, OUT TOTAL INTEGER)\r\nBEGIN\r\n  "
          "SELECT TOTAL INTO TOTAL FROM ORDERS WHERE ID = ORDER_ID;\r\nEND";
      F->SetExtra(&TObjExtra::FullText,
                  "CREATE FUNCTION DOUBLED(A INTEGER) RETURNS INTEGER\r\nRETURN A * 2");
      break;
    case dbOracle:
      P->EditExtra().Body =
          "(ORDER_ID IN INTEGER, TOTAL OUT INTEGER) AS\r\nBEGIN\r\n  SELECT TOTAL INTO "
          "TOTAL FROM ORDERS WHERE ID = ORDER_ID;\r\nEND;";
      F->SetExtra(&TObjExtra::Body,
                  "(A IN INTEGER) RETURN INTEGER AS\r\nBEGIN\r\n  RETURN A * 2;\r\nEND;");
      break;
    case dbSybaseASA:
      P->SetExtra(&TObjExtra::Body,
                  "BEGIN\r\n  SELECT TOTAL INTO TOTAL FROM ORDERS WHERE ID = ORDER_ID\r\nEND");
      F->SetExtra(&TObjExtra::Body, "BEGIN\r\n  RETURN A * 2\r\nEND");
      break;
    default:  // SQL Server and ASE keep the text from AS on
      P->SetExtra(&TObjExtra::Body, "AS\r\nSELECT @TOTAL = TOTAL FROM ORDERS WHERE ID = @ORDER_ID");
      F->SetExtra(&TObjExtra::Body, "AS\r\nBEGIN\r\n  RETURN @A * 2\r\nEND");
      for (TPrcData* R : {P, F})
        for (const auto& X : R->Params) X->SetObjName("@" + X->GetObjName());
      P->Results.Clear();
      AddColumn(P, P->Params, "@TOTAL", iftInteger)->InOut = ioOut;
      F->Results[0]->SetObjName("");
      break;
  }

  TTrgData* T = AddTrigger(O, N("ORDERS_BIU"), N("ORDERS"), "");
  T->Events.Include(iudUpdate);
  T->TrgType = 17;
  T->Position = 1;
  T->ForEachRow = DB != dbInterBase;
  T->SetExtra(&TObjExtra::Body,
              T->EmptyBody().empty() ? "EXECUTE FUNCTION orders_biu()" : "BEGIN END");
  if (DB == dbDB2) T->Mode = "DB2SQL";
  if (DB == dbMSSQL || DB == dbSybaseASE) T->Timing = baAfter;

  std::string R;
  auto Put = [&R](const TDbObj* Obj, const char* What, const std::string& Text) {
    R += "-- " + Obj->GetObjName() + ": " + What + "\n" + Text + "\n";
  };
  Put(V, "Def", V->Def());
  Put(V, "DropDef", V->DropDef());
  for (TPrcData* X : {P, F}) {
    Put(X, "ObjKeyDef", X->ObjKeyDef());
    Put(X, "ParamDef", X->ParamDef(true));
    Put(X, "Def", X->Def());
    Put(X, "AlterDef", X->AlterDef());
    Put(X, "DropDef", X->DropDef());
    Put(X, "EmptyBody", X->EmptyBody());
    Put(X, "EmptyDef", X->EmptyDef());
    Put(X, "AlterEmptyDef", X->AlterEmptyDef());
  }
  Put(T, "Def", T->Def());
  Put(T, "AlterDef", T->AlterDef());
  Put(T, "DropDef", T->DropDef());
  Put(T, "EmptyDef", T->EmptyDef());
  return StringReplace(R, "\r\n", "\n", true, false);
}

}  // namespace

TEST(CodeTexts, GoldenTextsOfEveryDialect) {
  for (const TDialect& D : Dialects) {
    SCOPED_TRACE(D.File);
    ExpectCodeGolden(D.File, AllTexts(D.DB));
  }
}

// ---------------------------------------------------------------------------------------------
// Views

TEST(CodeTexts, ViewsAreCreatedWhereTheyAreDropped) {
  // A PostgreSQL view of a schema is dropped under that schema; it is created there too, not in
  // the first schema of the search path.
  TObjs PG;
  PG.SetDatabaseType(dbPostgreSQL);
  TViwData* V = ViewOf(PG, "v", "select 1");
  V->SetSchema("sales");
  EXPECT_EQ(V->Def(), "CREATE VIEW sales.v\r\n AS \r\nselect 1");
  EXPECT_EQ(V->DropDef(), "DROP VIEW sales.v");

  // SQL Server: the option line, and a view read without a body written back as read.
  TObjs MS;
  MS.SetDatabaseType(dbMSSQL);
  TViwData* W = ViewOf(MS, "W", "SELECT 1 AS ONE");
  W->WithEncryption = W->ViewMetadata = true;
  EXPECT_EQ(W->Def(),
            "CREATE VIEW W\r\n  WITH ENCRYPTION, VIEW_METADATA\r\n AS \r\nSELECT 1 AS ONE");
  W->SchemaBinding = true;
  W->WithEncryption = false;
  EXPECT_EQ(W->Def(),
            "CREATE VIEW W\r\n  WITH SCHEMABINDING, VIEW_METADATA\r\n AS \r\nSELECT 1 AS ONE");
  W->EditExtra().Body.clear();
  W->SetExtra(&TObjExtra::FullText, "create view w as select 1 one");
  EXPECT_EQ(W->Def(), "create view w as select 1 one");

  // Oracle object view.
  TObjs Ora;
  Ora.SetDatabaseType(dbOracle);
  TViwData* O = ViewOf(Ora, "EMP_V", "SELECT * FROM EMP");
  O->ObjectType = "EMP_T";
  O->IdentifierColumns.Add("ID");
  O->IdentifierColumns.Add("DEPT");
  EXPECT_EQ(O->Def(),
            "CREATE OR REPLACE VIEW EMP_V OF EMP_T\r\n   WITH OBJECT IDENTIFIER(ID, DEPT)\r\n   AS "
            "\r\nSELECT * FROM EMP");
}

// ---------------------------------------------------------------------------------------------
// Routines

TEST(CodeTexts, RoutineParameterClauses) {
  TObjs IB, ASA;
  IB.SetDatabaseType(dbInterBase);
  ASA.SetDatabaseType(dbSybaseASA);
  EXPECT_EQ(Routine(IB, "P", " BEGIN END")->ParamDef(true), "");
  EXPECT_EQ(Routine(ASA, "P", " begin end")->ParamDef(true), "()\r\n");
  TPrcData* A = Routine(ASA, "Q", " begin end", {"A"}, {"R"});
  A->Params[0]->InOut = ioInout;
  EXPECT_EQ(A->ParamDef(true), "(InOut A INTEGER)\r\n Result(R INTEGER)\r\n");
  A->IsFunction = true;
  EXPECT_EQ(A->ParamDef(true), "(InOut A INTEGER)\r\nRETURNS INTEGER");

  // A parameter list with its direction words first: the flag the column text reads.
  TObjs My;
  My.SetDatabaseType(dbMySQL);
  TPrcData* M = Routine(My, "P", "", {"A"});
  M->Params[0]->InOut = ioOut;
  M->InOutFirst = true;
  EXPECT_EQ(M->Params[0]->Def(), "out A INTEGER");
}

TEST(CodeTexts, SqlServerBodyStartingWithCreateIsAlteredInPlace) {
  TObjs MS;
  MS.SetDatabaseType(dbMSSQL);
  for (const char* Verb : {"CREATE", "create", "Create"}) {
    TPrcData* P =
        Routine(MS, std::string("P_") + Verb, std::string(Verb) + " procedure p as select 1");
    EXPECT_EQ(P->AlterDef(), "ALTER procedure p as select 1") << Verb;
  }
  TPrcData* F = Routine(MS, "F", "AS BEGIN RETURN (SELECT 1) END");
  F->ReturnsTable = true;
  F->IsFunction = true;
  EXPECT_EQ(F->EmptyBody(), "Return (select 0 as Result)");
}

TEST(CodeTexts, EmptyBodiesAreValidForTheirServer) {
  // Only InterBase/Firebird reads " BEGIN EXIT; END"; a Firebird routine with results keeps
  // SUSPEND so that it can still be selected from.
  TObjs IB, PG, Ora;
  IB.SetDatabaseType(dbInterBase);
  PG.SetDatabaseType(dbPostgreSQL);
  Ora.SetDatabaseType(dbOracle);
  EXPECT_EQ(Routine(IB, "P", "BEGIN END")->EmptyBody(), " BEGIN EXIT; END");
  EXPECT_EQ(Routine(IB, "S", "BEGIN END", {}, {"R"})->EmptyBody(), " BEGIN SUSPEND; END");
  EXPECT_EQ(Routine(IB, "E", "BEGIN END", {"A"})->EmptyDef(),
            "CREATE PROCEDURE E(A INTEGER)\r\n AS\r\n BEGIN EXIT; END");

  // PostgreSQL: an empty PL/pgSQL block, whatever the function's own language, replaced in
  // place under the same signature.
  TPrcData* F = Routine(PG, "f", "select a * 2", {"a"}, {""});
  F->IsFunction = true;
  F->Language = "sql";
  EXPECT_EQ(F->EmptyDef(),
            "CREATE FUNCTION f(a integer)\r\nRETURNS integer\r\nAS $$ BEGIN END$$\r\nLANGUAGE "
            "'plpgsql'");
  F->ReplaceBody(F->EmptyBody());
  EXPECT_EQ(F->AlterDef().substr(0, 38), "CREATE OR REPLACE FUNCTION f(a integer");

  TPrcData* OF =
      Routine(Ora, "F", "(A IN INTEGER) RETURN INTEGER AS BEGIN RETURN A; END;", {"A"}, {"R"});
  OF->IsFunction = true;
  EXPECT_EQ(
      OF->EmptyDef(),
      "CREATE OR REPLACE FUNCTION F(A INTEGER) RETURN INTEGER AS\r\n BEGIN RETURN NULL; END;");
  EXPECT_EQ(OF->AlterEmptyDef(), OF->EmptyDef());
}

TEST(CodeTexts, RoutinesWithoutAWriterUseTheirTextAsRead) {
  // MySQL and DB2 routines are written from the text read from the server, never as an empty
  // stub that nothing restores.
  for (TDatabaseType DB : {dbMySQL, dbDB2}) {
    TObjs O;
    O.SetDatabaseType(DB);
    TPrcData* P = Routine(O, "P", "", {"A"});
    P->SetExtra(&TObjExtra::FullText, "CREATE PROCEDURE P(IN A INT) BEGIN SELECT A; END");
    EXPECT_EQ(P->Def(), P->Extra().FullText) << DB;
    EXPECT_EQ(P->EmptyDef(), P->Extra().FullText) << DB;
    EXPECT_EQ(P->AlterDef(), "") << DB;
    EXPECT_EQ(P->DropDef(), "DROP PROCEDURE P") << DB;
  }
}

TEST(CodeTexts, OracleMemberRoutine) {
  TObjs Ora;
  Ora.SetDatabaseType(dbOracle);
  TMemberPrcData M(&Ora);
  M.SetObjName("AREA");
  M.IsFunction = true;
  M.MemberParams = "(SELF IN SHAPE)";
  M.Directive.Overriding = true;
  AddColumn(&M, M.Results, "", iftNumber);
  EXPECT_EQ(M.Def(), "   OVERRIDING MEMBER FUNCTION AREA(SELF IN SHAPE) RETURN NUMBER");
}

// ---------------------------------------------------------------------------------------------
// Triggers

TEST(CodeTexts, TriggerHeaders) {
  TObjs IB, DB2, ASA, Ora, MS;
  IB.SetDatabaseType(dbInterBase);
  DB2.SetDatabaseType(dbDB2);
  ASA.SetDatabaseType(dbSybaseASA);
  Ora.SetDatabaseType(dbOracle);
  MS.SetDatabaseType(dbMSSQL);

  TTrgData Db(&IB);
  Db.SetObjName("ON_CONNECT");
  Db.SetOwnName("DATABASE");
  Db.EventText = "CONNECT";
  Db.SetExtra(&TObjExtra::Body, "AS BEGIN END");
  EXPECT_EQ(Db.Def(),
            "CREATE TRIGGER ON_CONNECT\r\nACTIVE ON CONNECT\r\n POSITION 0 \r\nAS BEGIN END");

  // DB2 writes MODE even without a value.
  TTrgData* D = AddTrigger(DB2, "TRG", "T", "BEGIN ATOMIC END");
  D->ForEachRow = true;
  EXPECT_EQ(D->DB2HeaderDef(),
            "CREATE TRIGGER TRG\r\n  NO CASCADE BEFORE INSERT ON T\r\n  FOR EACH ROW MODE \r\n");

  // SQL Anywhere, both forms.
  TTrgData* A = AddTrigger(ASA, "TRG", "T", "BEGIN END");
  A->SetExtra(&TObjExtra::Creator, "DBA");
  A->Events.Include(iudUpdate);
  A->Columns.Add("A");
  A->Columns.Add("B");
  A->Position = 2;
  A->NewAlias = "N";
  A->ForEachRow = true;
  EXPECT_EQ(A->Def(),
            "CREATE TRIGGER \r\nTRG BEFORE INSERT, UPDATE OF A, B ORDER 2 ON\r\nDBA.T\r\n"
            "REFERENCING NEW AS N\r\nFOR EACH ROW\r\nBEGIN END");
  A->TransactSQL = true;
  EXPECT_EQ(A->Def(),
            "CREATE TRIGGER \r\nTRG ON DBA.T\r\n  FOR INSERT, UPDATE\r\n  AS\r\nBEGIN END");

  // Oracle: the final " OR " goes; there is no FOR EACH STATEMENT clause.
  TTrgData* O = AddTrigger(Ora, "TRG", "T", "BEGIN NULL; END;");
  O->Events.Include(iudDelete);
  O->ForEachStatement = true;
  O->WhenCondition = "(1 = 1)";
  EXPECT_EQ(O->Def(),
            "CREATE OR REPLACE TRIGGER TRG\r\n  BEFORE INSERT OR DELETE ON T\r\n  WHEN (1 = 1)\r\n"
            "BEGIN NULL; END;");

  // SQL Server: options, and a trigger without body written from its stored definition.
  TTrgData* M = AddTrigger(MS, "TRG", "T", "BEGIN RETURN END");
  M->Timing = baInsteadOf;
  M->NotForReplication = true;
  EXPECT_EQ(M->Def(),
            "CREATE TRIGGER TRG ON T\r\n INSTEAD OF INSERT\r\n NOT FOR REPLICATION\r\n AS\r\nBEGIN "
            "RETURN END");
  M->EditExtra().Body.clear();
  M->SetExtra(&TObjExtra::SourceDefinition, "create trigger trg on t for insert as return");
  EXPECT_EQ(M->Def(), "create trigger trg on t for insert as return");
}

TEST(CodeTexts, OnlyInterBaseGetsItsAlterTriggerForm) {
  // One statement replaces a body on InterBase, SQL Server and Oracle; the other servers have
  // no such statement and the trigger is dropped and created instead.
  const std::pair<TDatabaseType, const char*> Cases[] = {
      {dbInterBase, "ALTER TRIGGER TRG\r\nAS BEGIN END"},
      {dbMSSQL, "ALTER TRIGGER TRG ON T\r\n AFTER INSERT\r\n AS\r\nAS BEGIN END"},
      {dbOracle, "CREATE OR REPLACE TRIGGER TRG\r\n  BEFORE INSERT ON T\r\nAS BEGIN END"},
      {dbSybaseASA, ""},
      {dbDB2, ""},
      {dbMySQL, ""},
      {dbPostgreSQL, ""},
      {dbSybaseASE, ""}};
  for (auto [DB, Alter] : Cases) {
    TSchema S(DB);
    TTrgData* T = AddTrigger(S.Objs, "TRG", "T", "AS BEGIN END");
    if (DB == dbMSSQL) T->Timing = baAfter;
    EXPECT_EQ(T->AlterDef(), Alter) << DB;
    // The empty body never carries the InterBase syntax elsewhere.
    if (DB != dbInterBase) {
      EXPECT_EQ(T->EmptyBody().find("Declare variable"), std::string::npos) << DB;
    }
    // Emptying writes the dialect's own form.
    T->AssignEmptyBody();
    const TSteps Steps = StepsOf(S.Exec);
    if (DB == dbPostgreSQL || DB == dbSybaseASE)
      EXPECT_EQ(Steps, (TSteps{"drop TRG"})) << DB;
    else if (*Alter)
      EXPECT_EQ(Steps, (TSteps{"alter TRG"})) << DB;
    else
      EXPECT_EQ(Steps, (TSteps{"drop TRG", "alter TRG"})) << DB;
  }
}

TEST(CodeTexts, TriggerSourceAndCopy) {
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  AddTable(IB, "T");
  TTrgData* T = AddTrigger(IB, "TRG", "T", "AS BEGIN NEW.A = 1; END");
  T->TrgType = 1;
  // The source definition keeps the body it first wrote, whatever the body becomes later.
  const std::string Source = T->SourceDef();
  T->ReplaceBody(T->EmptyBody());
  EXPECT_EQ(T->SourceDef(), Source);
  EXPECT_NE(T->Def(), Source);

  TTrgData Copy(&IB);
  T->Active = false;
  T->Position = 3;
  T->SetExtra(&TObjExtra::Description, "sets A");
  Copy.Assign(*T);
  EXPECT_EQ(Copy.GetObjName(), "TRG");
  EXPECT_EQ(Copy.OwnerObj, IB.GetTable("T"));
  EXPECT_EQ(Copy.Def(), T->Def());
  EXPECT_EQ(Copy.Extra().Description, "sets A");
}
