// The Oracle catalog extractor without a server: the replay adapter answers its data-dictionary
// queries from tests/fixtures/replay/oracle_extract.replay (written by hand), so every query
// text is pinned; the DDL texts are read again by the Oracle parser. A failing query, a
// cancelled run and a refused log-on end the run as failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Files.h"
#include "ReplayAdapter.h"
#include "qelComp_Dmn.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Pkg.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDBStructure.h"
#include "qelOracleDatabaseExtract.h"
#include "test_parse_util.h"
#include "test_replay_util.h"

using namespace qel;
using qel::testing::CatalogReplay;
using qel::testing::Entries;

namespace {

using qel::testing::Has;
using qel::testing::Named;
using qel::testing::TReplayCase;
using qel::testing::WithError;

const qel::testing::TReplayDialect Oracle{.Name = "Oracle",
                                          .Fixture = "oracle_extract.replay",
                                          .Make = qel::testing::MakeExtract<TOracleDBExtract>,
                                          .AdapterName = "replay-oracle",
                                          .Conn = cnODAC,
                                          .DB = dbOracle,
                                          .Database = "ORCL",
                                          .User = "APP",
                                          .Host = "ora.example",
                                          .Port = 1521};

/// The kind set gates the steps; packages are read under the procedure bit, not the package bit.
TReplayCase OnlyKind(const char* Name, TCmpObjType Kind, int Procedures, int Packages, int Views) {
  return {.Name = std::string("TheKindSetGatesTheSteps") + Name,
          .Dialect = &Oracle,
          .Kinds = qel::testing::OnlyKind(Kind),
          .Counts = {
              {"Tables", 0}, {"Procedures", Procedures}, {"Packages", Packages}, {"Views", Views}}};
}

/// A failing step is named with the server's text; what was read before stays (unparsed) and
/// nothing after the failing step ran.
TReplayCase FailingStep(const char* Name, const char* Marker, const char* Message, int Tables,
                        int Constraints) {
  return {.Name = std::string("AFailingStepIsNamedWithTheServersText") + Name,
          .Dialect = &Oracle,
          .ErrorAt = Marker,
          .ServerError = Message,
          .Succeeds = false,
          .Errors = {Has(Message)},
          .Counts = {{"Tables", Tables}, {"Constraints", Constraints}},
          .NotLogged = {"Parsing bodies..."}};
}

const TReplayCase Cases[] = {
    {.Name = "ReadsEveryKindAndSendsEveryQueryOfTheFixture",
     .Dialect = &Oracle,
     .AllQueries = true,
     .Logged = {"Extracting user datatypes...", "Extracting sequences...", "Extracting tables...",
                "Extracting views...", "Extracting procedures...", "Extracting packages...",
                "Extracting triggers...", "Extracting indexes...", "Extracting primary keys...",
                "Extracting unique constraints...", "Extracting foreign keys...",
                "Parsing bodies...", "Linking dependencies...", "---CUSTOMER", "---OPEN_ORDERS",
                "---ORDERS_SEQ"},
     // Types are filed straight: no "---" line.
     .NotLogged = {"---ADDRESS_T"}},
    OnlyKind("View", coView, 0, 0, 1),
    OnlyKind("Procedure", coProcedure, 2, 1, 0),
    OnlyKind("Package", coPackage, 0, 0, 0),
    OnlyKind("Check", coCheck, 0, 0, 0),
    FailingStep("Types", "query\tselect type_name",
                "ORA-31603: object \"ADDRESS_T\" of type TYPE not found", 0, 0),
    FailingStep("Tables", "query\tSelect t.table_name",
                "ORA-31603: object \"CUSTOMER\" of type TABLE not found", 0, 0),
    FailingStep("Keys",
                "query\tselect c.constraint_name, c.table_name, c.constraint_type,"
                "\\r\\nc.delete_rule",
                "ORA-00942: table or view does not exist", 2, 3),
    {.Name = "ACancelledRunStopsAfterTheRowItIsOn",
     .Dialect = &Oracle,
     .CancelOn = "---CUSTOMER",
     .Succeeds = false,
     .Errors = {Has("Extraction cancelled.")},
     .Counts = {{"Tables", 1}, {"Views", 0}},
     .NotLogged = {"Parsing bodies..."},
     // The table of the row is kept, with its catalog text unparsed.
     .Check =
         [](TObjs& O) {
           ASSERT_NE(O.GetTable("CUSTOMER"), nullptr);
           EXPECT_EQ(O.GetTable("CUSTOMER")->Fields.Count(), 0);
         }},
    {.Name = "ARefusedLoginReadsNothing",
     .Dialect = &Oracle,
     .Answers =
         [] {
           return "# Written by hand: a server that refuses the log-on.\n"
                  "connect-error\tORA-01017: invalid username/password; logon denied\n";
         },
     .Succeeds = false,
     .Errors = {Has("ORA-01017")},
     .Counts = {{"Tables", 0}}},
};

class OracleExtractReplay : public qel::testing::TReplayExtractTest<TOracleDBExtract> {
 protected:
  void Replay(const std::string& Text, const std::string& User = "APP",
              const std::string& Database = "ORCL") {
    Open(Oracle, Text);
    C->GetConnectionOptions().SetDatabaseName(Database);
    C->GetConnectionOptions().UserName = User;
    Link();
  }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Oracle, CatalogReplay, ::testing::ValuesIn(Cases),
                         qel::testing::ReplayName);

TEST_F(OracleExtractReplay, ObjectsAreBuiltFromTheRows) {
  // The queries sent and the log lines: the case ReadsEveryKindAndSendsEveryQueryOfTheFixture.
  Replay(Oracle.Recorded());
  ASSERT_TRUE(Ex.ExtractDatabase()) << (Errors.empty() ? "" : Errors[0]);

  TObjs& O = Objs();
  EXPECT_EQ(O.GetDatabaseType(), dbOracle);
  EXPECT_EQ(O.ConnectionOptions.UserName, "APP");
  EXPECT_EQ(O.ConnectionOptions.Port, 1521);

  // Types: filled by the re-read of their DDL.
  auto* Addr = O.GetDomain("ADDRESS_T");
  ASSERT_TRUE(Addr);
  EXPECT_EQ(Addr->OracleKind, odObject);
  EXPECT_EQ(Addr->Attributes.Count(), 2);
  auto* Phones = O.GetDomain("PHONE_LIST");
  ASSERT_TRUE(Phones);
  EXPECT_EQ(Phones->OracleKind, odVArray);
  EXPECT_EQ(Phones->VArrayLimit, 10);

  // Sequences: a cache of 0 is no cache.
  auto* Round = O.GetGenerator("GEN_ROUND");
  ASSERT_TRUE(Round);
  EXPECT_TRUE(Round->GetNoCache());
  EXPECT_EQ(Round->GetCache(), "");
  EXPECT_TRUE(Round->Cycle);
  EXPECT_FALSE(Round->Order);
  EXPECT_EQ(Round->GetMaxValue(), "999");
  EXPECT_EQ(Round->StartValue, "21");
  auto* Seq = O.GetGenerator("ORDERS_SEQ");
  ASSERT_TRUE(Seq);
  EXPECT_EQ(Seq->GetCache(), "20");
  EXPECT_FALSE(Seq->GetNoCache());
  EXPECT_TRUE(Seq->Order);

  // Tables: columns and inline constraints from the DDL; the owner named there is not taken.
  TTblData* Cust = O.GetTable("CUSTOMER");
  ASSERT_TRUE(Cust);
  EXPECT_EQ(Cust->GetSchema(), "");
  EXPECT_EQ(Cust->Extra().TablespaceName, "USERS");
  ASSERT_EQ(Cust->Fields.Count(), 5);
  EXPECT_EQ(Cust->Fields[0]->FieldType, iftNumber);
  EXPECT_EQ(Cust->Fields[0]->Precision, 10);
  EXPECT_FALSE(Cust->Fields[0]->Nullable);
  EXPECT_EQ(Cust->Fields[3]->FieldType, iftDomain);
  EXPECT_EQ(Cust->Fields[3]->Extra().DomainName, "ADDRESS_T");
  EXPECT_EQ(Cust->Fields[4]->DefValue, "SYSTIMESTAMP");
  EXPECT_EQ(Cust->Extra().TableSpace.PctUsed, 40);
  TTblData* Ord = O.GetTable("ORDERS");
  ASSERT_TRUE(Ord);
  EXPECT_EQ(Ord->Extra().TablespaceName, "USERS");  // from the DDL; the catalog row had none
  EXPECT_EQ(Ord->Fields[2]->DefValue, "'N'");

  auto* V = O.GetView("OPEN_ORDERS");
  ASSERT_TRUE(V);
  EXPECT_TRUE(V->Force);
  EXPECT_EQ(V->Fields.Count(), 2);
  EXPECT_EQ(V->Extra().Body, "SELECT ID, STATUS FROM ORDERS WHERE STATUS = 'N'");
}

TEST_F(OracleExtractReplay, CodeObjectsAndKeysAreBuiltFromTheRows) {
  Replay(Oracle.Recorded());
  ASSERT_TRUE(Ex.ExtractDatabase()) << (Errors.empty() ? "" : Errors[0]);
  TObjs& O = Objs();

  // A procedure's source lines are joined as read; one without source is not re-read.
  auto* Close = O.GetProcedure("CLOSE_ORDER");
  ASSERT_TRUE(Close);
  EXPECT_EQ(Close->Extra().FullText,
            "PROCEDURE close_order (p_id IN NUMBER) AS\nBEGIN\n  UPDATE orders SET status = 'C' "
            "WHERE id = p_id;\nEND;");
  EXPECT_EQ(Close->Extra().Body,
            "(p_id IN NUMBER) AS\r\nBEGIN\r\n  UPDATE orders SET status = 'C' WHERE id = p_id;"
            "\r\nEND;");
  auto* NoSource = O.GetProcedure("NO_SOURCE");
  ASSERT_TRUE(NoSource);
  EXPECT_EQ(NoSource->Extra().FullText, "");
  EXPECT_EQ(NoSource->Extra().Body, "");

  auto* Pkg = O.GetPackage("ORDER_API");
  ASSERT_TRUE(Pkg);
  EXPECT_EQ(Pkg->HeaderSource, "AS\r\n  PROCEDURE CLOSE_ALL;\r\nEND ORDER_API;");
  EXPECT_EQ(Pkg->BodySource,
            "AS\r\n  PROCEDURE CLOSE_ALL IS\r\n  BEGIN\r\n    UPDATE ORDERS SET STATUS = 'C';\r\n"
            "  END;\r\nEND ORDER_API;");

  auto* Au = Named<TTrgData>(O.Triggers, "ORDERS_AU");
  ASSERT_TRUE(Au);
  EXPECT_FALSE(Au->Active);
  EXPECT_EQ(Au->Timing, baAfter);
  EXPECT_EQ(Entries(Au->Columns), std::vector<std::string>{"STATUS"});
  EXPECT_EQ(Au->Extra().Body, "BEGIN\r\n  NULL;\r\nEND;");
  auto* Bi = Named<TTrgData>(O.Triggers, "ORDERS_BI");
  ASSERT_TRUE(Bi);
  EXPECT_TRUE(Bi->Active);
  EXPECT_EQ(Bi->OwnName, "ORDERS");
  EXPECT_EQ(Bi->WhenCondition, "(new.id is null)");
  EXPECT_EQ(Bi->Extra().Description,
            "ORDERS_BI\r\n  BEFORE INSERT ON ORDERS\r\n  FOR EACH ROW\r\n");

  auto* Ix = Named<TIdxData>(O.Indexes, "IX_ORDERS_CUST");
  ASSERT_TRUE(Ix);
  EXPECT_FALSE(Ix->Unique);
  ASSERT_EQ(Ix->Flds.Count(), 2);
  EXPECT_EQ(dynamic_cast<TIdxFldData*>(Ix->Flds.Objects(1))->SortOrder, 2);
  EXPECT_NE(Ix->Def().find("TOTAL DESC"), std::string::npos) << Ix->Def();
  EXPECT_EQ(Ix->Def().find("CUSTOMER_ID DESC"), std::string::npos) << Ix->Def();
  auto* Ux = Named<TIdxData>(O.Indexes, "UX_CUSTOMER_NAME");
  ASSERT_TRUE(Ux);
  EXPECT_TRUE(Ux->Unique);

  int Keys = 0, SysNamed = 0, Unique = 0, Checks = 0;
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    auto* K = dynamic_cast<TCtrData*>(O.Constraints[I]);
    if (K->GetCtType() == ctPKey) ++Keys;
    if (K->GetCtType() == ctUnique) ++Unique;
    if (K->GetCtType() == ctCheck) ++Checks;
    if (K->Extra().AltName == "SYS_C0012345" && K->GetObjName().empty()) {
      ++SysNamed;
      EXPECT_EQ(Entries(K->FldList), std::vector<std::string>{"ID"});
    }
    if (K->GetCtType() == ctFKey) {
      EXPECT_EQ(K->GetObjName(), "FK_ORDERS_CUSTOMER");
      EXPECT_EQ(K->GetRefTblName(), "CUSTOMER");
      EXPECT_EQ(K->OnDelete, udaCascade);
      EXPECT_EQ(K->OnUpdate, udaNoAction);
      EXPECT_EQ(Entries(K->FldList), std::vector<std::string>{"CUSTOMER_ID"});
      EXPECT_EQ(Entries(K->Extra().RefFldList), std::vector<std::string>{"ID"});
    }
  }
  // PK_CUSTOMER is read from the catalog and again from the table's DDL: one object.
  EXPECT_EQ(Keys, 2);
  EXPECT_EQ(SysNamed, 1);
  EXPECT_EQ(Unique, 1);
  EXPECT_EQ(Checks, 1);  // from the DDL of ORDERS only
}

TEST_F(OracleExtractReplay, AnExcludedTableIsLoggedButNotKeptTypesAlwaysAre) {
  Replay(Oracle.Recorded());
  Ex.GetExcludeObjsNames().Add("CUST%");
  Ex.GetExcludeObjsNames().Add("ADDRESS%");
  ASSERT_TRUE(Ex.ExtractDatabase()) << (Errors.empty() ? "" : Errors[0]);
  EXPECT_TRUE(Logged("---CUSTOMER"));
  EXPECT_EQ(Objs().GetTable("CUSTOMER"), nullptr);
  EXPECT_NE(Objs().GetDomain("ADDRESS_T"), nullptr);
}

TEST_F(OracleExtractReplay, SystemWorksInTheSchemaTheDatabaseNames) {
  // SYSTEM logs into its own schema: the session is moved to the one the database names
  // before any catalog query.
  Replay(Oracle.Recorded() + "query\tALTER SESSION SET CURRENT_SCHEMA = APP\naffected\t0\nend\n",
         "SYSTEM", "APP");
  ASSERT_TRUE(Ex.ExtractDatabase()) << (Errors.empty() ? "" : Errors[0]);
  std::vector<std::string> Order;
  for (const std::string& L : Db().Log)
    if (L[0] != '<') Order.push_back(L);
  ASSERT_FALSE(Order.empty());
  EXPECT_EQ(Order[0], "ALTER SESSION SET CURRENT_SCHEMA = APP");
  EXPECT_EQ(Sent(), Queries);
}

TEST_F(OracleExtractReplay, ProgressRunsThroughEveryPosition) {
  Replay(Oracle.Recorded());
  std::vector<int> Seen;
  Ex.SetOnProgressUpdate([&Seen](TObject*, int Value, int Max) {
    EXPECT_EQ(Max, 16);
    Seen.push_back(Value);
  });
  ASSERT_TRUE(Ex.ExtractDatabase());
  std::vector<int> Expected{0};
  for (int I = 1; I <= 13; ++I) Expected.push_back(I);
  Expected.push_back(16);
  Expected.push_back(16);
  EXPECT_EQ(Seen, Expected);
}
