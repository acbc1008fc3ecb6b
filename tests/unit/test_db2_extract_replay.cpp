// The DB2 catalog extractor without a server: the replay adapter answers its catalog queries
// from tests/fixtures/replay/db2_extract.replay (written by hand), so every query text is
// pinned; a failing query, a cancelled run and a refused connection end the run as failures.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Files.h"
#include "ReplayAdapter.h"
#include "qelComp_Gnr.h"
#include "qelDB2DatabaseExtract.h"
#include "qelDBStructure.h"
#include "test_replay_util.h"

using namespace qel;

namespace {

using qel::testing::Named;
using qel::testing::WithError;

std::string Fixture() {
  return qel::testing::ReplayFixture("db2_extract.replay");
}

class DB2ExtractReplay : public qel::testing::TReplayExtractTest<TDB2DBExtract> {
 protected:
  void Replay(const std::string& Text) {
    Open(Text, "db2_extract.replay", "replay-db2", cnSAVCL, dbDB2);
    C->GetConnectionOptions().SetDatabaseName("SAMPLE");
    C->GetConnectionOptions().UserName = "DB2INST1";
    C->GetConnectionOptions().HostName = "db2.example";
    C->GetConnectionOptions().Port = 50000;
    Link();
  }
};

}  // namespace

TEST_F(DB2ExtractReplay, ReadsEveryKindAndSendsEveryQueryOfTheFixture) {
  Replay(Fixture());
  ASSERT_TRUE(Ex.ExtractDatabase()) << (Errors.empty() ? "" : Errors[0]);
  EXPECT_EQ(Errors, std::vector<std::string>{});
  // Every query of the fixture was sent, and nothing else (an unknown one fails the test).
  std::set<std::string> Sent;
  for (const std::string& L : Db().Log)
    if (L[0] != '<') Sent.insert(L);
  EXPECT_EQ(Sent, Queries);
  EXPECT_FALSE(C->GetConnected());

  TObjs& O = Objs();
  EXPECT_EQ(O.GetDatabaseType(), dbDB2);
  EXPECT_EQ(O.ConnectionOptions.GetDatabaseName(), "SAMPLE");
  EXPECT_EQ(O.ConnectionOptions.Port, 50000);
  EXPECT_EQ(O.Tables.Count(), 3);
  TTblData* Cust = O.GetTable("APP.CUSTOMER");
  ASSERT_TRUE(Cust);
  EXPECT_EQ(Cust->GetSchema(), "APP");
  ASSERT_EQ(Cust->Fields.Count(), 4);
  const TFldData* Id = Cust->Fields[0];
  EXPECT_EQ(Id->FieldType, iftInteger);
  EXPECT_FALSE(Id->Nullable);
  EXPECT_TRUE(Id->Identity);
  EXPECT_EQ(Id->GeneratedKind, 'A');
  ASSERT_TRUE(Id->IdentityGenerator);
  EXPECT_EQ(Id->IdentityGenerator->StartValue, "1");
  EXPECT_EQ(Id->IdentityGenerator->Increment, "1");
  EXPECT_EQ(Id->IdentityGenerator->GetCache(), "20");
  EXPECT_EQ(Cust->Fields[1]->Size, 40);
  EXPECT_EQ(Cust->Fields[2]->Precision, 10);
  EXPECT_EQ(Cust->Fields[2]->Scale, 2);
  EXPECT_EQ(Cust->Fields[2]->DefValue, "0");
  EXPECT_EQ(Cust->Fields[3]->Logged, 0);
  EXPECT_EQ(Cust->Fields[3]->Compact, 1);
  TTblData* Ord = O.GetTable("APP.ORDERS");
  ASSERT_TRUE(Ord);
  EXPECT_EQ(Ord->Fields[3]->FieldType, iftSmallInt);
  EXPECT_EQ(Ord->Fields[4]->GeneratedExpr, "(TOTAL * 2)");
  EXPECT_FALSE(Ord->Fields[4]->Identity);
  ASSERT_TRUE(O.GetTable("APP.EMPTY"));
  EXPECT_EQ(O.GetTable("APP.EMPTY")->Fields.Count(), 0);

  TViwData* V = O.GetView("APP.BIG_ORDERS");
  ASSERT_TRUE(V);
  EXPECT_EQ(V->Path, "\"SYSIBM\",\"SYSFUN\",\"SYSPROC\",\"APP\"");
  EXPECT_EQ(V->Fields.Count(), 2);
  EXPECT_EQ(V->Body, "SELECT ID, TOTAL FROM APP.ORDERS WHERE TOTAL > 100");
  EXPECT_NE(O.GetProcedure("APP.CLOSE_ORDERS"), nullptr);

  auto* Ai = Named<TTrgData>(O.Triggers, "ORDERS_AI");
  ASSERT_TRUE(Ai);
  EXPECT_EQ(Ai->Description, "Keeps the balance");
  EXPECT_EQ(Ai->OwnName, "ORDERS");
  EXPECT_EQ(Ai->Timing, baAfter);
  EXPECT_TRUE(Ai->Events.Contains(iudInsert));
  EXPECT_EQ(Ai->NewAlias, "N");
  EXPECT_EQ(Ai->Body,
            "UPDATE APP.CUSTOMER SET BALANCE = BALANCE + N.TOTAL WHERE ID = N.CUSTOMER_ID");
  auto* Bi = Named<TTrgData>(O.Triggers, "ORDERS_BI");
  ASSERT_TRUE(Bi);
  EXPECT_EQ(Bi->Description, "");
  EXPECT_EQ(Bi->Timing, baBefore);
  EXPECT_EQ(Bi->WhenCondition, "(N.CODE IS NULL)");

  auto* Ix = Named<TIdxData>(O.Indexes, "IX_ORDERS_CUST");
  ASSERT_TRUE(Ix);
  EXPECT_FALSE(Ix->Unique);
  EXPECT_TRUE(Ix->AllowReverseScans);
  ASSERT_EQ(Ix->Flds.Count(), 2);
  EXPECT_EQ(Ix->Flds[0], "CUSTOMER_ID");
  // A descending column ("-TOTAL") is read with its order.
  EXPECT_EQ(Ix->Flds[1], "TOTAL");
  EXPECT_EQ(dynamic_cast<TIdxFldData*>(Ix->Flds.Objects(1))->SortOrder, 2);
  auto* Ux = Named<TIdxData>(O.Indexes, "UX_CUSTOMER_NAME");
  ASSERT_TRUE(Ux);
  EXPECT_TRUE(Ux->Unique);
  EXPECT_EQ(Ux->Flds.Count(), 2);

  int Keys = 0, Generated = 0;
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    auto* K = dynamic_cast<TCtrData*>(O.Constraints[I]);
    if (K->GetCtType() == ctPKey) ++Keys;
    if (K->AltName == "SQL090101120000123" && K->GetObjName().empty()) ++Generated;
    if (K->GetCtType() == ctFKey) {
      EXPECT_EQ(K->GetObjName(), "FK_ORDERS_CUSTOMER");
      EXPECT_EQ(K->GetRefTblName(), "CUSTOMER");
      EXPECT_EQ(K->OnDelete, udaCascade);
      EXPECT_EQ(K->OnUpdate, udaNoAction);
      ASSERT_EQ(K->FldList.Count(), 1);
      EXPECT_EQ(K->FldList[0], "CUSTOMER_ID");
      EXPECT_EQ(K->RefFldList[0], "ID");
    }
  }
  EXPECT_EQ(Keys, 2);
  EXPECT_EQ(Generated, 1);
  EXPECT_EQ(O.Constraints.Count(), 3);

  for (const char* Line :
       {"Extracting tables...", "Extracting views...", "Extracting procedures...",
        "Extracting triggers...", "Extracting indexes...", "Extracting primary keys...",
        "Extracting unique constraints...", "Extracting foreign keys...", "Parsing bodies...",
        "Linking dependencies...", "---CUSTOMER", "---BIG_ORDERS"})
    EXPECT_NE(std::find(Log.begin(), Log.end(), Line), Log.end()) << Line;
}

TEST_F(DB2ExtractReplay, TheKindSetGatesTheSteps) {
  Replay(Fixture());
  TCmpObjSetType Kinds;
  Kinds.Include(coView);
  Holder.GetMetadata()->CompareObjects = Kinds;
  Ex.CompareObjects = Kinds;
  ASSERT_TRUE(Ex.ExtractDatabase());
  EXPECT_EQ(Objs().Tables.Count(), 0);
  EXPECT_EQ(Objs().Views.Count(), 1);
  EXPECT_EQ(Objs().Triggers.Count(), 0);
}

TEST_F(DB2ExtractReplay, AFailingQueryEndsTheRun) {
  Replay(WithError(Fixture(), "query\tselect o.constname",
                   "SQL0204N  \"SYSCAT.TABCONST\" is an undefined name."));
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("SQL0204N"), std::string::npos) << Errors[0];
  // What was read before stays; nothing after the failing step ran.
  EXPECT_EQ(Objs().Tables.Count(), 3);
  EXPECT_EQ(Objs().Constraints.Count(), 0);
  EXPECT_FALSE(C->GetConnected());
}

TEST_F(DB2ExtractReplay, ACancelledRunStops) {
  Replay(Fixture());
  CancelOn = "---CUSTOMER";
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(Objs().Tables.Count(), 1);
  EXPECT_EQ(Objs().Views.Count(), 0);
  EXPECT_FALSE(C->GetConnected());
}

TEST_F(DB2ExtractReplay, ARefusedLoginReadsNothing) {
  Replay(
      "# Written by hand: a server that refuses the login.\n"
      "connect-error\tSQL30082N  Security processing failed with reason \"24\" (\"USERNAME AND/OR "
      "PASSWORD INVALID\").\n");
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_FALSE(Errors.empty());
  EXPECT_NE(Errors[0].find("SQL30082N"), std::string::npos) << Errors[0];
  EXPECT_EQ(Objs().Tables.Count(), 0);
}

TEST_F(DB2ExtractReplay, ColumnTypesAndSettings) {
  Replay(Fixture());
  struct TCase {
    const char* Type;
    int Length, Scale;
    TDBFieldType Expected;
    int Size, Precision;
  };
  const TCase Cases[] = {
      {"INTEGER", 4, 0, iftInteger, 0, 0},   {"SMALLINT", 2, 0, iftSmallInt, 0, 0},
      {"VARCHAR", 40, 0, iftVarchar, 40, 0}, {"DECIMAL", 10, 2, iftDecimal, 0, 10},
      {"CHARACTER", 3, 0, iftChar, 3, 0},    {"TIMESTAMP", 10, 6, iftTimeStamp, 0, 0},
      {"BIGINT", 8, 0, iftBigInt, 0, 0},     {"LONG VARCHAR", 32700, 0, iftLongVarchar, 0, 0},
      {"GRAPHIC", 4, 0, iftGraphic, 0, 0},   {"CLOB", 1000, 0, iftClob, 1000, 0},
      {"DBCLOB", 2000, 0, iftDbClob, 0, 0}};
  for (const TCase& K : Cases) {
    TFldData F(Holder.GetMetadata());
    Ex.ColumnType(F, K.Type, 1, K.Scale, K.Length, K.Length);
    EXPECT_EQ(F.FieldType, K.Expected) << K.Type;
    EXPECT_EQ(F.Size, K.Size) << K.Type;
    EXPECT_EQ(F.Precision, K.Precision) << K.Type;
    EXPECT_TRUE(F.Nullable);
  }
  TFldData X(Holder.GetMetadata());
  Ex.ColumnType(X, "XML", 0, 0, 0, 0);
  EXPECT_EQ(X.FieldType, iftUnknown);
  EXPECT_FALSE(X.Nullable);
  EXPECT_EQ(Errors, std::vector<std::string>{"Unknown datatype: xml"});

  // The settings are checked first, in order, and nothing is opened without them.
  TDB2DBExtract Bare(nullptr);
  std::vector<std::string> E;
  Bare.SetOnErrorMessage([&E](TObject*, const std::string& T) { E.push_back(T); });
  EXPECT_FALSE(Bare.ExtractDatabase());
  EXPECT_EQ(E, std::vector<std::string>{
                   "TDB2DBExtract.ExtractDatabase(): Connection property not assigned."});
  EXPECT_EQ(TDB2DBExtract::SchemaFilter("o.tabschema"),
            " (o.tabschema not like 'SYSCAT%' and  o.tabschema not in ('QSYS2', 'SYSFUN', "
            "'SYSIBM', 'SYSPROC', 'SYSSTAT', 'SYSTOOLS', 'SYSTEM', 'SQLJ'))");
}
