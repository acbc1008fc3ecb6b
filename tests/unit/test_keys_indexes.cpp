// Indexes: the CREATE and DROP texts of every dialect, keys, and the index passes on small
// schema pairs built in code.
#include <gtest/gtest.h>

#include "qelCompObj.h"
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"
#include "test_keys_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TSteps = std::vector<std::string>;

/// A loose index IX on table T of one dialect (not filed).
struct TIx {
  explicit TIx(TDatabaseType DB) : I(&Objs) {
    Objs.SetDatabaseType(DB);
    I.SetObjName("IX");
    I.TableName.assign(1, 'T');
  }
  TObjs Objs;
  TIdxData I;
};

}  // namespace

TEST(IndexText, CreatePerDialect) {
  {
    TIx X(dbMSSQL);
    X.I.Unique = X.I.Clustered = true;
    X.I.SetSchema("dbo");
    X.I.AddFld("A");
    X.I.AddFld("B", 2);
    X.I.EditExtra().IncludeFlds.Add("C");
    X.I.EditExtra().OptionText = "WITH (FILLFACTOR = 80)";
    X.I.EditExtra().FileGroup = "FG1";
    EXPECT_EQ(X.I.Def(),
              "CREATE UNIQUE CLUSTERED INDEX IX ON DBO.T(A, B DESC)\r\n  INCLUDE (C)\r\n"
              "   WITH (FILLFACTOR = 80)\r\nON FG1");
    X.I.Clustered = false;
    X.I.PrimaryXML = X.I.XML = true;
    X.I.Unique = false;
    EXPECT_EQ(X.I.Def().substr(0, 27), "CREATE PRIMARY XML INDEX IX");
  }
  {
    TIx X(dbSybaseASA);
    X.I.AddFld("A");
    EXPECT_EQ(X.I.Def(), "CREATE INDEX IX ON DBA.T(A)");
    X.I.SetExtra(&TObjExtra::Creator, "sales");
    EXPECT_EQ(X.I.Def(), "CREATE INDEX IX ON sales.T(A)");
  }
  {
    // Without a schema the table name stands alone, never behind a bare ".".
    TIx X(dbPostgreSQL);
    X.I.SetObjName("ix");
    X.I.TableName = "t";
    X.I.AddFld("a");
    EXPECT_EQ(X.I.Def(), "CREATE INDEX ix ON t(a)");
    X.I.SetSchema("public");
    EXPECT_EQ(X.I.Def(), "CREATE INDEX ix ON public.t(a)");
    X.I.EditExtra().IndexType = "gist";
    EXPECT_EQ(X.I.Def(), "CREATE INDEX ix ON public.t USING gist(a)");
  }
  {
    TIx X(dbOracle);
    X.I.AddFld("A");
    X.I.SetSchema("HR");
    X.I.Compress = X.I.NoLogging = true;
    X.I.EditExtra().TablespaceName = "USERS";
    X.I.EditExtra().TableSpace.IniTrans = 2;
    EXPECT_EQ(X.I.Def(),
              "CREATE INDEX HR.IX ON HR.T(A)\r\nCOMPRESS\r\nNOLOGGING\r\nTABLESPACE USERS\r\n"
              "initrans 2");
    TIx D(dbOracle);
    D.I.SetExtra(&TObjExtra::Body, "(UPPER(NAME))");
    D.I.EditExtra().IndexType = "CTXSYS.CONTEXT";
    D.I.EditExtra().Parameters = "('SYNC (ON COMMIT)')";
    EXPECT_EQ(D.I.Def(),
              "CREATE INDEX IX ON T(UPPER(NAME))\r\n   INDEXTYPE IS CTXSYS.CONTEXT\r\n"
              "   PARAMETERS ('SYNC (ON COMMIT)')");
  }
  {
    // The prefix length belongs to the column; the direction follows it.
    TIx X(dbMySQL);
    X.I.AddFld("NAME", 2, 10);
    X.I.AddFld("CODE", 1, 0);
    X.I.FullText = true;
    EXPECT_EQ(X.I.Def(), "CREATE FULLTEXT INDEX IX ON T(NAME(10) DESC, CODE)");
  }
  {
    TIx X(dbDB2);
    X.I.AddFld("A");
    X.I.AllowReverseScans = true;
    EXPECT_EQ(X.I.Def(), "CREATE INDEX IX ON T(A)\r\n  ALLOW REVERSE SCANS");
  }
  {
    TIx X(dbInterBase);
    X.I.Descending = true;
    X.I.SetExtra(&TObjExtra::Body, " (A || B)");
    EXPECT_EQ(X.I.Def(), "CREATE DESC INDEX IX ON T COMPUTED BY (A || B)");
    // A plain TFldData descriptor has no direction.
    TIx P(dbInterBase);
    P.I.Flds.AddObject("A", new TFldData(&P.Objs));
    EXPECT_EQ(P.I.GetFlds(), "A");
  }
}

TEST(IndexText, DropPerDialect) {
  auto Drop = [](TDatabaseType DB, const std::string& Schema = "") {
    TIx X(DB);
    X.I.SetSchema(Schema);
    return X.I.DropDef();
  };
  EXPECT_EQ(Drop(dbMSSQL, "dbo"), "DROP INDEX DBO.T.IX");
  EXPECT_EQ(Drop(dbMSSQL), "DROP INDEX T.IX");
  EXPECT_EQ(Drop(dbSybaseASE), "DROP INDEX T.IX");
  EXPECT_EQ(Drop(dbSybaseASA), "DROP INDEX DBA.T.IX");
  EXPECT_EQ(Drop(dbMySQL), "DROP INDEX IX ON T");
  EXPECT_EQ(Drop(dbPostgreSQL, "s"), "DROP INDEX s.\"IX\"");
  EXPECT_EQ(Drop(dbPostgreSQL), "DROP INDEX \"IX\"");
  EXPECT_EQ(Drop(dbInterBase), "/* Drop: IX (TIdxData) */\r\nDROP INDEX IX");
}

TEST(IndexKeys, NamesUniquePerTableDoNotCollide) {
  for (TDatabaseType DB : {dbMySQL, dbMSSQL, dbSybaseASE, dbSybaseASA}) {
    TObjs Objs;
    Objs.SetDatabaseType(DB);
    KeyTable(Objs, "T1", {"ID"});
    KeyTable(Objs, "T2", {"ID"});
    AddIndex(Objs, "IX_ID", "T1", {"ID"});
    AddIndex(Objs, "IX_ID", "T2", {"ID"});
    EXPECT_EQ(Objs.Indexes.Count(), 2) << DB;
    // A lookup by the bare name still finds one of them.
    ASSERT_NE(Objs.GetIndex("IX_ID"), nullptr) << DB;
    EXPECT_EQ(Objs.GetIndex("IX_ID")->GetObjName(), "IX_ID");
    EXPECT_EQ(Objs.GetIndex("IX"), nullptr) << DB;
  }
  // Index names are unique in the schema elsewhere.
  TObjs Pg;
  Pg.SetDatabaseType(dbPostgreSQL);
  TIdxData I(&Pg);
  I.SetObjName("ix");
  I.TableName = "t";
  EXPECT_EQ(I.ObjKeyDef(), "ix");
}

TEST(IndexPasses, NewInactiveIndexIsSwitchedOff) {
  TKeyPair P(dbInterBase);
  KeyTable(P.Master, "T", {"ID", "CODE"});
  KeyTable(P.Target, "T", {"ID", "CODE"});
  AddIndex(P.Master, "IX_CODE", "T", {"CODE"})->Active = false;
  EXPECT_EQ(P.Generate(),
            "/* Create index... */\nCREATE INDEX IX_CODE ON T(CODE);\n"
            "ALTER INDEX IX_CODE INACTIVE;\n\n");
}

TEST(IndexPasses, ActiveFlagAloneIsSwitchedAndRepeatable) {
  TKeyPair P(dbInterBase);
  KeyTable(P.Master, "T", {"ID", "CODE"});
  KeyTable(P.Target, "T", {"ID", "CODE"});
  AddIndex(P.Master, "IX_CODE", "T", {"CODE"});
  TIdxData* T = AddIndex(P.Target, "IX_CODE", "T", {"CODE"});
  T->Active = false;
  const std::string Script = P.Generate();
  EXPECT_EQ(Script, "/* Alter index (Drop, Create)... */\nALTER INDEX IX_CODE ACTIVE;\n\n");
  EXPECT_TRUE(T->Active);
  // The next comparison starts from the target as read.
  EXPECT_EQ(P.Generate(), Script);
}

TEST(IndexPasses, UniquenessChangeDropsAndCreates) {
  TKeyPair P(dbInterBase);
  KeyTable(P.Master, "T", {"ID", "CODE"});
  KeyTable(P.Target, "T", {"ID", "CODE"});
  AddIndex(P.Master, "IX_CODE", "T", {"CODE"}, true)->Active = false;
  AddIndex(P.Target, "IX_CODE", "T", {"CODE"});
  // The drop waits for a reconnect; the new index is switched off as the master's is.
  EXPECT_EQ(P.Generate(),
            "/* Alter index (Drop, Create)... */\n/* reconnect */\n"
            "/* Drop: IX_CODE (TIdxData) */\nDROP INDEX IX_CODE;\n"
            "CREATE UNIQUE INDEX IX_CODE ON T(CODE);\nALTER INDEX IX_CODE INACTIVE;\n\n");
}

TEST(IndexPasses, SQLServerComparesWithoutCase) {
  TKeyPair P(dbMSSQL);
  P.Master.MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers = true;
  P.Target.MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers = true;
  KeyTable(P.Master, "T", {"ID", "CODE"});
  KeyTable(P.Target, "T", {"ID", "CODE"});
  AddIndex(P.Master, "IX_CODE", "T", {"CODE"});
  AddIndex(P.Target, "IX_CODE", "t", {"code"});
  EXPECT_EQ(P.Generate(), "");
}

TEST(IndexPasses, DroppedWhenOnlyTheTargetHasThem) {
  TKeyPair P(dbMySQL);
  KeyTable(P.Master, "T", {"ID"});
  KeyTable(P.Target, "T", {"ID"});
  AddIndex(P.Target, "IX_OLD", "T", {"ID"});
  AddIndex(P.Target, "IX_SKIP", "T", {"ID"})->SkipDef = true;
  EXPECT_EQ(P.Generate(), "/* Drop Index... */\nDROP INDEX IX_OLD ON T;\n\n");
}

TEST(IndexPasses, IndexDroppedWithItsColumnIsCreatedAgain) {
  TKeyPair P(dbInterBase);
  KeyTable(P.Master, "T", {"ID", "CODE"});
  KeyTable(P.Target, "T", {"ID", "CODE", "OLD"});
  AddIndex(P.Master, "IX", "T", {"ID", "CODE"});
  TIdxData* T = AddIndex(P.Target, "IX", "T", {"ID", "OLD"});
  P.Target.LinkDepend(T, P.Target.GetTable("T"), "OLD");
  P.Generate();
  // The index goes before its column, comes back as the master's, and is built once.
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"drop IX", "drop OLD", "create IX"}));
  EXPECT_TRUE(T->GetRefObj()->GetObjCreated());
}
