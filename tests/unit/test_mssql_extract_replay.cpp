// The SQL Server and ASE catalog extractors without a server: the replay adapter answers their
// catalog queries from tests/fixtures/replay/mssql_extract.replay and ase_extract.replay (written
// by hand), so every query text is pinned; a failing query and a refused login end the run as
// failures, and what was read writes a script that the dialect's parser reads back.
#include <gtest/gtest.h>

#include <functional>
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
namespace readback = qel::testing::readback;

namespace {

struct TDialect {
  const char* Fixture;
  TDatabaseType DB;
  std::function<TMSSQLCustomDBExtract*()> Make;
  const char* ClassName;
  const char* IndexQuery;  // the start of the query the failure test answers with an error
  std::function<TCustomSQLParser*(TObjs*)> Parser;
  std::function<TCustomScriptExtract*()> Script;
};

const TDialect Dialects[] = {
    {"mssql_extract.replay", dbMSSQL, [] { return new TMSSQLDBExtract(nullptr); },
     "TMSSQLDBExtract", "query\tselect i.object_id, i.index_id, i.name",
     [](TObjs* O) -> TCustomSQLParser* { return new TMSSQLParser(O); },
     [] { return new TMSSQLScriptExtract(nullptr); }},
    {"ase_extract.replay", dbSybaseASE, [] { return new TASEDBExtract(nullptr); }, "TASEDBExtract",
     "query\tselect i.id, i.indid, i.name, o.name table_name, i.status",
     [](TObjs* O) -> TCustomSQLParser* { return new TASEParser(O); },
     [] { return new TASEScriptExtract(nullptr); }},
};

using qel::testing::WithError;

std::string Fixture(const char* Name) { return qel::testing::ReplayFixture(Name); }

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

/// One extraction of a dialect through the replay adapter.
struct TRun {
  TRun(const TDialect& D, const std::string& Text) : Ex(D.Make()) {
    auto F = std::make_shared<replay::TReplayFixture>();
    F->LoadFromText(Text, D.Fixture);
    for (const auto& E : F->Entries()) Queries.insert(E.Text);
    Adapter = std::make_unique<replay::TScopedReplayAdapter>("replay-tsql", cnADO, F);
    C = std::make_unique<TQELConnection>(nullptr);
    C->SetConnectionType(cnADO);
    C->SetDatabaseType(D.DB);
    C->GetConnectionOptions().SetDatabaseName("orders");
    C->GetConnectionOptions().UserName = "sa";
    Ex->SetConnection(C.get());
    Ex->SetDBStructure(&Holder);
    Ex->SetOnErrorMessage([this](TObject*, const std::string& T) { Errors.push_back(T); });
    Ok = Ex->ExtractDatabase();
  }
  std::set<std::string> Sent() {
    std::set<std::string> S;
    for (const std::string& L : dynamic_cast<replay::TReplayDatabase&>(*C->GetDatabase()).Log)
      if (L[0] != '<') S.insert(L);
    return S;
  }
  TObjs& O() { return *Holder.GetMetadata(); }
  TDbObj* Find(const TDbObjList& List, const std::string& Key) { return List.FindObj(Key); }

  std::unique_ptr<replay::TScopedReplayAdapter> Adapter;
  std::unique_ptr<TQELConnection> C;
  TDBStructure Holder{nullptr};
  std::unique_ptr<TMSSQLCustomDBExtract> Ex;
  std::vector<std::string> Errors;
  std::set<std::string> Queries;
  bool Ok = false;
};

/// The schema script the collection writes.
std::string Written(TObjs& O) {
  TStringList Lines;
  O.ExtractMetadata(Lines);
  return Lines.GetText();
}

}  // namespace

TEST(MSSQLExtractReplay, EveryDialectReadsItsSchemaWithEveryQueryPinned) {
  struct TCounts {
    int Tables, Views, Procedures, Triggers, Indexes, Constraints, Defaults, Rules, Domains;
  };
  const TCounts Expected[] = {{2, 1, 2, 1, 1, 6, 1, 1, 1}, {2, 1, 1, 1, 1, 5, 1, 1, 1}};
  for (std::size_t I = 0; I < std::size(Dialects); ++I) {
    SCOPED_TRACE(Dialects[I].Fixture);
    TRun R(Dialects[I], Fixture(Dialects[I].Fixture));
    ASSERT_TRUE(R.Ok) << (R.Errors.empty() ? "" : R.Errors[0]);
    EXPECT_EQ(R.Errors, std::vector<std::string>{});
    EXPECT_EQ(R.Sent(), R.Queries);  // every answer was asked for, nothing else was sent
    EXPECT_FALSE(R.C->GetConnected());
    TObjs& O = R.O();
    const TCounts& E = Expected[I];
    EXPECT_EQ(O.Tables.Count(), E.Tables);
    EXPECT_EQ(O.Views.Count(), E.Views);
    EXPECT_EQ(O.Procedures.Count(), E.Procedures);
    EXPECT_EQ(O.Triggers.Count(), E.Triggers);
    EXPECT_EQ(O.Indexes.Count(), E.Indexes);
    EXPECT_EQ(O.Constraints.Count(), E.Constraints);
    EXPECT_EQ(O.Defaults.Count(), E.Defaults);
    EXPECT_EQ(O.Rules.Count(), E.Rules);
    EXPECT_EQ(O.Domains.Count(), E.Domains);

    // Stand-alone defaults and rules keep the server's text and give the writer the expression.
    auto* Def = dynamic_cast<TDefData*>(O.Defaults.Objects(0));
    auto* Rul = dynamic_cast<TRulData*>(O.Rules.Objects(0));
    ASSERT_TRUE(Def && Rul);
    EXPECT_EQ(Def->Expression, "0");
    EXPECT_EQ(Rul->Expression, "@value >= 0");
    EXPECT_EQ(Rul->FullText.rfind("create rule", 0), 0u) << Rul->FullText;

    // The constraint whose name the server made up is keyed by its definition.
    int Generated = 0;
    for (int K = 0; K < O.Constraints.Count(); ++K) {
      auto* Ctr = dynamic_cast<TCtrData*>(O.Constraints.Objects(K));
      if (!Ctr->AltName.empty()) {
        ++Generated;
        EXPECT_EQ(Ctr->AltName.rfind("PK__", 0), 0u) << Ctr->AltName;
        EXPECT_EQ(Ctr->GetObjName(), "");
      }
    }
    EXPECT_EQ(Generated, 1);

    // What was read writes a script that the parser reads back into the same schema.
    const std::string First = Written(O);
    TObjs Back;
    Back.SetDatabaseType(Dialects[I].DB);
    std::unique_ptr<TCustomSQLParser> P(Dialects[I].Parser(&Back));
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
    std::unique_ptr<TMSSQLCustomDBExtract> MX(Dialects[I].Make());
    std::unique_ptr<TCustomScriptExtract> TX(Dialects[I].Script());
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
  TRun R(Dialects[0], Fixture(Dialects[0].Fixture));
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
    EXPECT_EQ(S->AltName, BuiltIn ? Name : "") << Name;
  }
  const TMSSQLDatabaseOptions& Opt = O.MSSQLServerOptions.GetMSSQLDatabaseOptions();
  EXPECT_TRUE(Opt.RecursiveTriggers);
  EXPECT_EQ(Opt.DatabaseCollation, "SQL_Latin1_General_CP1_CI_AS");
  EXPECT_EQ(Opt.CompatibilityLevel, 90);

  TTblData* Orders = O.GetTable("SALES.ORDERS");
  ASSERT_TRUE(Orders);
  EXPECT_EQ(Orders->Description, "Placed orders");
  ASSERT_EQ(Orders->Fields.Count(), 6);
  const TFldData& Id = *Orders->Fields[0];
  EXPECT_TRUE(Id.Identity);
  EXPECT_EQ(Id.IdentitySeed, 100);
  EXPECT_EQ(Orders->Fields[1]->FieldType, iftNVarChar);
  EXPECT_EQ(Orders->Fields[1]->Size, 40);  // 80 bytes of national characters
  EXPECT_EQ(Orders->Fields[1]->Collation, "Latin1_General_BIN");
  EXPECT_EQ(Orders->Fields[2]->Size, -1);           // varchar(max)
  EXPECT_EQ(Orders->Fields[2]->Collation, "");      // the database's own
  EXPECT_EQ(Orders->Fields[3]->DefValue, "((0))");  // unnamed default: the column's
  EXPECT_EQ(Orders->Fields[4]->Body, "([qty]*(2))");
  EXPECT_EQ(Orders->Fields[4]->Description, "Twice the quantity");
  TTblData* Cust = O.GetTable("DBO.CUSTOMER");
  ASSERT_TRUE(Cust);
  EXPECT_EQ(Cust->Fields[1]->FieldType, iftDomain);
  EXPECT_EQ(Cust->Fields[1]->DomainName, "PHONE");
}

TEST(MSSQLExtractReplay, ASEDatabaseOptions) {
  TRun R(Dialects[1], Fixture(Dialects[1].Fixture));
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

TEST(MSSQLExtractReplay, FailuresEndTheRunWithTheServersText) {
  for (const TDialect& D : Dialects) {
    SCOPED_TRACE(D.Fixture);
    {
      TRun R(D, WithError(Fixture(D.Fixture), D.IndexQuery, "Invalid object name 'sys.indexes'."));
      EXPECT_FALSE(R.Ok);
      ASSERT_EQ(R.Errors.size(), 1u);
      EXPECT_EQ(R.Errors[0],
                std::string(D.ClassName) + ".ExtractIdx(): Invalid object name 'sys.indexes'.");
      EXPECT_FALSE(R.C->GetConnected());
    }
    {
      TRun R(D,
             "# Written by hand: a server that refuses the login.\n"
             "connect-error\tLogin failed for user 'sa'.\n");
      EXPECT_FALSE(R.Ok);
      ASSERT_FALSE(R.Errors.empty());
      EXPECT_NE(R.Errors[0].find("Login failed for user 'sa'."), std::string::npos);
      EXPECT_EQ(R.O().Tables.Count(), 0);
    }
    {
      // A catalog with nothing in it reads as an empty schema.
      TRun R(D, WithoutRows(Fixture(D.Fixture)));
      EXPECT_TRUE(R.Ok) << (R.Errors.empty() ? "" : R.Errors[0]);
      EXPECT_EQ(R.O().Tables.Count(), 0);
    }
  }
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
