// The SQL Server and ASE catalog extractors without a server: the replay adapter answers their
// catalog queries from tests/fixtures/replay/mssql_extract.replay and ase_extract.replay (written
// by hand), so every query text is pinned; a failing query and a refused login end the run as
// failures, and what was read writes a script that the dialect's parser reads back.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Files.h"
#include "ReplayAdapter.h"
#include "qelASEDatabaseExtract.h"
#include "qelASEParser.h"
#include "qelASEScriptExtract.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Rul.h"
#include "qelDBStructure.h"
#include "qelMSSQLDatabaseExtract.h"
#include "qelMSSQLParser.h"
#include "qelMSSQLScriptExtract.h"
#include "qelVarnel.h"
#include "test_readback_util.h"
#include "test_replay_util.h"

using namespace qel;
using qel::testing::CatalogReplay;
namespace readback = qel::testing::readback;

namespace {

using qel::testing::Has;
using qel::testing::Is;
using qel::testing::TReplayCase;
using qel::testing::TReplayDialect;

const TReplayDialect SQLServer{.Name = "SQLServer",
                               .Fixture = "mssql_extract.replay",
                               .Make = qel::testing::MakeExtract<TMSSQLDBExtract>,
                               .AdapterName = "replay-tsql",
                               .Conn = cnADO,
                               .DB = dbMSSQL,
                               .Database = "orders",
                               .User = "sa"};
const TReplayDialect ASE{.Name = "ASE",
                         .Fixture = "ase_extract.replay",
                         .Make = qel::testing::MakeExtract<TASEDBExtract>,
                         .AdapterName = "replay-tsql",
                         .Conn = cnADO,
                         .DB = dbSybaseASE,
                         .Database = "orders",
                         .User = "sa"};

/// What the reading of a dialect's catalog is checked against beyond the replay suite.
struct TDialect {
  const TReplayDialect* Replay;
  std::function<TCustomSQLParser*(TObjs*)> Parser;
  std::function<TCustomScriptExtract*()> Script;
};

const TDialect Dialects[] = {
    {&SQLServer, [](TObjs* O) -> TCustomSQLParser* { return new TMSSQLParser(O); },
     [] { return new TMSSQLScriptExtract(nullptr); }},
    {&ASE, [](TObjs* O) -> TCustomSQLParser* { return new TASEParser(O); },
     [] { return new TASEScriptExtract(nullptr); }},
};

/// Text with every row taken out: a server whose catalog holds nothing of the user's.
std::string WithoutRows(const std::string& Text) {
  std::string R;
  for (std::size_t At = 0; At < Text.size();) {
    std::size_t End = Text.find('\n', At);
    End = End == std::string::npos ? Text.size() : End + 1;
    if (Text.compare(At, 4, "row\t") != 0) R += Text.substr(At, End - At);
    At = End;
  }
  return R;
}

/// Stand-alone defaults and rules keep the server's text and give the writer the expression;
/// the constraint whose name the server made up is keyed by its definition.
void ExpectDefaultsRulesAndMadeUpKeys(TObjs& O) {
  auto* Def = dynamic_cast<TDefData*>(O.Defaults.Objects(0));
  auto* Rul = dynamic_cast<TRulData*>(O.Rules.Objects(0));
  ASSERT_TRUE(Def && Rul);
  EXPECT_EQ(Def->Expression, "0");
  EXPECT_EQ(Rul->Expression, "@value >= 0");
  EXPECT_EQ(Rul->Extra().FullText.rfind("create rule", 0), 0u) << Rul->Extra().FullText;
  int Generated = 0;
  for (int K = 0; K < O.Constraints.Count(); ++K) {
    auto* Ctr = dynamic_cast<TCtrData*>(O.Constraints.Objects(K));
    if (!Ctr->Extra().AltName.empty()) {
      ++Generated;
      EXPECT_EQ(Ctr->Extra().AltName.rfind("PK__", 0), 0u) << Ctr->Extra().AltName;
      EXPECT_EQ(Ctr->GetObjName(), "");
    }
  }
  EXPECT_EQ(Generated, 1);
}

/// The cases of a dialect: its whole catalog read with every query pinned (Counts of it), and
/// failures that end the run with the server's text.
std::vector<TReplayCase> Cases(const TReplayDialect& D, const std::map<std::string, int>& Counts,
                               const std::string& ClassName, const std::string& IndexQuery) {
  return {
      {.Name = "ReadsItsSchemaWithEveryQueryPinned",
       .Dialect = &D,
       .AllQueries = true,
       .Counts = Counts,
       .Check = ExpectDefaultsRulesAndMadeUpKeys},
      {.Name = "AFailingQueryEndsTheRunWithTheServersText",
       .Dialect = &D,
       .ErrorAt = IndexQuery,
       .ServerError = "Invalid object name 'sys.indexes'.",
       .Succeeds = false,
       .Errors = {Is(ClassName + ".ExtractIdx(): Invalid object name 'sys.indexes'.")}},
      {.Name = "ARefusedLoginReadsNothing",
       .Dialect = &D,
       .Answers =
           [] {
             return "# Written by hand: a server that refuses the login.\n"
                    "connect-error\tLogin failed for user 'sa'.\n";
           },
       .Succeeds = false,
       .Errors = {Has("Login failed for user 'sa'.")},
       .Counts = {{"Tables", 0}}},
      // A catalog with nothing in it reads as an empty schema.
      {.Name = "AnEmptyCatalogReadsAsAnEmptySchema",
       .Dialect = &D,
       .Answers = [&D] { return WithoutRows(D.Recorded()); },
       .Counts = {{"Tables", 0}}},
  };
}

/// One extraction of a dialect through the replay adapter.
struct TRun : qel::testing::TReplayRun {
  TRun(const TReplayDialect& D, const std::string& Text) : Ex(D.Make()) {
    Open(D, Text);
    Link(*Ex);
    Ok = Ex->ExtractDatabase();
  }
  TObjs& O() { return Objs(); }

  std::unique_ptr<TCustomDBExtract> Ex;
  bool Ok = false;
};

/// The schema script the collection writes.
std::string Written(TObjs& O) {
  TStringList Lines;
  O.ExtractMetadata(Lines);
  return Lines.GetText();
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(
    SQLServer, CatalogReplay,
    ::testing::ValuesIn(Cases(SQLServer,
                              {{"Tables", 2},
                               {"Views", 1},
                               {"Procedures", 2},
                               {"Triggers", 1},
                               {"Indexes", 1},
                               {"Constraints", 6},
                               {"Defaults", 1},
                               {"Rules", 1},
                               {"Domains", 1}},
                              "TMSSQLDBExtract", "query\tselect i.object_id, i.index_id, i.name")),
    qel::testing::ReplayName);
INSTANTIATE_TEST_SUITE_P(
    ASE, CatalogReplay,
    ::testing::ValuesIn(Cases(ASE,
                              {{"Tables", 2},
                               {"Views", 1},
                               {"Procedures", 1},
                               {"Triggers", 1},
                               {"Indexes", 1},
                               {"Constraints", 5},
                               {"Defaults", 1},
                               {"Rules", 1},
                               {"Domains", 1}},
                              "TASEDBExtract",
                              "query\tselect i.id, i.indid, i.name, o.name table_name, i.status")),
    qel::testing::ReplayName);

TEST(MSSQLExtractReplay, WhatEveryDialectReadsWritesAScriptThatReadsBackAndComparesToNothing) {
  for (const TDialect& D : Dialects) {
    SCOPED_TRACE(D.Replay->Name);
    TRun R(*D.Replay, D.Replay->Recorded());
    ASSERT_TRUE(R.Ok) << (R.Errors.empty() ? "" : R.Errors[0]);
    TObjs& O = R.O();

    // What was read writes a script that the parser reads back into the same schema.
    const std::string First = Written(O);
    TObjs Back;
    Back.SetDatabaseType(D.Replay->DB);
    std::unique_ptr<TCustomSQLParser> P(D.Parser(&Back));
    P->OnErrorMessage = [](TObject*, const std::string&) {};
    P->ParseScriptText(First, &Back);
    EXPECT_FALSE(P->MsgManager.GetIsErr()) << P->MsgManager.ErrSummary() << "\n" << First;
    // Comments aside (the writer names a key by its server-made name in one, the database facts
    // in others), and the USE line of a script's header.
    auto Skip = [](const std::string& L) {
      return L.rfind("--", 0) == 0 || StartsText("USE ", L) || SameText(L, "GO");
    };
    EXPECT_EQ(readback::Statements(Written(Back), Skip), readback::Statements(First, Skip));

    // The catalog compared with that script: no statement to run.
    TDBStructure MH(nullptr), TH(nullptr);
    std::unique_ptr<TCustomDBExtract> MX(D.Replay->Make());
    std::unique_ptr<TCustomScriptExtract> TX(D.Script());
    MX->SetConnection(R.C.get());
    MX->SetDBStructure(&MH);
    TX->SetDBStructure(&TH);
    TX->OnLoadScript = [&First](TObject*, const std::string&, TStrings* S, bool& Loaded) {
      S->SetText(First);
      Loaded = true;
    };
    TX->SetScriptFileName("written.sql");
    TVarnel V(nullptr);
    V.SetDBMaster(&MH);
    V.SetDBTarget(&TH);
    V.SetExtractorMaster(MX.get());
    V.SetExtractorTarget(TX.get());
    ASSERT_TRUE(V.ExtractDatabases()) << V.MsgManager.ErrSummary();
    ASSERT_TRUE(V.CompareDatabases()) << V.MsgManager.ErrSummary();
    TStringList Update;
    V.GetSQLExec()->GetScript(Update, false);
    EXPECT_EQ(readback::Statements(readback::Join(Update), Skip), "");
  }
}

TEST(MSSQLExtractReplay, SQLServerSchemasOptionsAndColumns) {
  TRun R(SQLServer, SQLServer.Recorded());
  ASSERT_TRUE(R.Ok);
  TObjs& O = R.O();
  // dbo, guest, sys, INFORMATION_SCHEMA and a fixed role's schema are the server's own.
  const std::vector<std::pair<std::string, bool>> Schemas = {
      {"DB_OWNER", true},           {"DBO", true},    {"GUEST", true},
      {"INFORMATION_SCHEMA", true}, {"SALES", false}, {"SYS", true}};
  ASSERT_EQ(O.Schemas.Count(), static_cast<int>(Schemas.size()));
  for (const auto& [Name, BuiltIn] : Schemas) {
    auto* S = dynamic_cast<TSchData*>(O.Schemas.FindObj(Name));
    ASSERT_TRUE(S) << Name;
    EXPECT_EQ(S->BuiltIn(), BuiltIn) << Name;
    EXPECT_EQ(S->Extra().AltName, BuiltIn ? Name : "") << Name;
  }
  const TMSSQLDatabaseOptions& Opt = O.MSSQLServerOptions.GetMSSQLDatabaseOptions();
  EXPECT_TRUE(Opt.RecursiveTriggers);
  EXPECT_EQ(Opt.DatabaseCollation, "SQL_Latin1_General_CP1_CI_AS");
  EXPECT_EQ(Opt.CompatibilityLevel, 90);

  TTblData* Orders = O.GetTable("SALES.ORDERS");
  ASSERT_TRUE(Orders);
  EXPECT_EQ(Orders->Extra().Description, "Placed orders");
  ASSERT_EQ(Orders->Fields.Count(), 6);
  const TFldData& Id = *Orders->Fields[0];
  EXPECT_TRUE(Id.Identity);
  EXPECT_EQ(Id.Extra().IdentitySeed, 100);
  EXPECT_EQ(Orders->Fields[1]->FieldType, iftNVarChar);
  EXPECT_EQ(Orders->Fields[1]->Size, 40);  // 80 bytes of national characters
  EXPECT_EQ(Orders->Fields[1]->Extra().Collation, "Latin1_General_BIN");
  EXPECT_EQ(Orders->Fields[2]->Size, -1);               // varchar(max)
  EXPECT_EQ(Orders->Fields[2]->Extra().Collation, "");  // the database's own
  EXPECT_EQ(Orders->Fields[3]->DefValue, "((0))");      // unnamed default: the column's
  EXPECT_EQ(Orders->Fields[4]->Extra().Body, "([qty]*(2))");
  EXPECT_EQ(Orders->Fields[4]->Extra().Description, "Twice the quantity");
  TTblData* Cust = O.GetTable("DBO.CUSTOMER");
  ASSERT_TRUE(Cust);
  EXPECT_EQ(Cust->Fields[1]->FieldType, iftDomain);
  EXPECT_EQ(Cust->Fields[1]->Extra().DomainName, "PHONE");
}

TEST(MSSQLExtractReplay, ASEDatabaseOptions) {
  TRun R(ASE, ASE.Recorded());
  ASSERT_TRUE(R.Ok);
  const TASEDatabaseOptions& Opt = R.O().ASEServerOptions.GetASEDatabaseOptions();
  EXPECT_EQ(Opt.Owner, "sa");
  EXPECT_EQ(Opt.Size, "24.0 MB");
  EXPECT_EQ(Opt.Created, "Mar  4 2024  9:15:02:000AM");
  EXPECT_EQ(Opt.Description.rfind("Adaptive Server Enterprise/16.0", 0), 0u);
  EXPECT_TRUE(Opt.DBOptions.Contains(asedboSelectIntoBulkCopyPllSort));
  EXPECT_TRUE(Opt.DBOptions.Contains(asedboTruncLogOnChkpt));
  EXPECT_TRUE(Opt.DBOptions.Contains(asedboAbortTranOnLogFull));
  EXPECT_FALSE(Opt.DBOptions.Contains(asedboReadOnly));
  EXPECT_EQ(Opt.OptionsText,
            "abort tran on log full, select into/bulkcopy/pllsort, trunc log on chkpt");
  // A column default declared with its table belongs to the column, not to the defaults.
  TTblData* Orders = R.O().GetTable("orders");
  ASSERT_TRUE(Orders);
  EXPECT_EQ(Orders->Fields[2]->DefValue, "0");
  EXPECT_TRUE(Orders->Fields[0]->Identity);
}

TEST(MSSQLExtractReplay, BoundExpressionsAndDeclaredDefaults) {
  const std::pair<const char*, const char*> Bound[] = {
      {"create default d_zero as 0", "0"},
      {"CREATE RULE [dbo].[r_pos]\r\nAS\r\n@value >= 0\r\n", "@value >= 0"},
      {"create rule r_class as @c in ('A', 'B')", "@c in ('A', 'B')"},
      {"create default d_alias as 'has as inside'", "'has as inside'"},
      {"create default [as] as 1", "1"},
      {"no keyword here", ""}};
  for (const auto& [Text, Expr] : Bound)
    EXPECT_EQ(TMSSQLCustomDBExtract::BoundExpression(Text), Expr) << Text;
  EXPECT_EQ(TASEDBExtract::DeclaredDefault("DEFAULT  getdate() "), "getdate()");
  EXPECT_EQ(TASEDBExtract::DeclaredDefault("create default d as 1"), "");
  EXPECT_EQ(TASEDBExtract::DeclaredDefault("DEFAULTS 1"), "");
}
