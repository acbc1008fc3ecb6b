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
#include "qelComp_Ctr.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDB2DatabaseExtract.h"
#include "qelDBStructure.h"
#include "test_replay_util.h"

using namespace qel;
using qel::testing::CatalogReplay;

namespace {

using qel::testing::Has;
using qel::testing::Named;
using qel::testing::TReplayCase;
using qel::testing::WithError;

const qel::testing::TReplayDialect DB2{.Name = "DB2",
                                       .Fixture = "db2_extract.replay",
                                       .Make = qel::testing::MakeExtract<TDB2DBExtract>,
                                       .AdapterName = "replay-db2",
                                       .Conn = cnSAVCL,
                                       .DB = dbDB2,
                                       .Database = "SAMPLE",
                                       .User = "DB2INST1",
                                       .Host = "db2.example",
                                       .Port = 50000};

const TReplayCase Cases[] = {
    {.Name = "ReadsEveryKindAndSendsEveryQueryOfTheFixture",
     .Dialect = &DB2,
     .AllQueries = true,
     .Counts = {{"Tables", 3}, {"Constraints", 3}},
     .Logged = {"Extracting tables...", "Extracting views...", "Extracting procedures...",
                "Extracting triggers...", "Extracting indexes...", "Extracting primary keys...",
                "Extracting unique constraints...", "Extracting foreign keys...",
                "Parsing bodies...", "Linking dependencies...", "---CUSTOMER", "---BIG_ORDERS"}},
    {.Name = "TheKindSetGatesTheSteps",
     .Dialect = &DB2,
     .Kinds = qel::testing::OnlyKind(coView),
     .Counts = {{"Tables", 0}, {"Views", 1}, {"Triggers", 0}}},
    // What was read before stays; nothing after the failing step ran.
    {.Name = "AFailingQueryEndsTheRun",
     .Dialect = &DB2,
     .ErrorAt = "query\tselect o.constname",
     .ServerError = "SQL0204N  \"SYSCAT.TABCONST\" is an undefined name.",
     .Succeeds = false,
     .Errors = {Has("SQL0204N")},
     .Counts = {{"Tables", 3}, {"Constraints", 0}}},
    {.Name = "ACancelledRunStops",
     .Dialect = &DB2,
     .CancelOn = "---CUSTOMER",
     .Succeeds = false,
     .Errors = {Has("Extraction cancelled.")},
     .Counts = {{"Tables", 1}, {"Views", 0}}},
    {.Name = "ARefusedLoginReadsNothing",
     .Dialect = &DB2,
     .Answers =
         [] {
           return "# Written by hand: a server that refuses the login.\n"
                  "connect-error\tSQL30082N  Security processing failed with reason \"24\" "
                  "(\"USERNAME AND/OR PASSWORD INVALID\").\n";
         },
     .Succeeds = false,
     .Errors = {Has("SQL30082N")},
     .Counts = {{"Tables", 0}}},
};

class DB2ExtractReplay : public qel::testing::TReplayExtractTest<TDB2DBExtract> {
 protected:
  void Replay(const std::string& Text) {
    Open(DB2, Text);
    Link();
  }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(DB2, CatalogReplay, ::testing::ValuesIn(Cases), qel::testing::ReplayName);

TEST_F(DB2ExtractReplay, ObjectsAreBuiltFromTheRows) {
  // The queries sent, the counts and the log lines: the case ReadsEveryKindAndSendsEveryQuery.
  Replay(DB2.Recorded());
  ASSERT_TRUE(Ex.ExtractDatabase()) << (Errors.empty() ? "" : Errors[0]);

  TObjs& O = Objs();
  EXPECT_EQ(O.GetDatabaseType(), dbDB2);
  EXPECT_EQ(O.ConnectionOptions.GetDatabaseName(), "SAMPLE");
  EXPECT_EQ(O.ConnectionOptions.Port, 50000);
  TTblData* Cust = O.GetTable("APP.CUSTOMER");
  ASSERT_TRUE(Cust);
  EXPECT_EQ(Cust->GetSchema(), "APP");
  ASSERT_EQ(Cust->Fields.Count(), 4);
  const TFldData* Id = Cust->Fields[0];
  EXPECT_EQ(Id->FieldType, iftInteger);
  EXPECT_FALSE(Id->Nullable);
  EXPECT_TRUE(Id->Identity);
  EXPECT_EQ(Id->GeneratedKind, 'A');
  ASSERT_TRUE(Id->Extra().IdentityGenerator);
  EXPECT_EQ(Id->Extra().IdentityGenerator->StartValue, "1");
  EXPECT_EQ(Id->Extra().IdentityGenerator->Increment, "1");
  EXPECT_EQ(Id->Extra().IdentityGenerator->GetCache(), "20");
  EXPECT_EQ(Cust->Fields[1]->Size, 40);
  EXPECT_EQ(Cust->Fields[2]->Precision, 10);
  EXPECT_EQ(Cust->Fields[2]->Scale, 2);
  EXPECT_EQ(Cust->Fields[2]->DefValue, "0");
  EXPECT_EQ(Cust->Fields[3]->Extra().Logged, 0);
  EXPECT_EQ(Cust->Fields[3]->Extra().Compact, 1);
  TTblData* Ord = O.GetTable("APP.ORDERS");
  ASSERT_TRUE(Ord);
  EXPECT_EQ(Ord->Fields[3]->FieldType, iftSmallInt);
  EXPECT_EQ(Ord->Fields[4]->Extra().GeneratedExpr, "(TOTAL * 2)");
  EXPECT_FALSE(Ord->Fields[4]->Identity);
  ASSERT_TRUE(O.GetTable("APP.EMPTY"));
  EXPECT_EQ(O.GetTable("APP.EMPTY")->Fields.Count(), 0);

  TViwData* V = O.GetView("APP.BIG_ORDERS");
  ASSERT_TRUE(V);
  EXPECT_EQ(V->Path, "\"SYSIBM\",\"SYSFUN\",\"SYSPROC\",\"APP\"");
  EXPECT_EQ(V->Fields.Count(), 2);
  EXPECT_EQ(V->Extra().Body, "SELECT ID, TOTAL FROM APP.ORDERS WHERE TOTAL > 100");
  EXPECT_NE(O.GetProcedure("APP.CLOSE_ORDERS"), nullptr);

  auto* Ai = Named<TTrgData>(O.Triggers, "ORDERS_AI");
  ASSERT_TRUE(Ai);
  EXPECT_EQ(Ai->Extra().Description, "Keeps the balance");
  EXPECT_EQ(Ai->OwnName, "ORDERS");
  EXPECT_EQ(Ai->Timing, baAfter);
  EXPECT_TRUE(Ai->Events.Contains(iudInsert));
  EXPECT_EQ(Ai->NewAlias, "N");
  EXPECT_EQ(Ai->Extra().Body,
            "UPDATE APP.CUSTOMER SET BALANCE = BALANCE + N.TOTAL WHERE ID = N.CUSTOMER_ID");
  auto* Bi = Named<TTrgData>(O.Triggers, "ORDERS_BI");
  ASSERT_TRUE(Bi);
  EXPECT_EQ(Bi->Extra().Description, "");
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
    if (K->Extra().AltName == "SQL090101120000123" && K->GetObjName().empty()) ++Generated;
    if (K->GetCtType() == ctFKey) {
      EXPECT_EQ(K->GetObjName(), "FK_ORDERS_CUSTOMER");
      EXPECT_EQ(K->GetRefTblName(), "CUSTOMER");
      EXPECT_EQ(K->OnDelete, udaCascade);
      EXPECT_EQ(K->OnUpdate, udaNoAction);
      ASSERT_EQ(K->FldList.Count(), 1);
      EXPECT_EQ(K->FldList[0], "CUSTOMER_ID");
      EXPECT_EQ(K->Extra().RefFldList[0], "ID");
    }
  }
  EXPECT_EQ(Keys, 2);
  EXPECT_EQ(Generated, 1);
}

TEST_F(DB2ExtractReplay, ColumnTypesAndSettings) {
  Replay(DB2.Recorded());
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
