// Constraints: the texts of every dialect, server-generated names, keys, and the two constraint
// passes on small schema pairs built in code.
#include <gtest/gtest.h>

#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "test_keys_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TSteps = std::vector<std::string>;

/// A loose constraint of one dialect (not filed).
struct TOne {
  explicit TOne(TDatabaseType DB, TConstraintType Type) : C(&Objs) {
    Objs.SetDatabaseType(DB);
    C.SetCtType(Type);
    C.SetTblName("T");
    C.FldList.Add("A");
  }
  TObjs Objs;
  TCtrData C;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Texts

TEST(ConstraintText, NewConstraintIsAForeignKeyWithoutActions) {
  TObjs Objs;
  TCtrData C(&Objs);
  EXPECT_EQ(C.GetCtType(), ctFKey);
  EXPECT_EQ(C.Kind, 121);
  EXPECT_EQ(C.OnUpdate, udaNoAction);
  EXPECT_EQ(C.OnDelete, udaNoAction);
  C.SetCtType(ctReferences);
  EXPECT_EQ(C.Kind, 122);
  C.SetCtType(ctKey);
  EXPECT_EQ(C.Kind, 122);
}

TEST(ConstraintText, ForeignKeyActionsFollowTheTargetODS) {
  TKeyPair P(dbInterBase);
  auto* C = new TCtrData(&P.Master);
  C->SetObjName("FK_T");
  C->SetTblName("T");
  C->FldList.Add("A");
  C->SetRefTblName("R");
  C->EditExtra().RefFldList.Add("ID");
  C->OnUpdate = udaCascade;
  C->OnDelete = udaNull;
  P.Master.AddObj(C);
  const std::string WithActions =
      "ALTER TABLE T ADD CONSTRAINT FK_T FOREIGN KEY (A) REFERENCES R (ID) ON UPDATE CASCADE ON "
      "DELETE SET NULL";
  EXPECT_EQ(C->Def(), WithActions);  // ODS not known
  P.Target.IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion = 8;
  EXPECT_EQ(C->Def(), "ALTER TABLE T ADD CONSTRAINT FK_T FOREIGN KEY (A) REFERENCES R (ID)");
  P.Target.IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion = 10;
  EXPECT_EQ(C->Def(), WithActions);
  // The key's own index comes after the column list.
  C->EditExtra().IndexName = "IX_FK";
  C->Descending = true;
  C->OnUpdate = C->OnDelete = udaRestrict;
  EXPECT_EQ(C->Def(),
            "ALTER TABLE T ADD CONSTRAINT FK_T FOREIGN KEY (A) REFERENCES R (ID) ON UPDATE "
            "RESTRICT ON DELETE RESTRICT\r\nUSING DESC INDEX IX_FK");
}

TEST(ConstraintText, KeysPerDialect) {
  {
    TOne K(dbMSSQL, ctPKey);
    K.C.SetSchema("dbo");
    K.C.SetObjName("PK_T");
    EXPECT_EQ(K.C.Def(), "ALTER TABLE DBO.T ADD CONSTRAINT PK_T PRIMARY KEY NONCLUSTERED (A)");
    K.C.Clustered = true;
    EXPECT_EQ(K.C.Def(), "ALTER TABLE DBO.T ADD CONSTRAINT PK_T PRIMARY KEY (A)");
    K.C.SetCtType(ctUnique);
    EXPECT_EQ(K.C.Def(), "ALTER TABLE DBO.T ADD CONSTRAINT PK_T UNIQUE CLUSTERED (A)");
  }
  {
    TOne K(dbSybaseASA, ctPKey);
    K.C.Clustered = true;
    // A table without a recorded owner belongs to DBA.
    EXPECT_EQ(K.C.Def(), "ALTER TABLE DBA.T ADD PRIMARY KEY CLUSTERED (A)");
    K.C.SetCtType(ctFKey);
    K.C.SetExtra(&TObjExtra::Creator, "sales");
    K.C.EditExtra().RoleName = "fk_role";
    K.C.SetRefTblName("R");
    K.C.CheckOnCommit = true;
    EXPECT_EQ(K.C.Def(),
              "ALTER TABLE sales.T ADD FOREIGN KEY fk_role (A) REFERENCES sales.R CHECK ON COMMIT");
    K.C.EditExtra().RefOwner = "DBA";
    EXPECT_EQ(K.C.Def(),
              "ALTER TABLE sales.T ADD FOREIGN KEY fk_role (A) REFERENCES DBA.R CHECK ON COMMIT");
  }
  {
    TOne K(dbMySQL, ctUnique);
    K.C.EditExtra().IndexName = "uq a";
    EXPECT_EQ(K.C.Def(), "ALTER TABLE T ADD UNIQUE `uq a` (A)");
  }
  {
    TOne K(dbOracle, ctPKey);
    K.C.SetSchema("HR");
    K.C.EditExtra().IndexName = "USING INDEX TABLESPACE IDX";
    K.C.EditExtra().TableSpace.PctFree = 10;
    EXPECT_EQ(K.C.Def(),
              "ALTER TABLE HR.T ADD PRIMARY KEY (A) USING INDEX TABLESPACE IDX\r\npctfree 10");
  }
}

TEST(ConstraintText, ReferencedTableOfPostgreSQLNeverStartsWithADot) {
  TOne K(dbPostgreSQL, ctFKey);
  K.C.SetTblName("t");
  K.C.FldList.Clear();
  K.C.FldList.Add("a");
  K.C.SetRefTblName("r");
  K.C.EditExtra().RefFldList.Add("id");
  EXPECT_EQ(K.C.Def(), "ALTER TABLE t ADD FOREIGN KEY (a) REFERENCES r (id)");
  K.C.SetSchema("public");
  EXPECT_EQ(K.C.Def(), "ALTER TABLE public.t ADD FOREIGN KEY (a) REFERENCES public.r (id)");
  K.C.SetRefSchema("ref");
  EXPECT_EQ(K.C.Def(), "ALTER TABLE public.t ADD FOREIGN KEY (a) REFERENCES ref.r (id)");
  K.C.Deferrable = true;
  EXPECT_EQ(K.C.Def(),
            "ALTER TABLE public.t ADD FOREIGN KEY (a) REFERENCES ref.r (id)\r\n"
            "DEFERRABLE INITIALLY DEFERRED");
}

TEST(ConstraintText, ChecksDefaultsAndNotNull) {
  TOne Ck(dbMSSQL, ctCheck);
  Ck.C.SetExtra(&TObjExtra::Body, " (A > 0)");
  Ck.C.NotForReplication = true;
  EXPECT_EQ(Ck.C.Def(), "ALTER TABLE T ADD CHECK NOT FOR REPLICATION (A > 0)");

  // A default inside a column definition names no column; as ADD it does.
  TOne Df(dbMSSQL, ctDefault);
  Df.C.SetObjName("DF_T_A");
  Df.C.SetExtra(&TObjExtra::Body, "(0)");
  EXPECT_EQ(Df.C.ConstraintDef(true), "CONSTRAINT DF_T_A DEFAULT (0)");
  EXPECT_EQ(Df.C.Def(), "ALTER TABLE T ADD CONSTRAINT DF_T_A DEFAULT (0) FOR A");
  Df.C.FldList.Add("B");
  EXPECT_EQ(Df.C.ConstraintDef(true), "CONSTRAINT DF_T_A DEFAULT (0) FOR A, B");

  TOne Nn(dbOracle, ctNotNull);
  Nn.C.SetObjName("NN_A");
  EXPECT_EQ(Nn.C.Def(), "ALTER TABLE T MODIFY (A CONSTRAINT NN_A NOT NULL)");
  TOne Ref(dbOracle, ctReferences);
  Ref.C.SetRefTblName("R");
  Ref.C.EditExtra().RefFldList.Add("ID");
  EXPECT_EQ(Ref.C.Def(), "ALTER TABLE T ADD REFERENCES R(ID)");

  // Kinds that have no clause in a dialect write nothing there (a bare "ADD CONSTRAINT x"
  // would not run), but are still keyed apart.
  TOne Other(dbPostgreSQL, ctNotNull);
  Other.C.SetObjName("nn");
  EXPECT_EQ(Other.C.Def(), "");
  TOne OtherDefault(dbInterBase, ctDefault);
  EXPECT_EQ(OtherDefault.C.Def(), "");
  EXPECT_EQ(OtherDefault.C.ObjKeyDef(), "ALTER TABLE T ADD ");
}

TEST(ConstraintText, DropTexts) {
  TOne My(dbMySQL, ctPKey);
  EXPECT_EQ(My.C.DropDef(), "ALTER TABLE T DROP PRIMARY KEY");
  My.C.SetCtType(ctUnique);
  EXPECT_EQ(My.C.DropDef(), "ALTER TABLE T DROP UNIQUE");
  My.C.EditExtra().IndexName = "uq_a";
  EXPECT_EQ(My.C.DropDef(), "ALTER TABLE T DROP KEY `uq_a`");
  My.C.SetObjName("c");
  EXPECT_EQ(My.C.DropDef(), "ALTER TABLE T DROP CONSTRAINT `c`");
  My.C.SetCtType(ctFKey);
  EXPECT_EQ(My.C.DropDef(), "ALTER TABLE T DROP FOREIGN KEY `c`");

  TOne Ms(dbMSSQL, ctPKey);
  Ms.C.SetExtra(&TObjExtra::AltName, "PK__T__3214EC07");
  EXPECT_EQ(Ms.C.DropDef(), "ALTER TABLE T DROP CONSTRAINT PK__T__3214EC07");

  TOne Asa(dbSybaseASA, ctUnique);
  EXPECT_EQ(Asa.C.DropDef(), "ALTER TABLE DBA.T DROP UNIQUE(A)");
  Asa.C.SetCtType(ctFKey);
  Asa.C.SetRefTblName("R");
  EXPECT_EQ(Asa.C.DropDef(), "ALTER TABLE DBA.T DROP FOREIGN KEY R");
  Asa.C.SetCtType(ctCheck);
  EXPECT_EQ(Asa.C.DropDef(), "ALTER TABLE DBA.T DROP CHECK");

  TOne Db2(dbDB2, ctPKey);
  EXPECT_EQ(Db2.C.DropDef(), "ALTER TABLE T DROP PRIMARY KEY");

  // An unnamed InterBase primary key goes through the system table; an unnamed unique key
  // has no statement, only a note that cannot end its comment early.
  TOne Ib(dbInterBase, ctPKey);
  EXPECT_EQ(Ib.C.DropDef(),
            "Delete from Rdb$Relation_Constraints\r\nwhere Rdb$Relation_Name = 'T'\r\n"
            "and Rdb$Constraint_Type = 'PRIMARY KEY'");
  Ib.C.SetCtType(ctCheck);
  Ib.C.SetExtra(&TObjExtra::Body, " (A <> '*/')");
  const std::string Note = Ib.C.DropDef();
  EXPECT_EQ(Note.rfind("/* drop constraint: ALTER TABLE T ADD CHECK", 0), 0u) << Note;
  EXPECT_EQ(Note.find("*/"), Note.size() - 4) << Note;
}

// ---------------------------------------------------------------------------------------------
// Server-generated names

TEST(ConstraintNames, SQLServerNamesEndInUpperCaseHexDigits) {
  auto Check = [](TConstraintType Type, const std::string& Name) {
    TOne K(dbMSSQL, Type);
    K.Objs.MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers = true;
    K.C.SetObjName(Name);
    const bool Generated = K.C.MSSQLCheckSysName();
    // The name is kept apart, never lost.
    EXPECT_EQ(Generated ? K.C.Extra().AltName : K.C.GetObjName(), Name);
    EXPECT_EQ(Generated, K.C.GetObjName().empty());
    return Generated;
  };
  EXPECT_TRUE(Check(ctPKey, "PK__ORDERS__0CBAE877"));
  EXPECT_FALSE(Check(ctPKey, "PK__ORDERS__0cbae877"));
  EXPECT_FALSE(Check(ctUnique, "PK__ORDERS__0CBAE877"));
  EXPECT_TRUE(Check(ctUnique, "UQ__ORDERS__0CBAE877"));
  EXPECT_TRUE(Check(ctFKey, "FK__ORDERS__CUSTO__1A14E395"));
  EXPECT_TRUE(Check(ctDefault, "DF__ORDERS__TOTAL__1B0907CE"));
  EXPECT_FALSE(Check(ctCheck, "CK__ORDERS__TOTAL__1B0907CE"));
  // Servers since 2008 end the name in sixteen digits.
  EXPECT_TRUE(Check(ctPKey, "PK__ORDERS__3213E83F0519C6AF"));
  EXPECT_FALSE(Check(ctPKey, "PK_ORDERS"));
  EXPECT_FALSE(Check(ctPKey, "PK__12345678"));

  TOne Ase(dbSybaseASE, ctPKey);
  Ase.C.SetObjName("PK__T__0CBAE877");
  EXPECT_TRUE(Ase.C.ASECheckSysName());
}

TEST(ConstraintNames, PostgreSQLAndDB2Rules) {
  auto Pg = [](TConstraintType Type, const std::vector<std::string>& Cols,
               const std::string& Name) {
    TObjs Objs;
    Objs.SetDatabaseType(dbPostgreSQL);
    TCtrData C(&Objs);
    C.SetCtType(Type);
    C.SetTblName("t");
    for (const std::string& Col : Cols) C.FldList.Add(Col);
    C.SetObjName(Name);
    return C.CheckSysName();
  };
  EXPECT_TRUE(Pg(ctPKey, {"id"}, "t_pkey"));
  EXPECT_FALSE(Pg(ctPKey, {"id"}, "t_pk"));
  EXPECT_TRUE(Pg(ctFKey, {"a", "b"}, "t_a_b_fkey"));
  EXPECT_FALSE(Pg(ctFKey, {"a", "b"}, "t_a_fkey"));
  EXPECT_TRUE(Pg(ctUnique, {"a", "b"}, "t_a_b_key"));
  // A unique key someone named "t_" keeps its name: the server never makes that one up.
  EXPECT_FALSE(Pg(ctUnique, {"a"}, "t_"));
  EXPECT_TRUE(Pg(ctCheck, {}, "t_check"));
  EXPECT_TRUE(Pg(ctCheck, {"a", "b"}, "t_check"));
  // A name already taken gets a number.
  EXPECT_TRUE(Pg(ctCheck, {"a"}, "t_a_check1"));
  EXPECT_TRUE(Pg(ctPKey, {"id"}, "t_pkey12"));
  EXPECT_FALSE(Pg(ctPKey, {"id"}, "t_pkey_old"));
  EXPECT_TRUE(Pg(ctCheck, {"a"}, "t_a_check"));
  EXPECT_FALSE(Pg(ctCheck, {}, "t_a_check"));

  TObjs Db2;
  Db2.SetDatabaseType(dbDB2);
  TCtrData D(&Db2);
  D.SetCtType(ctPKey);
  D.SetObjName("SQL230101120000000");
  EXPECT_TRUE(D.CheckSysName());
  EXPECT_EQ(D.Extra().AltName, "SQL230101120000000");
  D.SetObjName("SQL2301011200000001");
  EXPECT_FALSE(D.CheckSysName());
  // Other dialects leave names alone.
  TOne Ms(dbMSSQL, ctPKey);
  Ms.C.SetObjName("PK__T__0CBAE877");
  EXPECT_FALSE(Ms.C.CheckSysName());
}

// ---------------------------------------------------------------------------------------------
// Keys

TEST(ConstraintKeys, NamesUniquePerTableDoNotCollide) {
  for (TDatabaseType DB : {dbPostgreSQL, dbDB2, dbMySQL}) {
    TKeyPair P(DB);
    for (TObjs* O : {&P.Master, &P.Target}) {
      KeyTable(*O, "T1", {"ID", "CODE"});
      KeyTable(*O, "T2", {"ID", "CODE"});
      AddKey(*O, "UQ", ctUnique, "T1", {"CODE"});
    }
    // The namesake on the other table is filed and compared, not dropped silently.
    AddKey(P.Master, "UQ", ctUnique, "T2", {"CODE"});
    AddKey(P.Target, "UQ", ctUnique, "T2", {"ID"});
    EXPECT_EQ(P.Master.Constraints.Count(), 2) << DB;
    P.SetCompareObjects({coUnique});
    P.Generate();
    EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop " + DialectCase(P.Master, "UQ"),
                                      "create " + DialectCase(P.Master, "UQ")}))
        << DB;
    ASSERT_GE(P.Exec.GetStatementsCount(), 2);
    EXPECT_NE(P.Exec.Text().find(DialectCase(P.Master, "T2")), std::string::npos);
  }
  // SQL Server names are unique in their schema: the plain key stays.
  TObjs Ms;
  Ms.SetDatabaseType(dbMSSQL);
  TCtrData C(&Ms);
  C.SetObjName("UQ");
  C.SetSchema("dbo");
  C.SetTblName("T1");
  EXPECT_EQ(C.ObjKeyDef(), "DBO.UQ");
}

TEST(ConstraintKeys, UnnamedConstraintsAreMatchedByDefinition) {
  TKeyPair P(dbMSSQL);
  for (TObjs* O : {&P.Master, &P.Target}) KeyTable(*O, "ORDERS", {"ID", "CODE"});
  TCtrData* M = AddKey(P.Master, "PK__ORDERS__0CBAE877", ctPKey, "ORDERS", {"ID"});
  TCtrData* T = AddKey(P.Target, "PK__ORDERS__7D2D1B52", ctPKey, "ORDERS", {"ID"});
  // The readers call the recogniser after filling a constraint; re-file under the new key.
  for (auto [Objs, C] : {std::pair{&P.Master, M}, std::pair{&P.Target, T}}) {
    std::unique_ptr<TDbObj> Held = Objs->Constraints.Extract(Objs->Constraints.IndexOfObject(C));
    ASSERT_TRUE(C->MSSQLCheckSysName());
    Objs->AddObj(std::move(Held));
  }
  EXPECT_EQ(M->ObjKeyDef(), "ALTER TABLE ORDERS ADD PRIMARY KEY NONCLUSTERED (ID)");
  EXPECT_EQ(M->GetCaption(), "PK__ORDERS__0CBAE877");
  P.SetCompareObjects({coPrimaryKey});
  EXPECT_EQ(P.Generate(), "");

  // Once the columns differ, the old key is dropped under its server-given name.
  M->FldList.Add("CODE");
  P.Master.Constraints.PutKey(P.Master.Constraints.IndexOfObject(M), M->ObjKeyDef());
  P.Generate();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop PK__ORDERS__7D2D1B52", "create "}));
}

TEST(ConstraintKeys, InterBaseKeyIgnoresTheSQLDialect) {
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  TCtrData C(&IB);
  C.SetCtType(ctUnique);
  C.SetTblName("Orders");
  C.FldList.Add("Code");
  EXPECT_EQ(C.Def(), "ALTER TABLE \"Orders\" ADD UNIQUE (\"Code\")");
  EXPECT_EQ(C.ObjKeyDef(), "ALTER TABLE Orders ADD UNIQUE (Code)");
  EXPECT_EQ(IB.IBServerOptions.GetSQLDialect(), 3);
}

// ---------------------------------------------------------------------------------------------
// Passes

namespace {

/// CUSTOMER(ID, NAME) and ORDERS(ID, CUSTOMER_ID, CODE) on both sides with the same primary
/// keys and a foreign key from ORDERS to CUSTOMER.
void OrdersAndCustomers(TKeyPair& P) {
  for (TObjs* O : {&P.Master, &P.Target}) {
    KeyTable(*O, "CUSTOMER", {"ID", "NAME"});
    KeyTable(*O, "ORDERS", {"ID", "CUSTOMER_ID", "CODE"});
    AddKey(*O, "PK_CUSTOMER", ctPKey, "CUSTOMER", {"ID"});
    AddKey(*O, "PK_ORDERS", ctPKey, "ORDERS", {"ID"});
  }
}

}  // namespace

TEST(ConstraintPasses, KeyThatChangesColumnsTakesItsForeignKeysAlong) {
  TKeyPair P(dbInterBase);
  OrdersAndCustomers(P);
  for (TObjs* O : {&P.Master, &P.Target})
    AddKey(*O, "FK_ORDERS_CUSTOMER", ctFKey, "ORDERS", {"CUSTOMER_ID"}, "CUSTOMER", {"ID"});
  // The master's customer key takes a second column; the foreign key itself is unchanged.
  auto* Pk = dynamic_cast<TCtrData*>(P.Master.GetConstraint("PK_CUSTOMER"));
  Pk->FldList.Add("NAME");
  P.Generate();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop FK_ORDERS_CUSTOMER", "drop PK_CUSTOMER",
                                    "create PK_CUSTOMER", "create FK_ORDERS_CUSTOMER"}));
  const std::string Script = P.Exec.Script(dbInterBase);
  // The key is dropped after a reconnect; foreign keys are added after one.
  EXPECT_NE(Script.find("/* reconnect */\nALTER TABLE ORDERS DROP CONSTRAINT FK_ORDERS_CUSTOMER"),
            std::string::npos)
      << Script;
  EXPECT_NE(Script.find("/* Create Foreign Key... */\n/* reconnect */\nALTER TABLE ORDERS ADD"),
            std::string::npos)
      << Script;
  // Generation state is reset by the next comparison: the same script again.
  EXPECT_EQ(P.Generate(), Script);
}

TEST(ConstraintPasses, ForeignKeyThatChangesItsTarget) {
  TKeyPair P(dbPostgreSQL);
  OrdersAndCustomers(P);
  AddKey(P.Master, "UQ_CUSTOMER_NAME", ctUnique, "CUSTOMER", {"NAME"});
  AddKey(P.Target, "UQ_CUSTOMER_NAME", ctUnique, "CUSTOMER", {"NAME"});
  AddKey(P.Master, "FK_ORDERS_CUSTOMER", ctFKey, "ORDERS", {"CUSTOMER_ID"}, "CUSTOMER", {"ID"});
  AddKey(P.Target, "FK_ORDERS_CUSTOMER", ctFKey, "ORDERS", {"CODE"}, "CUSTOMER", {"NAME"});
  EXPECT_EQ(P.Generate(),
            "ALTER TABLE orders DROP CONSTRAINT fk_orders_customer;\n"
            "/* Create Foreign Key... */\n"
            "ALTER TABLE orders ADD CONSTRAINT fk_orders_customer FOREIGN KEY (customer_id) "
            "REFERENCES customer (id);\n");
}

TEST(ConstraintPasses, OnlyTheComparedKindsAndTargetOnlyKeysLastToFirst) {
  TKeyPair P(dbMySQL);
  OrdersAndCustomers(P);
  AddKey(P.Target, "A_CHECK", ctCheck, "ORDERS", {})->SetExtra(&TObjExtra::Body, " (ID > 0)");
  AddKey(P.Target, "B_UNIQUE", ctUnique, "ORDERS", {"CODE"});
  AddKey(P.Target, "C_UNIQUE", ctUnique, "CUSTOMER", {"NAME"});
  AddKey(P.Master, "NEW_CHECK", ctCheck, "ORDERS", {})->SetExtra(&TObjExtra::Body, " (ID > 1)");
  P.SetCompareObjects({coUnique});
  P.Generate();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop C_UNIQUE", "drop B_UNIQUE"}));
  P.SetCompareObjects({coUnique, coCheck});
  P.Generate();
  EXPECT_EQ(P.Exec.Steps(),
            (TSteps{"drop C_UNIQUE", "drop B_UNIQUE", "drop A_CHECK", "create NEW_CHECK"}));
  // A constraint the host asked to pass by stays.
  dynamic_cast<TCtrData*>(P.Target.Constraints.Objects(0))->SkipDef = true;
  P.Generate();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop C_UNIQUE", "drop B_UNIQUE", "create NEW_CHECK"}));
}

TEST(ConstraintPasses, MissingTablesComeBeforeTheirKeys) {
  TKeyPair P(dbInterBase);
  P.SetCompareObjects({coForeignKey, coPrimaryKey});
  KeyTable(P.Master, "CUSTOMER", {"ID"});
  KeyTable(P.Master, "ORDERS", {"ID", "CUSTOMER_ID"});
  KeyTable(P.Target, "ORDERS", {"ID"});
  AddKey(P.Master, "FK_ORDERS_CUSTOMER", ctFKey, "ORDERS", {"CUSTOMER_ID"}, "CUSTOMER", {"ID"});
  P.Generate();
  EXPECT_EQ(P.Exec.Steps(),
            (TSteps{"create CUSTOMER_ID", "create CUSTOMER", "create FK_ORDERS_CUSTOMER"}));
}

TEST(ConstraintPasses, DefaultsComeInTheirOwnRunAndOnce) {
  TKeyPair P(dbMSSQL);
  OrdersAndCustomers(P);
  AddKey(P.Master, "DF_CODE", ctDefault, "ORDERS", {"CODE"})->SetExtra(&TObjExtra::Body, "('x')");
  AddKey(P.Master, "PK_NEW", ctPKey, "CUSTOMER", {"NAME"});
  P.Generate();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"create PK_NEW", "create DF_CODE"}));
  const std::string Script = P.Exec.Script(dbMSSQL);
  const std::size_t At = Script.find("/* Create Default... */");
  ASSERT_NE(At, std::string::npos) << Script;
  EXPECT_EQ(Script.find("/* Create Default... */", At + 1), std::string::npos) << Script;
  // Without the defaults in the kinds asked for, none is written.
  P.Exec.Clear();
  PairAndMark(P.Master, P.Target);
  GenScriptCtrCreate(P.Master, P.Target, P.Exec, {ctPKey, ctCheck});
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"create PK_NEW"}));

  // Other dialects write them in the last constraint pass.
  TKeyPair A(dbSybaseASE);
  OrdersAndCustomers(A);
  AddKey(A.Master, "DF_CODE", ctDefault, "ORDERS", {"CODE"})->SetExtra(&TObjExtra::Body, "'x'");
  AddKey(A.Master, "PK_NEW", ctPKey, "CUSTOMER", {"NAME"});
  A.Generate();
  EXPECT_EQ(A.Exec.Steps(), (TSteps{"create PK_NEW", "create DF_CODE"}));
  EXPECT_NE(A.Exec.Script(dbSybaseASE).find("DEFAULT 'x' FOR CODE\ngo\n\n"), std::string::npos);
}

// The server gives a check back in its own text: a script's condition and the catalog's must
// compare equal, and two conditions that differ must not.
TEST(ConstraintKeys, PostgreSQLCheckConditionsCompareInOneNormalForm) {
  struct TCase {
    const char* Script;
    const char* Catalog;
    bool Same;
  };
  const TCase Cases[] = {
      {"(qty >= 0 AND qty < 100000)", "((qty >= 0) AND (qty < 100000))", true},
      {"QTY>=0 and Qty<100000", "((qty >= 0) AND (qty < 100000))", true},
      {"r > 0 AND (r < 5 AND s IS NOT NULL)", "((r > 0) AND (r < 5) AND (s IS NOT NULL))", true},
      {"r <> -5", "(r <> '-5'::integer)", true},
      {"r != (-5)", "(r <> '-5'::integer)", true},
      {"c like 'a%' and f > '2000-01-01'", "((c ~~ 'a%'::text) AND (f > '2000-01-01'::date))",
       true},
      {"r between 1 and 7", "((r >= 1) AND (r <= 7))", true},
      {"r not between 1 and 7", "((r < 1) OR (r > 7))", true},
      {"r in (1, 2)", "(r = ANY (ARRAY[1, 2]))", true},
      {"not q", "(NOT q)", true},
      {"s = 1.5 AND t = 'it''s'", "((s = 1.5) AND (t = 'it''s'::text))", true},
      {"\"Qty\" > 0", "(\"Qty\" > 0)", true},
      {"\"qty\" > 0", "(qty > 0)", true},
      {"lower(code) <> ''", "(lower(code) <> ''::text)", true},
      // A trigger's WHEN condition, as a script writes it and as pg_get_triggerdef gives it.
      {"(OLD.* IS DISTINCT FROM NEW.*)", "((old.* IS DISTINCT FROM new.*))", true},
      {"(old.a <> new.a and new.id > 0)", "(((old.a <> new.a) AND (new.id > 0)))", true},
      {"(OLD.* IS DISTINCT FROM NEW.*)", "((old.* IS NOT DISTINCT FROM new.*))", false},
      // The grouping is the condition: precedence decides, not the parentheses written.
      {"(a OR b) AND c", "(a OR (b AND c))", false},
      {"a OR b AND c", "(a OR (b AND c))", true},
      {"a - (b - c) > 0", "(((a - b) - c) > 0)", false},
      {"r > -5::numeric", "(r > '-5'::integer)", false},
      {"x > 5", "(x > '5'::bigint)", false},
      {"t = 'abc'", "(t = 'abc'::character varying(2))", false},
      {"\"Qty\" > 0", "(qty > 0)", false},
      {"code = 'A'", "(code = 'a'::text)", false},
  };
  for (const TCase& K : Cases)
    EXPECT_EQ(PGConditionKey(K.Script) == PGConditionKey(K.Catalog), K.Same)
        << K.Script << " / " << K.Catalog << ": " << PGConditionKey(K.Script) << " / "
        << PGConditionKey(K.Catalog);
  // What the normal form does not follow is compared token by token.
  EXPECT_EQ(PGConditionKey("CASE WHEN a THEN 1 END  > 0"), "case when a then 1 end > 0");
}

TEST(ConstraintKeys, PostgreSQLCheckPairsWithTheCatalogText) {
  TObjs Objs;
  Objs.SetDatabaseType(dbPostgreSQL);
  TCtrData Script(&Objs), Catalog(&Objs);
  for (TCtrData* C : {&Script, &Catalog}) {
    C->SetCtType(ctCheck);
    C->SetTblName("t");
  }
  Script.SetBody("(qty >= 0 AND qty < 100000)");
  Catalog.SetBody("((qty >= 0) AND (qty < 100000))");
  // Unnamed, both are keyed by the condition; the text written stays the script's own.
  EXPECT_EQ(Script.ObjKeyDef(), Catalog.ObjKeyDef());
  EXPECT_EQ(Script.Def(), "ALTER TABLE t ADD CHECK(qty >= 0 AND qty < 100000)");
  Script.SetObjName("qty_ck");
  Catalog.SetObjName("qty_ck");
  EXPECT_EQ(Script.CompareDef(), Catalog.CompareDef());
  Catalog.SetBody("((qty >= 0) OR (qty < 100000))");
  EXPECT_NE(Script.CompareDef(), Catalog.CompareDef());
}
