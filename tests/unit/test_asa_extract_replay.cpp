// The SQL Anywhere catalog extractor without a server: the replay adapter answers its catalog
// queries from tests/fixtures/replay/asa_extract*.replay (written by hand), so every query text
// of every server-version combination is pinned; a failing query, a cancelled run and a refused
// login end the run as failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Files.h"
#include "ReplayAdapter.h"
#include "qelASADatabaseExtract.h"
#include "qelASAScriptExtract.h"
#include "qelCompObj.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Rul.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDBStructure.h"
#include "qelVarnel.h"
#include "test_replay_util.h"

using namespace qel;
using qel::testing::CatalogReplay;

namespace {

using qel::testing::Has;
using qel::testing::Is;
using qel::testing::Named;
using qel::testing::TReplayCase;

std::string Fixture(const char* Name) {
  return qel::testing::ReplayFixture(Name);
}

/// The answers of a server: the shared steps, the routine texts of the collection's version and
/// the keys of the connection's version.
std::string Answers(TASAServerVersionType Collection, TASAServerVersionType Connection) {
  return Fixture("asa_extract.replay") +
         Fixture(Collection >= st_ASA8 ? "asa_extract.source.replay" : "asa_extract.defn.replay") +
         Fixture(Connection == st_ASA9 ? "asa_extract.keys9.replay"
                                       : "asa_extract.keys_old.replay");
}

/// A version 9 server read into a version 9 collection, unless a case says otherwise.
void Version9(TQELConnection& C, TObjs& O) {
  C.GetASAServerOptions().SQLServerVersion = st_ASA9;
  O.ASAServerOptions.SQLServerVersion = st_ASA9;
}

const qel::testing::TReplayDialect ASA{.Name = "SQLAnywhere",
                                       .Fixture = "asa_extract.replay",
                                       .Make = qel::testing::MakeExtract<TASADBExtract>,
                                       .AdapterName = "replay-asa",
                                       .Conn = cnADO,
                                       .DB = dbSybaseASA,
                                       .Database = "demo",
                                       .User = "DBA",
                                       .Prepare = Version9,
                                       .Answers = [] { return Answers(st_ASA9, st_ASA9); }};

/// The number of unique constraints and of named constraints.
void ExpectUniqueAndNamedKeys(TObjs& O, int Unique, int Named) {
  int U = 0, N = 0;
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    auto* K = dynamic_cast<TCtrData*>(O.Constraints[I]);
    if (K->GetCtType() == ctUnique) ++U;
    if (!K->GetObjName().empty()) ++N;
  }
  EXPECT_EQ(U, Unique);
  EXPECT_EQ(N, Named);
}

std::vector<TReplayCase> Cases() {
  std::vector<TReplayCase> R;
  // Every version combination sends its queries: the collection's version picks the routine
  // texts, the connection's the key queries.
  const std::pair<TASAServerVersionType, TASAServerVersionType> Combos[] = {{st_ASA9, st_ASA9},
                                                                            {st_ASA7, st_ASA9},
                                                                            {st_ASA9, st_ASA7},
                                                                            {st_ASA7, st_ASA7},
                                                                            {st_ASA8, st_ASA8}};
  for (const auto& [Coll, Conn] : Combos) {
    const bool Keys9 = Conn == st_ASA9;
    R.push_back({
        .Name = "Collection" + std::to_string(Coll + 5) + "Connection" + std::to_string(Conn + 5),
        .Dialect = &ASA,
        .Answers = [Coll, Conn] { return Answers(Coll, Conn); },
        .Setup =
            [Coll, Conn](TQELConnection& C, TObjs& O) {
              C.GetASAServerOptions().SQLServerVersion = Conn;
              O.ASAServerOptions.SQLServerVersion = Coll;
            },
        // The only error: the column of a type the server has and this library does not.
        .Errors = {Is("Unknown datatype: xml")},
        .AllQueries = true,
        .Counts = {{"Procedures", 1},
                   {"Triggers", 1},
                   {"Indexes", Keys9 ? 1 : 2},
                   {"Constraints", Keys9 ? 4 : 3}},
        .Logged = {"Extracting user datatypes...", "Extracting defaults...", "Extracting rules...",
                   "Extracting tables...", "Extracting publications...", "Extracting views...",
                   "Extracting procedures...", "Extracting triggers...", "Extracting events...",
                   "Extracting indexes...", "Extracting primary keys...",
                   "Extracting unique constraints...", "Extracting foreign keys...",
                   "Extracting check constraints...", "Extracting dependencies...",
                   "Parsing bodys...", "Linking dependencies...", "---DEPT", "---RICH"},
        // UQ_DEPT_CODE and FK_SCR are named on a version 9 server.
        .Check = [Keys9](TObjs& O) { ExpectUniqueAndNamedKeys(O, Keys9 ? 1 : 0, Keys9 ? 2 : 0); },
    });
  }
  R.push_back({.Name = "AnEmptyKindSetStillReadsEventsAndParsesBodies",
               .Dialect = &ASA,
               .Kinds = TCmpObjSetType(),
               .Counts = {{"Tables", 0}, {"Events", 1}},
               .Logged = {"Extracting dependencies...", "Parsing bodys..."}});
  R.push_back({.Name = "AFailingQueryEndsTheRun",
               .Dialect = &ASA,
               .ErrorAt = "query\tselect e.event_id",
               .ServerError = "Table 'SYSEVENT' not found",
               .Succeeds = false,
               // The xml column, then the failing step.
               .Errors = {Is("Unknown datatype: xml"),
                          Is("TASADBExtract.ExtractEvt(): Table 'SYSEVENT' not found")},
               .Counts = {{"Tables", 2}, {"Events", 0}},
               .NotLogged = {"Parsing bodys..."}});
  R.push_back({.Name = "ACancelledRunStops",
               .Dialect = &ASA,
               .CancelOn = "---DEPT",
               .Succeeds = false,
               .Errors = {Is("Unknown datatype: xml"),
                          Is("TASADBExtract.ExtractDatabase(): Extraction cancelled.")},
               .Counts = {{"Tables", 1}, {"Views", 0}},
               .NotLogged = {"Parsing bodys..."}});
  R.push_back({.Name = "ARefusedLoginReadsNothing",
               .Dialect = &ASA,
               .Answers =
                   [] {
                     return "# Written by hand: a server that refuses the login.\n"
                            "connect-error\tInvalid user ID or password\n";
                   },
               .Succeeds = false,
               .Errors = {Has("Invalid user ID or password")},
               .Counts = {{"Tables", 0}}});
  return R;
}

class ASAExtractReplay : public qel::testing::TReplayExtractTest<TASADBExtract> {
 protected:
  void Replay(const std::string& Text, TASAServerVersionType Collection = st_ASA9,
              TASAServerVersionType Connection = st_ASA9) {
    Open(ASA, Text);
    C->GetASAServerOptions().SQLServerVersion = Connection;
    Holder.GetMetadata()->ASAServerOptions.SQLServerVersion = Collection;
    Link();
  }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(SQLAnywhere, CatalogReplay, ::testing::ValuesIn(Cases()),
                         qel::testing::ReplayName);

namespace {

/// Rules, defaults and user types.
void ExpectRulesDefaultsAndTypes(TObjs& O) {
  auto* Rul = dynamic_cast<TRulData*>(O.Rules.FindObj("r_positive"));
  ASSERT_TRUE(Rul);
  EXPECT_EQ(Rul->CatalogId, 10);
  auto* Def = dynamic_cast<TDefData*>(O.Defaults.FindObj("d_zero"));
  ASSERT_TRUE(Def);
  EXPECT_EQ(Def->CatalogId, 11);
  auto* Dmn = dynamic_cast<TDmnData*>(O.Domains.FindObj("ShortCode"));
  ASSERT_TRUE(Dmn && Dmn->TypeField);
  EXPECT_EQ(Dmn->TypeField->FieldType, iftVarchar);
  EXPECT_EQ(Dmn->TypeField->Size, 10);
  EXPECT_FALSE(Dmn->TypeField->Nullable);
  EXPECT_EQ(Dmn->Extra().Creator, "DBA");
}

/// Tables and columns.
void ExpectTablesAndColumns(TObjs& O) {
  auto* Dept = Named<TTblData>(O.Tables, "DEPT");
  ASSERT_TRUE(Dept);
  EXPECT_EQ(Dept->Extra().Creator, "DBA");
  EXPECT_EQ(Dept->Extra().Description, "Departments");
  EXPECT_FALSE(Dept->GlobalTemporary);
  EXPECT_EQ(Dept->OnCommit, tocUnknown);
  ASSERT_EQ(Dept->Fields.Count(), 5);
  EXPECT_EQ(Dept->Fields[0]->DefValue, "autoincrement");
  EXPECT_FALSE(Dept->Fields[0]->Nullable);
  EXPECT_EQ(Dept->Fields[1]->FieldType, iftDomain);
  EXPECT_EQ(Dept->Fields[1]->Extra().DomainName, "ShortCode");
  EXPECT_EQ(Dept->Fields[2]->FieldType, iftNVarChar);
  EXPECT_EQ(Dept->Fields[2]->Size, 20);  // 41 bytes: 20 characters
  EXPECT_EQ(Dept->Fields[2]->Extra().Description, "Shown name");
  EXPECT_EQ(Dept->Fields[3]->Precision, 10);
  EXPECT_EQ(Dept->Fields[3]->Scale, 2);
  EXPECT_EQ(Dept->Fields[3]->DefValue, "0");
  EXPECT_EQ(Dept->Fields[4]->FieldType, iftUnknown);
  auto* Scratch = Named<TTblData>(O.Tables, "SCRATCH");
  ASSERT_TRUE(Scratch);
  EXPECT_TRUE(Scratch->GlobalTemporary);
  EXPECT_EQ(Scratch->OnCommit, tocPreserve);  // LAST_PAGE 0
}

/// Publications with their articles.
void ExpectPublications(TObjs& O) {
  auto* Pbl = Named<TPblData>(O.Publications, "STAFF");
  ASSERT_TRUE(Pbl);
  ASSERT_EQ(Pbl->Articles.Count(), 2);
  const TPblArtData* Art = dynamic_cast<TPblArtData*>(Pbl->Articles.Objects(0));
  ASSERT_TRUE(Art);
  EXPECT_EQ(Pbl->Articles[0], "DBA.DEPT");
  EXPECT_EQ(Art->WhereText, "ID > 0");
  EXPECT_EQ(Art->SubscribeByText, "CODE");
  EXPECT_EQ(Art->Columns.Count(), 2);
  EXPECT_EQ(Art->Def(), "    TABLE DBA.DEPT(ID, NAME) WHERE ID > 0 SUBSCRIBE BY CODE");
  EXPECT_EQ(dynamic_cast<TPblArtData*>(Pbl->Articles.Objects(1))->Columns.Count(), 0);
}

/// Views, routines and triggers: their texts re-read by the parser.
void ExpectViewsRoutinesAndTriggers(TObjs& O) {
  auto* View = Named<TViwData>(O.Views, "RICH");
  ASSERT_TRUE(View);
  EXPECT_EQ(View->Extra().FullText, "create view DBA.RICH(ID)\nas select ID from DEPT");
  EXPECT_EQ(View->Extra().Body, "select ID from DEPT");
  EXPECT_EQ(View->Fields.Count(), 1);
  auto* Prc = Named<TPrcData>(O.Procedures, "RAISE");
  ASSERT_TRUE(Prc);
  EXPECT_EQ(Prc->Extra().FullText,
            "create procedure DBA.RAISE(in PCT integer)\r\nbegin\r\n  update DEPT set PRICE = "
            "PRICE * PCT\r\nend");
  ASSERT_EQ(Prc->Params.Count(), 1);
  EXPECT_EQ(Prc->Params[0]->InOut, ioIn);
  auto* Trg = Named<TTrgData>(O.Triggers, "DEPT_BU");
  ASSERT_TRUE(Trg);
  EXPECT_EQ(Trg->OwnName, "DEPT");
  EXPECT_EQ(Trg->Timing, baBefore);
  EXPECT_TRUE(Trg->Events.Contains(iudUpdate));
  EXPECT_EQ(Trg->Position, 1);
  EXPECT_EQ(Trg->NewAlias, "N");
}

/// Events and schedules.
void ExpectEventsAndSchedules(TObjs& O) {
  auto* Evt = Named<TEvtData>(O.Events, "NIGHTLY");
  ASSERT_TRUE(Evt);
  EXPECT_EQ(Evt->Location, "CONSOLIDATED");
  EXPECT_EQ(Evt->Extra().Body, "begin\r\nmessage 'x'\r\nend");
  ASSERT_EQ(Evt->Schedules.size(), 2u);
  const TEvtSdlData& S1 = *Evt->Schedules[0];
  EXPECT_EQ(S1.SdlName, "S1");
  EXPECT_EQ(S1.EveryMinutes, 15);
  EXPECT_EQ(S1.StartTime, "02:00:00");
  EXPECT_EQ(S1.StartDate, "2024/03/05");
  EXPECT_EQ(S1.DaysOfMonth, 32769u);
  const TEvtSdlData& S2 = *Evt->Schedules[1];
  EXPECT_EQ(S2.EveryHours, 0);  // an amount of 0 sets no interval
  EXPECT_EQ(S2.EndTime, "18:00:00");
  EXPECT_EQ(S2.DaysOfWeek, 6);
}

/// Indexes and keys of a version 9 server.
void ExpectIndexesAndKeys(TObjs& O) {
  auto* Ix = Named<TIdxData>(O.Indexes, "IX_DEPT_NAME");
  ASSERT_TRUE(Ix);
  EXPECT_EQ(Ix->GetFlds(), "NAME DESC, ID");
  EXPECT_EQ(Ix->Extra().Description, "By name");
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    auto* K = dynamic_cast<TCtrData*>(O.Constraints[I]);
    switch (K->GetCtType()) {
      case ctPKey:
        EXPECT_EQ(K->Extra().AltName, "ASA12");
        EXPECT_EQ(K->GetObjName(), "");
        EXPECT_TRUE(K->Clustered);
        break;
      case ctFKey:
        EXPECT_EQ(K->GetObjName(), "FK_SCR");
        EXPECT_EQ(K->Extra().RoleName, "");  // the referenced table's name
        EXPECT_EQ(K->OnDelete, udaNull);
        EXPECT_EQ(K->OnUpdate, udaNoAction);
        EXPECT_TRUE(K->CheckOnCommit);
        EXPECT_EQ(K->FldList[0], "K");
        EXPECT_EQ(K->Extra().RefFldList[0], "ID");
        break;
      case ctCheck:
        EXPECT_EQ(K->Extra().AltName, "ASA85");
        EXPECT_EQ(K->Extra().Body, "(PRICE > 0)");
        break;
      case ctUnique:
        EXPECT_EQ(K->GetObjName(), "UQ_DEPT_CODE");
        EXPECT_EQ(K->FldList[0], "CODE");
        break;
      default:
        break;
    }
  }
}
}  // namespace

TEST_F(ASAExtractReplay, ObjectsAreBuiltFromTheRows) {
  Replay(Answers(st_ASA9, st_ASA9));
  ASSERT_TRUE(Ex.ExtractDatabase()) << (Errors.empty() ? "" : Errors[0]);
  TObjs& O = Objs();
  EXPECT_EQ(O.GetDatabaseType(), dbSybaseASA);
  EXPECT_EQ(O.ConnectionOptions.GetDatabaseName(), "demo");
  const TASADatabaseOptions& Db = O.ASAServerOptions.GetASADatabaseOptions();
  EXPECT_TRUE(Db.QuotedIdentifier);
  EXPECT_FALSE(Db.AnsiNulls);
  EXPECT_EQ(Db.DefaultCollation, "1252LATIN1");
  ExpectRulesDefaultsAndTypes(O);
  ExpectTablesAndColumns(O);
  ExpectPublications(O);
  ExpectViewsRoutinesAndTriggers(O);
  ExpectEventsAndSchedules(O);
  ExpectIndexesAndKeys(O);
  // The log lines: the Collection9Connection9 case.
}

TEST_F(ASAExtractReplay, OlderServersGiveKeysWithoutNames) {
  Replay(Answers(st_ASA7, st_ASA7), st_ASA7, st_ASA7);
  ASSERT_TRUE(Ex.ExtractDatabase()) << (Errors.empty() ? "" : Errors[0]);
  TObjs& O = Objs();
  auto* Prc = Named<TPrcData>(O.Procedures, "RAISE");
  ASSERT_TRUE(Prc);
  EXPECT_EQ(Prc->Extra().Description, "Raises prices");  // the row of the proc_defn query
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    auto* K = dynamic_cast<TCtrData*>(O.Constraints[I]);
    EXPECT_EQ(K->GetObjName(), "");
    EXPECT_EQ(K->Extra().AltName, "");
    if (K->GetCtType() == ctFKey) {
      EXPECT_EQ(K->OnUpdate, udaCascade);
      EXPECT_FALSE(K->CheckOnCommit);
    }
    if (K->GetCtType() == ctCheck) {
      EXPECT_EQ(K->Extra().Body, "(PRICE > 0)");
    }
  }
  // The unique constraint is a unique index on these servers.
  auto* Ux = Named<TIdxData>(O.Indexes, "UQ_DEPT_CODE");
  ASSERT_TRUE(Ux);
  EXPECT_TRUE(Ux->Unique);
  EXPECT_TRUE(Logged("Extracting unique constraints..."));
}

TEST_F(ASAExtractReplay, UniqueKeyColumnsKeepTheirOrder) {
  // The unique key's column kept descending by the server.
  std::string Catalog = Answers(st_ASA9, st_ASA9);
  const std::string Ascending = "row\t1\t2\t3\tCODE\tA";
  Catalog.replace(Catalog.find(Ascending), Ascending.size(), "row\t1\t2\t3\tCODE\tD");
  Replay(Catalog);
  ASSERT_TRUE(Ex.ExtractDatabase()) << (Errors.empty() ? "" : Errors[0]);
  const TCtrData* Unique = nullptr;
  for (int I = 0; I < Objs().Constraints.Count(); ++I)
    if (auto* K = dynamic_cast<TCtrData*>(Objs().Constraints[I]); K->GetCtType() == ctUnique)
      Unique = K;
  ASSERT_TRUE(Unique);
  EXPECT_EQ(Unique->Def(), "ALTER TABLE DBA.DEPT ADD CONSTRAINT UQ_DEPT_CODE UNIQUE (CODE DESC)");
}

TEST_F(ASAExtractReplay, ColumnTypes) {
  Replay(Answers(st_ASA9, st_ASA9));
  struct TCase {
    const char* Type;
    int Length, Prec, Scale;
    TDBFieldType Expected;
    int Size, Precision;
  };
  const TCase Cases[] = {
      {"nvarchar", 40, 40, 0, iftNVarChar, 20, 0},     {"nvarchar", 41, 41, 0, iftNVarChar, 20, 0},
      {"numeric", 12, 12, 3, iftNumeric, 0, 12},       {"varchar", 30, 30, 0, iftVarchar, 30, 0},
      {"long varchar", 0, 0, 0, iftLongVarchar, 0, 0}, {"int", 4, 4, 0, iftInteger, 0, 0},
  };
  for (const TCase& C : Cases) {
    TFldData F(&Objs());
    Ex.ColumnType(F, C.Type, C.Length, C.Prec, C.Scale, 1);
    EXPECT_EQ(F.FieldType, C.Expected) << C.Type;
    EXPECT_EQ(F.Size, C.Size) << C.Type;
    EXPECT_EQ(F.Precision, C.Precision) << C.Type;
    EXPECT_TRUE(F.Nullable);
  }
}

TEST_F(ASAExtractReplay, TheCatalogComparesToTheScriptWrittenFromIt) {
  // The schema read from the catalog, written by the schema writer and read back by the parser,
  // compares to nothing against the catalog: both readers fill the same fields the same way.
  // (Without the column of a type the script reader does not take: xml.)
  std::string Catalog = Answers(st_ASA9, st_ASA9);
  const std::size_t Doc = Catalog.find("row\t5\tDOC");
  Catalog.erase(Doc, Catalog.find('\n', Doc) + 1 - Doc);
  Replay(Catalog);
  TDBStructure Script(nullptr);
  TASAScriptExtract ScriptEx(nullptr);
  ScriptEx.SetDBStructure(&Script);
  TVarnel V(nullptr);
  const TErrorMessageEvent Quiet = [](TObject*, const std::string&) {};
  V.OnErrorMessage = Quiet;
  ScriptEx.SetOnErrorMessage(Quiet);
  Ex.SetOnErrorMessage(Quiet);
  ASSERT_TRUE(Ex.ExtractDatabase());
  TStringList Written;
  Objs().ExtractMetadata(Written);
  std::string Text;
  for (int I = 0; I < Written.Count(); ++I) Text += Written[I] + "\n";
  ScriptEx.OnLoadScript = [&Text](TObject*, const std::string&, TStrings* S, bool& Loaded) {
    S->SetText(Text);
    Loaded = true;
  };
  ScriptEx.SetScriptFileName("written.sql");
  // A second run of the catalog side, this time driven by the comparer.
  Adapter.reset();
  Replay(Catalog);
  V.SetDBMaster(&Holder);
  V.SetDBTarget(&Script);
  V.SetExtractorMaster(&Ex);
  V.SetExtractorTarget(&ScriptEx);
  ASSERT_TRUE(V.ExtractDatabases()) << Text;
  ASSERT_TRUE(V.CompareDatabases());
  TStringList Update;
  V.GetSQLExec()->GetScript(Update, false);
  std::string Statements;
  bool InComment = false;
  for (int I = 0; I < Update.Count(); ++I) {
    std::string L = Update[I];
    if (!L.empty() && L.back() == '\r') L.pop_back();
    if (InComment || L.rfind("/*", 0) == 0) {
      InComment = L.find("*/") == std::string::npos;
      continue;
    }
    if (!L.empty() && L[0] != '%') Statements += L + "\n";
  }
  EXPECT_EQ(Statements, "") << Text;
}
